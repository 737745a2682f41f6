#include "webprint.h"

#include <QPrinter>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace pinora {

void printWebView(QWebEngineView* view, QPrinter* printer, std::function<void(bool)> done) {
    if (printer->outputFormat() == QPrinter::PdfFormat && !printer->outputFileName().isEmpty()) {
        QObject::connect(
            view->page(), &QWebEnginePage::pdfPrintingFinished, view,
            [done](const QString&, bool ok) {
                if (done) done(ok);
            },
            Qt::SingleShotConnection);
        view->page()->printToPdf(printer->outputFileName(), printer->pageLayout(),
                                 printer->pageRanges());
        return;
    }
    QObject::connect(
        view, &QWebEngineView::printFinished, view,
        [done](bool ok) {
            if (done) done(ok);
        },
        Qt::SingleShotConnection);
    view->print(printer);
}

} // namespace pinora
