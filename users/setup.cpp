#include "setup.h"

#include "ui/messages.h"

#include "db/fileio.h"

namespace pinora {

QStringList checkSetupEntries(const SetupEntries& e) {
    QStringList out;
    if (e.adminPassword1 != e.adminPassword2)
        out << QStringLiteral("STEP 2: Your Administrator Password was entered incorrectly. The "
                              "two fields do not match");
    if (e.adminPassword1.isEmpty())
        out << QStringLiteral("STEP 2: You must specify an Administrator Password, you cannot "
                              "continue without one");
    if (e.adminPassword2.isEmpty())
        out << QStringLiteral("STEP 2: You have not confirmed your Administrator password in the "
                              "second field. This must be entered the same way as with the first "
                              "administrator password box");
    if (e.schoolName.isEmpty())
        out << QStringLiteral("STEP 3: You have not specified your schools name.");
    if (e.copyrightLine.isEmpty())
        out << QStringLiteral("STEP 3: You have not specified a copyright line. If you are "
                              "unsure, just put \"Copyright (c) 20XX\" where XX is the current "
                              "year");
    if (e.setOneName.isEmpty())
        out << QStringLiteral("STEP 4: You have not specified a Notice Set. You must specify one "
                              "to continue");
    return out;
}

namespace {

// The first notice can only be written once MSG exists, and pages go to TEMP.
bool makeDbFolder(Database& db, const char* name) {
    if (makeFolder(db.files(), db.path(name))) return true;
    ui::Messages::information(
        nullptr, QString::fromStdString(
                     std::string("The ") + name +
                     " Folder could not be created. There is a DISK or NETWORK error, or the "
                     "database folder is read-only. See the Notice Administrator"));
    return false;
}

} // namespace

bool writeNewDatabase(Database& db, const SetupEntries& e) {
    db.config = ConfigRecord{};
    db.setConfigDefaults();
    db.config.schoolName = ui::toRecord(e.schoolName);
    db.config.schoolCopyright = ui::toRecord(e.copyrightLine);
    db.config.noticeSets[0].name = ui::toRecord(e.setOneName);
    if (!ui::present(db.saveConfig())) return false;

    // A new table: every field of every slot zero, the names free.
    db.users.fill(UserRecord{});
    db.initUsers();
    if (!ui::present(db.saveUsers())) return false;

    const int slot = db.findFreeUser();
    db.setUserCredentials(slot, kAdminName, ui::toRecord(e.adminPassword1));
    UserRecord& u = db.user(slot);
    u.fullName = "Administrator";
    u.signature = "Notice Administrator";
    u.postCount = 0;
    u.securityLevel = 255;
    u.allowEdit = true;
    u.allowDelete = true;
    u.allowPublish = true;
    u.adminMenu = true;
    u.superUser = true;
    u.extraHelp = false;
    for (Flag& f : u.denySet)
        f = false;
    u.forcePassword = true;
    u.bypassDeadline = false;
    u.bypassMaxDays = false;
    if (!ui::present(db.saveOneUser(slot))) return false;

    db.notices.fill(NoticeRecord{});
    db.initNotices();
    if (!ui::present(db.saveNotices())) return false;

    makeDbFolder(db, "MSG");
    makeDbFolder(db, "TEMP");
    return true;
}

} // namespace pinora
