// The changes of User Management and User Information without their windows: each outcome,
// and what the loads, the lock and the save have to tell beside it.
#include "support/bytes.h"
#include "support/stationtest.h"
#include "users/usermanagement.h"

#include <utility>

using namespace pinora;
using namespace pinora::test;

namespace {

class UserChanges : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        logOnAs("ADMIN");
    }
    std::string users() const { return readBytes(folder / "USER.DB"); }
    Database usersOnDisk() const {
        FakeServices other;
        Database d(folder.str(), other.services());
        EXPECT_EQ(d.loadUsers(), Result::Ok);
        return d;
    }
};

TEST_F(UserChanges, RefusalsAndUsersGoneMeanwhileWriteNothingAndTellNothing) {
    const int ann = storeUser("ann");
    const std::string before = users();
    const std::pair<std::string, UserChange> refused[] = {
        {"", UserChange::NoName},
        {"[none]", UserChange::FreeMarker},
        {"sixteen letters.", UserChange::TooLong},
        {"ANN", UserChange::Taken},
    };
    for (const auto& [name, why] : refused) {
        const UserChangeResult r = addUser(*st, name);
        EXPECT_EQ(r.change, why) << name;
        EXPECT_EQ(r.result, Result::Declined) << name;
        EXPECT_TRUE(r.result.messages().empty()) << name;
    }
    EXPECT_EQ(users(), before);
    EXPECT_TRUE(noLockFiles());

    // Another station deletes ann; this one still lists her.
    FakeServices otherFakes;
    Station other(folder.str(), otherFakes.services());
    ASSERT_EQ(other.db.loadUsers(), Result::Ok);
    other.currentUserName = "ADMIN";
    ASSERT_EQ(deleteUser(other, "ann").change, UserChange::Ok);
    const std::string deleted = users();
    const ListedUser listed{ann, "ann"};
    UserDetails d = detailsOf(st->db, ann);
    d.fullName = "Changed";
    for (const UserChangeResult& r : {updateUser(*st, listed, d), deleteUser(*st, listed)}) {
        EXPECT_EQ(r.change, UserChange::Gone);
        EXPECT_EQ(r.result, Result::Declined);
        EXPECT_TRUE(r.result.messages().empty());
    }
    EXPECT_EQ(users(), deleted);
    EXPECT_TRUE(noLockFiles());

    // Every slot taken: Full, with the lock released.
    ASSERT_EQ(st->db.loadUsers(), Result::Ok);
    for (int slot = 1; slot <= kUserCount; ++slot)
        if (st->db.userSlotFree(slot)) st->db.setUserName(slot, "u" + std::to_string(slot));
    ASSERT_TRUE(st->db.saveUsers());
    const UserChangeResult full = addUser(*st, "newbie");
    EXPECT_EQ(full.change, UserChange::Full);
    EXPECT_EQ(full.result, Result::Declined);
    EXPECT_TRUE(noLockFiles());
}

TEST_F(UserChanges, WhatTheFilesHaveToTellComesBackInTheOrderItHappened) {
    // A configuration that cannot be read: Add goes on with the template in memory, and its
    // message comes first.
    writeBytes(folder / "CONFIG.DB", "broken");
    UserChangeResult added = addUser(*st, "bob");
    EXPECT_EQ(added.change, UserChange::Ok);
    EXPECT_EQ(added.result, Result::Ok);
    EXPECT_EQ(added.result.messages(), std::vector<std::string>{brokenFileMessage("CONFIG.DB")});
    const Database disk = usersOnDisk();
    const int bob = disk.findUser("bob");
    ASSERT_GT(bob, 0);
    EXPECT_EQ(disk.user(bob).securityLevel, st->db.config.newUserTemplate.securityLevel);

    // USER.DB gone: each change fails, says so after the configuration's word, writes nothing.
    std::filesystem::remove(folder / "USER.DB");
    added = addUser(*st, "carol");
    EXPECT_EQ(added.change, UserChange::Failed);
    EXPECT_EQ(added.result, Result::Missing);
    EXPECT_EQ(added.result.messages(), (std::vector<std::string>{brokenFileMessage("CONFIG.DB"),
                                                                 missingFileMessage("USER.DB")}));
    const UserChangeResult mine = saveMyInformation(*st, myInformation(*st));
    EXPECT_EQ(mine.change, UserChange::Failed);
    EXPECT_EQ(mine.result.messages(), std::vector<std::string>{missingFileMessage("USER.DB")});
    EXPECT_FALSE(std::filesystem::exists(folder / "USER.DB"));
    EXPECT_TRUE(noLockFiles());
}

} // namespace
