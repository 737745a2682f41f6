// The page of a day on which every one of the 10000 notices runs, beside the floor of reading
// the same 10000 message files.
#include "benchsupport.h"
#include "db/database.h"
#include "db/datetime.h"
#include "output/page.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace pinora;

namespace {

const std::string kText = "The library is open until five o'clock on <B>Thursday</B>.\r\n"
                          "Please return overdue books to the front desk.\r\n"
                          "Year 9 reading group meets in room 14.\r\n";

class PageFolder {
  public:
    PageFolder() {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "pinora-bench-XXXXXX").string();
        folder_ = ::mkdtemp(tmpl.data());
        std::filesystem::create_directory(folder_ + "/MSG");
        std::filesystem::create_directory(folder_ + "/TEMP");
        Database db(folder_ + "/", Services::real());
        db.setConfigDefaults();
        db.config.schoolName = "Hillside School";
        db.config.noticeSets[0].name = "Students";
        bench::must(db.saveConfig());
        const TDateTime day = encodeDate(2026, 12, 7);
        for (int n = 1; n <= kNoticeCount; ++n) {
            NoticeRecord& r = db.notice(n);
            r.owner = db.scramble("ANN");
            r.startDate = day - 1;
            r.endDate = day + 1;
            r.signature = "Ann Smith";
            r.inSet[0] = true;
            bench::must(db.writeMessageFile(n, kText));
        }
        bench::must(db.saveNotices());
    }
    ~PageFolder() { std::filesystem::remove_all(folder_); }
    std::string folder() const { return folder_ + "/"; }

  private:
    std::string folder_;
};

PageFolder& pageFolder() {
    static PageFolder f;
    return f;
}

void BM_WriteNoticePage(benchmark::State& state) {
    Database db(pageFolder().folder(), Services::real());
    const TDateTime day = encodeDate(2026, 12, 7);
    for (auto _ : state) {
        std::string error;
        if (!writeNoticePage(db, 1, "TEMP/~1.HTM", day, &error)) state.SkipWithError(error.c_str());
    }
}
BENCHMARK(BM_WriteNoticePage)->Unit(benchmark::kMillisecond);

// The floor: open, read whole and close each of the same message files.
void BM_ReadMessageFiles(benchmark::State& state) {
    const std::string prefix = pageFolder().folder() + "/MSG/";
    char buf[4096];
    for (auto _ : state) {
        std::size_t total = 0;
        for (int n = 1; n <= kNoticeCount; ++n) {
            const std::string p = prefix + std::to_string(n) + ".MSG";
            const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) continue;
            ssize_t got;
            while ((got = ::read(fd, buf, sizeof buf)) > 0)
                total += static_cast<std::size_t>(got);
            ::close(fd);
        }
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_ReadMessageFiles)->Unit(benchmark::kMillisecond);

} // namespace

// The benchmark program has one main for all its files (in db_bench.cpp).
