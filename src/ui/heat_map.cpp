#include "ui/heat_map.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "model/speed.h"

namespace korvala::ui {

namespace {

constexpr int kHours = 24;
// Ends of the vehicles scale. Both ends differ enough in lightness that the scale still darkens
// steadily when printed in grey.
const QColor kScaleLight(0xf4, 0xf8, 0xfc);
const QColor kScaleDark(0x08, 0x30, 0x6b);

QColor mix(const QColor& a, const QColor& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QString twoDigits(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

}  // namespace

QColor verdictQColor(Verdict verdict) {
    switch (verdict) {
        case Verdict::Unremarkable:
            return QColor(0x2e, 0x9d, 0x4a);
        case Verdict::SlightlyRaised:
            return QColor(0xf2, 0xc9, 0x1b);
        case Verdict::Remarkable:
            return QColor(0xd3, 0x2f, 0x2f);
        case Verdict::None:
            break;
    }
    return {};
}

QColor textColourOn(const QColor& background) {
    // Relative luminance with the usual weights; the threshold keeps yellow on black text.
    const double y =
        0.2126 * background.redF() + 0.7152 * background.greenF() + 0.0722 * background.blueF();
    return y < 0.45 ? QColor(Qt::white) : QColor(Qt::black);
}

QString weekdayShort(const std::optional<int>& weekday) {
    if (!weekday || *weekday < 0 || *weekday >= static_cast<int>(kWeekdayNames.size())) {
        return {};
    }
    return QString::fromUtf8(kWeekdayNames[static_cast<std::size_t>(*weekday)].data(), 2);
}

// Positions of everything paintOn draws, for one area and font.
struct HeatMap::Geometry {
    QRectF area;
    QRectF grid;  // the cells
    double labelWidth = 0;
    double cellWidth = 0;
    double cellHeight = 0;
    double lineHeight = 0;
    QRectF legend;
    int hourLabelStep = 1;
};

HeatMap::HeatMap(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("heatMap"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void HeatMap::setAnalysis(const Analysis& analysis) {
    rows_.clear();
    rows_.reserve(analysis.days.size());
    maxVehicles_ = 0;
    for (const DayAnalysis& d : analysis.days) {
        rows_.push_back(Row{d.day, d.weekday, d.hours});
        for (const HourCell& c : d.hours) {
            maxVehicles_ = std::max(maxVehicles_, c.vehicles);
        }
    }
    limit_ = analysis.limit;
    updateGeometry();
    update();
}

void HeatMap::setMode(Mode mode) {
    if (mode == mode_) {
        return;
    }
    mode_ = mode;
    update();
    emit modeChanged(mode);
}

std::int64_t HeatMap::cellVehicles(int row, int hour) const {
    return rows_.at(static_cast<std::size_t>(row))
        .hours.at(static_cast<std::size_t>(hour))
        .vehicles;
}

std::optional<double> HeatMap::cellV85(int row, int hour) const {
    return rows_.at(static_cast<std::size_t>(row)).hours.at(static_cast<std::size_t>(hour)).v85;
}

QColor HeatMap::vehiclesColour(std::int64_t vehicles) const {
    if (maxVehicles_ <= 0) {
        return kScaleLight;
    }
    return mix(kScaleLight, kScaleDark,
               static_cast<double>(vehicles) / static_cast<double>(maxVehicles_));
}

QColor HeatMap::cellColour(int row, int hour) const {
    if (mode_ == Mode::Vehicles) {
        return vehiclesColour(cellVehicles(row, hour));
    }
    const std::optional<double> v85 = cellV85(row, hour);
    return v85 ? verdictQColor(verdictFor(v85, limit_)) : noFigureColour();
}

QString HeatMap::cellText(int row, int hour) const {
    if (mode_ == Mode::Vehicles) {
        return QString::number(cellVehicles(row, hour));
    }
    const std::optional<double> v85 = cellV85(row, hour);
    return v85 ? QString::fromStdString(decimalText(*v85)) : QString();
}

QString HeatMap::dayLabel(int row) const {
    const Row& r = rows_.at(static_cast<std::size_t>(row));
    const QString weekday = weekdayShort(r.weekday);
    return weekday.isEmpty() ? QStringLiteral("Tag %1").arg(r.day)
                             : QStringLiteral("Tag %1 %2").arg(r.day).arg(weekday);
}

HeatMap::Geometry HeatMap::layout(const QRectF& area, const QFont& font,
                                  QPaintDevice* device) const {
    const QFontMetricsF fm(font, device);
    Geometry g;
    g.area = area;
    g.lineHeight = fm.height();
    g.labelWidth = fm.horizontalAdvance(QStringLiteral("Tag 7 Mo")) + fm.averageCharWidth();
    for (int r = 0; r < dayCount(); ++r) {
        g.labelWidth =
            std::max(g.labelWidth, fm.horizontalAdvance(dayLabel(r)) + fm.averageCharWidth());
    }
    const double headerHeight = g.lineHeight * 1.3;
    const double legendHeight = g.lineHeight * 2.4;
    const int rows = std::max(dayCount(), 1);
    g.cellWidth = std::max(0.0, (area.width() - g.labelWidth) / kHours);
    // Cells stop growing at a comfortable height; spare room stays below the legend.
    g.cellHeight =
        std::clamp((area.height() - headerHeight - legendHeight) / rows, 0.0, g.lineHeight * 2.0);
    g.grid = QRectF(area.left() + g.labelWidth, area.top() + headerHeight, g.cellWidth * kHours,
                    g.cellHeight * rows);
    g.legend = QRectF(area.left(), g.grid.bottom() + g.lineHeight * 0.4, area.width(),
                      legendHeight - g.lineHeight * 0.4);
    const double hourLabelWidth = fm.horizontalAdvance(QStringLiteral("00")) * 1.2;
    while (g.hourLabelStep < kHours && hourLabelWidth > g.cellWidth * g.hourLabelStep) {
        ++g.hourLabelStep;
    }
    while (kHours % g.hourLabelStep != 0) {
        ++g.hourLabelStep;
    }
    return g;
}

QRectF HeatMap::cellRect(const QRectF& area, int row, int hour, const QFont& font,
                         QPaintDevice* device) const {
    const Geometry g = layout(area, font, device);
    return QRectF(g.grid.left() + hour * g.cellWidth, g.grid.top() + row * g.cellHeight,
                  g.cellWidth, g.cellHeight);
}

void HeatMap::paintOn(QPainter& painter, const QRectF& area) const {
    painter.save();
    const Geometry g = layout(area, painter.font(), painter.device());
    const QFontMetricsF fm(painter.font(), painter.device());
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Black on white whatever the widget palette, so screen and paper look alike.
    painter.setPen(Qt::black);

    for (int h = 0; h < kHours; h += g.hourLabelStep) {
        const QRectF label(g.grid.left() + h * g.cellWidth, area.top(), g.cellWidth,
                           g.grid.top() - area.top());
        painter.drawText(label, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextDontClip,
                         twoDigits(h));
    }

    if (rows_.empty()) {
        painter.drawText(QRectF(g.grid.left(), g.grid.top(), g.grid.width(), g.lineHeight * 2),
                         Qt::AlignCenter, QStringLiteral("Keine Daten"));
        painter.restore();
        return;
    }

    // A small gap between cells keeps neighbours of equal colour apart on paper.
    const double gap = std::max(1.0, std::min(g.cellWidth, g.cellHeight) * 0.1);
    // Cell numbers a little smaller than the labels, so three digits stay apart from the
    // neighbour's.
    QFont cellFont = painter.font();
    if (cellFont.pointSizeF() > 0) {
        cellFont.setPointSizeF(cellFont.pointSizeF() * 0.85);
    } else if (cellFont.pixelSize() > 0) {
        cellFont.setPixelSize(std::max(1, cellFont.pixelSize() * 85 / 100));
    }
    const QFontMetricsF cellMetrics(cellFont, painter.device());
    const QFont labelFont = painter.font();
    for (int r = 0; r < dayCount(); ++r) {
        const double top = g.grid.top() + r * g.cellHeight;
        painter.setPen(Qt::black);
        painter.drawText(
            QRectF(area.left(), top, g.labelWidth - fm.averageCharWidth() * 0.5, g.cellHeight),
            Qt::AlignRight | Qt::AlignVCenter, dayLabel(r));
        for (int h = 0; h < kHours; ++h) {
            const QRectF cell(g.grid.left() + h * g.cellWidth + gap / 2, top + gap / 2,
                              g.cellWidth - gap, g.cellHeight - gap);
            const QColor colour = cellColour(r, h);
            painter.fillRect(cell, colour);
            const QString text = cellText(r, h);
            if (!text.isEmpty() && cellMetrics.horizontalAdvance(text) <= cell.width() &&
                cellMetrics.height() * 0.8 <= cell.height()) {
                painter.setFont(cellFont);
                painter.setPen(textColourOn(colour));
                painter.drawText(cell, Qt::AlignCenter, text);
                painter.setFont(labelFont);
            }
        }
    }
    paintLegend(painter, g);
    painter.restore();
}

void HeatMap::paintLegend(QPainter& painter, const Geometry& g) const {
    const QFontMetricsF fm(painter.font(), painter.device());
    const double swatch = g.lineHeight;
    const double y = g.legend.top() + (g.legend.height() - swatch) / 2;
    double x = g.legend.left();
    painter.setPen(Qt::black);
    auto caption = [&](const QString& text) {
        const double w = fm.horizontalAdvance(text);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x, y, w + 1, swatch), Qt::AlignLeft | Qt::AlignVCenter, text);
        x += w + fm.averageCharWidth() * 2;
    };
    auto box = [&](const QColor& colour) {
        painter.fillRect(QRectF(x, y, swatch * 1.6, swatch), colour);
        painter.setPen(QPen(Qt::black, 0));
        painter.drawRect(QRectF(x, y, swatch * 1.6, swatch));
        x += swatch * 1.6 + fm.averageCharWidth() * 0.6;
    };

    if (mode_ == Mode::Vehicles) {
        caption(QStringLiteral("Fahrzeuge je Stunde:"));
        caption(QStringLiteral("0"));
        x -= fm.averageCharWidth();
        const double width = std::min(g.grid.width() * 0.4, swatch * 14);
        QLinearGradient ramp(x, 0, x + width, 0);
        ramp.setColorAt(0, kScaleLight);
        ramp.setColorAt(1, kScaleDark);
        const QRectF bar(x, y, width, swatch);
        painter.fillRect(bar, ramp);
        painter.setPen(QPen(Qt::black, 0));
        painter.drawRect(bar);
        x += width + fm.averageCharWidth();
        caption(QString::number(maxVehicles_));
        return;
    }
    const QString limit = QString::number(limit_);
    const QString raised = QString::number(limit_ + 5);
    box(verdictQColor(Verdict::Unremarkable));
    caption(QStringLiteral("v85 ≤ %1").arg(limit));
    box(verdictQColor(Verdict::SlightlyRaised));
    caption(QStringLiteral("v85 ≤ %1").arg(raised));
    box(verdictQColor(Verdict::Remarkable));
    caption(QStringLiteral("v85 > %1 km/h").arg(raised));
    box(noFigureColour());
    caption(QStringLiteral("unter %1 Fahrzeugen").arg(kMinVehiclesForCellV85));
}

QSize HeatMap::sizeHint() const {
    const QFontMetricsF fm(font());
    const double cell = fm.horizontalAdvance(QStringLiteral("000")) + fm.averageCharWidth();
    const Geometry g = layout(QRectF(0, 0, 1000, 1000), font(), nullptr);
    const int rows = std::max(dayCount(), 1);
    return QSize(static_cast<int>(std::ceil(g.labelWidth + cell * kHours)),
                 static_cast<int>(std::ceil(fm.height() * (1.3 + 1.6 * rows + 2.4))));
}

QSize HeatMap::minimumSizeHint() const {
    const QFontMetricsF fm(font());
    const int rows = std::max(dayCount(), 1);
    return QSize(static_cast<int>(fm.horizontalAdvance(QStringLiteral("Tag 7 Mo")) * 4),
                 static_cast<int>(std::ceil(fm.height() * (1.3 + 1.2 * rows + 2.4))));
}

void HeatMap::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setFont(font());
    paintOn(painter, QRectF(rect()));
}

}  // namespace korvala::ui
