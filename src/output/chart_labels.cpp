#include "output/chart_labels.h"

#include <algorithm>

namespace korvala {

std::string speedClassLabel(std::int32_t classUpper, std::int16_t count) {
    // The count has no leading blank, unlike the class bounds.
    return numberWithSign(classUpper - 10) + " -" + numberWithSign(classUpper - 1) + " km/h  " +
           std::to_string(count) + " KFZ  ";
}

std::vector<ChartColumn> speedColumns(const DayStats& stats) {
    const std::size_t n = std::min(stats.classUpper.size(), stats.classCounts.size());
    std::vector<ChartColumn> columns;
    columns.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        columns.push_back(
            {speedClassLabel(stats.classUpper[k], stats.classCounts[k]), stats.classCounts[k]});
    }
    return columns;
}

std::vector<ChartColumn> hourRows(const DayStats& stats, int w, int s) {
    w = std::clamp(w, 0, kHourWindowMax);
    s = std::clamp(s, 0, hourStartMax(w));
    // Slot 24 exists only so that a full window of 25 rows has something to show.
    constexpr int kCountedSlots = 24;
    std::vector<ChartColumn> rows(static_cast<std::size_t>(w) + 1);
    for (int i = s; i <= s + w; ++i) {
        if (i < kCountedSlots) {
            rows[static_cast<std::size_t>(i - s)] = {stats.hourLabel[static_cast<std::size_t>(i)],
                                                     stats.hourCount[static_cast<std::size_t>(i)]};
        }
    }
    return rows;
}

CountAxis countAxis(int highest) {
    highest = std::max(1, highest);
    constexpr long long kTicks = 5;
    long long step = 1;
    for (long long power = 1;; power *= 10) {
        for (long long factor : {1, 2, 5}) {
            if (factor * power * kTicks >= highest) {
                step = factor * power;
                const long long top = (highest + step - 1) / step * step;
                return {static_cast<int>(top), static_cast<int>(step)};
            }
        }
    }
}

std::string pointCaption(long long number) {
    return numberWithSign(number) + " KFZ";
}

}  // namespace korvala
