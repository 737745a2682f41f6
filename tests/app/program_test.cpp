// The whole program in one process, as a new school would meet it: an empty folder, the
// wizard, the first logon as ADMIN, the main window.
#include "app/createfrm.h"
#include "app/mainfrm.h"
#include "app/startup.h"
#include "support/fakes.h"
#include "support/tempfolder.h"
#include "ui/messages.h"
#include "users/logonfrm.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <filesystem>
#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;
using ui::Messages;

namespace {

QString statusLine(Tmainfrm* w) {
    QString text = w->statusBar()->currentMessage();
    for (const QLabel* l : w->statusBar()->findChildren<QLabel*>())
        text += l->text();
    return text;
}

TEST(WholeProgram, EmptyFolderToAdministratorAtWork) {
    Messages::clear();
    TempFolder folder;
    std::filesystem::remove(folder / "MSG");
    std::filesystem::remove(folder / "TEMP");
    FakeServices fakes;
    Services services = fakes.services();
    services.reporter = std::make_shared<ui::MessageReporter>();

    StartUp program(services, folder.str(), {});
    program.runModal = [](QDialog* wizard) {
        wizard->show();
        auto set = [wizard](const char* name, const char* text) {
            wizard->findChild<QLineEdit*>(QString::fromLatin1(name))
                ->setText(QString::fromLatin1(text));
        };
        set("adminpassword1", "Open Sesame 2026!"); // longer than a password field holds
        set("adminpassword2", "Open Sesame 2026!");
        set("schoolname", "Hillside Primary");
        set("copyrightline", "Copyright (c) 2026 Hillside Primary");
        set("setonename", "Students");
        auto* next = wizard->findChild<QPushButton*>(QStringLiteral("next"));
        for (int i = 0; i < 4; ++i)
            next->click();
    };
    ASSERT_TRUE(program.run());
    EXPECT_TRUE(Messages::shown().isEmpty()) << Messages::shownTexts().join('\n').toStdString();
    EXPECT_TRUE(std::filesystem::is_directory(folder / "MSG"));

    Tlogonfrm* logon = program.windows().logonfrm;
    Tmainfrm* mainfrm = program.windows().mainfrm;
    ASSERT_TRUE(logon->isVisible());
    EXPECT_EQ(statusLine(mainfrm), QStringLiteral("Waiting for Logon...."));
    logon->findChild<QLineEdit*>(QStringLiteral("username"))->setText(QStringLiteral("ADMIN"));
    logon->findChild<QLineEdit*>(QStringLiteral("password"))
        ->setText(QStringLiteral("Open Sesame 202")); // the first 15 characters
    logon->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();

    EXPECT_TRUE(Messages::shown().isEmpty()) << Messages::shownTexts().join('\n').toStdString();
    EXPECT_FALSE(logon->isVisible());
    EXPECT_TRUE(mainfrm->isVisible());
    EXPECT_TRUE(mainfrm->isEnabled());
    EXPECT_TRUE(statusLine(mainfrm).contains(QStringLiteral("Current User: ADMIN")));
    EXPECT_EQ(program.station().currentUserSlot, 1);
    EXPECT_FALSE(program.ended());
    EXPECT_TRUE(mainfrm->windowTitle().endsWith(QStringLiteral(" (A)")));

    // The first notice of the new school: the wizard made the folder its text goes into.
    mainfrm->findChild<QAction*>(QStringLiteral("CreateaNotice1"))->trigger();
    QWidget* create = program.windows().createfrm;
    ASSERT_NE(create, nullptr);
    ASSERT_TRUE(create->isVisible());
    create->findChild<QCheckBox*>(QStringLiteral("Set1"))->setChecked(true);
    create->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    ASSERT_TRUE(Messages::shown().isEmpty()) << Messages::shownTexts().join('\n').toStdString();
    mainfrm->findChild<QPlainTextEdit*>(QStringLiteral("notice"))
        ->setPlainText(QStringLiteral("Welcome back, everyone."));
    mainfrm->findChild<QPushButton*>(QStringLiteral("submitbtn"))->click();
    EXPECT_TRUE(Messages::shown().isEmpty()) << Messages::shownTexts().join('\n').toStdString();
    ASSERT_TRUE(std::filesystem::exists(folder / "MSG" / "1.MSG"));
    EXPECT_EQ(std::filesystem::file_size(folder / "MSG" / "1.MSG"), 25u); // text + CR LF
    mainfrm->hide();
    Messages::clear();
}

} // namespace
