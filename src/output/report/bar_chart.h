#pragma once
// Bar charts of the PDF report: one or more series over named categories, values written above
// the bars, and an optional marker such as the speed limit.

#include <QBrush>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "output/report/canvas.h"

namespace korvala::report {

struct Series {
    QString name;
    std::vector<double> values;
    std::vector<QString> labels;  // the value written above each bar
    QBrush brush;
};

struct BarChart {
    QString title, xTitle, yTitle;
    std::vector<QString> categories;
    std::vector<Series> series;
    // A dashed vertical line at this position in category units (0 = left edge of the first
    // category), e.g. the speed limit on a class axis.
    std::optional<double> marker;
    QString markerLabel;
    bool legend = false;
};

void drawBarChart(Canvas& c, double x, double y, double w, double h, const BarChart& chart);

// Vehicles per 10-km/h class, given as (lower end, vehicles), with the limit marked.
BarChart speedClassChart(const QString& title,
                         const std::vector<std::pair<int, std::int64_t>>& classes, int limit);
// Vehicles per clock hour.
BarChart hourChart(const QString& title, const std::array<std::int64_t, 24>& hours);

}  // namespace korvala::report
