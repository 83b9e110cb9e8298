#pragma once
// Vehicles per hour of every day of a measurement as a grid of days × 24 hours, drawn on any
// QPainter: the Analyse page and the PDF report draw the same picture with it. Cells are shaded
// by the number of vehicles or coloured by their v85 against the speed limit, and carry their
// number whenever it fits, so a grey print still reads.

#include <QColor>
#include <QRectF>
#include <QSize>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "evaluation/analysis.h"

class QFont;
class QPaintDevice;
class QPainter;

namespace korvala {

enum class HeatMapMode { Vehicles, V85 };

class HeatMapPainter {
  public:
    // Takes the hour cells and weekdays of `analysis`; the painter keeps its own copy.
    void setAnalysis(const Analysis& analysis);
    void setMode(HeatMapMode mode) { mode_ = mode; }
    HeatMapMode mode() const { return mode_; }

    int dayCount() const { return static_cast<int>(rows_.size()); }
    int dayNumber(int row) const { return rows_.at(static_cast<std::size_t>(row)).day; }
    std::int64_t cellVehicles(int row, int hour) const;
    std::optional<double> cellV85(int row, int hour) const;
    QColor cellColour(int row, int hour) const;
    // The number a cell carries in the current mode (empty for a v85 cell without figure).
    QString cellText(int row, int hour) const;
    QString dayLabel(int row) const;
    // The largest vehicle count of any cell: the dark end of the vehicles scale.
    std::int64_t maxVehicles() const { return maxVehicles_; }

    // Draws the whole map with labels and legend into `area`, with the painter's font. The
    // caller's painter state is restored afterwards.
    void paint(QPainter& painter, const QRectF& area) const;
    // Where paint() puts cell (row, hour) inside `area` when painting with `font` on `device`
    // (nullptr: the screen).
    QRectF cellRect(const QRectF& area, int row, int hour, const QFont& font,
                    QPaintDevice* device = nullptr) const;
    // Room for every number at `font` on the screen, and the least that still shows the grid.
    QSize sizeHint(const QFont& font) const;
    QSize minimumSizeHint(const QFont& font) const;

  private:
    struct Row {
        int day = 0;
        std::optional<int> weekday;
        std::array<HourCell, 24> hours{};
    };
    struct Geometry;
    Geometry layout(const QRectF& area, const QFont& font, QPaintDevice* device) const;
    QColor vehiclesColour(std::int64_t vehicles) const;
    void paintCells(QPainter& painter, const Geometry& g) const;
    void paintLegend(QPainter& painter, const Geometry& g) const;

    std::vector<Row> rows_;
    int limit_ = kDefaultSpeedLimit;
    std::int64_t maxVehicles_ = 0;
    HeatMapMode mode_ = HeatMapMode::Vehicles;
};

}  // namespace korvala
