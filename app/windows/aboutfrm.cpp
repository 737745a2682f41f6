#include "aboutfrm.h"

#include "app/windows/startup.h"
#include "ui/helptopics.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace pinora {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    auto* top = new QVBoxLayout(this);
    top->setSizeConstraint(QLayout::SetFixedSize);
    top->setSpacing(10);
    top->setContentsMargins(24, 20, 24, 16);

    const auto label = [this, top](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setAlignment(Qt::AlignCenter);
        top->addWidget(l);
        return l;
    };
    QLabel* title = label("ProductName", QStringLiteral("Pinora 2"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    title->setFont(big);
    label("Version", QStringLiteral("Version: ") + QString::fromLatin1(programVersion));
    label("Comments", QStringLiteral("The school's daily notices, written, scheduled and "
                                     "published by its staff."));
    label("Copyright", QStringLiteral("Made by the Pinora 2 developers."));
    QLabel* link = label("HelpLink", QStringLiteral("<a href=\"main.htm\">Instructions for "
                                                   "using Pinora 2</a>"));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(link, &QLabel::linkActivated, this,
            [this](const QString& topic) { showHelpTopic(topic, this); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    top->addWidget(buttons);
}

} // namespace pinora
