// korvala-gen writes the device logs the benchmarks and the screenshot script measure: they must
// read without a rejected line and split into the days they were made for.

#include <cstdlib>
#include <string>

#include "evaluation/statistics.h"
#include "log_generator.h"
#include "model/measurement_file.h"
#include "test_support.h"

namespace korvala::test {
namespace {

TEST(Generator, AWeekAcrossTheYearEndReadsCleanlyAsSevenDays) {
    gen::LogOptions opt;
    opt.records = 5000;
    opt.startDay = 29, opt.startMonth = 12, opt.startYear = 2027;
    const std::string log = gen::generateLog(opt);
    EXPECT_EQ(log, gen::generateLog(opt)) << "the same seed gives the same bytes";
    EXPECT_TRUE(log.starts_with("/29/12/2027/"));
    EXPECT_NE(log.find("\r\n/04/01/2028/"), std::string::npos);
    LoadResult r = readMeasurementBytes("g.log", log);
    ASSERT_EQ(r.records.size(), 5000u);
    EXPECT_EQ(r.linesRejected, 0);
    EXPECT_EQ(r.startDate, "29.12.27");
    NullStatusSink sink;
    const SplitResult split = splitDays(r.records, sink);
    for (int d = 0; d < kDays; ++d)
        EXPECT_GT(split.days[d].size(), 100u) << "day " << d + 1;
}

TEST(Generator, TheToolWritesLogsAndSptFiles) {
    const fs::path dir = fs::temp_directory_path() / ("korvala-gen-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    auto run = [&](const std::string& args) {
        const int status = std::system((KORVALA_GEN " " + args + " 2>/dev/null").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    ASSERT_EQ(run("--days 3 --records 1234 --start 05/03/2026 -o " + (dir / "m.log").string()), 0);
    EXPECT_EQ(readMeasurementFile((dir / "m.log").string()).records.size(), 1234u);
    ASSERT_EQ(
        run("--spt --days 1 --records 100 --location 'Haupt, Ecke' -o " + (dir / "m.spt").string()),
        0);
    EXPECT_EQ(readMeasurementFile((dir / "m.spt").string()).location, "Haupt; Ecke");
    for (const char* bad : {"--days 8", "--records -1", "--start 31/02/2026", "--bogus 1"})
        EXPECT_EQ(run(std::string(bad) + " -o " + (dir / "x.log").string()), 2) << bad;
    EXPECT_FALSE(fs::exists(dir / "x.log"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace korvala::test
