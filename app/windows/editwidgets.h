// Controls that the create dialog and the editor's date and set groups share.
#pragma once

#include "app/noticerules.h"

#include <QDateTimeEdit>

class QCheckBox;
class QWidget;

namespace pinora {

// A date picker in the locale's long date format that keeps the time of day of its value.
// While a section is typed into, the weekday leaves the text: its name changes length with
// every digit, and the typing would land in the wrong place (a year typed over 2026 came out
// as 8026). It comes back when the editing ends. The picker is wide enough for the longest
// long date, so that no date runs under the drop-down arrow.
class LongDatePicker : public QDateTimeEdit {
  public:
    explicit LongDatePicker(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    int widthForLongestDate(int hintWidth) const;
    void showLongDate();
    void switchFormat(const QString& format);

    QString longFormat_;
    QString typingFormat_;
};

LongDatePicker* makeDatePicker(const char* name, QWidget* parent);

// The ticks of the eight set boxes, hidden ones included.
SetTicks ticksOf(QCheckBox* const (&boxes)[kSetCount]);

} // namespace pinora
