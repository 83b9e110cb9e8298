#pragma once
// A chart's columns as Qt sees them: the lists the chart widgets hand out, and the count axis.

#include <QChart>
#include <QStringList>
#include <QValueAxis>
#include <QVector>
#include <algorithm>
#include <vector>

#include "output/chart_labels.h"

namespace korvala {

inline QStringList labelsOf(const std::vector<ChartColumn>& columns) {
    QStringList labels;
    for (const auto& column : columns) {
        labels << QString::fromStdString(column.label);
    }
    return labels;
}

inline QVector<int> valuesOf(const std::vector<ChartColumn>& columns) {
    QVector<int> values;
    for (const auto& column : columns) {
        values << column.value;
    }
    return values;
}

// Adds the vehicle-count axis on the left of `chart`, in whole steps up to the tallest column.
inline QValueAxis* addCountAxis(QChart* chart, const std::vector<ChartColumn>& columns) {
    int highest = 0;
    for (const auto& column : columns) {
        highest = std::max<int>(highest, column.value);
    }
    auto* counts = new QValueAxis(chart);
    counts->setLabelFormat(QStringLiteral("%d"));
    const CountAxis scale = countAxis(highest);
    counts->setRange(0, scale.top);
    counts->setTickType(QValueAxis::TicksDynamic);
    counts->setTickAnchor(0);
    counts->setTickInterval(scale.step);
    chart->addAxis(counts, Qt::AlignLeft);
    return counts;
}

}  // namespace korvala
