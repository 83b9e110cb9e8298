#pragma once
// A chart's columns as the Qt lists the chart widgets hand out.

#include <QStringList>
#include <QVector>
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

}  // namespace korvala
