// TDateTime values in Qt's date and time types, for every window that shows or picks them.
#pragma once

#include "db/records.h"

#include <QDate>
#include <QDateTime>

namespace pinora {

// Held as UTC so that no daylight-saving gap can shift a stored value: a TDateTime is a local
// wall-clock time, and the pickers that show it are set to UTC too.
QDateTime toQDateTime(TDateTime t);
TDateTime fromQDateTime(const QDateTime& dt);

// The date part only; the time of day is dropped.
QDate toQDate(TDateTime t);
TDateTime fromQDate(const QDate& d);

} // namespace pinora
