#pragma once

namespace pinora::ui {

// The browser engine refuses to start as root with its sandbox; call before the QApplication
// exists.
void prepareBrowserEngine();

} // namespace pinora::ui
