// The main window driven through its named controls over a real database folder.
#include "apptest.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace pinora::test {
namespace {

using ui::Messages;

class MainWindowTest : public AppTest {
  protected:
    QPlainTextEdit* editor() { return child<QPlainTextEdit>("notice"); }
    void click(const char* name) { child<QAbstractButton>(name)->click(); }

    // New notice through the create dialog with its defaults and set 1 ticked.
    int createThroughDialog() {
        child<QToolButton>("SpeedButton1")->click();
        EXPECT_TRUE(windows.createfrm->isVisible());
        createChild<QCheckBox>("Set1")->setChecked(true);
        createChild<QPushButton>("BitBtn1")->click();
        return main->currentNoticeNumber();
    }
    void type(const QString& text) { editor()->insertPlainText(text); }
};

TEST_F(MainWindowTest, WaitsForLogonThenShowsTheUser) {
    main = std::make_unique<Tmainfrm>(*st, windows);
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Pinora 2"));
    EXPECT_EQ(child<QLabel>("status")->text(), QStringLiteral("Waiting for Logon...."));
    EXPECT_TRUE(child<QWidget>("busy")->isHidden());
    EXPECT_TRUE(child<QWidget>("toolbar")->isHidden());
    EXPECT_TRUE(child<QWidget>("NoticeEditorPanel")->isHidden());
    EXPECT_EQ(child<QWidget>("busy")->toolTip(),
              QStringLiteral("When this light is red, the notice system is busy, when this light "
                             "is green, it is ready to be used. "));
    main.reset();

    logon("ADMIN");
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Pinora 2 (A)"));
    EXPECT_EQ(child<QLabel>("status")->text(), QStringLiteral("Current User: ADMIN"));
    EXPECT_FALSE(child<QWidget>("busy")->isHidden());
    EXPECT_EQ(child<BusyLight>("busy")->color(), QColor(0, 255, 0));
    EXPECT_FALSE(child<QWidget>("toolbar")->isHidden());
    EXPECT_TRUE(child<QMenu>("adminmenu")->menuAction()->isVisible());
    EXPECT_FALSE(child<QToolBar>("admintb")->isHidden());
    EXPECT_FALSE(child<QMenu>("editmenu")->menuAction()->isVisible());
    EXPECT_TRUE(child<QToolBar>("edittb")->isHidden());
}

TEST_F(MainWindowTest, AdministratorPartsHiddenFromOthers) {
    addUser({.name = "ANN"});
    logon("ANN");
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Pinora 2"));
    EXPECT_FALSE(child<QMenu>("adminmenu")->menuAction()->isVisible());
    EXPECT_TRUE(child<QToolBar>("admintb")->isHidden());
    main.reset();
    addUser({.name = "BEN", .adminMenu = true});
    logon("BEN");
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Pinora 2 (A)"));
    EXPECT_TRUE(child<QMenu>("adminmenu")->menuAction()->isVisible());
}

TEST_F(MainWindowTest, MenusAndButtonsAsNamed) {
    logon("ADMIN");
    const std::vector<std::pair<const char*, const char*>> items = {
        {"CreateaNotice1", "&Create a Notice"},
        {"ViewEditaNotice1", "&View/Edit a Notice"},
        {"PrintNotice1", "&Print Notices"},
        {"PreviewNotices1", "Pre&view Notices"},
        {"PublishNotices1", "Pu&blish Notices"},
        {"Changemyinformation1", "&Change my information"},
        {"Exit1", "E&xit"},
        {"Cut1", "C&ut"},
        {"Copy1", "&Copy"},
        {"Paste1", "&Paste"},
        {"InsertPicture1", "Insert Picture"},
        {"ForceReturn1", "Force &Return"},
        {"NoticeEntries1", "Notice &Entries"},
        {"NoticePrintPreview1", "Notice Print &Preview"},
        {"UserManagement1", "&User Management"},
        {"LoginMangment1", "User &Authentication Management"},
        {"DefaultSecurityUserLevels1", "Default &Security Levels for new users"},
        {"NoticeFormatter1", "&Page Formatter"},
        {"NoticeSetsConfig1", "&Notice Sets Config"},
        {"PublishHTMLSettings1", "&Web Server Config"},
        {"SchoolInformation1", "School &Information"},
        {"DataIntegrityCheck1", "&Data Integrity Check"},
        {"ReportonUsage1", "&Report on Usage"},
        {"ClearLocks1", "&Clear Locks"},
        {"ImportDBfromPinorav11", "Import DB from Pinora 1.4"},
        {"Instructions1", "&Instructions"},
        {"About1", "&About"},
    };
    for (const auto& [name, caption] : items)
        EXPECT_EQ(child<QAction>(name)->text(), QString::fromLatin1(caption)) << name;

    // Menus in their order, separators as "-".
    QStringList menus;
    for (QAction* m : main->menuBar()->actions()) {
        QStringList entries{m->text()};
        for (QAction* a : m->menu()->actions())
            entries << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        menus << entries.join(u' ');
    }
    EXPECT_EQ(menus,
              (QStringList{
                  QStringLiteral("&File CreateaNotice1 ViewEditaNotice1 - PrintNotice1 "
                                 "PreviewNotices1 PublishNotices1 - Changemyinformation1 - Exit1"),
                  QStringLiteral("&Edit Cut1 Copy1 Paste1 - InsertPicture1 ForceReturn1"),
                  QStringLiteral("&View NoticeEntries1 NoticePrintPreview1"),
                  QStringLiteral("&Administrator UserManagement1 LoginMangment1 "
                                 "DefaultSecurityUserLevels1 - NoticeFormatter1 NoticeSetsConfig1 "
                                 "PublishHTMLSettings1 SchoolInformation1 - DataIntegrityCheck1 "
                                 "ReportonUsage1 ClearLocks1 - ImportDBfromPinorav11"),
                  QStringLiteral("&Help Instructions1 About1")}));

    const std::vector<std::pair<const char*, const char*>> hints = {
        {"SpeedButton1", "New Notice"},
        {"SpeedButton2", "Edit/Delete a Notice"},
        {"SpeedButton3", "Print a days notices"},
        {"SpeedButton4", "Preview a days notices"},
        {"SpeedButton5", "Publish a days notices to HTML"},
        {"SpeedButton6", "Cut"},
        {"SpeedButton7", "Copy"},
        {"SpeedButton8", "Paste"},
        {"SpeedButton14", ""},
        {"SpeedButton13", "Insert Picture"},
        {"BoldBtn", "Bold"},
        {"ItalicBtn", "Italic"},
        {"UnderLineBtn", "Underline"},
        {"SpeedButton9", "User Management"},
        {"SpeedButton10", "Data Integrity Check"},
        {"SpeedButton11", "Report on Usage"},
        {"SpeedButton12", "Instructions"},
    };
    for (const auto& [name, hint] : hints) {
        QToolButton* b = child<QToolButton>(name);
        EXPECT_EQ(b->toolTip(), QString::fromLatin1(hint)) << name;
        EXPECT_FALSE(b->icon().isNull()) << name;
    }

    // A command with no window behind it is offered but cannot be chosen.
    EXPECT_FALSE(child<QAction>("ViewEditaNotice1")->isEnabled());
    EXPECT_FALSE(child<QToolButton>("SpeedButton3")->isEnabled());
    EXPECT_TRUE(child<QAction>("CreateaNotice1")->isEnabled());
    EXPECT_TRUE(child<QAction>("ClearLocks1")->isEnabled());
    int previews = 0;
    main->setCommand(Tmainfrm::Command::PreviewDialog, [&] { ++previews; });
    EXPECT_TRUE(child<QToolButton>("SpeedButton3")->isEnabled());
    child<QToolButton>("SpeedButton3")->click();
    EXPECT_EQ(main->previewMode(), PreviewMode::Print);
    child<QAction>("NoticePrintPreview1")->trigger();
    EXPECT_EQ(main->previewMode(), PreviewMode::All);
    EXPECT_EQ(previews, 2);

    child<QAction>("Instructions1")->trigger();
    EXPECT_EQ(lastHelpTopic(), QStringLiteral("main.htm"));
}

TEST_F(MainWindowTest, IdleWindowSaysHowToStart) {
    logon("ADMIN");
    QLabel* hint = child<QLabel>("idlehint");
    EXPECT_TRUE(hint->isVisible());
    EXPECT_TRUE(hint->text().contains(QStringLiteral("New Notice")));
    EXPECT_TRUE(hint->text().contains(QStringLiteral("Edit/Delete a Notice")));
    EXPECT_TRUE(hint->text().contains(QStringLiteral("View/Edit a Notice")));

    createThroughDialog();
    EXPECT_FALSE(hint->isVisible());
    type(QStringLiteral("x"));
    click("submitbtn");
    EXPECT_TRUE(hint->isVisible());
    main->openNoticeInEditor(1, false);
    EXPECT_FALSE(hint->isVisible());
    click("CancelBtn");
    EXPECT_TRUE(hint->isVisible());
}

TEST_F(MainWindowTest, BusyLightRedAtOnceGreenAfterAPause) {
    logon("ADMIN");
    BusyLight* light = child<BusyLight>("busy");
    main->setBusy(true);
    EXPECT_EQ(light->color(), QColor(255, 0, 0));
    fakes.sleeper->sleeps.clear();
    QColor during;
    fakes.sleeper->onSleep = [&] { during = light->color(); };
    main->setBusy(false);
    EXPECT_EQ(fakes.sleeper->sleeps, std::vector<int>{100});
    EXPECT_EQ(during, QColor(255, 0, 0));
    EXPECT_EQ(light->color(), QColor(0, 255, 0));
}

TEST_F(MainWindowTest, CreateTypeAndSubmit) {
    logon("ADMIN");
    const int n = createThroughDialog();
    ASSERT_EQ(n, 1);
    EXPECT_FALSE(windows.createfrm->isVisible());
    EXPECT_TRUE(main->editingNotice());
    EXPECT_TRUE(main->newlyCreated());
    EXPECT_FALSE(child<QWidget>("NoticeEditorPanel")->isHidden());
    EXPECT_TRUE(child<QMenu>("editmenu")->menuAction()->isVisible());
    EXPECT_FALSE(child<QToolBar>("edittb")->isHidden());
    EXPECT_TRUE(child<QPushButton>("DeleteBtn")->isHidden());
    EXPECT_TRUE(noLockFiles());

    Database disk = onDisk();
    EXPECT_EQ(disk.noticeOwner(1), "ADMIN");
    // The key character, then each character of the name moved on by the key.
    const std::string owner = disk.notice(1).owner.str();
    ASSERT_EQ(owner.size(), 6u);
    const int key = static_cast<unsigned char>(owner[0]);
    EXPECT_LT(key, 128);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(static_cast<unsigned char>(owner[i + 1]), ("ADMIN"[i] + key) % 256);
    EXPECT_EQ(disk.notice(1).authorLevel, 255);
    EXPECT_EQ(disk.notice(1).signature.str(), "Notice Administrator");
    const TDateTime next = nextWeekday(fakes.clock->t);
    EXPECT_DOUBLE_EQ(disk.notice(1).startDate, next);
    EXPECT_DOUBLE_EQ(disk.notice(1).endDate, next);
    EXPECT_TRUE(disk.notice(1).inSet[0]);
    EXPECT_FALSE(disk.notice(1).inSet[1]);
    EXPECT_TRUE(msgExists(1));
    EXPECT_EQ(msgFile(1), "");

    EXPECT_EQ(child<QLabel>("idnum")->text(), QStringLiteral("1"));
    EXPECT_EQ(child<QLabel>("startdate")->text(), shownDate(next));
    EXPECT_EQ(child<QLabel>("enddate")->text(), shownDate(next));
    EXPECT_EQ(child<QLabel>("noticesets")->text(), QStringLiteral("Students "));

    type(QStringLiteral("Choir at lunch\nRoom 4 \u00e9"));
    click("submitbtn");
    EXPECT_EQ(msgFile(1), "Choir at lunch\r\nRoom 4 \xe9\r\n");
    EXPECT_FALSE(main->editingNotice());
    EXPECT_TRUE(child<QWidget>("NoticeEditorPanel")->isHidden());
    EXPECT_TRUE(child<QToolBar>("edittb")->isHidden());
    EXPECT_FALSE(child<QMenu>("editmenu")->menuAction()->isVisible());
    EXPECT_EQ(onDisk().user(1).postCount, 1);
    EXPECT_TRUE(noLockFiles());
    EXPECT_TRUE(shown().isEmpty());

    // Submitting an existing notice again counts another post and keeps the text round trip.
    main->openNoticeInEditor(1, false);
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("Choir at lunch\nRoom 4 \u00e9"));
    EXPECT_FALSE(child<QPushButton>("DeleteBtn")->isHidden());
    click("submitbtn");
    EXPECT_EQ(msgFile(1), "Choir at lunch\r\nRoom 4 \xe9\r\n");
    EXPECT_EQ(onDisk().user(1).postCount, 2);
}

TEST_F(MainWindowTest, OwnerKeepsSevenCharactersOfALongName) {
    addUser({.name = "MARGARET"});
    logon("MARGARET");
    createThroughDialog();
    EXPECT_EQ(onDisk().noticeOwner(1), "MARGARE");
}

TEST_F(MainWindowTest, CancelNewFreesTheSlotAndKeepsTheEmptyFile) {
    logon("ADMIN");
    createThroughDialog();
    type(QStringLiteral("dropped"));
    click("CancelBtn");
    EXPECT_FALSE(main->editingNotice());
    EXPECT_FALSE(onDisk().noticeInUse(1));
    EXPECT_TRUE(msgExists(1));
    EXPECT_EQ(msgFile(1), "");
    EXPECT_TRUE(noLockFiles());
    EXPECT_TRUE(shown().isEmpty());
    // The freed slot is the next one taken, and its file is overwritten.
    writeBytes(folder / "MSG" / "1.MSG", "old text\r\n");
    EXPECT_EQ(createThroughDialog(), 1);
    EXPECT_EQ(msgFile(1), "");
}

TEST_F(MainWindowTest, CancelExistingWritesNothing) {
    logon("ADMIN");
    createThroughDialog();
    type(QStringLiteral("kept"));
    click("submitbtn");
    main->openNoticeInEditor(1, false);
    const std::string noticesBefore = readBytes(folder / "NOTICE.DB");
    editor()->setPlainText(QStringLiteral("changed"));
    click("CancelBtn");
    EXPECT_EQ(msgFile(1), "kept\r\n");
    EXPECT_EQ(readBytes(folder / "NOTICE.DB"), noticesBefore);
    EXPECT_TRUE(onDisk().noticeInUse(1));
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(Messages::shown().isEmpty());
}

TEST_F(MainWindowTest, EmptySubmit) {
    logon("ADMIN");
    createThroughDialog();
    click("submitbtn");
    EXPECT_EQ(shown(), QStringList{QStringLiteral("This notice has not been submitted because it "
                                                  "is blank")});
    EXPECT_FALSE(onDisk().noticeInUse(1));
    EXPECT_FALSE(main->editingNotice());
    EXPECT_EQ(onDisk().user(1).postCount, 0);

    // An existing notice keeps its stored text.
    createThroughDialog();
    type(QStringLiteral("stays"));
    click("submitbtn");
    main->openNoticeInEditor(1, false);
    editor()->clear();
    Messages::clear();
    click("submitbtn");
    EXPECT_EQ(shown().size(), 1);
    EXPECT_EQ(msgFile(1), "stays\r\n");
    EXPECT_TRUE(onDisk().noticeInUse(1));
    EXPECT_FALSE(main->editingNotice());
    EXPECT_TRUE(noLockFiles());
}

TEST_F(MainWindowTest, SubmitClosesOpenTagsInOrder) {
    logon("ADMIN");
    createThroughDialog();
    click("BoldBtn");
    type(QStringLiteral("x"));
    click("ItalicBtn");
    click("UnderLineBtn");
    click("submitbtn");
    EXPECT_EQ(msgFile(1), "<b>x<i><u></b></i></u>\r\n");
    // Only open tags are closed.
    main->openNoticeInEditor(1, false);
    QTextCursor c = editor()->textCursor();
    c.movePosition(QTextCursor::End);
    editor()->setTextCursor(c);
    click("ItalicBtn");
    click("submitbtn");
    EXPECT_EQ(msgFile(1), "<b>x<i><u></b></i></u><i></i>\r\n");
}

TEST_F(MainWindowTest, DeleteAsksFirst) {
    logon("ADMIN");
    createThroughDialog();
    type(QStringLiteral("to go"));
    click("submitbtn");
    main->openNoticeInEditor(1, false);
    const std::string before = readBytes(folder / "NOTICE.DB");
    Messages::queueAnswer(false);
    click("DeleteBtn");
    ASSERT_EQ(Messages::shown().size(), 1);
    EXPECT_EQ(Messages::shown()[0].title, QStringLiteral("Delete Notice Entry"));
    EXPECT_EQ(Messages::shown()[0].text, QStringLiteral("Do you want to delete this entry?"));
    EXPECT_TRUE(main->editingNotice());
    EXPECT_EQ(readBytes(folder / "NOTICE.DB"), before);

    Messages::queueAnswer(true);
    click("DeleteBtn");
    EXPECT_FALSE(main->editingNotice());
    EXPECT_TRUE(child<QWidget>("NoticeEditorPanel")->isHidden());
    Database disk = onDisk();
    EXPECT_FALSE(disk.noticeInUse(1));
    // Only the owner changes; the text stays on disk.
    EXPECT_DOUBLE_EQ(disk.notice(1).startDate, nextWeekday(fakes.clock->t));
    EXPECT_EQ(msgFile(1), "to go\r\n");
    EXPECT_TRUE(noLockFiles());
}

TEST_F(MainWindowTest, NoFreeSlot) {
    logon("ADMIN");
    for (int n = 1; n <= kNoticeCount; ++n)
        st->db.notice(n).owner = st->db.scramble("BOB");
    ASSERT_TRUE(st->db.saveNotices());
    const std::string before = readBytes(folder / "NOTICE.DB");
    createThroughDialog();
    EXPECT_EQ(shown(), QStringList{QStringLiteral("There is no space left for any new notices in "
                                                  "the Pinora. Contact your Pinora "
                                                  "Administrator")});
    EXPECT_FALSE(main->editingNotice());
    EXPECT_TRUE(child<QWidget>("NoticeEditorPanel")->isHidden());
    EXPECT_EQ(readBytes(folder / "NOTICE.DB"), before);
    EXPECT_TRUE(noLockFiles());
    Messages::clear();
    main->reportUsage();
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Currently 10000 of 10000 notice entries are in "
                                                  "use on the system")});
}

TEST_F(MainWindowTest, MessageFileThatCannotBeWritten) {
    logon("ADMIN");
    createThroughDialog();
    type(QStringLiteral("precious"));
    std::filesystem::remove_all(folder / "MSG");
    click("submitbtn");
    ASSERT_EQ(shown().size(), 1);
    EXPECT_TRUE(shown()[0].contains(QStringLiteral("1.MSG")));
    // Nothing typed is lost and nothing was counted.
    EXPECT_TRUE(main->editingNotice());
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("precious"));
    EXPECT_EQ(onDisk().user(1).postCount, 0);
    EXPECT_TRUE(noLockFiles());
    std::filesystem::create_directory(folder / "MSG");
    click("submitbtn");
    EXPECT_EQ(msgFile(1), "precious\r\n");
    EXPECT_FALSE(main->editingNotice());
}

TEST_F(MainWindowTest, NewNoticeWhoseFileCannotBeWrittenGivesItsSlotBack) {
    logon("ADMIN");
    std::filesystem::remove_all(folder / "MSG");
    createThroughDialog();
    ASSERT_EQ(shown().size(), 1);
    EXPECT_TRUE(shown()[0].contains(QStringLiteral("1.MSG")));
    EXPECT_FALSE(main->editingNotice());
    EXPECT_FALSE(onDisk().noticeInUse(1));
    EXPECT_TRUE(noLockFiles());
}

TEST_F(MainWindowTest, RefusesToCloseOrBrowseWhileEditing) {
    logon("ADMIN");
    int browsed = 0;
    main->setCommand(Tmainfrm::Command::Browse, [&] { ++browsed; });
    createThroughDialog();
    EXPECT_FALSE(main->close());
    EXPECT_TRUE(main->isVisible());
    child<QToolButton>("SpeedButton2")->click();
    child<QAction>("NoticeEntries1")->trigger();
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("You are currently editing a message. You must "
                                                   "cancel or submit the message before you can "
                                                   "close the Pinora"),
                                    QStringLiteral("You cannot browse notices while you are "
                                                   "currently editing a notice"),
                                    QStringLiteral("You cannot browse notices while you are "
                                                   "currently editing a notice")}));
    EXPECT_EQ(browsed, 0);
    EXPECT_TRUE(main->editingNotice());
    click("CancelBtn");
    child<QAction>("ViewEditaNotice1")->trigger();
    EXPECT_EQ(browsed, 1);
    EXPECT_TRUE(main->close());
}

TEST_F(MainWindowTest, NewNoticeReplacesTheOpenOne) {
    logon("ADMIN");
    createThroughDialog();
    type(QStringLiteral("unsaved"));
    EXPECT_EQ(createThroughDialog(), 2);
    EXPECT_EQ(editor()->toPlainText(), QString());
    EXPECT_TRUE(onDisk().noticeInUse(1));
    EXPECT_EQ(msgFile(1), "");
}

TEST_F(MainWindowTest, SuperUserCommands) {
    addUser({.name = "BEN", .adminMenu = true});
    logon("BEN");
    int opened = 0;
    main->setCommand(Tmainfrm::Command::LoginConfig, [&] { ++opened; });
    main->setCommand(Tmainfrm::Command::DefaultSecurity, [&] { ++opened; });
    child<QAction>("LoginMangment1")->trigger();
    child<QAction>("DefaultSecurityUserLevels1")->trigger();
    EXPECT_EQ(shown(), QStringList(2, QStringLiteral("Only super users may access this menu")));
    EXPECT_EQ(opened, 0);
    main.reset();
    logon("ADMIN");
    main->setCommand(Tmainfrm::Command::LoginConfig, [&] { ++opened; });
    child<QAction>("LoginMangment1")->trigger();
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(shown().isEmpty());
}

TEST_F(MainWindowTest, ReportUsageCountsTheTableInMemory) {
    logon("ADMIN");
    child<QAction>("ReportonUsage1")->trigger();
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Currently 0 of 10000 notice entries are in use "
                                                  "on the system")});
    createThroughDialog();
    type(QStringLiteral("a"));
    click("submitbtn");
    st->db.notice(7).owner = st->db.scramble(""); // an empty owner counts as in use
    st->db.notice(9).owner = st->db.scramble("OLD");
    st->db.notice(9).endDate = 1000; // long past
    Messages::clear();
    child<QToolButton>("SpeedButton11")->click();
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Currently 3 of 10000 notice entries are in use "
                                                  "on the system")});
}

TEST_F(MainWindowTest, ClearLocks) {
    logon("ADMIN");
    child<QAction>("ClearLocks1")->trigger();
    EXPECT_EQ(shown(), QStringList{QStringLiteral("There is no locks active on any database")});

    writeBytes(folder / "DB-U.LCK", "TRUE\r\nBOB\r\nUpdate User\r\n");
    Messages::clear();
    Messages::queueAnswer(false);
    main->clearLocks();
    ASSERT_EQ(Messages::shown().size(), 1);
    EXPECT_EQ(Messages::shown()[0].kind, ui::ShownBox::Kind::Question);
    EXPECT_EQ(Messages::shown()[0].title, QStringLiteral("Clear Lock"));
    EXPECT_EQ(Messages::shown()[0].text, QStringLiteral("Forcing a clearlock may cause data to be "
                                                        "lost. Do you wish to continue?"));
    EXPECT_TRUE(std::filesystem::exists(folder / "DB-U.LCK"));
    Messages::queueAnswer(true);
    main->clearLocks();
    EXPECT_TRUE(noLockFiles());

    // A lock marked FALSE is no lock.
    writeBytes(folder / "DB-N.LCK", "false\r\nBOB\r\nCreating Notice\r\n");
    Messages::clear();
    main->clearLocks();
    EXPECT_EQ(shown(), QStringList{QStringLiteral("There is no locks active on any database")});
    writeBytes(folder / "DB-N.LCK", "TRUE\r\nBOB\r\nCreating Notice\r\n");
    writeBytes(folder / "DB-U.LCK", "TRUE\r\nANN\r\nUpdate User\r\n");
    Messages::queueAnswer(true);
    main->clearLocks();
    EXPECT_TRUE(noLockFiles());
}

TEST_F(MainWindowTest, WaitsForAnotherStationsLock) {
    logon("ADMIN");
    // Another station on the same folder holds lock N.
    FakeServices otherServices;
    Station other(folder.str(), otherServices.services());
    other.currentUserName = "BOB";
    ASSERT_EQ(other.db.acquireLock('N', "BOB", "Update Notice Set"), Result::Ok);

    QStringList seen;
    bool visible = false;
    fakes.sleeper->onSleep = [&] {
        if (fakes.sleeper->sleeps.back() != 3000) return;
        visible = windows.lockfrm->isVisible();
        seen = windows.lockfrm->userinfo()->toPlainText().split(u'\n');
        EXPECT_TRUE(other.db.releaseLock('N'));
    };
    createThroughDialog();
    EXPECT_TRUE(visible);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("DB: N"), QStringLiteral("TASK: Update Notice Set"),
                                 QStringLiteral("USER: BOB")}));
    EXPECT_EQ(std::count(fakes.sleeper->sleeps.begin(), fakes.sleeper->sleeps.end(), 3000), 1);
    EXPECT_FALSE(windows.lockfrm->isVisible());
    EXPECT_EQ(main->currentNoticeNumber(), 1);
    EXPECT_TRUE(onDisk().noticeInUse(1));
    EXPECT_TRUE(noLockFiles());
}

TEST_F(MainWindowTest, SubmitWaitsForTheUserLockWrittenByAnotherStation) {
    logon("ADMIN");
    createThroughDialog();
    type(QStringLiteral("t"));
    writeBytes(folder / "DB-U.LCK", "TRUE\r\nBOB\r\nCreate New User\r\n");
    int waits = 0;
    fakes.sleeper->onSleep = [&] {
        if (fakes.sleeper->sleeps.back() != 3000) return;
        EXPECT_EQ(windows.lockfrm->userinfo()->toPlainText(),
                  QStringLiteral("DB: U\nTASK: Create New User\nUSER: BOB"));
        if (++waits == 2) std::filesystem::remove(folder / "DB-U.LCK");
    };
    click("submitbtn");
    EXPECT_EQ(waits, 2);
    EXPECT_EQ(onDisk().user(1).postCount, 1);
    EXPECT_FALSE(main->editingNotice());
    EXPECT_TRUE(noLockFiles());
}

TEST_F(MainWindowTest, CommandsPressedWhileTheLockWaitWindowIsUpDoNothing) {
    logon("ADMIN");
    int browsed = 0;
    main->setCommand(Tmainfrm::Command::Browse, [&] { ++browsed; });
    createThroughDialog();
    type(QStringLiteral("t"));
    writeBytes(folder / "DB-U.LCK", "TRUE\r\nBOB\r\nCreate New User\r\n");
    QStringList shownDuring;
    bool closedDuring = true;
    fakes.sleeper->onSleep = [&] {
        if (fakes.sleeper->sleeps.back() != 3000) return;
        ASSERT_TRUE(windows.lockfrm->isVisible());
        QTest::mouseClick(child<QToolButton>("SpeedButton2"), Qt::LeftButton);
        QTest::mouseClick(child<QToolButton>("SpeedButton1"), Qt::LeftButton);
        QTest::keyClick(windows.lockfrm, Qt::Key_Escape);
        closedDuring = !main->close();
        shownDuring = shown();
        std::filesystem::remove(folder / "DB-U.LCK");
    };
    click("submitbtn");
    EXPECT_TRUE(shownDuring.isEmpty()) << shownDuring.join('|').toStdString();
    EXPECT_TRUE(closedDuring) << "the main window stays while this station waits";
    EXPECT_EQ(browsed, 0);
    EXPECT_FALSE(windows.createfrm && windows.createfrm->isVisible());
    EXPECT_EQ(onDisk().user(1).postCount, 1);
    EXPECT_TRUE(noLockFiles());

    // Once the wait is over, the same click works again.
    QTest::mouseClick(child<QToolButton>("SpeedButton2"), Qt::LeftButton);
    EXPECT_EQ(browsed, 1);
}

// What a user sees while submit and cancel wait for their locks.
TEST_F(MainWindowTest, EditorPartsHiddenBeforeTheLockIsTaken) {
    logon("ADMIN");
    QAction* editMenu = child<QMenu>("editmenu")->menuAction();
    auto parts = [&] {
        return QList<bool>{child<QWidget>("NoticeEditorPanel")->isVisible(),
                           child<QToolBar>("edittb")->isVisible(), editMenu->isVisible(),
                           main->editingNotice()};
    };
    QList<bool> during;
    fakes.sleeper->onSleep = [&] {
        if (fakes.sleeper->sleeps.back() != 3000) return;
        during = parts();
        std::filesystem::remove(folder / "DB-U.LCK");
        std::filesystem::remove(folder / "DB-N.LCK");
    };

    createThroughDialog();
    type(QStringLiteral("t"));
    writeBytes(folder / "DB-U.LCK", "TRUE\r\nBOB\r\nCreate New User\r\n");
    click("submitbtn");
    // The text is written and the edit tools are gone; the panel waits for the post count.
    EXPECT_EQ(during, (QList<bool>{true, false, false, true}));
    EXPECT_EQ(parts(), (QList<bool>{false, false, false, false}));

    during.clear();
    createThroughDialog();
    writeBytes(folder / "DB-N.LCK", "TRUE\r\nBOB\r\nDelete Notice\r\n");
    click("CancelBtn");
    EXPECT_EQ(during, (QList<bool>{false, false, false, false}));
    EXPECT_FALSE(onDisk().noticeInUse(2));
    EXPECT_TRUE(noLockFiles());
}

// ---- date and set editors ----------------------------------------------------------------

class EditorGroupsTest : public MainWindowTest {
  protected:
    QDateTimeEdit* startPicker() { return child<QDateTimeEdit>("Editstartdate"); }
    QDateTimeEdit* endPicker() { return child<QDateTimeEdit>("EditEndDate"); }
    QPushButton* datesButton(const char* name) {
        return child<QGroupBox>("EditDates")->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QPushButton* setsButton(const char* name) {
        return child<QGroupBox>("editnoticeset")
            ->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    void setDates(TDateTime start, TDateTime end) {
        startPicker()->setDateTime(toQDateTime(start));
        endPicker()->setDateTime(toQDateTime(end));
    }
};

TEST_F(EditorGroupsTest, DateEditorStoresUnderTheLock) {
    logon("ADMIN");
    createThroughDialog();
    const TDateTime next = nextWeekday(fakes.clock->t);
    click("DateBtn");
    EXPECT_FALSE(child<QWidget>("EditDates")->isHidden());
    EXPECT_FALSE(child<QWidget>("Options")->isEnabled());
    EXPECT_DOUBLE_EQ(fromQDateTime(startPicker()->dateTime()), next);

    // Cancel writes nothing.
    const std::string before = readBytes(folder / "NOTICE.DB");
    setDates(next + 3, next + 4);
    datesButton("BitBtn2")->click();
    EXPECT_TRUE(child<QWidget>("EditDates")->isHidden());
    EXPECT_TRUE(child<QWidget>("Options")->isEnabled());
    EXPECT_EQ(readBytes(folder / "NOTICE.DB"), before);

    // Order refused; the group stays open.
    click("DateBtn");
    setDates(next + 5, next + 4);
    datesButton("BitBtn1")->click();
    EXPECT_EQ(shown(), QStringList{dateEditorOrderMessage()});
    EXPECT_FALSE(child<QWidget>("EditDates")->isHidden());
    EXPECT_EQ(readBytes(folder / "NOTICE.DB"), before);

    Messages::clear();
    setDates(next + 3, next + 10);
    datesButton("BitBtn1")->click();
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(child<QWidget>("EditDates")->isHidden());
    EXPECT_TRUE(child<QWidget>("Options")->isEnabled());
    Database disk = onDisk();
    EXPECT_DOUBLE_EQ(disk.notice(1).startDate, next + 3);
    EXPECT_DOUBLE_EQ(disk.notice(1).endDate, next + 10);
    EXPECT_EQ(child<QLabel>("startdate")->text(), shownDate(next + 3));
    EXPECT_EQ(child<QLabel>("enddate")->text(), shownDate(next + 10));
    EXPECT_TRUE(noLockFiles());
}

TEST_F(EditorGroupsTest, DateEditorDeadlineMovesTheStart) {
    st->db.config.noticeSets[0].deadlineEnabled = true;
    st->db.config.noticeSets[0].maxDaysEnabled = true;
    st->db.config.noticeSets[0].maxDays = 3;
    ASSERT_TRUE(st->db.saveConfig());
    addUser({.name = "ANN"});
    logon("ANN");
    fakes.clock->t = at(2026, 12, 11, 12); // Friday noon, before the deadline
    createThroughDialog();
    ASSERT_TRUE(main->editingNotice());
    fakes.clock->t = at(2026, 12, 11, 20); // evening
    const TDateTime monday = encodeDate(2026, 12, 14);

    click("DateBtn");
    setDates(monday, monday + 5);
    datesButton("BitBtn1")->click(); // day limit only
    EXPECT_EQ(shown(), QStringList{maxDaysMessage(3)});

    Messages::clear();
    setDates(monday, monday + 2);
    datesButton("BitBtn1")->click();
    EXPECT_EQ(shown(), QStringList{dateEditorDeadlineMessage(monday, encodeTime(19, 0, 0))});
    EXPECT_DOUBLE_EQ(fromQDateTime(startPicker()->dateTime()), monday + 1);
    EXPECT_DOUBLE_EQ(onDisk().notice(1).startDate, monday);
    EXPECT_FALSE(child<QWidget>("EditDates")->isHidden());

    Messages::clear();
    datesButton("BitBtn1")->click();
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_DOUBLE_EQ(onDisk().notice(1).startDate, monday + 1);
    EXPECT_DOUBLE_EQ(onDisk().notice(1).endDate, monday + 2);
}

TEST_F(EditorGroupsTest, DateEditorWaitsForTheLock) {
    logon("ADMIN");
    createThroughDialog();
    writeBytes(folder / "DB-N.LCK", "TRUE\r\nBOB\r\nDelete Notice\r\n");
    QString seen;
    fakes.sleeper->onSleep = [&] {
        if (fakes.sleeper->sleeps.back() != 3000) return;
        seen = windows.lockfrm->userinfo()->toPlainText();
        std::filesystem::remove(folder / "DB-N.LCK");
    };
    const TDateTime next = nextWeekday(fakes.clock->t);
    click("DateBtn");
    setDates(next, next + 1);
    datesButton("BitBtn1")->click();
    EXPECT_EQ(seen, QStringLiteral("DB: N\nTASK: Delete Notice\nUSER: BOB"));
    EXPECT_DOUBLE_EQ(onDisk().notice(1).endDate, next + 1);
    EXPECT_TRUE(noLockFiles());
}

TEST_F(EditorGroupsTest, SetEditorKeepsDeniedSets) {
    nameSet(2, "Staff");
    nameSet(3, "Parents");
    std::array<bool, kSetCount> deny{};
    deny[2] = true; // Parents
    addUser({.name = "ANN", .deny = deny});
    logon("ANN");
    createThroughDialog();
    // The notice is also in the denied set, as another user may have put it there.
    ASSERT_TRUE(st->db.changeNotices("ANN", "Update Notice Set", [&] {
        st->db.notice(1).inSet[2] = true;
        return true;
    }));

    click("NoticeBtn");
    EXPECT_FALSE(child<QWidget>("editnoticeset")->isHidden());
    EXPECT_FALSE(child<QWidget>("Options")->isEnabled());
    QCheckBox* s1 = child<QCheckBox>("set1");
    QCheckBox* s2 = child<QCheckBox>("set2");
    QCheckBox* s3 = child<QCheckBox>("set3");
    EXPECT_EQ(s1->text(), QStringLiteral("Students"));
    EXPECT_EQ(s2->text(), QStringLiteral("Staff"));
    EXPECT_FALSE(s1->isHidden());
    EXPECT_TRUE(s3->isHidden());
    EXPECT_TRUE(s3->isChecked());
    EXPECT_TRUE(child<QCheckBox>("set4")->isHidden());

    // Unticking every visible box is accepted while the hidden one is ticked.
    s1->setChecked(false);
    s2->setChecked(true);
    setsButton("BitBtn3")->click();
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(child<QWidget>("editnoticeset")->isHidden());
    EXPECT_TRUE(child<QWidget>("Options")->isEnabled());
    Database disk = onDisk();
    EXPECT_FALSE(disk.notice(1).inSet[0]);
    EXPECT_TRUE(disk.notice(1).inSet[1]);
    EXPECT_TRUE(disk.notice(1).inSet[2]);
    EXPECT_EQ(child<QLabel>("noticesets")->text(), QStringLiteral("Staff Parents "));
    EXPECT_TRUE(noLockFiles());

    // None ticked at all.
    click("NoticeBtn");
    s2->setChecked(false);
    s3->setChecked(false);
    const std::string before = readBytes(folder / "NOTICE.DB");
    setsButton("BitBtn3")->click();
    EXPECT_EQ(shown(), QStringList{setEditorCheck(SetTicks{})});
    EXPECT_FALSE(child<QWidget>("editnoticeset")->isHidden());
    EXPECT_EQ(readBytes(folder / "NOTICE.DB"), before);
    setsButton("BitBtn4")->click();
    EXPECT_TRUE(child<QWidget>("editnoticeset")->isHidden());
    EXPECT_TRUE(child<QWidget>("Options")->isEnabled());
    EXPECT_EQ(readBytes(folder / "NOTICE.DB"), before);
}

TEST_F(EditorGroupsTest, EditorHelp) {
    logon("ADMIN");
    createThroughDialog();
    click("BitBtn5");
    EXPECT_EQ(lastHelpTopic(), QStringLiteral("editing.htm"));
}

} // namespace
} // namespace pinora::test
