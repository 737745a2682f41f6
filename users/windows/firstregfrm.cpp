#include "firstregfrm.h"

#include "users/logon.h"
#include "pictures.h"
#include "ui/accessible.h"
#include "ui/helptopics.h"
#include "ui/messages.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace pinora {

namespace {

QString registrationText(RegistrationCheck c) {
    switch (c) {
    case RegistrationCheck::NoFullName:
        return QStringLiteral("You must specify your full name");
    case RegistrationCheck::NoSignature:
        return QStringLiteral("You must specify a signature. A signature is a line of text that "
                              "appears after your notice entry in notices.");
    case RegistrationCheck::NoPassword:
        return QStringLiteral("You must specify a password.");
    case RegistrationCheck::NoConfirmation:
        return QStringLiteral("You must confirm your password.");
    case RegistrationCheck::Mismatch:
        return QStringLiteral("The password field and confirm password field do not match. Make "
                              "sure they both have the same password to continue.");
    }
    return {};
}

} // namespace

Tfirstregfrm::Tfirstregfrm(Station& station, QWidget* parent) : QDialog(parent), station_(station) {
    makeUserDialog(this, "firstregfrm", QStringLiteral("Registration: "));
    setWindowFlag(Qt::WindowStaysOnTopHint);

    auto* picture = new QLabel;
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(programPicture(80));
    ui::describePicture(picture, QStringLiteral("Pinora 2 logo"));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    auto* intro = wrappedLabel(QStringLiteral(
        "Welcome, new user. This is the first time you have opened Pinora 2.0. Please take a "
        "moment to fill out this form to help me identify you better."));
    intro->setObjectName(QStringLiteral("Label1"));

    auto* form = new QFormLayout;
    fields_.addTo(form);

    BitBtn1_ =
        namedButton("BitBtn1", QStringLiteral("Continue"), this, &Tfirstregfrm::BitBtn1Click);
    BitBtn1_->setDefault(true);
    BitBtn3_ = namedButton("BitBtn3", QStringLiteral("Help"), this, &Tfirstregfrm::BitBtn3Click);
    auto* buttons = buttonRow({BitBtn3_}, {BitBtn1_});
    auto* right = new QVBoxLayout;
    right->addWidget(intro);
    right->addLayout(form);
    right->addStretch();
    right->addLayout(buttons);
    auto* outer = new QHBoxLayout(this);
    outer->addWidget(picture);
    outer->addLayout(right, 1);
    fixDialogSize(this, 493, 344);
}

void Tfirstregfrm::showEvent(QShowEvent* e) {
    if (!e->spontaneous()) FormShow();
    QDialog::showEvent(e);
}

void Tfirstregfrm::FormShow() {
    if (mainWindow) mainWindow->setEnabled(false);
    setWindowTitle(QStringLiteral("Registration: ") +
                   ui::fromRecord(osUserNameForLogon(station_.services())));
    focusFirstField(this);
}

void Tfirstregfrm::BitBtn1Click() {
    Database& db = station_.db;
    // On failure the message is shown and what memory holds is used.
    ui::present(db.loadConfig());
    const PersonalEntries e = fields_.entries();
    const auto failed = checkRegistration(e);
    for (const RegistrationCheck c : failed)
        ui::Messages::information(this, registrationText(c));
    if (!failed.empty()) return;

    const std::string osName = osUserNameForLogon(station_.services());
    if (db.config.signupAskName) {
        // The answer is only asked for: the user is stored under the system name, by which
        // the next start-up finds them.
        const auto answer = ui::Messages::input(this, QStringLiteral("Username"),
                                                QStringLiteral("Please enter your username"), false,
                                                ui::fromRecord(osName));
        if (!answer || answer->isEmpty()) {
            ui::Messages::information(
                this, QStringLiteral("You must specify a username in order to continue"));
            return;
        }
    }

    const Registration r = registerUser(station_, osName, e);
    ui::present(r.result);
    if (r.status == RegistrationStatus::Full) {
        ui::Messages::information(
            this, QStringLiteral("The Pinora cannot fit anymore users in its database. This is an "
                                 "error with the system, and not yourself. Please contact your "
                                 "Pinora System Administrator to fix the problem"));
        return;
    }
    if (r.status != RegistrationStatus::Ok) return; // its result has said why
    registered_ = true;
    hide();
    if (finishLogon) finishLogon(r.storedName, r.storedPassword);
}

void Tfirstregfrm::BitBtn3Click() {
    // The window stands apart from the disabled main window, which owns the viewer.
    if (HelpTopicViewer* v = helpViewerFor(mainWindow))
        v->showTopic(QStringLiteral("firstreg.htm"), this);
}

void Tfirstregfrm::reject() {}

void Tfirstregfrm::closeEvent(QCloseEvent* e) {
    e->accept();
    if (registered_) return;
    if (mainWindow) mainWindow->close();
    if (onClose) onClose();
}

} // namespace pinora
