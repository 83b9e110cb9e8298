// Opening a device log is the one step whose cost grows with the measurement: a week can hold
// millions of vehicles. These benchmarks read generated logs of growing size from disk (the
// page cache, after the first round) so the figures show whether reading stays linear.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "log_generator.h"
#include "model/measurement_file.h"

namespace {

// One generated file per size, written once per process and removed at exit.
class LogFiles {
  public:
    ~LogFiles() {
        for (auto& [records, path] : paths_)
            std::remove(path.c_str());
    }
    const std::string& path(std::int64_t records) {
        auto it = paths_.find(records);
        if (it != paths_.end())
            return it->second;
        korvala::gen::LogOptions opt;
        opt.records = records;
        opt.seed = 2026;
        const std::string path = "/tmp/korvala-bench-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(records) + ".log";
        korvala::writeFileBytes(path, korvala::gen::generateLog(opt));
        return paths_.emplace(records, path).first->second;
    }
    const std::string& bytes(std::int64_t records) {
        auto it = bytes_.find(records);
        if (it != bytes_.end())
            return it->second;
        korvala::gen::LogOptions opt;
        opt.records = records;
        opt.seed = 2026;
        return bytes_.emplace(records, korvala::gen::generateLog(opt)).first->second;
    }

  private:
    std::map<std::int64_t, std::string> paths_;
    std::map<std::int64_t, std::string> bytes_;
};

LogFiles& files() {
    static LogFiles instance;
    return instance;
}

void setCounters(benchmark::State& state, std::size_t bytesPerRound) {
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytesPerRound));
}

// The whole open: read the file in one go, split lines, parse every record.
void BM_ReadLogFile(benchmark::State& state) {
    const std::string& path = files().path(state.range(0));
    std::size_t records = 0;
    for (auto _ : state) {
        korvala::LoadResult r = korvala::readMeasurementFile(path);
        records = r.records.size();
        benchmark::DoNotOptimize(r.records.data());
    }
    if (records != static_cast<std::size_t>(state.range(0)))
        state.SkipWithError("record count");
    setCounters(state, static_cast<std::size_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadLogFile)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Arg(5'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Parsing alone, from memory: the difference to the file figure is the cost of the read.
void BM_ParseLogBytes(benchmark::State& state) {
    const std::string& bytes = files().bytes(state.range(0));
    for (auto _ : state) {
        korvala::LoadResult r = korvala::readMeasurementBytes("bench.log", bytes);
        benchmark::DoNotOptimize(r.records.data());
    }
    setCounters(state, bytes.size());
}
BENCHMARK(BM_ParseLogBytes)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// Reading a saved measurement: the record lines carry an id and go through the .spt parser.
void BM_ReadSptBytes(benchmark::State& state) {
    const korvala::LoadResult log =
        korvala::readMeasurementBytes("b.log", files().bytes(state.range(0)));
    const std::string spt =
        korvala::sptContent({"Hauptstraße", "01.12.26", "Bemerkung"}, log.records);
    for (auto _ : state) {
        korvala::LoadResult r = korvala::readMeasurementBytes("bench.spt", spt);
        benchmark::DoNotOptimize(r.records.data());
    }
    setCounters(state, spt.size());
}
BENCHMARK(BM_ReadSptBytes)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// Saving: one text line per vehicle.
void BM_SptContent(benchmark::State& state) {
    const korvala::LoadResult log =
        korvala::readMeasurementBytes("b.log", files().bytes(state.range(0)));
    std::size_t size = 0;
    for (auto _ : state) {
        std::string spt =
            korvala::sptContent({"Hauptstraße", "01.12.26", "Bemerkung"}, log.records);
        size = spt.size();
        benchmark::DoNotOptimize(spt.data());
    }
    setCounters(state, size);
}
BENCHMARK(BM_SptContent)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
