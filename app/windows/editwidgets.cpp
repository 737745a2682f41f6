#include "editwidgets.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalBlocker>

namespace pinora {

namespace {
// The long format without its weekday and the separator that goes with it.
QString withoutWeekday(const QString& format) {
    QString f = format;
    f.remove(QRegularExpression(QStringLiteral("dddd[^dMy]*")));
    f.remove(QRegularExpression(QStringLiteral("[^dMy]*dddd")));
    return f.trimmed();
}

bool typesIntoSection(const QKeyEvent* e) {
    if (e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete) return true;
    const QString t = e->text();
    return !t.isEmpty() && t.at(0).isLetterOrNumber();
}
} // namespace

LongDatePicker::LongDatePicker(QWidget* parent) : QDateTimeEdit(parent) {
    setTimeSpec(Qt::UTC); // see toQDateTime
    longFormat_ = QLocale().dateFormat(QLocale::LongFormat);
    typingFormat_ = withoutWeekday(longFormat_);
    setDisplayFormat(longFormat_);
    setCalendarPopup(true);
    connect(this, &QDateTimeEdit::editingFinished, this, [this] { showLongDate(); });
}

// Qt drops the time of day when the format changes; the value itself has not changed.
void LongDatePicker::switchFormat(const QString& format) {
    const QDateTime value = dateTime();
    const QSignalBlocker quiet(this);
    setDisplayFormat(format);
    setDateTime(value);
}

void LongDatePicker::showLongDate() {
    if (displayFormat() != longFormat_) switchFormat(longFormat_);
}

void LongDatePicker::keyPressEvent(QKeyEvent* event) {
    if (typesIntoSection(event) && displayFormat() != typingFormat_) {
        Section section = currentSection();
        if (section == NoSection) section = DaySection; // the weekday is no section of its own
        switchFormat(typingFormat_);
        // What was selected in the long text is selected again, so the key types over it.
        setSelectedSection(section);
    }
    QDateTimeEdit::keyPressEvent(event);
}

// Qt sizes a date edit from the texts of its smallest and largest values; the widest long
// date (a long weekday and month) is wider than both.
int LongDatePicker::widthForLongestDate(int hintWidth) const {
    const QFontMetrics fm = fontMetrics();
    const QLocale locale;
    const int measured =
        std::max(fm.horizontalAdvance(locale.toString(minimumDate(), longFormat_)),
                 fm.horizontalAdvance(locale.toString(maximumDate(), longFormat_)));
    int widest = 0;
    // Seven years hold every weekday in every month on every day number.
    for (QDate d(2024, 1, 1); d.year() < 2031; d = d.addDays(1))
        widest = std::max(widest, fm.horizontalAdvance(locale.toString(d, longFormat_)));
    return hintWidth + std::max(0, widest - measured);
}

QSize LongDatePicker::sizeHint() const {
    QSize s = QDateTimeEdit::sizeHint();
    s.setWidth(widthForLongestDate(s.width()));
    return s;
}

QSize LongDatePicker::minimumSizeHint() const {
    QSize s = QDateTimeEdit::minimumSizeHint();
    s.setWidth(std::max(s.width(), sizeHint().width()));
    return s;
}

LongDatePicker* makeDatePicker(const char* name, QWidget* parent) {
    auto* e = new LongDatePicker(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

SetTicks ticksOf(QCheckBox* const (&boxes)[kSetCount]) {
    SetTicks t{};
    for (int k = 0; k < kSetCount; ++k)
        t[static_cast<std::size_t>(k)] = boxes[k]->isChecked();
    return t;
}

} // namespace pinora
