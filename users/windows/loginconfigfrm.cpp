#include "ui/messages.h"
#include "loginconfigfrm.h"

#include "formparts.h"
#include "users/loginconfig.h"
#include "ui/helptopics.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace pinora {

namespace {

// A group of three exclusive choices; the box is named after the group, each choice after
// the group and its index (authuser0, ...).
QButtonGroup* choices(QWidget* owner, QVBoxLayout* into, const char* name, const QString& caption,
                      const QStringList& items) {
    auto* box = new QGroupBox(caption);
    box->setObjectName(QString::fromLatin1(name));
    auto* lay = new QVBoxLayout(box);
    auto* group = new QButtonGroup(owner);
    for (int i = 0; i < items.size(); ++i) {
        auto* r = new QRadioButton(items[i]);
        r->setObjectName(QString::fromLatin1(name) + QString::number(i));
        group->addButton(r, i);
        lay->addWidget(r);
    }
    into->addWidget(box);
    return group;
}

void select(QButtonGroup* group, int choice) {
    if (QAbstractButton* b = group->button(choice)) b->setChecked(true);
}

} // namespace

Tloginconfigfrm::Tloginconfigfrm(Station& station, QWidget* parent)
    : QDialog(parent), station_(station) {
    makeUserDialog(this, "loginconfigfrm", QStringLiteral("Login Configuration"));
    auto* groups = new QVBoxLayout;
    authuser_ = choices(this, groups, "authuser", QStringLiteral("Authenticate Users"),
                        {QStringLiteral("Automatically via windows"),
                         QStringLiteral("Get username from windows but prompt for password"),
                         QStringLiteral("Prompt for both username and password")});
    newuser_ = choices(
        this, groups, "newuser", QStringLiteral("New Users - Automatic Signup process"),
        {QStringLiteral("Get username from windows"), QStringLiteral("Ask new user for username"),
         QStringLiteral("Do not allow new users to sign up. ")});

    using F = Tloginconfigfrm;
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(groups, 1);
    outer->addLayout(buttonRow(
        {namedButton("BitBtn1", QStringLiteral("Save "), this, &F::BitBtn1Click),
         namedButton("BitBtn2", QStringLiteral("Cancel Changes"), this, &F::BitBtn2Click)},
        {namedButton("BitBtn3", QStringLiteral("Help"), this, &F::BitBtn3Click)}));
    fixDialogSize(this, 488, 227);
}

void Tloginconfigfrm::showEvent(QShowEvent* e) {
    if (!e->spontaneous()) FormShow();
    QDialog::showEvent(e);
}

void Tloginconfigfrm::FormShow() {
    // On failure the message is shown and what memory holds is used.
    ui::present(station_.db.loadConfig());
    select(authuser_, authChoice(station_.db.config));
    select(newuser_, newUserChoice(station_.db.config));
}

void Tloginconfigfrm::BitBtn1Click() {
    if (ui::present(saveLoginConfig(station_.db, authuser_->checkedId(), newuser_->checkedId())))
        accept();
}

void Tloginconfigfrm::BitBtn2Click() {
    reject();
}

void Tloginconfigfrm::BitBtn3Click() {
    showHelpTopic(QStringLiteral("logincfg.htm"), this);
}

} // namespace pinora
