// The traffic figures of a whole measurement, each worked out by hand from a few vehicles.

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "evaluation/analysis.h"
#include "test_support.h"

namespace korvala::test {
namespace {

Analysis run(const DayTables& days, int limit = 50, std::string start = "01.12.26") {
    return analyze(days, AnalysisInput{limit, std::move(start), 0, 0});
}

Table speeds(std::initializer_list<double> values) {
    return vehiclesAt(10, values);
}

// A complete day: vehicles in hour 00 and hour 23 (or the hours given), `extra` more at noon.
Table fullDay(int extra, int firstHour = 0, int lastHour = 23) {
    Table r{rec(1, firstHour, 5, 0, 50)};
    for (int i = 0; i < extra; ++i)
        r.push_back(rec(1, 12, i / 60, i % 60, 50));
    r.push_back(rec(1, lastHour, 55, 0, 50));
    return r;
}

constexpr int hm(int h, int m) {
    return h * 3600 + m * 60;
}

// ---- the distribution ---------------------------------------------------------------------

TEST(AnalysisSpeeds, PercentilesByTheNearestRankMeanAndSampleDeviation) {
    struct Case {
        std::initializer_list<double> speeds;
        std::array<double, 7> figures;  // v15 v50 v85 v95 vmin vmax mean
        std::optional<double> stdDev;   // needs two vehicles
    };
    // Sorted 30 40 40 40 50 50 60 70 80 90: ranks 2, 5, 9, 10. Beyond the counted range the
    // ranking still interleaves: 40 40 300 511 520 600 700 1000.
    const double sd1 = std::sqrt(3450.0 / 9), sd3 = std::sqrt(753280.875 / 7);
    for (const Case& c :
         {Case{{50, 40, 90, 40, 30, 60, 80, 40, 70, 50}, {40, 50, 80, 90, 30, 90, 55}, sd1},
          Case{{47}, {47, 47, 47, 47, 47, 47, 47}, std::nullopt},
          Case{{600, 40, 1000, 520, 40, 300, 700, 511},
               {40, 511, 700, 1000, 40, 1000, 463.875},
               sd3}}) {
        const SpeedProfile p = run(week({speeds(c.speeds)})).speeds;
        EXPECT_EQ((std::array{*p.v15, *p.v50, *p.v85, *p.v95, *p.vmin, *p.vmax, *p.mean}),
                  c.figures);
        EXPECT_EQ(p.stdDev.has_value(), c.stdDev.has_value());
        EXPECT_DOUBLE_EQ(p.stdDev.value_or(0), c.stdDev.value_or(0));
    }
}

TEST(AnalysisSpeeds, RankIsExactWhereFloatingPointIsNot) {
    // 0.85 * 100 is 85.00000000000001 in binary floating point; its ceiling would be rank 86.
    const std::vector<std::array<int, 3>> ranks{{100, 85, 85}, {100, 15, 15}, {20, 95, 19},
                                                {3, 50, 2},    {1, 15, 1},    {0, 85, 0}};
    for (const auto& [n, p, rank] : ranks)
        EXPECT_EQ(nearestRank(n, p), rank) << n << " " << p;
}

TEST(AnalysisSpeeds, HighSpeedsSpreadOverHoursAndDaysAreMergedInOrder) {
    // Five hours on day 1 and three on day 2 each hold high speeds in falling order, so every
    // hour's run has to be merged with the others.
    Table d1, d2;
    std::vector<double> all;
    for (int h = 0; h < 5; ++h)
        for (int k = 0; k < 3; ++k) {
            d1.push_back(rec(1, 8 + h, k, 0, 900 - 37 * h - 101 * k));
            all.push_back(900 - 37 * h - 101 * k);
        }
    for (int h = 0; h < 3; ++h) {
        d2.insert(d2.end(), {rec(1, 1 + h, 0, 0, 1000 - 211 * h), rec(1, 1 + h, 1, 0, 45)});
        all.insert(all.end(), {1000.0 - 211 * h, 45});
    }
    std::sort(all.begin(), all.end());
    const auto a = run(week({d1, d2}));
    const auto n = static_cast<std::int64_t>(all.size());
    EXPECT_EQ(a.speeds.vehicles, n);
    for (const auto& [percent, value] :
         {std::pair{15, a.speeds.v15}, {50, a.speeds.v50}, {85, a.speeds.v85}, {95, a.speeds.v95}})
        EXPECT_EQ(value, all[nearestRank(n, percent) - 1]) << percent;
    EXPECT_EQ(a.days[0].speeds.v50, 725);  // 8th of the 15 of day 1
}

TEST(AnalysisSpeeds, PaceIsTheTenKmhBandWithMostVehicles) {
    struct Case {
        Table day;
        double from;
        std::int64_t vehicles;
    };
    for (const Case& c : {Case{speeds({35, 38, 42, 45, 51, 51, 52, 70}), 42, 4},
                          Case{speeds({40, 41, 60, 61}), 40, 2},  // a tie keeps the lower band
                          Case{speeds({40, 50, 50}), 50, 2},      // 50 is outside [40, 50)
                          Case{speeds({53, 47, 49, 56, 50}), 47, 5}}) {
        const auto pace = run(week({c.day})).speeds.pace;
        ASSERT_TRUE(pace);
        EXPECT_EQ(pace->from, c.from);
        EXPECT_EQ(pace->vehicles, c.vehicles);
        EXPECT_DOUBLE_EQ(pace->share, static_cast<double>(c.vehicles) / (c.day.size()));
    }
}

// ---- exceedance and verdict ---------------------------------------------------------------

TEST(AnalysisExceedance, BandsFromTheLimitOn) {
    // limit 50: 50 | 51 55 | 56 60 | 61 65 | 66 70 | 71 and more
    const auto a = run(week({speeds({50, 51, 55, 56, 60, 61, 65, 66, 70, 71, 130})}), 50);
    EXPECT_EQ(a.exceedance.over, 10);
    EXPECT_DOUBLE_EQ(a.exceedance.share, 10.0 / 11);
    for (const ExceedanceBand& b : a.exceedance.bands) {
        EXPECT_EQ(b.vehicles, 2) << b.label;
        EXPECT_DOUBLE_EQ(b.share, 2.0 / 11) << b.label;
    }
    EXPECT_EQ(a.exceedance.bands[0].label, "+1–5");
    EXPECT_EQ(a.exceedance.bands[4].label, "> +20");
    const DayTables days = week({speeds({28, 30, 31, 36, 52})});
    EXPECT_EQ(run(days, 30).exceedance.over, 3);
    EXPECT_EQ(run(days, 30).exceedance.bands[1].vehicles, 1);  // 36 is 6 over
    EXPECT_EQ(run(days, 130).exceedance.over, 0);
}

TEST(AnalysisExceedance, VerdictFromTheV85OfEachDay) {
    using enum Verdict;
    for (const auto& [v85, verdict] :
         std::vector<std::pair<std::optional<double>, Verdict>>{{std::nullopt, None},
                                                                {50, Unremarkable},
                                                                {50.5, SlightlyRaised},
                                                                {55, SlightlyRaised},
                                                                {55.5, Remarkable}})
        EXPECT_EQ(verdictFor(v85, 50), verdict) << v85.value_or(-1);
    EXPECT_EQ(verdictFor(35, 30), Verdict::SlightlyRaised);
    for (const auto& [v, text, color] :
         {std::tuple{Verdict::Unremarkable, "unauffällig", "green"},
          std::tuple{Verdict::SlightlyRaised, "leicht erhöht", "yellow"},
          std::tuple{Verdict::Remarkable, "auffällig", "red"}, std::tuple{Verdict::None, "", ""}}) {
        EXPECT_EQ(verdictText(v), text);
        EXPECT_EQ(verdictColor(v), color);
    }
    // Day 1: v85 of ten vehicles is rank 9. Day 2 is fast; v85 of all 13 is 70.
    const auto a =
        run(week({speeds({40, 40, 40, 40, 40, 40, 40, 40, 55, 90}), speeds({70, 70, 70})}));
    EXPECT_EQ(a.days[0].exceedance.verdict, Verdict::SlightlyRaised);
    EXPECT_EQ(a.days[1].exceedance.verdict, Verdict::Remarkable);
    EXPECT_EQ(a.exceedance.verdict, Verdict::Remarkable);
}

// ---- the week ----------------------------------------------------------------------------

TEST(AnalysisWeek, WeekdaysFromTheDayCount) {
    // Day 0 of the count, 30.12.1899, was a Saturday; 01.12.26 a Tuesday.
    EXPECT_EQ(weekdayOfDayCount(0), 5);
    EXPECT_EQ(weekdayOfDayCount(-1), 4);
    EXPECT_EQ(weekdayOfDayCount(-6), 6);
    EXPECT_EQ(weekdayOfMeasurementDay("01.12.26", 7), 0);
}

TEST(AnalysisWeek, CompleteDaysGiveTheAverages) {
    const auto a = run(week({fullDay(2, 1), fullDay(8), fullDay(0, 0, 22), fullDay(4)}));
    EXPECT_EQ((std::array{a.days[0].complete, a.days[1].complete, a.days[2].complete}),
              (std::array{false, true, false}));
    EXPECT_EQ(a.completeDays, (std::vector<int>{2, 4}));
    EXPECT_DOUBLE_EQ(*a.averageDaily, (10 + 6) / 2.0);
    EXPECT_TRUE(a.quality.firstDay->partial);

    // Start Friday 04.12.26: Fr (incomplete), Sa, So, Mo complete.
    const auto b =
        run(week({fullDay(100, 7), fullDay(10), fullDay(20), fullDay(40)}), 50, "04.12.26");
    EXPECT_EQ(b.completeDays, (std::vector<int>{2, 3, 4}));
    EXPECT_DOUBLE_EQ(*b.averageWeekend, (12 + 22) / 2.0);
    EXPECT_DOUBLE_EQ(*b.averageWeekday, 42);
    EXPECT_DOUBLE_EQ(*b.averageDaily, (12 + 22 + 42) / 3.0);
    // Without a readable date the days count for the daily average only.
    const auto c = run(week({fullDay(10), fullDay(20)}), 50, "");
    EXPECT_DOUBLE_EQ(*c.averageDaily, 17.0);
    EXPECT_FALSE(c.averageWeekday || c.averageWeekend);
    EXPECT_FALSE(c.quality.firstDay->partial);
    const auto d = run(week({fullDay(3, 6), fullDay(3, 0, 20)}));
    EXPECT_TRUE(d.completeDays.empty());
    EXPECT_FALSE(d.averageDaily || d.averageWeekday || d.averageWeekend);
}

TEST(AnalysisWeek, FirstAndLastVehiclePeakHourAndTheDaysListed) {
    // Records are in file order; a late one may come before an early one within the hour.
    const auto a = run(week(
        {{rec(1, 7, 30, 10, 50), rec(1, 7, 5, 0, 50), rec(1, 19, 59, 59, 40), rec(1, 20, 0, 0, 0)},
         {rec(1, 7, 0, 0, 50), rec(1, 17, 0, 0, 50), rec(1, 17, 1, 0, 50)}}));
    EXPECT_EQ(a.days[0].firstVehicle, hm(7, 5));
    EXPECT_EQ(a.days[0].lastVehicle, hm(19, 59) + 59);
    ASSERT_TRUE(a.peakHour);
    EXPECT_EQ((std::array{a.peakHour->day, a.peakHour->hour}), (std::array{1, 7}));
    EXPECT_EQ(a.peakHour->vehicles, 2);  // 17:00 on day 2 ties and comes later
    EXPECT_TRUE(run(week({})).days.empty());
    const auto b = run(week({{}, speeds({50}), {}, speeds({60})}));
    ASSERT_EQ(b.days.size(), 4u);
    EXPECT_EQ(b.days[3].day, 4);
    EXPECT_EQ(b.days[0].speeds.vehicles, 0);
}

TEST(AnalysisHeatMap, CountsPerHourAndV85FromTenVehicles) {
    Table r;
    for (int i = 0; i < 9; ++i)
        r.push_back(rec(1, 7, i, 0, 40 + i));  // hour 7: nine vehicles
    for (int i = 0; i < 10; ++i)
        r.push_back(rec(1, 8, i, 0, 40 + i));  // hour 8: ten, v85 = rank 9 = 48
    r.push_back(rec(1, 23, 59, 59, 60));
    const auto& hours = run(week({r})).days[0].hours;
    EXPECT_EQ(hours[7].vehicles, 9);
    EXPECT_FALSE(hours[7].v85);
    EXPECT_EQ(hours[8].vehicles, 10);
    EXPECT_EQ(hours[8].v85, 48);
    EXPECT_EQ(hours[23].vehicles, 1);
    EXPECT_EQ(hours[0].vehicles, 0);
}

// ---- data quality ------------------------------------------------------------------------

std::vector<std::pair<int, int>> gaps(const DayAnalysis& day) {
    std::vector<std::pair<int, int>> out;
    for (const Gap& g : day.gaps)
        out.emplace_back(g.from, g.to);
    return out;
}

TEST(AnalysisQuality, GapsInsideTheDaytimeWindowAndTheMeasurement) {
    using Gaps = std::vector<std::pair<int, int>>;
    // Day 2 lies inside the measurement, so the whole 06:00-22:00 window is searched.
    const auto a = run(week(
        {fullDay(0),
         {rec(1, 3, 0, 0, 50), rec(1, 7, 0, 0, 50),  // 06:00-07:00: 60 min
          rec(1, 7, 59, 59, 50),                     // 59:59 later: no gap
          rec(1, 10, 0, 0, 50), rec(1, 10, 0, 1, 50), rec(1, 20, 30, 0, 50), rec(1, 23, 0, 0, 50)},
         {rec(1, 1, 0, 0, 0)},  // no vehicle: one gap
         fullDay(0)}));
    EXPECT_EQ(gaps(a.days[1]), (Gaps{{hm(6, 0), hm(7, 0)},
                                     {hm(7, 59) + 59, hm(10, 0)},
                                     {hm(10, 0) + 1, hm(20, 30)},
                                     {hm(20, 30), hm(22, 0)}}));
    EXPECT_EQ(gaps(a.days[2]), (Gaps{{hm(6, 0), hm(22, 0)}}));

    // Every quarter of an hour from 06:10: never 60 minutes without a vehicle.
    Table busy{rec(1, 0, 10, 0, 50)};
    for (int q = 0; q < 16 * 4; ++q)
        busy.push_back(rec(1, 6 + q / 4, (q % 4) * 15 + 10, 0, 50));
    busy.push_back(rec(1, 23, 50, 0, 50));
    EXPECT_TRUE(run(week({fullDay(0), busy, fullDay(0)})).days[1].gaps.empty());
}

TEST(AnalysisQuality, ImplausibleSpeedsAndTheTopTen) {
    Table many;
    for (int i = 0; i < 250; ++i)
        many.push_back(rec(1, 10 + i / 3600, i / 60 % 60, i % 60, 3));
    const auto capped = run(week({many}));
    EXPECT_EQ(capped.quality.implausibleCount, 250);
    ASSERT_EQ(capped.quality.implausible.size(), kImplausibleListCap);
    EXPECT_EQ(capped.quality.implausible.back().second, hm(10, 1) + 39);  // the 100th vehicle

    // Within an hour the device's clock may step back, so file order is not time order.
    const auto a = run(
        week({{rec(1, 9, 30, 0, 80), rec(1, 9, 10, 0, 80), rec(1, 8, 0, 0, 4), rec(1, 8, 0, 1, 5),
               rec(1, 12, 0, 0, 95)},
              {rec(1, 6, 0, 0, 80), rec(1, 7, 0, 0, 199), rec(1, 8, 0, 0, 200), rec(1, 9, 0, 0, 62),
               rec(1, 10, 0, 0, 63), rec(1, 11, 0, 0, 1), rec(1, 12, 0, 0, 65)}}));
    std::vector<std::array<double, 3>> implausible, top;
    for (const SpeedEvent& e : a.quality.implausible)
        implausible.push_back({double(e.day), double(e.second), e.speed});
    for (const SpeedEvent& e : a.quality.topSpeeds)
        top.push_back({double(e.day), double(e.second), e.speed});
    EXPECT_EQ(implausible, (std::vector<std::array<double, 3>>{
                               {1, hm(8, 0), 4}, {2, hm(8, 0), 200}, {2, hm(11, 0), 1}}));
    EXPECT_EQ(top, (std::vector<std::array<double, 3>>{{2, hm(8, 0), 200},
                                                       {2, hm(7, 0), 199},
                                                       {1, hm(12, 0), 95},
                                                       {1, hm(9, 10), 80},
                                                       {1, hm(9, 30), 80},
                                                       {2, hm(6, 0), 80},
                                                       {2, hm(12, 0), 65},
                                                       {2, hm(10, 0), 63},
                                                       {2, hm(9, 0), 62},
                                                       {1, hm(8, 0) + 1, 5}}));
}

}  // namespace
}  // namespace korvala::test
