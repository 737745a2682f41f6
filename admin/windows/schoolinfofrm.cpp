#include "schoolinfofrm.h"

#include "db/station.h"
#include "ui/helptopics.h"
#include "ui/messages.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace pinora {

Tschoolinfofrm::Tschoolinfofrm(Station& station, QWidget* parent)
    : QDialog(parent), station_(station) {
    setObjectName(QStringLiteral("schoolinfofrm"));
    setWindowTitle(QStringLiteral("School Information"));
    setStyleSheet(QStringLiteral("QDialog#schoolinfofrm { background-color: white; }"));
    setFixedSize(423, 219);

    auto* top = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("This is your school information. If you wish do not "
                                            "wish to edit it, click Cancel, or make changes and "
                                            "click SAVE."),
                             this);
    intro->setWordWrap(true);
    top->addWidget(intro);
    auto* form = new QFormLayout;
    top->addLayout(form);
    schoolname_ = new QLineEdit(this);
    schoolname_->setObjectName(QStringLiteral("schoolname"));
    schoolcopyright_ = new QLineEdit(this);
    schoolcopyright_->setObjectName(QStringLiteral("schoolcopyright"));
    form->addRow(QStringLiteral("School Name:"), schoolname_);
    form->addRow(QStringLiteral("School Copyright Text:"), schoolcopyright_);
    top->addStretch(1);

    auto* buttons = new QHBoxLayout;
    top->addLayout(buttons);
    buttons->addStretch(1);
    const auto button = [this, buttons](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    connect(button("BitBtn1", "Save"), &QPushButton::clicked, this, &Tschoolinfofrm::BitBtn1Click);
    // Esc closes a dialog by rejecting it: that is what Cancel does too.
    connect(button("Cancel", "Cancel"), &QPushButton::clicked, this, &Tschoolinfofrm::CancelClick);
    connect(button("BitBtn5", "Help"), &QPushButton::clicked, this, &Tschoolinfofrm::BitBtn5Click);
}

void Tschoolinfofrm::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void Tschoolinfofrm::FormShow() {
    // On failure the message is shown and what memory holds is used.
    ui::present(station_.db.loadConfig());
    schoolname_->setText(ui::fromRecord(station_.db.config.schoolName.str()));
    schoolcopyright_->setText(ui::fromRecord(station_.db.config.schoolCopyright.str()));
}

void Tschoolinfofrm::BitBtn1Click() {
    if (schoolname_->text().isEmpty()) {
        ui::Messages::information(
            this, QStringLiteral("Your school name must be mentioned for notices to work"));
        return;
    }
    const bool saved = ui::present(station_.db.changeConfig([this] {
        station_.db.config.schoolName = ui::toRecord(schoolname_->text());
        station_.db.config.schoolCopyright = ui::toRecord(schoolcopyright_->text());
        return true;
    }));
    if (saved) accept();
}

void Tschoolinfofrm::CancelClick() {
    reject();
}

void Tschoolinfofrm::BitBtn5Click() {
    showHelpTopic(QStringLiteral("schinfo.htm"), this);
}

} // namespace pinora
