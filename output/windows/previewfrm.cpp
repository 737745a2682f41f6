#include "previewfrm.h"

#include "ui/browserengine.h"

#include <QCloseEvent>
#include <QFile>
#include <QHideEvent>
#include <QKeySequence>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace pinora {

TPreviewFrm::TPreviewFrm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PreviewFrm"));
    setWindowTitle(QStringLiteral("Notice Preview"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    resize(800, 600);
    // The page takes the keyboard, so Escape would never reach the dialog on its own.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QDialog::reject);
}

QWebEngineView* TPreviewFrm::webbrowser() {
    if (!web_) {
        web_ = new QWebEngineView(this);
        web_->setObjectName(QStringLiteral("webbrowser"));
        ui::restrictWebView(web_);
        layout_->addWidget(web_);
    }
    return web_;
}

int TPreviewFrm::showPage(const QString& pagePath) {
    pagePath_ = pagePath;
    webbrowser()->setUrl(QUrl::fromLocalFile(pagePath));
    return exec();
}

void TPreviewFrm::deletePage() {
    if (pagePath_.isEmpty()) return;
    QFile::remove(pagePath_);
    pagePath_.clear();
}

void TPreviewFrm::FormHide() {
    deletePage();
}

void TPreviewFrm::FormClose() {
    deletePage();
}

void TPreviewFrm::hideEvent(QHideEvent* event) {
    // Minimising the window is not the end of the preview.
    if (!event->spontaneous()) FormHide();
    QDialog::hideEvent(event);
}

void TPreviewFrm::closeEvent(QCloseEvent* event) {
    FormClose();
    QDialog::closeEvent(event);
}

} // namespace pinora
