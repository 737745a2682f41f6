// The main window reaches the preview dialog and the help viewer that start-up created.
#include "app/windows/mainfrm.h"
#include "app/windows/startup.h"
#include "help/onlinehelpfrm.h"
#include "output/windows/previewdialogfrm.h"
#include "output/windows/previewfrm.h"
#include "support/fakes.h"
#include "support/tempfolder.h"
#include "ui/messages.h"
#include "users/windows/logonfrm.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QWebEngineView>
#include <gtest/gtest.h>

using namespace pinora;
using pinora::ui::Messages;

TEST(PreviewWiring, MenuItemsAndButtonsOpenTheDialogInTheirModeAndHelpBesideTheWindow) {
    test::TempFolder folder;
    test::FakeServices fakes;
    test::writeFreshDatabase(folder.str());
    Messages::clear();
    StartUp program(fakes.services(), folder.str(), {});
    program.runModal = [](QDialog*) {};
    ASSERT_TRUE(program.run());
    AppWindows& w = program.windows();
    ASSERT_NE(w.previewdialogfrm, nullptr);
    ASSERT_NE(w.previewfrm, nullptr);
    ASSERT_NE(w.onlinehelpfrm, nullptr);
    EXPECT_FALSE(w.onlinehelpfrm->hasBrowser()) << "no browser at start-up";
    EXPECT_FALSE(w.previewfrm->hasBrowser());

    w.logonfrm->findChild<QLineEdit*>("username")->setText("ADMIN");
    w.logonfrm->findChild<QLineEdit*>("password")->setText("secret");
    w.logonfrm->findChild<QPushButton*>("BitBtn1")->click();
    ASSERT_TRUE(w.mainfrm->isVisible());

    QDialog* opened = nullptr;
    QString caption;
    program.runModal = [&](QDialog* d) {
        opened = d;
        d->show();
        caption = d->windowTitle();
        d->hide();
    };
    const std::pair<const char*, const char*> controls[] = {
        {"PrintNotice1", "Print"},      {"PreviewNotices1", "Preview"},
        {"PublishNotices1", "Publish"}, {"NoticePrintPreview1", "Preview/Print/Publish"},
        {"SpeedButton3", "Print"},      {"SpeedButton4", "Preview"},
        {"SpeedButton5", "Publish"}};
    for (const auto& [name, expected] : controls) {
        opened = nullptr;
        if (auto* item = w.mainfrm->findChild<QAction*>(name)) {
            EXPECT_TRUE(item->isEnabled()) << name;
            item->trigger();
        } else {
            auto* button = w.mainfrm->findChild<QToolButton*>(name);
            ASSERT_NE(button, nullptr) << name;
            EXPECT_TRUE(button->isEnabled()) << name;
            button->click();
        }
        EXPECT_EQ(opened, w.previewdialogfrm) << name;
        EXPECT_EQ(caption, QString::fromLatin1(expected)) << name;
    }

    // Instructions: main.htm beside the main window, from the menu and from the button.
    w.mainfrm->findChild<QAction*>("Instructions1")->trigger();
    EXPECT_TRUE(w.onlinehelpfrm->isVisible());
    EXPECT_EQ(w.onlinehelpfrm->web()->url(), helpTopicUrl(programHelpFolder(), "main.htm"));
    EXPECT_EQ(w.onlinehelpfrm->frameGeometry().y(), w.mainfrm->frameGeometry().y());
    w.onlinehelpfrm->DisMissReportBtnClick();
    w.mainfrm->findChild<QToolButton*>("SpeedButton12")->click();
    EXPECT_TRUE(w.onlinehelpfrm->isVisible());
    w.onlinehelpfrm->DisMissReportBtnClick();
    Messages::clear();
}
