// The data integrity check: with both locks held it repairs the user and notice tables and
// removes leftovers, telling an observer each log line, each finished step and its progress.
// The check window and pinoractl are two faces of this one engine.
#pragma once

#include "station.h"

#include <functional>
#include <string>
#include <vector>

namespace pinora {

// The steps in the order they are ticked off.
enum CheckStep {
    SingleUserStep,
    RefreshStep,
    UserStep,
    WidowedNoticeStep,
    WidowedEntryStep,
    OldNoticeStep,
    TemporaryFileStep,
    UpdateStep,
    MultiUserStep,
    kCheckStepCount
};

class CheckObserver {
  public:
    virtual ~CheckObserver() = default;
    virtual void logLine(const std::string& line) = 0; // Windows-1252
    virtual void stepDone(CheckStep) {}
    virtual void progressRange(int /*first*/, int /*last*/) {}
    virtual void progress(int /*position*/) {}
    // Called in the pauses between records, where a window handles its pending messages.
    virtual void idle() {}
};

struct CheckOptions {
    bool widowedToAdmin = false; // else widowed notices are freed
    bool removeOld = true;
    // false: only reads and reports what a repair would do; no lock is taken and nothing,
    // not even a lock file, is written or removed.
    bool repair = true;
};

struct CheckCounts {
    int usersFreed = 0;
    int postCountsReset = 0;
    int noticesFreed = 0; // widowed notices and notices without a message file
    int noticesToAdmin = 0;
    int oldNoticesRemoved = 0;
    int temporaryFilesRemoved = 0;
};

enum class CheckOutcome { Completed, LockRefused, LoadFailed, SaveFailed };

struct CheckResult {
    CheckOutcome outcome = CheckOutcome::Completed;
    CheckCounts counts;
    char refusedLock = 0; // 'U' or 'N' when refused
    LockInfo holder;      // who held it
    // The first lock, load or save that failed, carrying in order what every one of them
    // had to tell the user (a lock left behind also after a completed check).
    Result result;
};

extern const char* const kCheckRefusedMessage;
constexpr const char* kCheckTask = "Data Integrity Check";

// Runs the whole check for station.currentUserName. dateTimeText formats the times of the
// first and last log lines. Pauses go through the station's sleeper.
CheckResult runIntegrityCheck(Station& station, const CheckOptions& options,
                              CheckObserver& observer,
                              const std::function<std::string(TDateTime)>& dateTimeText);

// Removes from folder TEMP its plain files and links (never a subfolder, never what a link
// points to), and from the database folder and MSG the temporary files of atomic saves that
// are older than an hour (a station killed mid-save leaves them). Returns how many went, or
// with remove = false how many would go. A TEMP or MSG that is a link is left alone and
// named in refused.
int removeTemporaryFiles(const Database& db, bool remove,
                         std::vector<std::string>* refused = nullptr);

} // namespace pinora
