#include "pageprint.h"

#include "ui/browserengine.h"
#include "ui/webprint.h"

#include <QFileInfo>
#include <QPrinter>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace pinora {

namespace {
// The page's frame is as high as the window, so the copyright line under it would always
// start a second sheet. For print the frame leaves room for what follows it; a page with more
// notices than a sheet holds still runs on over several.
const char* const kFitToSheet = R"((function () {
  const frame = Array.from(document.getElementsByTagName('table'))
                     .find(t => t.getAttribute('height') === '100%');
  if (!frame) return;
  document.body.style.margin = '0';
  const rest = document.body.scrollHeight - frame.offsetHeight;
  frame.style.height = 'calc(100vh - ' + (rest + 4) + 'px)';
})();)";

class PrintJob : public QObject {
  public:
    PrintJob(std::unique_ptr<QPrinter> printer, std::function<void(bool)> done)
        : printer_(std::move(printer)), done_(std::move(done)), view_(new QWebEngineView) {
        ui::restrictWebView(view_);
    }
    ~PrintJob() override { delete view_; }

    void start(const QString& path) {
        QObject::connect(view_, &QWebEngineView::loadFinished, this, [this](bool ok) {
            if (started_) return;
            started_ = true;
            if (!ok) return finish(false);
            // The page's own scripts are off; the program's runs in a world of its own.
            view_->page()->runJavaScript(QString::fromLatin1(kFitToSheet),
                                         QWebEngineScript::ApplicationWorld,
                                         [this](const QVariant&) {
                                             printWebView(view_, printer_.get(), [this](bool printed) {
                                                 finish(printed);
                                             });
                                         });
        });
        view_->setUrl(QUrl::fromLocalFile(path));
    }

  private:
    void finish(bool ok) {
        if (done_) done_(ok);
        deleteLater();
    }

    std::unique_ptr<QPrinter> printer_;
    std::function<void(bool)> done_;
    QWebEngineView* view_;
    bool started_ = false;
};
} // namespace

void printPageFile(const QString& path, std::unique_ptr<QPrinter> printer,
                   std::function<void(bool)> done) {
    if (!QFileInfo::exists(path)) {
        if (done) done(false);
        return;
    }
    auto* job = new PrintJob(std::move(printer), std::move(done));
    job->start(path);
}

} // namespace pinora
