// Controls that the create dialog and the editor's date and set groups share.
#pragma once

#include "app/noticerules.h"

class QCheckBox;
class QDateTimeEdit;
class QWidget;

namespace pinora {

// A date picker in the long date format that keeps the time of day of its value.
QDateTimeEdit* makeDatePicker(const char* name, QWidget* parent);

// The ticks of the eight set boxes, hidden ones included.
SetTicks ticksOf(QCheckBox* const (&boxes)[kSetCount]);

} // namespace pinora
