#pragma once
// The heat map of the Analyse page: the widget around HeatMapPainter, which the PDF report draws
// with as well. The widget adds the mode switch's signal, its size and the white background.

#include <QWidget>

#include "evaluation/analysis.h"
#include "output/report/heat_map_painter.h"

namespace korvala::ui {

class HeatMap final : public QWidget {
    Q_OBJECT
  public:
    using Mode = HeatMapMode;

    explicit HeatMap(QWidget* parent = nullptr);

    // Takes the hour cells and weekdays of `analysis`; the map keeps its own copy.
    void setAnalysis(const Analysis& analysis);
    void setMode(Mode mode);
    Mode mode() const { return picture_.mode(); }
    // What the widget shows, cell by cell, and where it draws it.
    const HeatMapPainter& picture() const { return picture_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    void modeChanged(Mode mode);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    HeatMapPainter picture_;
};

}  // namespace korvala::ui
