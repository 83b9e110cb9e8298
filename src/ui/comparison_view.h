#pragma once
// The comparison section of the "Analyse" page: the current measurement ("Vorher") beside a
// second one ("Nachher"), as figures with their differences and as both speed distributions in
// one chart. It only shows what compare() computed and stays hidden without a comparison.

#include <QGroupBox>
#include <QString>

#include "evaluation/comparison.h"

class QBarSeries;
class QChart;
class QChartView;
class QLabel;
class QTableWidget;

namespace korvala::ui {

class ComparisonView final : public QGroupBox {
    Q_OBJECT
  public:
    explicit ComparisonView(QWidget* parent = nullptr);

    // Shows `comparison` (null hides the section). `current` is the analysis of the Vorher side
    // and names the exceedance bands; the file names only label the two sides. Nothing of the
    // arguments is kept.
    void setComparison(const Comparison* comparison, const Analysis& current,
                       const QString& beforeFile, const QString& afterFile);

    // ---- the widgets, for the window's tests ----
    QLabel* sourcesLabel() const { return sources_; }
    // Rows: vehicles, average daily traffic, v50, v85, share over the limit, the five bands;
    // columns: Vorher, Nachher, Differenz.
    QTableWidget* wholeTable() const { return whole_; }
    // One row per day; columns: day, then vehicles, v50, v85 and share over the limit, each as
    // Vorher, Nachher, Differenz.
    QTableWidget* dayTable() const { return days_; }
    QChart* chart() const { return chart_; }
    QBarSeries* distribution() const { return series_; }

  private:
    void fillWhole(const Comparison& cmp, const Analysis& current);
    void fillDays(const Comparison& cmp);
    void fillChart(const Comparison& cmp);

    QLabel* sources_;
    QTableWidget* whole_;
    QTableWidget* days_;
    QChartView* chartView_;
    QChart* chart_;
    QBarSeries* series_ = nullptr;
};

}  // namespace korvala::ui
