#include "output/report/bar_chart.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "output/figure_text.h"
#include "output/report/figure_qt.h"

namespace korvala::report {

namespace {

// A round step for about `ticks` grid lines up to `maximum`.
double niceStep(double maximum, int ticks) {
    if (!(maximum > 0))
        return 1;
    const double raw = maximum / ticks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (f * magnitude >= raw)
            return f * magnitude;
    return 10 * magnitude;
}

QString axisNumber(double v, double step) {
    // Steps of 2,5 and below 1 need decimals; everything else reads better whole.
    const int decimals = step >= 1 && std::fmod(step, 1.0) == 0 ? 0 : (step >= 0.1 ? 1 : 2);
    return qText(decimalFixed(v, decimals));
}

// The plot area of a chart, the value at its top edge and the step of its grid.
struct Plot {
    double left, right, top, bottom;
    double ceiling, step;
    double width() const { return right - left; }
    double height() const { return bottom - top; }
    double barHeight(double v) const { return height() * v / ceiling; }
};

void drawLegend(Canvas& c, double right, double y, const BarChart& chart, const QFont& font) {
    double lx = right;
    for (auto it = chart.series.rbegin(); it != chart.series.rend(); ++it) {
        const double tw = c.textWidth(it->name, font);
        lx -= tw + 8;
        c.box(lx, y + 5.6, 3.5, 3.5, it->brush, Qt::black, 0.15);
        c.text(lx + 4.5, y + 5, tw + 2, 4.6, Qt::AlignLeft | Qt::AlignVCenter, it->name, font);
    }
}

void drawRotated(Canvas& c, QPointF at, const QRectF& box, int flags, const QString& s,
                 const QFont& f) {
    QPainter& p = c.painter();
    p.save();
    p.translate(at);
    p.rotate(-90);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(box, flags, s);
    p.restore();
}

// Grid lines with their values, both axes and their titles.
void drawAxes(Canvas& c, double x, const Plot& plot, const BarChart& chart, const QFont& font) {
    const double step = plot.step;
    for (int k = 0; k * step <= plot.ceiling + step / 1000; ++k) {
        const double v = k * step;
        const double gy = plot.bottom - plot.barHeight(v);
        if (k > 0)
            c.line(plot.left, gy, plot.right, gy, QColor(0xd0, 0xd0, 0xd0), 0.15);
        c.text(x, gy - 2, 13, 4, Qt::AlignRight | Qt::AlignVCenter, axisNumber(v, step), font);
    }
    c.line(plot.left, plot.top, plot.left, plot.bottom, Qt::black, 0.25);
    c.line(plot.left, plot.bottom, plot.right, plot.bottom, Qt::black, 0.25);
    if (!chart.yTitle.isEmpty())
        drawRotated(c, c.point(x - 3.2, plot.top + plot.height() / 2),
                    QRectF(-c.px(plot.height() / 2), -c.px(2), c.px(plot.height()), c.px(4)),
                    Qt::AlignCenter, chart.yTitle, font);
    c.text(plot.left, plot.bottom + 5, plot.width(), 4.5, Qt::AlignCenter, chart.xTitle, font);
}

// The bars of every category with their value labels and the category names below.
void drawBars(Canvas& c, const Plot& plot, const BarChart& chart, const QFont& axisFont) {
    const QFont small = c.font(6.5);
    const std::size_t n = chart.categories.size();
    const double slot = plot.width() / static_cast<double>(n);
    const double groupW = slot * 0.78;
    const double barW = groupW / static_cast<double>(std::max<std::size_t>(1, chart.series.size()));
    // Value labels turn upright when the bars are too narrow for them.
    double widest = 0;
    for (const Series& s : chart.series)
        for (const QString& l : s.labels)
            widest = std::max(widest, c.textWidth(l, small));
    const bool upright = widest > barW + 0.6;

    for (std::size_t i = 0; i < n; ++i) {
        const double gx = plot.left + slot * static_cast<double>(i) + (slot - groupW) / 2;
        for (std::size_t s = 0; s < chart.series.size(); ++s) {
            const Series& series = chart.series[s];
            const double bh = plot.barHeight(i < series.values.size() ? series.values[i] : 0);
            const double bx = gx + barW * static_cast<double>(s);
            if (bh > 0)
                c.box(bx, plot.bottom - bh, barW, bh, series.brush, Qt::black, 0.12);
            const QString label = i < series.labels.size() ? series.labels[i] : QString();
            if (label.isEmpty())
                continue;
            if (upright)
                drawRotated(c, c.point(bx + barW / 2, plot.bottom - bh - 0.6),
                            QRectF(0, -c.px(barW / 2 + 1), c.px(12), c.px(barW + 2)),
                            Qt::AlignLeft | Qt::AlignVCenter, label, small);
            else
                c.text(bx - 3, plot.bottom - bh - 3.4, barW + 6, 3.2,
                       Qt::AlignHCenter | Qt::AlignBottom, label, small);
        }
        c.text(plot.left + slot * static_cast<double>(i) - 1, plot.bottom + 0.8, slot + 2, 3.6,
               Qt::AlignHCenter | Qt::AlignTop, chart.categories[i], n > 16 ? small : axisFont);
    }
    if (chart.marker) {
        const double mx = plot.left + slot * *chart.marker;
        const QColor red = verdictQColor(Verdict::Remarkable);
        if (mx >= plot.left && mx <= plot.right) {
            c.line(mx, plot.top, mx, plot.bottom, red, 0.35, Qt::DashLine);
            c.text(mx + 0.8, plot.top, 30, 3.6, Qt::AlignLeft | Qt::AlignVCenter, chart.markerLabel,
                   small, red);
        }
    }
}

// A chart of vehicle counts: one series in the report's bar colour, bars added by addBar().
BarChart vehiclesChart(const QString& title, const QString& xTitle) {
    BarChart chart;
    chart.title = title;
    chart.xTitle = xTitle;
    chart.yTitle = QStringLiteral("Fahrzeuge");
    chart.series.push_back(Series{{}, {}, {}, QBrush(QColor(0x4a, 0x6f, 0x9c))});
    return chart;
}

void addBar(BarChart& chart, const QString& category, std::int64_t vehicles, bool labelZero) {
    Series& s = chart.series.front();
    chart.categories.push_back(category);
    s.values.push_back(static_cast<double>(vehicles));
    s.labels.push_back(vehicles > 0 || labelZero ? QString::number(vehicles) : QString());
}

}  // namespace

void drawBarChart(Canvas& c, double x, double y, double w, double h, const BarChart& chart) {
    const QFont axisFont = c.font(7);
    c.text(x, y, w, 5, Qt::AlignLeft | Qt::AlignVCenter, chart.title, c.font(9.5, true));
    if (chart.legend)
        drawLegend(c, x + w, y, chart, axisFont);

    double maximum = 0;
    for (const Series& s : chart.series)
        for (double v : s.values)
            maximum = std::max(maximum, v);
    const double step = niceStep(maximum, 5);
    const Plot plot{x + 14,
                    x + w - 2,
                    y + (chart.legend ? 11 : 8),
                    y + h - 10,
                    std::max(step, std::ceil(maximum / step) * step),
                    step};
    drawAxes(c, x, plot, chart, axisFont);
    if (chart.categories.empty()) {
        c.text(plot.left, plot.top, plot.width(), plot.height(), Qt::AlignCenter,
               QStringLiteral("keine Fahrzeuge"), axisFont);
        return;
    }
    drawBars(c, plot, chart, axisFont);
}

BarChart speedClassChart(const QString& title,
                         const std::vector<std::pair<int, std::int64_t>>& classes, int limit) {
    BarChart chart = vehiclesChart(title, QStringLiteral("Geschwindigkeit in km/h"));
    for (const auto& [from, n] : classes)
        addBar(chart, qText(speedClassText(from)), n, true);
    if (!classes.empty()) {
        chart.marker = (limit - classes.front().first) / 10.0;
        chart.markerLabel = qText(limitText(limit));
    }
    return chart;
}

BarChart hourChart(const QString& title, const std::array<std::int64_t, 24>& hours) {
    BarChart chart = vehiclesChart(title, QStringLiteral("Stunde (Beginn)"));
    for (int h = 0; h < 24; ++h)
        addBar(chart, qText(hourText(h)), hours[static_cast<std::size_t>(h)], false);
    return chart;
}

}  // namespace korvala::report
