// The browse list's fill for a full notice table, beside reading the first line of the same
// message files.
#include "db/browselist.h"
#include "db/textsearch.h"
#include "benchsupport.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <array>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace pinora;
using namespace pinora::bench;

namespace {

constexpr int kUsers = 40;

// Every slot in use, by forty authors, over a few months of dates, each with a two-line text.
void writeFullDatabase(const std::string& folder) {
    Database db(folder, quietServices());
    db.setConfigDefaults();
    must(db.saveConfig());
    db.initUsers();
    db.setUserCredentials(1, "VIEWER", "pw");
    db.user(1).securityLevel = 200;
    for (int u = 2; u <= kUsers; ++u) {
        db.setUserCredentials(u, "STAFF" + std::to_string(u), "pw");
        db.user(u).securityLevel = static_cast<std::uint8_t>(u * 5);
    }
    must(db.saveUsers());
    db.initNotices();
    for (int n = 1; n <= kNoticeCount; ++n) {
        NoticeRecord& r = db.notice(n);
        r.owner = db.scramble("STAFF" + std::to_string(2 + n % (kUsers - 1)));
        r.startDate = 46000 + (n * 7919) % 120;
        r.endDate = r.startDate + n % 9;
        must(db.writeMessageFile(n, "Notice number " + std::to_string(n) +
                                        " about the school trip\nSecond line of the text"));
    }
    must(db.saveNotices());
}

// The full database, with VIEWER (level 200, no super user) as the station's user.
bool logOnViewer(Station& st) {
    writeFullDatabase(st.db.folder());
    if (st.db.loadUsers() != Result::Ok) return false;
    st.currentUserName = "VIEWER";
    st.currentUserSlot = 1;
    return true;
}

// open, read the start, cut at the first line end, close: what each listed notice costs at
// least.
bool readFirstLines(const Database& db, char* buf) {
    std::size_t total = 0;
    for (int n = 1; n <= kNoticeCount; ++n) {
        const int fd = ::open(db.messageFilePath(n).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const ssize_t got = ::read(fd, buf, kSummaryBytes);
        ::close(fd);
        if (got <= 0) return false;
        const void* end = std::memchr(buf, '\n', static_cast<std::size_t>(got));
        const std::size_t len =
            end ? static_cast<std::size_t>(static_cast<const char*>(end) - buf)
                : static_cast<std::size_t>(got);
        const std::string line(buf, len);
        total += line.size();
    }
    benchmark::DoNotOptimize(total);
    return total > 0;
}

void BM_PairedBrowseFillVsFirstLines(benchmark::State& state) {
    BenchFolder dir;
    Station st(dir.str(), quietServices());
    if (!logOnViewer(st)) return state.SkipWithError("no users");
    const auto order = static_cast<BrowseOrder>(state.range(0));
    std::vector<char> buf(kSummaryBytes);
    pairedRun(
        state, [&] { return readFirstLines(st.db, buf.data()); },
        [&] {
            if (st.db.loadNotices() != Result::Ok) return false;
            const auto rows = fillBrowseList(st, order, false);
            benchmark::DoNotOptimize(rows.data());
            return !rows.empty();
        });
    state.SetLabel(std::array{"Index", "Date In", "Date Out", "Owner"}[state.range(0)]);
}
BENCHMARK(BM_PairedBrowseFillVsFirstLines)->DenseRange(0, 3)->UseRealTime()->Unit(
    benchmark::kMillisecond);

// open, read the whole text, close: what finding a word in each notice costs at least.
bool readWholeTexts(const Database& db, std::vector<char>& buf) {
    std::size_t total = 0;
    for (int n = 1; n <= kNoticeCount; ++n) {
        const int fd = ::open(db.messageFilePath(n).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        ssize_t got;
        while ((got = ::read(fd, buf.data(), buf.size())) > 0)
            total += static_cast<std::size_t>(got);
        ::close(fd);
    }
    benchmark::DoNotOptimize(total);
    return total > 0;
}

// Words that every text holds, so that every file is read and every row built.
void BM_PairedBrowseFindVsWholeTexts(benchmark::State& state) {
    BenchFolder dir;
    Station st(dir.str(), quietServices());
    if (!logOnViewer(st)) return state.SkipWithError("no users");
    const std::vector<std::string> words = searchWords("SCHOOL second");
    std::vector<char> buf(64 * 1024);
    if (st.db.loadNotices() != Result::Ok) return state.SkipWithError("no notices");
    const std::size_t listed = fillBrowseList(st, BrowseOrder::Index, false).size();
    pairedRun(
        state, [&] { return readWholeTexts(st.db, buf); },
        [&] {
            if (st.db.loadNotices() != Result::Ok) return false;
            const auto rows = fillBrowseList(st, BrowseOrder::Index, false, words);
            benchmark::DoNotOptimize(rows.data());
            return rows.size() == listed;
        });
}
BENCHMARK(BM_PairedBrowseFindVsWholeTexts)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
