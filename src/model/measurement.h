#pragma once
// One passing vehicle and the tables of the measurement model.

#include <array>
#include <cstdint>
#include <vector>

#include "model/speed.h"
#include "model/timestamp.h"

namespace korvala {

struct Measurement {
    std::int32_t id = 0;  // record number
    Timestamp time;       // time of passing; record lines carry only the time of day
    Speed speed;          // km/h

    bool isEmpty() const { return id == 0 && time.isZero() && speed.empty(); }
    // Only records with a speed value above 0 are vehicles.
    bool counts() const { return speed.value() > 0; }
    friend bool operator==(const Measurement&, const Measurement&) = default;
};

using Table = std::vector<Measurement>;

// The parsers' resize rule: the table runs from 0 to `lastIndex` afterwards, keeping the elements
// below, new elements empty. A negative index empties the table.
inline void resizeTo(Table& table, std::int32_t lastIndex) {
    table.resize(lastIndex < 0 ? 0 : static_cast<std::size_t>(lastIndex) + 1);
}

inline constexpr int kDays = 7;
using DayTables = std::array<Table, kDays>;  // day1 .. day7, each closed by one empty record

}  // namespace korvala
