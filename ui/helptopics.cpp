#include "helptopics.h"

namespace pinora {

HelpTopicViewer* helpViewerFor(QWidget* window) {
    for (QWidget* w = window; w; w = w->parentWidget()) {
        if (auto* v = qobject_cast<HelpTopicViewer*>(w)) return v;
        if (auto* v = w->findChild<HelpTopicViewer*>(QString(), Qt::FindDirectChildrenOnly))
            return v;
    }
    return nullptr;
}

void showHelpTopic(const QString& topic, QWidget* window) {
    if (HelpTopicViewer* v = helpViewerFor(window)) v->showTopic(topic, window);
}

} // namespace pinora
