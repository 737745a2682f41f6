#include "busy.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>

namespace pinora::ui {

namespace {

bool isUserInput(QEvent::Type t) {
    switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

// Holds back input from every window that was open when the station became busy, and from
// windows such as the lock wait window that are no dialog awaiting an answer. A message box
// that the operation itself opens is the active modal window and still takes its answer.
class InputGate : public QObject {
  public:
    InputGate() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible()) open_.emplace_back(w);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type t = event->type();
        if (t != QEvent::Close && !isUserInput(t)) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || answering(widget->window())) return false;
        if (t == QEvent::Close) {
            if (!widget->isWindow()) return false;
            event->ignore();
        }
        return true;
    }

  private:
    bool answering(QWidget* window) const {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || window != modal) return false;
        for (const QPointer<QWidget>& w : open_)
            if (w == window) return false;
        return true;
    }

    std::vector<QPointer<QWidget>> open_;
};

int depth = 0;
InputGate* gate = nullptr;

} // namespace

StationBusy::StationBusy() {
    if (depth++ == 0 && qApp) {
        gate = new InputGate;
        qApp->installEventFilter(gate);
    }
}

StationBusy::~StationBusy() {
    if (--depth == 0 && gate) {
        if (qApp) qApp->removeEventFilter(gate);
        delete gate;
        gate = nullptr;
    }
}

bool StationBusy::active() {
    return depth > 0;
}

} // namespace pinora::ui
