#pragma once
// Splitting a measurement into days and the statistics of one day.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/measurement.h"
#include "model/status.h"

namespace korvala {

struct SplitResult {
    DayTables days;                      // day1 .. day7, each closed by one empty record
    std::int32_t duplicatesDropped = 0;  // shown in status panel 5
    std::array<bool, kDays> dayFound{};  // day d reached (day 1 always true)
};

// Removes neighbouring records with equal times from `records` (in place) and distributes the
// rest over the seven day tables. Writes panel 5 (duplicates).
SplitResult splitDays(Table& records, StatusSink& status);

inline constexpr int kHourSlots = 25;  // slots 0..23 used, 24 stays empty

struct DayStats {
    std::int16_t vehicles = 0;              // saturates at 32767
    std::vector<std::int32_t> classUpper;   // 10*(j+1) of each occupied class, ascending
    std::vector<std::int16_t> classCounts;  // parallel to classUpper
    std::array<std::int16_t, kHourSlots> hourCount{};
    std::array<std::string, kHourSlots> hourLabel{};  // end of each slot's hour, "hh:mm"
    int firstHour = 0;                                // f: the hour slot 0 begins with
};

// Statistics of one day table (n records and the closing empty record). Writes panels 2..4.
DayStats dayStatistics(const Table& dayData, StatusSink& status);

// The captions of the four value labels of the day panel.
struct SpeedCaptions {
    std::string vmin;  // lbl_vmin, e.g. "38 km/h"
    std::string vmax;  // lbl_vmax, e.g. "71 km/h"
    std::string avg;   // lbl_dV,   e.g. " 52 km/h"
};

// Lowest, highest and average speed of the day. Empty when the computation fails (no entry at
// position 1, a single record, or a number out of range): the caller then sets formatError and
// keeps the previous captions.
std::optional<SpeedCaptions> showSpeeds(const Table& dayData);

// The number-to-text conversion with one leading blank for non-negative numbers (" 15", "-3").
std::string numberWithSign(long long value);

}  // namespace korvala
