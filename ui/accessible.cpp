#include "accessible.h"

#include <QLabel>
#include <QToolButton>

namespace pinora::ui {

QString captionWords(const QString& caption) {
    QString words;
    words.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        // "&&" stands for one ampersand; a single one only marks the next letter.
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) words += caption[++i];
            continue;
        }
        words += caption[i];
    }
    words = words.trimmed();
    if (words.endsWith(QLatin1Char(':'))) words.chop(1);
    return words.trimmed();
}

QLabel* labelFor(QWidget* control, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(control);
    return label;
}

void nameAfter(QWidget* control, const QString& caption) {
    control->setAccessibleName(captionWords(caption));
}

void nameIconButton(QToolButton* button, const QString& name) {
    const QString words = name.isEmpty() ? button->toolTip() : name;
    button->setAccessibleName(captionWords(words));
}

void describePicture(QLabel* picture, const QString& what) {
    picture->setAccessibleName(what);
    picture->setAccessibleDescription(what);
}

} // namespace pinora::ui
