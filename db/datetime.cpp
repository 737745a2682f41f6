#include "datetime.h"

#include <cmath>

namespace pinora {

namespace {
// Days from 1970-01-01 (proleptic Gregorian), after Howard Hinnant's civil calendar algorithms.
constexpr long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

CivilDate civilFromDays(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

constexpr long long kEpochOffset = daysFromCivil(1899, 12, 30); // 1899-12-30 relative to 1970

constexpr double kFirstDay = -693593; // 0001-01-01
constexpr double kEndDay = 2958466;   // 10000-01-01

// Only values in range reach the integer arithmetic: a conversion of anything else is
// undefined.
long long wholeDays(TDateTime t) {
    return inDateRange(t) ? static_cast<long long>(std::floor(t + 1e-9)) : 0;
}
} // namespace

bool inDateRange(TDateTime t) {
    return t >= kFirstDay && t < kEndDay;
}

TDateTime encodeDate(int year, int month, int day) {
    return static_cast<double>(
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
        kEpochOffset);
}

TDateTime encodeTime(int hour, int minute, int second, int msec) {
    return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / 86400000.0;
}

CivilDate decodeDate(TDateTime t) {
    return civilFromDays(wholeDays(t) + kEpochOffset);
}

ClockTime decodeTime(TDateTime t) {
    if (!inDateRange(t)) return {0, 0, 0, 0};
    long long ms = std::llround(timeOf(t) * 86400000.0);
    if (ms >= 86400000) ms = 86399999;
    return {static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
            static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
}

TDateTime dateOf(TDateTime t) {
    return std::floor(t + 1e-9);
}

TDateTime timeOf(TDateTime t) {
    if (!inDateRange(t)) return 0;
    const double f = t - dateOf(t);
    return f < 0 ? 0 : f;
}

int dayOfWeek(TDateTime t) {
    // 1899-12-30 was a Saturday.
    long long d = (wholeDays(t) + 6) % 7;
    return static_cast<int>(d < 0 ? d + 7 : d);
}

TDateTime nextWeekday(TDateTime now) {
    if (!inDateRange(now)) return dateOf(now); // no weekday to step to
    TDateTime d = now + 1;
    while (dayOfWeek(d) == 0 || dayOfWeek(d) == 6)
        d += 1;
    return dateOf(d);
}

std::string dayName(TDateTime t) {
    static const char* const names[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
    return names[dayOfWeek(t)];
}

std::string monthName(TDateTime t) {
    static const char* const names[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
    return names[decodeDate(t).month - 1];
}

std::string englishDateText(TDateTime t) {
    if (!inDateRange(t)) return {};
    const CivilDate c = decodeDate(t);
    return dayName(t) + ", " + std::to_string(c.day) + " " + monthName(t) + " " +
           std::to_string(c.year);
}

} // namespace pinora
