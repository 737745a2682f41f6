// Self-registration of a system user the database does not know, driven through its window.
#include "db/text.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/helprecorder.h"
#include "registrationtest.h"
#include "users/windows/autoregconfigfrm.h"
#include "support/tempfolder.h"
#include "ui/messages.h"
#include "users/windows/firstregfrm.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>
#include <gtest/gtest.h>

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace pinora;
using namespace pinora::test;
using ui::Messages;

namespace {

const QString kNoFullName = QStringLiteral("You must specify your full name");
const QString kNoSignature = QStringLiteral(
    "You must specify a signature. A signature is a line of text that appears after your notice "
    "entry in notices.");
const QString kNoPassword = QStringLiteral("You must specify a password.");
const QString kNoConfirm = QStringLiteral("You must confirm your password.");
const QString kMismatch = QStringLiteral(
    "The password field and confirm password field do not match. Make sure they both have the "
    "same password to continue.");
const QString kFull = QStringLiteral(
    "The Pinora cannot fit anymore users in its database. This is an error with the system, and "
    "not yourself. Please contact your Pinora System Administrator to fix the problem");

TEST_F(RegistrationTest, MissingAndMismatchedEntriesEachGiveTheirMessageAndWriteNothing) {
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_EQ(reg->windowTitle(), QStringLiteral("Registration: newteacher"));
    const std::string before = users();

    fill("", "", "", "");
    cont();
    EXPECT_EQ(Messages::shownTexts(),
              (QStringList{kNoFullName, kNoSignature, kNoPassword, kNoConfirm}));

    const struct {
        const char *full, *sig, *p1, *p2;
        QString message;
    } cases[] = {
        {"", "Mr T", "a", "a", kNoFullName},   {"Tom", "", "a", "a", kNoSignature},
        {"Tom", "Mr T", "", "a", kNoPassword}, {"Tom", "Mr T", "a", "", kNoConfirm},
        {"Tom", "Mr T", "a", "b", kMismatch},  {"Tom", "Mr T", "Apple", "apple", kMismatch},
    };
    for (const auto& c : cases) {
        Messages::clear();
        fill(c.full, c.sig, c.p1, c.p2);
        cont();
        QStringList expected{c.message};
        if (QString(c.p1).isEmpty() != QString(c.p2).isEmpty()) expected << kMismatch;
        EXPECT_EQ(Messages::shownTexts(), expected) << c.full << "/" << c.p1 << "/" << c.p2;
    }
    EXPECT_EQ(users(), before);
    EXPECT_TRUE(logons.empty());
    EXPECT_TRUE(reg->isVisible());
}

TEST_F(RegistrationTest, ANewUserGetsTheTemplateAndTheEntriesAndIsLoggedOn) {
    // Default rights saved through their window: the next registration gets exactly them.
    Tautoregconfigfrm rights(*st);
    rights.show();
    for (const char* box :
         {"forcepassword", "allowpublish", "allowedit", "allowdelete", "adminmenu"})
        rights.findChild<QCheckBox*>(box)->setChecked(false);
    rights.findChild<QCheckBox*>("allowdelete")->setChecked(true);
    rights.findChild<QLineEdit*>("securitylvl")->setText("1");
    rights.findChild<QPushButton*>("BitBtn1")->click();
    EXPECT_FALSE(rights.isVisible());
    UserRecord templ = onDisk().config.newUserTemplate;
    EXPECT_EQ(templ.securityLevel, 1);
    EXPECT_TRUE(templ.allowDelete);
    EXPECT_FALSE(templ.allowPublish);

    fill("Tom Teacher", "Mr T", "Pear", "Pear", true);
    cont();
    ASSERT_EQ(logons.size(), 1u);
    EXPECT_EQ(logons[0], (std::pair<std::string, std::string>("newteacher", "Pear")));
    EXPECT_FALSE(reg->isVisible());
    EXPECT_FALSE(closedProgram);
    EXPECT_FALSE(std::filesystem::exists(folder / "DB-U.LCK"));

    Database d = onDisk();
    const int slot = d.findUser("NEWTEACHER");
    ASSERT_EQ(slot, 2);
    UserRecord expected = templ;
    expected.loginName = d.user(slot).loginName;
    expected.password = d.user(slot).password;
    expected.signature = "Mr T";
    expected.fullName = "Tom Teacher";
    expected.postCount = 0;
    expected.extraHelp = true;
    EXPECT_EQ(std::memcmp(&expected, &d.user(slot), sizeof(UserRecord)), 0);
    EXPECT_EQ(d.authenticateUser("newteacher", "pear"), slot);
}

TEST_F(RegistrationTest, AskedNameIsOnlyAskedForTheUserIsStoredUnderTheSystemName) {
    st->db.config.signupAskName = true;
    ASSERT_TRUE(st->db.saveConfig());
    const std::string before = users();
    fill("Tom", "Mr T", "a", "a");
    cont(); // cancelled
    Messages::queueText("");
    cont();
    const QString noName = QStringLiteral("You must specify a username in order to continue");
    EXPECT_EQ(Messages::shownTexts(),
              (QStringList{QStringLiteral("Please enter your username"), noName,
                           QStringLiteral("Please enter your username"), noName}));
    EXPECT_EQ(users(), before);

    Messages::queueText("somebody-else");
    cont();
    ASSERT_EQ(logons.size(), 1u);
    Database d = onDisk();
    EXPECT_EQ(d.findUser("somebody-else"), -1);
    EXPECT_EQ(d.findUser("newteacher"), 2);
}

TEST_F(RegistrationTest, AFullTableSaysSoReleasesTheLockAndKeepsTheWindowOpen) {
    for (int n = 1; n <= kUserCount; ++n)
        if (st->db.userSlotFree(n)) st->db.setUserName(n, "u" + std::to_string(n));
    ASSERT_TRUE(st->db.saveUsers());
    const std::string before = users();
    fill("Tom", "Mr T", "a", "a");
    cont();
    EXPECT_EQ(Messages::shownTexts(), QStringList{kFull});
    EXPECT_EQ(users(), before);
    EXPECT_FALSE(std::filesystem::exists(folder / "DB-U.LCK"));
    EXPECT_TRUE(reg->isVisible());
    EXPECT_TRUE(logons.empty());

    // Leaving by the close box ends the program.
    reg->close();
    EXPECT_TRUE(closedProgram);
}

TEST_F(RegistrationTest, LongSystemNameAndPasswordLogOnWithTheTextsAsStored) {
    fakes.osUser = "abcdefghijklmnopqrst";
    st->currentUserName = fakes.osUser;
    fill("Tom", "Mr T", "12345678901234567890", "12345678901234567890");
    cont();
    ASSERT_EQ(logons.size(), 1u);
    EXPECT_EQ(logons[0].first, "abcdefghijklmno");
    EXPECT_EQ(logons[0].second, "123456789012345");
    EXPECT_GT(st->db.authenticateUser(logons[0].first, logons[0].second), 0);
    EXPECT_TRUE(Messages::shownTexts().isEmpty());
}

// ---- login configuration ----------------------------------------------------------------------

} // namespace
