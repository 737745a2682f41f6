#include "pageprint.h"

#include "ui/webprint.h"

#include <QFileInfo>
#include <QPrinter>
#include <QUrl>
#include <QWebEngineView>

namespace pinora {

namespace {
class PrintJob : public QObject {
  public:
    PrintJob(std::unique_ptr<QPrinter> printer, std::function<void(bool)> done)
        : printer_(std::move(printer)), done_(std::move(done)), view_(new QWebEngineView) {}
    ~PrintJob() override { delete view_; }

    void start(const QString& path) {
        QObject::connect(view_, &QWebEngineView::loadFinished, this, [this](bool ok) {
            if (started_) return;
            started_ = true;
            if (!ok) return finish(false);
            printWebView(view_, printer_.get(), [this](bool printed) { finish(printed); });
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
