// The browse window driven through its named controls, over one folder that other stations
// change too.
#include "apptest.h"

#include "app/windows/browsefrm.h"
#include "app/windows/startup.h"
#include "e2e/processes.h"
#include "users/windows/logonfrm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace pinora::test {
namespace {

using ui::Messages;

class BrowseTest : public AppTest {
  protected:
    Tbrowsefrm* browse = nullptr;

    void logonWithBrowse(const std::string& name) {
        logon(name);
        browse = new Tbrowsefrm(*st, *main);
        main->setCommand(Tmainfrm::Command::Browse, [this] { browse->show(); });
    }

    // ME (level 100, no rights) lists notice 3 of LOW (level 50) and their own notice 5.
    void meBesideALowerLevel(const std::string& myText) {
        addUser({"ME", 100});
        addUser({"LOW", 50});
        storeNotice(3, "LOW", at(2026, 12, 1), at(2026, 12, 2), "Low's notice");
        storeNotice(5, "ME", at(2026, 12, 1), at(2026, 12, 2), myText);
        logonWithBrowse("ME");
        openBrowse();
        mineOnly()->setChecked(false);
        settle();
        EXPECT_EQ(listed(), (std::vector<int>{3, 5}));
    }

    void settle() {
        for (int i = 0; i < 1000 && browse->busy(); ++i)
            QApplication::processEvents();
        ASSERT_FALSE(browse->busy());
    }
    void openBrowse() {
        child<QToolButton>("SpeedButton2")->click();
        ASSERT_TRUE(browse->isVisible());
        settle();
    }
    template <class T> T* control(const char* name) {
        T* w = browse->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QCheckBox* mineOnly() { return control<QCheckBox>("MineOnly"); }
    void sortBy(const char* item) {
        control<QComboBox>("SortBy")->setCurrentText(QString::fromLatin1(item));
        settle();
    }
    // The list as shown: the Index cells, or one row's cells.
    std::vector<int> listed() {
        std::vector<int> out;
        QAbstractItemModel* m = browse->list()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out.push_back(m->index(r, 0).data().toInt());
        return out;
    }
    QStringList cells(int row) {
        QStringList out;
        QAbstractItemModel* m = browse->list()->model();
        for (int c = 0; c < m->columnCount(); ++c)
            out << m->index(row, c).data().toString();
        return out;
    }
    void select(int notice) {
        const std::vector<int> rows = listed();
        const auto it = std::find(rows.begin(), rows.end(), notice);
        ASSERT_NE(it, rows.end()) << notice;
        browse->list()->setCurrentIndex(
            browse->list()->model()->index(static_cast<int>(it - rows.begin()), 0));
    }
    void key(Qt::Key k) { QTest::keyClick(browse->list(), k); }
    int questions() const {
        int n = 0;
        for (const ui::ShownBox& b : Messages::shown())
            n += b.kind == ui::ShownBox::Kind::Question;
        return n;
    }
};

TEST_F(BrowseTest, ListsInTheChosenOrderAndMineOnlyRefillsInTheLastOrder) {
    addUser({"ZOE", 50});
    addUser({"BEN", 50});
    storeNotice(2, "ZOE", at(2026, 12, 1), at(2026, 12, 9), "Zoe's trip\r\nmore");
    storeNotice(4, "ADMIN", at(2026, 12, 3), at(2026, 12, 4), "Staff meeting");
    storeNotice(6, "BEN", at(2026, 12, 2), at(2026, 12, 2), "");
    storeNotice(8, "ADMIN", at(2026, 12, 1), at(2026, 12, 5), "\r\nsecond");
    logonWithBrowse("ADMIN");
    openBrowse();
    EXPECT_EQ(browse->windowTitle(), QStringLiteral("Browse Messages"));
    QHeaderView* header = browse->list()->horizontalHeader();
    QStringList headers;
    for (int c = 0; c < 5; ++c)
        headers << browse->list()->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"Index", "Date In", "Date Out", "Owner", "Summary"}));
    EXPECT_EQ(control<QToolButton>("EditBtn")->toolTip(), QStringLiteral("Edit Selected Message"));
    EXPECT_EQ(control<QToolButton>("DeleteBtn")->toolTip(),
              QStringLiteral("Delete Selected Messages"));
    EXPECT_FALSE(control<QGroupBox>("sortbox")->isVisible());
    EXPECT_EQ(control<QProgressBar>("sortprog")->maximum(), 10000);
    EXPECT_EQ(control<QProgressBar>("sortprog")->value(), 10000);

    // Ticked at first: only the user's own, by number.
    EXPECT_TRUE(mineOnly()->isChecked());
    EXPECT_EQ(listed(), (std::vector<int>{4, 8}));
    EXPECT_EQ(cells(0), (QStringList{"4", "03/12/2026", "04/12/2026", "ADMIN", "Staff meeting"}));
    EXPECT_EQ(cells(1)[4], QStringLiteral(" "));

    sortBy("Owner");
    EXPECT_EQ(browse->lastSortKey(), BrowseOrder::Owner);
    mineOnly()->setChecked(false);
    settle();
    EXPECT_EQ(listed(), (std::vector<int>{4, 8, 6, 2}));
    sortBy("Date In");
    EXPECT_EQ(listed(), (std::vector<int>{2, 8, 6, 4}));
    sortBy("Date Out");
    EXPECT_EQ(listed(), (std::vector<int>{6, 4, 8, 2}));
    mineOnly()->setChecked(true);
    settle();
    EXPECT_EQ(listed(), (std::vector<int>{4, 8}));

    // Summary takes what the other columns leave, also after a resize.
    browse->resize(900, 400);
    int others = 0;
    for (int c = 0; c < 4; ++c)
        others += header->sectionSize(c);
    EXPECT_EQ(header->sectionSize(4), browse->list()->width() - others - 30);

    // Closed and opened again: MineOnly as left, the order back to Index.
    control<QToolButton>("Exit")->click();
    EXPECT_FALSE(browse->isVisible());
    mineOnly()->setChecked(false);
    openBrowse();
    EXPECT_FALSE(mineOnly()->isChecked());
    EXPECT_EQ(control<QComboBox>("SortBy")->currentText(), QStringLiteral("Index"));
    EXPECT_EQ(browse->lastSortKey(), BrowseOrder::Index);
    EXPECT_EQ(listed(), (std::vector<int>{2, 4, 6, 8}));

    control<QToolButton>("SpeedButton1")->click();
    EXPECT_EQ(lastHelpTopic(), QStringLiteral("browse.htm"));
    EXPECT_TRUE(Messages::shown().isEmpty());
}

TEST_F(BrowseTest, EnterOpensAnEditableNoticeInTheEditorAndClosesTheWindow) {
    meBesideALowerLevel("Mine\r\nsecond line");

    // Without the edit right the lower level's notice stays shut.
    select(3);
    key(Qt::Key_Return);
    EXPECT_EQ(shown(), QStringList{QStringLiteral("You are not allowed to edit this persons notices")});
    EXPECT_TRUE(browse->isVisible());
    EXPECT_FALSE(main->editingNotice());

    select(5);
    key(Qt::Key_Enter);
    EXPECT_FALSE(browse->isVisible());
    EXPECT_TRUE(main->editingNotice());
    EXPECT_FALSE(main->newlyCreated());
    EXPECT_EQ(main->currentNoticeNumber(), 5);
    EXPECT_EQ(child<QPlainTextEdit>("notice")->toPlainText(), QStringLiteral("Mine\nsecond line"));
    EXPECT_TRUE(child<QPushButton>("DeleteBtn")->isVisibleTo(main.get()));
}

TEST_F(BrowseTest, ANoticeThatCannotBeOpenedLeavesTheListOpenAtItsRowAndNarrowKeepsExit) {
    meBesideALowerLevel("Mine");
    // The message file cannot be read.
    std::filesystem::remove(folder / "MSG" / "5.MSG");
    std::filesystem::create_symlink("/proc/self/mem", folder / "MSG" / "5.MSG");
    select(5);
    key(Qt::Key_Return);
    EXPECT_EQ(shown().size(), 1);
    EXPECT_TRUE(browse->isVisible());
    EXPECT_FALSE(main->editingNotice());
    EXPECT_EQ(listed(), (std::vector<int>{3, 5}));

    // However narrow it is made, Exit and Help stay on the bar.
    browse->resize(100, 300);
    EXPECT_GE(browse->width(), control<QToolBar>("ToolBar1")->sizeHint().width());
    EXPECT_TRUE(control<QToolButton>("Exit")->isVisible());
    EXPECT_TRUE(control<QToolButton>("SpeedButton1")->isVisible());
}

TEST_F(BrowseTest, DeleteAsksOnlyAfterTheRuleAndLeavesTheHeaderWhenTheLastRowGoes) {
    meBesideALowerLevel("Mine");

    select(3);
    key(Qt::Key_Delete);
    EXPECT_EQ(shown(),
              QStringList{QStringLiteral("You are not allowed to delete this persons notices")});
    EXPECT_EQ(questions(), 0);
    mineOnly()->setChecked(true);
    settle();
    ASSERT_EQ(listed(), (std::vector<int>{5}));

    // No: nothing changes.
    Messages::clear();
    key(Qt::Key_Delete);
    ASSERT_EQ(Messages::shown().size(), 1);
    EXPECT_EQ(Messages::shown()[0].title, QStringLiteral("Confirm Deletion"));
    EXPECT_EQ(Messages::shown()[0].text, QStringLiteral("Are you sure?"));
    EXPECT_TRUE(onDisk().noticeInUse(5));
    EXPECT_EQ(listed(), (std::vector<int>{5}));

    // Yes, from the context menu: the row goes, the window stays, only the owner changes.
    const std::string before = readBytes(folder / "NOTICE.DB");
    Messages::queueAnswer(true);
    browse->list()->findChild<QAction*>("Delete1")->trigger();
    EXPECT_TRUE(listed().empty());
    EXPECT_EQ(browse->list()->model()->columnCount(), 5);
    EXPECT_TRUE(browse->isVisible());
    const Database disk = onDisk();
    EXPECT_FALSE(disk.noticeInUse(5));
    EXPECT_TRUE(disk.noticeInUse(3));
    EXPECT_EQ(disk.notice(5).startDate, at(2026, 12, 1));
    EXPECT_EQ(msgFile(5), "Mine");
    EXPECT_TRUE(noLockFiles());
    const std::string after = readBytes(folder / "NOTICE.DB");
    const std::size_t slot5 = 16 + 104 * 4;
    EXPECT_EQ(before.substr(0, slot5), after.substr(0, slot5));
    EXPECT_EQ(before.substr(slot5 + 9), after.substr(slot5 + 9));

    // An empty list: the header row is the selection.
    Messages::clear();
    QTest::mouseDClick(browse->list()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    control<QToolButton>("EditBtn")->click();
    EXPECT_EQ(shown(), (QStringList{"This Entry has been deleted and hence cannot be accessed",
                                    "'Index' is not a valid integer value"}));

    // The freed slot is the next one taken.
    int n = -1;
    EXPECT_EQ(st->allocateNotice(at(2026, 12, 8), at(2026, 12, 9), {true}, n), Result::Ok);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(st->allocateNotice(at(2026, 12, 8), at(2026, 12, 9), {true}, n), Result::Ok);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(st->allocateNotice(at(2026, 12, 8), at(2026, 12, 9), {true}, n), Result::Ok);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(st->allocateNotice(at(2026, 12, 8), at(2026, 12, 9), {true}, n), Result::Ok);
    EXPECT_EQ(n, 5);
}

// A notice file another station broke: Delete and Enter say so once each, ask nothing and
// leave the file and the list as they are.
TEST_F(BrowseTest, ABrokenNoticeFileIsToldAndNothingIsAskedOpenedOrDeleted) {
    meBesideALowerLevel("Mine");
    writeBytes(folder / "NOTICE.DB", "broken");
    select(5);
    key(Qt::Key_Delete);
    key(Qt::Key_Return);
    const QStringList told = shown();
    ASSERT_EQ(told.size(), 2);
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("The NOTICE.DB File is broken")))
        << told[0].toStdString();
    EXPECT_EQ(told[1], told[0]);
    EXPECT_EQ(questions(), 0);
    EXPECT_FALSE(main->editingNotice());
    EXPECT_TRUE(browse->isVisible());
    EXPECT_EQ(listed(), (std::vector<int>{3, 5}));
    EXPECT_EQ(readBytes(folder / "NOTICE.DB"), "broken");
    EXPECT_TRUE(noLockFiles());
}

// Station B changes a slot that A lists; A's commands notice and leave B's notice alone.
TEST_F(BrowseTest, ANoticeFreedOrReusedOnAnotherStationIsLeftAlone) {
    addUser({"BOB", 100});
    addUser({"CAROL", 100});
    storeNotice(1, "BOB", at(2026, 12, 1), at(2026, 12, 2), "Bob's");
    storeNotice(2, "BOB", at(2026, 12, 1), at(2026, 12, 2), "Bob's other");
    logonWithBrowse("ADMIN");
    mineOnly()->setChecked(false);
    openBrowse();
    ASSERT_EQ(listed(), (std::vector<int>{1, 2}));

    FakeServices otherServices;
    const std::unique_ptr<Station> carol = otherStation(otherServices, "CAROL");
    Station& other = *carol;

    // Freed: Edit says so and refills.
    ASSERT_TRUE(other.freeNotice(1, "Delete Notice"));
    select(1);
    control<QToolButton>("EditBtn")->click();
    EXPECT_EQ(shown(), QStringList{Tbrowsefrm::changedElsewhereMessage()});
    settle();
    EXPECT_TRUE(browse->isVisible());
    EXPECT_FALSE(main->editingNotice());
    EXPECT_EQ(listed(), (std::vector<int>{2}));

    // Freed and reused by CAROL before A's delete looks: no question, CAROL's notice stays.
    ASSERT_TRUE(other.freeNotice(2, "Delete Notice"));
    int n = -1;
    ASSERT_EQ(other.allocateNotice(at(2026, 12, 7), at(2026, 12, 8), {true}, n), Result::Ok);
    ASSERT_EQ(n, 1);
    ASSERT_EQ(other.allocateNotice(at(2026, 12, 7), at(2026, 12, 8), {true}, n), Result::Ok);
    ASSERT_EQ(n, 2);
    ASSERT_TRUE(other.db.writeMessageFile(2, "Carol's"));
    Messages::clear();
    Messages::queueAnswer(true);
    select(2);
    key(Qt::Key_Delete);
    EXPECT_EQ(shown(), QStringList{Tbrowsefrm::changedElsewhereMessage()});
    EXPECT_EQ(questions(), 0);
    settle();
    EXPECT_EQ(onDisk().noticeOwner(2), "CAROL");
    EXPECT_EQ(listed(), (std::vector<int>{1, 2}));

    // Reused while A waits for the lock, after A's question: the check under the lock holds.
    Messages::clear();
    ASSERT_EQ(other.db.acquireLock('N', "CAROL", "Update Notice Set"), Result::Ok);
    fakes.sleeper->onSleep = [&] {
        if (fakes.sleeper->sleeps.back() != 3000) return;
        fakes.sleeper->onSleep = nullptr;
        ASSERT_TRUE(other.freeNotice(2, "Delete Notice"));
        ASSERT_EQ(other.allocateNotice(at(2026, 12, 9), at(2026, 12, 9), {true}, n),
                  Result::Ok);
        ASSERT_TRUE(other.db.releaseLock('N')); // the inner changes left CAROL's own hold in place
    };
    Messages::queueAnswer(true);
    select(2);
    key(Qt::Key_Delete);
    EXPECT_EQ(questions(), 1);
    EXPECT_EQ(shown(), QStringList{Tbrowsefrm::changedElsewhereMessage()});
    settle();
    const Database disk = onDisk();
    EXPECT_TRUE(disk.noticeInUse(2));
    EXPECT_EQ(disk.notice(2).startDate, at(2026, 12, 9));
    EXPECT_TRUE(noLockFiles());
    EXPECT_EQ(msgFile(2), "");
}

// The same across processes: another program frees the listed slot and writes its own notice
// into it.
TEST_F(BrowseTest, AnotherProcessReusingTheSlotKeepsItsNotice) {
    addUser({"BOB", 100});
    storeNotice(1, "BOB", at(2026, 12, 1), at(2026, 12, 2), "Bob's");
    logonWithBrowse("ADMIN");
    mineOnly()->setChecked(false);
    openBrowse();
    ASSERT_EQ(listed(), (std::vector<int>{1}));

    const pid_t pid =
        startProcess(toolPath("station_writer"), {folder.str(), "DAVE", "1", "5", "replace", "1"},
                     (folder / "writer.out").string());
    ASSERT_GT(pid, 0) << toolPath("station_writer");
    const int status = waitStatus(pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_EQ(onDisk().noticeOwner(1), "DAVE");
    const std::string daves = msgFile(1);

    Messages::queueAnswer(true);
    select(1);
    control<QToolButton>("DeleteBtn")->click();
    EXPECT_EQ(shown(), QStringList{Tbrowsefrm::changedElsewhereMessage()});
    settle();
    EXPECT_EQ(onDisk().noticeOwner(1), "DAVE");
    EXPECT_EQ(msgFile(1), daves);
    EXPECT_EQ(cells(0)[3], QStringLiteral("DAVE"));
    EXPECT_TRUE(noLockFiles());
}


TEST_F(BrowseTest, FindListsTheNoticesWithEveryTypedWordAndClearingRestoresTheList) {
    addUser({"ZOE", 50});
    storeNotice(2, "ZOE", at(2026, 12, 1), at(2026, 12, 9), "Trip to the museum\r\ncoach at nine");
    storeNotice(4, "ADMIN", at(2026, 12, 3), at(2026, 12, 4),
                "Staff meeting\r\nabout the MUS\xC9UM trip");
    storeNotice(6, "ADMIN", at(2026, 12, 2), at(2026, 12, 2), "Football results");
    logonWithBrowse("ADMIN");
    mineOnly()->setChecked(false);
    openBrowse();
    sortBy("Owner");
    auto* find = control<QLineEdit>("FindEdit");
    auto* timer = control<QTimer>("FindTimer");
    auto findBy = [&](const QString& text) {
        find->selectAll();
        // Typed as keys carrying their text, since key codes do not reach letters like é.
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(find, &press);
        }
        EXPECT_TRUE(timer->isActive()); // waits for a pause in typing
        QTRY_VERIFY(!timer->isActive() && !browse->busy());
    };

    findBy(QStringLiteral("Trip mus\u00E9um"));
    EXPECT_EQ(listed(), (std::vector<int>{4, 2})); // still in owner order
    EXPECT_EQ(cells(0)[4], QStringLiteral("Staff meeting"));
    mineOnly()->setChecked(true);
    settle();
    EXPECT_EQ(listed(), (std::vector<int>{4}));
    mineOnly()->setChecked(false);
    settle();
    findBy(QStringLiteral("coach"));
    EXPECT_EQ(listed(), (std::vector<int>{2}));
    findBy(QStringLiteral("orchestra"));
    EXPECT_TRUE(listed().empty());

    // The clear button, like deleting the text, brings every notice back at once.
    find->clear();
    settle();
    EXPECT_EQ(listed(), (std::vector<int>{4, 6, 2}));
    EXPECT_EQ(browse->lastSortKey(), BrowseOrder::Owner);

    // Enter does not wait; a new showing starts with an empty field and the whole list.
    find->setText(QStringLiteral("football"));
    QTest::keyClick(find, Qt::Key_Return);
    settle();
    EXPECT_EQ(listed(), (std::vector<int>{6}));
    control<QToolButton>("Exit")->click();
    openBrowse();
    EXPECT_TRUE(find->text().isEmpty());
    EXPECT_EQ(listed(), (std::vector<int>{2, 4, 6}));
    EXPECT_TRUE(Messages::shown().isEmpty());
}

} // namespace

// Start-up creates the window once and the main window's three browse controls open it.
TEST(BrowseWiring, StartUpProvidesTheWindowToTheBrowseCommands) {
    TempFolder folder;
    FakeServices fakes;
    writeFreshDatabase(folder.str());
    Messages::clear();
    StartUp program(fakes.services(), folder.str(), {});
    program.runModal = [](QDialog*) {};
    ASSERT_TRUE(program.run());
    AppWindows& w = program.windows();
    ASSERT_NE(w.browsefrm, nullptr);
    EXPECT_EQ(w.browsefrm->parent(), w.mainfrm);
    w.logonfrm->findChild<QLineEdit*>("username")->setText("ADMIN");
    w.logonfrm->findChild<QLineEdit*>("password")->setText("secret");
    w.logonfrm->findChild<QPushButton*>("BitBtn1")->click();
    ASSERT_TRUE(w.mainfrm->isVisible());

    int opened = 0;
    program.runModal = [&](QDialog* d) { opened += d == w.browsefrm; };
    w.mainfrm->findChild<QAction*>("ViewEditaNotice1")->trigger();
    w.mainfrm->findChild<QAction*>("NoticeEntries1")->trigger();
    w.mainfrm->findChild<QToolButton*>("SpeedButton2")->click();
    EXPECT_EQ(opened, 3);
    Messages::clear();
}

} // namespace pinora::test
