// Help topics open in the program's help viewer. The viewer is found among the windows that
// own the asking window, so two stations in one process each reach their own.
#pragma once

#include <QString>
#include <QWidget>

namespace pinora {

// The viewer side of showHelpTopic; the help viewer derives from it.
class HelpTopicViewer : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    // Moves beside window, loads the topic and shows the viewer (not modally).
    virtual void showTopic(const QString& topic, QWidget* window) = 0;
};

// The viewer that is a child of window or of one of the windows that own it; null if none.
HelpTopicViewer* helpViewerFor(QWidget* window);

// Opens topic (e.g. "create.htm") beside window. Returns at once; without a viewer nothing
// happens.
void showHelpTopic(const QString& topic, QWidget* window);

} // namespace pinora
