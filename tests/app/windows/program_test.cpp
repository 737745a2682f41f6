// The whole program in one process, as a new school would meet it: an empty folder, the
// wizard, the first logon as ADMIN, the main window.
#include "app/windows/createfrm.h"
#include "app/windows/mainfrm.h"
#include "app/windows/startup.h"
#include "db/database.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"
#include "ui/messages.h"
#include "users/windows/logonfrm.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

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
    // Typed as a teacher would: some words, bold on, more words, a picture, and bold left
    // open for Submit to close.
    auto* editor = mainfrm->findChild<QPlainTextEdit*>(QStringLiteral("notice"));
    QTest::keyClicks(editor, QStringLiteral("Welcome back, "));
    mainfrm->findChild<QToolButton*>(QStringLiteral("BoldBtn"))->click();
    QTest::keyClicks(editor, QStringLiteral("everyone"));
    QTest::keyClick(editor, Qt::Key_Return);
    const std::filesystem::path picture = folder / "crest.gif";
    const std::string gif("GIF89a\x01\x00\x01\x00\x00\xff\x00,", 16);
    { std::ofstream(picture, std::ios::binary) << gif; }
    Messages::queueFile(QString::fromStdString(picture.string()));
    mainfrm->findChild<QToolButton*>(QStringLiteral("SpeedButton13"))->click();
    mainfrm->findChild<QPushButton*>(QStringLiteral("submitbtn"))->click();
    for (const ui::ShownBox& box : Messages::shown())
        EXPECT_EQ(box.kind, ui::ShownBox::Kind::FileOpen) << box.text.toStdString();

    // The files a second station would read.
    const std::string copy = folder.str() + "/MSG/1..gif";
    EXPECT_EQ(readBytes(folder / "MSG" / "1.MSG"),
              "Welcome back, <b>everyone\r\n<IMG SRC=\"" + copy + "\"></b>\r\n");
    EXPECT_EQ(readBytes(folder / "MSG" / "1..gif"), gif);
    Database reader(folder.str(), fakes.services());
    ASSERT_EQ(reader.loadNotices(), Result::Ok);
    ASSERT_EQ(reader.loadUsers(), Result::Ok);
    EXPECT_EQ(reader.countNoticesInUse(), 1);
    EXPECT_EQ(reader.noticeOwner(1), "ADMIN");
    EXPECT_TRUE(reader.notice(1).inSet[0]);
    EXPECT_EQ(reader.notice(1).signature.str(), "Notice Administrator");
    EXPECT_EQ(reader.user(1).postCount, 1);
    EXPECT_FALSE(std::filesystem::exists(folder / "DB-N.LCK"));
    EXPECT_FALSE(std::filesystem::exists(folder / "DB-U.LCK"));
    mainfrm->hide();
    Messages::clear();
}

} // namespace
