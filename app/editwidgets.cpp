#include "editwidgets.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLocale>

namespace pinora {

QDateTimeEdit* makeDatePicker(const char* name, QWidget* parent) {
    auto* e = new QDateTimeEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setTimeSpec(Qt::UTC); // see toQDateTime
    e->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
    e->setCalendarPopup(true);
    return e;
}

SetTicks ticksOf(QCheckBox* const (&boxes)[kSetCount]) {
    SetTicks t{};
    for (int k = 0; k < kSetCount; ++k)
        t[static_cast<std::size_t>(k)] = boxes[k]->isChecked();
    return t;
}

} // namespace pinora
