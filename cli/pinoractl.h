// The headless administration tool: reports on a database folder, clears locks, and writes or
// publishes a day's notice page.
#pragma once

#include "db/database.h"
#include "db/integritycheck.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace pinora::cli {

// Exit codes.
constexpr int kOk = 0;
constexpr int kFailed = 1; // the command ran and failed
constexpr int kUsage = 2;  // the command line was wrong

// What an operation on the shared files had to tell, one "pinoractl: " line each on err, as
// the tool's own errors are; kOk for an ok result, else kFailed.
int present(const Result& result, std::ostream& err);

// args excludes the program name. Output goes to out, errors to err.
int runPinoractl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// YYYY-MM-DD, today, tomorrow or next-weekday, relative to now. False when text is none.
bool parseDay(const std::string& text, TDateTime now, TDateTime& day);

// "2026-12-07 10:00:00"; empty for a value that is no date.
std::string dateTimeText(TDateTime t);

// Generates the page of set and day into TEMP and uploads it with the FTP settings of
// CONFIG.DB; the temporary page is removed afterwards.
int publishPage(Database& db, int setNumber, TDateTime day, bool requireTls, std::ostream& out,
                std::ostream& err);

// The data integrity check with the operating-system user as holder of the locks; log lines
// go to out, then one line of counts. Refused (exit 1) while another holds a lock.
int checkDatabase(Database& db, const CheckOptions& options, std::ostream& out,
                  std::ostream& err);
// The set named on the command line, found as the program finds it; -1 after a message.
int resolveSet(const Database& db, const std::string& name, std::ostream& err);

// upgrade.cpp: false, after naming each file and its format, when a file needs converting.
bool filesAreCurrent(const Database& db, std::ostream& err);
// For the commands that only read (info, page, publish, mail): from here on the database
// converts nothing; false, after naming each file of an older format, when one needs converting.
bool readOnly(Database& db, std::ostream& err);
int upgradeDatabase(Database& db, std::ostream& out, std::ostream& err);
// Imports a release-1.4 folder; a lock held elsewhere is reported instead of waited for.
int importNotices(Database& db, const std::string& from, int staffSet, int studentSet,
                  std::ostream& out, std::ostream& err);

// check-share: whether the folder's file system gives what sharing it relies on.
struct ShareCheckOptions {
    bool json = false;
    // The same folder through a second mount, for the checks between two clients.
    std::string peer;
    // The type of the file system that holds a folder ("fuse.smbnetfs"); empty when unknown.
    std::function<std::string(const std::string& folder)> mountType;
    int raceRounds = 40; // tries of two clients making one new name at once
};
// One line per check (or one JSON document); exit 1 when one fails. Its own files are removed.
int checkShare(Database& db, const ShareCheckOptions& o, std::ostream& out, std::ostream& err);
// The type of the mount that holds folder, from the text of /proc/self/mountinfo.
std::string mountTypeOf(const std::string& folder, const std::string& mountInfo);
// Seconds since 1970 of a local time.
long long localToEpoch(TDateTime local);

} // namespace pinora::cli
