// Copying the notices of a release-1.4 folder into the notice table: every notice goes to the
// user ADMIN, staff notices into one set and student notices into another, and each text
// becomes a message file of today's kind.
#pragma once

#include "database.h"

#include <functional>
#include <string>

namespace pinora {

struct Release14Import {
    std::string folder;  // the 1.4 folder, with or without its final separator
    int staffSet = -1;   // set numbers as findNoticeSet gives them; -1 when none was chosen
    int studentSet = -1;
    std::string user;    // the lock's holder (currentUserName, Windows-1252)
    // A window waits for lock N as every change does; a tool that must not wait refuses.
    bool waitForLock = true;
    std::function<void(const std::string& line)> log;      // each log line, UTF-8
    std::function<std::string(TDateTime)> shortDate;       // the system's short date; by
                                                           // default YYYY-MM-DD
};

enum class ImportStatus {
    Done,     // message is "Import Complete"
    Refused,  // a check failed; message says which; nothing was written
    LockHeld, // only without waiting: lock holds the holder and task
    Failed    // a file could not be read or saved; result says which, or message does
};

struct ImportOutcome {
    ImportStatus status = ImportStatus::Failed;
    // What the loads, the lock and the save came to, carrying the database's messages; they
    // are told before message.
    Result result;
    std::string message; // UTF-8; empty when result says it all
    LockInfo lock;
    int imported = 0;
};

constexpr const char* kImportTask = "1.4 Notice Import";

ImportOutcome importRelease14(Database& db, const Release14Import& request);

} // namespace pinora
