// Start-up opens self-registration for an unknown system user when sign-up is allowed, and the
// main window's user commands open the windows start-up created.
#include "app/windows/mainfrm.h"
#include "app/windows/startup.h"
#include "support/fakes.h"
#include "support/tempfolder.h"
#include "ui/messages.h"
#include "users/windows/autoregconfigfrm.h"
#include "users/windows/firstregfrm.h"
#include "users/windows/loginconfigfrm.h"
#include "users/windows/usermanagementfrm.h"
#include "users/windows/userinfofrm.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pinora;
using pinora::ui::Messages;

TEST(UserWiring, AnUnknownSystemUserSignsUpAndTheirCommandsOpenTheUserWindows) {
    test::TempFolder folder;
    test::FakeServices fakes;
    test::writeFreshDatabase(folder.str());
    {
        Database db(folder.str(), fakes.services());
        ASSERT_EQ(db.loadConfig(), Result::Ok);
        db.config.authUseOsName = true;
        db.config.authAskPassword = false;
        db.config.signupAllowed = true;
        ASSERT_TRUE(db.saveConfig());
    }
    fakes.osUser = "newstaff";
    Messages::clear();
    StartUp program(fakes.services(), folder.str(), {});
    std::vector<QDialog*> opened;
    program.runModal = [&](QDialog* d) { opened.push_back(d); };
    ASSERT_TRUE(program.run());
    AppWindows& w = program.windows();
    ASSERT_NE(w.firstregfrm, nullptr);
    ASSERT_TRUE(w.firstregfrm->isVisible());
    EXPECT_FALSE(w.mainfrm->isEnabled());
    EXPECT_TRUE(Messages::shownTexts().isEmpty());

    w.firstregfrm->findChild<QLineEdit*>("fullname")->setText("New Staff");
    w.firstregfrm->findChild<QLineEdit*>("signature")->setText("NS");
    w.firstregfrm->findChild<QLineEdit*>("password1")->setText("pw");
    w.firstregfrm->findChild<QLineEdit*>("password2")->setText("pw");
    w.firstregfrm->findChild<QPushButton*>("BitBtn1")->click();
    ASSERT_TRUE(w.mainfrm->isVisible());
    EXPECT_TRUE(w.mainfrm->isEnabled());
    EXPECT_EQ(program.station().currentUserName, "newstaff");
    EXPECT_EQ(program.station().currentUserSlot, 2);

    // Every user may change their own information; the super-user items refuse others.
    w.mainfrm->findChild<QAction*>("Changemyinformation1")->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.back(), static_cast<QDialog*>(w.userinfofrm));
    Messages::clear();
    w.mainfrm->findChild<QAction*>("LoginMangment1")->trigger();
    w.mainfrm->findChild<QAction*>("DefaultSecurityUserLevels1")->trigger();
    EXPECT_EQ(Messages::shownTexts(), (QStringList{"Only super users may access this menu",
                                                   "Only super users may access this menu"}));
    EXPECT_EQ(opened.size(), 1u);

    // A super user reaches them, and User Management from the menu and the tool button.
    program.station().db.user(2).superUser = true;
    w.mainfrm->findChild<QAction*>("LoginMangment1")->trigger();
    w.mainfrm->findChild<QAction*>("DefaultSecurityUserLevels1")->trigger();
    w.mainfrm->findChild<QAction*>("UserManagement1")->trigger();
    w.mainfrm->findChild<QToolButton*>("SpeedButton9")->click();
    ASSERT_EQ(opened.size(), 5u);
    EXPECT_EQ(opened[1], static_cast<QDialog*>(w.loginconfigfrm));
    EXPECT_EQ(opened[2], static_cast<QDialog*>(w.autoregconfigfrm));
    EXPECT_EQ(opened[3], static_cast<QDialog*>(w.usermanagementfrm));
    EXPECT_EQ(opened[4], static_cast<QDialog*>(w.usermanagementfrm));
    Messages::clear();
}
