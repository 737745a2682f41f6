// What the benchmarks share: a scratch database folder, quiet services, and the paired run
// that sets each operation beside its floor.
#pragma once

#include "db/database.h"
#include "db/services.h"
#include "db/station.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace pinora::bench {

// A fresh folder below base (by default the system's temporary folder), removed afterwards.
class BenchFolder {
  public:
    explicit BenchFolder(const std::string& base = std::filesystem::temp_directory_path()) {
        std::string tmpl = (std::filesystem::path(base) / "pinora-bench-XXXXXX").string();
        const char* made = ::mkdtemp(tmpl.data());
        if (!made) return;
        path_ = made;
        std::filesystem::create_directory(path_ + "/MSG");
    }
    ~BenchFolder() {
        if (path_.empty()) return;
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string str() const { return path_ + "/"; }
    bool made() const { return !path_.empty(); }

  private:
    std::string path_;
};

// Nothing is shown: a result that matters is checked where it is made.
inline Services quietServices() {
    return Services::real();
}

// A step of the setup that must work: a benchmark on a folder whose save failed would
// measure nothing. Ends the run with the result's words.
inline void must(const Result& r) {
    if (r) return;
    std::fprintf(stderr, "benchmark setup failed: %s %s (%s)\n", kindName(r.kind()),
                 r.file().c_str(), r.detail().c_str());
    std::abort();
}

// A database with one user and `inUse` notices taken (slots 1..inUse).
inline void writeDatabase(const std::string& folder, int inUse) {
    Database db(folder, quietServices());
    db.setConfigDefaults();
    must(db.saveConfig());
    db.initUsers();
    db.setUserCredentials(1, "BENCH", "pw");
    db.user(1).securityLevel = 100;
    must(db.saveUsers());
    db.initNotices();
    for (int n = 1; n <= inUse; ++n) {
        db.notice(n).owner = db.scramble("BENCH");
        db.notice(n).startDate = 46000;
        db.notice(n).endDate = 46001;
    }
    must(db.saveNotices());
}

// open, read, close: the plain system calls a load stands beside. Returns the bytes read.
inline std::size_t readRaw(const std::string& path, char* buf, std::size_t size) {
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

inline std::vector<char> readRaw(const std::string& path, std::size_t size) {
    std::vector<char> buf(size);
    if (readRaw(path, buf.data(), size) != size) std::abort();
    return buf;
}

// open, write, flush (if asked), close: the plain system calls a save stands beside.
inline bool writeRaw(const std::string& path, const std::vector<char>& bytes, bool flush = false) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                    (!flush || ::fsync(fd) == 0);
    ::close(fd);
    return ok;
}

inline bool writeRawFsync(const std::string& path, const std::vector<char>& bytes) {
    return writeRaw(path, bytes, true);
}

// Logged on as the one user, creating notices in set 1.
struct BenchStation : Station {
    explicit BenchStation(const std::string& folder) : Station(folder, quietServices()) {
        currentUserName = "BENCH";
        currentUserSlot = 1;
    }
    Result allocate(int& n) { return allocateNotice(46000, 46001, {true}, n); }
};

// Frees slot n again by patching its owner in the file and flushing it.
inline bool freeInPlace(Station& st, int n) {
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


// The disk's speed wanders while other programs use it, so each of these runs its operation and
// its floor by turns and reports the median of the per-round ratios beside the two medians.
inline void pairedRun(benchmark::State& state, const std::function<bool()>& floor,
               const std::function<bool()>& subject, const std::function<bool()>& between = {}) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> floors, subjects, ratios;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const bool floorOk = floor();
        const auto t1 = Clock::now();
        const bool subjectOk = subject();
        const auto t2 = Clock::now();
        if (!floorOk || !subjectOk || (between && !between())) {
            state.SkipWithError("operation failed");
            break;
        }
        const double f = std::chrono::duration<double, std::micro>(t1 - t0).count();
        const double s = std::chrono::duration<double, std::micro>(t2 - t1).count();
        floors.push_back(f);
        subjects.push_back(s);
        ratios.push_back(s / f);
    }
    auto median = [](std::vector<double> v) {
        if (v.empty()) return 0.0;
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    state.counters["floor_us"] = median(floors);
    state.counters["op_us"] = median(subjects);
    state.counters["ratio"] = median(ratios);
}

} // namespace pinora::bench
