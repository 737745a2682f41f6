// The create dialog: choices, captions, set boxes and the checks on "Continue".
#include "apptest.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

namespace pinora::test {
namespace {

using ui::Messages;

class CreateDialogTest : public AppTest {
  protected:
    Tcreatefrm* dlg() { return windows.createfrm; }
    QRadioButton* startItem(int i) {
        return createChild<QRadioButton>(QStringLiteral("startdaterg_%1").arg(i).toLatin1());
    }
    QRadioButton* endItem(int i) {
        return createChild<QRadioButton>(QStringLiteral("enddaterg_%1").arg(i).toLatin1());
    }
    QDateTimeEdit* startPicker() { return createChild<QDateTimeEdit>("startdatecustom"); }
    QDateTimeEdit* endPicker() { return createChild<QDateTimeEdit>("enddatecustom"); }
    QCheckBox* box(int k) {
        return createChild<QCheckBox>(QStringLiteral("Set%1").arg(k).toLatin1());
    }
    void open() { main->findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click(); }
    void cont() { createChild<QPushButton>("BitBtn1")->click(); }
};

TEST_F(CreateDialogTest, Layout) {
    logon("ADMIN");
    open();
    EXPECT_EQ(dlg()->windowTitle(), QStringLiteral("Create a notice"));
    EXPECT_FALSE(dlg()->isModal());
    EXPECT_EQ(createChild<QGroupBox>("startdaterg")->title(),
              QStringLiteral("What day do you want your notice to be displayed on?"));
    EXPECT_EQ(createChild<QGroupBox>("enddaterg")->title(),
              QStringLiteral("How long should your notice be in notices?"));
    EXPECT_EQ(createChild<QGroupBox>("noticesets")->title(),
              QStringLiteral("Which set of notices should your notice appear in?"));
    const QStringList ends{QStringLiteral("One day only"), QStringLiteral("Two days"),
                           QStringLiteral("One week"), QStringLiteral("Until this date:")};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(endItem(i)->text(), ends[i]);
    EXPECT_EQ(startItem(0)->text(), QStringLiteral("Today"));
    EXPECT_EQ(startItem(3)->text(), QStringLiteral("This date:"));
    EXPECT_EQ(createChild<QPushButton>("BitBtn1")->text(), QStringLiteral("Continue"));
    EXPECT_EQ(createChild<QPushButton>("BitBtn2")->text(), QStringLiteral("Cancel Entry"));
    EXPECT_EQ(createChild<QPushButton>("BitBtn3")->text(), QStringLiteral("Help"));
    createChild<QPushButton>("BitBtn3")->click();
    EXPECT_EQ(lastHelpTopic(), QStringLiteral("create.htm"));
    createChild<QPushButton>("BitBtn2")->click();
    EXPECT_FALSE(dlg()->isVisible());
    EXPECT_FALSE(main->editingNotice());
}

// The first showing, whose set names and longer captions widen the dialog, is centred too.
TEST_F(CreateDialogTest, CentredOnTheMainWindow) {
    nameSet(2, "A set with a rather long name for its box");
    logon("ADMIN");
    main->setGeometry(20, 20, 760, 560); // inside the test screen
    open();
    const QPoint centre = main->geometry().center();
    QCoreApplication::processEvents(); // the layout settles the size
    EXPECT_LE((dlg()->geometry().center() - centre).manhattanLength(), 4)
        << dlg()->geometry().center().x() << "," << dlg()->geometry().center().y();
}

TEST_F(CreateDialogTest, CaptionsWarnUsersHeldToDeadlines) {
    addUser({.name = "FREE", .bypassDeadline = true});
    logon("FREE");
    open();
    EXPECT_EQ(startItem(1)->text(), QStringLiteral("Tomorrow"));
    EXPECT_EQ(startItem(2)->text(), QStringLiteral("Next available weekday"));
    main.reset();
    logon("ADMIN"); // a super user is still held to deadlines here
    open();
    EXPECT_EQ(startItem(1)->text(),
              QStringLiteral("Tomorrow (Must be submitted by a certain time)"));
    EXPECT_EQ(startItem(2)->text(),
              QStringLiteral("Next Weekday (Must be submitted by a certain time)"));
}

TEST_F(CreateDialogTest, ShowingResetsTheChoices) {
    logon("ADMIN");
    fakes.clock->t = at(2026, 12, 11, 15); // Friday
    open();
    const TDateTime monday = encodeDate(2026, 12, 14);
    EXPECT_TRUE(startItem(2)->isChecked());
    EXPECT_TRUE(endItem(0)->isChecked());
    EXPECT_DOUBLE_EQ(dlg()->startValue(), monday);
    EXPECT_DOUBLE_EQ(dlg()->endValue(), monday);
    EXPECT_FALSE(startPicker()->isEnabled());
    EXPECT_FALSE(endPicker()->isEnabled());

    startItem(0)->click();
    EXPECT_DOUBLE_EQ(dlg()->startValue(), fakes.clock->t);
    EXPECT_DOUBLE_EQ(dlg()->endValue(), fakes.clock->t);
    endItem(2)->click();
    EXPECT_DOUBLE_EQ(dlg()->endValue(), fakes.clock->t + 6);
    startItem(1)->click();
    EXPECT_DOUBLE_EQ(dlg()->startValue(), fakes.clock->t + 1);
    EXPECT_DOUBLE_EQ(dlg()->endValue(), fakes.clock->t + 7);
    endItem(1)->click();
    EXPECT_DOUBLE_EQ(dlg()->endValue(), fakes.clock->t + 2);

    // "This date:" keeps the picker's time of day with the chosen date.
    startItem(3)->click();
    EXPECT_TRUE(startPicker()->isEnabled());
    startPicker()->setDate(QDate(2026, 12, 22));
    EXPECT_DOUBLE_EQ(dlg()->startValue(), at(2026, 12, 22, 15));
    EXPECT_DOUBLE_EQ(dlg()->endValue(), at(2026, 12, 23, 15));
    endItem(3)->click();
    EXPECT_TRUE(endPicker()->isEnabled());
    endPicker()->setDate(QDate(2026, 12, 30));
    EXPECT_DOUBLE_EQ(dlg()->endValue(), at(2026, 12, 30, 15));

    createChild<QPushButton>("BitBtn2")->click();
    open();
    EXPECT_TRUE(startItem(2)->isChecked());
    EXPECT_DOUBLE_EQ(dlg()->startValue(), monday);
    EXPECT_FALSE(startPicker()->isEnabled());
}

// Choosing an item with the arrow keys works the values out again, as a click does.
TEST_F(CreateDialogTest, KeyboardChoiceRecomputes) {
    logon("ADMIN");
    fakes.clock->t = at(2026, 12, 8, 10); // Tuesday
    open();
    dlg()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg(), 60000));
    startItem(2)->setFocus();
    QTest::keyClick(startItem(2), Qt::Key_Up);
    ASSERT_TRUE(startItem(1)->isChecked());
    EXPECT_DOUBLE_EQ(dlg()->startValue(), fakes.clock->t + 1);
    EXPECT_DOUBLE_EQ(dlg()->endValue(), fakes.clock->t + 1);
    endItem(0)->setFocus();
    QTest::keyClick(endItem(0), Qt::Key_Down);
    ASSERT_TRUE(endItem(1)->isChecked());
    EXPECT_DOUBLE_EQ(dlg()->endValue(), fakes.clock->t + 2);
}

TEST_F(CreateDialogTest, SetBoxesShownHiddenDeniedAndTicksKept) {
    nameSet(2, "Staff");
    nameSet(4, "Parents");
    std::array<bool, kSetCount> deny{};
    deny[1] = true;
    addUser({.name = "ANN", .deny = deny});
    logon("ANN");
    open();
    EXPECT_FALSE(box(1)->isHidden());
    EXPECT_EQ(box(1)->text(), QStringLiteral("Students"));
    EXPECT_TRUE(box(2)->isHidden()); // denied
    EXPECT_TRUE(box(3)->isHidden()); // not in use
    EXPECT_FALSE(box(4)->isHidden());
    EXPECT_EQ(box(4)->text(), QStringLiteral("Parents"));
    box(4)->setChecked(true);
    createChild<QPushButton>("BitBtn2")->click();

    // The set goes out of use; its box is hidden but keeps its tick, which still counts.
    st->db.config.noticeSets[3].name = "";
    ASSERT_TRUE(st->db.saveConfig());
    open();
    EXPECT_TRUE(box(4)->isHidden());
    EXPECT_TRUE(box(4)->isChecked());
    cont();
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(onDisk().notice(1).inSet[3]);
}

TEST_F(CreateDialogTest, ContinueShowsEveryFailingCheck) {
    st->db.config.noticeSets[0].deadlineEnabled = true;
    st->db.config.noticeSets[0].maxDaysEnabled = true;
    st->db.config.noticeSets[0].maxDays = 1;
    nameSet(2, "Staff");
    st->db.config.noticeSets[1].maxDaysEnabled = true;
    st->db.config.noticeSets[1].maxDays = 3;
    ASSERT_TRUE(st->db.saveConfig());
    addUser({.name = "ANN"});
    logon("ANN");
    fakes.clock->t = at(2026, 12, 11, 19, 0, 1); // Friday, one second late
    open();
    box(1)->setChecked(true);
    endItem(2)->click(); // one week
    cont();
    const TDateTime monday = encodeDate(2026, 12, 14);
    EXPECT_EQ(shown(),
              (QStringList{createDeadlineMessage(monday, encodeTime(19, 0, 0), fakes.clock->t),
                           maxDaysMessage(1), maxDaysMessage(3)}));
    EXPECT_TRUE(dlg()->isVisible());
    EXPECT_FALSE(onDisk().noticeInUse(1));
    EXPECT_TRUE(noLockFiles());

    // Exactly at the deadline a one-day notice for Monday goes in.
    Messages::clear();
    fakes.clock->t = at(2026, 12, 11, 19, 0, 0);
    endItem(0)->click();
    cont();
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_FALSE(dlg()->isVisible());
    EXPECT_TRUE(onDisk().noticeInUse(1));
    EXPECT_TRUE(main->editingNotice());
}

TEST_F(CreateDialogTest, OrderAndNoSetTogether) {
    logon("ADMIN");
    open();
    box(1)->setChecked(false);
    startItem(3)->click();
    endItem(3)->click();
    startPicker()->setDate(QDate(2026, 12, 20));
    endPicker()->setDate(QDate(2026, 12, 18));
    cont();
    EXPECT_EQ(shown(), (QStringList{orderMessage(), noSetMessage()}));
    EXPECT_TRUE(dlg()->isVisible());
    EXPECT_FALSE(main->editingNotice());
}

} // namespace
} // namespace pinora::test
