#include "evaluation/statistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <limits>

#include "model/memory_hint.h"
#include "model/speed.h"

namespace korvala {

namespace {

// Vehicle counts are 16-bit on the device side and in every view; a tally that is full keeps its
// value instead of wrapping, so a saturated hour still reads as "very many" rather than negative.
void saturatingIncrement(std::int16_t& tally) {
    if (tally < std::numeric_limits<std::int16_t>::max())
        ++tally;
}

// Banker's rounding, independent of the floating-point environment's current rounding mode.
double roundHalfEven(double x) {
    double r = std::round(x);  // halves away from zero
    if (std::fabs(x - std::trunc(x)) == 0.5)
        r = 2.0 * std::round(x / 2.0);
    return r;
}

std::optional<std::int16_t> toInt16(double x) {
    const double r = roundHalfEven(x);
    if (!(r >= std::numeric_limits<std::int16_t>::min() &&
          r <= std::numeric_limits<std::int16_t>::max()))
        return std::nullopt;
    return static_cast<std::int16_t>(r);
}

std::optional<std::int32_t> toInt32(double x) {
    const double r = roundHalfEven(x);
    if (!(r >= std::numeric_limits<std::int32_t>::min() &&
          r <= std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::string decimal(long long value) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

std::string hourLabelText(int hour) {
    std::string s = "00:00";
    s[0] = static_cast<char>('0' + hour / 10);
    s[1] = static_cast<char>('0' + hour % 10);
    return s;
}

}  // namespace

std::string numberWithSign(long long value) {
    return value >= 0 ? " " + decimal(value) : decimal(value);
}

SplitResult splitDays(Table& records, StatusSink& status) {
    SplitResult result;
    result.dayFound[0] = true;

    // Only direct neighbours are compared: a repeated line is one record written twice, while
    // the same time of day further on usually belongs to another vehicle on a later day.
    std::int32_t dropped = 0;
    if (!records.empty()) {
        Timestamp previous = records[0].time;  // the neighbour as loaded, kept or not
        std::size_t kept = 1;
        for (std::size_t i = 1; i < records.size(); ++i) {
            const Timestamp t = records[i].time;
            const bool repeat = t == previous;
            previous = t;
            if (repeat) {
                ++dropped;
                continue;
            }
            if (kept != i)
                records[kept] = records[i];
            ++kept;
        }
        records.resize(kept);
    }
    result.duplicatesDropped = dropped;
    status.setPanel(5, decimal(dropped));

    // The clock alone tells the days apart: a day begins where the hour goes down. Finding the
    // boundaries first lets each table be sized once and filled in one piece, which matters for
    // a week of data at the device's limit.
    std::array<std::size_t, kDays + 1> begin;
    begin.fill(records.size());
    begin[0] = 0;
    int d = 0;
    int p = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const int h = records[i].time.hour();
        if (h < p && d < kDays - 1) {
            ++d;
            begin[d] = i;
            result.dayFound[d] = true;
        }
        p = h;
    }

    const auto first = records.begin();
    for (int day = 0; day < kDays; ++day) {
        Table& table = result.days[day];
        const auto from = first + static_cast<std::ptrdiff_t>(begin[day]);
        const auto to = first + static_cast<std::ptrdiff_t>(std::max(begin[day], begin[day + 1]));
        table.reserve(static_cast<std::size_t>(to - from) + 1);
        // Only a week of heavy traffic gains from the hint; small tables come back warm from the
        // allocator, where the system call would cost more than it saves.
        if (const std::size_t bytes = table.capacity() * sizeof(Measurement); bytes >= (8u << 20))
            prepareMemory(table.data(), bytes);
        // Day 1 holds vehicles only; later days keep their zero readings, which are not counted
        // but do widen the divisor of the day's average.
        if (day == 0)
            std::copy_if(from, to, std::back_inserter(table),
                         [](const Measurement& m) { return m.speed.value() > 0; });
        else
            table.insert(table.end(), from, to);
        table.push_back(Measurement{});
    }
    return result;
}

DayStats dayStatistics(const Table& dayData, StatusSink& status) {
    status.setPanel(2, "Datensatz");
    status.setPanel(4, "wird geladen.");

    DayStats stats;
    // The hour series begins with the second entry's hour; when the first entry lies in an
    // earlier hour, its vehicles show up at the end of the wrapped series.
    const int f = dayData.size() > 1 ? dayData[1].time.hour() : 0;
    stats.firstHour = f;

    constexpr int kClasses = 31;
    std::array<std::int16_t, kClasses> classTally{};
    std::array<std::int16_t, 24> hourTally{};
    std::int16_t count = 0;

    for (const Measurement& m : dayData) {
        const double v = m.speed.value();
        if (!(v > 0))
            continue;
        saturatingIncrement(count);
        if (v < 300)
            saturatingIncrement(classTally[static_cast<int>(v / 10)]);
        saturatingIncrement(hourTally[m.time.hour()]);
    }
    stats.vehicles = count;
    // One update at the end: a per-vehicle progress text would cost more than the counting.
    status.setPanel(3, decimal(count));

    for (int j = 0; j < kClasses; ++j) {
        if (classTally[j] >= 1) {
            stats.classCounts.push_back(classTally[j]);
            stats.classUpper.push_back(10 * (j + 1));
        }
    }

    for (int m = 0; m < 24; ++m) {
        const int h = (f + m) % 24;
        stats.hourCount[m] = hourTally[h];
        // Each slot is named by the end of its hour, so 23:00-23:59 reads "00:00".
        stats.hourLabel[m] = hourLabelText((h + 1) % 24);
    }

    status.setPanel(2, "Datensätze");
    status.setPanel(4, "");
    return stats;
}

std::optional<SpeedCaptions> showSpeeds(const Table& dayData) {
    // n is the position of the closing empty record; a day needs a record at position 1 and a
    // non-zero divisor n - 1, otherwise the old captions stay.
    if (dayData.size() < 2)
        return std::nullopt;
    const std::size_t n = dayData.size() - 1;

    double highest = dayData[0].speed.value();
    const auto first = toInt16(dayData[1].speed.value());
    if (!first)
        return std::nullopt;
    std::int16_t lowest = *first;
    std::int32_t sum = 0;

    for (std::size_t i = 1; i <= n; ++i) {
        const Speed& s = dayData[i].speed;
        if (s.empty())
            continue;
        const double v = s.value();
        if (!(v > 0))
            continue;
        if (v > highest)
            highest = v;
        if (v < lowest) {
            const auto low = toInt16(v);
            if (!low)
                return std::nullopt;
            lowest = *low;
        }
        const auto next = toInt32(static_cast<double>(sum) + v);
        if (!next)
            return std::nullopt;
        sum = *next;
    }

    if (n - 1 == 0)
        return std::nullopt;
    const auto divisor = static_cast<long long>(n - 1);
    // sum is never negative (only positive speeds are added), so integer division is the floor.
    const long long average = static_cast<long long>(sum) / divisor;

    SpeedCaptions captions;
    captions.avg = numberWithSign(average) + " km/h";
    captions.vmax = decimalText(highest) + " km/h";
    captions.vmin = decimal(lowest) + " km/h";
    return captions;
}

}  // namespace korvala
