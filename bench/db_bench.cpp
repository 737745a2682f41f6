// Whole-file operations of the shared database, each beside the plain system calls that move
// the same bytes (the floor it is measured against).
#include "db/database.h"
#include "db/station.h"
#include "benchsupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace pinora;
using namespace pinora::bench;

namespace {

// A database with one user and `inUse` notices taken (slots 1..inUse).
void writeDatabase(const std::string& folder, int inUse) {
    Database db(folder, quietServices());
    db.setConfigDefaults();
    db.saveConfig();
    db.initUsers();
    db.setUserCredentials(1, "BENCH", "pw");
    db.user(1).securityLevel = 100;
    db.saveUsers();
    db.initNotices();
    for (int n = 1; n <= inUse; ++n) {
        db.notice(n).owner = db.scramble("BENCH");
        db.notice(n).startDate = 46000;
        db.notice(n).endDate = 46001;
    }
    db.saveNotices();
}

// open, read, close: the plain system calls a load stands beside. Returns the bytes read.
std::size_t readRaw(const std::string& path, char* buf, std::size_t size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buf + got, size - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return got;
}

std::vector<char> readRaw(const std::string& path, std::size_t size) {
    std::vector<char> buf(size);
    if (readRaw(path, buf.data(), size) != size) std::abort();
    return buf;
}

void BM_RawRead(benchmark::State& state) {
    BenchFolder dir;
    writeDatabase(dir.str(), 5000);
    const std::string p = dir.str() + "/NOTICE.DB";
    std::vector<char> buf(Database::kNoticeFileSize);
    for (auto _ : state) {
        if (readRaw(p, buf.data(), buf.size()) != buf.size()) state.SkipWithError("short read");
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(buf.size()));
}
BENCHMARK(BM_RawRead);

// The raw read followed by one copy of the block: what a load costs that reads the file aside
// first, so that memory stays as it was when the read fails half-way.
void BM_RawReadPlusCopy(benchmark::State& state) {
    BenchFolder dir;
    writeDatabase(dir.str(), 5000);
    const std::string p = dir.str() + "/NOTICE.DB";
    std::vector<char> buf(Database::kNoticeFileSize);
    std::vector<char> table(Database::kNoticeFileSize - 16);
    for (auto _ : state) {
        if (readRaw(p, buf.data(), buf.size()) != buf.size()) state.SkipWithError("short read");
        std::memcpy(table.data(), buf.data() + 16, table.size());
        benchmark::DoNotOptimize(table.data());
    }
}
BENCHMARK(BM_RawReadPlusCopy);

void BM_LoadNotices(benchmark::State& state) {
    BenchFolder dir;
    writeDatabase(dir.str(), 5000);
    Database db(dir.str(), quietServices());
    for (auto _ : state) {
        if (db.loadNotices() != LoadResult::Ok) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(db.notices.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(Database::kNoticeFileSize));
}
BENCHMARK(BM_LoadNotices);

// open, write, flush, close: the plain system calls a save stands beside.
bool writeRawFsync(const std::string& path, const std::vector<char>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                    ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void BM_RawWriteFsync(benchmark::State& state) {
    BenchFolder dir;
    writeDatabase(dir.str(), 5000);
    const std::vector<char> bytes = readRaw(dir.str() + "/NOTICE.DB", Database::kNoticeFileSize);
    const std::string p = dir.str() + "/RAW.DB";
    for (auto _ : state)
        if (!writeRawFsync(p, bytes)) state.SkipWithError("write failed");
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(bytes.size()));
}
BENCHMARK(BM_RawWriteFsync)->UseRealTime();

void BM_SaveNotices(benchmark::State& state) {
    BenchFolder dir;
    writeDatabase(dir.str(), 5000);
    Database db(dir.str(), quietServices());
    db.loadNotices();
    for (auto _ : state)
        if (!db.saveNotices()) state.SkipWithError("save failed");
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(Database::kNoticeFileSize));
}
BENCHMARK(BM_SaveNotices)->UseRealTime();

void BM_LoadPlusSave(benchmark::State& state) {
    BenchFolder dir;
    writeDatabase(dir.str(), kNoticeCount - 1);
    Database db(dir.str(), quietServices());
    for (auto _ : state) {
        if (db.loadNotices() != LoadResult::Ok || !db.saveNotices())
            state.SkipWithError("load or save failed");
    }
}
BENCHMARK(BM_LoadPlusSave)->UseRealTime();

// Logged on as the one user, creating notices in set 1.
struct BenchStation : Station {
    explicit BenchStation(const std::string& folder) : Station(folder, quietServices()) {
        currentUserName = "BENCH";
        currentUserSlot = 1;
    }
    AllocStatus allocate(int& n) { return allocateNotice(46000, 46001, {true}, n); }
};

// Frees slot n again by patching its owner in the file and flushing it.
bool freeInPlace(Station& st, int n) {
    st.db.markNoticeFree(n);
    const std::string noticeFile = st.db.path("NOTICE.DB");
    const int fd = ::open(noticeFile.c_str(), O_WRONLY | O_CLOEXEC);
    const auto& owner = st.db.notice(n).owner;
    const bool ok = ::pwrite(fd, &owner, sizeof owner,
                             16 + static_cast<off_t>(sizeof(NoticeRecord)) * (n - 1)) ==
                        static_cast<ssize_t>(sizeof owner) &&
                    ::fdatasync(fd) == 0;
    ::close(fd);
    return ok;
}

// Take lock N, load, find the one free slot (10000), fill it, save, release, write the message
// file. The slot is freed again outside the timing by patching its owner in place and
// flushing it, so the timed flush has no other station's work to pay for.
void BM_AllocationCycle(benchmark::State& state) {
    BenchFolder dir;
    writeDatabase(dir.str(), kNoticeCount - 1);
    BenchStation st(dir.str());
    for (auto _ : state) {
        int n = -1;
        if (st.allocate(n) != AllocStatus::Ok || n != kNoticeCount) {
            state.SkipWithError("allocation failed");
            break;
        }
        state.PauseTiming();
        if (!freeInPlace(st, n)) state.SkipWithError("could not free the slot");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AllocationCycle)->UseRealTime();

// The free-slot scan alone over 9,999 slots in use.
void BM_FindFreeNotice(benchmark::State& state) {
    BenchFolder dir;
    writeDatabase(dir.str(), kNoticeCount - 1);
    Database db(dir.str(), quietServices());
    db.loadNotices();
    for (auto _ : state)
        benchmark::DoNotOptimize(db.findFreeNotice());
}
BENCHMARK(BM_FindFreeNotice);

void BM_PairedLoadVsRawRead(benchmark::State& state) {
    BenchFolder dir;
    writeDatabase(dir.str(), 5000);
    Database db(dir.str(), quietServices());
    const std::string p = dir.str() + "/NOTICE.DB";
    std::vector<char> buf(Database::kNoticeFileSize);
    pairedRun(
        state, [&] { return readRaw(p, buf.data(), buf.size()) == buf.size(); },
        [&] { return db.loadNotices() == LoadResult::Ok; });
}
BENCHMARK(BM_PairedLoadVsRawRead);

void BM_PairedSaveVsRawWriteFsync(benchmark::State& state) {
    BenchFolder dir;
    writeDatabase(dir.str(), 5000);
    Database db(dir.str(), quietServices());
    db.loadNotices();
    const std::vector<char> bytes = readRaw(dir.str() + "/NOTICE.DB", Database::kNoticeFileSize);
    const std::string raw = dir.str() + "/RAW.DB";
    pairedRun(
        state, [&] { return writeRawFsync(raw, bytes); }, [&] { return db.saveNotices(); });
}
BENCHMARK(BM_PairedSaveVsRawWriteFsync)->UseRealTime();

void BM_PairedAllocationVsLoadPlusSave(benchmark::State& state) {
    BenchFolder dir;
    writeDatabase(dir.str(), kNoticeCount - 1);
    BenchStation st(dir.str());
    Database other(dir.str(), quietServices());
    int n = -1;
    pairedRun(
        state, [&] { return other.loadNotices() == LoadResult::Ok && other.saveNotices(); },
        [&] { return st.allocate(n) == AllocStatus::Ok && n == kNoticeCount; },
        [&] { return freeInPlace(st, n); });
}
BENCHMARK(BM_PairedAllocationVsLoadPlusSave)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
