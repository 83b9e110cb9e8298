// The comparison of two measurements from their day tables: the class counts walk every record
// once more after the analysis, which is what a week at the device's limit should afford.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "evaluation/comparison.h"

namespace {

using namespace korvala;

// Seven day tables of n records in all, one record every few seconds from 00:00, speeds 20 to
// 99 km/h from a fixed generator, each table closed by one empty record.
DayTables makeWeek(std::int64_t n, std::uint64_t seed) {
    DayTables days;
    std::uint64_t state = seed;
    const std::int64_t perDay = n / kDays;
    const std::int64_t step = std::max<std::int64_t>(1, Timestamp::kSecondsPerDay / (perDay + 1));
    std::int32_t id = 0;
    for (int d = 0; d < kDays; ++d) {
        Table& t = days[d];
        t.reserve(static_cast<std::size_t>(perDay) + 1);
        for (std::int64_t k = 0; k < perDay; ++k) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            const double v = 20 + static_cast<double>((state >> 33) % 80);
            t.push_back(Measurement{++id,
                                    Timestamp::fromSeconds(k * step % Timestamp::kSecondsPerDay),
                                    Speed::fromNumber(v)});
        }
        t.push_back(Measurement{});
    }
    return days;
}

void BM_SpeedClasses(benchmark::State& state) {
    const DayTables days = makeWeek(state.range(0), 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(speedClassesOf(days));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SpeedClasses)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// Both measurements' figures and their comparison, as the comparison page needs them.
void BM_CompareWeeks(benchmark::State& state) {
    const DayTables before = makeWeek(state.range(0), 1);
    const DayTables after = makeWeek(state.range(0), 2);
    const AnalysisInput input{50, "01.12.26", 0, 0};
    for (auto _ : state) {
        const MeasurementFigures b = figuresOf(before, input);
        const MeasurementFigures a = figuresOf(after, input);
        benchmark::DoNotOptimize(compare(b, a));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_CompareWeeks)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
