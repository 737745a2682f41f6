// The page formatter: its checks in order, what it stores, the logo, and the next page.
#include "db/datetime.h"
#include "output/page.h"
#include "output/windows/pageformatfrm.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"
#include "ui/messages.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>
#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;
using ui::Messages;
namespace fs = std::filesystem;

namespace {

class PageFormatter : public ::testing::Test {
  protected:
    void SetUp() override {
        Messages::clear();
        writeFreshDatabase(dir.str());
        w.show();
    }
    void TearDown() override { Messages::clear(); }
    QLineEdit* edit(const char* name) { return w.findChild<QLineEdit*>(QString::fromLatin1(name)); }
    // The boxes shown, without the file dialogs.
    static QStringList boxes() {
        QStringList out;
        for (const ui::ShownBox& b : Messages::shown())
            if (b.kind == ui::ShownBox::Kind::Information) out << b.text;
        return out;
    }
    QStringList save() {
        Messages::clear();
        w.findChild<QPushButton*>("Save")->click();
        return Messages::shownTexts();
    }

    TempFolder dir;
    FakeServices fsv;
    Station st{dir.str(), fsv.services()};
    Tpageformatfrm w{st};
};

TEST_F(PageFormatter, ChecksSizesInOrderAndStoresWhatThePageUses) {
    const QString numbersOnly =
        QStringLiteral("YOu must specify a number only in the Point Size of Border Size Fields");
    const QString pointRange = QStringLiteral(
        "Your point size must be between 1 and 7 where 1 is smallest size and 7 is biggest");
    const QString borderRange = QStringLiteral(
        "Your border size must be between 1 and 10 where 1 is thin borders and 10 is fat borders");
    const std::string before = readBytes(dir / "CONFIG.DB");
    const std::vector<std::pair<QString, QStringList>> points = {
        {"0", {pointRange}}, {"8", {pointRange}}, {"4.5", {numbersOnly}}, {"", {numbersOnly}}};
    for (const auto& [typed, expected] : points) {
        edit("pointsize")->setText(typed);
        EXPECT_EQ(save(), expected) << typed.toStdString();
    }
    edit("pointsize")->setText("7");
    for (const QString& typed : {QStringLiteral("0"), QStringLiteral("11")}) {
        edit("bordersize")->setText(typed);
        EXPECT_EQ(save(), QStringList{borderRange}) << typed.toStdString();
    }
    edit("bordersize")->setText("10");
    edit("headerpointsize")->setText("x");
    EXPECT_EQ(save(), QStringList{"'x' is not a valid integer value"});
    EXPECT_EQ(readBytes(dir / "CONFIG.DB"), before) << "nothing written by a refused save";
    EXPECT_TRUE(w.isVisible());

    edit("headerpointsize")->setText("12");
    w.findChild<QComboBox*>("fontname")->setCurrentText("Georgia");
    EXPECT_TRUE(save().isEmpty());
    EXPECT_FALSE(w.isVisible());

    // The next page written picks the changes up.
    int n = -1;
    st.currentUserName = "ADMIN";
    ASSERT_EQ(st.db.loadUsers(), Result::Ok);
    st.currentUserSlot = st.db.findUser("ADMIN");
    const TDateTime day = encodeDate(2026, 12, 14);
    std::array<bool, kSetCount> in{};
    in[0] = true;
    ASSERT_EQ(st.allocateNotice(day, day, in, n), Result::Ok);
    ASSERT_TRUE(st.db.writeMessageFile(n, "Choir"));
    ASSERT_TRUE(writeNoticePage(st.db, 1, "TEMP/p.htm", day));
    const std::string page = readBytes(dir / "TEMP" / "p.htm");
    EXPECT_NE(page.find("border=\"10\""), std::string::npos);
    EXPECT_NE(page.find("size=\"12\">Students"), std::string::npos) << page;
    EXPECT_NE(page.find("FACE=\"Georgia\""), std::string::npos);
}

TEST_F(PageFormatter, AnUnknownStoredFontMustBeChosenAgain) {
    ASSERT_EQ(st.db.loadConfig(), Result::Ok);
    st.db.config.fontName = "Comic Sans";
    ASSERT_TRUE(st.db.saveConfig());
    w.hide();
    w.show();
    EXPECT_EQ(w.findChild<QComboBox*>("fontname")->currentIndex(), -1);
    EXPECT_EQ(save(), QStringList{"You must select a font from the list"});
}

TEST_F(PageFormatter, AStoredSignatureStyleNoButtonShowsIsKeptNotReplacedByTheLastChoice) {
    w.findChild<QRadioButton*>("SignatureStyle2")->setChecked(true);
    EXPECT_TRUE(save().isEmpty());
    ASSERT_EQ(st.db.loadConfig(), Result::Ok);
    EXPECT_EQ(st.db.config.signatureStyle, 2);

    st.db.config.signatureStyle = 9; // written by another copy
    ASSERT_TRUE(st.db.saveConfig());
    w.show();
    for (QRadioButton* r : w.findChildren<QRadioButton*>()) {
        if (r->objectName().startsWith("SignatureStyle")) {
            EXPECT_FALSE(r->isChecked()) << r->objectName().toStdString();
        }
    }
    EXPECT_TRUE(save().isEmpty());
    ASSERT_EQ(st.db.loadConfig(), Result::Ok);
    EXPECT_EQ(st.db.config.signatureStyle, 9);
}

TEST_F(PageFormatter, LogoIsInsertedReplacedAndRemoved) {
    writeBytes(dir / "first.gif", "GIF89a first");
    writeBytes(dir / "second.gif", "GIF89a second");
    Messages::queueFile(QString::fromStdString((dir / "first.gif").string()));
    w.findChild<QPushButton*>("BitBtn1")->click();
    Messages::queueFile(QString::fromStdString((dir / "second.gif").string()));
    w.findChild<QPushButton*>("BitBtn1")->click();
    EXPECT_EQ(readBytes(dir / "logo.gif"), "GIF89a second") << "a new logo replaces the old";
    Messages::queueFile(QString());
    w.findChild<QPushButton*>("BitBtn1")->click(); // cancelled: nothing happens
    EXPECT_EQ(boxes(), (QStringList{"Logo Inserted", "Logo Inserted"}));

    Messages::clear();
    w.findChild<QPushButton*>("BitBtn2")->click();
    w.findChild<QPushButton*>("BitBtn2")->click();
    EXPECT_EQ(Messages::shownTexts(), (QStringList{"Logo Removed", "Logo Removed"}));
    EXPECT_FALSE(fs::exists(dir / "logo.gif"));

    // A file that cannot be read says so instead of "Logo Inserted".
    Messages::clear();
    EXPECT_TRUE(insertLogo(st.db, (dir / "none.gif").string()).startsWith("Cannot open file"));
}

} // namespace
