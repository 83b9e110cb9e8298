#pragma once
// Two measurements of one site side by side, typically before and after a change on the road:
// the figures a reader compares, each with its difference, and both speed distributions in the
// same 10-km/h classes. The current measurement is "Vorher", the one compared with it is
// "Nachher", and every difference is Nachher minus Vorher, so a drop reads as a negative number.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "evaluation/analysis.h"
#include "model/measurement.h"

namespace korvala {

inline constexpr std::string_view kBeforeCaption = "Vorher";
inline constexpr std::string_view kAfterCaption = "Nachher";
inline constexpr std::string_view kDifferenceCaption = "Differenz";
inline constexpr std::string_view kRuleDifference =
    "Differenz = Nachher − Vorher (Vorher: aktuelle Messung, Nachher: Vergleichsmessung); "
    "Anteile in Prozentpunkten";

// The classes of the day statistics: class j holds speeds from 10·j up to below 10·(j+1) km/h.
inline constexpr int kSpeedClassCount = 30;

struct SpeedClasses {
    std::array<std::int64_t, kSpeedClassCount> counts{};
    // Every vehicle, also those too fast for the last class; shares are taken of this, so a
    // handful of absurd readings shows up as a missing rest instead of inflating the classes.
    std::int64_t vehicles = 0;
    double share(int cls) const;  // 0..1; 0 without vehicles or outside the classes
};

// Vehicles (records with a speed value above 0) of all day tables, per class.
SpeedClasses speedClassesOf(const DayTables& days);

// One measurement as the comparison needs it.
struct MeasurementFigures {
    Analysis analysis;
    SpeedClasses classes;
};
MeasurementFigures figuresOf(const DayTables& days, const AnalysisInput& input);

// One figure of both measurements. A side is empty where its measurement has no such value
// (no vehicles, no such day).
struct ComparedFigure {
    std::optional<double> before, after;
    // after − before; empty unless both sides hold a value.
    std::optional<double> difference() const;
};

struct ComparedFigures {
    ComparedFigure vehicles;   // a day: its vehicles; the whole measurement: all vehicles
    ComparedFigure v50, v85;   // km/h
    ComparedFigure shareOver;  // share faster than the limit, 0..1
    std::array<ComparedFigure, kExceedanceBands> bandShares;  // 0..1, bands as in Exceedance
};

struct ComparedDay {
    int day = 0;  // 1..7: day n of one measurement meets day n of the other
    std::optional<int> weekdayBefore, weekdayAfter;
    ComparedFigures figures;
};

struct ComparedClass {
    int from = 0;  // km/h, the class is [from, from + 10)
    ComparedFigure share;
};

struct Comparison {
    int limit = kDefaultSpeedLimit;
    ComparedFigures whole;
    ComparedFigure averageDaily;    // vehicles per complete day
    std::vector<ComparedDay> days;  // day 1 up to the later last day of the two
    // From the lowest to the highest class occupied in either measurement, empty classes
    // between them included, so both distributions share one axis.
    std::vector<ComparedClass> classes;
};

// Empty when the two were analysed against different limits: their exceedance figures would
// not measure the same thing.
std::optional<Comparison> compare(const MeasurementFigures& before,
                                  const MeasurementFigures& after);

}  // namespace korvala
