#include "userinfofrm.h"

#include "ui/helptopics.h"
#include "ui/messages.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace pinora {

namespace {

QString infoText(MyInformationCheck c) {
    switch (c) {
    case MyInformationCheck::NoFullName:
        return QStringLiteral("You must specify your full name");
    case MyInformationCheck::NoSignature:
        return QStringLiteral("You must specify a signature. A signature appears at the bottom of "
                              "your notice entries.");
    case MyInformationCheck::Mismatch:
        return QStringLiteral("Your passwords do not match");
    case MyInformationCheck::NoPassword:
        return QStringLiteral("You must specify a password");
    }
    return {};
}

} // namespace

TUserInfofrm::TUserInfofrm(Station& station, QWidget* parent) : QDialog(parent), station_(station) {
    makeUserDialog(this, "UserInfofrm", QStringLiteral("User Information"));
    auto* intro = wrappedLabel(QStringLiteral(
        "Below are all the details of your account. If you don't want to change antyhing, click "
        "cancel. If you want to change something edit the appropriate field and then click "
        "SAVE."));
    auto* form = new QFormLayout;
    fields_.addTo(form);

    using I = TUserInfofrm;
    auto* save = namedButton("BitBtn1", QStringLiteral("Save"), this, &I::BitBtn1Click);
    save->setDefault(true);
    auto* buttons =
        buttonRow({namedButton("BitBtn5", QStringLiteral("Help"), this, &I::BitBtn5Click)},
                  {save, namedButton("BitBtn2", QStringLiteral("Cancel"), this, &I::BitBtn2Click)});
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(intro);
    outer->addLayout(form);
    outer->addStretch();
    outer->addLayout(buttons);
    fixDialogSize(this, 504, 294);
}

void TUserInfofrm::showEvent(QShowEvent* e) {
    if (!e->spontaneous()) FormShow();
    QDialog::showEvent(e);
}

void TUserInfofrm::FormShow() {
    // On failure the message is shown and what memory holds is used.
    ui::present(station_.db.loadUsers());
    fields_.fill(myInformation(station_));
    focusFirstField(this);
}

void TUserInfofrm::BitBtn1Click() {
    const PersonalEntries e = fields_.entries();
    const auto failed = checkMyInformation(e);
    for (const MyInformationCheck c : failed)
        ui::Messages::information(this, infoText(c));
    if (!failed.empty()) return;
    if (setBusy) setBusy(true);
    const UserChangeResult saved = saveMyInformation(station_, e);
    ui::present(saved.result);
    if (setBusy) setBusy(false);
    if (saved.change == UserChange::Ok) {
        accept();
        return;
    }
    if (saved.change == UserChange::Gone)
        ui::Messages::information(
            this, QStringLiteral("Your account is no longer in the database. It may have been "
                                 "deleted on another workstation. Nothing was saved"));
    // A failed save has said why; the window stays so that nothing typed is lost.
}

void TUserInfofrm::BitBtn2Click() {
    reject();
}

void TUserInfofrm::BitBtn5Click() {
    showHelpTopic(QStringLiteral("userinfo.htm"), this);
}

} // namespace pinora
