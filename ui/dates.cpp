#include "dates.h"

#include "db/datetime.h"

#include <QLocale>

namespace pinora {

QDate toQDate(TDateTime t) {
    if (!inDateRange(t)) return {}; // shown as nothing
    const CivilDate d = decodeDate(t);
    return QDate(d.year, d.month, d.day);
}

TDateTime fromQDate(const QDate& d) {
    return encodeDate(d.year(), d.month(), d.day());
}

QDateTime toQDateTime(TDateTime t) {
    if (!inDateRange(t)) return {};
    const ClockTime c = decodeTime(t);
    return QDateTime(toQDate(t), QTime(c.hour, c.minute, c.second, c.msec), Qt::UTC);
}

TDateTime fromQDateTime(const QDateTime& dt) {
    const QTime c = dt.time();
    return fromQDate(dt.date()) + encodeTime(c.hour(), c.minute(), c.second(), c.msec());
}

namespace {
// "d/M/yy" becomes "d/M/yyyy"; a format that has the whole year already stays as it is.
QString fourDigitYears(const QString& format) {
    QString out;
    for (int i = 0; i < format.size();) {
        int run = 0;
        while (i + run < format.size() && format[i + run] == u'y')
            ++run;
        if (run == 0) {
            out += format[i++];
            continue;
        }
        out += QStringLiteral("yyyy");
        i += run;
    }
    return out;
}
} // namespace

QString shownDate(TDateTime t) {
    const QString format = fourDigitYears(QLocale().dateFormat(QLocale::ShortFormat));
    return QLocale().toString(toQDateTime(t).date(), format);
}

// The locale's long time format without a time zone: the values are local wall-clock times.
QString longTimeFormat() {
    const QString full = QLocale().timeFormat(QLocale::LongFormat);
    QString format;
    bool quoted = false;
    for (QChar c : full) {
        if (c == u'\'') quoted = !quoted;
        if (c == u't' && !quoted) continue;
        format += c;
    }
    return format.trimmed();
}

QString shownTime(TDateTime t) {
    return QLocale().toString(toQDateTime(t).time(), longTimeFormat());
}

std::optional<TDateTime> typedTime(const QString& text, QString* error) {
    const QString t = text.trimmed();
    const QStringList formats = {longTimeFormat(), QStringLiteral("H:mm"), QStringLiteral("H:mm:ss"),
                                 QStringLiteral("h:mm AP"), QStringLiteral("h:mm:ss AP")};
    for (const QString& f : formats) {
        QTime time = QLocale().toTime(t, f);
        if (!time.isValid()) time = QLocale().toTime(t.toUpper(), f);
        if (time.isValid())
            return encodeTime(time.hour(), time.minute(), time.second(), time.msec());
    }
    if (error) *error = QStringLiteral("'") + text + QStringLiteral("' is not a valid time");
    return std::nullopt;
}

std::optional<int> typedInteger(const QString& text, QString* error) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (ok) return v;
    if (error) *error = QStringLiteral("'") + text + QStringLiteral("' is not a valid integer value");
    return std::nullopt;
}

} // namespace pinora
