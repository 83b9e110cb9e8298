#pragma once
// The trend of a site in the archive window: the v85 of every filed measurement over time with
// the limit as a line, and the share over the limit on a second axis, so a department sees at a
// glance whether its street got faster or a measure helped.

#include <QChartView>

#include <vector>

#include "output/report/archive_pages.h"

class QLineSeries;

namespace korvala::ui {

class ArchiveTrend final : public QChartView {
    Q_OBJECT
  public:
    explicit ArchiveTrend(QWidget* parent = nullptr);

    // Draws `points` (in time order) against `limit`; no points leave the chart empty.
    void setTrend(const std::vector<report::TrendPoint>& points, int limit);

    // ---- the series, for the window's tests; x is the time in ms since 1970 ----
    QLineSeries* v85Series() const { return v85_; }
    QLineSeries* shareSeries() const { return share_; }  // in percent
    QLineSeries* limitSeries() const { return limit_; }

    // The moment a day count since 30.12.1899 stands for, in ms since 1970 (local time).
    static double msecsOfDay(double day);

  private:
    QLineSeries* v85_ = nullptr;
    QLineSeries* share_ = nullptr;
    QLineSeries* limit_ = nullptr;
};

}  // namespace korvala::ui
