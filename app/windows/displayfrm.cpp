#include "displayfrm.h"

#include "db/datetime.h"
#include "ui/browserengine.h"

#include <QApplication>
#include <cstdio>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <unistd.h>

namespace pinora {

TDisplayfrm::TDisplayfrm(Database& db, const QString& setName, QWidget* parent)
    : QWidget(parent), db_(db),
      pageFolder_(QDir::tempPath() + QStringLiteral("/pinora-display-XXXXXX")) {
    setObjectName(QStringLiteral("displayfrm"));
    setWindowTitle(QStringLiteral("Pinora 2 - ") + setName);
    setAttribute(Qt::WA_DeleteOnClose, false);
    page_ = std::make_unique<DisplayPage>(
        db_, setName.toStdString(),
        (pageFolder_.path() + QStringLiteral("/display.htm")).toStdString());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    web_ = new QWebEngineView(this);
    ui::restrictWebView(web_);
    web_->setObjectName(QStringLiteral("webbrowser"));
    web_->setContextMenuPolicy(Qt::NoContextMenu);
    layout->addWidget(web_, 1);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    status_->setStyleSheet(QStringLiteral("background: #fff3c4; color: #000; padding: 4px"));
    status_->hide();
    layout->addWidget(status_);

    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    quit->setContext(Qt::ApplicationShortcut);
    connect(quit, &QShortcut::activated, this, &QWidget::close);

    watcher_ = new QFileSystemWatcher(this);
    settle_ = new QTimer(this);
    settle_->setObjectName(QStringLiteral("settle"));
    settle_->setSingleShot(true);
    settle_->setInterval(kSettleMs);
    connect(settle_, &QTimer::timeout, this, &TDisplayfrm::look);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, settle_, qOverload<>(&QTimer::start));
    connect(watcher_, &QFileSystemWatcher::fileChanged, settle_, qOverload<>(&QTimer::start));
    every_ = new QTimer(this);
    every_->setObjectName(QStringLiteral("every"));
    every_->setInterval(kLookEveryMs);
    connect(every_, &QTimer::timeout, this, &TDisplayfrm::look);
    every_->start();
    midnight_ = new QTimer(this);
    midnight_->setObjectName(QStringLiteral("midnight"));
    midnight_->setSingleShot(true);
    connect(midnight_, &QTimer::timeout, this, &TDisplayfrm::look);

    if (!pageFolder_.isValid())
        status_->setText(QStringLiteral("No folder for the page could be made in ") +
                         QDir::tempPath() + QStringLiteral(": ") + pageFolder_.errorString());
    look();
}

QString TDisplayfrm::pagePath() const {
    return QString::fromStdString(page_->pagePath());
}

void TDisplayfrm::look() {
    settle_->stop();
    const DisplayPage::Look l = page_->look();
    for (const std::string& m : l.loaded.messages())
        std::fprintf(stderr, "%s\n", m.c_str());
    if (l.changed) {
        // A new URL each time: the same one would be served from the browser's cache.
        shownUrl_ = QUrl::fromLocalFile(pagePath());
        shownUrl_.setQuery(QStringLiteral("n=") + QString::number(++pagesShown_));
        web_->load(shownUrl_);
    }
    status_->setText(QString::fromStdString(l.error));
    status_->setVisible(!l.error.empty());
    watchFolder();
    aimAtMidnight();
}

// Watches go when their folder does; they are laid again after each look.
void TDisplayfrm::watchFolder() {
    const QString folder = QString::fromStdString(db_.folder());
    QStringList wanted;
    for (const QString& p : {folder, folder + QStringLiteral("/MSG"),
                             folder + QStringLiteral("/CONFIG.DB"),
                             folder + QStringLiteral("/NOTICE.DB")})
        if (QFileInfo::exists(p)) wanted << QDir::cleanPath(p);
    const QStringList watched = watcher_->files() + watcher_->directories();
    for (const QString& p : wanted)
        if (!watched.contains(p)) watcher_->addPath(p);
}

void TDisplayfrm::aimAtMidnight() {
    const TDateTime now = db_.services().clock->now();
    const double msLeft = (dateOf(now) + 1 - now) * 86400000.0;
    // A second past midnight, so that the clock has surely turned.
    const double ms = std::isfinite(msLeft) ? std::clamp(msLeft + 1000.0, 1000.0, 86401000.0)
                                            : 86401000.0;
    midnight_->start(static_cast<int>(ms));
}

namespace {

int quitPipe[2] = {-1, -1};

void askToQuit(int) {
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(quitPipe[1], &byte, 1);
}

// A screen stopped by its session or by a service manager still takes its page folder with it.
void quitOnSignals(QObject* owner) {
    if (::pipe(quitPipe) != 0) return;
    auto* notifier = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
    struct sigaction sa {};
    sa.sa_handler = askToQuit;
    sigemptyset(&sa.sa_mask);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

} // namespace

int runDisplay(const std::string& folder, const QString& setName) {
    Services services = Services::real();
    Database db(folder, services);
    TDisplayfrm screen(db, setName);
    quitOnSignals(&screen);
    QApplication::setQuitOnLastWindowClosed(true);
    // A kiosk often runs with no window manager to carry out the full-screen state.
    if (const QScreen* where = QGuiApplication::primaryScreen())
        screen.setGeometry(where->geometry());
    screen.showFullScreen();
    return QApplication::exec();
}

} // namespace pinora
