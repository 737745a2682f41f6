// The logon window driven through its controls, in each mode of the logon decision.
#include "support/stationtest.h"
#include "ui/messages.h"
#include "users/logon.h"
#include "users/windows/logonfrm.h"
#include "users/registration.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <gtest/gtest.h>

// Readable QString values in failure messages.
static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace pinora;
using namespace pinora::test;
using ui::Messages;

namespace {

const QString kWrong = QStringLiteral("Your username or password is incorrect, please try again");
const QString kDenied =
    QStringLiteral("Access to Notice system is denied. Talk to your System Administrator");

class LogonTest : public StationTest {
  protected:
    QMainWindow mainWindow;
    std::unique_ptr<Tlogonfrm> logon;
    int setups = 0;
    int endedWith = -1;
    int registrations = 0;

    void SetUp() override {
        Messages::clear();
        StationTest::SetUp(); // ADMIN / secret, forcePassword set
        storeUser("Teacher", "apple", [](UserRecord& u) {
            u.fullName = "Teacher";
            u.securityLevel = 100;
        });
        logon = std::make_unique<Tlogonfrm>(*st);
    }
    void TearDown() override { Messages::clear(); }

    void hook(bool withRegistration = false) {
        LogonHooks h;
        h.mainWindow = &mainWindow;
        h.setupMainWindowForUser = [this] { ++setups; };
        h.endProgram = [this](int code) { endedWith = code; };
        if (withRegistration) h.showRegistration = [this] { ++registrations; };
        logon->setHooks(std::move(h));
    }
    void mode(bool useOsName, bool askPassword) {
        st->db.config.authUseOsName = useOsName;
        st->db.config.authAskPassword = askPassword;
        st->db.config.authDialogFlag = askPassword;
    }
    QLineEdit* edit(const char* name) {
        return logon->findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    void type(const QString& name, const QString& password) {
        edit("username")->setText(name);
        edit("password")->setText(password);
    }
    void press() { logon->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click(); }
};

TEST_F(LogonTest, FullDialogLogsOnByNameAndPasswordInAnyCase) {
    hook();
    mode(false, true);
    edit("username")->setText("left over");
    logon->startLogon(false);
    EXPECT_TRUE(logon->isVisible());
    EXPECT_TRUE(logon->isModal());
    EXPECT_TRUE(edit("username")->isEnabled());
    EXPECT_TRUE(edit("username")->text().isEmpty());
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_FALSE(mainWindow.isVisible());
    EXPECT_EQ(logon->windowTitle(), QStringLiteral("Pinora:"));
    EXPECT_EQ(logon->size(), QSize(343, 144));
    EXPECT_TRUE(logon->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(edit("password")->echoMode(), QLineEdit::Password);
    edit("password")->setText(QStringLiteral("abc"));
    EXPECT_EQ(edit("password")->displayText(), QStringLiteral("***"));
    EXPECT_TRUE(logon->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->isDefault());

    type("admin", "SeCrEt");
    press();
    EXPECT_TRUE(Messages::shown().isEmpty());
    EXPECT_EQ(st->currentUserName, "admin");
    EXPECT_EQ(st->currentUserSlot, 1);
    EXPECT_FALSE(logon->isVisible());
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_EQ(setups, 1);
    EXPECT_EQ(endedWith, -1); // hiding after a logon does not end the program
}

TEST_F(LogonTest, WrongPasswordPausesTellsAndKeepsTheWindowOpen) {
    hook();
    mode(false, true);
    logon->startLogon(false);
    type("ADMIN", "wrong");
    int messagesAtSleep = -1;
    fakes.sleeper->onSleep = [&] { messagesAtSleep = static_cast<int>(Messages::shown().size()); };
    press();
    press();
    EXPECT_EQ(fakes.sleeper->sleeps, (std::vector<int>{1000, 1000}));
    EXPECT_EQ(messagesAtSleep, 1); // each pause comes before its message
    EXPECT_EQ(Messages::shownTexts(), (QStringList{kWrong, kWrong}));
    EXPECT_TRUE(logon->isVisible());
    EXPECT_EQ(edit("username")->text(), QStringLiteral("ADMIN"));
    EXPECT_EQ(edit("password")->text(), QStringLiteral("wrong"));
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_EQ(setups, 0);

    // A user that is not there at all is the same failure.
    type("nobody", "secret");
    press();
    EXPECT_EQ(Messages::shownTexts().size(), 3);

    type("ADMIN", "secret");
    press();
    EXPECT_EQ(st->currentUserSlot, 1);
    EXPECT_EQ(setups, 1);
}

TEST_F(LogonTest, PasswordPromptIsForTheSystemUserOnly) {
    hook();
    mode(true, true);
    fakes.osUser = "TeAcHeR";
    logon->startLogon(false);
    EXPECT_TRUE(logon->isVisible());
    EXPECT_FALSE(logon->isModal());
    EXPECT_FALSE(edit("username")->isEnabled());
    EXPECT_EQ(edit("username")->text(), QStringLiteral("TeAcHeR"));
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_EQ(st->currentUserSlot, 2);

    edit("password")->setText("APPLE");
    press();
    EXPECT_EQ(st->currentUserName, "TeAcHeR");
    EXPECT_EQ(st->currentUserSlot, 2);
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_EQ(setups, 1);
}

TEST_F(LogonTest, AutomaticLogonNeedsNoDialogUnlessTheUserMustTypeAPassword) {
    hook();
    mode(true, false);
    fakes.osUser = "teacher";
    logon->startLogon(false);
    EXPECT_FALSE(logon->isVisible());
    EXPECT_TRUE(Messages::shown().isEmpty());
    EXPECT_EQ(st->currentUserName, "teacher");
    EXPECT_EQ(st->currentUserSlot, 2);
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_EQ(setups, 1);

    Tlogonfrm second(*st);
    LogonHooks h;
    h.mainWindow = &mainWindow;
    second.setHooks(h);
    fakes.osUser = "Admin";
    second.startLogon(false);
    EXPECT_TRUE(second.isVisible());
    EXPECT_FALSE(second.findChild<QLineEdit*>(QStringLiteral("username"))->isEnabled());
}

TEST_F(LogonTest, UnknownSystemUserIsRefusedAndTheProgramEnds) {
    for (const bool signup : {false, true}) {
        Messages::clear();
        endedWith = -1;
        hook();
        mode(true, false);
        st->db.config.signupAllowed = signup;
        fakes.osUser = "stranger";
        logon->startLogon(false);
        EXPECT_EQ(Messages::shownTexts(), QStringList{kDenied}) << signup;
        EXPECT_EQ(endedWith, 0);
        EXPECT_FALSE(logon->isVisible());
        EXPECT_FALSE(mainWindow.isVisible());
        EXPECT_EQ(setups, 0);
    }

    // Once self-registration is there it takes over when sign-up is allowed.
    Messages::clear();
    hook(true);
    logon->startLogon(false);
    EXPECT_EQ(registrations, 1);
    EXPECT_TRUE(Messages::shown().isEmpty());
}

// A system name longer than a login name is stored as its first 15 characters at registration;
// every later start finds the user under them, in any case, instead of registering again.
TEST_F(LogonTest, LongSystemNameRegisteredOnceIsFoundAtEveryStart) {
    fakes.osUser = "Firstname.Lastname";
    st->currentUserName = fakes.osUser;
    const Registration reg = registerUser(*st, osUserNameForLogon(st->services()),
                                          PersonalEntries{"First Last", "FL", "pear", "pear"});
    ASSERT_EQ(reg.status, RegistrationStatus::Ok);
    EXPECT_EQ(reg.storedName, "Firstname.Lastn");
    auto usersInUse = [this] {
        int n = 0;
        for (int slot = 1; slot <= kUserCount; ++slot)
            n += st->db.userSlotFree(slot) ? 0 : 1;
        return n;
    };
    const int before = usersInUse();
    // The program starts again, with the system user's name in another case too.
    auto restart = [this](const char* osName, bool askPassword) {
        fakes.osUser = osName;
        logon.reset();
        st = std::make_unique<Station>(folder.str(), fakes.services());
        ASSERT_EQ(st->db.loadUsers(), Result::Ok);
        ASSERT_EQ(st->db.loadConfig(), Result::Ok);
        mode(true, askPassword);
        st->db.config.signupAllowed = true;
        logon = std::make_unique<Tlogonfrm>(*st);
        setups = registrations = 0;
        hook(true);
        logon->startLogon(false);
    };
    for (const char* osName : {"Firstname.Lastname", "FIRSTNAME.LASTNAME"}) {
        restart(osName, false);
        EXPECT_EQ(registrations, 0) << osName;
        EXPECT_EQ(setups, 1) << osName;
        EXPECT_EQ(endedWith, -1) << osName;
        EXPECT_EQ(st->currentUserSlot, reg.slot) << osName;
        EXPECT_EQ(usersInUse(), before) << osName;
    }
    restart("firstname.lastname", true);
    EXPECT_EQ(edit("username")->text(), QStringLiteral("firstname.lastn"));
    edit("password")->setText("pear");
    press();
    EXPECT_EQ(setups, 1);
    EXPECT_EQ(st->currentUserSlot, reg.slot);
    EXPECT_TRUE(Messages::shownTexts().isEmpty());
    // User management still looks for whole names.
    EXPECT_EQ(st->db.findUser("Firstname.Lastname"), -1);
}

TEST_F(LogonTest, SwitchShowsTheFullDialogWhateverTheSystemUser) {
    hook();
    mode(true, false);
    fakes.osUser = "stranger";
    logon->startLogon(true);
    EXPECT_TRUE(logon->isVisible());
    EXPECT_TRUE(edit("username")->isEnabled());
    EXPECT_TRUE(edit("username")->text().isEmpty());
    EXPECT_TRUE(Messages::shown().isEmpty());
    EXPECT_EQ(endedWith, -1);
}

TEST_F(LogonTest, FinishLogonThatCannotAuthenticateEndsTheProgram) {
    hook();
    EXPECT_FALSE(logon->finishLogon("ADMIN", "nope"));
    EXPECT_EQ(Messages::shownTexts(),
              QStringList{QStringLiteral("Login System Failure. Application will now terminate")});
    EXPECT_EQ(endedWith, 1);
    EXPECT_FALSE(mainWindow.isVisible());
    EXPECT_EQ(setups, 0);
}

TEST_F(LogonTest, ClosingTheLogonWindowEndsTheProgram) {
    hook();
    mode(false, true);
    mainWindow.show();
    logon->startLogon(false);
    logon->reject(); // Escape does nothing
    EXPECT_TRUE(logon->isVisible());
    EXPECT_EQ(endedWith, -1);
    logon->close();
    EXPECT_FALSE(logon->isVisible());
    EXPECT_FALSE(mainWindow.isVisible());
    EXPECT_EQ(endedWith, 0);
}

} // namespace
