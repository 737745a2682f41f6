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

// NOTICE.DB.2.4.bak; an earlier backup of the same name is never replaced.
std::string backupName(DbFile which, Format from, int n) {
    const char* v = from == Format::V24 ? "2.4" : from == Format::V21 ? "2.1" : "2.0";
    std::string s = std::string(formats::fileName(which)) + "." + v;
    if (n > 1) s += "(" + std::to_string(n) + ")";
    return s + ".bak";
}

std::string notUpgraded(std::string_view name, const std::string& why) {
    return "The " + std::string(name) + " File could not be upgraded: " + why +
           ". It has been left as it is. See the Notice Administrator";
}

// A file without a header may be anything cut short; one whose header names an older version
// is said to be of that version.
std::string tooShortFinding(DbFile which, Format from, std::size_t size) {
    if (size == 0) return "it is empty";
    const std::size_t current = which == DbFile::Notices ? Database::kNoticeFileSize
                                : which == DbFile::Users ? Database::kUserFileSize
                                                         : Database::kConfigFileSize;
    if (from == Format::V20)
        return "it holds " + std::to_string(size) + " bytes, " + std::to_string(current) +
               " expected";
    return std::string("it is of version ") + formats::formatText(from) + " but holds only " +
           std::to_string(size) + " bytes, " + std::to_string(formats::minimumSize(which, from)) +
           " expected";
}

// Upper bound of what a conversion reads: the longest old file and a little more.
constexpr std::size_t kReadCap = Database::kNoticeFileSize + 1;

// Keeps the original under a new name and reads the bytes that were kept. A hard link costs
// nothing and shows exactly the file that the rename later replaces; folders without links
// get a copy.
bool keepOriginal(Database& db, DbFile which, Format from, std::string& kept, std::string& bytes,
                  std::string& why) {
    const std::string p = db.path(formats::fileName(which));
    for (int n = 1; n <= 100; ++n) {
        kept = backupName(which, from, n);
        const std::string b = db.path(kept);
        if (::link(p.c_str(), b.c_str()) == 0) {
            std::string err;
            if (readWholeFile(b, bytes, kReadCap, &err) == ReadStatus::Ok) return true;
            ::unlink(b.c_str());
            why = err.empty() ? "it cannot be read" : err;
            return false;
        }
        const int e = errno;
        if (e == EEXIST) continue;
        if (e == ENOENT) {
            why = "it has gone";
            return false;
        }
        if (e != EPERM && e != ENOTSUP && e != EOPNOTSUPP && e != ENOSYS && e != EXDEV &&
            e != EMLINK) {
            why = "no copy could be kept as " + kept + " (" + systemErrorText(e) + ")";
            return false;
        }
        std::string err;
        if (readWholeFile(p, bytes, kReadCap, &err) != ReadStatus::Ok) {
            why = err.empty() ? "it cannot be read" : err;
            return false;
        }
        bool exists = false;
        if (createFileExclusive(b, bytes, "~upgrade-" + std::to_string(::getpid()), exists, &err))
            return true;
        if (exists) continue;
        why = "no copy could be kept as " + kept + " (" + err + ")";
        return false;
    }
    why = "no free name for a copy beside it";
    return false;
}

// Puts the converted data in memory and saves it; memory is restored when the save fails.
bool install(Database& db, DbFile which, std::string_view bytes, formats::Convert& c) {
    switch (which) {
    case DbFile::Config: {
        ConfigRecord converted;
        c = formats::convertConfig(bytes, converted);
        if (c != formats::Convert::Done) return false;
        const ConfigRecord keep = db.config;
        db.config = converted;
        if (db.saveConfig()) return true;
        db.config = keep;
        return false;
    }
    case DbFile::Notices: {
        c = formats::convertNotices(bytes, db.notices.spare());
        if (c != formats::Convert::Done) return false;
        db.notices.swapInSpare();
        if (db.saveNotices()) return true;
        db.notices.swapInSpare();
        return false;
    }
    case DbFile::Users: {
        UserTable converted;
        c = formats::convertUsers(bytes, converted);
        if (c != formats::Convert::Done) return false;
        const UserTable keep = db.users;
        db.users = converted;
        if (db.saveUsers()) return true;
        db.users = keep;
        return false;
    }
    }
    return false;
}

} // namespace

std::string upgradeMessage(DbFile which, Format from) {
    return std::string("Upgraded Version ") + formats::formatText(from) + " " + what(which) +
           " to version " + versionText(currentDbVersion) + ". You must restart notices.";
}

std::optional<Format> fileFormat(const Database& db, DbFile which) {
    char head[sizeof(DbHeader)];
    std::size_t got = 0;
    if (readFileInto(db.path(formats::fileName(which)), head, sizeof head, got) != ReadStatus::Ok)
        return std::nullopt;
    return formats::formatOf(std::string_view(head, got));
}

UpgradeResult upgradeFile(Database& db, DbFile which) {
    UpgradeResult r;
    const char* name = formats::fileName(which);
    char head[sizeof(DbHeader)];
    std::size_t got = 0;
    std::string err;
    const ReadStatus st = readFileInto(db.path(name), head, sizeof head, got, &err);
    if (st == ReadStatus::Missing) return r;
    if (st != ReadStatus::Ok) {
        r.status = UpgradeStatus::Failed;
        r.message = notUpgraded(name, err);
        return r;
    }
    r.from = formats::formatOf(std::string_view(head, got));
    if (r.from == Format::Current) return r;
    if (got == sizeof head) {
        // Today's version with a damaged signature is a broken current file, not one of 2.0:
        // read as 2.0 every record would shift and be garbled.
        DbHeader h;
        std::memcpy(&h, head, sizeof h);
        if (h.version == currentDbVersion) {
            r.status = UpgradeStatus::Unreadable;
            r.message = brokenFileMessage(name, "its header is damaged");
            return r;
        }
    }

    std::string kept, bytes, why;
    if (!keepOriginal(db, which, r.from, kept, bytes, why)) {
        r.status = UpgradeStatus::Failed;
        r.message = notUpgraded(name, why);
        return r;
    }
    // The kept bytes decide: another station may have converted the file meanwhile.
    r.from = formats::formatOf(bytes);
    formats::Convert c = formats::Convert::Done;
    if (install(db, which, bytes, c)) {
        r.status = UpgradeStatus::Upgraded;
        r.message = upgradeMessage(which, r.from);
        r.backup = kept;
        return r;
    }
    removeFile(db.path(kept)); // the original is still in its place
    if (c == formats::Convert::Current) {
        r.from = Format::Current;
    } else if (c == formats::Convert::TooShort) {
        r.status = UpgradeStatus::Unreadable;
        r.message = brokenFileMessage(name, tooShortFinding(which, r.from, bytes.size()));
    } else {
        r.status = UpgradeStatus::Failed;
        r.message = notUpgraded(name, "the converted file could not be saved");
        r.reported = true;
    }
    return r;
}

bool upgradeOnLoad(Database& db, std::string_view name) {
    DbFile which = DbFile::Config;
    if (name == formats::fileName(DbFile::Notices)) which = DbFile::Notices;
    if (name == formats::fileName(DbFile::Users)) which = DbFile::Users;
    const UpgradeResult r = upgradeFile(db, which);
    if (!r.reported && !r.message.empty() && db.services().reporter)
        db.services().reporter->showMessage(r.message);
    return r.status == UpgradeStatus::Upgraded || r.status == UpgradeStatus::NotNeeded;
}

} // namespace pinora
