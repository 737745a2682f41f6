// The rows of the browse list: which notices, in which order, with what summary. The window
// only shows what this builds, so tests and benchmarks call it directly.
#pragma once

#include "station.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pinora {

enum class BrowseOrder { Index, DateIn, DateOut, Owner };

struct BrowseRow {
    int number = 0;
    TDateTime start = 0;
    TDateTime end = 0;
    std::string owner;   // unscrambled, Windows-1252
    std::string summary; // the message file's first line, or a single blank
};

// A summary keeps at most this many bytes of the first line; a cell shows far less.
inline constexpr std::size_t kSummaryBytes = 4096;

// The first line of notice n's message file, or " " when the file is missing, unreadable, empty
// or starts with an empty line. buf is scratch space of at least kSummaryBytes.
std::string noticeSummary(const Database& db, int n, char* buf);

// Builds the list from the in-memory notice table (the caller reloads it first). The index
// order lists what the viewer may see; the sorted orders list every notice in use, stable in
// ascending number. mineOnly keeps the viewer's own notices; findWords (from searchWords) keeps
// those whose whole message text holds every word. progress is told each of the
// 10000 slots as it is passed (1..10000) and may return false to stop the fill early; the
// rows built so far come back.
std::vector<BrowseRow> fillBrowseList(const Station& station, BrowseOrder order, bool mineOnly,
                                      const std::vector<std::string>& findWords = {},
                                      const std::function<bool(int slot)>& progress = {});

// Whether slot n still holds the notice that row lists: in use, same owner, same start date.
// A row whose notice was freed, or freed and reused, on another station does not match.
bool rowStillMatches(const Database& db, const BrowseRow& row);

} // namespace pinora
