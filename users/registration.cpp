#include "registration.h"

#include "db/text.h"
#include "logon.h"

namespace pinora {

std::vector<RegistrationCheck> checkRegistration(const PersonalEntries& e) {
    std::vector<RegistrationCheck> failed;
    if (e.fullName.empty()) failed.push_back(RegistrationCheck::NoFullName);
    if (e.signature.empty()) failed.push_back(RegistrationCheck::NoSignature);
    if (e.password1.empty()) failed.push_back(RegistrationCheck::NoPassword);
    if (e.password2.empty()) failed.push_back(RegistrationCheck::NoConfirmation);
    if (e.password1 != e.password2) failed.push_back(RegistrationCheck::Mismatch);
    return failed;
}

Registration registerUser(Station& station, const std::string& osName, const PersonalEntries& e) {
    Database& db = station.db;
    Registration r;
    // The template as CONFIG.DB holds it now; a file that cannot be read leaves the one in
    // memory (its message is told with the registration's).
    const Result config = db.loadConfig();
    const UserRecord templ = db.config.newUserTemplate;
    bool full = false;
    r.result = db.changeUsers(station.currentUserName, "User Registration", [&] {
        const int slot = db.findFreeUser();
        if (slot < 0) {
            full = true;
            return false;
        }
        db.user(slot) = templ;
        db.setUserCredentials(slot, storedLoginName(osName), e.password1);
        UserRecord& u = db.user(slot);
        u.signature = e.signature;
        u.postCount = 0;
        u.extraHelp = e.extraHelp;
        u.fullName = e.fullName;
        r.slot = slot;
        return true;
    });
    r.result.after(config);
    if (full) {
        r.status = RegistrationStatus::Full;
        return r;
    }
    if (!r.result) return r;
    r.status = RegistrationStatus::Ok;
    r.storedName = db.userLoginName(r.slot);
    r.storedPassword = db.userPassword(r.slot);
    return r;
}

DefaultRights defaultRightsOf(const ConfigRecord& c) {
    const UserRecord& t = c.newUserTemplate;
    DefaultRights d;
    d.forcePassword = t.forcePassword;
    d.allowPublish = t.allowPublish;
    d.allowEdit = t.allowEdit;
    d.allowDelete = t.allowDelete;
    d.adminMenu = t.adminMenu;
    d.level = std::to_string(t.securityLevel);
    return d;
}

bool validLevel(const std::string& text) {
    const auto n = wholeNumber(text);
    return n && *n >= 1 && *n <= 200;
}

Result saveDefaultRights(Database& db, const DefaultRights& rights) {
    if (!validLevel(rights.level)) return Result::declined();
    const Result loaded = db.loadConfig();
    // A missing file is written afresh; one that cannot be read is not saved over.
    if (!loaded && loaded.kind() != Result::Missing) return loaded;
    UserRecord& t = db.config.newUserTemplate;
    t.forcePassword = rights.forcePassword;
    t.allowPublish = rights.allowPublish;
    t.allowEdit = rights.allowEdit;
    t.allowDelete = rights.allowDelete;
    t.adminMenu = rights.adminMenu;
    t.securityLevel = static_cast<std::uint8_t>(*wholeNumber(rights.level));
    return db.saveConfig().after(loaded);
}

} // namespace pinora
