// The import window over a planted release 1.4 folder.
#include "admin/windows/importfrm.h"
#include "db/datetime.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"
#include "ui/messages.h"

#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;
using ui::Messages;
namespace fs = std::filesystem;

namespace {

// NOTICES.DAT with record 2 in use (a staff notice by JONES) and its Rich Text message file.
void writeRelease14(const fs::path& folder) {
    fs::create_directories(folder / "MSG");
    std::string dat(720000, '\0');
    for (int i = 1; i <= 15000; ++i) {
        const std::string name = i == 2 ? "JONES" : "[NULL]";
        const std::size_t at = 48 * static_cast<std::size_t>(i - 1);
        dat[at] = static_cast<char>(name.size());
        std::memcpy(&dat[at + 1], name.data(), name.size());
        if (i != 2) continue;
        const double start = encodeDate(2026, 12, 14), end = encodeDate(2026, 12, 18);
        std::memcpy(&dat[at + 24], &start, 8);
        std::memcpy(&dat[at + 32], &end, 8);
        dat[at + 40] = 1;
    }
    writeBytes(folder / "notices.dat", dat);
    writeBytes(folder / "MSG" / "2.msg", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}Staff {\\b meeting}"
                                         "\\par in the hall\\par}");
}

class ImportWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        Messages::clear();
        writeFreshDatabase(dir.str());
        FakeServices other;
        Database d(dir.str(), other.services());
        ASSERT_EQ(d.loadConfig(), Result::Ok);
        d.config.noticeSets[2].name = "Staff";
        ASSERT_TRUE(d.saveConfig());
        st.currentUserName = "ADMIN";
        writeRelease14(old.path());
    }
    void TearDown() override { Messages::clear(); }
    template <typename T> T* find(const char* name) {
        T* c = w.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }

    TempFolder dir, old;
    FakeServices fsv;
    Station st{dir.str(), fsv.services()};
    TImportfrm w{st};
};

TEST_F(ImportWindow, ChecksItsFieldsThenImportsUnderAdminIntoTheChosenSet) {
    w.show();
    auto* staff = find<QComboBox>("importset1");
    auto* students = find<QComboBox>("importset2");
    ASSERT_EQ(staff->count(), 2);
    EXPECT_EQ(staff->itemText(0), QStringLiteral("Students"));
    EXPECT_EQ(staff->itemText(1), QStringLiteral("Staff"));
    EXPECT_EQ(staff->currentIndex(), -1) << "nothing is selected";

    staff->setCurrentIndex(1);
    find<QPushButton>("Import")->click();
    EXPECT_EQ(Messages::shownTexts(), QStringList{"You must specify all fields"});
    students->setCurrentIndex(0);
    find<QPushButton>("Import")->click();
    EXPECT_EQ(Messages::shownTexts().size(), 2) << "the path is still empty";

    Messages::clear();
    find<QLineEdit>("path")->setText(QString::fromStdString(old.str()));
    find<QPushButton>("Import")->click();
    EXPECT_EQ(Messages::shownTexts(), QStringList{"Import Complete"});
    EXPECT_EQ(find<QPlainTextEdit>("progress")->toPlainText(),
              QStringLiteral("2 JONES 14/12/2026 18/12/2026 STAFF"));

    FakeServices other;
    Database d(dir.str(), other.services());
    ASSERT_EQ(d.loadNotices(), Result::Ok);
    ASSERT_TRUE(d.noticeInUse(1));
    EXPECT_EQ(d.noticeOwner(1), "ADMIN");
    EXPECT_TRUE(d.notice(1).inSet[2]);
    EXPECT_FALSE(d.notice(1).inSet[0]);
    EXPECT_EQ(readBytes(dir / "MSG" / "1.MSG"), "Staff meeting\r\nin the hall\r\n");
    EXPECT_FALSE(fs::exists(dir / "DB-N.LCK"));

    // A folder without NOTICES.DAT.
    Messages::clear();
    find<QLineEdit>("path")->setText(QString::fromStdString(dir.str()));
    find<QPushButton>("Import")->click();
    EXPECT_EQ(Messages::shownTexts(), QStringList{"The Path to Pinora 1.4 is incorrect"});
}

TEST_F(ImportWindow, ASecondClickOrCancelDuringTheImportWaitsAndTheChosenSetIsTheOneShown) {
    {
        // Two sets of one name: the choice is the set in that place of the list.
        FakeServices other;
        Database d(dir.str(), other.services());
        ASSERT_EQ(d.loadConfig(), Result::Ok);
        d.config.noticeSets[0].name = "Staff";
        ASSERT_TRUE(d.saveConfig());
    }
    w.show();
    find<QComboBox>("importset1")->setCurrentIndex(0);
    find<QComboBox>("importset2")->setCurrentIndex(1);
    find<QLineEdit>("path")->setText(QString::fromStdString(old.str()));

    // The import's log lets queued clicks through: Import again, Cancel and Escape come then.
    bool visibleDuring = false;
    QTimer::singleShot(0, &w, [&] {
        QTest::mouseClick(find<QPushButton>("Import"), Qt::LeftButton);
        QTest::mouseClick(find<QPushButton>("Button1"), Qt::LeftButton);
        QTest::keyClick(&w, Qt::Key_Escape);
        visibleDuring = w.isVisible();
    });
    QTest::mouseClick(find<QPushButton>("Import"), Qt::LeftButton);
    EXPECT_TRUE(visibleDuring);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(Messages::shownTexts(), QStringList{"Import Complete"});

    FakeServices other;
    Database d(dir.str(), other.services());
    ASSERT_EQ(d.loadNotices(), Result::Ok);
    EXPECT_EQ(d.countNoticesInUse(), 1) << "imported once";
    EXPECT_TRUE(d.notice(1).inSet[0]);
    EXPECT_FALSE(d.notice(1).inSet[2]);
    EXPECT_FALSE(fs::exists(dir / "DB-N.LCK"));
}

} // namespace
