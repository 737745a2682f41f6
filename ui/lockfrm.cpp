#include "lockfrm.h"

#include "accessible.h"
#include "busy.h"
#include "messages.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QVBoxLayout>
#include <memory>

namespace pinora {

namespace {
// An hourglass, drawn rather than shipped as a file.
QPixmap hourglass() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 60, 20), 2));
    p.drawLine(6, 3, 26, 3);
    p.drawLine(6, 29, 26, 29);
    QPolygonF glass;
    glass << QPointF(8, 4) << QPointF(24, 4) << QPointF(17, 16) << QPointF(24, 28) << QPointF(8, 28)
          << QPointF(15, 16);
    p.setBrush(QColor(220, 235, 250));
    p.setPen(QPen(QColor(40, 70, 120), 1.5));
    p.drawPolygon(glass);
    p.setBrush(QColor(230, 190, 90));
    p.setPen(Qt::NoPen);
    QPolygonF sand;
    sand << QPointF(11, 27) << QPointF(21, 27) << QPointF(16, 20);
    p.drawPolygon(sand);
    return pm;
}
} // namespace

Tlockfrm::Tlockfrm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("lockfrm"));
    setWindowTitle(QStringLiteral("Please wait..."));
    setModal(false);

    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(hourglass());
    ui::describePicture(image, QStringLiteral("Hourglass: waiting for the database"));
    auto* text = new QLabel(QStringLiteral("Another user is accessing the database, you are "
                                           "queued to access the database."),
                            this);
    text->setObjectName(QStringLiteral("Label1"));
    text->setWordWrap(true);

    auto* group = new QGroupBox(QStringLiteral("Lock Information"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    userinfo_ = new QPlainTextEdit(group);
    userinfo_->setObjectName(QStringLiteral("userinfo"));
    userinfo_->setReadOnly(true);
    userinfo_->setEnabled(false);
    ui::nameAfter(userinfo_, group->title());
    auto* gl = new QVBoxLayout(group);
    gl->addWidget(userinfo_);

    auto* top = new QHBoxLayout;
    top->addWidget(image, 0, Qt::AlignTop);
    top->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(group);
    resize(360, 200);
}

void Tlockfrm::showLockWait(char letter, const LockInfo& info) {
    if (!info.held) return;
    userinfo_->clear();
    userinfo_->appendPlainText(QStringLiteral("DB: ") + QChar::fromLatin1(letter));
    userinfo_->appendPlainText(QStringLiteral("TASK: ") + ui::fromRecord(info.task));
    userinfo_->appendPlainText(QStringLiteral("USER: ") + ui::fromRecord(lockHolderName(info)));
    show();
    raise();
    repaint();
    QApplication::processEvents();
}

void Tlockfrm::hideLockWait() {
    hide();
}

void installLockWaitWindow(Station& station, Tlockfrm& window) {
    QPointer<Tlockfrm> w(&window);
    // The wait lets the window system catch up; nothing else of this station may start then.
    auto busy = std::make_shared<ui::BusySpan>();
    station.db.onLockWait = [w, busy](char letter, const LockInfo& info) {
        busy->begin();
        if (w) w->showLockWait(letter, info);
    };
    station.db.onLockWaitEnd = [w, busy] {
        if (w) w->hideLockWait();
        busy->end();
    };
}

} // namespace pinora
