#pragma once
// Vehicles per hour of the day shown, in a window of hours chosen by two scroll bars.

#include <QChartView>
#include <QLabel>
#include <QScrollBar>
#include <QWidget>

#include "evaluation/statistics.h"
#include "output/chart_labels.h"
#include "ui/chart_columns.h"

namespace korvala {

class HourChart : public QWidget {
    Q_OBJECT
  public:
    explicit HourChart(QWidget* parent = nullptr);

    // Takes the hour slots of a new evaluation and redraws. Scroll positions and type stay.
    void setStats(const DayStats& stats);
    // Redraws the window the scroll bars select from the slots held.
    void hourChart();

    // chart_type::Bar or chart_type::Line; anything else is ignored. Kept across redraws.
    void setChartType(int type);
    int chartType() const { return type_; }

    QChartView* chartView() const { return view_; }
    QScrollBar* VScroll2() const { return vscroll_; }  // w: window length minus one
    QScrollBar* HScroll2() const { return hscroll_; }  // s: first slot of the window
    QLabel* Label4() const { return label4_; }

    // What the chart shows: one label and one value per row, top to bottom of the window.
    QStringList rowLabels() const { return labelsOf(rows_); }
    QVector<int> rowValues() const { return valuesOf(rows_); }
    int redrawCount() const { return redraws_; }

    // The point event: `point` is the 1-based number of the picked row.
    void pointSelected(int point);

  signals:
    void redrawn();

  private:
    void rebuildChart();

    QChartView* view_;
    QScrollBar* vscroll_;
    QScrollBar* hscroll_;
    QLabel* label4_;
    int type_ = chart_type::Bar;
    DayStats stats_;
    std::vector<ChartColumn> rows_;
    int redraws_ = 0;
};

}  // namespace korvala
