// Day and time arithmetic on values from other stations' files, which may be anything.
#include "db/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace pinora;

TEST(DateTime, ValuesBeyondTheCalendarAreSafeEverywhere) {
    const double inf = std::numeric_limits<double>::infinity();
    for (const double t : {1e300, -1e300, std::nan(""), inf, -inf, 2958466.0, -693594.0, 9.3e18}) {
        SCOPED_TRACE(t);
        EXPECT_FALSE(inDateRange(t));
        const CivilDate d = decodeDate(t);
        EXPECT_EQ(d.year * 10000 + d.month * 100 + d.day, 18991230);
        const ClockTime c = decodeTime(t);
        EXPECT_EQ(c.hour + c.minute + c.second + c.msec, 0);
        EXPECT_EQ(timeOf(t), 0);
        EXPECT_GE(dayOfWeek(t), 0);
        EXPECT_LE(dayOfWeek(t), 6);
        EXPECT_EQ(englishDateText(t), "");
        const TDateTime next = nextWeekday(t); // ends, whatever it makes of the value
        EXPECT_FALSE(inDateRange(next));
    }
    // The first and the last day of the calendar are still dates.
    EXPECT_TRUE(inDateRange(encodeDate(1, 1, 1)));
    EXPECT_TRUE(inDateRange(encodeDate(9999, 12, 31) + encodeTime(23, 59, 59)));
    EXPECT_EQ(englishDateText(encodeDate(9999, 12, 31) + 0.5), "Friday, 31 December 9999");
    EXPECT_EQ(decodeTime(encodeDate(1, 1, 1) + encodeTime(6, 7, 8)).minute, 7);
    EXPECT_EQ(englishDateText(encodeDate(2026, 12, 7)), "Monday, 7 December 2026");
}
