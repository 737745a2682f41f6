// TDateTime values in Qt's date and time types, for every window that shows or picks them.
#pragma once

#include "db/records.h"

#include <QDate>
#include <QDateTime>
#include <QString>

namespace pinora {

// Held as UTC so that no daylight-saving gap can shift a stored value: a TDateTime is a local
// wall-clock time, and the pickers that show it are set to UTC too.
QDateTime toQDateTime(TDateTime t);
TDateTime fromQDateTime(const QDateTime& dt);

// The date part only; the time of day is dropped.
QDate toQDate(TDateTime t);
TDateTime fromQDate(const QDate& d);

// Dates and times as people see them: the locale's short date (always with a four-digit year,
// so that no year is mistaken for another) and long time formats.
QString shownDate(TDateTime t);
QString shownTime(TDateTime t);

} // namespace pinora
