#pragma once
// Vehicles per hour of every day of a measurement as a grid of days × 24 hours. Cells are shaded
// by the number of vehicles or coloured by their v85 against the speed limit, and carry their
// number whenever it fits, so a grey print still reads. The painting works on any QPainter, which
// lets the printed report draw the same picture as the window.

#include <QColor>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "evaluation/analysis.h"

class QPainter;

namespace korvala::ui {

// The colour the page and the heat map give a verdict (an invalid colour for Verdict::None).
QColor verdictQColor(Verdict verdict);
// A readable text colour on `background` (black or white).
QColor textColourOn(const QColor& background);
// Two-letter weekday name ("Mo" .. "So"), empty when unknown.
QString weekdayShort(const std::optional<int>& weekday);

class HeatMap final : public QWidget {
    Q_OBJECT
  public:
    enum class Mode { Vehicles, V85 };

    // Cells whose v85 is not shown (too few vehicles to say anything).
    static QColor noFigureColour() { return QColor(0xc8, 0xc8, 0xc8); }

    explicit HeatMap(QWidget* parent = nullptr);

    // Takes the hour cells and weekdays of `analysis`; the map keeps its own copy.
    void setAnalysis(const Analysis& analysis);
    void setMode(Mode mode);
    Mode mode() const { return mode_; }

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
    void paintOn(QPainter& painter, const QRectF& area) const;
    // Where paintOn puts cell (row, hour) inside `area` when painting with `font` on `device`
    // (nullptr: the screen).
    QRectF cellRect(const QRectF& area, int row, int hour, const QFont& font,
                    QPaintDevice* device = nullptr) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    void modeChanged(Mode mode);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Row {
        int day = 0;
        std::optional<int> weekday;
        std::array<HourCell, 24> hours{};
    };
    struct Geometry;
    Geometry layout(const QRectF& area, const QFont& font, QPaintDevice* device) const;
    QColor vehiclesColour(std::int64_t vehicles) const;
    void paintLegend(QPainter& painter, const Geometry& g) const;

    std::vector<Row> rows_;
    int limit_ = kDefaultSpeedLimit;
    std::int64_t maxVehicles_ = 0;
    Mode mode_ = Mode::Vehicles;
};

}  // namespace korvala::ui
