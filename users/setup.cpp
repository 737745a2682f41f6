#include "setup.h"

#include "db/fileio.h"
#include "db/text.h"

namespace pinora {

std::vector<std::string> checkSetupEntries(const SetupEntries& e) {
    std::vector<std::string> out;
    if (e.adminPassword1 != e.adminPassword2)
        out.push_back("STEP 2: Your Administrator Password was entered incorrectly. The "
                      "two fields do not match");
    if (e.adminPassword1.empty())
        out.push_back("STEP 2: You must specify an Administrator Password, you cannot "
                      "continue without one");
    if (e.adminPassword2.empty())
        out.push_back("STEP 2: You have not confirmed your Administrator password in the "
                      "second field. This must be entered the same way as with the first "
                      "administrator password box");
    if (e.schoolName.empty()) out.push_back("STEP 3: You have not specified your schools name.");
    if (e.copyrightLine.empty())
        out.push_back("STEP 3: You have not specified a copyright line. If you are "
                      "unsure, just put \"Copyright (c) 20XX\" where XX is the current "
                      "year");
    if (e.setOneName.empty())
        out.push_back("STEP 4: You have not specified a Notice Set. You must specify one "
                      "to continue");
    return out;
}

namespace {

// The first notice can only be written once MSG exists, and pages go to TEMP.
void makeDbFolder(Database& db, const char* name, Result& told) {
    if (makeFolder(db.files(), db.path(name))) return;
    told.tell(std::string("The ") + name +
              " Folder could not be created. There is a DISK or NETWORK error, or the database "
              "folder is read-only. See the Notice Administrator");
}

} // namespace

Result writeNewDatabase(Database& db, const SetupEntries& e) {
    db.config = ConfigRecord{};
    db.setConfigDefaults();
    db.config.schoolName = utf8ToCp1252(e.schoolName);
    db.config.schoolCopyright = utf8ToCp1252(e.copyrightLine);
    db.config.noticeSets[0].name = utf8ToCp1252(e.setOneName);
    if (Result r = db.saveConfig(); !r) return r;

    // A new table: every field of every slot zero, the names free.
    db.users.fill(UserRecord{});
    db.initUsers();
    if (Result r = db.saveUsers(); !r) return r;

    const int slot = db.findFreeUser();
    db.setUserCredentials(slot, kAdminName, utf8ToCp1252(e.adminPassword1));
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
    if (Result r = db.saveOneUser(slot); !r) return r;

    db.notices.fill(NoticeRecord{});
    db.initNotices();
    Result done = db.saveNotices();
    if (!done) return done;

    makeDbFolder(db, "MSG", done);
    makeDbFolder(db, "TEMP", done);
    return done;
}

} // namespace pinora
