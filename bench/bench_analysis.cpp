// The traffic analysis of a whole week, from a quiet road to the busiest the device can log. The
// day tables are made in memory by a fixed generator, so runs compare; the figure that matters is
// the 1M-record week, which the window computes on every load.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "evaluation/analysis.h"

namespace {

using namespace korvala;

std::uint32_t nextRandom(std::uint64_t& state) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
}

// n records spread evenly over seven days, as the day split leaves them: day 1 only vehicles,
// every table closed by an empty record. Speeds are whole km/h around 50 (a sum of four uniform
// draws), one record in 50 has speed 0 on days 2..7. `offset` shifts every speed, so a large one
// pushes them all past the counted range into the slow path.
DayTables makeWeek(std::int64_t n, double offset = 0) {
    DayTables days;
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    const std::int64_t perDay = n / kDays;
    for (int d = 0; d < kDays; ++d) {
        Table& t = days[d];
        t.reserve(static_cast<std::size_t>(perDay) + 1);
        for (std::int64_t k = 0; k < perDay; ++k) {
            const std::uint32_t r = nextRandom(state);
            const int second = static_cast<int>(k * Timestamp::kSecondsPerDay / perDay);
            double v = 20 + (r & 31) + (r >> 5 & 31) + (r >> 10 & 31) + (r >> 15 & 7);
            if (r % 50 == 1) {
                if (d == 0)
                    continue;
                v = 0;
            }
            t.push_back(Measurement{static_cast<std::int32_t>(k), Timestamp::fromSeconds(second),
                                    Speed::fromNumber(v + offset)});
        }
        t.push_back(Measurement{});
    }
    return days;
}

void BM_AnalyzeWeek(benchmark::State& state) {
    const DayTables days = makeWeek(state.range(0));
    const AnalysisInput input{50, "01.12.26", 12, 0};
    for (auto _ : state) {
        Analysis a = analyze(days, input);
        benchmark::DoNotOptimize(a);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AnalyzeWeek)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The worst case: no speed fits a bin, so every figure sorts.
void BM_AnalyzeWeekUnbinnedSpeeds(benchmark::State& state) {
    const DayTables days = makeWeek(state.range(0), 1000);
    const AnalysisInput input{50, "01.12.26", 0, 0};
    for (auto _ : state) {
        Analysis a = analyze(days, input);
        benchmark::DoNotOptimize(a);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AnalyzeWeekUnbinnedSpeeds)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
