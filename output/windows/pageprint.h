// Printing a notice page file through the browser engine.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QPrinter;

namespace pinora {

// Loads the page file in a browser of its own (never shown), prints it to printer and then
// calls done(ok): false when the page could not be loaded or printed. Returns at once; the
// job keeps printer until it has finished.
void printPageFile(const QString& path, std::unique_ptr<QPrinter> printer,
                   std::function<void(bool)> done);

} // namespace pinora
