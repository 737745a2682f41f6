#include "helpviewer.h"

namespace pinora {

namespace {
Tonlinehelpfrm* g_viewer = nullptr;
QString g_lastTopic;
} // namespace

void setHelpViewer(Tonlinehelpfrm* viewer) { g_viewer = viewer; }

void showHelpTopic(const QString& topic, QWidget* /*window*/) {
    g_lastTopic = topic;
    // The viewer window comes with the help pages.
    (void)g_viewer;
}

QString lastHelpTopic() { return g_lastTopic; }

} // namespace pinora
