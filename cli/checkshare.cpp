// check-share: whether the file system under the database folder gives what the stations rely
// on when they share it. Every call goes through the station's FileSystem, so that a test can
// fake a share that breaks each promise. Only files of its own are written, under names no
// one can guess, made by exclusive create, and all of them are removed at the end.
#include "pinoractl.h"

#include "json.h"

#include "db/datetime.h"
#include "db/fileio.h"
#include "db/text.h"

#include <barrier>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <ostream>
#include <random>
#include <set>
#include <sstream>
#include <thread>

namespace pinora::cli {

namespace {

enum class Verdict { Ok, Note, Fail };

struct Finding {
    std::string key; // "exclusive-create"
    Verdict verdict = Verdict::Ok;
    std::string text; // what was found, and what it means for the stations
};

const char* verdictWord(Verdict v) {
    return v == Verdict::Ok ? "ok" : v == Verdict::Note ? "note" : "FAIL";
}

std::string errText(int err) {
    return systemErrorText(err);
}

// Bytes that differ from place to place, so that a block read back out of place shows.
std::string pattern(std::size_t size, unsigned seed) {
    std::string s(size, '\0');
    std::uint32_t x = seed | 1u;
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x & 0xFF);
    }
    return s;
}

std::string randomHex() {
    std::random_device rd;
    std::string s;
    static const char digits[] = "0123456789abcdef";
    for (int i = 0; i < 4; ++i) {
        const unsigned v = rd();
        for (int k = 0; k < 8; ++k)
            s += digits[(v >> (4 * k)) & 0xF];
    }
    return s;
}

class ShareCheck {
  public:
    ShareCheck(Database& db, const ShareCheckOptions& o)
        : db_(db), fs_(db.files()), o_(o), base_("~share-check-" + randomHex()) {}

    std::vector<Finding> run() {
        const std::string first = base_ + ".tmp";
        const std::string content = "pinoractl check-share " + base_ + "\r\n";
        const long long before = localToEpoch(db_.services().clock->now());
        if (const int err = make(own(first), content, false)) {
            add("writable", Verdict::Fail,
                "cannot create a file in the folder (" + errText(err) +
                    "): no station can save or take a lock here");
            clientCheck();
            return findings_;
        }
        add("writable", Verdict::Ok, "a new file can be made in the folder");
        clockCheck(own(first), before);
        exclusiveCheck(own(first), content, "exclusive-create", "the same name");
        renameCheck();
        removeCheck();
        roomCheck();
        caseCheck(first, content);
        clientCheck();
        if (!o_.peer.empty()) peerCheck(first, content);
        return findings_;
    }

    // Removes every file this check made; the names it could not remove.
    std::vector<std::string> cleanUp() {
        std::vector<std::string> left;
        for (const std::string& p : made_) {
            int err = 0;
            for (int attempt = 1; attempt <= 5; ++attempt) {
                if (attempt > 1) db_.services().sleeper->sleepMs(200);
                err = fs_.remove(p);
                if (err == 0 && !gone(p)) err = EEXIST; // said done, and still there
                if (err == 0 || err == ENOENT) break;
            }
            if (err != 0 && err != ENOENT) left.push_back(p);
        }
        return left;
    }

  private:
    std::string own(const std::string& leaf) const { return db_.path(leaf); }
    std::string peer(const std::string& leaf) const {
        std::string f = o_.peer;
        if (f.back() != '/') f += '/';
        return f + "/" + leaf;
    }

    void add(const char* key, Verdict v, std::string text) {
        findings_.push_back(Finding{key, v, std::move(text)});
    }

    // A new file with content, by exclusive create; 0 or the errno value of the failing call.
    int make(const std::string& path, const std::string& content, bool flush) {
        int h = -1;
        if (const int err = fs_.createExclusive(path, h)) return err;
        made_.insert(path);
        int err = 0;
        const char* p = content.data();
        std::size_t left = content.size();
        while (left > 0 && err == 0) {
            const long n = fs_.write(h, p, left);
            if (n == -EINTR) continue;
            if (n <= 0) {
                err = n < 0 ? static_cast<int>(-n) : EIO;
                break;
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        if (err == 0 && flush) err = fs_.flush(h);
        const int closed = fs_.close(h);
        return err ? err : closed;
    }

    std::optional<std::string> read(const std::string& path, std::size_t max, int* code = nullptr) {
        std::string out, error;
        const ReadStatus st = readWholeFile(fs_, path, out, max, &error);
        if (code) *code = st == ReadStatus::Missing ? ENOENT : st == ReadStatus::Ok ? 0 : EIO;
        if (st != ReadStatus::Ok) return std::nullopt;
        return out;
    }

    bool gone(const std::string& path) {
        EntryInfo info;
        return fs_.info(path, info) == ENOENT;
    }

    // The server stamps the file; the workstation's clock should agree with it.
    void clockCheck(const std::string& path, long long before) {
        EntryInfo info;
        const long long after = localToEpoch(db_.services().clock->now());
        if (const int err = fs_.info(path, info)) {
            add("clock", Verdict::Fail, "the new file's time cannot be read (" + errText(err) + ")");
            return;
        }
        clockDifference_ = info.modified < before  ? info.modified - before
                           : info.modified > after ? info.modified - after
                                                   : 0;
        const long long off = std::llabs(clockDifference_);
        // File times come in whole seconds and the clock is read either side of the create.
        if (off <= kClockSlack) {
            add("clock", Verdict::Ok,
                "this workstation's clock and the server's file times agree within " +
                    std::to_string(kClockSlack) + " s");
            return;
        }
        add("clock", Verdict::Fail,
            "the server's file times are " + std::to_string(off) + " s " +
                (clockDifference_ > 0 ? "ahead of" : "behind") +
                " this workstation's clock: deadlines and the display's look for changes are judged "
                "by both; set every workstation and the server to one time source");
    }

    // An exclusive create of a name that exists must be refused and leave the file whole: it is
    // how a station takes a lock, and how the first station writes the database's defaults.
    void exclusiveCheck(const std::string& path, const std::string& content, const char* key,
                        const std::string& how) {
        int h = -1;
        const int err = fs_.createExclusive(path, h);
        if (err == 0) fs_.close(h);
        const auto now = read(path, content.size() + 1);
        const bool whole = now && *now == content;
        if (err == 0) {
            add(key, Verdict::Fail,
                "an exclusive create of a name that exists (" + how + ") succeeded" +
                    (whole ? "" : " and emptied the file") +
                    ": two workstations can both take a lock, and both change NOTICE.DB at once");
            return;
        }
        if (!whole) {
            add(key, Verdict::Fail,
                "an exclusive create of a name that exists (" + how + ") was refused (" +
                    errText(err) + ") but the file no longer holds what it held");
            return;
        }
        if (err == EEXIST) {
            add(key, Verdict::Ok,
                "an exclusive create of a name that exists (" + how +
                    ") is refused and leaves the file whole");
        } else if (err == EPERM || err == EACCES) {
            add(key, Verdict::Ok,
                "an exclusive create of a name that exists (" + how + ") is refused, as '" +
                    errText(err) +
                    "' rather than 'File exists' (the program counts that as taken while the name "
                    "is there), and leaves the file whole");
        } else {
            add(key, Verdict::Fail,
                "an exclusive create of a name that exists (" + how + ") fails with '" +
                    errText(err) + "': a station cannot tell a held lock from a broken share");
        }
    }

    // Every save writes a temporary file and renames it over the old one.
    void renameCheck() {
        const std::string from = own(base_ + "-a.tmp"), to = own(base_ + "-b.tmp");
        const std::string newer = pattern(4096, 1), older = pattern(1000, 2);
        int err = make(from, newer, true);
        if (!err) err = make(to, older, true);
        if (err) {
            add("rename", Verdict::Fail, "cannot make the files to rename (" + errText(err) + ")");
            return;
        }
        if (const int r = fs_.rename(from, to)) {
            add("rename", Verdict::Fail,
                "a rename over an existing file is refused (" + errText(r) +
                    "): every save of NOTICE.DB, USER.DB and CONFIG.DB replaces the file this way");
            return;
        }
        const auto got = read(to, newer.size() + 1);
        if (!got || *got != newer || !gone(from)) {
            add("rename", Verdict::Fail,
                std::string("a rename over an existing file ") +
                    (!got || *got != newer ? "left other bytes under the name"
                                           : "left the old name in place") +
                    ": a save could leave two files or a mixed one");
            return;
        }
        add("rename", Verdict::Ok, "a rename replaces a file whole");
    }

    // A released lock is a removed file; a file that stays would keep the lock held.
    void removeCheck() {
        const std::string leaf = base_ + "-b.tmp", path = own(leaf);
        if (const int err = fs_.remove(path)) {
            add("remove", Verdict::Fail,
                "a file cannot be removed (" + errText(err) +
                    "): every lock a station releases is a file it removes");
            return;
        }
        bool listed = false;
        std::vector<FolderEntry> entries;
        if (fs_.list(db_.folder(), entries) == 0)
            for (const FolderEntry& e : entries)
                listed = listed || e.name == leaf;
        if (!gone(path) || listed) {
            add("remove", Verdict::Fail,
                "a removed file is still there: a released lock would look held to other "
                "workstations");
            return;
        }
        add("remove", Verdict::Ok, "a removed file is gone");
    }

    // A save of NOTICE.DB writes a whole second copy before the rename.
    void roomCheck() {
        const std::size_t size = Database::kNoticeFileSize;
        const bool hasNotices = fileExists(fs_, db_.path("NOTICE.DB"));
        const int copies = hasNotices ? 1 : 2;
        const std::string bytes = pattern(size, 3);
        for (int i = 1; i <= copies; ++i) {
            const std::string path = own(base_ + "-room" + std::to_string(i) + ".tmp");
            if (const int err = make(path, bytes, true)) {
                add("room", Verdict::Fail,
                    "cannot write and flush " + std::to_string(size) + " bytes (" + errText(err) +
                        "): a save of NOTICE.DB needs room for " +
                        (hasNotices ? "one more copy of it" : "the file and a copy of it"));
                return;
            }
            const auto got = read(path, size + 1);
            if (!got || *got != bytes) {
                add("read-back", Verdict::Fail,
                    "a flushed file of " + std::to_string(size) + " bytes reads back " +
                        (!got ? std::string("not at all")
                              : got->size() != size ? std::to_string(got->size()) + " bytes long"
                                                    : std::string("with other bytes")) +
                        ": saves would be lost or damaged");
                return;
            }
        }
        add("room", Verdict::Ok,
            "the folder has room for a save of NOTICE.DB (" + std::to_string(size) +
                " bytes and a temporary copy)");
        add("read-back", Verdict::Ok, "a flushed file's bytes read back as written");
    }

    void caseCheck(const std::string& first, const std::string& content) {
        const std::string other = own(upperAscii(first));
        int code = 0;
        const auto got = read(other, content.size() + 1, &code);
        if (code == ENOENT) {
            add("letter-case", Verdict::Note,
                "names that differ in letter case are different files, as on Linux: the program "
                "uses its names in upper case (NOTICE.DB, DB-N.LCK, MSG/12.MSG), so a file copied "
                "in as notice.db is not found");
            return;
        }
        if (!got || *got != content) {
            add("letter-case", Verdict::Fail,
                "a name in other letter case gives neither the same file nor none (" +
                    (got ? std::string("other bytes") : errText(code)) + ")");
            return;
        }
        add("letter-case", Verdict::Note,
            "x.tmp and X.TMP name one file: the folder ignores letter case, as a Windows server "
            "does; the program never uses two names that differ only in case, but a file copied "
            "in as notice.db replaces NOTICE.DB");
        exclusiveCheck(other, content, "exclusive-create-case", "the name in other letter case");
    }

    void clientCheck() {
        if (!o_.mountType) return;
        const std::string type = o_.mountType(db_.folder());
        if (type.empty()) return;
        if (type == "fuse.smbnetfs") {
            add("client", Verdict::Fail,
                "this workstation reaches the folder through smbnetfs, which turns an exclusive "
                "create into create-and-truncate when another workstation makes the same name: two "
                "workstations can both take a lock; mount the share with the kernel's cifs client "
                "instead");
            return;
        }
        add("client", Verdict::Note, "the folder is on a file system of type " + type);
    }

    // The same folder through a second mount: what one client makes, the other must see, and
    // of two clients that make one new name at once only one may succeed.
    void peerCheck(const std::string& first, const std::string& content) {
        std::optional<std::string> seen;
        for (int i = 0; i < kPeerLooks && !(seen = read(peer(first), content.size() + 1)); ++i)
            db_.services().sleeper->sleepMs(kPeerPauseMs);
        if (!seen || *seen != content) {
            add("peer", Verdict::Fail,
                "the file made here " +
                    std::string(seen ? "reads otherwise" : "does not show") + " through " +
                    o_.peer + " within " + std::to_string(kPeerLooks * kPeerPauseMs / 1000) +
                    " s: it is not the same folder, or changes are slow to show");
            return;
        }
        add("peer", Verdict::Ok, "a file made here shows through " + o_.peer);
        exclusiveCheck(peer(first), content, "peer-exclusive-create", "through the second mount");

        int both = 0, rounds = 0;
        for (int i = 1; i <= o_.raceRounds; ++i) {
            const std::string leaf = base_ + "-race" + std::to_string(i) + ".tmp";
            int wonHere = -1, wonThere = -1;
            int handleHere = -1, handleThere = -1;
            std::barrier start(2);
            std::thread there([&] {
                start.arrive_and_wait();
                wonThere = fs_.createExclusive(peer(leaf), handleThere);
            });
            start.arrive_and_wait();
            wonHere = fs_.createExclusive(own(leaf), handleHere);
            there.join();
            if (wonHere == 0) fs_.close(handleHere);
            if (wonThere == 0) fs_.close(handleThere);
            if (wonHere == 0 || wonThere == 0) made_.insert(own(leaf));
            ++rounds;
            if (wonHere == 0 && wonThere == 0) ++both;
            fs_.remove(own(leaf));
        }
        if (both > 0) {
            add("peer-race", Verdict::Fail,
                "two clients both made the same new name by exclusive create in " +
                    std::to_string(both) + " of " + std::to_string(rounds) +
                    " tries: two workstations can both take a lock and both change NOTICE.DB");
            return;
        }
        add("peer-race", Verdict::Ok,
            "of two clients making the same new name at once, only one succeeded (" +
                std::to_string(rounds) + " tries)");
    }

    static constexpr long long kClockSlack = 5;
    static constexpr int kPeerLooks = 20;
    static constexpr int kPeerPauseMs = 500;

    Database& db_;
    FileSystem& fs_;
    const ShareCheckOptions& o_;
    const std::string base_;
    std::set<std::string> made_;
    std::vector<Finding> findings_;
    long long clockDifference_ = 0;

  public:
    long long clockDifference() const { return clockDifference_; }
};

} // namespace

long long localToEpoch(TDateTime local) {
    const CivilDate d = decodeDate(local);
    const ClockTime c = decodeTime(local);
    std::tm tm{};
    tm.tm_year = d.year - 1900;
    tm.tm_mon = d.month - 1;
    tm.tm_mday = d.day;
    tm.tm_hour = c.hour;
    tm.tm_min = c.minute;
    tm.tm_sec = c.second;
    tm.tm_isdst = -1;
    return static_cast<long long>(std::mktime(&tm));
}

namespace {

// /proc/self/mountinfo writes a space in a path as \040.
std::string unescapeMount(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            const std::string oct = s.substr(i + 1, 3);
            if (oct.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(oct, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

} // namespace

std::string mountTypeOf(const std::string& folder, const std::string& mountInfo) {
    char* real = ::realpath(folder.c_str(), nullptr);
    if (!real) return {};
    const std::string path = real;
    std::free(real);
    std::istringstream in(mountInfo);
    std::string line, best, type;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, dev, root, point;
        fields >> id >> parent >> dev >> root >> point;
        const std::size_t dash = line.find(" - ");
        if (point.empty() || dash == std::string::npos) continue;
        point = unescapeMount(point);
        const bool inside = path == point || point == "/" ||
                            (path.rfind(point, 0) == 0 && path[point.size()] == '/');
        if (!inside || point.size() < best.size()) continue;
        std::istringstream rest(line.substr(dash + 3));
        std::string t;
        rest >> t;
        best = point;
        type = t;
    }
    return type;
}

int checkShare(Database& db, const ShareCheckOptions& o, std::ostream& out, std::ostream& err) {
    ShareCheck check(db, o);
    std::vector<Finding> found = check.run();
    for (const std::string& p : check.cleanUp()) {
        found.push_back(Finding{"clean-up", Verdict::Fail,
                                "the check's own file " + p + " cannot be removed; remove it by hand"});
    }
    int failed = 0;
    for (const Finding& f : found)
        failed += f.verdict == Verdict::Fail ? 1 : 0;
    if (o.json) {
        JsonWriter w;
        w.beginObject();
        w.string("folder", db.folder());
        w.boolean("ok", failed == 0);
        w.number("failed", failed);
        w.number("clockDifferenceSeconds", check.clockDifference());
        w.beginArray("checks");
        for (const Finding& f : found) {
            w.beginObject();
            w.string("check", f.key);
            w.string("result", f.verdict == Verdict::Ok     ? "ok"
                               : f.verdict == Verdict::Note ? "note"
                                                            : "fail");
            w.string("text", f.text);
            w.endObject();
        }
        w.endArray();
        w.endObject();
        out << w.text() << "\n";
    } else {
        for (const Finding& f : found)
            out << verdictWord(f.verdict) << std::string(6 - std::string(verdictWord(f.verdict)).size(), ' ')
                << f.key << ": " << printable(f.text) << "\n";
        if (failed == 0)
            out << "check-share: the folder gives what the program relies on\n";
        else
            err << "pinoractl: check-share: " << failed << " of " << found.size()
                << " checks fail: do not share the database folder this way until they hold\n";
    }
    return failed == 0 ? kOk : kFailed;
}

} // namespace pinora::cli
