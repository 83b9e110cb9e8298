#pragma once
// The speed distribution of the day shown: one row, one series per occupied speed class.

#include <QChartView>

#include "evaluation/statistics.h"
#include "output/chart_labels.h"
#include "ui/chart_columns.h"

namespace korvala {

class SpeedChart : public QChartView {
    Q_OBJECT
  public:
    explicit SpeedChart(QWidget* parent = nullptr);

    // Takes the classes of a new evaluation and redraws in the current chart type.
    void speedChart(const DayStats& stats);

    // chart_type::Bar or chart_type::Pie; anything else is ignored. Kept across redraws.
    void setChartType(int type);
    int chartType() const { return type_; }

    // What the chart shows.
    QString rowLabel() const;
    QStringList columnLabels() const { return labelsOf(columns_); }
    QVector<int> columnValues() const { return valuesOf(columns_); }
    QStringList legendTexts() const;  // the labels of the visible legend entries

  private:
    void redraw();

    int type_ = chart_type::Bar;
    std::vector<ChartColumn> columns_;
};

}  // namespace korvala
