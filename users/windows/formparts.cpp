#include "formparts.h"

#include "ui/messages.h"

#include <QCheckBox>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

namespace pinora {

void makeUserDialog(QDialog* d, const char* name, const QString& caption) {
    d->setObjectName(QString::fromLatin1(name));
    d->setWindowTitle(caption);
    d->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                      Qt::MSWindowsFixedSizeDialogHint);
    d->setAutoFillBackground(true);
    QPalette pal = d->palette();
    pal.setColor(QPalette::Window, Qt::white);
    d->setPalette(pal);
}

void fixDialogSize(QDialog* d, int width, int height) {
    const QSize need = d->layout() ? d->layout()->minimumSize() : QSize();
    d->setFixedSize(std::max(width, need.width()), std::max(height, need.height()));
}

QLabel* wrappedLabel(const QString& text) {
    auto* l = new QLabel(text);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    return l;
}

bool focusFirstField(QWidget* page) {
    for (QLineEdit* e : page->findChildren<QLineEdit*>()) {
        if (e->isVisibleTo(page) && e->isEnabled() && !e->isReadOnly()) {
            e->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return false;
}

QLineEdit* namedEdit(const char* name, bool masked) {
    auto* e = new QLineEdit;
    e->setObjectName(QString::fromLatin1(name));
    if (masked) {
        e->setEchoMode(QLineEdit::Password);
        // The style would mask with a dot; the program masks with stars.
        e->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    }
    return e;
}

QCheckBox* namedCheck(const char* name, const QString& caption) {
    auto* c = new QCheckBox(caption);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

QPushButton* namedButton(const char* name, const QString& caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> left,
                       std::initializer_list<QPushButton*> right) {
    auto* row = new QHBoxLayout;
    for (QPushButton* b : left)
        row->addWidget(b);
    row->addStretch();
    for (QPushButton* b : right)
        row->addWidget(b);
    return row;
}

void PersonalFields::addTo(QFormLayout* form) {
    fullname = namedEdit("fullname");
    signature = namedEdit("signature");
    signature->setToolTip(QStringLiteral("What do you want to appear at the bottom of your "
                                         "notice? This similar to an E-Mail signature."));
    password1 = namedEdit("password1", true);
    password2 = namedEdit("password2", true);
    extrahelp = namedCheck("extrahelp",
                           QStringLiteral("Check this box, if you need extra help in doing tasks"));
    form->addRow(QStringLiteral("What is your full name?"), fullname);
    form->addRow(QStringLiteral("Signature Name or Code"), signature);
    form->addRow(QStringLiteral("Enter a password:"), password1);
    form->addRow(QStringLiteral("Confirm that password:"), password2);
    form->addRow(QString(), extrahelp);
}

PersonalEntries PersonalFields::entries() const {
    PersonalEntries e;
    e.fullName = ui::toRecord(fullname->text());
    e.signature = ui::toRecord(signature->text());
    e.password1 = ui::toRecord(password1->text());
    e.password2 = ui::toRecord(password2->text());
    e.extraHelp = extrahelp->isChecked();
    return e;
}

void PersonalFields::fill(const PersonalEntries& e) {
    fullname->setText(ui::fromRecord(e.fullName));
    signature->setText(ui::fromRecord(e.signature));
    password1->setText(ui::fromRecord(e.password1));
    password2->setText(ui::fromRecord(e.password2));
    extrahelp->setChecked(e.extraHelp);
}

} // namespace pinora
