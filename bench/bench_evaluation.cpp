// Evaluation and the whole-measurement exports at sizes from a busy hour to a week at the
// device's limit. Records are made in memory by a fixed generator, so runs compare.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "evaluation/statistics.h"
#include "output/csv_export.h"
#include "output/report.h"
#include "output/rtf_list.h"

namespace {

using namespace korvala;

// A measurement of n records in file order with times of day only (as the device writes them).
// Up to 604800 records spread evenly over a week; beyond that the device's one-second clock
// cannot keep neighbours apart, so records follow each other a second apart and the clock wraps
// more than six times, which piles the rest into day 7. About one record in 500 repeats its
// predecessor, one in 50 has speed 0, and one in 1000 carries a fractional speed.
Table makeMeasurement(std::int64_t n) {
    Table t;
    t.reserve(static_cast<std::size_t>(n));
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state >> 33);
    };
    const std::int64_t week = 7 * Timestamp::kSecondsPerDay;
    const std::int64_t step = n < week ? week / n : 1;
    for (std::int64_t k = 0; k < n; ++k) {
        const std::uint32_t r = next();
        if (k > 0 && r % 500 == 0) {
            t.push_back(t.back());
            continue;
        }
        const std::int64_t second = k * step % Timestamp::kSecondsPerDay;
        double v = 20 + r % 120;
        if (r % 50 == 1)
            v = 0;
        if (r % 1000 == 7)
            v += 0.5;
        t.push_back(Measurement{static_cast<std::int32_t>(k), Timestamp::fromSeconds(second),
                                Speed::fromNumber(v)});
    }
    return t;
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Arg(5'000'000)->Unit(benchmark::kMillisecond);
}

// What a load does after reading the file: split, then the captions and statistics of each day
// (the load itself evaluates day 1; the other six are the user's clicks). The timing includes
// copying the record table, since splitDays works in place; pausing the timer around the copy
// costs more than the copy and skews the small sizes.
void BM_EvaluateWeek(benchmark::State& state) {
    const Table source = makeMeasurement(state.range(0));
    NullStatusSink sink;
    for (auto _ : state) {
        Table records = source;
        SplitResult split = splitDays(records, sink);
        for (const Table& day : split.days) {
            benchmark::DoNotOptimize(showSpeeds(day));
            benchmark::DoNotOptimize(dayStatistics(day, sink));
        }
        benchmark::DoNotOptimize(split);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EvaluateWeek)->Apply(sizes);

void BM_SplitDays(benchmark::State& state) {
    const Table source = makeMeasurement(state.range(0));
    NullStatusSink sink;
    for (auto _ : state) {
        Table records = source;
        benchmark::DoNotOptimize(splitDays(records, sink));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SplitDays)->Apply(sizes);

// One day's captions and statistics alone: no allocation that grows with the day, so this is
// the per-record cost without the page faults that dominate the runs above on a busy machine.
void BM_DayStatistics(benchmark::State& state) {
    Table day = makeMeasurement(state.range(0));
    day.push_back(Measurement{});
    NullStatusSink sink;
    for (auto _ : state) {
        benchmark::DoNotOptimize(showSpeeds(day));
        benchmark::DoNotOptimize(dayStatistics(day, sink));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DayStatistics)->Apply(sizes);

void BM_RtfList(benchmark::State& state) {
    const Table records = makeMeasurement(state.range(0));
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string doc = formatRtfList(records);
        bytes = doc.size();
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_RtfList)->Apply(sizes);

void BM_CsvContent(benchmark::State& state) {
    const Table records = makeMeasurement(state.range(0));
    const Site site{"Hauptstraße 12", "03.12.26", ""};
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string csv = csvContent(site, records);
        bytes = csv.size();
        benchmark::DoNotOptimize(csv);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_CsvContent)->Apply(sizes);

// The report is rebuilt on every day click and every focus change of the site fields.
void BM_BuildReport(benchmark::State& state) {
    const Table records = makeMeasurement(100'000);
    Table copy = records;
    NullStatusSink sink;
    SplitResult split = splitDays(copy, sink);
    const DayStats stats = dayStatistics(split.days[0], sink);
    ReportInput in;
    in.site = Site{"Hauptstraße 12", "03.12.26", "Schule\r\nTempo 30"};
    in.stats = &stats;
    for (auto _ : state)
        benchmark::DoNotOptimize(buildReport(in));
}
BENCHMARK(BM_BuildReport)->Unit(benchmark::kMicrosecond);

}  // namespace
