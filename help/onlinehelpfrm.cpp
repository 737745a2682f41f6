#include "onlinehelpfrm.h"

#include "ui/browserengine.h"
#include "ui/webprint.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <QWindow>

namespace pinora {

namespace {
constexpr int kPicture = 32;

QPixmap blankPicture() {
    QPixmap p(kPicture, kPicture);
    p.fill(Qt::transparent);
    return p;
}

QPixmap arrowPicture(bool pointsLeft) {
    QPixmap p = blankPicture();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(3, 16);
    arrow.lineTo(16, 4);
    arrow.lineTo(16, 11);
    arrow.lineTo(29, 11);
    arrow.lineTo(29, 21);
    arrow.lineTo(16, 21);
    arrow.lineTo(16, 28);
    arrow.closeSubpath();
    if (!pointsLeft) {
        g.translate(kPicture, 0);
        g.scale(-1, 1);
    }
    g.setPen(QPen(QColor(0, 60, 0), 1.5));
    g.setBrush(QColor(80, 220, 80));
    g.drawPath(arrow);
    return p;
}

QPixmap printerPicture() {
    QPixmap p = blankPicture();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(Qt::black, 1.2));
    g.setBrush(Qt::white);
    g.drawRect(QRectF(9, 3, 14, 10)); // paper going in
    g.setBrush(QColor(200, 200, 200));
    g.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2); // body
    g.setBrush(Qt::white);
    g.drawRect(QRectF(8, 20, 16, 9)); // printed sheet
    g.setPen(QPen(Qt::darkGray, 1));
    g.drawLine(QPointF(10, 23.5), QPointF(22, 23.5));
    g.drawLine(QPointF(10, 26), QPointF(19, 26));
    g.setBrush(QColor(0, 170, 0));
    g.setPen(Qt::NoPen);
    g.drawEllipse(QPointF(25, 15.5), 1.5, 1.5);
    return p;
}

QPixmap dismissPicture() {
    QPixmap p = blankPicture();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(90, 0, 0), 1.5));
    g.setBrush(QColor(220, 40, 40));
    g.drawEllipse(QRectF(3, 3, 26, 26));
    g.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    g.drawLine(QPointF(11, 11), QPointF(21, 21));
    g.drawLine(QPointF(21, 11), QPointF(11, 21));
    return p;
}
} // namespace

Tonlinehelpfrm::Tonlinehelpfrm(QString helpFolder, QWidget* parent)
    : HelpTopicViewer(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      folder_(std::move(helpFolder)) {
    setObjectName(QStringLiteral("onlinehelpfrm"));
    setWindowTitle(QStringLiteral("Help Form"));
    resize(261, 513);

    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);

    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName(QStringLiteral("ToolBar1"));
    toolbar_->setMovable(false);
    toolbar_->setIconSize(QSize(kPicture, kPicture));
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // The style's own hover and pressed faces are light: the white captions need blue ones.
    toolbar_->setStyleSheet(QStringLiteral(
        "QToolBar { background: #1040b0; border: none; spacing: 0px; }"
        "QToolButton { color: white; background: transparent; border: 1px solid transparent;"
        " border-radius: 3px; }"
        "QToolButton:hover { background: #2a5fd0; border-color: #8fb0ff; }"
        "QToolButton:pressed { background: #082a78; border-color: #8fb0ff; }"));
    layout_->addWidget(toolbar_);

    connect(addButton(QStringLiteral("ToolButton1"), QStringLiteral("Back"), arrowPicture(true)),
            &QToolButton::clicked, this, &Tonlinehelpfrm::ToolButton1Click);
    connect(
        addButton(QStringLiteral("ToolButton3"), QStringLiteral("Forward"), arrowPicture(false)),
        &QToolButton::clicked, this, &Tonlinehelpfrm::ToolButton3Click);
    connect(addButton(QStringLiteral("ToolButton2"), QStringLiteral("Print"), printerPicture()),
            &QToolButton::clicked, this, &Tonlinehelpfrm::ToolButton2Click);
    connect(
        addButton(QStringLiteral("DisMissReportBtn"), QStringLiteral("Dismiss"), dismissPicture()),
        &QToolButton::clicked, this, &Tonlinehelpfrm::DisMissReportBtnClick);
    layout_->addStretch(1); // until the browser fills the window

    choosePrinter = [this](QPrinter& printer) {
        QPrintDialog dialog(&printer, this);
        return dialog.exec() == QDialog::Accepted;
    };
}

Tonlinehelpfrm::Tonlinehelpfrm(QWidget* parent) : Tonlinehelpfrm(programHelpFolder(), parent) {}

Tonlinehelpfrm::~Tonlinehelpfrm() = default;

QToolButton* Tonlinehelpfrm::addButton(const QString& name, const QString& caption,
                                       const QPixmap& picture) {
    auto* b = new QToolButton(toolbar_);
    b->setObjectName(name);
    b->setText(caption);
    b->setIcon(QIcon(picture));
    b->setIconSize(QSize(kPicture, kPicture));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    b->setFixedSize(62, 58);
    toolbar_->addWidget(b);
    return b;
}

QWebEngineView* Tonlinehelpfrm::web() {
    if (!web_) {
        // Replace the placeholder stretch by the browser.
        delete layout_->takeAt(layout_->count() - 1);
        web_ = new QWebEngineView(this);
        web_->setObjectName(QStringLiteral("web"));
        ui::restrictWebView(web_);
        layout_->addWidget(web_, 1);
    }
    return web_;
}

void Tonlinehelpfrm::showTopic(const QString& topic, QWidget* window) {
    QWidget* asking = window ? window->window() : nullptr;
    if (asking == this) asking = nullptr;
    if (asking) {
        QScreen* s = asking->screen() ? asking->screen() : QGuiApplication::primaryScreen();
        // The own area, not the frame: before the window system has framed the viewer, a
        // frame position would put its title bar above the asking window's.
        setGeometry(helpViewerPlacement(width(), asking->frameGeometry(), asking->geometry(),
                                        s->availableGeometry()));
    }
    web()->setUrl(helpTopicUrl(folder_, topic));
    if (!isVisible()) show();
    // A dialog that asks for help is usually modal; as a transient child of it the viewer
    // stays usable beside it.
    if (asking && windowHandle() && asking->windowHandle())
        windowHandle()->setTransientParent(asking->windowHandle());
    raise();
    activateWindow();
}

void Tonlinehelpfrm::ToolButton1Click() {
    if (web_) web_->back();
}

void Tonlinehelpfrm::ToolButton3Click() {
    if (web_) web_->forward();
}

void Tonlinehelpfrm::ToolButton2Click() {
    if (!web_ || printer_) return; // nothing shown, or a print still running
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!choosePrinter || !choosePrinter(*printer)) return;
    printer_ = std::move(printer);
    printWebView(web_, printer_.get(), [this](bool ok) {
        printer_.reset();
        if (onPrinted) onPrinted(ok);
    });
}

void Tonlinehelpfrm::DisMissReportBtnClick() {
    hide();
}

} // namespace pinora
