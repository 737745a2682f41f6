// User Authentication Management: the login configuration's window.
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
#include "users/loginconfig.h"
#include "users/windows/loginconfigfrm.h"

using namespace pinora;
using namespace pinora::test;
using ui::Messages;

namespace {

class LoginConfig : public StationTest {};

TEST_F(LoginConfig, TheWindowShowsTheDefaultAsTwoAndTwoAndSavesTheNormalFormOnly) {
    Tloginconfigfrm w(*st);
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
        if (i != ask && i != dialog) {
            EXPECT_EQ(after[i], before[i]) << "byte " << i;
        }
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
