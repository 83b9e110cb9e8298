#include "output/report/heat_map_painter.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "output/figure_text.h"
#include "output/report/figure_qt.h"

namespace korvala {

namespace {

constexpr int kHours = 24;
// Ends of the vehicles scale: blue, so no shade reads as a verdict, and both ends differ enough
// in lightness that the scale still darkens steadily when printed in grey.
const QColor kScaleLight(0xf4, 0xf8, 0xfc);
const QColor kScaleDark(0x08, 0x30, 0x6b);
// Header above the grid and legend below it, in lines of the label font.
constexpr double kHeaderLines = 1.3;
constexpr double kLegendLines = 2.4;

QColor mix(const QColor& a, const QColor& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QColor noFigureColour() {
    return verdictQColor(Verdict::None);
}

}  // namespace

// Positions of everything paint() draws, for one area and font.
struct HeatMapPainter::Geometry {
    QRectF area;
    QRectF grid;  // the cells
    double labelWidth = 0;
    double cellWidth = 0;
    double cellHeight = 0;
    double lineHeight = 0;
    QRectF legend;
    int hourLabelStep = 1;
};

void HeatMapPainter::setAnalysis(const Analysis& analysis) {
    rows_.clear();
    rows_.reserve(analysis.days.size());
    maxVehicles_ = 0;
    for (const DayAnalysis& d : analysis.days) {
        rows_.push_back(Row{d.day, d.weekday, d.hours});
        for (const HourCell& c : d.hours)
            maxVehicles_ = std::max(maxVehicles_, c.vehicles);
    }
    limit_ = analysis.limit;
}

std::int64_t HeatMapPainter::cellVehicles(int row, int hour) const {
    return rows_.at(static_cast<std::size_t>(row))
        .hours.at(static_cast<std::size_t>(hour))
        .vehicles;
}

std::optional<double> HeatMapPainter::cellV85(int row, int hour) const {
    return rows_.at(static_cast<std::size_t>(row)).hours.at(static_cast<std::size_t>(hour)).v85;
}

QColor HeatMapPainter::vehiclesColour(std::int64_t vehicles) const {
    if (maxVehicles_ <= 0)
        return kScaleLight;
    return mix(kScaleLight, kScaleDark,
               static_cast<double>(vehicles) / static_cast<double>(maxVehicles_));
}

QColor HeatMapPainter::cellColour(int row, int hour) const {
    if (mode_ == HeatMapMode::Vehicles)
        return vehiclesColour(cellVehicles(row, hour));
    return verdictQColor(verdictFor(cellV85(row, hour), limit_));
}

QString HeatMapPainter::cellText(int row, int hour) const {
    if (mode_ == HeatMapMode::Vehicles)
        return QString::number(cellVehicles(row, hour));
    // A thin hour stays a plain grey cell: the legend says why it has no figure.
    const std::optional<double> v85 = cellV85(row, hour);
    return v85 ? qText(speedText(v85)) : QString();
}

QString HeatMapPainter::dayLabel(int row) const {
    const Row& r = rows_.at(static_cast<std::size_t>(row));
    const QString day = QStringLiteral("Tag %1").arg(r.day);
    return r.weekday ? day + QLatin1Char(' ') + qText(weekdayShortText(r.weekday)) : day;
}

HeatMapPainter::Geometry HeatMapPainter::layout(const QRectF& area, const QFont& font,
                                                QPaintDevice* device) const {
    const QFontMetricsF fm(font, device);
    Geometry g;
    g.area = area;
    g.lineHeight = fm.height();
    g.labelWidth = fm.horizontalAdvance(QStringLiteral("Tag 7 Mo")) + fm.averageCharWidth();
    for (int r = 0; r < dayCount(); ++r)
        g.labelWidth =
            std::max(g.labelWidth, fm.horizontalAdvance(dayLabel(r)) + fm.averageCharWidth());
    const double headerHeight = g.lineHeight * kHeaderLines;
    const double legendHeight = g.lineHeight * kLegendLines;
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
    while (g.hourLabelStep < kHours && hourLabelWidth > g.cellWidth * g.hourLabelStep)
        ++g.hourLabelStep;
    while (kHours % g.hourLabelStep != 0)
        ++g.hourLabelStep;
    return g;
}

QRectF HeatMapPainter::cellRect(const QRectF& area, int row, int hour, const QFont& font,
                                QPaintDevice* device) const {
    const Geometry g = layout(area, font, device);
    return QRectF(g.grid.left() + hour * g.cellWidth, g.grid.top() + row * g.cellHeight,
                  g.cellWidth, g.cellHeight);
}

QSize HeatMapPainter::sizeHint(const QFont& font) const {
    const QFontMetricsF fm(font);
    const double cell = fm.horizontalAdvance(QStringLiteral("000")) + fm.averageCharWidth();
    const Geometry g = layout(QRectF(0, 0, 1000, 1000), font, nullptr);
    const int rows = std::max(dayCount(), 1);
    return QSize(
        static_cast<int>(std::ceil(g.labelWidth + cell * kHours)),
        static_cast<int>(std::ceil(fm.height() * (kHeaderLines + 1.6 * rows + kLegendLines))));
}

QSize HeatMapPainter::minimumSizeHint(const QFont& font) const {
    const QFontMetricsF fm(font);
    const int rows = std::max(dayCount(), 1);
    return QSize(
        static_cast<int>(fm.horizontalAdvance(QStringLiteral("Tag 7 Mo")) * 4),
        static_cast<int>(std::ceil(fm.height() * (kHeaderLines + 1.2 * rows + kLegendLines))));
}

void HeatMapPainter::paint(QPainter& painter, const QRectF& area) const {
    painter.save();
    const Geometry g = layout(area, painter.font(), painter.device());
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Black on white whatever the widget palette, so screen and paper look alike.
    painter.setPen(Qt::black);

    for (int h = 0; h < kHours; h += g.hourLabelStep) {
        const QRectF label(g.grid.left() + h * g.cellWidth, area.top(), g.cellWidth,
                           g.grid.top() - area.top());
        painter.drawText(label, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextDontClip,
                         QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0')));
    }

    if (rows_.empty()) {
        painter.drawText(QRectF(g.grid.left(), g.grid.top(), g.grid.width(), g.lineHeight * 2),
                         Qt::AlignCenter, QStringLiteral("Keine Daten"));
    } else {
        paintCells(painter, g);
        paintLegend(painter, g);
    }
    painter.restore();
}

void HeatMapPainter::paintCells(QPainter& painter, const Geometry& g) const {
    const QFontMetricsF fm(painter.font(), painter.device());
    // A small gap between cells keeps neighbours of equal colour apart on paper.
    const double gap = std::max(1.0, std::min(g.cellWidth, g.cellHeight) * 0.1);
    // Cell numbers a little smaller than the labels, so three digits stay apart from the
    // neighbour's.
    QFont cellFont = painter.font();
    if (cellFont.pointSizeF() > 0)
        cellFont.setPointSizeF(cellFont.pointSizeF() * 0.85);
    else if (cellFont.pixelSize() > 0)
        cellFont.setPixelSize(std::max(1, cellFont.pixelSize() * 85 / 100));
    const QFontMetricsF cellMetrics(cellFont, painter.device());
    const QFont labelFont = painter.font();
    for (int r = 0; r < dayCount(); ++r) {
        const double top = g.grid.top() + r * g.cellHeight;
        painter.setPen(Qt::black);
        painter.drawText(
            QRectF(g.area.left(), top, g.labelWidth - fm.averageCharWidth() * 0.5, g.cellHeight),
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
                painter.setPen(inkOn(colour));
                painter.drawText(cell, Qt::AlignCenter, text);
                painter.setFont(labelFont);
            }
        }
    }
}

void HeatMapPainter::paintLegend(QPainter& painter, const Geometry& g) const {
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

    if (mode_ == HeatMapMode::Vehicles) {
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

}  // namespace korvala
