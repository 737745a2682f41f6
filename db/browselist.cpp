#include "browselist.h"

#include "fileio.h"
#include "text.h"
#include "textsearch.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_map>

namespace pinora {

namespace {

// The summary from the start of a message text: text holds at most kSummaryBytes of it.
std::string summaryOf(std::string_view text) {
    const auto lines = splitLines(text, LineEnds::CrLfOrLf, 1);
    if (lines.empty() || lines[0].empty()) return " ";
    std::string_view first = lines[0];
    // A line cut by the cap may end on the CR of its CR LF.
    if (first.size() == text.size() && text.size() == kSummaryBytes && first.back() == '\r')
        first.remove_suffix(1);
    return first.empty() ? std::string(" ") : std::string(first);
}

// The summary of notice n when its whole text holds every word; none otherwise (a missing or
// unreadable file holds no words).
std::optional<std::string> summaryIfFound(const Database& db, int n,
                                          const std::vector<std::string>& words,
                                          std::string& text) {
    if (readWholeFile(db.files(), db.messageFilePath(n), text, Database::kMaxMessageFileSize) !=
        ReadStatus::Ok)
        return std::nullopt;
    if (!containsAllWords(foldForSearch(text), words)) return std::nullopt;
    return summaryOf(std::string_view(text).substr(0, kSummaryBytes));
}

// A date read from another station's file may be anything; NaN goes last so that the order
// stays a strict weak ordering.
bool dateBefore(TDateTime a, TDateTime b) {
    if (std::isnan(a)) return false;
    if (std::isnan(b)) return true;
    return a < b;
}

} // namespace

std::string noticeSummary(const Database& db, int n, char* buf) {
    std::size_t got = 0;
    if (readFileInto(db.files(), db.messageFilePath(n), buf, kSummaryBytes, got) != ReadStatus::Ok)
        return " ";
    return summaryOf(std::string_view(buf, got));
}

namespace {

struct Slot {
    int number;
    std::string owner;
};

} // namespace

std::vector<BrowseRow> fillBrowseList(const Station& station, BrowseOrder order, bool mineOnly,
                                      const std::vector<std::string>& findWords,
                                      const std::function<bool(int slot)>& progress) {
    const Database& db = station.db;
    // Free slots take no part: leaving them out of a stable sort keeps the others' order.
    std::vector<Slot> slots;
    slots.reserve(kNoticeCount);
    for (int n = 1; n <= kNoticeCount; ++n)
        if (db.noticeInUse(n)) slots.push_back({n, db.noticeOwner(n)});

    auto byDate = [&db](TDateTime NoticeRecord::*field) {
        return [&db, field](const Slot& a, const Slot& b) {
            return dateBefore(db.notice(a.number).*field, db.notice(b.number).*field);
        };
    };
    switch (order) {
    case BrowseOrder::Index:
        break;
    case BrowseOrder::DateIn:
        std::stable_sort(slots.begin(), slots.end(), byDate(&NoticeRecord::startDate));
        break;
    case BrowseOrder::DateOut:
        std::stable_sort(slots.begin(), slots.end(), byDate(&NoticeRecord::endDate));
        break;
    case BrowseOrder::Owner:
        // std::string compares bytes as unsigned, so upper case sorts before lower case.
        std::stable_sort(slots.begin(), slots.end(),
                         [](const Slot& a, const Slot& b) { return a.owner < b.owner; });
        break;
    }

    // The view rule looks the owner up in the user table; one look-up per distinct owner.
    std::unordered_map<std::string, bool> mayView;
    auto viewable = [&](const std::string& owner) {
        auto [it, added] = mayView.try_emplace(owner, false);
        if (added) it->second = station.mayViewNotice(owner);
        return it->second;
    };

    std::vector<BrowseRow> rows;
    rows.reserve(slots.size());
    const auto buf = std::make_unique<char[]>(kSummaryBytes);
    std::string text;
    // The progress counts all 10000 slots; free ones are passed between the listed ones.
    int passed = 0;
    auto pass = [&](int upTo) {
        if (!progress) return true;
        while (passed < upTo)
            if (!progress(++passed)) return false;
        return true;
    };
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const Slot& s = slots[i];
        // In index order a slot's place is its number; sorted, the free slots come last.
        if (!pass(order == BrowseOrder::Index ? s.number : static_cast<int>(i) + 1)) return rows;
        const bool listed = (order != BrowseOrder::Index || viewable(s.owner)) &&
                            (!mineOnly || station.isOwn(s.owner));
        if (!listed) continue;
        std::string summary;
        if (findWords.empty()) {
            summary = noticeSummary(db, s.number, buf.get());
        } else if (auto found = summaryIfFound(db, s.number, findWords, text)) {
            summary = std::move(*found);
        } else {
            continue;
        }
        const NoticeRecord& r = db.notice(s.number);
        rows.push_back({s.number, r.startDate, r.endDate, s.owner, std::move(summary)});
    }
    pass(kNoticeCount);
    return rows;
}

bool rowStillMatches(const Database& db, const BrowseRow& row) {
    if (row.number < 1 || row.number > kNoticeCount || !db.noticeInUse(row.number)) return false;
    const NoticeRecord& r = db.notice(row.number);
    return db.noticeOwner(row.number) == row.owner &&
           std::memcmp(&r.startDate, &row.start, sizeof row.start) == 0;
}

} // namespace pinora
