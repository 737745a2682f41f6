// User Management through its named controls, and two stations on one folder where one deletes
// the user the other shows.
#include "db/text.h"
#include "support/bytes.h"
#include "support/stationtest.h"
#include "ui/messages.h"
#include "users/windows/usermanagementfrm.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace pinora;
using namespace pinora::test;
using ui::Messages;

namespace {

const QString kGone =
    QStringLiteral("This user is no longer in the database. They may have been deleted on another "
                   "workstation. The list of users will now be refreshed");
const QString kBadLevel = QStringLiteral("You must specify a security level between 1 and 200");

class UserManagementTest : public StationTest {
  protected:
    std::unique_ptr<TUserManagementFrm> um;

    void SetUp() override {
        Messages::clear();
        StationTest::SetUp();
    }
    void TearDown() override {
        um.reset();
        Messages::clear();
    }

    int add(const std::string& name, int level, bool allowEdit = false, bool allowDelete = false) {
        EXPECT_EQ(st->db.loadUsers(), Result::Ok);
        const int slot = st->db.findFreeUser();
        st->db.user(slot) = st->db.config.newUserTemplate;
        st->db.setUserCredentials(slot, name, "pw");
        UserRecord& u = st->db.user(slot);
        u.fullName = "Full " + name;
        u.signature = "Sig " + name;
        u.securityLevel = static_cast<std::uint8_t>(level);
        u.allowEdit = allowEdit;
        u.allowDelete = allowDelete;
        EXPECT_TRUE(st->db.saveUsers());
        return slot;
    }
    void logon(const std::string& name) {
        logOnAs(name);
        um = std::make_unique<TUserManagementFrm>(*st);
        um->show();
        Messages::clear();
    }
    QStringList listed() const {
        QStringList out;
        auto* list = um->findChild<QListWidget*>("userlist");
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    void select(const QString& name) {
        auto* list = um->findChild<QListWidget*>("userlist");
        const auto items = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        list->setCurrentItem(items[0]);
        um->userlistClick();
    }
    QGroupBox* options() const { return um->findChild<QGroupBox*>("useroptions"); }
    // Shown and open for changes (the test window is shown, so visibility is the box's own).
    std::pair<bool, bool> access() const {
        return {options()->isVisibleTo(um.get()), options()->isEnabled()};
    }
    QLineEdit* edit(const char* name) const { return um->findChild<QLineEdit*>(name); }
    QCheckBox* box(const char* name) const { return um->findChild<QCheckBox*>(name); }
    void press(const char* name) { um->findChild<QPushButton*>(name)->click(); }
    std::string users() const { return readBytes(folder / "USER.DB"); }
    bool lockFree() const { return !std::filesystem::exists(folder / "DB-U.LCK"); }
};

TEST_F(UserManagementTest, ASuperUserSeesOwnEntryAndAdminReadOnlyAndOthersOpen) {
    add("zed", 10);
    add("Boss", 250);
    add("amy", 10);
    st->db.user(st->db.findUser("Boss")).superUser = true;
    ASSERT_TRUE(st->db.saveUsers());
    logon("boss");
    EXPECT_EQ(listed(), (QStringList{"ADMIN", "amy", "Boss", "zed"}));
    EXPECT_EQ(access(), std::make_pair(true, false)) << "ADMIN first, read-only";
    EXPECT_EQ(edit("name")->text(), QStringLiteral("Administrator"));
    select("Boss");
    EXPECT_EQ(access(), std::make_pair(true, false)) << "own entry";
    select("amy");
    EXPECT_EQ(access(), std::make_pair(true, true));
    EXPECT_EQ(edit("password")->text(), QStringLiteral("pw"));
    EXPECT_EQ(edit("securitylvl")->text(), QStringLiteral("10"));
}

TEST_F(UserManagementTest, AnEditorAtFiftySeesAndEditsFortyNineButNotFifty) {
    add("editor", 50, true);
    add("lower", 49);
    add("peer", 50);
    add("Teacher", 60);
    add("Teacher1", 50, true, true); // a notice owner would be only "Teacher"
    logon("editor");
    select("lower");
    EXPECT_EQ(access(), std::make_pair(true, true));
    select("peer");
    EXPECT_FALSE(access().first);
    select("editor");
    EXPECT_EQ(access(), std::make_pair(true, false));

    // The level checks: out of range told once, above mine refused, equal allowed.
    select("lower");
    const QString above =
        QStringLiteral("You cannot specify a security level higher than yours. Yours is 50");
    const std::pair<const char*, QStringList> levels[] = {
        {"x", {kBadLevel}}, {"0", {kBadLevel}}, {"201", {kBadLevel, above}}, {"51", {above}}};
    const std::string before = users();
    for (const auto& [level, messages] : levels) {
        Messages::clear();
        edit("securitylvl")->setText(level);
        press("BitBtn1");
        EXPECT_EQ(Messages::shownTexts(), messages) << level;
    }
    Messages::clear();
    edit("securitylvl")->setText("40");
    box("superuser")->setChecked(true);
    press("BitBtn1");
    EXPECT_EQ(Messages::shownTexts(),
              QStringList{QStringLiteral("Only super users may appoint others to be super users. "
                                         "You are not a super user")});
    EXPECT_EQ(users(), before);

    Messages::clear();
    box("superuser")->setChecked(false);
    edit("securitylvl")->setText("50");
    edit("postcount")->setText("7");
    edit("name")->setText("Lower Person");
    press("BitBtn1");
    EXPECT_TRUE(Messages::shownTexts().isEmpty());
    EXPECT_TRUE(lockFree());
    ASSERT_EQ(st->db.loadUsers(), Result::Ok);
    const UserRecord& u = st->db.user(st->db.findUser("lower"));
    EXPECT_EQ(u.securityLevel, 50);
    EXPECT_EQ(u.postCount, 7);
    EXPECT_EQ(u.fullName.str(), "Lower Person");

    // Teacher1 holds no rights over the user Teacher, whose name is its own first seven letters.
    st->currentUserName = "Teacher1";
    st->currentUserSlot = st->db.findUser("Teacher1");
    EXPECT_FALSE(st->mayViewUser("Teacher"));
    EXPECT_FALSE(st->mayEditUser("Teacher"));
    EXPECT_FALSE(st->mayDeleteUser("Teacher"));
    add("small", 10);
    EXPECT_TRUE(st->mayDeleteUser("small"));
}

TEST_F(UserManagementTest, AddRefusesBadNamesAndAFullTableWritingNothing) {
    logon("ADMIN");
    add("Existing", 10);
    const std::string before = users();
    const std::pair<QString, QString> refused[] = {
        {"", "You must specify a login name for your new user"},
        {"[none]", "[NONE] cannot be used as a login name. Please choose another login name"},
        {"abcdefghijklmnop", "A login name cannot be longer than 15 characters. Please choose a "
                             "shorter login name"},
        {"EXISTING", "There is already a user called EXISTING in the database. Please choose "
                     "another login name"},
    };
    for (const auto& [name, message] : refused) {
        Messages::clear();
        Messages::queueText(name);
        press("BitBtn3");
        EXPECT_EQ(Messages::shownTexts(),
                  (QStringList{"Enter a login name for your new user", message}));
    }
    Messages::clear();
    press("BitBtn3"); // cancelled
    EXPECT_EQ(users(), before);
    EXPECT_TRUE(lockFree());

    Messages::queueText("newbie");
    press("BitBtn3");
    EXPECT_EQ(um->selectedName(), "newbie");
    ASSERT_EQ(st->db.loadUsers(), Result::Ok);
    const int slot = st->db.findUser("newbie");
    ASSERT_GT(slot, 0);
    EXPECT_EQ(st->db.user(slot).securityLevel, st->db.config.newUserTemplate.securityLevel);
    EXPECT_TRUE(st->db.user(slot).fullName.empty());

    for (int n = 1; n <= kUserCount; ++n)
        if (st->db.userSlotFree(n)) st->db.setUserName(n, "u" + std::to_string(n));
    ASSERT_TRUE(st->db.saveUsers());
    const std::string full = users();
    Messages::clear();
    Messages::queueText("onemore");
    press("BitBtn3");
    EXPECT_EQ(Messages::shownTexts().last(),
              QStringLiteral("Unfortunately there are too many people in the database at this "
                             "point in time. Please delete another user before trying to add one"));
    EXPECT_EQ(users(), full);
    EXPECT_TRUE(lockFree());
}

TEST_F(UserManagementTest, DeleteFreesOnlyTheNameAndKeepsNoticesAndHiddenDenyFlags) {
    const int slot = add("leaver", 10);
    st->db.user(slot).denySet[5] = true; // set 6 has no name, so no box
    ASSERT_TRUE(st->db.saveUsers());
    ASSERT_EQ(st->db.loadNotices(), Result::Ok);
    st->db.notice(3).owner = st->db.scramble("leaver");
    ASSERT_TRUE(st->db.saveNotices());
    const std::string notices = readBytes(folder / "NOTICE.DB");
    logon("ADMIN");
    select("leaver");
    EXPECT_FALSE(box("Set6")->isVisibleTo(um.get()));
    EXPECT_TRUE(box("Set1")->isVisibleTo(um.get()));
    EXPECT_EQ(box("Set1")->text(), QStringLiteral("Students"));
    edit("name")->setText("Leaving Soon");
    press("BitBtn1");
    ASSERT_EQ(st->db.loadUsers(), Result::Ok);
    EXPECT_TRUE(st->db.user(slot).denySet[5]);
    EXPECT_EQ(st->db.user(slot).fullName.str(), "Leaving Soon");

    press("BitBtn2"); // No
    EXPECT_GT(st->db.findUser("leaver"), 0);
    Messages::queueAnswer(true);
    press("BitBtn2");
    ASSERT_EQ(st->db.loadUsers(), Result::Ok);
    EXPECT_EQ(st->db.findUser("leaver"), -1);
    EXPECT_TRUE(st->db.userSlotFree(slot));
    EXPECT_EQ(st->db.user(slot).fullName.str(), "Leaving Soon");
    EXPECT_EQ(listed(), QStringList{"ADMIN"});
    EXPECT_EQ(readBytes(folder / "NOTICE.DB"), notices);
    EXPECT_TRUE(lockFree());

    // Without the right, delete is refused before the question.
    add("a", 10);
    add("b", 20, true, false);
    st->currentUserName = "b";
    st->currentUserSlot = st->db.findUser("b");
    um->FormShow();
    select("a");
    Messages::clear();
    press("BitBtn2");
    EXPECT_EQ(Messages::shownTexts(),
              QStringList{QStringLiteral("You are not allowed to delete other users")});
}

TEST_F(UserManagementTest, AUserDeletedOnAnotherStationIsNeitherUpdatedNorDeleted) {
    add("target", 10);
    add("keeper", 10);
    logon("ADMIN");
    select("target");

    FakeServices otherFakes;
    const std::unique_ptr<Station> admin = otherStation(otherFakes, "ADMIN");
    Station& other = *admin;
    ASSERT_EQ(deleteUser(other, "target").change, UserChange::Ok);
    const std::string before = users();

    edit("name")->setText("Changed");
    press("BitBtn1");
    EXPECT_EQ(Messages::shownTexts(), QStringList{kGone});
    EXPECT_EQ(users(), before);
    EXPECT_TRUE(lockFree());
    EXPECT_EQ(listed(), (QStringList{"ADMIN", "keeper"}));

    // Deleted again before this station's delete.
    ASSERT_EQ(addUser(other, "again").change, UserChange::Ok);
    um->FormShow();
    select("again");
    ASSERT_EQ(deleteUser(other, "again").change, UserChange::Ok);
    const std::string before2 = users();
    Messages::clear();
    Messages::queueAnswer(true);
    press("BitBtn2");
    EXPECT_EQ(Messages::shownTexts(), (QStringList{"Are you sure?", kGone}));
    EXPECT_EQ(users(), before2);
    EXPECT_TRUE(lockFree());
}

TEST_F(UserManagementTest, DetailsUpdateAndDeleteFollowTheEntryTheKeyboardMovesTo) {
    add("ANN", 10);
    add("BOB", 20);
    add("CAT", 30);
    logon("ADMIN");
    auto* list = um->findChild<QListWidget*>("userlist");
    const auto clickRow = [&](int row) {
        const QRect r = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    };
    ASSERT_EQ(listed(), (QStringList{"ADMIN", "ANN", "BOB", "CAT"}));
    clickRow(1);
    EXPECT_EQ(edit("name")->text(), QStringLiteral("Full ANN"));
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("BOB"));
    EXPECT_EQ(edit("name")->text(), QStringLiteral("Full BOB"));
    EXPECT_EQ(edit("securitylvl")->text(), QStringLiteral("20"));

    // Update writes to the highlighted user, not to the one clicked before.
    edit("name")->setText("Robert");
    QTest::mouseClick(um->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
    ASSERT_EQ(st->db.loadUsers(), Result::Ok);
    EXPECT_EQ(st->db.user(st->db.findUser("BOB")).fullName.str(), "Robert");
    EXPECT_EQ(st->db.user(st->db.findUser("ANN")).fullName.str(), "Full ANN");

    Messages::queueAnswer(true);
    QTest::mouseClick(um->findChild<QPushButton*>("BitBtn2"), Qt::LeftButton);
    EXPECT_EQ(listed(), (QStringList{"ADMIN", "ANN", "CAT"}));

    // Typing a name's first letter makes it current, and Delete takes that one.
    QTest::keyClicks(list, "c");
    EXPECT_EQ(edit("name")->text(), QStringLiteral("Full CAT"));
    Messages::queueAnswer(true);
    QTest::mouseClick(um->findChild<QPushButton*>("BitBtn2"), Qt::LeftButton);
    EXPECT_EQ(listed(), (QStringList{"ADMIN", "ANN"}));
    EXPECT_TRUE(lockFree());
}

TEST_F(UserManagementTest, UsersWithAnEmptyOrRepeatedNameAreShownUpdatedAndDeletedBySlot) {
    // Older folders hold such records: Add once stored empty names.
    const int empty = add("x", 10);
    const int first = add("twin", 10);
    const int second = add("y", 20);
    st->db.setUserName(empty, "");
    st->db.setUserName(second, "twin");
    ASSERT_TRUE(st->db.saveUsers());
    logon("ADMIN");
    auto* list = um->findChild<QListWidget*>("userlist");
    ASSERT_EQ(listed(), (QStringList{"", "ADMIN", "twin", "twin"}));

    list->setCurrentRow(0);
    EXPECT_TRUE(options()->isEnabled());
    EXPECT_EQ(edit("name")->text(), QStringLiteral("Full x"));
    edit("name")->setText("Nameless");
    press("BitBtn1");
    list->setCurrentRow(3);
    EXPECT_EQ(edit("securitylvl")->text(), QStringLiteral("20"));
    Messages::queueAnswer(true);
    press("BitBtn2");

    ASSERT_EQ(st->db.loadUsers(), Result::Ok);
    EXPECT_EQ(st->db.user(empty).fullName.str(), "Nameless");
    EXPECT_TRUE(st->db.userSlotFree(second));
    EXPECT_FALSE(st->db.userSlotFree(first));
    EXPECT_EQ(Messages::shownTexts(), QStringList{"Are you sure?"});

    list->setCurrentRow(0);
    Messages::clear();
    Messages::queueAnswer(true);
    press("BitBtn2");
    ASSERT_EQ(st->db.loadUsers(), Result::Ok);
    EXPECT_TRUE(st->db.userSlotFree(empty));
    EXPECT_EQ(listed(), (QStringList{"ADMIN", "twin"}));
}

TEST_F(UserManagementTest, AMissingOrUnwritableUserFileIsToldAndTheListShowsTheFile) {
    add("ANN", 10);
    logon("ADMIN");
    select("ANN");
    std::filesystem::remove(folder / "USER.DB");
    edit("name")->setText("Changed");
    press("BitBtn1");
    Messages::queueText("newbie");
    press("BitBtn3");
    // The windows present what the database tells as information boxes.
    std::vector<std::string> told;
    for (const ui::ShownBox& b : Messages::shown())
        if (b.kind == ui::ShownBox::Kind::Information) told.push_back(b.text.toStdString());
    ASSERT_EQ(told.size(), 2u);
    for (const std::string& m : told)
        EXPECT_EQ(m, missingFileMessage("USER.DB"));
    EXPECT_FALSE(std::filesystem::exists(folder / "USER.DB"));
    EXPECT_TRUE(lockFree());
}

} // namespace
