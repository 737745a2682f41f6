// Tags, line breaks and pictures in the editor.
#include "apptest.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QToolButton>

namespace pinora::test {
namespace {

using ui::Messages;

class MarkupTest : public AppTest {
  protected:
    QPlainTextEdit* editor() { return child<QPlainTextEdit>("notice"); }
    QToolButton* button(const char* name) { return child<QToolButton>(name); }
    void openNew(const std::string& user) {
        logon(user);
        const TDateTime day = nextWeekday(fakes.clock->t);
        main->createNotice(day, day, SetTicks{true});
        ASSERT_TRUE(main->editingNotice());
        Messages::clear();
    }
    void selectAll() { editor()->selectAll(); }
    std::string picture(const char* name, const std::string& bytes) {
        const auto p = folder / name;
        writeBytes(p, bytes);
        return p.string();
    }
};

TEST_F(MarkupTest, TagsToggleAndReplaceTheSelection) {
    openNew("ADMIN");
    editor()->setPlainText(QStringLiteral("abc"));
    selectAll();
    button("BoldBtn")->click();
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("<b>"));
    EXPECT_TRUE(main->tagOpen(Tag::Bold));
    EXPECT_TRUE(button("BoldBtn")->isChecked());
    EXPECT_TRUE(button("BoldBtn")->autoRaise());
    button("BoldBtn")->click();
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("<b></b>"));
    EXPECT_FALSE(main->tagOpen(Tag::Bold));
    EXPECT_FALSE(button("BoldBtn")->isChecked());
    EXPECT_FALSE(button("BoldBtn")->autoRaise());

    button("ItalicBtn")->click();
    button("UnderLineBtn")->click();
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("<b></b><i><u>"));
    // Deleting a tag by hand leaves its flag as it was.
    editor()->setPlainText(QString());
    button("ItalicBtn")->click();
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("</i>"));
    EXPECT_TRUE(shown().isEmpty()); // no extra help for this user

    // Opening a notice draws every tag closed again.
    main->openNoticeInEditor(1, false);
    EXPECT_FALSE(main->tagOpen(Tag::Underline));
    EXPECT_FALSE(button("UnderLineBtn")->isChecked());
}

TEST_F(MarkupTest, ExtraHelpAfterOpeningAndClosing) {
    addUser({.name = "NEWBIE", .extraHelp = true});
    openNew("NEWBIE");
    button("BoldBtn")->click();
    button("BoldBtn")->click();
    button("ItalicBtn")->click();
    button("UnderLineBtn")->click();
    const QString bold = QStringLiteral(
        "This text will appear, <b> at the beginning of the bold statement and this text </b> at "
        "the end. Do not delete these or your bold statement will not work");
    EXPECT_EQ(shown(),
              (QStringList{bold, bold,
                           QStringLiteral("This text will appear, <I> at the beginning of the "
                                          "italic statement and this text </i> at the end. Do "
                                          "not delete these or your italic statement will not "
                                          "work"),
                           QStringLiteral("This text will appear, <u> at the beginning of the "
                                          "underlined statement and this text </u> at the end. "
                                          "Do not delete these or your underlined statement will "
                                          "not work")}));
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("<b></b><i><u>"));
}

TEST_F(MarkupTest, LineBreak) {
    openNew("ADMIN");
    editor()->setPlainText(QStringLiteral("one two"));
    QTextCursor c = editor()->textCursor();
    c.setPosition(3);
    c.setPosition(4, QTextCursor::KeepAnchor);
    editor()->setTextCursor(c);
    child<QAction>("ForceReturn1")->trigger();
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("one<br>two"));
    button("SpeedButton14")->click();
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("one<br><br>two"));
}

TEST_F(MarkupTest, PictureCopiedBesideTheMessages) {
    addUser({.name = "NEWBIE", .extraHelp = true});
    openNew("NEWBIE");
    const int n = main->currentNoticeNumber();
    const std::string gifBytes = std::string("GIF89a\0\x01\xff", 9) + "first";
    Messages::queueFile(QString::fromStdString(picture("photo.gif", gifBytes)));
    button("SpeedButton13")->click();

    const std::string copy = folder.str() + "/MSG/" + std::to_string(n) + "..gif";
    EXPECT_NE(copy.find("//MSG/1..gif"), std::string::npos);
    EXPECT_EQ(readBytes(folder / "MSG" / "1..gif"), gifBytes);
    EXPECT_EQ(editor()->toPlainText(),
              QStringLiteral("<IMG SRC=\"") + QString::fromStdString(copy) + QStringLiteral("\">"));
    EXPECT_EQ(shown().back(), QStringLiteral("IMPORTANT: The following text has been entered into "
                                             "your notice. If you delete or partially remove "
                                             "this text, your picture will not appear in "
                                             "notices"));

    // A second GIF replaces the copy; a BMP gets its own.
    editor()->insertPlainText(QStringLiteral("\n"));
    Messages::queueFile(QString::fromStdString(picture("other.gif", "GIF89a second")));
    child<QAction>("InsertPicture1")->trigger();
    Messages::queueFile(QString::fromStdString(picture("pic.bmp", "BM bitmap")));
    button("SpeedButton13")->click();
    EXPECT_EQ(readBytes(folder / "MSG" / "1..gif"), "GIF89a second");
    EXPECT_EQ(readBytes(folder / "MSG" / "1..bmp"), "BM bitmap");
    const QString text = editor()->toPlainText();
    EXPECT_EQ(text.count(QStringLiteral("<IMG SRC=\"") + QString::fromStdString(copy)), 2);
    EXPECT_TRUE(text.endsWith(QStringLiteral("1..bmp\">")));

    // Every picture dialog starts in the process's current folder.
    for (const ui::ShownBox& b : Messages::shown()) {
        if (b.kind == ui::ShownBox::Kind::FileOpen) {
            EXPECT_EQ(b.text, QDir::currentPath());
        }
    }

    // Submitted with the text; the copies stay beside it.
    main->findChild<QPushButton*>(QStringLiteral("submitbtn"))->click();
    EXPECT_NE(msgFile(1).find("<IMG SRC=\"" + copy + "\">"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(folder / "MSG" / "1..gif"));
    EXPECT_TRUE(std::filesystem::exists(folder / "MSG" / "1..bmp"));
}

TEST_F(MarkupTest, PictureThatCannotBeCopied) {
    openNew("ADMIN");
    // Cancelled dialog: nothing at all.
    button("SpeedButton13")->click();
    EXPECT_EQ(editor()->toPlainText(), QString());
    EXPECT_TRUE(shown().isEmpty());

    const std::string missing = (folder / "gone.gif").string();
    Messages::queueFile(QString::fromStdString(missing));
    button("SpeedButton13")->click();
    ASSERT_EQ(shown().size(), 1);
    EXPECT_TRUE(shown()[0].contains(QString::fromStdString(missing)));
    EXPECT_EQ(editor()->toPlainText(), QString());

    Messages::clear();
    std::filesystem::remove_all(folder / "MSG");
    Messages::queueFile(QString::fromStdString(picture("ok.gif", "GIF")));
    button("SpeedButton13")->click();
    ASSERT_EQ(shown().size(), 1);
    EXPECT_TRUE(shown()[0].contains(QStringLiteral("MSG/1..gif")));
    EXPECT_EQ(editor()->toPlainText(), QString());
}

TEST_F(MarkupTest, ChoosingTheCopyItselfKeepsIt) {
    openNew("ADMIN");
    writeBytes(folder / "MSG" / "1..gif", "GIF same");
    Messages::queueFile(QString::fromStdString((folder / "MSG" / "1..gif").string()));
    button("SpeedButton13")->click();
    EXPECT_EQ(readBytes(folder / "MSG" / "1..gif"), "GIF same");
}

} // namespace
} // namespace pinora::test
