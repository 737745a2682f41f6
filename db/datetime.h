// TDateTime: whole days since 1899-12-30, the fraction being the time of day (local time).
#pragma once

#include "records.h"

#include <string>

namespace pinora {

struct CivilDate {
    int year;
    int month; // 1..12
    int day;   // 1..31
};

struct ClockTime {
    int hour;
    int minute;
    int second;
    int msec;
};

// Years 1 to 9999, the dates the calendar can show. A value outside (huge, infinite, NaN: a
// damaged file) is shown as nothing; the functions below never fail on it.
bool inDateRange(TDateTime t);

TDateTime encodeDate(int year, int month, int day);
TDateTime encodeTime(int hour, int minute, int second, int msec = 0);
// A value out of range decodes as 1899-12-30 00:00.
CivilDate decodeDate(TDateTime t);
ClockTime decodeTime(TDateTime t);
// Midnight of the day of t, and the time of day of t. dateOf stays a double, so that a damaged
// value compares safely (NaN never compares true); timeOf of a value out of range is 0.
TDateTime dateOf(TDateTime t);
TDateTime timeOf(TDateTime t);
// 0 = Sunday .. 6 = Saturday.
int dayOfWeek(TDateTime t);

// The first day after now that is neither a Saturday nor a Sunday, at midnight.
TDateTime nextWeekday(TDateTime now);

// Fixed English names, whatever the system's language.
std::string dayName(TDateTime t);
std::string monthName(TDateTime t);
// "Monday, 7 December 2026"; empty out of range.
std::string englishDateText(TDateTime t);

} // namespace pinora
