#include "logonfrm.h"

#include "users/logon.h"
#include "pictures.h"
#include "ui/accessible.h"
#include "ui/messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace pinora {

Tlogonfrm::Tlogonfrm(Station& station, QWidget* parent) : QDialog(parent), station_(station) {
    setObjectName(QStringLiteral("logonfrm"));
    setWindowTitle(QStringLiteral("Pinora:"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(343, 144);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    setFont(f);

    Image1_ = new QLabel;
    Image1_->setObjectName(QStringLiteral("Image1"));
    Image1_->setPixmap(programPicture(80));
    ui::describePicture(Image1_, QStringLiteral("Pinora 2 logo"));
    Image1_->setAlignment(Qt::AlignCenter);

    username_ = new QLineEdit;
    username_->setObjectName(QStringLiteral("username"));
    password_ = new QLineEdit;
    password_->setObjectName(QStringLiteral("password"));
    password_->setEchoMode(QLineEdit::Password);
    // The style would mask with a dot; the window masks with stars.
    password_->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    BitBtn1_ = new QPushButton(QStringLiteral("Logon"));
    BitBtn1_->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1_->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(ui::labelFor(username_, QStringLiteral("Username")), 0, 0);
    grid->addWidget(username_, 0, 1);
    grid->addWidget(ui::labelFor(password_, QStringLiteral("Password")), 1, 0);
    grid->addWidget(password_, 1, 1);
    grid->addWidget(BitBtn1_, 2, 1, Qt::AlignRight);

    auto* row = new QHBoxLayout(this);
    row->addWidget(Image1_);
    row->addLayout(grid, 1);

    connect(BitBtn1_, &QPushButton::clicked, this, &Tlogonfrm::BitBtn1Click);
}

void Tlogonfrm::startLogon(bool loginSwitchGiven) {
    if (hooks_.mainWindow) hooks_.mainWindow->setEnabled(false);

    const std::string osName = station_.db.config.authUseOsName && !loginSwitchGiven
                                   ? osUserNameForLogon(station_.services())
                                   : std::string();
    const LogonChoice c = chooseLogon(station_.db, loginSwitchGiven, osName);

    switch (c.mode) {
    case LogonMode::FullDialog:
        username_->setEnabled(true);
        username_->clear();
        setWindowModality(Qt::ApplicationModal);
        show();
        return;
    case LogonMode::UnknownUser:
        station_.currentUserName = c.name;
        station_.currentUserSlot = -1;
        if (station_.db.config.signupAllowed && hooks_.showRegistration) {
            hooks_.showRegistration();
            return;
        }
        ui::Messages::information(
            nullptr,
            QStringLiteral("Access to Notice system is denied. Talk to your System Administrator"));
        endProgram(0);
        return;
    case LogonMode::PasswordPrompt:
        station_.currentUserName = c.name;
        station_.currentUserSlot = c.slot;
        username_->setEnabled(false);
        username_->setText(ui::fromRecord(c.name));
        setWindowModality(Qt::NonModal);
        show();
        return;
    case LogonMode::Automatic:
        station_.currentUserName = c.name;
        station_.currentUserSlot = c.slot;
        finishLogon(c.name, station_.db.userPassword(c.slot));
        return;
    }
}

bool Tlogonfrm::finishLogon(const std::string& name, const std::string& password) {
    if (completeLogon(station_, name, password) == -1) {
        ui::Messages::information(
            nullptr, QStringLiteral("Login System Failure. Application will now terminate"));
        endProgram(1);
        return false;
    }
    if (hooks_.mainWindow) {
        hooks_.mainWindow->setEnabled(true);
        hooks_.mainWindow->show();
    }
    QApplication::beep();
    if (hooks_.setupMainWindowForUser) hooks_.setupMainWindowForUser();
    return true;
}

void Tlogonfrm::BitBtn1Click() {
    const std::string name = ui::toRecord(username_->text());
    const std::string password = ui::toRecord(password_->text());
    station_.currentUserSlot = station_.db.authenticateUser(name, password);
    if (station_.currentUserSlot == -1) {
        station_.services().sleeper->sleepMs(1000);
        ui::Messages::information(
            this, QStringLiteral("Your username or password is incorrect, please try again"));
        return;
    }
    station_.currentUserName = name;
    if (!finishLogon(name, password)) return;
    hide();
    if (hooks_.mainWindow) hooks_.mainWindow->setEnabled(true);
}

void Tlogonfrm::showEvent(QShowEvent* e) {
    if (hooks_.mainWindow) hooks_.mainWindow->setEnabled(false);
    if (const QScreen* s = screen()) {
        QRect r = frameGeometry();
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
    QDialog::showEvent(e);
}

void Tlogonfrm::closeEvent(QCloseEvent* e) {
    // Leaving the logon window without logging on leaves the program.
    e->accept();
    if (hooks_.mainWindow) hooks_.mainWindow->close();
    endProgram(0);
}

void Tlogonfrm::reject() {}

void Tlogonfrm::endProgram(int code) {
    hide();
    if (hooks_.endProgram) hooks_.endProgram(code);
}

} // namespace pinora
