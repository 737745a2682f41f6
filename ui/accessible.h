// What a screen reader says for controls and pictures that carry no words of their own.
#pragma once

#include <QString>

class QLabel;
class QToolButton;
class QWidget;

namespace pinora::ui {

// The words a caption says aloud: "&Find:" reads "Find".
QString captionWords(const QString& caption);

// A label with text that stands for control and names it; parent as control's, for Qt reads a
// buddy only among the control's siblings.
QLabel* labelFor(QWidget* control, const QString& text, QWidget* parent = nullptr);
// Names control after caption where no label beside it can be its buddy (Qt reads a buddy
// only among the control's siblings).
void nameAfter(QWidget* control, const QString& caption);
// An icon-only tool button reads its hint; one without a hint reads name.
void nameIconButton(QToolButton* button, const QString& name = {});
// A picture reads what it shows.
void describePicture(QLabel* picture, const QString& what);

} // namespace pinora::ui
