#pragma once

class QWebEngineView;

namespace pinora::ui {

// The browser engine refuses to start as root with its sandbox; call before the QApplication
// exists.
void prepareBrowserEngine();

// For every view that shows a page: the page runs no script of its own (the program's own, run
// in the application's world, still does), opens no window, keeps nothing in local storage and
// reads no remote address from a local page; it still shows its pictures.
void restrictWebView(QWebEngineView* view);

} // namespace pinora::ui
