// Who may view, edit and delete a notice: super user, own notice, or an author at a strictly
// lower level with the matching right.
#include "db/station.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;

namespace {

class Access : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFreshDatabase(dir.str());
        ASSERT_EQ(st.db.loadUsers(), Result::Ok);
        add("ME", 100);
        add("LOW", 50);
        add("EQUAL", 100);
        add("HIGH", 150);
        add("ELIZABETH", 50);
        add("MARGARET", 100);
        logOn("ME");
    }
    int add(const std::string& name, std::uint8_t level) {
        const int slot = st.db.findFreeUser();
        st.db.setUserCredentials(slot, name, "pw");
        st.db.user(slot).securityLevel = level;
        return slot;
    }
    void logOn(const std::string& name) {
        st.currentUserName = name;
        st.currentUserSlot = st.db.findUser(name);
    }
    UserRecord& me() { return st.currentUser(); }
    // "VED" with a letter for each rule that grants, '-' for each that does not.
    std::string rights(const std::string& owner) {
        return std::string(1, st.mayViewNotice(owner) ? 'V' : '-') +
               (st.mayEditNotice(owner) ? 'E' : '-') + (st.mayDeleteNotice(owner) ? 'D' : '-');
    }

    TempFolder dir;
    FakeServices fs;
    Station st{dir.str(), fs.services()};
};

} // namespace

TEST_F(Access, OwnNoticesInAnyCase) {
    EXPECT_EQ(rights("ME"), "VED");
    EXPECT_EQ(rights("me"), "VED");
}

TEST_F(Access, LowerLevelNeedsTheRightToEditOrDelete) {
    EXPECT_EQ(rights("LOW"), "V--");
    me().allowEdit = true;
    EXPECT_EQ(rights("LOW"), "VE-");
    me().allowEdit = false;
    me().allowDelete = true;
    EXPECT_EQ(rights("LOW"), "V-D");
    me().allowEdit = true;
    // Equal and higher levels grant nothing, whatever the rights.
    EXPECT_EQ(rights("EQUAL"), "---");
    EXPECT_EQ(rights("HIGH"), "---");
}

TEST_F(Access, LevelsCompareAsUnsignedBytes) {
    me().securityLevel = 255;
    me().allowEdit = true;
    st.db.user(st.db.findUser("HIGH")).securityLevel = 200;
    EXPECT_EQ(rights("HIGH"), "VE-");
}

TEST_F(Access, UnknownOrDeletedAuthorGrantsNothingByLevel) {
    me().allowEdit = me().allowDelete = true;
    EXPECT_EQ(rights("GHOST"), "---");
    EXPECT_EQ(rights(""), "---");
    const int low = st.db.findUser("LOW");
    st.db.user(low).loginName = st.db.scramble("[NONE]"); // deleted, level 50 stays behind
    EXPECT_EQ(rights("LOW"), "---");
    EXPECT_EQ(rights("[NONE]"), "---");
    me().superUser = true;
    EXPECT_EQ(rights("GHOST"), "VED");
}

TEST_F(Access, LongLoginNamesMatchTheirSevenCharacterOwner) {
    // The owner field keeps 7 characters of the author's name.
    EXPECT_EQ(rights("ELIZABE"), "V--"); // level 50 found through the shortened name
    logOn("MARGARET");
    EXPECT_EQ(rights("MARGARE"), "VED");
    EXPECT_EQ(rights("margare"), "VED");
    EXPECT_EQ(rights("MARGAR"), "---");
    // The same rules given whole login names, as user management uses them.
    EXPECT_EQ(rights("MARGARET"), "VED");
    EXPECT_EQ(rights("ELIZABETH"), "V--");
    EXPECT_EQ(st.ownerLevel("ELIZABE").value_or(0), 50);
    EXPECT_FALSE(st.ownerLevel("ELIZA").has_value());
}

TEST_F(Access, SuperUserMayDoEverything) {
    me().superUser = true;
    me().securityLevel = 1;
    EXPECT_EQ(rights("HIGH"), "VED");
    EXPECT_EQ(rights("EQUAL"), "VED");
}

TEST_F(Access, NobodyLoggedOnMayDoNothing) {
    st.currentUserSlot = -1;
    st.currentUserName = "";
    EXPECT_EQ(rights("LOW"), "---");
    EXPECT_EQ(rights(""), "---");
    EXPECT_FALSE(st.isOwn(""));
}
