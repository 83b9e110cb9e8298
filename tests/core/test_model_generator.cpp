// korvala-gen writes the device logs the benchmarks and the screenshot script measure: they must
// read without a rejected line and split into the days they were made for.

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

}  // namespace
}  // namespace korvala::test
