// Splitting a measurement into days, the statistics of one day and the speed captions.

#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "evaluation/statistics.h"
#include "test_support.h"

namespace korvala::test {
namespace {

using Ids = std::vector<std::int32_t>;

Ids ids(const Table& t) {
    Ids out;
    for (const auto& m : t)
        out.push_back(m.id);
    return out;
}

struct SplitCase {
    const char* what;
    Table records;
    Ids kept;               // the measurement after the split
    std::vector<Ids> days;  // day tables without their closing record; the rest are empty
};

TEST(SplitDays, DuplicatesGoAndADayBeginsWhereTheHourGoesDown) {
    Table tenDays;
    for (int day = 0; day < 10; ++day)
        tenDays.insert(tenDays.end(),
                       {rec(2 * day + 1, 12, 0, 0, 50, day), rec(2 * day + 2, 18, 0, 0, 50, day)});
    const std::vector<SplitCase> cases{
        {"only neighbours with equal times go, the first of a run stays",
         {rec(1, 8, 0, 0, 50), rec(2, 8, 0, 0, 60), rec(3, 8, 0, 0, 70), rec(4, 8, 0, 1, 40),
          rec(5, 8, 0, 0, 45), rec(6, 8, 0, 1, 55)},
         {1, 4, 5, 6},
         {{1, 4, 5, 6}}},
        {"the date is part of the time",
         {rec(1, 8, 0, 0, 50, 0), rec(2, 8, 0, 0, 60, 1), rec(3, 8, 0, 0, 60, 1)},
         {1, 2},
         {{1, 2}}},
        {"no records", {}, {}, {}},
        {"minutes going back do not start a day",
         {rec(1, 22, 0, 0, 50), rec(2, 23, 59, 59, 50), rec(3, 0, 0, 1, 50), rec(4, 0, 59, 0, 50),
          rec(5, 0, 10, 0, 50), rec(6, 23, 0, 0, 50), rec(7, 5, 0, 0, 50)},
         {1, 2, 3, 4, 5, 6, 7},
         {{1, 2}, {3, 4, 5, 6}, {7}}},
        {"the second record may begin day 2",
         {rec(1, 23, 0, 0, 50), rec(2, 1, 0, 0, 50)},
         {1, 2},
         {{1}, {2}}},
        {"days without the hour going down stay one day",
         {rec(1, 10, 0, 0, 50, 0), rec(2, 12, 0, 0, 50, 3), rec(3, 20, 0, 0, 50, 5)},
         {1, 2, 3},
         {{1, 2, 3}}},
        {"after the seventh day everything stays in day 7",
         tenDays,
         ids(tenDays),
         {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}, {13, 14, 15, 16, 17, 18, 19, 20}}},
        {"day 1 takes vehicles only, later days keep 0 and empty speeds",
         {rec(1, 8, 0, 0, 0), rec(2, 9, 0, 0, 50), Measurement{3, {}, Speed()}, rec(4, 1, 0, 0, 0),
          rec(5, 2, 0, 0, 60), Measurement{6, Timestamp::fromDayAndTime(0, 3, 0, 0), Speed()}},
         {1, 2, 3, 4, 5, 6},
         {{2}, {3, 4, 5, 6}}}};
    for (SplitCase c : cases) {
        SCOPED_TRACE(c.what);
        const std::size_t before = c.records.size();
        RecordingSink sink;
        const SplitResult r = splitDays(c.records, sink);
        EXPECT_EQ(ids(c.records), c.kept);
        EXPECT_EQ(r.duplicatesDropped, static_cast<std::int32_t>(before - c.kept.size()));
        EXPECT_EQ(
            sink.calls,
            (std::vector<std::pair<int, std::string>>{{5, std::to_string(r.duplicatesDropped)}}));
        for (int d = 0; d < kDays; ++d) {
            Ids expected = d < static_cast<int>(c.days.size()) ? c.days[d] : Ids{};
            EXPECT_EQ(r.dayFound[d], d == 0 || !expected.empty()) << "day " << d + 1;
            expected.push_back(0);
            EXPECT_EQ(ids(r.days[d]), expected) << "day " << d + 1;
        }
    }
}

// ---- the statistics of one day ------------------------------------------------------------

TEST(DayStatistics, TenKmhClassesBelow300AndHoursFromTheSecondRecordsHour) {
    // The first record is at 06:xx, the second at 07:xx: slot 0 is 07:00-07:59 and the first
    // record's hour comes last. 300 is a vehicle in no class; 0 and negatives are none.
    const Table day = closed({rec(1, 6, 59, 0, 5), rec(2, 7, 0, 0, 9.9), rec(3, 7, 30, 0, 10),
                              rec(4, 23, 10, 0, 299.9), rec(5, 3, 0, 0, 300), rec(6, 7, 5, 0, 45),
                              rec(7, 7, 6, 0, 0), rec(8, 7, 7, 0, -20), rec(9, 7, 8, 0, 41)});
    RecordingSink sink;
    const DayStats s = dayStatistics(day, sink);
    EXPECT_EQ(s.vehicles, 7);
    EXPECT_EQ(s.classUpper, (std::vector<std::int32_t>{10, 20, 50, 300}));
    EXPECT_EQ(s.classCounts, (std::vector<std::int16_t>{2, 1, 2, 1}));
    EXPECT_EQ(s.firstHour, 7);
    const std::vector<std::pair<int, int>> counted{{0, 4}, {16, 1}, {20, 1}, {23, 1}};
    for (const auto& [slot, count] : counted)
        EXPECT_EQ(s.hourCount[slot], count) << slot;
    EXPECT_EQ(s.hourLabel[0], "08:00");
    EXPECT_EQ(s.hourLabel[16], "00:00");  // 23:00-23:59 ends at midnight
    EXPECT_EQ(s.hourLabel[23], "07:00");
    EXPECT_EQ(s.hourCount[24], 0);
    EXPECT_EQ(s.hourLabel[24], "");
    using Calls = std::vector<std::pair<int, std::string>>;
    EXPECT_EQ(
        sink.calls,
        (Calls{{2, "Datensatz"}, {4, "wird geladen."}, {3, "7"}, {2, "Datensätze"}, {4, ""}}));
}

TEST(DayStatistics, TalliesSaturateAt32767) {
    Table many(40000, rec(1, 10, 0, 0, 55));
    many.push_back(rec(2, 11, 0, 0, 120));
    NullStatusSink sink;
    const DayStats s = dayStatistics(closed(std::move(many)), sink);
    EXPECT_EQ(s.vehicles, 32767);
    EXPECT_EQ(s.hourCount[0], 32767);
    EXPECT_EQ(s.hourCount[1], 1);  // counted although the vehicle count was already full
    EXPECT_EQ(s.classCounts, (std::vector<std::int16_t>{32767, 1}));
}

// ---- the speed captions -------------------------------------------------------------------

TEST(ShowSpeeds, TheFirstRecordTakesPartInTheHighestSpeedOnly) {
    struct Case {
        std::vector<double> speeds;                          // NaN: a record without speed
        std::optional<std::array<std::string, 3>> captions;  // vmin, vmax, avg
    };
    const double none = std::nan("");
    const std::vector<Case> cases{
        {{130, 40, 61}, {{"40 km/h", "130 km/h", " 50 km/h"}}},  // (40 + 61) / 2, floored
        {{5, 40, 61}, {{"40 km/h", "61 km/h", " 50 km/h"}}},
        // Zero and empty speeds widen the divisor (90 over four) but are not the lowest...
        {{50, 30, 0, none, 60}, {{"30 km/h", "60 km/h", " 22 km/h"}}},
        // ...unless the lowest starts there, at position 1.
        {{50, 0, 70}, {{"0 km/h", "70 km/h", " 35 km/h"}}},
        // "47,5" counts with its leading number, 47.
        {{47.5, 60.5, 70.5}, {{"60 km/h", "70 km/h", " 65 km/h"}}},
        {{}, std::nullopt},
        {{50}, std::nullopt},
        {{50, 40000, 50}, std::nullopt},     // the lowest is a 16-bit number
        {{50, 10, 2e9, 2e9}, std::nullopt},  // the sum a 32-bit one
        {{50, 10, 2e9}, {{"10 km/h", "2000000000 km/h", " 1000000005 km/h"}}},
        {{50, 10, 2147483637},
         {{"10 km/h", "2147483637 km/h", " 1073741823 km/h"}}}};  // sum = 2^31 - 1
    for (const Case& c : cases) {
        Table day;
        for (double v : c.speeds)
            day.push_back(std::isnan(v) ? Measurement{1, {}, Speed()} : rec(1, 8, 0, 0, v));
        const auto captions = showSpeeds(closed(day));
        ASSERT_EQ(captions.has_value(), c.captions.has_value())
            << ::testing::PrintToString(c.speeds);
        if (captions) {
            EXPECT_EQ((std::array{captions->vmin, captions->vmax, captions->avg}), *c.captions);
        }
    }
    EXPECT_FALSE(showSpeeds(Table{}));
    EXPECT_EQ(numberWithSign(0), " 0");
    EXPECT_EQ(numberWithSign(-3), "-3");
    EXPECT_EQ(numberWithSign(2147483648LL), " 2147483648");
}

}  // namespace
}  // namespace korvala::test
