// Deadlines, day limits and set choices of new and edited notices, with a fixed clock.
#include "app/noticerules.h"
#include "db/datetime.h"

#include <QLocale>
#include <cmath>
#include <gtest/gtest.h>

namespace pinora {
namespace {

TDateTime at(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
    return encodeDate(y, m, d) + encodeTime(hh, mm, ss);
}

// 2026-12-07 is a Monday, 2026-12-11 a Friday.
// Functions, not constants: the calendar's own constants are not ready before main().
TDateTime friday() {
    return encodeDate(2026, 12, 11);
}
TDateTime monday() {
    return encodeDate(2026, 12, 14);
}
TDateTime tuesday() {
    return encodeDate(2026, 12, 15);
}

class RulesTest : public ::testing::Test {
  protected:
    ConfigRecord config{};
    UserRecord user{};
    SetTicks ticks{};

    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        for (NoticeSetConfig& s : config.noticeSets) {
            s.name = "";
            s.deadline = encodeTime(19, 0, 0);
            s.maxDays = 2;
        }
        config.noticeSets[0].name = "Students";
        config.noticeSets[1].name = "Staff";
        ticks[0] = true;
    }
    void deadline(int k, int hh, int mm = 0) {
        config.noticeSets[k - 1].deadlineEnabled = true;
        config.noticeSets[k - 1].deadline = encodeTime(hh, mm, 0);
    }
    void maxDays(int k, int days) {
        config.noticeSets[k - 1].maxDaysEnabled = true;
        config.noticeSets[k - 1].maxDays = days;
    }
    QStringList create(TDateTime now, TDateTime start, TDateTime end) {
        return createDialogChecks(config, user, now, start, end, ticks);
    }
};

TEST_F(RulesTest, DatesAndTimesUseTheLocaleFormats) {
    EXPECT_EQ(shownDate(at(2026, 12, 14, 10, 30)), QStringLiteral("14/12/2026"));
    EXPECT_EQ(shownTime(encodeTime(19, 0, 0)), QStringLiteral("19:00:00"));
    EXPECT_DOUBLE_EQ(fromQDateTime(toQDateTime(at(2026, 12, 14, 19, 0, 1))),
                     at(2026, 12, 14, 19, 0, 1));
}

TEST_F(RulesTest, DamagedDatesAndTimesShowAsNothing) {
    for (const double t : {1e300, -1e300, double(NAN), double(INFINITY), 2958466.0}) {
        SCOPED_TRACE(t);
        EXPECT_EQ(shownDate(t), QString());
        EXPECT_EQ(shownTime(t), QString());
        EXPECT_FALSE(toQDateTime(t).isValid());
        EXPECT_FALSE(toQDate(t).isValid());
    }
    EXPECT_EQ(shownDate(encodeDate(9999, 12, 31)), QStringLiteral("31/12/9999"));
}

TEST_F(RulesTest, StartAndEndChoices) {
    const TDateTime friday8pm = friday() + encodeTime(20, 0, 0);
    EXPECT_DOUBLE_EQ(startFor(StartChoice::Today, friday8pm, 0), friday8pm);
    EXPECT_DOUBLE_EQ(startFor(StartChoice::Tomorrow, friday8pm, 0), friday8pm + 1);
    EXPECT_DOUBLE_EQ(startFor(StartChoice::NextWeekday, friday8pm, 0), monday());
    EXPECT_DOUBLE_EQ(startFor(StartChoice::NextWeekday, friday() + 1, 0), monday()); // Saturday
    EXPECT_DOUBLE_EQ(startFor(StartChoice::NextWeekday, friday() + 2, 0), monday()); // Sunday
    EXPECT_DOUBLE_EQ(startFor(StartChoice::NextWeekday, monday() + 0.5, 0), tuesday());
    EXPECT_DOUBLE_EQ(startFor(StartChoice::ThisDate, friday8pm, tuesday() + 0.25),
                     tuesday() + 0.25);
    EXPECT_DOUBLE_EQ(endFor(EndChoice::OneDay, monday(), 0), monday());
    EXPECT_DOUBLE_EQ(endFor(EndChoice::TwoDays, monday(), 0), monday() + 1);
    EXPECT_DOUBLE_EQ(endFor(EndChoice::OneWeek, monday(), 0), monday() + 6);
    EXPECT_DOUBLE_EQ(endFor(EndChoice::UntilDate, monday(), tuesday()), tuesday());
}

TEST_F(RulesTest, DeadlineOfTheComingSchoolDay) {
    deadline(1, 19);
    const TDateTime next = monday(); // from a Friday
    EXPECT_TRUE(create(friday() + encodeTime(18, 59, 59), next, next).isEmpty());
    EXPECT_TRUE(create(friday() + encodeTime(19, 0, 0), next, next).isEmpty());
    const TDateTime late = friday() + encodeTime(19, 0, 1);
    const QStringList m = create(late, next, next);
    ASSERT_EQ(m.size(), 1);
    EXPECT_EQ(m[0], createDeadlineMessage(next, config.noticeSets[0].deadline, late));
    EXPECT_EQ(m[0], QStringLiteral("It is too late to enter a notice entry into notices for the "
                                   "14/12/2026. This days notices have already been "
                                   "printed/published. The publish deadline is 19:00:00 The "
                                   "Current time is 19:00:01"));
    // Friday evening: Monday is closed, Tuesday is open.
    EXPECT_TRUE(create(late, tuesday(), tuesday()).isEmpty());
    // A start in the past is held to the deadline only after the deadline time.
    EXPECT_TRUE(create(friday() + encodeTime(10, 0, 0), friday() - 3, friday()).isEmpty());
    EXPECT_EQ(create(late, friday() - 3, friday()).size(), 1);
}

TEST_F(RulesTest, DeadlineAppliesToTickedSetsWithDeadlinesOnly) {
    const TDateTime late = friday() + encodeTime(21, 0, 0);
    EXPECT_TRUE(create(late, monday(), monday()).isEmpty()); // not enabled
    deadline(2, 18);
    EXPECT_TRUE(create(late, monday(), monday()).isEmpty()); // set 2 not ticked
    deadline(1, 19);
    ticks[1] = true;
    const QStringList m = create(late, monday(), monday());
    ASSERT_EQ(m.size(), 2); // one per failing set
    EXPECT_TRUE(m[0].contains(QStringLiteral("deadline is 19:00:00")));
    EXPECT_TRUE(m[1].contains(QStringLiteral("deadline is 18:00:00")));
    // A hidden (denied) box still counts when it is ticked: ticks are all the caller passes.
}

TEST_F(RulesTest, DeadlineBypassAndSuperUser) {
    deadline(1, 19);
    const TDateTime late = friday() + encodeTime(20, 0, 0);
    user.superUser = true;
    EXPECT_EQ(create(late, monday(), monday()).size(), 1); // held in the create dialog
    const DateEditResult edit = dateEditorChecks(config, user, late, monday(), monday(), ticks);
    EXPECT_TRUE(edit.ok); // but not in the date editor
    user.superUser = false;
    user.bypassDeadline = true;
    EXPECT_TRUE(create(late, monday(), monday()).isEmpty());
    EXPECT_TRUE(dateEditorChecks(config, user, late, monday(), monday(), ticks).ok);
}

TEST_F(RulesTest, MaximumDays) {
    maxDays(1, 6);
    const TDateTime now = at(2026, 12, 7, 10);
    EXPECT_TRUE(create(now, monday(), monday() + 6).isEmpty());
    maxDays(1, 5);
    EXPECT_EQ(create(now, monday(), monday() + 6), QStringList{maxDaysMessage(5)});
    EXPECT_EQ(maxDaysMessage(5), QStringLiteral("Your notice exceeds the maximum allowed days it "
                                                "can be in notices. A notice cannot be in "
                                                "notices for more than 5 days."));
    // A set limits notices that are not in it; two exceeded sets give two messages.
    maxDays(3, 3);
    ticks = {};
    ticks[1] = true;
    EXPECT_EQ(create(now, monday(), monday() + 6),
              (QStringList{maxDaysMessage(5), maxDaysMessage(3)}));
    user.bypassMaxDays = true;
    EXPECT_TRUE(create(now, monday(), monday() + 6).isEmpty());
    user.bypassMaxDays = false;
    user.superUser = true;
    EXPECT_TRUE(create(now, monday(), monday() + 6).isEmpty());
}

TEST_F(RulesTest, AllFailingChecksInOrder) {
    deadline(1, 19);
    maxDays(1, 1);
    const TDateTime late = friday() + encodeTime(20, 0, 0);
    // start after end with no set: order first, then the set message.
    ticks = {};
    EXPECT_EQ(create(late, tuesday() + 3, tuesday()),
              (QStringList{orderMessage(), noSetMessage()}));
    // deadline, then order... a ticked set: deadline, no order issue, day limit last.
    ticks[0] = true;
    const QStringList m = create(late, monday(), monday() + 4);
    ASSERT_EQ(m.size(), 2);
    EXPECT_TRUE(m[0].startsWith(QStringLiteral("It is too late")));
    EXPECT_EQ(m[1], maxDaysMessage(1));
    EXPECT_EQ(orderMessage(), QStringLiteral("The date you want your notice in, occurs after the "
                                             "date you want your notice to be taken out. Check "
                                             "your dates"));
    EXPECT_EQ(noSetMessage(), QStringLiteral("You have not selected any notices for this "
                                             "individual notice to go into. Please select one"));
}

TEST_F(RulesTest, DateEditorStages) {
    const TDateTime late = friday() + encodeTime(20, 0, 0);
    SetTicks inSet{};
    inSet[0] = true;
    // Default configuration: only the order can refuse.
    EXPECT_TRUE(dateEditorChecks(config, user, late, monday(), monday() + 30, inSet).ok);
    DateEditResult r = dateEditorChecks(config, user, late, tuesday(), monday(), inSet);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.messages, QStringList{dateEditorOrderMessage()});

    // The day limit fails first and hides the deadline.
    deadline(1, 19);
    maxDays(2, 2);
    r = dateEditorChecks(config, user, late, monday(), monday() + 5, inSet);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.messages, QStringList{maxDaysMessage(2)});
    EXPECT_FALSE(r.movedStart);

    // Midnight of the coming school day after the deadline: the start moves one day on.
    r = dateEditorChecks(config, user, late, monday(), monday() + 1, inSet);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_EQ(r.messages[0], QStringLiteral("You cannot place a notice in notices for 14/12/2026. "
                                            "It is past the deadline for publishing notices on "
                                            "this day. (Deadline is 19:00:00). The Start Date "
                                            "will default to the day after"));
    ASSERT_TRUE(r.movedStart);
    EXPECT_DOUBLE_EQ(*r.movedStart, tuesday());
    // The moved start passes.
    EXPECT_TRUE(dateEditorChecks(config, user, late, *r.movedStart, monday() + 1, inSet).ok);

    // A start on the coming day but after its midnight is not held to the deadline.
    EXPECT_TRUE(
        dateEditorChecks(config, user, late, monday() + encodeTime(10, 0, 0), monday() + 1, inSet)
            .ok);
    // Several sets with passed deadlines still give one message.
    deadline(2, 18);
    inSet[1] = true;
    EXPECT_EQ(dateEditorChecks(config, user, late, monday(), monday() + 1, inSet).messages.size(),
              1);
    // A set the notice is not in never blocks.
    inSet = {};
    inSet[2] = true;
    EXPECT_TRUE(dateEditorChecks(config, user, late, monday(), monday() + 1, inSet).ok);
}

TEST_F(RulesTest, MovedStartKeepsItsTimeOfDay) {
    deadline(1, 9);
    SetTicks inSet{};
    inSet[0] = true;
    const TDateTime now = at(2026, 12, 7, 10);  // Monday 10:00
    const TDateTime start = at(2026, 12, 7, 8); // today 08:00, before the coming day
    const DateEditResult r = dateEditorChecks(config, user, now, start, start + 3, inSet);
    ASSERT_TRUE(r.movedStart);
    EXPECT_EQ(shownDate(*r.movedStart), QStringLiteral("09/12/2026"));
    EXPECT_EQ(shownTime(*r.movedStart), QStringLiteral("08:00:00"));
}

TEST_F(RulesTest, SetEditorAndSetNames) {
    EXPECT_EQ(setEditorCheck(SetTicks{}),
              QStringLiteral("You must selected atleast one notice set for your notice to appear "
                             "in"));
    SetTicks hiddenOnly{};
    hiddenOnly[7] = true;
    EXPECT_TRUE(setEditorCheck(hiddenOnly).isEmpty());

    NoticeRecord n{};
    EXPECT_EQ(noticeSetsText(config, n), QString());
    n.inSet[1] = true;
    n.inSet[0] = true;
    EXPECT_EQ(noticeSetsText(config, n), QStringLiteral("Students Staff "));
}

} // namespace
} // namespace pinora
