#include "output/windows/webserverconfigfrm.h"

#include "ui/messages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace pinora {

namespace {

QLineEdit* labelledEdit(QWidget* parent, QGridLayout* grid, int row, const QString& name,
                        const QString& label) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    auto* caption = new QLabel(label, parent);
    caption->setObjectName(name + QStringLiteral("Label"));
    caption->setBuddy(edit);
    grid->addWidget(caption, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

Twebserverconfigfrm::Twebserverconfigfrm(Station& station, QWidget* parent)
    : QDialog(parent), station_(station) {
    setObjectName(QStringLiteral("webserverconfigfrm"));
    setWindowTitle(QStringLiteral("Publish HTML Options: WebServer Config"));

    group_ = new QGroupBox(QStringLiteral("FTP Upload Options"), this);
    group_->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(group_);
    ftpserv_ =
        labelledEdit(group_, grid, 0, QStringLiteral("ftpserv"), QStringLiteral("FTP Server"));
    port_ = labelledEdit(group_, grid, 1, QStringLiteral("port"), QStringLiteral("Port"));
    pasvftp_ = new QCheckBox(QStringLiteral("Passive FTP"), group_);
    pasvftp_->setObjectName(QStringLiteral("pasvftp"));
    grid->addWidget(pasvftp_, 2, 1);
    user_ = labelledEdit(group_, grid, 3, QStringLiteral("user"), QStringLiteral("Username"));
    pass_ = labelledEdit(group_, grid, 4, QStringLiteral("pass"), QStringLiteral("Password"));
    pass_->setEchoMode(QLineEdit::Password);
    pass_->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // shown as '*'
    uploaddir_ = labelledEdit(group_, grid, 5, QStringLiteral("uploaddir"),
                              QStringLiteral("Directory to upload to on remote server"));
    ftpserv_->setMinimumWidth(260);

    save_ = button(this, QStringLiteral("BitBtn1"), QStringLiteral("Save "));
    cancel_ = button(this, QStringLiteral("BitBtn2"), QStringLiteral("Cancel Changes"));
    help_ = button(this, QStringLiteral("BitBtn5"), QStringLiteral("Help"));
    connect(save_, &QPushButton::clicked, this, &Twebserverconfigfrm::BitBtn1Click);
    connect(cancel_, &QPushButton::clicked, this, &Twebserverconfigfrm::BitBtn2Click);
    connect(help_, &QPushButton::clicked, this, &Twebserverconfigfrm::BitBtn5Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save_);
    buttons->addWidget(cancel_);
    buttons->addStretch();
    buttons->addWidget(help_);
    auto* main = new QVBoxLayout(this);
    main->addWidget(group_);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize); // a fixed dialog border
}

void Twebserverconfigfrm::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void Twebserverconfigfrm::FormShow() {
    Database& db = station_.db;
    // On failure the message is shown and the record in memory is used.
    ui::present(db.loadConfig());
    const ConfigRecord& c = db.config;
    ftpserv_->setText(ui::fromRecord(c.ftpServer.str()));
    port_->setText(QString::number(c.ftpPort));
    pasvftp_->setChecked(c.ftpPassive);
    user_->setText(ui::fromRecord(c.ftpUser.str()));
    pass_->setText(ui::fromRecord(c.ftpPassword.str()));
    uploaddir_->setText(ui::fromRecord(c.ftpUploadDir.str()));
}

int Twebserverconfigfrm::portFromText(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 10) return 0;
    for (const QChar ch : t)
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) return 0;
    const qlonglong n = t.toLongLong();
    return n >= 1 && n <= 65535 ? static_cast<int>(n) : 0;
}

void Twebserverconfigfrm::BitBtn1Click() {
    const int port = portFromText(port_->text());
    if (port == 0) {
        ui::Messages::information(
            this, QStringLiteral("When Specifying an FTP port it must be a number between 1 "
                                 "and 65535"));
        return;
    }
    const bool saved = ui::present(station_.db.changeConfig([&] {
        ConfigRecord& c = station_.db.config;
        c.ftpServer = ui::toRecord(ftpserv_->text());
        c.ftpPort = static_cast<std::uint16_t>(port);
        c.ftpPassive = pasvftp_->isChecked();
        c.ftpUser = ui::toRecord(user_->text());
        c.ftpPassword = ui::toRecord(pass_->text());
        c.ftpUploadDir = ui::toRecord(uploaddir_->text());
        return true;
    }));
    if (saved) accept(); // else the message is shown and the dialog stays open
}

void Twebserverconfigfrm::BitBtn2Click() {
    reject();
}

void Twebserverconfigfrm::BitBtn5Click() {
    if (onHelp) onHelp(QStringLiteral("webconf.htm"), this);
}

} // namespace pinora
