// upgrade and import: bringing older data into the current format.
#include "pinoractl.h"

#include "json.h"

#include "db/fileio.h"
#include "db/import14.h"
#include "db/text.h"
#include "db/upgrade.h"

#include <ostream>

namespace pinora::cli {

namespace {
// Start-up order: users, configuration, notices.
constexpr DbFile kFiles[] = {DbFile::Users, DbFile::Config, DbFile::Notices};
} // namespace

bool filesAreCurrent(const Database& db, std::ostream& err) {
    bool current = true;
    for (DbFile f : kFiles) {
        // A broken file is not named as an older one: the load says what it found.
        const auto format = convertibleFormat(db, f);
        if (!format) continue;
        err << "pinoractl: " << formats::fileName(f) << " is in the format of Pinora "
            << formats::formatText(*format) << "; run 'pinoractl upgrade' to convert it\n";
        current = false;
    }
    return current;
}

bool readOnly(Database& db, std::ostream& err) {
    db.convertOldFormats = false;
    return filesAreCurrent(db, err);
}

int upgradeDatabase(Database& db, std::ostream& out, std::ostream& err) {
    int status = kOk;
    bool any = false;
    for (DbFile f : kFiles) {
        const UpgradeResult r = upgradeFile(db, f);
        if (r.status == UpgradeStatus::NotNeeded) continue;
        any = true;
        if (r.status == UpgradeStatus::Upgraded) {
            out << r.message << " (the original is kept as " << printable(r.backup) << ")\n";
            continue;
        }
        present(r.result, err);
        status = kFailed;
    }
    if (!any) out << "Every file is in the current format; nothing to upgrade\n";
    return status;
}

int importNotices(Database& db, const std::string& from, int staffSet, int studentSet,
                  std::ostream& out, std::ostream& err) {
    Release14Import r;
    r.folder = from;
    r.staffSet = staffSet;
    r.studentSet = studentSet;
    r.user = utf8ToCp1252(db.services().osUserName ? db.services().osUserName() : "");
    r.waitForLock = false;
    r.log = [&out](const std::string& line) { out << printable(line) << "\n"; };
    const ImportOutcome o = importRelease14(db, r);
    present(o.result, err);
    if (o.status == ImportStatus::Done) {
        out << o.message << "\n";
        return kOk;
    }
    if (o.status == ImportStatus::LockHeld)
        err << "pinoractl: NOTICE.DB is locked by "
            << printable(cp1252ToUtf8(lockHolderText(o.lock))) << "; try again later\n";
    else if (!o.message.empty())
        err << "pinoractl: " << printable(o.message) << "\n";
    return kFailed;
}

} // namespace pinora::cli
