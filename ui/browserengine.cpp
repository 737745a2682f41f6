#include "browserengine.h"

#include <QByteArray>
#include <QtGlobal>
#include <unistd.h>

namespace pinora::ui {

void prepareBrowserEngine() {
    if (geteuid() != 0) return;
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--no-sandbox"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + " --no-sandbox");
}

} // namespace pinora::ui
