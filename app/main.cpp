#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>
#include <unistd.h>

int main(int argc, char* argv[]) {
    // The browser engine refuses to start as root with its sandbox.
    if (geteuid() == 0) {
        QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        if (!flags.contains("--no-sandbox")) qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + " --no-sandbox");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Pinora 2"));
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Pinora 2"));
    w.statusBar()->showMessage(QStringLiteral("Waiting for Logon...."));
    w.resize(800, 600);
    w.show();
    return QApplication::exec();
}
