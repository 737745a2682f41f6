// User Management and User Information: the list, who may see and change whom, the checks of
// each button and what it stores. The windows present what these return; the texts stay with
// them.
#pragma once

#include "registration.h"

#include <array>
#include <string>
#include <vector>

namespace pinora {

// A user as the list shows them: the slot, and the login name it held when the list was
// filled. Older folders may hold two users of one name, or users with an empty name.
struct ListedUser {
    int slot = -1;
    std::string name;
};

// Every used slot, sorted alphabetically by name ignoring case.
std::vector<ListedUser> userList(const Database& db);
// The slot still holds the user the list showed.
bool stillListed(const Database& db, const ListedUser& user);

// The details panel as the controls hold them (Windows-1252 texts, numbers as typed).
struct UserDetails {
    std::string fullName;
    std::string signature;
    std::string password;
    bool forcePassword = false;
    std::string postCount;
    std::string level;
    bool allowEdit = false;
    bool allowDelete = false;
    bool allowPublish = false;
    bool adminMenu = false;
    bool superUser = false;
    bool extraHelp = false;
    bool bypassDeadline = false;
    bool bypassMaxDays = false;
    std::array<bool, kSetCount> deny{};
};

UserDetails detailsOf(const Database& db, int slot);

// Whether the details of a user are shown, and whether they may be changed. One's own entry
// and ADMIN are never changed here, even by a super user.
struct DetailsAccess {
    bool visible = true;
    bool enabled = true;
};
DetailsAccess detailsAccess(const Station& station, const ListedUser& target);

enum class UpdateCheck { NoFullName, BadLevel, AboveMine, BadPostCount, NoPassword, NotSuperUser };

// Every check of Update that fails, in order; the level range is told once.
std::vector<UpdateCheck> checkUpdate(const Station& station, const UserDetails& d);

enum class UserChange {
    Ok,
    Gone,       // the user was deleted meanwhile, on another workstation
    Full,       // no free slot for a new user
    NoName,     // Add: the name is empty
    FreeMarker, // Add: the name is the free-slot marker in some case
    TooLong,    // Add: the name would be stored cut, and never found as typed
    Taken,      // Add: another slot has the name, ignoring case
    Failed,     // the lock, load or save failed; the result says why
};

// What a change came to, and what the loads, the lock and the save have to tell the user:
// the window presents the result first, then words the change.
struct [[nodiscard]] UserChangeResult {
    UserChange change = UserChange::Failed;
    Result result;
};

// A new user's name, before any lock: NoName, FreeMarker, TooLong or Ok.
UserChange checkNewUserName(const std::string& name);

// Each finds the user again under lock U and writes nothing when the name has gone; the lock
// is always released. The login name is never changed by Update.
UserChangeResult updateUser(Station& station, const ListedUser& user, const UserDetails& d);
UserChangeResult deleteUser(Station& station, const ListedUser& user);
UserChangeResult addUser(Station& station, const std::string& name);
// By name alone, for a user found by name (another station, the tool).
UserChangeResult deleteUser(Station& station, const std::string& name);

enum class MyInformationCheck { NoFullName, NoSignature, Mismatch, NoPassword };
std::vector<MyInformationCheck> checkMyInformation(const PersonalEntries& e);
PersonalEntries myInformation(const Station& station);
// Under lock U ("Update User Information"), into the current user's slot once it is found to
// hold the current user still: Gone when another workstation has deleted them meanwhile.
UserChangeResult saveMyInformation(Station& station, const PersonalEntries& e);

} // namespace pinora
