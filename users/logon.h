// Who the user of this copy of the program is: the logon decision and its completion.
#pragma once

#include "db/station.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace pinora {

enum class LogonMode {
    FullDialog,     // name and password typed
    PasswordPrompt, // the system user types only the password
    Automatic,      // the system user is logged on without a dialog
    UnknownUser,    // the system user is not in the user table
};

struct LogonChoice {
    LogonMode mode = LogonMode::FullDialog;
    // Windows-1252, unless FullDialog: the system user's name, as stored when the user is found
    std::string name;
    int slot = -1;
};

// The system user's name as records hold texts, at most 128 characters.
std::string osUserNameForLogon(Services& services);

// A login name holds at most this many characters; a longer one is stored as its first ones.
inline constexpr std::size_t kLoginNameLength = 15;

// The system user's name as registration stores it: its first kLoginNameLength characters.
std::string storedLoginName(std::string_view osName);

// The slot of the system user: found under the name as it was stored at registration, ignoring
// case, so that a long system name is found again at every start. -1 when there is none.
// (findUser, which user management uses, compares whole names.)
int findSystemUser(const Database& db, std::string_view osName);

// The decision from the logon settings, the logon switch and the system user.
LogonChoice chooseLogon(const Database& db, bool loginSwitchGiven, const std::string& osName);

// Sets the current user from a name and password (Windows-1252). Returns the slot, or -1 when
// they do not authenticate.
int completeLogon(Station& station, const std::string& name, const std::string& password);

} // namespace pinora
