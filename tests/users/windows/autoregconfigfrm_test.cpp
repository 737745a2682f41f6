// Default Security Levels: the rights new users start with, refused levels and the help.
#include "registrationtest.h"
#include "users/windows/autoregconfigfrm.h"

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace pinora;
using namespace pinora::test;
using ui::Messages;

namespace {

const QString kBadLevel = QStringLiteral("Security Level must be a number between 1 and 200");

TEST_F(RegistrationTest, DefaultRightsRefuseBadLevelsWithOneMessageAndLeaveTheFile) {
    auto* help = new HelpRecorder(&mainWindow);
    Tautoregconfigfrm rights(*st, &mainWindow);
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

} // namespace
