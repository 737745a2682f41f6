#include "browseactions.h"

#include <utility>

namespace pinora {

ListedNoticeStep checkListedNotice(Station& station, const BrowseRow& row, NoticeRight right) {
    Database& db = station.db;
    Result loaded = db.loadNotices();
    if (!loaded) return {ListedNotice::Failed, std::move(loaded)};
    if (!rowStillMatches(db, row)) return {ListedNotice::Changed, Result::declined().after(loaded)};
    const std::string owner = db.noticeOwner(row.number);
    const bool allowed =
        right == NoticeRight::Edit ? station.mayEditNotice(owner) : station.mayDeleteNotice(owner);
    if (!allowed) return {ListedNotice::NotAllowed, Result::declined().after(loaded)};
    return {ListedNotice::Ok, std::move(loaded)};
}

ListedNoticeStep deleteListedNotice(Station& station, const BrowseRow& row) {
    Database& db = station.db;
    // The slot may have been freed or reused since the check: only the listed notice goes.
    bool changed = false;
    Result freed = db.changeNotices(station.currentUserName, "Delete Notice", [&] {
        if (!rowStillMatches(db, row)) {
            changed = true;
            return false;
        }
        db.markNoticeFree(row.number);
        return true;
    });
    if (changed) return {ListedNotice::Changed, std::move(freed)};
    return {freed ? ListedNotice::Ok : ListedNotice::Failed, std::move(freed)};
}

} // namespace pinora
