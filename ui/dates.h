// TDateTime values in Qt's date and time types, for every window that shows or picks them.
#pragma once

#include "db/records.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

namespace pinora {

// Held as UTC so that no daylight-saving gap can shift a stored value: a TDateTime is a local
// wall-clock time, and the pickers that show it are set to UTC too.
QDateTime toQDateTime(TDateTime t);
TDateTime fromQDateTime(const QDateTime& dt);

// A value out of range (a damaged file) gives an invalid QDateTime or QDate, and the texts
// below are empty for it.

// The date part only; the time of day is dropped.
QDate toQDate(TDateTime t);
TDateTime fromQDate(const QDate& d);

// Dates and times as people see them: the locale's short date (always with a four-digit year,
// so that no year is mistaken for another) and long time formats.
QString shownDate(TDateTime t);
QString shownTime(TDateTime t);

// A time of day or a whole number as typed into a field. A text that is not one gives nullopt
// and, in error, the conversion message that quotes it ("'abc' is not a valid time",
// "'x' is not a valid integer value"). Times are read in the long time format they are shown
// in, and as H:mm, H:mm:ss, h:mm AP and h:mm:ss AP.
std::optional<TDateTime> typedTime(const QString& text, QString* error = nullptr);
std::optional<int> typedInteger(const QString& text, QString* error = nullptr);

} // namespace pinora
