// The date pickers of the create dialog and the date editor, typed into as a user would.
#include "app/windows/editwidgets.h"

#include <QLineEdit>
#include <QLocale>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace pinora::test {
namespace {

class DatePicker : public ::testing::Test {
  protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        picker = makeDatePicker("picker", nullptr);
        picker->setDateTime(QDateTime(QDate(2026, 12, 9), QTime(10, 30), Qt::UTC));
        picker->show();
        picker->setFocus();
        QObject::connect(picker, &QDateTimeEdit::dateTimeChanged, [this] { ++changes; });
    }
    void TearDown() override { delete picker; }
    // Selects the year as a double click would, erases it and types another.
    void typeYear(const QString& year) {
        picker->setSelectedSection(QDateTimeEdit::YearSection);
        QTest::keyClick(picker, Qt::Key_Backspace);
        QTest::keyClicks(picker, year);
        QTest::keyClick(picker, Qt::Key_Return);
    }
    QDateTimeEdit* picker = nullptr;
    int changes = 0;
};

TEST_F(DatePicker, TypedYearIsTheYearTyped) {
    EXPECT_EQ(picker->text(), QStringLiteral("Wednesday, 9 December 2026"));
    typeYear(QStringLiteral("1800"));
    EXPECT_EQ(picker->date(), QDate(1800, 12, 9));
    // Only the typing changed the value: erased, then 1, 18, 180 and 1800.
    EXPECT_LE(changes, 5);
    typeYear(QStringLiteral("9999"));
    EXPECT_EQ(picker->date(), QDate(9999, 12, 9));
    typeYear(QStringLiteral("2031"));
    EXPECT_EQ(picker->date(), QDate(2031, 12, 9));
    // The weekday is back once the typing is done, and the time of day was kept.
    EXPECT_EQ(picker->text(), QStringLiteral("Tuesday, 9 December 2031"));
    EXPECT_EQ(picker->time(), QTime(10, 30));
    EXPECT_EQ(picker->dateTime().timeSpec(), Qt::UTC);

    // The day typed over, then the month with the arrow keys.
    picker->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(picker, QStringLiteral("24"));
    QTest::keyClick(picker, Qt::Key_Return);
    EXPECT_EQ(picker->date(), QDate(2031, 12, 24));
    picker->setSelectedSection(QDateTimeEdit::MonthSection);
    QTest::keyClick(picker, Qt::Key_Down);
    EXPECT_EQ(picker->date(), QDate(2031, 11, 24));
}

TEST_F(DatePicker, WideEnoughForTheLongestLongDate) {
    // The text area left of the arrow holds the widest date of a year.
    picker->resize(picker->sizeHint());
    QStyleOptionSpinBox opt;
    opt.initFrom(picker);
    opt.subControls = QStyle::SC_SpinBoxEditField;
    const QLineEdit* line = picker->findChild<QLineEdit*>();
    const QFontMetrics fm = line->fontMetrics();
    int widest = 0;
    for (QDate d(2026, 1, 1); d.year() == 2026; d = d.addDays(1))
        widest =
            std::max(widest, fm.horizontalAdvance(QLocale().toString(d, picker->displayFormat())));
    EXPECT_GE(line->width(), widest) << "widest " << widest << ", field " << line->width();
    EXPECT_GE(picker->minimumSizeHint().width(), picker->sizeHint().width());
}

} // namespace
} // namespace pinora::test
