// The integrity check window over a planted folder: what it shows while and after it runs,
// and its printed and saved log.
#include "admin/windows/check2frm.h"
#include "db/datetime.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/stationtest.h"
#include "support/tempfolder.h"
#include "ui/messages.h"

#include <QCheckBox>
#include <QListWidget>
#include <QLocale>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;
using ui::Messages;
namespace fs = std::filesystem;

namespace {

class CheckWindow : public StationTest {
  protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        Messages::clear();
        StationTest::SetUp();
        logOnAs("ADMIN");
        storeUser("ANN"); // no full name
        w = std::make_unique<Tcheck2frm>(*st);
        w->setBusy = [this](bool on) { busy.push_back(on); };
        w->show();
    }
    void TearDown() override { Messages::clear(); }
    template <typename T> T* find(const char* name) {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    int ticked() {
        int n = 0;
        auto* state = find<QListWidget>("state");
        for (int i = 0; i < state->count(); ++i)
            n += state->item(i)->checkState() == Qt::Checked;
        return n;
    }

    std::unique_ptr<Tcheck2frm> w; // on the station, once it is made
    std::vector<bool> busy;
};

TEST_F(CheckWindow, RunsTheCheckAndShowsItsLogStepsAndProgress) {
    auto* state = find<QListWidget>("state");
    ASSERT_EQ(state->count(), 9);
    EXPECT_EQ(state->item(2)->text(), QStringLiteral("User  Consistancy Check"));
    EXPECT_FALSE(state->isEnabled());
    EXPECT_TRUE(find<QRadioButton>("deleted")->isChecked());
    EXPECT_TRUE(find<QCheckBox>("removeold")->isChecked());
    EXPECT_EQ(find<QPushButton>("cancelbtn")->text(), QStringLiteral("Cancel "));

    // While it runs, neither button can be pressed.
    bool disabledWhileRunning = false;
    fakes.sleeper->onSleep = [&] {
        disabledWhileRunning = !find<QPushButton>("startbtn")->isEnabled() &&
                               !find<QPushButton>("cancelbtn")->isEnabled();
    };
    find<QPushButton>("startbtn")->click();
    EXPECT_TRUE(disabledWhileRunning);
    EXPECT_EQ(ticked(), 9);
    const QStringList log = w->logLines();
    ASSERT_EQ(log.size(), 3) << log.join("|").toStdString();
    EXPECT_EQ(log[0], QStringLiteral("Check started: 07/12/2026 10:00:00"));
    EXPECT_EQ(log[1], QStringLiteral("Record 2 ANN : Full Name missing. Record is corrupt. Deleted"));
    EXPECT_EQ(log[2], QStringLiteral("Check Completed: 07/12/2026 10:00:00"));
    EXPECT_TRUE(find<QPushButton>("startbtn")->isEnabled());
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
    EXPECT_TRUE(Messages::shownTexts().isEmpty());

    // The options stay as chosen; the next run starts a fresh log.
    find<QRadioButton>("assadmin")->setChecked(true);
    find<QCheckBox>("removeold")->setChecked(false);
    find<QPushButton>("startbtn")->click();
    EXPECT_TRUE(w->options().widowedToAdmin);
    EXPECT_FALSE(w->options().removeOld);
    EXPECT_EQ(w->logLines().size(), 2);
}

TEST_F(CheckWindow, RefusedWhileTheNoticesAreInUse) {
    writeBytes(folder / "DB-N.LCK", "TRUE\r\nBOB\r\nCreating Notice\r\n");
    const std::string users = readBytes(folder / "USER.DB");
    find<QPushButton>("startbtn")->click();
    EXPECT_EQ(Messages::shownTexts(),
              QStringList{"Cannot start a data integrity check while someone is using the "
                          "notice system"});
    EXPECT_EQ(w->logLines().size(), 1);
    EXPECT_EQ(ticked(), 0);
    EXPECT_EQ(readBytes(folder / "USER.DB"), users);
    EXPECT_FALSE(fs::exists(folder / "DB-U.LCK"));
    EXPECT_TRUE(find<QPushButton>("startbtn")->isEnabled());
}

TEST_F(CheckWindow, SavesAndPrintsTheLog) {
    find<QPushButton>("startbtn")->click();
    Messages::clear();
    find<QPushButton>("BitBtn2")->click();
    const std::string path = st->db.path("DataChk.txt");
    EXPECT_EQ(Messages::shownTexts(), QStringList{"Saved to " + QString::fromStdString(path)});
    EXPECT_EQ(readBytes(path), "Check started: 07/12/2026 10:00:00\r\n"
                               "Record 2 ANN : Full Name missing. Record is corrupt. Deleted\r\n"
                               "Check Completed: 07/12/2026 10:00:00\r\n");

    Messages::clear();
    const QString pdf = QString::fromStdString((folder / "log.pdf").string());
    QString title;
    w->choosePrinter = [&](QPrinter& p) {
        title = p.docName();
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        return true;
    };
    find<QPushButton>("BitBtn1")->click();
    EXPECT_EQ(title, QStringLiteral("Data Integrity Check - Pinora"));
    EXPECT_EQ(Messages::shownTexts(), QStringList{"Sent to printer"});
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    EXPECT_TRUE(QString::fromUtf8(text.readAllStandardOutput()).contains("Full Name missing"));

    // A cancelled print dialog prints and says nothing.
    Messages::clear();
    w->choosePrinter = [](QPrinter&) { return false; };
    find<QPushButton>("BitBtn1")->click();
    EXPECT_TRUE(Messages::shownTexts().isEmpty());
}

TEST_F(CheckWindow, EscapeCloseAndClicksWaitWhileTheCheckHoldsTheLocks) {
    // A name that looks like markup is logged as typed.
    ASSERT_EQ(st->db.loadUsers(), Result::Ok);
    const int odd = st->db.findFreeUser();
    st->db.setUserCredentials(odd, "<b>x", "pw");
    st->db.user(odd).fullName = "";
    ASSERT_TRUE(st->db.saveUsers());

    int tries = 0;
    bool hidden = false;
    Result::Kind otherStation = Result::Ok;
    fakes.sleeper->onSleep = [&] {
        if (tries++ > 0) return;
        QTest::keyClick(w.get(), Qt::Key_Escape);
        w->close();
        QTest::mouseClick(find<QPushButton>("startbtn"), Qt::LeftButton);
        hidden = !w->isVisible();
        FakeServices otherFakes;
        Database other(folder.str(), otherFakes.services());
        otherStation = other.acquireLock('N', "BOB", "Creating Notice").kind();
    };
    QTest::mouseClick(find<QPushButton>("startbtn"), Qt::LeftButton);
    EXPECT_FALSE(hidden);
    EXPECT_EQ(otherStation, Result::Refused) << "the check still holds lock N";
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->lastOutcome(), CheckOutcome::Completed);
    EXPECT_FALSE(fs::exists(folder / "DB-N.LCK"));
    EXPECT_FALSE(fs::exists(folder / "DB-U.LCK"));
    EXPECT_EQ(std::count(busy.begin(), busy.end(), true), 1) << "one run, not two";
    EXPECT_TRUE(w->logLines().contains(
        QStringLiteral("Record 3 <b>x : Full Name missing. Record is corrupt. Deleted")));
    find<QPushButton>("BitBtn2")->click();
    EXPECT_NE(readBytes(folder / "DataChk.txt").find("Record 3 <b>x : Full Name"), std::string::npos);

    // Once it has ended, Escape closes the window as usual.
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(CheckWindow, ALogSaysWhatWasSavedWhenNoticeFileCannotBeSaved) {
    writeBytes(folder / "TEMP" / "~1.HTM", "page");
    // Once the tables are read, NOTICE.DB becomes a folder, so its save cannot replace it.
    fakes.sleeper->onSleep = [&] {
        if (fs::is_directory(folder / "NOTICE.DB")) return;
        fs::remove(folder / "NOTICE.DB");
        fs::create_directory(folder / "NOTICE.DB");
    };
    find<QPushButton>("startbtn")->click();
    EXPECT_EQ(w->lastOutcome(), CheckOutcome::SaveFailed);
    const QString last = w->logLines().last();
    EXPECT_TRUE(last.startsWith(QStringLiteral(
        "Check Failed: NOTICE.DB could not be saved. USER.DB was saved; NOTICE.DB was left as it "
        "was; 1 temporary file was removed. ")))
        << last.toStdString();
    EXPECT_FALSE(last.contains(QStringLiteral("Nothing was changed")));
    Database d(folder.str(), fakes.services());
    ASSERT_EQ(d.loadUsers(), Result::Ok);
    EXPECT_TRUE(d.userSlotFree(2)) << "ANN's broken record was freed and saved";
    EXPECT_FALSE(fs::exists(folder / "DB-N.LCK"));
}

} // namespace
