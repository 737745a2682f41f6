// Printing what a browser view shows, for the help viewer and the notice preview.
#pragma once

#include <functional>

class QPrinter;
class QWebEngineView;

namespace pinora {

// Prints the page view shows to printer; done(ok) is called when the job has finished.
// Printing to a PDF file goes straight through the browser engine, which keeps the text as
// text; any other printer gets the pages as the engine draws them. printer must stay alive
// until done is called.
void printWebView(QWebEngineView* view, QPrinter* printer, std::function<void(bool)> done);

} // namespace pinora
