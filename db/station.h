// One running copy of the program: the database as this station sees it, who is logged on,
// and the operations of the shared database that need to know the user.
#pragma once

#include "database.h"

#include <array>
#include <optional>
#include <string>

namespace pinora {

class Station {
  public:
    Station(std::string folder, Services services);

    Database db;
    std::string currentUserName; // Windows-1252, as typed or as the system gave it
    int currentUserSlot = -1;

    Services& services() { return db.services(); }
    TDateTime now() const { return const_cast<Station*>(this)->services().clock->now(); }
    UserRecord& currentUser() { return db.user(currentUserSlot); }
    const UserRecord& currentUser() const { return db.user(currentUserSlot); }
    bool loggedOn() const; // currentUserSlot is a slot number

    // Takes the lowest free slot under lock N ("Creating Notice"), fills it for the current
    // user and writes an empty message file. Declined when no slot is free; Failed when nobody
    // is logged on. n is set once the slot is taken: a Failed result with n set is the message
    // file, which detail() says why.
    Result allocateNotice(TDateTime start, TDateTime end,
                          const std::array<bool, kSetCount>& inSet, int& n);
    // Frees notice n under lock N with the given task text ("Cancel Notice", "Delete Notice").
    // These and addPost are Declined for a notice number out of range, or no one logged on.
    Result freeNotice(int n, std::string_view task);
    Result updateNoticeDates(int n, TDateTime start, TDateTime end);
    Result updateNoticeSets(int n, const std::array<bool, kSetCount>& inSet);
    // Adds one to the current user's post count under lock U ("Submitting Notice").
    Result addPost();

    // Access rules on a notice's unscrambled owner.
    bool isOwn(std::string_view owner) const;
    std::optional<std::uint8_t> ownerLevel(std::string_view owner) const;
    bool mayViewNotice(std::string_view owner) const;
    bool mayEditNotice(std::string_view owner) const;
    bool mayDeleteNotice(std::string_view owner) const;

    // The same rules on a user's whole login name: "own" is the same name ignoring case, and
    // the level is that of the slot findUser finds. A notice owner is only the first 7
    // characters, so reading a name as an owner would make "Teacher1" own user "Teacher".
    bool mayViewUser(std::string_view loginName) const;
    bool mayEditUser(std::string_view loginName) const;
    bool mayDeleteUser(std::string_view loginName) const;
    // The same for the user in a slot, which is how a list knows them: names may repeat, or
    // be empty in older folders.
    bool mayViewUserAt(int slot) const;
    bool mayEditUserAt(int slot) const;
    bool mayDeleteUserAt(int slot) const;

  private:
    enum class Access { View, Edit, Delete };
    // The one access rule: super user, or own, or a level strictly below mine (with the right
    // for editing and deleting). An unknown level grants nothing.
    bool allows(Access access, bool own, std::optional<std::uint8_t> level) const;
    bool allowsUser(Access access, std::string_view loginName, int slot) const;
    std::string slotName(int slot) const;
    const UserRecord& me() const;
};

} // namespace pinora
