#include "station.h"

#include "text.h"

namespace pinora {

Station::Station(std::string folder, Services services)
    : db(std::move(folder), std::move(services)) {}

Result Station::allocateNotice(TDateTime start, TDateTime end,
                               const std::array<bool, kSetCount>& inSet, int& n) {
    if (!loggedOn()) return Result::failed("", "nobody is logged on");
    const Result users = db.loadUsers();
    if (!users) return users;
    const UserRecord me = currentUser();
    int slot = -1;
    Result changed = db.changeNotices(currentUserName, "Creating Notice", [&] {
        slot = db.findFreeNotice();
        if (slot < 0) return false;
        NoticeRecord& r = db.notice(slot);
        r.owner = db.scramble(currentUserName).substr(0, 8);
        r.authorLevel = me.securityLevel;
        r.startDate = start;
        r.signature = me.signature.str();
        r.endDate = end;
        for (int k = 0; k < kSetCount; ++k)
            r.inSet[k] = inSet[static_cast<std::size_t>(k)];
        return true;
    });
    changed.after(users);
    if (!changed) return changed;
    n = slot;
    if (Result text = db.writeMessageFile(n, ""); !text) return text.after(changed);
    return changed;
}

namespace {
bool isNoticeNumber(int n) {
    return n >= 1 && n <= kNoticeCount;
}
} // namespace

Result Station::freeNotice(int n, std::string_view task) {
    if (!isNoticeNumber(n)) return Result::declined();
    return db.changeNotices(currentUserName, task, [&] {
        db.markNoticeFree(n);
        return true;
    });
}

Result Station::updateNoticeDates(int n, TDateTime start, TDateTime end) {
    if (!isNoticeNumber(n)) return Result::declined();
    return db.changeNotices(currentUserName, "Update Notice Dates", [&] {
        db.notice(n).startDate = start;
        db.notice(n).endDate = end;
        return true;
    });
}

Result Station::updateNoticeSets(int n, const std::array<bool, kSetCount>& inSet) {
    if (!isNoticeNumber(n)) return Result::declined();
    return db.changeNotices(currentUserName, "Update Notice Set", [&] {
        for (int k = 0; k < kSetCount; ++k)
            db.notice(n).inSet[k] = inSet[static_cast<std::size_t>(k)];
        return true;
    });
}

Result Station::addPost() {
    if (!loggedOn()) return Result::declined();
    return db.changeUsers(currentUserName, "Submitting Notice", [&] {
        currentUser().postCount += 1;
        return true;
    });
}

bool Station::isOwn(std::string_view owner) const {
    return loggedOn() && ownerBelongsTo(owner, currentUserName);
}

std::optional<std::uint8_t> Station::ownerLevel(std::string_view owner) const {
    const int slot = db.findNoticeAuthor(owner);
    if (slot < 0) return std::nullopt;
    return db.user(slot).securityLevel;
}

bool Station::loggedOn() const {
    return currentUserSlot >= 1 && currentUserSlot <= kUserCount;
}

// Nobody logged on has a record with no rights and level 0.
const UserRecord& Station::me() const {
    static const UserRecord nobody{};
    return loggedOn() ? currentUser() : nobody;
}

bool Station::allows(Access access, bool own, std::optional<std::uint8_t> level) const {
    const UserRecord& r = me();
    if (r.superUser || own) return true;
    const bool below = level && *level < r.securityLevel;
    switch (access) {
    case Access::View:
        return below;
    case Access::Edit:
        return below && r.allowEdit;
    case Access::Delete:
        return below && r.allowDelete;
    }
    return false;
}

bool Station::mayViewNotice(std::string_view owner) const {
    return allows(Access::View, isOwn(owner), ownerLevel(owner));
}

bool Station::mayEditNotice(std::string_view owner) const {
    return allows(Access::Edit, isOwn(owner), ownerLevel(owner));
}

bool Station::mayDeleteNotice(std::string_view owner) const {
    return allows(Access::Delete, isOwn(owner), ownerLevel(owner));
}

bool Station::allowsUser(Access access, std::string_view loginName, int slot) const {
    const bool own = loggedOn() && (slot == currentUserSlot ||
                                    equalsIgnoreCase(loginName, currentUserName));
    const bool known = slot >= 1 && slot <= kUserCount;
    return allows(access, own,
                  known ? std::optional<std::uint8_t>(db.user(slot).securityLevel)
                        : std::nullopt);
}

bool Station::mayViewUser(std::string_view loginName) const {
    return allowsUser(Access::View, loginName, db.findUser(loginName));
}

bool Station::mayEditUser(std::string_view loginName) const {
    return allowsUser(Access::Edit, loginName, db.findUser(loginName));
}

bool Station::mayDeleteUser(std::string_view loginName) const {
    return allowsUser(Access::Delete, loginName, db.findUser(loginName));
}

std::string Station::slotName(int slot) const {
    return slot >= 1 && slot <= kUserCount ? db.userLoginName(slot) : std::string();
}

bool Station::mayViewUserAt(int slot) const {
    return allowsUser(Access::View, slotName(slot), slot);
}

bool Station::mayEditUserAt(int slot) const {
    return allowsUser(Access::Edit, slotName(slot), slot);
}

bool Station::mayDeleteUserAt(int slot) const {
    return allowsUser(Access::Delete, slotName(slot), slot);
}

} // namespace pinora
