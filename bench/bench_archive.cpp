// The site archive on an SQLite file: filing a season's worth of device logs, the lists a
// department opens every day over an archive of 1,000 measurements, and what a filed week costs
// on disk. The files and archives are made once per run in a temporary folder.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "archive/archive.h"
#include "log_generator.h"
#include "model/measurement_file.h"

namespace {

using namespace korvala;
using namespace korvala::archive;
namespace fs = std::filesystem;

// A folder for this run, removed at its end (after the archives opened in it are closed: they
// are made later, so they go first).
struct BenchFolder {
    BenchFolder()
        : path(fs::temp_directory_path() /
               ("korvala-bench-archive-" + std::to_string(::getpid()))) {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~BenchFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

fs::path benchDir() {
    static const BenchFolder folder;
    return folder.path;
}

// 100 one-week device logs of 15,000 records each, different seeds.
fs::path hundredWeeks() {
    static const fs::path folder = [] {
        const fs::path f = benchDir() / "wochen";
        fs::create_directories(f);
        for (int i = 0; i < 100; ++i) {
            gen::LogOptions opt;
            opt.seed = static_cast<std::uint64_t>(1000 + i);
            opt.records = 15000;
            writeFileBytes((f / ("woche" + std::to_string(1000 + i) + ".log")).string(),
                           gen::generateLog(opt));
        }
        return f;
    }();
    return folder;
}

SiteData site(const std::string& name, int limit) {
    SiteData s;
    s.name = name;
    s.speedLimit = limit;
    return s;
}

void BM_FileHundredWeeks(benchmark::State& state) {
    const fs::path folder = hundredWeeks();
    double sptBytes = 0, archiveBytes = 0;
    int round = 0;
    for (auto _ : state) {
        const fs::path file = benchDir() / ("hundert" + std::to_string(round++) + ".sqlite");
        {
            Archive a = Archive::openFile(file.string());
            const std::int64_t id = a.addSite(site("Hauptstraße", 50));
            if (a.importFolder(id, folder.string()).count(ImportOutcome::Filed) != 100)
                state.SkipWithError("not every week was filed");
            state.PauseTiming();
            sptBytes = 0;
            for (const FiledEntry& e : a.history(id))
                sptBytes += static_cast<double>(e.sptSize);
            state.ResumeTiming();
        }  // closing folds the write-ahead log back into the file
        archiveBytes = static_cast<double>(fs::file_size(file));
        const fs::path wal = file.string() + "-wal";
        if (fs::exists(wal))
            archiveBytes += static_cast<double>(fs::file_size(wal));
    }
    state.counters["spt_bytes_per_week"] = sptBytes / 100;
    state.counters["archive_bytes_per_week"] = archiveBytes / 100;
    state.counters["archive_per_spt"] = archiveBytes / sptBytes;
}
BENCHMARK(BM_FileHundredWeeks)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// 1,000 measurements: one site measured 100 times, 36 sites 25 times each, four limits; small
// measurements, since the lists never open one.
const Archive& thousandMeasurements() {
    static const Archive archive = [] {
        Archive a = Archive::openFile((benchDir() / "tausend.sqlite").string());
        int seed = 1;
        for (int s = 0; s < 37; ++s) {
            const int limits[] = {30, 50, 70, 100};
            const std::int64_t id =
                a.addSite(site("Messstelle " + std::to_string(s), limits[s % 4]));
            const int measurements = s == 0 ? 100 : 25;
            for (int m = 0; m < measurements; ++m) {
                gen::LogOptions opt;
                opt.seed = static_cast<std::uint64_t>(seed++);
                opt.records = 300;
                opt.limit = limits[(s + m) % 4];
                opt.startYear = 1930 + m;  // "30".."29" of the two-digit start date
                opt.startMonth = 1 + m % 12;
                const LoadResult log = readMeasurementBytes("x.log", gen::generateLog(opt));
                a.file(id, Site{"", log.startDate.value_or(""), ""}, log.records);
            }
        }
        return a;
    }();
    return archive;
}

void BM_SiteList1000(benchmark::State& state) {
    const Archive& a = thousandMeasurements();
    for (auto _ : state) {
        std::vector<SiteSummary> list = a.siteList();
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(BM_SiteList1000)->Unit(benchmark::kMillisecond);

void BM_Hotspots1000(benchmark::State& state) {
    const Archive& a = thousandMeasurements();
    for (auto _ : state) {
        std::vector<Hotspot> ranking = a.hotspots();
        benchmark::DoNotOptimize(ranking);
    }
}
BENCHMARK(BM_Hotspots1000)->Unit(benchmark::kMillisecond);

void BM_History100(benchmark::State& state) {
    const Archive& a = thousandMeasurements();
    const std::int64_t id = a.findSite("Messstelle 0")->id;
    for (auto _ : state) {
        std::vector<FiledEntry> history = a.history(id);
        if (history.size() != 100)
            state.SkipWithError("the site should hold 100 measurements");
        benchmark::DoNotOptimize(history);
    }
}
BENCHMARK(BM_History100)->Unit(benchmark::kMillisecond);

}  // namespace
