#include "pinoractl.h"

#include "commandtable.h"
#include "commands.h"

#include "json.h"

#include "db/datetime.h"
#include "db/fileio.h"
#include "db/folderchoice.h"
#include "db/text.h"
#include "output/page.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <unistd.h>

namespace pinora::cli {

namespace {


} // namespace

int present(const Result& result, std::ostream& err) {
    for (const std::string& text : result.messages())
        err << "pinoractl: " << printable(text) << "\n";
    return result ? kOk : kFailed;
}

// Texts from records and files are Windows-1252; the tool speaks UTF-8.
std::string utf8(std::string_view cp1252) {
    return cp1252ToUtf8(cp1252);
}
std::string shown(std::string_view cp1252) {
    return printable(cp1252ToUtf8(cp1252));
}
std::string shownOrNone(std::string_view cp1252) {
    return cp1252.empty() ? "(none)" : shown(cp1252);
}

std::string timeText(TDateTime t) {
    if (!inDateRange(t)) return {};
    const ClockTime c = decodeTime(t);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", c.hour, c.minute, c.second);
    return buf;
}

namespace {

class UsageError {
  public:
    std::string text;
};

// Parses the options of one command: valued names take the next argument (or "=value").
Options parseOptions(const std::vector<std::string>& args, std::size_t from,
                     const std::vector<const char*>& valued, const std::vector<const char*>& flags) {
    Options o;
    for (std::size_t i = from; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        bool known = false;
        for (const char* v : valued) {
            if (name != v) continue;
            known = true;
            if (!value) {
                if (i + 1 >= args.size()) throw UsageError{name + " needs a value"};
                value = args[++i];
            }
            if (o.values.count(name)) throw UsageError{name + " is given twice"};
            o.values[name] = *value;
        }
        for (const char* f : flags) {
            if (name != f) continue;
            if (value) throw UsageError{name + " takes no value"};
            known = true;
            o.flags[name] = true;
        }
        if (!known) throw UsageError{"unknown option '" + args[i] + "'"};
    }
    return o;
}

std::string required(const Options& o, const char* name) {
    const auto it = o.values.find(name);
    if (it == o.values.end()) throw UsageError{std::string(name) + " is required"};
    return it->second;
}

} // namespace

// One whole-file load, with the reason for a failure named.
bool load(const Result& r, const char* file, const Database& db, std::ostream& err) {
    // A failed load says what it found in the file.
    if (present(r, err) == kOk) return true;
    if (r.kind() == Result::Missing)
        err << "pinoractl: " << printable(db.folder()) << " holds no " << file
            << "; is it a Pinora 2 database folder?\n";
    return false;
}

namespace {

// ---- locks --------------------------------------------------------------------------------

const char* lockedFile(char letter) {
    return letter == 'N' ? "NOTICE.DB" : "USER.DB";
}

int locks(Database& db, const Options& o, std::ostream& out, std::ostream& err) {
    bool okN = true, okU = true;
    const LockInfo n = db.readLock('N', &okN);
    const LockInfo u = okN ? db.readLock('U', &okU) : LockInfo{};
    if (!okN || !okU) {
        err << "pinoractl: " << lockFileMessage(okN ? 'U' : 'N') << "\n";
        return kFailed;
    }
    auto describe = [](char letter, const LockInfo& l) {
        std::string s = std::string(1, letter) + " (" + lockedFile(letter) + "): ";
        if (!l.held) return s + "free";
        return s + "held by " + shown(lockHolderText(l));
    };
    if (!o.flags.count("--clear")) {
        out << describe('N', n) << "\n" << describe('U', u) << "\n";
        return kOk;
    }
    // Both files go, held or not: a file that reads FALSE is stale too.
    int status = kOk;
    for (char letter : {'U', 'N'}) {
        const LockInfo& l = letter == 'U' ? u : n;
        const std::string path = db.lockPath(letter);
        const bool existed = fileExists(db.files(), path);
        // What the database says comes first; whether the file went is read back below, in the
        // tool's own words.
        present(db.clearLock(letter), err);
        // A file the share would not remove is left marked free, which frees it as well.
        if (fileExists(db.files(), path) && db.readLock(letter).held) {
            err << "pinoractl: cannot remove " << printable(path) << "\n";
            status = kFailed;
        } else if (l.held) {
            out << "Cleared " << describe(letter, l) << "\n";
        } else if (existed) {
            out << "Removed the free lock file of " << letter << "\n";
        }
    }
    if (status == kOk && !n.held && !u.held) out << "No locks were held\n";
    return status;
}

// ---- page ---------------------------------------------------------------------------------

} // namespace

int resolveSet(const Database& db, const std::string& name, std::ostream& err) {
    const std::string stored = utf8ToCp1252(name);
    const int set = stored.empty() ? -1 : db.findNoticeSet(stored);
    if (set > 0) return set;
    std::string names;
    for (const NoticeSetConfig& s : db.config.noticeSets)
        if (!s.name.empty()) names += (names.empty() ? "" : ", ") + shown(s.name.str());
    err << "pinoractl: there is no notice set named '" << printable(name) << "'"
        << (names.empty() ? "; no set is named" : "; the sets are: " + names) << "\n";
    return -1;
}

namespace {

struct PageRequest {
    int set = -1;
    TDateTime day = 0;
};

// Loads what a page needs and reads --set and --day; nullopt after a message.
std::optional<PageRequest> pageRequest(Database& db, const Options& o, std::ostream& err) {
    const std::string setName = required(o, "--set");
    const std::string dayText = required(o, "--day");
    PageRequest r;
    if (!parseDay(dayText, db.services().clock->now(), r.day))
        throw UsageError{"'" + printable(dayText) +
                         "' is not a day: give YYYY-MM-DD, today, tomorrow or next-weekday"};
    if (!readOnly(db, err)) return std::nullopt;
    if (!load(db.loadConfig(), "CONFIG.DB", db, err) ||
        !load(db.loadNotices(), "NOTICE.DB", db, err))
        return std::nullopt;
    r.set = resolveSet(db, setName, err);
    if (r.set < 0) return std::nullopt;
    return r;
}

int page(Database& db, const Options& o, std::ostream& out, std::ostream& err) {
    const std::string file = required(o, "--out");
    if (file.empty()) throw UsageError{"--out needs a file name"};
    const auto r = pageRequest(db, o, err);
    if (!r) return kFailed;
    std::string error;
    Result loaded;
    const bool written = writeNoticePageFile(db, r->set, file, r->day, &error, &loaded);
    present(loaded, err);
    if (!written) {
        err << "pinoractl: " << printable(error) << "\n";
        return kFailed;
    }
    out << "Wrote the " << shown(db.config.noticeSets[r->set - 1].name.str()) << " page of "
        << englishDateText(r->day) << " to " << printable(file) << "\n";
    return kOk;
}

int mail(Database& db, const Options& o, std::ostream& out, std::ostream& err) {
    const std::string list = required(o, "--to");
    const auto to = mailAddresses(list);
    if (!to) throw UsageError{"--to takes mail addresses separated by commas, not '" + list + "'"};
    const auto r = pageRequest(db, o, err);
    if (!r) return kFailed;
    return mailPage(db, r->set, r->day, *to, o, out, err);
}

int importCommand(Database& db, const Options& o, std::ostream& out, std::ostream& err) {
    const std::string from = required(o, "--from");
    const std::string staff = required(o, "--staff-set");
    const std::string student = required(o, "--student-set");
    if (!load(db.loadConfig(), "CONFIG.DB", db, err)) return kFailed;
    const int staffSet = resolveSet(db, staff, err);
    const int studentSet = staffSet < 0 ? -1 : resolveSet(db, student, err);
    if (studentSet < 0) return kFailed;
    return importNotices(db, from, staffSet, studentSet, out, err);
}

int publish(Database& db, const Options& o, std::ostream& out, std::ostream& err) {
    const auto r = pageRequest(db, o, err);
    if (!r) return kFailed;
    return publishPage(db, r->set, r->day, o.flags.count("--require-tls") > 0, out, err);
}

// ---- check ------------------------------------------------------------------------------

int check(Database& db, const Options& o, std::ostream& out, std::ostream& err) {
    CheckOptions options;
    if (const auto w = o.values.find("--widowed"); w != o.values.end()) {
        if (w->second != "delete" && w->second != "admin")
            throw UsageError{"--widowed takes delete or admin, not '" + w->second + "'"};
        options.widowedToAdmin = w->second == "admin";
    }
    options.removeOld = !o.flags.count("--keep-old");
    options.repair = o.flags.count("--repair") > 0;
    if (!load(db.loadConfig(), "CONFIG.DB", db, err)) return kFailed;
    return checkDatabase(db, options, out, err);
}

int checkShareCommand(Database& db, const Options& o, std::ostream& out, std::ostream& err) {
    ShareCheckOptions options;
    options.json = o.flags.count("--json") > 0;
    if (const auto p = o.values.find("--peer"); p != o.values.end()) {
        if (!folderExists(db.files(), p->second)) {
            err << "pinoractl: no folder " << printable(p->second) << "\n";
            return kFailed;
        }
        options.peer = p->second;
    }
    options.mountType = [](const std::string& folder) {
        std::ifstream in("/proc/self/mountinfo");
        std::ostringstream text;
        text << in.rdbuf();
        return mountTypeOf(folder, text.str());
    };
    return checkShare(db, options, out, err);
}

} // namespace


const std::vector<Command>& commandTable() {
    static const std::vector<Command> table = {
        {"info", "info [--json]", {}, {"--json"},
         "the configuration, the users in use and the notices in use; --json prints the same as "
         "one JSON document (UTF-8)",
         info},
        {"locks", "locks [--clear]", {}, {"--clear"},
         "who holds the notice lock (N) and the user lock (U), and for what; --clear removes "
         "both, whoever holds them",
         locks},
        {"page", "page --set NAME --day DAY --out FILE", {"--set", "--day", "--out"}, {},
         "writes the notice page of set NAME for DAY to FILE, and copies logo.gif beside it when "
         "the database has one",
         page},
        {"publish", "publish --set NAME --day DAY [--require-tls]", {"--set", "--day"},
         {"--require-tls"},
         "uploads that page and the logo to the web server configured in the program (Web "
         "Server Config), over TLS where the server offers it; --require-tls refuses a server "
         "that does not",
         publish},
        {"mail",
         "mail --set NAME --day DAY --to ADDR[,ADDR...] [--smtp URL] [--from ADDR] [--user NAME "
         "--password-file PATH] [--require-tls] [--send-empty]",
         {"--set", "--day", "--to", "--smtp", "--from", "--user", "--password-file"},
         {"--require-tls", "--send-empty"},
         "mails that page, with the logo, as one message through the server URL "
         "(smtp://HOST[:PORT], which uses STARTTLS when the server offers it, or "
         "smtps://HOST[:PORT]); --require-tls refuses to send over smtp:// without STARTTLS. The "
         "settings may also come from MAIL.INI in the database folder (smtp=, from=, user=, "
         "password-file=, require-tls=yes|no); options win. The password is the first line of "
         "PATH, a file outside the database folder that only its owner may read (chmod 600). A "
         "day without notices sends nothing and exits 0, saying so; --send-empty sends the empty "
         "page",
         mail},
        {"check", "check [--widowed delete|admin] [--keep-old] [--repair]", {"--widowed"},
         {"--keep-old", "--repair"},
         "the data integrity check: prints what it finds, one line per repair, then the counts; "
         "only --repair changes the files (under both locks, as the program's check does). "
         "Widowed notices are deleted (default) or given to ADMIN; --keep-old keeps notices that "
         "ended more than 30 days ago",
         check},
        {"upgrade", "upgrade", {}, {},
         "converts the files of an older Pinora 2 (2.0 to 2.4) to the current format, keeping "
         "each original beside it (.bak)",
         [](Database& d, const Options&, std::ostream& o1, std::ostream& o2) {
             return upgradeDatabase(d, o1, o2);
         }},
        {"import", "import --from DIR --staff-set NAME --student-set NAME",
         {"--from", "--staff-set", "--student-set"}, {},
         "copies the notices of the Pinora 1.4 folder DIR to the user ADMIN, staff notices into "
         "one set and student notices into the other",
         importCommand},
        {"check-share", "check-share [--json] [--peer DIR]", {"--peer"}, {"--json"},
         "checks from this workstation that the folder's file system (a network share) gives "
         "what the program relies on: an exclusive create of a name that exists is refused, a "
         "rename replaces a file whole, a removed file is gone, flushed bytes read back, room for "
         "a save of NOTICE.DB, letter case of names, and this clock against the server's file "
         "times. --peer DIR: the same folder through a second mount, to see that two clients "
         "cannot both make one new name. Writes and removes files of its own only; exit 1 when a "
         "check fails",
         checkShareCommand},
        {"help", "help", {}, {}, "this text", nullptr},
    };
    return table;
}

bool parseDay(const std::string& text, TDateTime now, TDateTime& day) {
    const std::string t = upperAscii(text);
    if (t == "TODAY") {
        day = now;
        return true;
    }
    if (t == "TOMORROW") {
        day = now + 1;
        return true;
    }
    if (t == "NEXT-WEEKDAY") {
        day = nextWeekday(now);
        return true;
    }
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9') return false;
    const int y = std::stoi(text.substr(0, 4));
    const int m = std::stoi(text.substr(5, 2));
    const int d = std::stoi(text.substr(8, 2));
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > 31) return false;
    const TDateTime v = encodeDate(y, m, d);
    const CivilDate back = decodeDate(v); // 2026-02-30 comes back as March
    if (back.year != y || back.month != m || back.day != d) return false;
    day = v;
    return true;
}

std::string dateTimeText(TDateTime t) {
    if (!inDateRange(t)) return {};
    const CivilDate d = decodeDate(t);
    const ClockTime c = decodeTime(t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, c.hour,
                  c.minute, c.second);
    return buf;
}

int runPinoractl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        std::string folder;
        std::size_t i = 0;
        for (; i < args.size() && args[i].rfind("-", 0) == 0; ++i) {
            const std::string& a = args[i];
            if (a == "--help" || a == "-h") {
                out << usageText();
                return kOk;
            }
            if (a == "--version") {
                out << versionText() << "\n";
                return kOk;
            }
            if (a == "--folder") {
                if (i + 1 >= args.size()) throw UsageError{"--folder needs a folder"};
                folder = args[++i];
            } else if (a.rfind("--folder=", 0) == 0) {
                folder = a.substr(9);
            } else {
                throw UsageError{"unknown option '" + a + "'"};
            }
            if (folder.empty()) throw UsageError{"--folder needs a folder"};
        }
        if (i >= args.size()) throw UsageError{"no command given"};
        const std::string command = args[i++];
        if (command == "help") {
            out << usageText();
            return kOk;
        }
        for (std::size_t k = i; k < args.size(); ++k)
            if (args[k] == "--help" || args[k] == "-h") {
                out << usageText();
                return kOk;
            }

        const Command* cmd = findCommand(command);
        if (!cmd) throw UsageError{"unknown command '" + command + "'"};
        Options o = parseOptions(args, i, cmd->values, cmd->flags);
        if (o.values.count("--peer") && o.values["--peer"].empty())
            throw UsageError{"--peer needs a folder"};

        const FolderChoice choice =
            chooseFolder(workstationFolderPlaces(folder, thisProgramFolder()));
        if (const auto problem = folderProblem(choice, *systemFileSystem())) {
            err << "pinoractl: " << printable(*problem) << "\n";
            return kFailed;
        }
        folder = choice.folder;
        Database db(folder, Services::real());
        return cmd->handler(db, o, out, err);
    } catch (const UsageError& e) {
        err << "pinoractl: " << printable(e.text) << "\n"
            << "Try 'pinoractl --help' for more information.\n";
        return kUsage;
    }
}

} // namespace pinora::cli
