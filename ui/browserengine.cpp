#include "browserengine.h"

#include <QByteArray>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QtGlobal>
#include <unistd.h>

namespace pinora::ui {

void prepareBrowserEngine() {
    if (geteuid() != 0) return;
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--no-sandbox"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + " --no-sandbox");
}

void restrictWebView(QWebEngineView* view) {
    QWebEngineSettings* s = view->page()->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    // Pictures in MSG and the logo beside the page are file addresses, and the engine shows
    // none of them without this; with script off nothing can read a file through it.
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    s->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
}

} // namespace pinora::ui
