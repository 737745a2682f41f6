#include "mainfrm.h"

#include <QStatusBar>

namespace pinora {

Tmainfrm::Tmainfrm(Station& station, AppWindows& windows, QWidget* parent)
    : QMainWindow(parent), station_(station), windows_(windows) {
    setObjectName(QStringLiteral("mainfrm"));
    setWindowTitle(QStringLiteral("Pinora 2"));
    statusBar()->showMessage(QStringLiteral("Waiting for Logon...."));
    resize(800, 600);
}

void Tmainfrm::setupMainWindowForUser() {
    statusBar()->showMessage(QStringLiteral("Current User: ") +
                             QString::fromStdString(station_.currentUserName));
}

} // namespace pinora
