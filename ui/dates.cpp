#include "dates.h"

#include "db/datetime.h"

namespace pinora {

QDate toQDate(TDateTime t) {
    const CivilDate d = decodeDate(t);
    return QDate(d.year, d.month, d.day);
}

TDateTime fromQDate(const QDate& d) {
    return encodeDate(d.year(), d.month(), d.day());
}

QDateTime toQDateTime(TDateTime t) {
    const ClockTime c = decodeTime(t);
    return QDateTime(toQDate(t), QTime(c.hour, c.minute, c.second, c.msec), Qt::UTC);
}

TDateTime fromQDateTime(const QDateTime& dt) {
    const QTime c = dt.time();
    return fromQDate(dt.date()) + encodeTime(c.hour(), c.minute(), c.second(), c.msec());
}

} // namespace pinora
