// Start-up over real database folders: the checks in their order, the splash, the fixed waits,
// the logon switch, and the logon modes as the whole start-up reaches them.
#include "admin/windows/check2frm.h"
#include "admin/windows/importfrm.h"
#include "app/windows/mainfrm.h"
#include "app/windows/splashfrm.h"
#include "app/windows/startup.h"
#include "output/windows/webserverconfigfrm.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"
#include "ui/messages.h"
#include "users/windows/logonfrm.h"
#include "users/windows/welcomefrm.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

// Readable QString values in failure messages.
static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace pinora;
using namespace pinora::test;
using ui::Messages;

namespace {

const QString kConfigDefaults = QStringLiteral("Config Load Error - Defaults Loaded");
const QString kNoticesNew = QStringLiteral("Notice Data Lost - New Database Initialized");

// What the main window's status line reads, wherever the window keeps it.
QString statusText(Tmainfrm* w) {
    QString text = w->statusBar()->currentMessage();
    for (const QLabel* l : w->statusBar()->findChildren<QLabel*>())
        text += l->text();
    return text;
}

class StartUpTest : public ::testing::Test {
  protected:
    TempFolder folder;
    FakeServices fakes;
    std::unique_ptr<StartUp> startUp;
    int wizardRuns = 0;
    bool splashOverWizard = false;

    void SetUp() override { Messages::clear(); }
    void TearDown() override {
        startUp.reset();
        Messages::clear();
    }

    Services services() {
        return fakes.services();
    }
    StartUp& make(QStringList args = {}) {
        startUp = std::make_unique<StartUp>(services(), folder.str(), std::move(args));
        startUp->runModal = [this](QDialog* d) {
            ++wizardRuns;
            splashOverWizard = startUp->splash()->isVisible();
            d->show();
            finishWizard(d);
        };
        return *startUp;
    }
    // Fills the wizard and presses Finish, as a user would.
    static void finishWizard(QDialog* d) {
        auto set = [d](const char* name, const QString& text) {
            d->findChild<QLineEdit*>(QString::fromLatin1(name))->setText(text);
        };
        set("adminpassword1", QStringLiteral("Secret"));
        set("adminpassword2", QStringLiteral("Secret"));
        set("schoolname", QStringLiteral("Hillside"));
        set("copyrightline", QStringLiteral("(c) 2026"));
        set("setonename", QStringLiteral("Students"));
        for (int i = 0; i < 4; ++i)
            d->findChild<QPushButton*>(QStringLiteral("next"))->click();
    }
    void setLogonMode(bool useOsName, bool askPassword) {
        FakeServices other;
        Database db(folder.str(), other.services());
        ASSERT_EQ(db.loadConfig(), Result::Ok);
        db.config.authUseOsName = useOsName;
        db.config.authAskPassword = askPassword;
        db.config.authDialogFlag = askPassword;
        ASSERT_TRUE(db.saveConfig());
    }
    void addUser(const std::string& name, const std::string& password, bool forcePassword) {
        FakeServices other;
        Database db(folder.str(), other.services());
        ASSERT_EQ(db.loadUsers(), Result::Ok);
        const int slot = db.findFreeUser();
        db.setUserCredentials(slot, name, password);
        db.user(slot).fullName = "Teacher";
        db.user(slot).securityLevel = 50;
        db.user(slot).forcePassword = forcePassword;
        ASSERT_TRUE(db.saveUsers());
    }
    Tlogonfrm* logon() { return startUp->windows().logonfrm; }
    Tmainfrm* mainfrm() { return startUp->windows().mainfrm; }
    bool loggedOnAutomatically() {
        return !logon()->isVisible() && mainfrm()->isVisible() && mainfrm()->isEnabled();
    }
};

TEST(LoginSwitch, OnlyTheFirstArgumentSpelledExactlyInAnyCase) {
    EXPECT_TRUE(loginSwitchIn({QStringLiteral("/LOGIN")}));
    EXPECT_TRUE(loginSwitchIn({QStringLiteral("/login")}));
    EXPECT_TRUE(loginSwitchIn({QStringLiteral("/LoGiN"), QStringLiteral("x")}));
    EXPECT_FALSE(loginSwitchIn({}));
    EXPECT_FALSE(loginSwitchIn({QStringLiteral("x"), QStringLiteral("/LOGIN")}));
    EXPECT_FALSE(loginSwitchIn({QStringLiteral("/LOGINX")}));
    EXPECT_FALSE(loginSwitchIn({QStringLiteral(" /LOGIN")}));
    EXPECT_FALSE(loginSwitchIn({QStringLiteral("LOGIN")}));
    // Letters beyond a to z are not folded: a dotless i does not make an I.
    EXPECT_FALSE(loginSwitchIn({QString::fromUtf8("/log\u0131n")}));
}

TEST(EventLoopSleeper, KeepsTheWindowsGoingWhileItWaits) {
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    QElapsedTimer t;
    t.start();
    EventLoopSleeper().sleepMs(30);
    EXPECT_TRUE(fired);
    EXPECT_GE(t.elapsed(), 25);
}

TEST_F(StartUpTest, EmptyFolderRunsOnlyTheWizardThenTheLogonDialog) {
    std::filesystem::remove(folder / "MSG");
    std::filesystem::remove(folder / "TEMP");
    StartUp& s = make();
    ASSERT_TRUE(s.run());
    EXPECT_EQ(wizardRuns, 1);
    EXPECT_FALSE(splashOverWizard);
    EXPECT_TRUE(Messages::shown().isEmpty()) << Messages::shownTexts().join('\n').toStdString();
    EXPECT_EQ(std::filesystem::file_size(folder / "CONFIG.DB"), 1368u);
    EXPECT_EQ(std::filesystem::file_size(folder / "USER.DB"), 32016u);
    EXPECT_EQ(std::filesystem::file_size(folder / "NOTICE.DB"), 1040016u);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "MSG"));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "TEMP"));
    EXPECT_EQ(s.station().db.config.schoolName.str(), "Hillside");

    // The defaults ask for name and password: the full logon dialog, main window hidden.
    EXPECT_TRUE(logon()->isVisible());
    EXPECT_TRUE(logon()->isModal());
    EXPECT_FALSE(mainfrm()->isVisible());
    EXPECT_FALSE(mainfrm()->isEnabled());
    EXPECT_FALSE(s.splash()->isVisible());
}

TEST_F(StartUpTest, CancelledWizardEndsTheProgramWithNothingWritten) {
    StartUp& s = make();
    int ends = 0;
    s.onEnd = [&](int) { ++ends; };
    s.runModal = [](QDialog* d) {
        d->show();
        Messages::queueAnswer(true);
        d->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    };
    EXPECT_FALSE(s.run());
    EXPECT_TRUE(s.ended());
    EXPECT_EQ(ends, 1);
    // The splash's first wait and USER.DB looked for again; no further step ran.
    EXPECT_EQ(fakes.sleeper->sleeps, (std::vector<int>{1000, 100, 100}));
    EXPECT_FALSE(std::filesystem::exists(folder / "CONFIG.DB"));
    EXPECT_FALSE(std::filesystem::exists(folder / "USER.DB"));
    EXPECT_FALSE(std::filesystem::exists(folder / "NOTICE.DB"));
    EXPECT_FALSE(logon()->isVisible());
}

TEST_F(StartUpTest, MissingUserTableRewritesTheOtherFiles) {
    writeFreshDatabase(folder.str());
    {
        FakeServices other;
        Database db(folder.str(), other.services());
        ASSERT_EQ(db.loadNotices(), Result::Ok);
        db.notice(3).owner = db.scramble("BOB");
        ASSERT_TRUE(db.saveNotices());
    }
    std::filesystem::remove(folder / "USER.DB");
    ASSERT_TRUE(make().run());
    EXPECT_EQ(wizardRuns, 1);
    EXPECT_TRUE(Messages::shown().isEmpty());
    EXPECT_EQ(startUp->station().db.config.schoolName.str(), "Hillside");
    EXPECT_EQ(startUp->station().db.countNoticesInUse(), 0);
}

TEST_F(StartUpTest, MissingConfigurationGetsTheDefaultsAndOneMessage) {
    writeFreshDatabase(folder.str());
    std::filesystem::remove(folder / "CONFIG.DB");
    ASSERT_TRUE(make().run());
    EXPECT_EQ(wizardRuns, 0);
    EXPECT_EQ(Messages::shownTexts(), QStringList{kConfigDefaults});
    EXPECT_EQ(std::filesystem::file_size(folder / "CONFIG.DB"), 1368u);
    EXPECT_EQ(startUp->station().db.config.fontName.str(), "Times New Roman");

    // The next start finds the file it wrote.
    Messages::clear();
    ASSERT_TRUE(make().run());
    EXPECT_TRUE(Messages::shown().isEmpty());
}

TEST_F(StartUpTest, MissingNoticeTableIsCreatedWithAMessage) {
    writeFreshDatabase(folder.str());
    std::filesystem::remove(folder / "NOTICE.DB");
    ASSERT_TRUE(make().run());
    EXPECT_EQ(Messages::shownTexts(), QStringList{kNoticesNew});
    EXPECT_EQ(std::filesystem::file_size(folder / "NOTICE.DB"), 1040016u);
    FakeServices other;
    Database db(folder.str(), other.services());
    ASSERT_EQ(db.loadNotices(), Result::Ok);
    EXPECT_EQ(db.countNoticesInUse(), 0);
    EXPECT_TRUE(logon()->isVisible());
}

TEST_F(StartUpTest, UnreadableUserOrNoticeTableIsLeftAsItIsAndStartUpEnds) {
    for (const char* name : {"USER.DB", "NOTICE.DB"}) {
        writeFreshDatabase(folder.str());
        const std::string broken = readBytes(folder / name).substr(0, 5000);
        writeBytes(folder / name, broken);
        Messages::clear();
        StartUp& s = make();
        EXPECT_FALSE(s.run()) << name;
        EXPECT_TRUE(s.ended());
        EXPECT_EQ(wizardRuns, 0) << name;
        EXPECT_EQ(readBytes(folder / name), broken) << name;
        ASSERT_EQ(Messages::shownTexts().size(), 1) << name;
        const std::string whole = name == std::string("USER.DB") ? "32016" : "1040016";
        EXPECT_EQ(Messages::shownTexts()[0],
                  QString::fromStdString(brokenFileMessage(
                      name, "it holds 5000 bytes, " + whole + " expected")));
        EXPECT_FALSE(logon()->isVisible());
        EXPECT_FALSE(s.splash()->isVisible());
    }
}

TEST_F(StartUpTest, UnreadableConfigurationIsNotOverwritten) {
    writeFreshDatabase(folder.str());
    const std::string broken = readBytes(folder / "CONFIG.DB").substr(0, 700);
    writeBytes(folder / "CONFIG.DB", broken);
    ASSERT_TRUE(make().run());
    EXPECT_EQ(
        Messages::shownTexts(),
        (QStringList{QString::fromStdString(brokenFileMessage("CONFIG.DB")), kConfigDefaults}));
    EXPECT_EQ(readBytes(folder / "CONFIG.DB"), broken);
    // This run works with the defaults: the full logon dialog.
    EXPECT_FALSE(startUp->station().db.config.authUseOsName);
    EXPECT_TRUE(logon()->isVisible());
}

TEST_F(StartUpTest, SplashShowsVersionAndProgressAndWaitsTheFixedTimes) {
    writeFreshDatabase(folder.str());
    StartUp& s = make();
    struct Seen {
        QString version;
        int value;
        int maximum;
        bool splashVisible;
        QString status;
        bool mainVisible;
    };
    std::vector<Seen> seen;
    fakes.sleeper->onSleep = [&] {
        Tsplashfrm* sp = s.splash();
        seen.push_back({sp->versiontxt()->text(), sp->pb1()->value(), sp->pb1()->maximum(),
                        sp->isVisible(), statusText(s.windows().mainfrm),
                        s.windows().mainfrm->isVisible()});
    };
    ASSERT_TRUE(s.run());
    EXPECT_EQ(fakes.sleeper->sleeps, (std::vector<int>{1000, 1000, 1277}));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].version, QStringLiteral("Version: 2.5.1.1576"));
    EXPECT_EQ(seen[0].maximum, 30);
    EXPECT_EQ(seen[0].value, 0); // reset when shown
    EXPECT_TRUE(seen[0].splashVisible);
    EXPECT_EQ(seen[0].status, QStringLiteral("Waiting for Logon...."));
    EXPECT_FALSE(seen[0].mainVisible);
    EXPECT_GT(seen[1].value, seen[0].value);
    EXPECT_LT(seen[1].value, 30);
    EXPECT_EQ(seen[2].version, QStringLiteral("Preparing Logon"));
    EXPECT_EQ(seen[2].value, 30);
    EXPECT_TRUE(seen[2].splashVisible);
    EXPECT_FALSE(s.splash()->isVisible());

    Tsplashfrm* sp = s.splash();
    EXPECT_EQ(sp->size(), QSize(367, 214));
    EXPECT_EQ(sp->findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("Pinora 2"));
    EXPECT_FALSE(sp->findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull());
    EXPECT_FALSE(sp->findChild<QLabel*>(QStringLiteral("Image2"))->pixmap().isNull());
    EXPECT_EQ(QApplication::applicationDisplayName(), QStringLiteral("Pinora 2"));
}

TEST_F(StartUpTest, OlderFilesAreConvertedWithTheirMessagesAndTheProgramGoesOn) {
    writeFreshDatabase(folder.str());
    for (const char* name : {"USER.DB", "NOTICE.DB"}) {
        std::string f = readBytes(folder / name);
        f[12] = static_cast<char>(2400 & 0xFF); // version 2400, little-endian
        f[13] = static_cast<char>(2400 >> 8);
        writeBytes(folder / name, f);
    }
    ASSERT_TRUE(make().run());
    EXPECT_EQ(Messages::shownTexts(),
              (QStringList{"Upgraded Version 2.4 User Database to version 2.5. You must restart "
                           "notices.",
                           "Upgraded Version 2.4 Notice Database to version 2.5. You must restart "
                           "notices."}));
    EXPECT_TRUE(logon()->isVisible());
    EXPECT_TRUE(std::filesystem::exists(folder / "USER.DB.2.4.bak"));
    EXPECT_EQ(readBytes(folder / "USER.DB").substr(12, 2), std::string("\xC4\x09"));
}

TEST_F(StartUpTest, EveryWindowExistsOnceBeforeTheLogon) {
    writeFreshDatabase(folder.str());
    Twelcomefrm* wizardAtLogon = nullptr;
    StartUp& s = make();
    fakes.sleeper->onSleep = [&] {
        if (fakes.sleeper->sleeps.size() == 3) wizardAtLogon = s.windows().welcomefrm;
    };
    ASSERT_TRUE(s.run());
    EXPECT_NE(wizardAtLogon, nullptr);
    EXPECT_EQ(s.windows().welcomefrm, wizardAtLogon);
    EXPECT_NE(s.windows().logonfrm, nullptr);
    EXPECT_NE(s.windows().mainfrm, nullptr);
    EXPECT_NE(s.windows().webserverconfigfrm, nullptr);
}

// ---- logon as start-up reaches it -----------------------------------------------------------

TEST_F(StartUpTest, FullDialogLogonShowsTheMainWindowForTheNameAsTyped) {
    writeFreshDatabase(folder.str());
    ASSERT_TRUE(make().run());
    ASSERT_TRUE(logon()->isVisible());
    logon()->findChild<QLineEdit*>(QStringLiteral("username"))->setText(QStringLiteral("admin"));
    logon()->findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("SECRET"));
    logon()->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    EXPECT_TRUE(mainfrm()->isVisible());
    EXPECT_TRUE(mainfrm()->isEnabled());
    EXPECT_FALSE(logon()->isVisible());
    EXPECT_EQ(statusText(mainfrm()), QStringLiteral("Current User: admin"));
    EXPECT_EQ(startUp->station().currentUserSlot, 1);
    EXPECT_FALSE(startUp->ended());
}

TEST_F(StartUpTest, MainWindowOpensTheWindowsCreatedAtStartUp) {
    writeFreshDatabase(folder.str());
    ASSERT_TRUE(make().run());
    logon()->findChild<QLineEdit*>(QStringLiteral("username"))->setText(QStringLiteral("ADMIN"));
    logon()->findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("secret"));
    logon()->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    ASSERT_TRUE(mainfrm()->isVisible());

    QDialog* opened = nullptr;
    startUp->runModal = [&](QDialog* d) { opened = d; };
    auto* item = mainfrm()->findChild<QAction*>(QStringLiteral("PublishHTMLSettings1"));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isEnabled());
    item->trigger();
    EXPECT_EQ(opened, startUp->windows().webserverconfigfrm);
    const std::pair<const char*, QDialog*> more[] = {
        {"DataIntegrityCheck1", startUp->windows().check2frm},
        {"ImportDBfromPinorav11", startUp->windows().importfrm}};
    for (const auto& [name, window] : more) {
        opened = nullptr;
        mainfrm()->findChild<QAction*>(QString::fromLatin1(name))->trigger();
        EXPECT_NE(opened, nullptr) << name;
        EXPECT_EQ(opened, window) << name;
    }
}

TEST_F(StartUpTest, WrongPasswordAtStartUpPausesThroughTheSleeper) {
    writeFreshDatabase(folder.str());
    ASSERT_TRUE(make().run());
    logon()->findChild<QLineEdit*>(QStringLiteral("username"))->setText(QStringLiteral("ADMIN"));
    logon()->findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("nope"));
    logon()->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    EXPECT_EQ(fakes.sleeper->sleeps, (std::vector<int>{1000, 1000, 1277, 1000}));
    EXPECT_EQ(
        Messages::shownTexts(),
        QStringList{QStringLiteral("Your username or password is incorrect, please try again")});
    EXPECT_TRUE(logon()->isVisible());
    EXPECT_FALSE(mainfrm()->isVisible());
}

TEST_F(StartUpTest, AutomaticLogonAndTheSwitch) {
    writeFreshDatabase(folder.str());
    addUser("teacher", "apple", false);
    setLogonMode(true, false);
    fakes.osUser = "Teacher";

    ASSERT_TRUE(make().run());
    EXPECT_TRUE(loggedOnAutomatically());
    EXPECT_EQ(statusText(mainfrm()), QStringLiteral("Current User: Teacher"));

    // The switch in lower case forces the dialog.
    ASSERT_TRUE(make({QStringLiteral("/login")}).run());
    EXPECT_TRUE(startUp->loginSwitchGiven());
    EXPECT_TRUE(logon()->isVisible());
    EXPECT_TRUE(logon()->findChild<QLineEdit*>(QStringLiteral("username"))->isEnabled());
    EXPECT_FALSE(mainfrm()->isVisible());

    // As the second argument, or with more characters, it does nothing.
    ASSERT_TRUE(make({QStringLiteral("x"), QStringLiteral("/LOGIN")}).run());
    EXPECT_FALSE(startUp->loginSwitchGiven());
    EXPECT_TRUE(loggedOnAutomatically());
    ASSERT_TRUE(make({QStringLiteral("/LOGINNOW")}).run());
    EXPECT_TRUE(loggedOnAutomatically());
    EXPECT_TRUE(Messages::shown().isEmpty());
}

TEST_F(StartUpTest, PasswordPromptLeavesTheMainWindowDisabledBehindIt) {
    writeFreshDatabase(folder.str());
    setLogonMode(true, true);
    fakes.osUser = "Admin";
    ASSERT_TRUE(make().run());
    EXPECT_TRUE(logon()->isVisible());
    EXPECT_FALSE(logon()->isModal());
    EXPECT_TRUE(mainfrm()->isVisible());
    EXPECT_FALSE(mainfrm()->isEnabled());
    // The prompt keeps the keyboard: the main window opens behind it.
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), logon());
    auto* name = logon()->findChild<QLineEdit*>(QStringLiteral("username"));
    EXPECT_FALSE(name->isEnabled());
    EXPECT_EQ(name->text(), QStringLiteral("Admin"));
    logon()->findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("secret"));
    logon()->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    EXPECT_TRUE(mainfrm()->isEnabled());
    EXPECT_EQ(statusText(mainfrm()), QStringLiteral("Current User: Admin"));
}

TEST_F(StartUpTest, UnknownSystemUserEndsTheProgram) {
    writeFreshDatabase(folder.str());
    setLogonMode(true, false);
    fakes.osUser = "stranger";
    StartUp& s = make();
    int endedWith = -1;
    s.onEnd = [&](int code) { endedWith = code; };
    EXPECT_FALSE(s.run());
    EXPECT_TRUE(s.ended());
    EXPECT_EQ(endedWith, 0);
    EXPECT_EQ(Messages::shownTexts(),
              QStringList{QStringLiteral(
                  "Access to Notice system is denied. Talk to your System Administrator")});
    EXPECT_FALSE(mainfrm()->isVisible());
}

TEST_F(StartUpTest, ClosingTheLogonWindowEndsTheProgram) {
    writeFreshDatabase(folder.str());
    StartUp& s = make();
    int endedWith = -1;
    s.onEnd = [&](int code) { endedWith = code; };
    ASSERT_TRUE(s.run());
    logon()->close();
    EXPECT_TRUE(s.ended());
    EXPECT_EQ(endedWith, 0);
    EXPECT_FALSE(mainfrm()->isVisible());
}

} // namespace
