#include "upgrade.h"

#include "fileio.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace pinora {

namespace {

const char* what(DbFile which) {
    switch (which) {
    case DbFile::Config: return "Configuration";
    case DbFile::Notices: return "Notice Database";
    case DbFile::Users: return "User Database";
    }
    return "";
}

// 2500 -> "2.5"
std::string versionText(std::int32_t v) {
    std::string s = std::to_string(v / 1000);
    std::string frac = std::to_string(1000 + v % 1000).substr(1);
    while (!frac.empty() && frac.back() == '0')
        frac.pop_back();
    return frac.empty() ? s : s + "." + frac;
}

// NOTICE.DB.2.4.bak: one copy per file and format, which a later conversion replaces.
std::string backupName(DbFile which, Format from) {
    const char* v = from == Format::V24 ? "2.4" : from == Format::V21 ? "2.1" : "2.0";
    return std::string(formats::fileName(which)) + "." + v + ".bak";
}

std::string notUpgraded(std::string_view name, const std::string& why) {
    return "The " + std::string(name) + " File could not be upgraded: " + why +
           ". It has been left as it is. See the Notice Administrator";
}

DbFile fileNamed(std::string_view name) {
    if (name == formats::fileName(DbFile::Notices)) return DbFile::Notices;
    if (name == formats::fileName(DbFile::Users)) return DbFile::Users;
    return DbFile::Config;
}

std::size_t currentFileSize(DbFile which) {
    return which == DbFile::Notices ? Database::kNoticeFileSize
           : which == DbFile::Users ? Database::kUserFileSize
                                    : Database::kConfigFileSize;
}

// A file that is not of an older format's size but has today's size, or today's version under
// a damaged signature, is a current file whose header is damaged.
bool headerDamaged(DbFile which, std::string_view fileStart, std::uint64_t size) {
    return formats::formatOf(fileStart) == Format::V20 &&
           (formats::damagedHeader(fileStart) || size == currentFileSize(which));
}

// What a file that cannot be converted was found to be. Without a header of an older version
// it may be anything cut short or damaged; one whose header names an older version is said to
// be of that version.
std::string unreadableFinding(DbFile which, std::string_view bytes) {
    const std::size_t size = bytes.size();
    if (size == 0) return "it is empty";
    const Format from = formats::formatOf(bytes);
    const std::size_t current = currentFileSize(which);
    if (from == Format::V20) {
        if (headerDamaged(which, bytes, size)) return "its header is damaged";
        return "it holds " + std::to_string(size) + " bytes, " + std::to_string(current) +
               " expected";
    }
    const std::size_t want = formats::oldFileSize(which, from);
    return std::string("it is of version ") + formats::formatText(from) + " but holds " +
           (size < want ? "only " : "") + std::to_string(size) + " bytes, " +
           std::to_string(want) + " expected";
}

// Upper bound of what a conversion reads: the longest old file and a little more.
constexpr std::size_t kReadCap = Database::kNoticeFileSize + 1;

struct OldFile {
    explicit OldFile(std::string& buffer) : bytes(buffer) {}
    enum { Missing, Current, Convertible, Unreadable, Failed } found = Failed;
    Format from = Format::Current;
    std::string& bytes; // the database's own, until its next conversion
    std::string error;  // when Failed
};

// What the file's header and size as opened say before it is read whole. A file that is of no
// format yet is waited for (an older copy of the program may be writing it in place) without
// its megabyte being read each time; anything else is for the whole read to find.
enum class Glance { ReadWhole, NotYet, Failed };

Glance glance(Database& db, DbFile which, const std::string& path, std::string& error) {
    char head[sizeof(DbHeader)];
    std::size_t got = 0;
    std::uint64_t size = 0;
    const ReadStatus st =
        readFileParts(db.files(), path, {MutableSpan{head, sizeof head}}, &got, &error, &size);
    if (st == ReadStatus::Error) return Glance::Failed;
    if (st != ReadStatus::Ok) return Glance::ReadWhole;
    const std::string_view start(head, got);
    const bool notYet = formats::formatOf(start) != Format::Current &&
                        !formats::convertible(which, start, size) &&
                        !headerDamaged(which, start, size);
    return notYet ? Glance::NotYet : Glance::ReadWhole;
}

// Reads a file as every load does: an input/output error, or a size other than its format's
// (an older copy of the program writes its files in place), is tried again after a pause.
OldFile readOldFile(Database& db, DbFile which, const std::string& path) {
    OldFile f(db.oldFileBuffer());
    const auto failed = [&f] {
        f.found = OldFile::Failed;
        if (f.error.empty()) f.error = "it cannot be read";
    };
    for (int attempt = 1; attempt <= db.ioAttempts; ++attempt) {
        if (attempt > 1) db.services().sleeper->sleepMs(db.ioPauseMs);
        f.error.clear();
        if (attempt < db.ioAttempts) {
            const Glance g = glance(db, which, path, f.error);
            if (g == Glance::Failed) {
                failed();
                continue;
            }
            if (g == Glance::NotYet) continue;
        }
        const ReadStatus st = readWholeFile(db.files(), path, f.bytes, kReadCap, &f.error);
        if (st == ReadStatus::Missing) {
            f.found = OldFile::Missing;
            return f;
        }
        if (st != ReadStatus::Ok) {
            failed();
            if (st == ReadStatus::Error) continue;
            return f;
        }
        f.from = formats::formatOf(f.bytes);
        if (f.from == Format::Current) {
            f.found = OldFile::Current;
            return f;
        }
        if (formats::convertible(which, f.bytes, f.bytes.size())) {
            f.found = OldFile::Convertible;
            return f;
        }
        f.found = OldFile::Unreadable;
        if (headerDamaged(which, f.bytes, f.bytes.size())) return f; // that does not mend by waiting
    }
    return f;
}

// The original under a temporary name, before it is read: a hard link costs nothing and holds
// exactly the file that the save later replaces. A folder without hard links gets a copy of the
// bytes read instead.
enum class Hold { Linked, NoLinks, Missing, Failed };

Hold holdOriginal(FileSystem& fs, const std::string& path, const std::string& held,
                  std::string& why) {
    const int e = fs.link(path, held);
    if (e == 0) return Hold::Linked;
    if (e == ENOENT) return Hold::Missing;
    if (e == EPERM || e == ENOTSUP || e == EOPNOTSUPP || e == ENOSYS || e == EXDEV ||
        e == EMLINK)
        return Hold::NoLinks;
    why = "no copy of it could be kept (" + systemErrorText(e) + ")";
    return Hold::Failed;
}

// Puts the converted data in memory and saves it; memory is restored when the save fails.
Result install(Database& db, DbFile which, std::string_view bytes) {
    using formats::Convert;
    const Result unconverted = Result::failed(formats::fileName(which), "it could not be converted");
    switch (which) {
    case DbFile::Config: {
        ConfigRecord converted;
        if (formats::convertConfig(bytes, converted) != Convert::Done) return unconverted;
        const ConfigRecord keep = db.config;
        db.config = converted;
        Result saved = db.saveConfig();
        if (!saved) db.config = keep;
        return saved;
    }
    case DbFile::Notices: {
        if (formats::convertNotices(bytes, db.notices.spare()) != Convert::Done) return unconverted;
        db.notices.swapInSpare();
        Result saved = db.saveNotices();
        if (!saved) db.notices.swapInSpare();
        return saved;
    }
    case DbFile::Users: {
        UserTable converted;
        if (formats::convertUsers(bytes, converted) != Convert::Done) return unconverted;
        const UserTable keep = db.users;
        db.users = converted;
        Result saved = db.saveUsers();
        if (!saved) db.users = keep;
        return saved;
    }
    }
    return unconverted;
}

} // namespace

std::string upgradeMessage(DbFile which, Format from) {
    return std::string("Upgraded Version ") + formats::formatText(from) + " " + what(which) +
           " to version " + versionText(currentDbVersion) + ". You must restart notices.";
}

std::optional<Format> fileFormat(const Database& db, DbFile which) {
    char head[sizeof(DbHeader)];
    std::size_t got = 0;
    if (readFileInto(db.files(), db.path(formats::fileName(which)), head, sizeof head, got) != ReadStatus::Ok)
        return std::nullopt;
    return formats::formatOf(std::string_view(head, got));
}

std::optional<Format> convertibleFormat(const Database& db, DbFile which) {
    const std::string p = db.path(formats::fileName(which));
    char head[sizeof(DbHeader)];
    std::size_t got = 0;
    if (readFileInto(db.files(), p, head, sizeof head, got) != ReadStatus::Ok) return std::nullopt;
    const auto size = fileSize(db.files(), p);
    const std::string_view start(head, got);
    if (!size || !formats::convertible(which, start, *size)) return std::nullopt;
    return formats::formatOf(start);
}

UpgradeResult upgradeFile(Database& db, DbFile which) {
    UpgradeResult r;
    const char* name = formats::fileName(which);
    const std::string p = db.path(name);
    const std::string held = p + "." + db.tmpTag() + ".tmp";
    std::string why;
    const Hold hold = holdOriginal(db.files(), p, held, why);
    if (hold == Hold::Missing) return r;
    if (hold == Hold::Failed) {
        r.status = UpgradeStatus::Failed;
        r.message = notUpgraded(name, why);
        r.result = Result::failed(name, why).tell(r.message);
        return r;
    }
    const OldFile f = readOldFile(db, which, hold == Hold::Linked ? held : p);
    r.from = f.from;
    if (f.found != OldFile::Convertible) {
        if (hold == Hold::Linked) removeFile(db.files(), held);
        if (f.found == OldFile::Unreadable) {
            r.status = UpgradeStatus::Unreadable;
            const std::string found = unreadableFinding(which, f.bytes);
            r.message = brokenFileMessage(name, found);
            r.result = Result::unreadable(name, found).tell(r.message);
        } else if (f.found == OldFile::Failed) {
            r.status = UpgradeStatus::Failed;
            r.message = notUpgraded(name, f.error);
            r.result = Result::failed(name, f.error).tell(r.message);
        } else {
            r.from = Format::Current; // converted by another station meanwhile, or gone
        }
        return r;
    }

    // The copy takes its one name, replacing an earlier conversion's in a single step, before
    // the file itself is touched.
    const std::string kept = backupName(which, f.from);
    std::string err;
    bool keptOk = false;
    if (hold == Hold::Linked) {
        // The reason is the call's own: no file-system call leaves it in errno.
        const int e = db.files().rename(held, db.path(kept));
        keptOk = e == 0;
        if (!keptOk) err = systemErrorText(e);
        // Also after a rename onto a copy that is the same file already, which leaves both names.
        removeFile(db.files(), held);
    } else {
        keptOk = writeFileAtomic(db.files(), db.path(kept), f.bytes.data(), f.bytes.size(), db.tmpTag(), &err);
    }
    if (!keptOk) {
        r.status = UpgradeStatus::Failed;
        const std::string notKept = "no copy could be kept as " + kept + " (" + err + ")";
        r.message = notUpgraded(name, notKept);
        r.result = Result::failed(name, notKept).tell(r.message);
        return r;
    }
    Result installed = install(db, which, f.bytes);
    if (installed) {
        r.status = UpgradeStatus::Upgraded;
        r.message = upgradeMessage(which, f.from);
        r.backup = kept;
        r.result.tell(r.message);
        return r;
    }
    // The copy stays: it is the file as it still is. The save's own message is the one told.
    r.status = UpgradeStatus::Failed;
    r.message = notUpgraded(name, "the converted file could not be saved");
    r.reported = true;
    r.result = std::move(installed);
    return r;
}

Result upgradeOnLoad(Database& db, std::string_view name) {
    return upgradeFile(db, fileNamed(name)).result;
}

Result refuseOnLoad(Database& db, std::string_view name) {
    const DbFile which = fileNamed(name);
    const OldFile f = readOldFile(db, which, db.path(name));
    std::string found;
    switch (f.found) {
    case OldFile::Missing:
    case OldFile::Current: return Result::ok();
    case OldFile::Convertible:
        found = "it is of an older format, which a workstation converts when it next opens the "
                "database";
        break;
    case OldFile::Unreadable: found = unreadableFinding(which, f.bytes); break;
    case OldFile::Failed: found = "it cannot be read: " + f.error; break;
    }
    return Result::unreadable(std::string(name), found).tell(brokenFileMessage(name, found));
}

} // namespace pinora
