// User Information: each user's own details, checked and saved under the lock, and never over
// a slot another station gave to someone else.
#include "db/text.h"
#include "support/bytes.h"
#include "support/stationtest.h"
#include "ui/messages.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include "users/windows/userinfofrm.h"

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace pinora;
using namespace pinora::test;
using ui::Messages;

namespace {

class UserInformation : public StationTest {
  protected:
    void SetUp() override {
        Messages::clear();
        StationTest::SetUp();
    }
    void TearDown() override { Messages::clear(); }
};

TEST_F(UserInformation, ChecksThenSavesOwnDetailsUnderTheLockWithTheBusyLight) {
    logOnAs("admin");
    TUserInfofrm w(*st);
    std::vector<bool> busy;
    w.setBusy = [&](bool on) { busy.push_back(on); };
    w.show();
    auto edit = [&](const char* n) { return w.findChild<QLineEdit*>(n); };
    EXPECT_EQ(edit("fullname")->text(), QStringLiteral("Administrator"));
    EXPECT_EQ(edit("password2")->text(), QStringLiteral("secret"));
    const std::string before = readBytes(folder / "USER.DB");

    edit("fullname")->clear();
    edit("signature")->clear();
    edit("password1")->clear();
    w.findChild<QPushButton*>("BitBtn1")->click();
    EXPECT_EQ(Messages::shownTexts(),
              (QStringList{"You must specify your full name",
                           "You must specify a signature. A signature appears at the bottom of "
                           "your notice entries.",
                           "Your passwords do not match", "You must specify a password"}));
    Messages::clear();
    edit("fullname")->setText("Head");
    edit("signature")->setText("The Head");
    edit("password1")->setText("New");
    edit("password2")->setText("new");
    w.findChild<QPushButton*>("BitBtn1")->click();
    EXPECT_EQ(Messages::shownTexts(), QStringList{"Your passwords do not match"});
    EXPECT_EQ(readBytes(folder / "USER.DB"), before);
    EXPECT_TRUE(busy.empty());

    edit("password2")->setText("New");
    w.findChild<QCheckBox*>("extrahelp")->setChecked(true);
    w.findChild<QPushButton*>("BitBtn1")->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
    Database d(folder.str(), fakes.services());
    ASSERT_EQ(d.loadUsers(), Result::Ok);
    EXPECT_EQ(d.authenticateUser("ADMIN", "new"), st->currentUserSlot);
    EXPECT_EQ(d.user(st->currentUserSlot).signature.str(), "The Head");
    EXPECT_TRUE(d.user(st->currentUserSlot).extraHelp);
    EXPECT_TRUE(d.user(st->currentUserSlot).superUser);
    EXPECT_FALSE(std::filesystem::exists(folder / "DB-U.LCK"));
    Messages::clear();
}

TEST_F(UserInformation, ASlotReusedOnAnotherStationIsNeverOverwritten) {
    const int slot = storeUser("ann", "pw", [](UserRecord& u) {
        u.fullName = "Ann";
        u.signature = "A";
    });
    logOnAs("ANN");
    ASSERT_EQ(st->currentUserSlot, slot);
    TUserInfofrm w(*st);
    w.show();

    // Another workstation deletes ann, and the next new user takes her slot.
    FakeServices otherFakes;
    const std::unique_ptr<Station> other = otherStation(otherFakes, "ADMIN");
    ASSERT_EQ(deleteUser(*other, "ann").change, UserChange::Ok);
    ASSERT_EQ(addUser(*other, "bob").change, UserChange::Ok);
    ASSERT_EQ(other->db.findUser("bob"), slot);
    const std::string before = readBytes(folder / "USER.DB");

    w.findChild<QLineEdit*>("fullname")->setText("Ann Again");
    QTest::mouseClick(w.findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
    EXPECT_EQ(Messages::shownTexts(),
              QStringList{QStringLiteral("Your account is no longer in the database. It may have "
                                         "been deleted on another workstation. Nothing was saved")});
    EXPECT_EQ(readBytes(folder / "USER.DB"), before);
    EXPECT_TRUE(w.isVisible()) << "what was typed stays on the screen";
    EXPECT_FALSE(std::filesystem::exists(folder / "DB-U.LCK"));
    Messages::clear();
}

} // namespace
