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

TDateTime encodeDate(int year, int month, int day);
TDateTime encodeTime(int hour, int minute, int second, int msec = 0);
CivilDate decodeDate(TDateTime t);
ClockTime decodeTime(TDateTime t);
// Midnight of the day of t, and the time of day of t.
TDateTime dateOf(TDateTime t);
TDateTime timeOf(TDateTime t);
// 0 = Sunday .. 6 = Saturday.
int dayOfWeek(TDateTime t);

// The first day after now that is neither a Saturday nor a Sunday, at midnight.
TDateTime nextWeekday(TDateTime now);

// Fixed English names, whatever the system's language.
std::string dayName(TDateTime t);
std::string monthName(TDateTime t);
// "Monday, 7 December 2026"
std::string englishDateText(TDateTime t);

} // namespace pinora
