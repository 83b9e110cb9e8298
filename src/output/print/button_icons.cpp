#include "output/print/button_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace korvala {

namespace {

// Drawn on a 32 x 32 grid; the icon scales the pixmap for other sizes.
QPixmap draw(ButtonPicture picture) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(40, 40, 40);
    const QColor blue(52, 101, 164), orange(245, 121, 0), green(78, 154, 6);
    switch (picture) {
        case ButtonPicture::Bar:
            p.setPen(QPen(ink, 1.5));
            p.drawLine(4, 28, 29, 28);
            p.fillRect(QRectF(6, 16, 5, 12), blue);
            p.fillRect(QRectF(13, 8, 5, 20), orange);
            p.fillRect(QRectF(20, 12, 5, 16), green);
            break;
        case ButtonPicture::Pie: {
            const QRectF disc(4, 4, 24, 24);
            p.setPen(QPen(Qt::white, 1));
            p.setBrush(blue);
            p.drawPie(disc, 90 * 16, 150 * 16);
            p.setBrush(orange);
            p.drawPie(disc, 240 * 16, 130 * 16);
            p.setBrush(green);
            p.drawPie(disc, 10 * 16, 80 * 16);
            break;
        }
        case ButtonPicture::Line: {
            p.setPen(QPen(ink, 1.5));
            p.drawLine(4, 28, 29, 28);
            p.drawLine(4, 4, 4, 28);
            QPainterPath path(QPointF(6, 24));
            path.lineTo(12, 14);
            path.lineTo(18, 19);
            path.lineTo(27, 7);
            p.setPen(QPen(blue, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(path);
            break;
        }
        case ButtonPicture::Print:
            p.setPen(QPen(ink, 1.5));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(9, 3, 14, 10));  // paper going in
            p.setBrush(QColor(180, 180, 180));
            p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(9, 20, 14, 9));  // paper coming out
            p.drawLine(12, 24, 20, 24);
            p.drawLine(12, 27, 18, 27);
            break;
    }
    return pixmap;
}

}  // namespace

QIcon buttonIcon(ButtonPicture picture) {
    return QIcon(draw(picture));
}

}  // namespace korvala
