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
        if (db.loadNotices() != Result::Ok) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(db.notices.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(Database::kNoticeFileSize));
}
BENCHMARK(BM_LoadNotices);

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
    must(db.loadNotices());
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
        if (db.loadNotices() != Result::Ok || !db.saveNotices())
            state.SkipWithError("load or save failed");
    }
}
BENCHMARK(BM_LoadPlusSave)->UseRealTime();

// Take lock N, load, find the one free slot (10000), fill it, save, release, write the message
// file. The slot is freed again outside the timing by patching its owner in place and
// flushing it, so the timed flush has no other station's work to pay for.
void BM_AllocationCycle(benchmark::State& state) {
    BenchFolder dir;
    writeDatabase(dir.str(), kNoticeCount - 1);
    BenchStation st(dir.str());
    for (auto _ : state) {
        int n = -1;
        if (st.allocate(n) != Result::Ok || n != kNoticeCount) {
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
    must(db.loadNotices());
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
        [&] { return db.loadNotices() == Result::Ok; });
}
BENCHMARK(BM_PairedLoadVsRawRead);

void BM_PairedSaveVsRawWriteFsync(benchmark::State& state) {
    BenchFolder dir;
    writeDatabase(dir.str(), 5000);
    Database db(dir.str(), quietServices());
    must(db.loadNotices());
    const std::vector<char> bytes = readRaw(dir.str() + "/NOTICE.DB", Database::kNoticeFileSize);
    const std::string raw = dir.str() + "/RAW.DB";
    pairedRun(
        state, [&] { return writeRawFsync(raw, bytes); }, [&] { return db.saveNotices().isOk(); });
}
BENCHMARK(BM_PairedSaveVsRawWriteFsync)->UseRealTime();

void BM_PairedAllocationVsLoadPlusSave(benchmark::State& state) {
    BenchFolder dir;
    writeDatabase(dir.str(), kNoticeCount - 1);
    BenchStation st(dir.str());
    Database other(dir.str(), quietServices());
    int n = -1;
    pairedRun(
        state, [&] { return other.loadNotices() == Result::Ok && other.saveNotices(); },
        [&] { return st.allocate(n) == Result::Ok && n == kNoticeCount; },
        [&] { return freeInPlace(st, n); });
}
BENCHMARK(BM_PairedAllocationVsLoadPlusSave)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
