// The data integrity check over a full database, without its pauses, beside the floor of the
// file work it cannot avoid: loading both tables, testing every message file, saving both.
#include "benchsupport.h"

#include "db/database.h"
#include "db/fileio.h"
#include "db/integritycheck.h"
#include "db/station.h"

using namespace pinora;
using namespace pinora::bench;

namespace {

class NoPause : public Sleeper {
  public:
    void sleepMs(int) override {}
};

struct Silent : CheckObserver {
    void logLine(const std::string&) override {}
};

// 200 users, 10000 notices in use, each with its message file: nothing for the check to mend.
void writeFullDatabase(const std::string& folder) {
    std::filesystem::create_directory(folder + "TEMP");
    Database db(folder, quietServices());
    db.setConfigDefaults();
    must(db.saveConfig());
    db.initUsers();
    for (int n = 1; n <= kUserCount; ++n) {
        db.setUserCredentials(n, "USER" + std::to_string(n), "pw");
        db.user(n).fullName = "User " + std::to_string(n);
    }
    must(db.saveUsers());
    db.initNotices();
    for (int n = 1; n <= kNoticeCount; ++n) {
        db.notice(n).owner = db.scramble("USER" + std::to_string(1 + n % kUserCount));
        db.notice(n).startDate = 46000;
        db.notice(n).endDate = 80000; // long after any clock the bench meets: nothing is old
        must(db.writeMessageFile(n, "Notice text"));
    }
    must(db.saveNotices());
}

void BM_PairedCheckVsLoadTestSave(benchmark::State& state) {
    BenchFolder dir;
    writeFullDatabase(dir.str());
    Services s = quietServices();
    s.sleeper = std::make_shared<NoPause>();
    Station st(dir.str(), s);
    st.currentUserName = "USER1";
    Database other(dir.str(), quietServices());
    Silent log;
    const auto noTime = [](TDateTime) { return std::string(); };
    pairedRun(
        state,
        [&] {
            bool ok = other.loadUsers() == Result::Ok &&
                      other.loadNotices() == Result::Ok;
            int found = 0;
            for (int n = 1; n <= kNoticeCount; ++n)
                found += other.messageFileExists(n);
            return ok && found == kNoticeCount && other.saveUsers() && other.saveNotices();
        },
        [&] {
            const CheckResult r = runIntegrityCheck(st, {}, log, noTime);
            return r.outcome == CheckOutcome::Completed && r.counts.noticesFreed == 0 &&
                   r.counts.oldNoticesRemoved == 0;
        });
}
BENCHMARK(BM_PairedCheckVsLoadTestSave)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
