// What the benchmarks share: a scratch database folder, quiet services, and the paired run
// that sets each operation beside its floor.
#pragma once

#include "db/services.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace pinora::bench {

class BenchFolder {
  public:
    BenchFolder() {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "pinora-bench-XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
        std::filesystem::create_directory(path_ + "/MSG");
    }
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string str() const { return path_ + "/"; }

  private:
    std::string path_;
};

inline Services quietServices() {
    Services s = Services::real();
    s.reporter = nullptr;
    return s;
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
