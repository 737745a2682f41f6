#include "logon.h"

#include "db/text.h"

namespace pinora {

std::string osUserNameForLogon(Services& services) {
    std::string name = services.osUserName ? utf8ToCp1252(services.osUserName()) : std::string();
    if (name.size() > 128) name.resize(128);
    return name;
}

std::string storedLoginName(std::string_view osName) {
    return std::string(osName.substr(0, kLoginNameLength));
}

int findSystemUser(const Database& db, std::string_view osName) {
    return db.findUser(storedLoginName(osName));
}

LogonChoice chooseLogon(const Database& db, bool loginSwitchGiven, const std::string& osName) {
    LogonChoice c;
    if (!db.config.authUseOsName || loginSwitchGiven) return c;
    c.slot = findSystemUser(db, osName);
    // A known user logs on under the stored name, which is what authenticates; an unknown one
    // registers under the whole name (cut as it is stored).
    c.name = c.slot == -1 ? osName : storedLoginName(osName);
    if (c.slot == -1)
        c.mode = LogonMode::UnknownUser;
    else if (db.config.authAskPassword || db.user(c.slot).forcePassword)
        c.mode = LogonMode::PasswordPrompt;
    else
        c.mode = LogonMode::Automatic;
    return c;
}

int completeLogon(Station& station, const std::string& name, const std::string& password) {
    station.currentUserName = name;
    station.currentUserSlot = station.db.authenticateUser(name, password);
    return station.currentUserSlot;
}

} // namespace pinora
