// Self-registration of an unknown system user, and the default rights every new user starts
// with. The windows present what these return; the message texts stay with them.
#pragma once

#include "db/station.h"

#include <string>
#include <vector>

namespace pinora {

// What a user gives about themselves (Windows-1252), in registration and in User Information.
struct PersonalEntries {
    std::string fullName;
    std::string signature;
    std::string password1;
    std::string password2;
    bool extraHelp = false;
};

enum class RegistrationCheck { NoFullName, NoSignature, NoPassword, NoConfirmation, Mismatch };

// Every check that fails, in the order the user is told them. The two passwords are compared
// exactly, although logon later ignores their case.
std::vector<RegistrationCheck> checkRegistration(const PersonalEntries& e);

enum class RegistrationStatus { Ok, Full, Failed };

struct [[nodiscard]] Registration {
    RegistrationStatus status = RegistrationStatus::Failed;
    // The loads and the change under lock U, with what they have to tell the user.
    Result result;
    int slot = -1;
    // The texts as USER.DB now holds them (cut to 15 characters): the logon must use these,
    // or a long name or password would not authenticate.
    std::string storedName;
    std::string storedPassword;
};

// Adds the system user under lock U ("User Registration", held as the current user name): the
// template copied whole into the lowest free slot, then the entries. A full table writes
// nothing and leaves the lock free.
Registration registerUser(Station& station, const std::string& osName, const PersonalEntries& e);

// The template rights the default-rights window edits.
struct DefaultRights {
    bool forcePassword = false;
    bool allowPublish = false;
    bool allowEdit = false;
    bool allowDelete = false;
    bool adminMenu = false;
    std::string level; // as typed
};

DefaultRights defaultRightsOf(const ConfigRecord& c);

// A level typed for a user: a whole number from 1 to 200.
bool validLevel(const std::string& text);

// Reloads CONFIG.DB, stores the rights and the level in the template and saves. A bad level
// is Declined and reads and writes nothing; a file that cannot be read is not written over.
Result saveDefaultRights(Database& db, const DefaultRights& rights);

} // namespace pinora
