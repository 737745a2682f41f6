// The shared database's whole-file operations with the folder on a network mount, each beside
// the plain calls that move the same bytes over the same mount. The folder is
// PINORA_BENCH_FOLDER (an sshfs mount of 127.0.0.1, say); without it they are skipped.
#include "benchsupport.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <unistd.h>
#include <memory>
#include <string>
#include <vector>

using namespace pinora;
using namespace pinora::bench;

namespace {

// A fresh folder on the mount, or nothing after telling the run why.
std::unique_ptr<BenchFolder> shareFolder(benchmark::State& state) {
    const char* base = std::getenv("PINORA_BENCH_FOLDER");
    if (!base || !*base) {
        state.SkipWithError("set PINORA_BENCH_FOLDER to a folder on a network mount");
        return nullptr;
    }
    auto dir = std::make_unique<BenchFolder>(base);
    if (!dir->made()) {
        state.SkipWithError("cannot make a folder in PINORA_BENCH_FOLDER");
        return nullptr;
    }
    return dir;
}

void BM_ShareLoadVsRawRead(benchmark::State& state) {
    const auto dir = shareFolder(state);
    if (!dir) return;
    writeDatabase(dir->str(), 5000);
    Database db(dir->str(), quietServices());
    const std::string p = dir->str() + "/NOTICE.DB";
    std::vector<char> buf(Database::kNoticeFileSize);
    pairedRun(
        state, [&] { return readRaw(p, buf.data(), buf.size()) == buf.size(); },
        [&] { return db.loadNotices() == Result::Ok; });
}
BENCHMARK(BM_ShareLoadVsRawRead)->UseRealTime();

void BM_ShareSaveVsRawWriteFlush(benchmark::State& state) {
    const auto dir = shareFolder(state);
    if (!dir) return;
    writeDatabase(dir->str(), 5000);
    Database db(dir->str(), quietServices());
    must(db.loadNotices());
    const std::vector<char> bytes = readRaw(dir->str() + "/NOTICE.DB", Database::kNoticeFileSize);
    const std::string raw = dir->str() + "/RAW.DB";
    pairedRun(
        state, [&] { return writeRawFsync(raw, bytes); }, [&] { return db.saveNotices().isOk(); });
}
BENCHMARK(BM_ShareSaveVsRawWriteFlush)->UseRealTime();

// The allocation cycle (USER.DB read, lock N taken and read back, load, find the free slot,
// save, release, message file) beside the plain calls that move the same bytes: a read of
// USER.DB, a write and a read of the lock's lines, a read of NOTICE.DB, a write and flush of
// its bytes, a removal, and an empty file written and flushed.
void BM_ShareAllocationVsRawReadWriteFlush(benchmark::State& state) {
    const auto dir = shareFolder(state);
    if (!dir) return;
    writeDatabase(dir->str(), kNoticeCount - 1);
    BenchStation st(dir->str());
    const std::string p = dir->str() + "/NOTICE.DB";
    const std::string users = dir->str() + "/USER.DB";
    const std::string raw = dir->str() + "/RAW.DB";
    const std::string rawLock = dir->str() + "/RAW.LCK";
    const std::string rawText = dir->str() + "/RAW.MSG";
    std::vector<char> buf(Database::kNoticeFileSize);
    std::vector<char> userBuf(Database::kUserFileSize + 1);
    const std::string lockText = "TRUE\r\nBENCH\r\nCreating Notice\r\n";
    const std::vector<char> lockBytes(lockText.begin(), lockText.end());
    std::vector<char> lockBuf(lockBytes.size() + 1);
    int n = -1;
    pairedRun(
        state,
        [&] {
            return readRaw(users, userBuf.data(), userBuf.size()) == Database::kUserFileSize &&
                   writeRaw(rawLock, lockBytes) &&
                   readRaw(rawLock, lockBuf.data(), lockBuf.size()) == lockBytes.size() &&
                   readRaw(p, buf.data(), buf.size()) == buf.size() && writeRawFsync(raw, buf) &&
                   ::unlink(rawLock.c_str()) == 0 && writeRawFsync(rawText, {});
        },
        [&] { return st.allocate(n) == Result::Ok && n == kNoticeCount; },
        [&] { return freeInPlace(st, n); });
}
BENCHMARK(BM_ShareAllocationVsRawReadWriteFlush)->UseRealTime();

} // namespace
