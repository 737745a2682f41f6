#include "autoregconfigfrm.h"

#include "users/registration.h"
#include "ui/accessible.h"
#include "ui/helptopics.h"
#include "ui/messages.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace pinora {

Tautoregconfigfrm::Tautoregconfigfrm(Station& station, QWidget* parent)
    : QDialog(parent), station_(station) {
    makeUserDialog(this, "autoregconfigfrm",
                   QStringLiteral("Automatic User Registration: Default Security Levels"));

    auto* group = new QGroupBox(QStringLiteral("Default User Options"));
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto* intro = wrappedLabel(QStringLiteral(
        "When a user load notices for the first time, they will automatically be given these "
        "rights below. You can change a user's rights later in the user managment section. "));
    forcepassword_ = namedCheck("forcepassword", QStringLiteral("Force user to enter password"));
    allowpublish_ = namedCheck(
        "allowpublish", QStringLiteral("User is allowed to publish notices to the webserver."));
    allowedit_ =
        namedCheck("allowedit", QStringLiteral("User can edit another user or their notice."));
    allowdelete_ =
        namedCheck("allowdelete", QStringLiteral("User can delete another user or their notice."));
    adminmenu_ =
        namedCheck("adminmenu", QStringLiteral("User is allowed to access administration options"));
    securitylvl_ = namedEdit("securitylvl");
    securitylvl_->setMaximumWidth(80);

    auto* level = new QHBoxLayout;
    level->addWidget(ui::labelFor(securitylvl_, QStringLiteral("Security Level")));
    level->addWidget(securitylvl_);
    level->addWidget(new QLabel(QStringLiteral("Enter a number between 1 - 200")));
    level->addStretch();
    auto* lay = new QVBoxLayout(group);
    lay->addWidget(intro);
    for (QCheckBox* c : {forcepassword_, allowpublish_, allowedit_, allowdelete_, adminmenu_})
        lay->addWidget(c);
    lay->addLayout(level);

    using F = Tautoregconfigfrm;
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(group, 1);
    outer->addLayout(buttonRow(
        {namedButton("BitBtn1", QStringLiteral("Save Settings"), this, &F::BitBtn1Click),
         namedButton("BitBtn2", QStringLiteral("Cancel Changes"), this, &F::BitBtn2Click)},
        {namedButton("BitBtn3", QStringLiteral("Help"), this, &F::BitBtn3Click)}));
    fixDialogSize(this, 669, 296);
}

void Tautoregconfigfrm::showEvent(QShowEvent* e) {
    if (!e->spontaneous()) FormShow();
    QDialog::showEvent(e);
}

void Tautoregconfigfrm::FormShow() {
    // On failure the message is shown and what memory holds is used.
    ui::present(station_.db.loadConfig());
    const DefaultRights d = defaultRightsOf(station_.db.config);
    forcepassword_->setChecked(d.forcePassword);
    allowpublish_->setChecked(d.allowPublish);
    allowedit_->setChecked(d.allowEdit);
    allowdelete_->setChecked(d.allowDelete);
    adminmenu_->setChecked(d.adminMenu);
    securitylvl_->setText(QString::fromStdString(d.level));
}

void Tautoregconfigfrm::BitBtn1Click() {
    DefaultRights d;
    d.forcePassword = forcepassword_->isChecked();
    d.allowPublish = allowpublish_->isChecked();
    d.allowEdit = allowedit_->isChecked();
    d.allowDelete = allowdelete_->isChecked();
    d.adminMenu = adminmenu_->isChecked();
    d.level = ui::toRecord(securitylvl_->text());
    const Result saved = saveDefaultRights(station_.db, d);
    if (saved == Result::Declined) {
        ui::Messages::information(
            this, QStringLiteral("Security Level must be a number between 1 and 200"));
        return;
    }
    // A failure has said why; the window stays open.
    if (ui::present(saved)) accept();
}

void Tautoregconfigfrm::BitBtn2Click() {
    reject();
}

void Tautoregconfigfrm::BitBtn3Click() {
    showHelpTopic(QStringLiteral("autoregs.htm"), this);
}

} // namespace pinora
