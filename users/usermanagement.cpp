#include "usermanagement.h"

#include "db/text.h"

#include <algorithm>

namespace pinora {

std::vector<ListedUser> userList(const Database& db) {
    std::vector<ListedUser> users;
    for (int n = 1; n <= kUserCount; ++n)
        if (!db.userSlotFree(n)) users.push_back({n, db.userLoginName(n)});
    std::stable_sort(users.begin(), users.end(), [](const ListedUser& a, const ListedUser& b) {
        return upperAscii(a.name) < upperAscii(b.name);
    });
    return users;
}

bool stillListed(const Database& db, const ListedUser& user) {
    return user.slot >= 1 && user.slot <= kUserCount && !db.userSlotFree(user.slot) &&
           db.userLoginName(user.slot) == user.name;
}

namespace {

// The rights as the panel and the record both hold them.
struct FlagField {
    bool UserDetails::*details;
    Flag UserRecord::*record;
};
constexpr FlagField kFlags[] = {
    {&UserDetails::forcePassword, &UserRecord::forcePassword},
    {&UserDetails::allowEdit, &UserRecord::allowEdit},
    {&UserDetails::allowDelete, &UserRecord::allowDelete},
    {&UserDetails::allowPublish, &UserRecord::allowPublish},
    {&UserDetails::adminMenu, &UserRecord::adminMenu},
    {&UserDetails::superUser, &UserRecord::superUser},
    {&UserDetails::extraHelp, &UserRecord::extraHelp},
    {&UserDetails::bypassDeadline, &UserRecord::bypassDeadline},
    {&UserDetails::bypassMaxDays, &UserRecord::bypassMaxDays},
};

} // namespace

UserDetails detailsOf(const Database& db, int slot) {
    const UserRecord& u = db.user(slot);
    UserDetails d;
    d.fullName = u.fullName.str();
    d.signature = u.signature.str();
    d.password = db.userPassword(slot);
    d.postCount = std::to_string(u.postCount);
    d.level = std::to_string(u.securityLevel);
    for (const FlagField& f : kFlags)
        d.*f.details = u.*f.record;
    for (int k = 0; k < kSetCount; ++k)
        d.deny[static_cast<std::size_t>(k)] = u.denySet[k];
    return d;
}

DetailsAccess detailsAccess(const Station& station, const ListedUser& target) {
    DetailsAccess a;
    if (!station.mayViewUserAt(target.slot)) a.visible = false;
    if (!station.mayEditUserAt(target.slot)) a.enabled = false;
    if (station.loggedOn() && station.currentUser().superUser) a = DetailsAccess{};
    // Users change their own record through User Information only.
    if (target.slot == station.currentUserSlot ||
        equalsIgnoreCase(target.name, station.currentUserName))
        a.enabled = false;
    if (target.name == kAdminName) a.enabled = false;
    return a;
}

std::vector<UpdateCheck> checkUpdate(const Station& station, const UserDetails& d) {
    std::vector<UpdateCheck> failed;
    const int mine = station.loggedOn() ? station.currentUser().securityLevel : 0;
    const bool superUser = station.loggedOn() && station.currentUser().superUser;
    if (d.fullName.empty()) failed.push_back(UpdateCheck::NoFullName);
    const auto level = wholeNumber(d.level);
    if (!validLevel(d.level)) failed.push_back(UpdateCheck::BadLevel);
    if (level && *level > mine) failed.push_back(UpdateCheck::AboveMine);
    if (!wholeNumber(d.postCount)) failed.push_back(UpdateCheck::BadPostCount);
    if (d.password.empty()) failed.push_back(UpdateCheck::NoPassword);
    if (d.superUser && !superUser) failed.push_back(UpdateCheck::NotSuperUser);
    return failed;
}

UserChange checkNewUserName(const std::string& name) {
    if (name.empty()) return UserChange::NoName;
    if (equalsIgnoreCase(name, freeMarker)) return UserChange::FreeMarker;
    // The scrambled form takes one character more than the text.
    if (name.size() > 15) return UserChange::TooLong;
    return UserChange::Ok;
}

namespace {

// The change frame of user management: the user found again under the lock, or Gone with
// nothing written.
UserChangeResult changeFoundUser(Station& station, const char* task,
                                 const std::function<int()>& find,
                                 const std::function<void(int slot)>& change) {
    bool gone = false;
    Result r = station.db.changeUsers(station.currentUserName, task, [&] {
        const int slot = find();
        if (slot < 0) {
            gone = true;
            return false;
        }
        change(slot);
        return true;
    });
    if (gone) return {UserChange::Gone, std::move(r)};
    return {r ? UserChange::Ok : UserChange::Failed, std::move(r)};
}

std::function<int()> bySlot(const Database& db, const ListedUser& user) {
    return [&db, user] { return stillListed(db, user) ? user.slot : -1; };
}

UserChangeResult deleteFound(Station& station, const std::function<int()>& find) {
    return changeFoundUser(station, "Delete User", find,
                           [&](int slot) { station.db.setUserName(slot, freeMarker); });
}

} // namespace

UserChangeResult updateUser(Station& station, const ListedUser& user, const UserDetails& d) {
    return changeFoundUser(station, "Update User", bySlot(station.db, user), [&](int slot) {
        UserRecord& u = station.db.user(slot);
        u.fullName = d.fullName;
        u.signature = d.signature;
        station.db.setUserPassword(slot, d.password);
        u.postCount = wholeNumber(d.postCount).value_or(u.postCount);
        u.securityLevel = static_cast<std::uint8_t>(wholeNumber(d.level).value_or(u.securityLevel));
        for (const FlagField& f : kFlags)
            u.*f.record = d.*f.details;
        for (int k = 0; k < kSetCount; ++k)
            u.denySet[k] = d.deny[static_cast<std::size_t>(k)];
    });
}

UserChangeResult deleteUser(Station& station, const ListedUser& user) {
    return deleteFound(station, bySlot(station.db, user));
}

UserChangeResult deleteUser(Station& station, const std::string& name) {
    const Database& db = station.db;
    return deleteFound(station, [&db, name] { return db.findUser(name); });
}

UserChangeResult addUser(Station& station, const std::string& name) {
    if (const UserChange c = checkNewUserName(name); c != UserChange::Ok)
        return {c, Result::declined()};
    Database& db = station.db;
    // The template as saved now; on failure its message is told first and the one in memory
    // is used.
    const Result config = db.loadConfig();
    const UserRecord templ = db.config.newUserTemplate;
    UserChange refused = UserChange::Ok;
    Result r = db.changeUsers(station.currentUserName, "Create New User", [&] {
        // findUser finds only the first of two equal names, so a second would be lost.
        if (db.findUser(name) >= 0) {
            refused = UserChange::Taken;
            return false;
        }
        const int slot = db.findFreeUser();
        if (slot < 0) {
            refused = UserChange::Full;
            return false;
        }
        db.user(slot) = templ;
        db.setUserName(slot, name);
        return true;
    });
    r.after(config);
    if (refused != UserChange::Ok) return {refused, std::move(r)};
    return {r ? UserChange::Ok : UserChange::Failed, std::move(r)};
}

std::vector<MyInformationCheck> checkMyInformation(const PersonalEntries& e) {
    std::vector<MyInformationCheck> failed;
    if (e.fullName.empty()) failed.push_back(MyInformationCheck::NoFullName);
    if (e.signature.empty()) failed.push_back(MyInformationCheck::NoSignature);
    if (e.password1 != e.password2) failed.push_back(MyInformationCheck::Mismatch);
    if (e.password1.empty()) failed.push_back(MyInformationCheck::NoPassword);
    return failed;
}

PersonalEntries myInformation(const Station& station) {
    PersonalEntries e;
    if (!station.loggedOn()) return e;
    const UserRecord& u = station.currentUser();
    e.fullName = u.fullName.str();
    e.signature = u.signature.str();
    e.password1 = e.password2 = station.db.userPassword(station.currentUserSlot);
    e.extraHelp = u.extraHelp;
    return e;
}

UserChangeResult saveMyInformation(Station& station, const PersonalEntries& e) {
    if (!station.loggedOn()) return {UserChange::Gone, Result::declined()};
    // The slot may have been freed and given to someone else on another workstation. A
    // login name is stored as its first 15 characters.
    const int mine = station.currentUserSlot;
    const std::string name = station.currentUserName.substr(0, 15);
    const auto find = [&station, mine, name] {
        const Database& db = station.db;
        return !db.userSlotFree(mine) && equalsIgnoreCase(db.userLoginName(mine), name) ? mine
                                                                                         : -1;
    };
    return changeFoundUser(station, "Update User Information", find, [&](int slot) {
        UserRecord& u = station.db.user(slot);
        u.fullName = e.fullName;
        u.signature = e.signature;
        station.db.setUserPassword(slot, e.password1);
        u.extraHelp = e.extraHelp;
    });
}

} // namespace pinora
