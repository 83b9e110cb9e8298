#pragma once
// What the two charts show, as plain data: the window draws it, the tests read it.

#include <cstdint>
#include <string>
#include <vector>

#include "evaluation/statistics.h"

namespace korvala {

// Chart type numbers as the chart buttons set them.
namespace chart_type {
inline constexpr int Bar = 1;
inline constexpr int Line = 3;
inline constexpr int Pie = 14;
}  // namespace chart_type

inline constexpr std::string_view kSpeedChartRow = "Geschwindigkeitsverteilung";

// Legend text of one speed class, e.g. " 50 - 59 km/h  12 KFZ  ".
std::string speedClassLabel(std::int32_t classUpper, std::int16_t count);

struct ChartColumn {
    std::string label;
    std::int16_t value = 0;
};

// One column per occupied class, in ascending speed; empty for a day without vehicles.
std::vector<ChartColumn> speedColumns(const DayStats& stats);

// The hour scroll bars: w (0..24) is the window length minus one, s (0..24-w) its first slot.
inline constexpr int kHourWindowMax = 24;
inline constexpr int hourStartMax(int w) {
    return kHourWindowMax - w;
}

// Rows s .. s+w of the hourly chart. Slots past the last hour hold 0 and an empty label, so the
// window can always show w+1 rows. Out-of-range arguments are clamped to the scroll-bar limits.
std::vector<ChartColumn> hourRows(const DayStats& stats, int w, int s);

// The count axis of a chart: 0 .. top in whole steps of 1, 2 or 5 times a power of ten, about
// five of them, so no tick falls between two whole vehicles.
struct CountAxis {
    int top = 1;
    int step = 1;
};
CountAxis countAxis(int highest);

// Caption under the hourly chart after a point was picked, e.g. " 5 KFZ".
std::string pointCaption(long long number);

}  // namespace korvala
