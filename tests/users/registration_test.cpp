// Self-registration and the default rights of new users, driven through their windows, and the
// login configuration's choices.
#include "db/text.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/helprecorder.h"
#include "support/tempfolder.h"
#include "ui/messages.h"
#include "users/firstregfrm.h"
#include "users/loginconfig.h"
#include "users/loginconfigfrm.h"

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
const QString kBadLevel = QStringLiteral("Security Level must be a number between 1 and 200");

class RegistrationTest : public ::testing::Test {
  protected:
    TempFolder folder;
    FakeServices fakes;
    std::unique_ptr<Station> station;
    QMainWindow mainWindow;
    std::unique_ptr<Tfirstregfrm> reg;
    std::vector<std::pair<std::string, std::string>> logons;
    bool closedProgram = false;

    void SetUp() override {
        Messages::clear();
        writeFreshDatabase(folder.str());
        fakes.osUser = "newteacher";
        station = std::make_unique<Station>(folder.str(), fakes.services());
        ASSERT_EQ(station->db.loadConfig(), Result::Ok);
        ASSERT_EQ(station->db.loadUsers(), Result::Ok);
        station->db.config.signupAllowed = true;
        ASSERT_TRUE(station->db.saveConfig());
        station->currentUserName = fakes.osUser;
        reg = std::make_unique<Tfirstregfrm>(*station);
        reg->mainWindow = &mainWindow;
        reg->finishLogon = [this](const std::string& n, const std::string& p) {
            logons.emplace_back(n, p);
            return station->db.authenticateUser(n, p) > 0;
        };
        reg->onClose = [this] { closedProgram = true; };
        mainWindow.show();
        reg->show();
    }
    void TearDown() override { Messages::clear(); }

    void fill(const QString& full, const QString& sig, const QString& p1, const QString& p2,
              bool extra = false) {
        reg->findChild<QLineEdit*>("fullname")->setText(full);
        reg->findChild<QLineEdit*>("signature")->setText(sig);
        reg->findChild<QLineEdit*>("password1")->setText(p1);
        reg->findChild<QLineEdit*>("password2")->setText(p2);
        reg->findChild<QCheckBox*>("extrahelp")->setChecked(extra);
    }
    void cont() { reg->findChild<QPushButton*>("BitBtn1")->click(); }
    std::string users() const { return readBytes(folder / "USER.DB"); }
    Database onDisk() {
        FakeServices other;
        Database d(folder.str(), other.services());
        EXPECT_EQ(d.loadUsers(), Result::Ok);
        EXPECT_EQ(d.loadConfig(), Result::Ok);
        return d;
    }
};

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
    Tautoregconfigfrm rights(*station);
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
    station->db.config.signupAskName = true;
    ASSERT_TRUE(station->db.saveConfig());
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
        if (station->db.userSlotFree(n)) station->db.setUserName(n, "u" + std::to_string(n));
    ASSERT_TRUE(station->db.saveUsers());
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
    station->currentUserName = fakes.osUser;
    fill("Tom", "Mr T", "12345678901234567890", "12345678901234567890");
    cont();
    ASSERT_EQ(logons.size(), 1u);
    EXPECT_EQ(logons[0].first, "abcdefghijklmno");
    EXPECT_EQ(logons[0].second, "123456789012345");
    EXPECT_GT(station->db.authenticateUser(logons[0].first, logons[0].second), 0);
    EXPECT_TRUE(Messages::shownTexts().isEmpty());
}

TEST_F(RegistrationTest, DefaultRightsRefuseBadLevelsWithOneMessageAndLeaveTheFile) {
    auto* help = new HelpRecorder(&mainWindow);
    Tautoregconfigfrm rights(*station, &mainWindow);
    rights.show();
    EXPECT_EQ(rights.findChild<QLineEdit*>("securitylvl")->text(), QStringLiteral("100"));
    EXPECT_TRUE(rights.findChild<QCheckBox*>("allowpublish")->isChecked());
    const std::string before = readBytes(folder / "CONFIG.DB");
    for (const char* bad : {"0", "201", "x", "", "1.5"}) {
        Messages::clear();
        rights.findChild<QLineEdit*>("securitylvl")->setText(bad);
        rights.findChild<QPushButton*>("BitBtn1")->click();
        EXPECT_EQ(Messages::shownTexts(), QStringList{kBadLevel}) << bad;
        EXPECT_TRUE(rights.isVisible());
    }
    EXPECT_EQ(readBytes(folder / "CONFIG.DB"), before);
    for (const char* good : {"1", "200"}) {
        rights.show();
        rights.findChild<QLineEdit*>("securitylvl")->setText(good);
        rights.findChild<QPushButton*>("BitBtn1")->click();
        EXPECT_EQ(onDisk().config.newUserTemplate.securityLevel, std::atoi(good));
    }
    rights.show();
    rights.findChild<QPushButton*>("BitBtn3")->click();
    EXPECT_EQ(help->last(), QStringLiteral("autoregs.htm"));
    reg->findChild<QPushButton*>("BitBtn3")->click();
    EXPECT_EQ(help->last(), QStringLiteral("firstreg.htm"));
}

// ---- login configuration ----------------------------------------------------------------------

TEST(LoginConfig, ChoicesReadEveryFlagCombinationAndWriteTheNormalForm) {
    for (int bits = 0; bits < 4; ++bits) {
        ConfigRecord c{};
        c.authUseOsName = bits & 1;
        c.authAskPassword = bits & 2;
        EXPECT_EQ(authChoice(c), !(bits & 1) ? 2 : (bits & 2) ? 1 : 0) << bits;
        c.signupAllowed = bits & 1;
        c.signupAskName = bits & 2;
        EXPECT_EQ(newUserChoice(c), !(bits & 1) ? 2 : (bits & 2) ? 1 : 0) << bits;
    }
    const bool auth[3][3] = {{true, false, false}, {true, true, true}, {false, true, true}};
    const bool signup[3][2] = {{true, false}, {true, true}, {false, false}};
    for (int i = 0; i < 3; ++i) {
        ConfigRecord c{};
        std::memset(&c, 0xFF, sizeof c);
        applyAuthChoice(c, i);
        applyNewUserChoice(c, i);
        EXPECT_EQ(c.authUseOsName.v, auth[i][0]) << i;
        EXPECT_EQ(c.authAskPassword.v, auth[i][1]) << i;
        EXPECT_EQ(c.authDialogFlag.v, auth[i][2]) << i;
        EXPECT_EQ(c.signupAllowed.v, signup[i][0]) << i;
        EXPECT_EQ(c.signupAskName.v, signup[i][1]) << i;
        EXPECT_EQ(authChoice(c), i);
        EXPECT_EQ(newUserChoice(c), i);
    }
}

TEST(LoginConfig, TheWindowShowsTheDefaultAsTwoAndTwoAndSavesTheNormalFormOnly) {
    TempFolder folder;
    FakeServices fakes;
    writeFreshDatabase(folder.str());
    Station st(folder.str(), fakes.services());
    Tloginconfigfrm w(st);
    w.show();
    EXPECT_TRUE(w.findChild<QRadioButton*>("authuser2")->isChecked());
    EXPECT_TRUE(w.findChild<QRadioButton*>("newuser2")->isChecked());
    w.hide();

    // authUseOsName and authAskPassword clear, another station's school name meanwhile.
    Database other(folder.str(), fakes.services());
    ASSERT_EQ(other.loadConfig(), Result::Ok);
    other.config.authUseOsName = false;
    other.config.authAskPassword = false;
    other.config.authDialogFlag = false;
    ASSERT_TRUE(other.saveConfig());
    w.show();
    EXPECT_TRUE(w.findChild<QRadioButton*>("authuser2")->isChecked());
    other.config.schoolName = "Renamed School";
    ASSERT_TRUE(other.saveConfig());
    const std::string before = readBytes(folder / "CONFIG.DB");
    w.findChild<QPushButton*>("BitBtn1")->click();
    EXPECT_FALSE(w.isVisible());
    const std::string after = readBytes(folder / "CONFIG.DB");
    ASSERT_EQ(after.size(), before.size());
    const std::size_t ask = 16 + offsetof(ConfigRecord, authAskPassword);
    const std::size_t dialog = 16 + offsetof(ConfigRecord, authDialogFlag);
    for (std::size_t i = 0; i < after.size(); ++i)
        if (i != ask && i != dialog) EXPECT_EQ(after[i], before[i]) << "byte " << i;
    EXPECT_EQ(after[ask], 1);
    EXPECT_EQ(after[dialog], 1);

    // Choosing 0 and 1 writes their flags; Cancel writes nothing.
    w.show();
    w.findChild<QRadioButton*>("authuser0")->setChecked(true);
    w.findChild<QRadioButton*>("newuser1")->setChecked(true);
    w.findChild<QPushButton*>("BitBtn1")->click();
    ASSERT_EQ(other.loadConfig(), Result::Ok);
    EXPECT_EQ(authChoice(other.config), 0);
    EXPECT_EQ(newUserChoice(other.config), 1);
    const std::string saved = readBytes(folder / "CONFIG.DB");
    w.show();
    w.findChild<QRadioButton*>("authuser1")->setChecked(true);
    w.findChild<QPushButton*>("BitBtn2")->click();
    EXPECT_EQ(readBytes(folder / "CONFIG.DB"), saved);
}

} // namespace
