// Who the user of this copy of the program is: the logon decision and its completion.
#pragma once

#include "db/station.h"

#include <string>

namespace pinora {

enum class LogonMode {
    FullDialog,     // name and password typed
    PasswordPrompt, // the system user types only the password
    Automatic,      // the system user is logged on without a dialog
    UnknownUser,    // the system user is not in the user table
};

struct LogonChoice {
    LogonMode mode = LogonMode::FullDialog;
    std::string name; // Windows-1252: the system user's name, unless FullDialog
    int slot = -1;
};

// The system user's name as records hold texts, at most 128 characters.
std::string osUserNameForLogon(Services& services);

// The decision from the logon settings, the logon switch and the system user.
LogonChoice chooseLogon(const Database& db, bool loginSwitchGiven, const std::string& osName);

// Sets the current user from a name and password (Windows-1252). Returns the slot, or -1 when
// they do not authenticate.
int completeLogon(Station& station, const std::string& name, const std::string& password);

} // namespace pinora
