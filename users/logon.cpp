#include "logon.h"

#include "db/text.h"

namespace pinora {

std::string osUserNameForLogon(Services& services) {
    std::string name = services.osUserName ? utf8ToCp1252(services.osUserName()) : std::string();
    if (name.size() > 128) name.resize(128);
    return name;
}

LogonChoice chooseLogon(const Database& db, bool loginSwitchGiven, const std::string& osName) {
    LogonChoice c;
    if (!db.config.authUseOsName || loginSwitchGiven) return c;
    c.name = osName;
    c.slot = db.findUser(osName);
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
