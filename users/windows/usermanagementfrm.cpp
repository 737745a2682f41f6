#include "usermanagementfrm.h"

#include "db/text.h"
#include "ui/accessible.h"
#include "ui/helptopics.h"
#include "ui/messages.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace pinora {

namespace {

QString updateText(UpdateCheck c, int myLevel) {
    switch (c) {
    case UpdateCheck::NoFullName:
        return QStringLiteral("You must specify the users full name");
    case UpdateCheck::BadLevel:
        return QStringLiteral("You must specify a security level between 1 and 200");
    case UpdateCheck::AboveMine:
        return QStringLiteral("You cannot specify a security level higher than yours. Yours is ") +
               QString::number(myLevel);
    case UpdateCheck::BadPostCount:
        return QStringLiteral("Post Count field must be a number");
    case UpdateCheck::NoPassword:
        return QStringLiteral("You must specify a password");
    case UpdateCheck::NotSuperUser:
        return QStringLiteral("Only super users may appoint others to be super users. You are not "
                              "a super user");
    }
    return {};
}

// The refusals of Add; empty for the outcomes that say nothing.
QString addText(UserChange c, const QString& name) {
    switch (c) {
    case UserChange::Full:
        return QStringLiteral("Unfortunately there are too many people in the database at this "
                              "point in time. Please delete another user before trying to add "
                              "one");
    case UserChange::NoName:
        return QStringLiteral("You must specify a login name for your new user");
    case UserChange::FreeMarker:
        return QStringLiteral("[NONE] cannot be used as a login name. Please choose another "
                              "login name");
    case UserChange::TooLong:
        return QStringLiteral("A login name cannot be longer than 15 characters. Please choose a "
                              "shorter login name");
    case UserChange::Taken:
        return QStringLiteral("There is already a user called ") + name +
               QStringLiteral(" in the database. Please choose another login name");
    default:
        return {};
    }
}

} // namespace

TUserManagementFrm::TUserManagementFrm(Station& station, QWidget* parent)
    : QDialog(parent), station_(station) {
    makeUserDialog(this, "UserManagementFrm", QStringLiteral("User Management"));

    auto* users = new QGroupBox(QStringLiteral("Users"));
    users->setObjectName(QStringLiteral("GroupBox1"));
    userlist_ = new QListWidget;
    userlist_->setObjectName(QStringLiteral("userlist"));
    ui::nameAfter(userlist_, users->title());
    auto* usersLay = new QVBoxLayout(users);
    usersLay->addWidget(userlist_);
    // However the entry became current: a click, the arrow keys, typing its first letters.
    connect(userlist_, &QListWidget::currentRowChanged, this, &TUserManagementFrm::userlistClick);

    useroptions_ = new QGroupBox(QStringLiteral("User Options"));
    useroptions_->setObjectName(QStringLiteral("useroptions"));
    name_ = namedEdit("name");
    signature_ = namedEdit("signature");
    password_ = namedEdit("password", true);
    forcepassword_ = namedCheck("forcepassword", QStringLiteral("Mandatory"));
    postcount_ = namedEdit("postcount");
    securitylvl_ = namedEdit("securitylvl");
    allowedit_ = namedCheck("allowedit", QStringLiteral("Allow Edit of other people and their "
                                                        "notices. (At a lower security level)"));
    allowdelete_ = namedCheck("allowdelete",
                              QStringLiteral("Allow Delete of other people and their notices. (At "
                                             "a lower security level)"));
    allowpublish_ =
        namedCheck("allowpublish", QStringLiteral("Allow user to publish to the webserver"));
    adminmenu_ = namedCheck("adminmenu", QStringLiteral("Administrator Menu Access"));
    superuser_ = namedCheck("superuser", QStringLiteral("Super User - Tick this if they should "
                                                        "have unlimited access to everything."));
    extrahelp_ = namedCheck("extrahelp", QStringLiteral("Extra Help "));
    bypassdeadline_ = namedCheck("bypassdeadline", QStringLiteral("Allow user to bypass deadline"));
    bypassmaxday_ =
        namedCheck("bypassmaxday", QStringLiteral("Users notices can bypass Max. Day Limit"));

    auto* fields = new QGridLayout;
    fields->addWidget(ui::labelFor(name_, QStringLiteral("Full Name:")), 0, 0);
    fields->addWidget(name_, 0, 1, 1, 3);
    fields->addWidget(ui::labelFor(signature_, QStringLiteral("Signature:")), 1, 0);
    fields->addWidget(signature_, 1, 1, 1, 3);
    fields->addWidget(ui::labelFor(password_, QStringLiteral("Password:")), 2, 0);
    fields->addWidget(password_, 2, 1);
    fields->addWidget(forcepassword_, 2, 2, 1, 2);
    fields->addWidget(ui::labelFor(postcount_, QStringLiteral("Post Count:")), 3, 0);
    fields->addWidget(postcount_, 3, 1);
    fields->addWidget(ui::labelFor(securitylvl_, QStringLiteral("Security Lvl:")), 4, 0);
    fields->addWidget(securitylvl_, 4, 1);
    fields->addWidget(new QLabel(QStringLiteral("Number between 1-200")), 4, 2, 1, 2);

    auto* deny = new QGroupBox(QStringLiteral("Deny publish to notice set"));
    deny->setObjectName(QStringLiteral("GroupBox3"));
    auto* denyLay = new QGridLayout(deny);
    denyLay->addWidget(wrappedLabel(QStringLiteral("Tick which notices below, that you do not "
                                                   "wish this user to publish to. ")),
                       0, 0, 1, 2);
    for (int k = 0; k < kSetCount; ++k) {
        const QByteArray name = "Set" + QByteArray::number(k + 1);
        sets_[static_cast<std::size_t>(k)] = namedCheck(name.constData(), QString());
        denyLay->addWidget(sets_[static_cast<std::size_t>(k)], 1 + k % 4, k / 4);
    }
    denyLay->setRowStretch(5, 1);

    using F = TUserManagementFrm;
    auto* update = namedButton("BitBtn1", QStringLiteral("Update this user's details"), this,
                               &F::BitBtn1Click);
    auto* remove =
        namedButton("BitBtn2", QStringLiteral("Delete this user "), this, &F::BitBtn2Click);

    auto* rights = new QVBoxLayout;
    for (QCheckBox* c : {allowedit_, allowdelete_, allowpublish_, adminmenu_, superuser_,
                         extrahelp_, bypassdeadline_, bypassmaxday_})
        rights->addWidget(c);
    auto* lower = new QHBoxLayout;
    lower->addLayout(rights, 3);
    lower->addWidget(deny, 2);
    auto* options = new QVBoxLayout(useroptions_);
    options->addLayout(fields);
    options->addLayout(lower);
    options->addLayout(buttonRow({update, remove}, {}));

    auto* left = new QVBoxLayout;
    left->addWidget(users, 1);
    left->addWidget(
        namedButton("BitBtn3", QStringLiteral("Add a new user"), this, &F::BitBtn3Click));
    left->addWidget(
        namedButton("BitBtn4", QStringLiteral("Close User Management"), this, &F::BitBtn4Click));
    left->addWidget(namedButton("BitBtn5", QStringLiteral("Help"), this, &F::BitBtn5Click));

    auto* outer = new QHBoxLayout(this);
    outer->addLayout(left, 1);
    outer->addWidget(useroptions_, 3);
    fixDialogSize(this, 688, 453);
}

void TUserManagementFrm::showEvent(QShowEvent* e) {
    if (!e->spontaneous()) FormShow();
    QDialog::showEvent(e);
}

void TUserManagementFrm::FormShow() {
    // On failure the message is shown and what memory holds is used.
    ui::present(station_.db.loadConfig());
    for (int k = 0; k < kSetCount; ++k) {
        const std::string name = station_.db.config.noticeSets[k].name.str();
        QCheckBox* box = sets_[static_cast<std::size_t>(k)];
        box->setText(ui::fromRecord(name));
        // A hidden box still holds the user's flag, and Update writes it back as read.
        box->setVisible(!name.empty());
    }
    fillList();
}

void TUserManagementFrm::fillList(const ListedUser& select) {
    // On failure the message is shown and what memory holds is used.
    ui::present(station_.db.loadUsers());
    const std::vector<ListedUser> users = userList(station_.db);
    int row = 0;
    for (std::size_t i = 0; i < users.size(); ++i) {
        if (users[i].slot == select.slot && users[i].name == select.name) {
            row = static_cast<int>(i);
            break;
        }
        if (select.slot < 0 && !select.name.empty() && users[i].name == select.name)
            row = static_cast<int>(i);
    }
    {
        const QSignalBlocker quiet(userlist_);
        userlist_->clear();
        for (const ListedUser& u : users) {
            auto* item = new QListWidgetItem(ui::fromRecord(u.name), userlist_);
            item->setData(Qt::UserRole, u.slot);
        }
        if (!users.empty()) userlist_->setCurrentRow(row);
    }
    userlistClick();
}

void TUserManagementFrm::userlistClick() {
    const QListWidgetItem* item = userlist_->currentItem();
    selected_ = item ? ListedUser{item->data(Qt::UserRole).toInt(), ui::toRecord(item->text())}
                     : ListedUser{};
    showDetails();
}

void TUserManagementFrm::showDetails() {
    // On failure the message is shown and what memory holds is used.
    ui::present(station_.db.loadUsers());
    if (!stillListed(station_.db, selected_)) {
        // Nobody to show, or deleted meanwhile: nothing here may be changed.
        useroptions_->setEnabled(false);
        return;
    }
    const int slot = selected_.slot;
    const DetailsAccess a = detailsAccess(station_, selected_);
    useroptions_->setVisible(a.visible);
    useroptions_->setEnabled(a.enabled);

    const UserDetails d = detailsOf(station_.db, slot);
    name_->setText(ui::fromRecord(d.fullName));
    signature_->setText(ui::fromRecord(d.signature));
    password_->setText(ui::fromRecord(d.password));
    forcepassword_->setChecked(d.forcePassword);
    postcount_->setText(QString::fromStdString(d.postCount));
    securitylvl_->setText(QString::fromStdString(d.level));
    allowedit_->setChecked(d.allowEdit);
    allowdelete_->setChecked(d.allowDelete);
    allowpublish_->setChecked(d.allowPublish);
    adminmenu_->setChecked(d.adminMenu);
    superuser_->setChecked(d.superUser);
    extrahelp_->setChecked(d.extraHelp);
    bypassdeadline_->setChecked(d.bypassDeadline);
    bypassmaxday_->setChecked(d.bypassMaxDays);
    for (int k = 0; k < kSetCount; ++k)
        sets_[static_cast<std::size_t>(k)]->setChecked(d.deny[static_cast<std::size_t>(k)]);
}

UserDetails TUserManagementFrm::details() const {
    UserDetails d;
    d.fullName = ui::toRecord(name_->text());
    d.signature = ui::toRecord(signature_->text());
    d.password = ui::toRecord(password_->text());
    d.forcePassword = forcepassword_->isChecked();
    d.postCount = ui::toRecord(postcount_->text());
    d.level = ui::toRecord(securitylvl_->text());
    d.allowEdit = allowedit_->isChecked();
    d.allowDelete = allowdelete_->isChecked();
    d.allowPublish = allowpublish_->isChecked();
    d.adminMenu = adminmenu_->isChecked();
    d.superUser = superuser_->isChecked();
    d.extraHelp = extrahelp_->isChecked();
    d.bypassDeadline = bypassdeadline_->isChecked();
    d.bypassMaxDays = bypassmaxday_->isChecked();
    for (int k = 0; k < kSetCount; ++k)
        d.deny[static_cast<std::size_t>(k)] = sets_[static_cast<std::size_t>(k)]->isChecked();
    return d;
}

void TUserManagementFrm::tellGone() {
    ui::Messages::information(
        this, QStringLiteral("This user is no longer in the database. They may have been deleted "
                             "on another workstation. The list of users will now be refreshed"));
    fillList();
}

void TUserManagementFrm::BitBtn1Click() {
    if (selected_.slot < 0) return;
    const UserDetails d = details();
    const auto failed = checkUpdate(station_, d);
    const int mine = station_.loggedOn() ? station_.currentUser().securityLevel : 0;
    for (const UpdateCheck c : failed)
        ui::Messages::information(this, updateText(c, mine));
    if (!failed.empty()) return;
    const UserChangeResult c = updateUser(station_, selected_, d);
    ui::present(c.result);
    if (c.change == UserChange::Gone) tellGone();
    // Told why; the panel shows the record as the file still holds it.
    if (c.change == UserChange::Failed) showDetails();
}

void TUserManagementFrm::BitBtn2Click() {
    if (selected_.slot < 0) return;
    if (!station_.mayDeleteUserAt(selected_.slot)) {
        ui::Messages::information(this,
                                  QStringLiteral("You are not allowed to delete other users"));
        return;
    }
    if (!ui::Messages::question(this, QStringLiteral("Delete this user"),
                                QStringLiteral("Are you sure?")))
        return;
    const UserChangeResult c = deleteUser(station_, selected_);
    ui::present(c.result);
    switch (c.change) {
    case UserChange::Gone:
        tellGone();
        return;
    case UserChange::Ok:
        fillList();
        return;
    default:
        fillList(selected_); // told why; the list as the file still holds it
        return;
    }
}

void TUserManagementFrm::BitBtn3Click() {
    const auto typed = ui::Messages::input(this, QStringLiteral("Add a new user"),
                                           QStringLiteral("Enter a login name for your new user"));
    if (!typed) return;
    const std::string name = ui::toRecord(*typed);
    const UserChangeResult c = addUser(station_, name);
    ui::present(c.result);
    if (c.change == UserChange::Ok) {
        fillList(ListedUser{-1, name});
        return;
    }
    const QString refusal = addText(c.change, *typed);
    if (!refusal.isEmpty()) ui::Messages::information(this, refusal);
}

void TUserManagementFrm::BitBtn4Click() {
    accept();
}

void TUserManagementFrm::BitBtn5Click() {
    showHelpTopic(QStringLiteral("userman.htm"), this);
}

} // namespace pinora
