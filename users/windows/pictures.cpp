#include "pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace pinora {

QPixmap programPicture(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    // Cork board in a wooden frame.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8b, 0x5a, 0x2b));
    p.drawRoundedRect(QRectF(s * 0.04, s * 0.10, s * 0.92, s * 0.80), s * 0.06, s * 0.06);
    p.setBrush(QColor(0xd9, 0xa8, 0x6c));
    p.drawRect(QRectF(s * 0.10, s * 0.16, s * 0.80, s * 0.68));

    // Two sheets, one tilted.
    p.save();
    p.translate(s * 0.36, s * 0.50);
    p.rotate(-8);
    p.setBrush(QColor(0xff, 0xf6, 0xb0));
    p.drawRect(QRectF(-s * 0.20, -s * 0.26, s * 0.40, s * 0.50));
    p.restore();

    p.setBrush(Qt::white);
    const QRectF sheet(s * 0.46, s * 0.22, s * 0.36, s * 0.52);
    p.drawRect(sheet);
    p.setPen(QPen(QColor(0x1f, 0x3a, 0x93), qMax(1.0, s / 40)));
    for (int i = 0; i < 5; ++i) {
        const qreal y = sheet.top() + s * 0.12 + i * s * 0.07;
        const qreal right = i == 4 ? sheet.left() + sheet.width() * 0.55 : sheet.right() - s * 0.05;
        p.drawLine(QPointF(sheet.left() + s * 0.05, y), QPointF(right, y));
    }

    // Pins.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd0, 0x20, 0x20));
    p.drawEllipse(QPointF(sheet.center().x(), sheet.top() + s * 0.03), s * 0.045, s * 0.045);
    p.setBrush(QColor(0x20, 0x60, 0xd0));
    p.drawEllipse(QPointF(s * 0.33, s * 0.27), s * 0.04, s * 0.04);
    return pm;
}

QPixmap bannerPicture(int width, int height) {
    QPixmap pm(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, width, 0);
    g.setColorAt(0, QColor(0x0b, 0x1f, 0x6b));
    g.setColorAt(1, QColor(0x3a, 0x7b, 0xd5));
    p.fillRect(pm.rect(), g);

    // A few pale stripes, like sheets on a board.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 40));
    for (int x = width / 2, i = 0; x < width; x += height, ++i) {
        QPainterPath path;
        path.addRect(QRectF(x, height * 0.2, height * 0.6, height * 0.6));
        p.save();
        p.translate(height * 0.3, 0);
        p.rotate(i % 2 ? 4 : -4);
        p.drawPath(path);
        p.restore();
    }

    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(qMax(8, height * 11 / 20));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(height * 0.4, 0, width, height), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("Daily Notices"));
    return pm;
}

} // namespace pinora
