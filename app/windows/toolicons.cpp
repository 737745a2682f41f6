#include "toolicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pinora {

namespace {
const QColor kInk(40, 40, 40);
const QColor kPaper(250, 250, 245);
const QColor kBlue(40, 90, 170);

void page(QPainter& p, QRectF r) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(r);
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (qreal y = r.top() + 4; y < r.bottom() - 2; y += 3)
        p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
}

void letter(QPainter& p, const QString& text, bool bold, bool italic, bool underline) {
    QFont f(QStringLiteral("Serif"));
    f.setPixelSize(18);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, text);
}

void draw(QPainter& p, ToolPicture picture) {
    switch (picture) {
    case ToolPicture::NewNotice:
        page(p, QRectF(5, 2, 13, 18));
        p.setPen(QPen(QColor(0, 140, 0), 2.5));
        p.drawLine(QPointF(18, 14), QPointF(18, 22));
        p.drawLine(QPointF(14, 18), QPointF(22, 18));
        break;
    case ToolPicture::Browse:
        page(p, QRectF(3, 2, 13, 18));
        p.setPen(QPen(kBlue, 2));
        p.setBrush(QColor(200, 220, 255, 160));
        p.drawEllipse(QPointF(14, 13), 5, 5);
        p.drawLine(QPointF(18, 17), QPointF(22, 21));
        break;
    case ToolPicture::Print:
        page(p, QRectF(7, 2, 10, 8));
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(160, 160, 170));
        p.drawRoundedRect(QRectF(3, 9, 18, 9), 2, 2);
        p.setBrush(kPaper);
        p.drawRect(QRectF(7, 15, 10, 7));
        break;
    case ToolPicture::Preview:
        page(p, QRectF(4, 2, 16, 20));
        p.setPen(QPen(kBlue, 1.5));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(12, 12), 6, 3.5);
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(12, 12), 1.8, 1.8);
        break;
    case ToolPicture::Publish:
        p.setPen(QPen(kBlue, 1.5));
        p.setBrush(QColor(190, 220, 250));
        p.drawEllipse(QPointF(12, 12), 9, 9);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(12, 12), 4, 9);
        p.drawLine(QPointF(3, 12), QPointF(21, 12));
        break;
    case ToolPicture::Cut:
        p.setPen(QPen(kInk, 1.5));
        p.drawLine(QPointF(7, 3), QPointF(15, 16));
        p.drawLine(QPointF(17, 3), QPointF(9, 16));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(7, 19), 3, 3);
        p.drawEllipse(QPointF(17, 19), 3, 3);
        break;
    case ToolPicture::Copy:
        page(p, QRectF(3, 2, 11, 14));
        page(p, QRectF(9, 8, 11, 14));
        break;
    case ToolPicture::Paste:
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(190, 140, 80));
        p.drawRoundedRect(QRectF(3, 4, 14, 18), 2, 2);
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(7, 2, 6, 4));
        page(p, QRectF(10, 9, 11, 13));
        break;
    case ToolPicture::LineBreak: {
        p.setPen(QPen(kInk, 2));
        QPainterPath path;
        path.moveTo(19, 4);
        path.lineTo(19, 14);
        path.lineTo(6, 14);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.setBrush(kInk);
        QPolygonF head;
        head << QPointF(3, 14) << QPointF(9, 10) << QPointF(9, 18);
        p.drawPolygon(head);
        break;
    }
    case ToolPicture::Picture: {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(200, 230, 255));
        p.drawRect(QRectF(2, 4, 20, 16));
        p.setBrush(QColor(60, 150, 60));
        QPolygonF hill;
        hill << QPointF(3, 19) << QPointF(10, 10) << QPointF(15, 15) << QPointF(18, 12)
             << QPointF(21, 19);
        p.drawPolygon(hill);
        p.setBrush(QColor(250, 200, 40));
        p.drawEllipse(QPointF(17, 8), 2, 2);
        break;
    }
    case ToolPicture::Bold:
        letter(p, QStringLiteral("B"), true, false, false);
        break;
    case ToolPicture::Italic:
        letter(p, QStringLiteral("I"), false, true, false);
        break;
    case ToolPicture::Underline:
        letter(p, QStringLiteral("U"), false, false, true);
        break;
    case ToolPicture::Users:
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(120, 160, 220));
        p.drawEllipse(QPointF(9, 8), 4, 4);
        p.drawRoundedRect(QRectF(3, 13, 12, 9), 4, 4);
        p.setBrush(QColor(220, 150, 100));
        p.drawEllipse(QPointF(16, 9), 3.5, 3.5);
        p.drawRoundedRect(QRectF(11, 14, 11, 8), 4, 4);
        break;
    case ToolPicture::Check:
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(230, 230, 230));
        p.drawRect(QRectF(3, 3, 18, 18));
        p.setPen(QPen(QColor(0, 140, 0), 3));
        p.drawLine(QPointF(6, 12), QPointF(10, 17));
        p.drawLine(QPointF(10, 17), QPointF(18, 6));
        break;
    case ToolPicture::Report:
        p.setPen(QPen(kInk, 1));
        p.drawLine(QPointF(3, 21), QPointF(21, 21));
        p.setBrush(QColor(200, 60, 60));
        p.drawRect(QRectF(5, 12, 4, 9));
        p.setBrush(QColor(60, 160, 60));
        p.drawRect(QRectF(10, 6, 4, 15));
        p.setBrush(kBlue);
        p.drawRect(QRectF(15, 9, 4, 12));
        break;
    case ToolPicture::Help: {
        p.setPen(QPen(kBlue, 1.5));
        p.setBrush(QColor(220, 235, 255));
        p.drawEllipse(QPointF(12, 12), 9, 9);
        QFont f;
        f.setPixelSize(14);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case ToolPicture::EditNotice: {
        page(p, QRectF(3, 2, 13, 18));
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(240, 190, 60));
        QPolygonF pencil;
        pencil << QPointF(20, 5) << QPointF(23, 8) << QPointF(12, 19) << QPointF(9, 16);
        p.drawPolygon(pencil);
        p.setBrush(kInk);
        QPolygonF tip;
        tip << QPointF(9, 16) << QPointF(12, 19) << QPointF(8, 20);
        p.drawPolygon(tip);
        break;
    }
    case ToolPicture::DeleteNotice:
        page(p, QRectF(3, 2, 13, 18));
        p.setPen(QPen(QColor(200, 30, 30), 3));
        p.drawLine(QPointF(11, 11), QPointF(21, 21));
        p.drawLine(QPointF(21, 11), QPointF(11, 21));
        break;
    case ToolPicture::Exit: {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(170, 120, 70));
        p.drawRect(QRectF(4, 2, 11, 20));
        p.setBrush(kInk);
        p.drawEllipse(QPointF(12.5, 12), 1, 1);
        p.setPen(QPen(QColor(0, 140, 0), 2.5));
        p.drawLine(QPointF(14, 12), QPointF(22, 12));
        p.drawLine(QPointF(22, 12), QPointF(18.5, 8.5));
        p.drawLine(QPointF(22, 12), QPointF(18.5, 15.5));
        break;
    }
    }
}
} // namespace

QIcon toolIcon(ToolPicture picture) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, picture);
    p.end();
    return QIcon(pm);
}

} // namespace pinora
