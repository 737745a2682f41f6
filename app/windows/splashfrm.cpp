#include "splashfrm.h"

#include "ui/accessible.h"
#include "users/windows/pictures.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

namespace pinora {

Tsplashfrm::Tsplashfrm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("splashfrm"));
    setWindowTitle(QStringLiteral("Splash"));
    setFixedSize(367, 214);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80));
    setPalette(pal);
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    setFont(f);

    Image2_ = new QLabel(this);
    Image2_->setObjectName(QStringLiteral("Image2"));
    Image2_->setGeometry(0, 0, 367, 40);
    Image2_->setPixmap(bannerPicture(367, 40));
    ui::describePicture(Image2_, QStringLiteral("Pinora 2 banner"));

    Image1_ = new QLabel(this);
    Image1_->setObjectName(QStringLiteral("Image1"));
    Image1_->setGeometry(16, 56, 112, 112);
    Image1_->setPixmap(programPicture(112));
    ui::describePicture(Image1_, QStringLiteral("Pinora 2 logo"));

    Label1_ = new QLabel(QStringLiteral("Pinora 2"), this);
    Label1_->setObjectName(QStringLiteral("Label1"));
    QFont big = f;
    big.setPixelSize(34);
    Label1_->setFont(big);
    Label1_->setGeometry(144, 72, 210, 48);

    pb1_ = new QProgressBar(this);
    pb1_->setObjectName(QStringLiteral("pb1"));
    pb1_->setRange(0, 30);
    pb1_->setValue(0);
    pb1_->setTextVisible(false);
    pb1_->setGeometry(144, 132, 206, 16);

    versiontxt_ = new QLabel(this);
    versiontxt_->setObjectName(QStringLiteral("versiontxt"));
    versiontxt_->setAlignment(Qt::AlignCenter);
    versiontxt_->setGeometry(0, 186, 367, 22);
}

void Tsplashfrm::splashStep() {
    pb1_->setValue(qMin(pb1_->maximum(), pb1_->value() + 1));
    repaint();
    QApplication::processEvents();
}

void Tsplashfrm::showEvent(QShowEvent* e) {
    pb1_->setValue(0);
    if (const QScreen* s = screen()) {
        QRect r = geometry();
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
    QWidget::showEvent(e);
}

} // namespace pinora
