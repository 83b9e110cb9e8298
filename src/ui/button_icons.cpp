#include "ui/button_icons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <utility>

namespace korvala::ui {

namespace {

class PaintedIconEngine final : public QIconEngine {
  public:
    PaintedIconEngine(int grid, IconDrawing draw) : grid_(grid), draw_(std::move(draw)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const qreal ratio =
            painter->device() != nullptr ? painter->device()->devicePixelRatioF() : qreal(1);
        painter->drawPixmap(rect, render(rect.size() * ratio, mode, ratio));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        return render(size, mode, 1);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
        // Until 6.8 QIcon asks for the size in device pixels already.
        return render(size, mode, scale);
#else
        return render(QSize(qRound(size.width() * scale), qRound(size.height() * scale)), mode,
                      scale);
#endif
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        return size;
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        // Scalable; the usual sizes for window systems that ask for a list.
        return {QSize(16, 16), QSize(22, 22), QSize(24, 24),   QSize(32, 32),
                QSize(48, 48), QSize(64, 64), QSize(128, 128), QSize(256, 256)};
    }

    QString key() const override {
        return QStringLiteral("korvala-painted");
    }
    QIconEngine* clone() const override {
        return new PaintedIconEngine(grid_, draw_);
    }

  private:
    // A picture of `pixels` device pixels, shown at `ratio` device pixels per point.
    QPixmap render(const QSize& pixels, QIcon::Mode mode, qreal ratio) const {
        if (pixels.isEmpty()) {
            return {};
        }
        QPixmap pm(pixels);
        pm.fill(Qt::transparent);
        {
            QPainter p(&pm);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            // Square picture, centred in a rectangle that is not square.
            const int side = std::min(pixels.width(), pixels.height());
            p.translate((pixels.width() - side) / 2.0, (pixels.height() - side) / 2.0);
            p.scale(side / qreal(grid_), side / qreal(grid_));
            draw_(p, side);
        }
        pm.setDevicePixelRatio(ratio);
        if (mode != QIcon::Normal && qobject_cast<QApplication*>(QCoreApplication::instance())) {
            // Greyed out (or highlighted) the way the style does it for every other icon.
            QStyleOption option;
            option.palette = QApplication::palette();
            QPixmap styled = QApplication::style()->generatedIconPixmap(mode, pm, &option);
            if (!styled.isNull()) {
                styled.setDevicePixelRatio(ratio);
                return styled;
            }
        }
        return pm;
    }

    int grid_;
    IconDrawing draw_;
};

// Drawn on a 32 x 32 grid.
void drawButton(QPainter& p, ButtonPicture picture) {
    const QColor ink(40, 40, 40);
    const QColor blue(52, 101, 164), orange(245, 121, 0), green(78, 154, 6);
    switch (picture) {
        case ButtonPicture::Bar:
            p.setPen(QPen(ink, 1.5));
            p.drawLine(QPointF(4, 28), QPointF(29, 28));
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
            p.drawLine(QPointF(4, 28), QPointF(29, 28));
            p.drawLine(QPointF(4, 4), QPointF(4, 28));
            QPainterPath path(QPointF(6, 24));
            path.lineTo(12, 14);
            path.lineTo(18, 19);
            path.lineTo(27, 7);
            p.setPen(QPen(blue, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
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
            p.drawLine(QPointF(12, 24), QPointF(20, 24));
            p.drawLine(QPointF(12, 27), QPointF(18, 27));
            break;
    }
}

// The picture of packaging/korvala.svg on its 256 x 256 grid: a speed dial from green to red
// with a needle, and "km/h" below it where there are pixels enough to read it.
void drawApplicationIcon(QPainter& p, int devicePixels) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x4e, 0x79));
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 36, 36);
    // The arc of radius 80 around (128, 176); angles in Qt's sixteenths of a degree,
    // counter-clockwise from three o'clock.
    const QRectF dial(48, 96, 160, 160);
    const auto arc = [&](const QColor& colour, double from, double to) {
        p.setPen(QPen(colour, 14, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(dial, qRound(from * 16), qRound((to - from) * 16));
    };
    // The coloured parts end towards (96, 108) and (160, 108), 64.8 degrees above the horizon.
    const double side = qRadiansToDegrees(std::atan2(68.0, 32.0));
    arc(Qt::white, 0, 180);
    arc(QColor(0x4c, 0xaf, 0x50), 180 - side, 180);
    arc(QColor(0xe5, 0x39, 0x35), 0, side);
    const QColor amber(0xff, 0xc1, 0x07);
    p.setPen(QPen(amber, 10, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(128, 176), QPointF(178, 112));
    p.setPen(Qt::NoPen);
    p.setBrush(amber);
    p.drawEllipse(QPointF(128, 176), 14, 14);
    if (devicePixels >= 48) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(34);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(8, 194, 240, 44), Qt::AlignCenter, QStringLiteral("km/h"));
    }
}

}  // namespace

QIcon paintedIcon(int grid, IconDrawing draw) {
    return QIcon(new PaintedIconEngine(grid, std::move(draw)));
}

QIcon buttonIcon(ButtonPicture picture) {
    return paintedIcon(32, [picture](QPainter& p, int) { drawButton(p, picture); });
}

QIcon applicationIcon() {
    return paintedIcon(256, drawApplicationIcon);
}

}  // namespace korvala::ui
