#include "pinoractl.h"

#include "json.h"

#include "db/integritycheck.h"
#include "db/text.h"

#include <ostream>

namespace pinora::cli {

namespace {

// A script waits for nobody: the window's pauses only keep it painted.
class NoPause : public Sleeper {
  public:
    void sleepMs(int) override {}
};

class StreamLog : public CheckObserver {
  public:
    explicit StreamLog(std::ostream& out) : out_(out) {}
    void logLine(const std::string& line) override {
        out_ << printable(cp1252ToUtf8(line)) << "\n";
    }

  private:
    std::ostream& out_;
};

} // namespace

int checkDatabase(Database& db, const CheckOptions& options, std::ostream& out,
                  std::ostream& err) {
    Services services = db.services();
    services.sleeper = std::make_shared<NoPause>();
    Station station(db.folder(), services);
    station.currentUserName = utf8ToCp1252(services.osUserName ? services.osUserName() : "");
    if (present(station.db.loadUsers(), err) == kOk)
        station.currentUserSlot = station.db.findUser(station.currentUserName);

    StreamLog log(out);
    const CheckResult r = runIntegrityCheck(station, options, log, dateTimeText);
    present(r.result, err);
    switch (r.outcome) {
    case CheckOutcome::LockRefused:
        err << "pinoractl: " << kCheckRefusedMessage << " ("
            << (r.refusedLock == 'U' ? "USER.DB" : "NOTICE.DB") << " is held by "
            << printable(cp1252ToUtf8(lockHolderText(r.holder))) << ")\n";
        return kFailed;
    case CheckOutcome::LoadFailed:
    case CheckOutcome::SaveFailed:
        return kFailed;
    case CheckOutcome::Completed:
        break;
    }
    const CheckCounts& c = r.counts;
    out << (options.repair ? "" : "Nothing was changed; a repair would leave: ")
        << "users freed " << c.usersFreed << ", post counts reset " << c.postCountsReset
        << ", notices freed " << c.noticesFreed << ", notices given to ADMIN "
        << c.noticesToAdmin << ", old notices removed " << c.oldNoticesRemoved
        << ", temporary files removed " << c.temporaryFilesRemoved << "\n";
    return kOk;
}

} // namespace pinora::cli
