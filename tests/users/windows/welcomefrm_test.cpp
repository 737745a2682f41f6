// The first-run wizard driven through its controls: checks, navigation, and the files it writes.
#include "db/text.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"
#include "ui/messages.h"
#include "users/windows/welcomefrm.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
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

const QString kMismatch = QStringLiteral(
    "STEP 2: Your Administrator Password was entered incorrectly. The two fields do not match");
const QStringList kAllEmpty = {
    QStringLiteral(
        "STEP 2: You must specify an Administrator Password, you cannot continue without one"),
    QStringLiteral("STEP 2: You have not confirmed your Administrator password in the second "
                   "field. This must be entered the same way as with the first administrator "
                   "password box"),
    QStringLiteral("STEP 3: You have not specified your schools name."),
    QStringLiteral("STEP 3: You have not specified a copyright line. If you are unsure, just put "
                   "\"Copyright (c) 20XX\" where XX is the current year"),
    QStringLiteral("STEP 4: You have not specified a Notice Set. You must specify one to continue"),
};

class WizardTest : public ::testing::Test {
  protected:
    TempFolder folder;
    FakeServices fakes;
    std::unique_ptr<Station> station;
    std::unique_ptr<Twelcomefrm> w;
    bool programEnded = false;

    void SetUp() override {
        Messages::clear();
        station = std::make_unique<Station>(folder.str(), fakes.services());
        w = std::make_unique<Twelcomefrm>(*station);
        w->onCancelProgram = [this] { programEnded = true; };
        w->show();
    }
    void TearDown() override { Messages::clear(); }

    QLineEdit* edit(const char* name) {
        return w->findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    QPushButton* button(const char* name) {
        return w->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QGroupBox* step(int n) { return w->findChild<QGroupBox*>(QStringLiteral("step%1").arg(n)); }

    void fill(const QString& pw1, const QString& pw2, const QString& school,
              const QString& copyright, const QString& set) {
        edit("adminpassword1")->setText(pw1);
        edit("adminpassword2")->setText(pw2);
        edit("schoolname")->setText(school);
        edit("copyrightline")->setText(copyright);
        edit("setonename")->setText(set);
    }
    void pressNext(int times) {
        for (int i = 0; i < times; ++i)
            button("next")->click();
    }
    bool anyDatabaseFile() const {
        return std::filesystem::exists(folder / "CONFIG.DB") ||
               std::filesystem::exists(folder / "USER.DB") ||
               std::filesystem::exists(folder / "NOTICE.DB");
    }
};

TEST_F(WizardTest, StepsMoveWithNextAndBackAndShowOnePanel) {
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Welcome"));
    EXPECT_EQ(w->size(), QSize(540, 294));
    EXPECT_EQ(edit("adminpassword1")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit("adminpassword2")->echoMode(), QLineEdit::Password);
    for (const char* name : {"adminpassword1", "adminpassword2"}) {
        edit(name)->setText(QStringLiteral("ab"));
        EXPECT_EQ(edit(name)->displayText(), QStringLiteral("**")) << name;
        edit(name)->clear();
    }
    EXPECT_EQ(step(2)->title(), QStringLiteral("Step 2: Administrator Password"));
    EXPECT_EQ(step(4)->title(), QStringLiteral("Step 4: Notice Sets Configuration:"));

    EXPECT_EQ(w->wizardStep(), 1);
    EXPECT_FALSE(button("back")->isEnabled());
    button("back")->click(); // disabled: stays
    w->backClick();          // even when called directly
    EXPECT_EQ(w->wizardStep(), 1);
    EXPECT_TRUE(step(1)->isVisible());

    for (int n = 2; n <= 4; ++n) {
        pressNext(1);
        EXPECT_EQ(w->wizardStep(), n);
        for (int k = 1; k <= 4; ++k)
            EXPECT_EQ(step(k)->isVisible(), k == n) << n << k;
        EXPECT_TRUE(button("back")->isEnabled());
        EXPECT_EQ(button("next")->text(),
                  n < 4 ? QStringLiteral("&Next") : QStringLiteral("&Finish"));
    }
    button("back")->click();
    EXPECT_EQ(w->wizardStep(), 3);
    EXPECT_EQ(button("next")->text(), QStringLiteral("&Next"));
    EXPECT_TRUE(Messages::shown().isEmpty());
}

TEST_F(WizardTest, EachStepTakesTheKeyboardOnItsFirstField) {
    const auto typeHere = [&](const char* text) { QTest::keyClicks(w->focusWidget(), text); };
    EXPECT_EQ(w->focusWidget(), button("next")) << "step 1 has nothing to type into";
    QTest::keyClick(w->focusWidget(), Qt::Key_Space);
    ASSERT_EQ(w->wizardStep(), 2);
    typeHere("pw");
    QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
    typeHere("pw");
    EXPECT_EQ(edit("adminpassword1")->text(), QStringLiteral("pw"));
    EXPECT_EQ(edit("adminpassword2")->text(), QStringLiteral("pw"));
    button("next")->click();
    typeHere("Hill School");
    EXPECT_EQ(edit("schoolname")->text(), QStringLiteral("Hill School"));
    button("next")->click();
    typeHere("Students");
    EXPECT_EQ(edit("setonename")->text(), QStringLiteral("Students"));
    button("back")->click();
    EXPECT_EQ(w->focusWidget(), edit("schoolname"));
}

TEST_F(WizardTest, FinishWithEveryFieldEmptyReportsEachGapAndStaysOnStepFour) {
    pressNext(4);
    EXPECT_EQ(Messages::shownTexts(), kAllEmpty);
    EXPECT_EQ(w->wizardStep(), 4);
    EXPECT_TRUE(step(4)->isVisible());
    EXPECT_EQ(button("next")->text(), QStringLiteral("&Finish"));
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->finished());
    EXPECT_FALSE(anyDatabaseFile());

    // Going back to fix an entry and finishing again runs the checks again.
    Messages::clear();
    button("back")->click();
    button("back")->click();
    fill("pw", "pw", "School", "", "Set");
    pressNext(3);
    EXPECT_EQ(Messages::shownTexts(), QStringList{kAllEmpty[3]});
    EXPECT_FALSE(anyDatabaseFile());
}

TEST_F(WizardTest, DifferentPasswordsShowOnlyTheMismatch) {
    fill("secret", "Secret", "Hillside", "Copyright (c) 2026", "Students");
    pressNext(4);
    EXPECT_EQ(Messages::shownTexts(), QStringList{kMismatch});
    EXPECT_FALSE(anyDatabaseFile());
    EXPECT_TRUE(w->isVisible());

    // One empty password differs from the other and is missing as well.
    Messages::clear();
    edit("adminpassword2")->clear();
    pressNext(1);
    EXPECT_EQ(Messages::shownTexts(), (QStringList{kMismatch, kAllEmpty[1]}));
}

TEST_F(WizardTest, FinishWritesTheNewDatabaseByteForByte) {
    std::filesystem::remove(folder / "MSG");
    std::filesystem::remove(folder / "TEMP");
    const QString school = QString(200, QLatin1Char('S'));
    const QString set = QStringLiteral("Student notices for every year group");
    ASSERT_EQ(set.size(), 36);
    fill("Secret", "Secret", school, QStringLiteral("Copyright (c) 2026 Hillside"), set);
    pressNext(4);

    EXPECT_TRUE(Messages::shown().isEmpty()) << Messages::shownTexts().join('\n').toStdString();
    EXPECT_TRUE(w->finished());
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(programEnded);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "MSG"));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "TEMP"));

    const std::string config = readBytes(folder / "CONFIG.DB");
    const std::string users = readBytes(folder / "USER.DB");
    const std::string notices = readBytes(folder / "NOTICE.DB");
    ASSERT_EQ(config.size(), 1368u);
    ASSERT_EQ(users.size(), 32016u);
    ASSERT_EQ(notices.size(), 1040016u);
    const std::string header("\x08\x83PNR2DB\x83\0\0\0\xc4\x09\0\0", 16);
    EXPECT_EQ(config.substr(0, 16), header);
    EXPECT_EQ(users.substr(0, 16), header);
    EXPECT_EQ(notices.substr(0, 16), header);

    // Configuration: defaults plus the entries, cut to their fields.
    const char* c = config.data() + 16;
    EXPECT_EQ(static_cast<unsigned char>(c[952]), 160);
    EXPECT_EQ(std::string(c + 953, 160), std::string(160, 'S'));
    EXPECT_EQ(std::string(c + 1114, static_cast<unsigned char>(c[1113])),
              "Copyright (c) 2026 Hillside");
    EXPECT_EQ(static_cast<unsigned char>(c[568]), 30);
    EXPECT_EQ(std::string(c + 569, 30), set.left(30).toStdString());
    EXPECT_EQ(c[1274], 0); // full logon dialog
    EXPECT_EQ(c[1275], 1);
    EXPECT_EQ(c[1277], 0);
    EXPECT_EQ(static_cast<unsigned char>(c[616]), 0); // set 2 has no name

    // Slot 1: ADMIN with every field as the wizard sets it.
    const char* u = users.data() + 16;
    EXPECT_EQ(u[0], 6); // key + 5 characters
    EXPECT_EQ(unscrambleText(std::string(u + 1, 6)), "ADMIN");
    EXPECT_EQ(unscrambleText(std::string(u + 18, static_cast<unsigned char>(u[17]))), "Secret");
    EXPECT_EQ(std::string(u + 35, static_cast<unsigned char>(u[34])), "Administrator");
    EXPECT_EQ(std::string(u + 76, static_cast<unsigned char>(u[75])), "Notice Administrator");
    EXPECT_EQ(std::string(u + 136, 4), std::string(4, '\0'));
    EXPECT_EQ(static_cast<unsigned char>(u[140]), 255);
    const int expected[] = {1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0};
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(u[141 + i], expected[i]) << "byte " << 141 + i;
    // The other 199 slots are free and otherwise zero.
    for (int n = 2; n <= 200; ++n) {
        const char* r = users.data() + 16 + (n - 1) * 160;
        ASSERT_EQ(unscrambleText(std::string(r + 1, static_cast<unsigned char>(r[0]))), "[NONE]");
        ASSERT_EQ(std::string(r + 17, 143), std::string(143, '\0')) << n;
    }
    // Every notice slot is free.
    for (int n = 1; n <= 10000; ++n) {
        const char* r = notices.data() + 16 + (n - 1) * 104;
        ASSERT_EQ(unscrambleText(std::string(r + 1, static_cast<unsigned char>(r[0]))), "[NONE]");
    }

    // The station's own memory holds the new tables.
    EXPECT_EQ(station->db.findUser("admin"), 1);
}

TEST_F(WizardTest, LongAdministratorPasswordIsKeptToItsFirstFifteenCharacters) {
    const QString pw = QStringLiteral("abcdefghijklmnopqrst");
    fill(pw, pw, "School", "Copyright", "Staff");
    pressNext(4);
    ASSERT_TRUE(w->finished());

    FakeServices other;
    Database db(folder.str(), other.services());
    ASSERT_EQ(db.loadUsers(), Result::Ok);
    EXPECT_EQ(db.userPassword(1), "abcdefghijklmno");
    EXPECT_EQ(db.authenticateUser("ADMIN", "abcdefghijklmno"), 1);
    EXPECT_EQ(db.authenticateUser("admin", "ABCDEFGHIJKLMNO"), 1);
    EXPECT_EQ(db.authenticateUser("ADMIN", "abcdefghijklmnopqrst"), -1);
    EXPECT_EQ(db.authenticateUser("ADMIN", "abcdefghijklmn"), -1);
}

TEST_F(WizardTest, FinishReplacesWhateverTheOtherFilesHeld) {
    writeFreshDatabase(folder.str());
    FakeServices other;
    Database db(folder.str(), other.services());
    ASSERT_EQ(db.loadNotices(), Result::Ok);
    db.notice(5).owner = db.scramble("BOB");
    ASSERT_TRUE(db.saveNotices());

    fill("pw", "pw", "New School", "(c)", "Everyone");
    pressNext(4);
    ASSERT_TRUE(w->finished());
    ASSERT_EQ(db.loadNotices(), Result::Ok);
    EXPECT_EQ(db.countNoticesInUse(), 0);
    ASSERT_EQ(db.loadConfig(), Result::Ok);
    EXPECT_EQ(db.config.schoolName.str(), "New School");
    EXPECT_EQ(db.config.noticeSets[0].name.str(), "Everyone");
}

TEST_F(WizardTest, AFileThatCannotBeWrittenKeepsTheWizardOpen) {
    // A folder where CONFIG.DB should be: no save can replace it.
    std::filesystem::create_directory(folder / "CONFIG.DB");
    fill("pw", "pw", "School", "(c)", "Set");
    pressNext(4);
    EXPECT_EQ(Messages::shownTexts(),
              QStringList{QString::fromStdString(unsavedFileMessage("CONFIG.DB"))});
    EXPECT_FALSE(w->finished());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->wizardStep(), 4);
    EXPECT_FALSE(std::filesystem::exists(folder / "USER.DB"));

    // Once the way is clear, Finish goes through.
    std::filesystem::remove(folder / "CONFIG.DB");
    Messages::clear();
    pressNext(1);
    EXPECT_TRUE(w->finished());
    EXPECT_TRUE(Messages::shown().isEmpty());
}

TEST_F(WizardTest, AMessageFolderThatCannotBeMadeIsReported) {
    std::filesystem::remove(folder / "MSG");
    std::ofstream(folder / "MSG") << "not a folder";
    fill("pw", "pw", "School", "(c)", "Set");
    pressNext(4);
    EXPECT_TRUE(w->finished()); // the database itself is complete
    ASSERT_EQ(Messages::shownTexts().size(), 1);
    EXPECT_TRUE(Messages::shownTexts()[0].startsWith(QStringLiteral("The MSG Folder could not")));
}

TEST_F(WizardTest, CancelAsksAndEndsTheProgramOnlyOnYes) {
    fill("pw", "pw", "School", "(c)", "Set");
    Messages::queueAnswer(false);
    button("Button1")->click();
    ASSERT_EQ(Messages::shown().size(), 1);
    EXPECT_EQ(Messages::shown()[0].kind, ui::ShownBox::Kind::Question);
    EXPECT_EQ(Messages::shown()[0].title, QStringLiteral("Cancel"));
    EXPECT_EQ(Messages::shown()[0].text,
              QStringLiteral("Do you wish to cancel setting up the Pinora"));
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(programEnded);
    EXPECT_EQ(edit("schoolname")->text(), QStringLiteral("School"));

    Messages::queueAnswer(true);
    button("Button1")->click();
    EXPECT_TRUE(programEnded);
    EXPECT_TRUE(w->cancelled());
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(anyDatabaseFile());
}

TEST_F(WizardTest, ClosingIsRefusedUntilFinished) {
    const QString refusal =
        QStringLiteral("You cannot use the notice editor without first completing this wizard");
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    w->reject(); // Escape
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(Messages::shownTexts(), (QStringList{refusal, refusal}));
    EXPECT_FALSE(programEnded);
    EXPECT_FALSE(anyDatabaseFile());
}

TEST_F(WizardTest, ShowingAgainStartsAtStepOne) {
    pressNext(2);
    w->hide();
    w->show();
    EXPECT_EQ(w->wizardStep(), 1);
    EXPECT_TRUE(step(1)->isVisible());
}

} // namespace
