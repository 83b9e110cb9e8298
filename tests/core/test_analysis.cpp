#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "evaluation/analysis.h"

namespace korvala {
namespace {

Measurement at(int h, int m, int s, double speed) {
    static std::int32_t id = 0;
    return Measurement{++id, Timestamp::fromDayAndTime(0, h, m, s), Speed::fromNumber(speed)};
}

// A day table as the day split leaves it: the records, then one empty record.
Table day(std::vector<Measurement> records) {
    records.push_back(Measurement{});
    return records;
}

// One day of vehicles at 10:00, one second apart.
Table speeds(std::initializer_list<double> values) {
    std::vector<Measurement> records;
    int s = 0;
    for (double v : values) {
        records.push_back(at(10, s / 60, s % 60, v));
        ++s;
    }
    return day(records);
}

DayTables week(std::vector<Table> tables) {
    DayTables days;
    for (auto& t : days)
        t = day({});
    for (std::size_t i = 0; i < tables.size(); ++i)
        days[i] = tables[i];
    return days;
}

Analysis run(const DayTables& days, int limit = 50, std::string start = "01.12.26") {
    return analyze(days, AnalysisInput{limit, std::move(start), 0, 0});
}

// ---- percentiles and distribution figures -------------------------------------------------

TEST(AnalysisPercentiles, NearestRankWithTies) {
    // Sorted: 30 40 40 40 50 50 60 70 80 90 (n = 10). Ranks: v15 -> 2, v50 -> 5, v85 -> 9,
    // v95 -> 10.
    const auto a = run(week({speeds({50, 40, 90, 40, 30, 60, 80, 40, 70, 50})}));
    const SpeedProfile& p = a.speeds;
    EXPECT_EQ(p.vehicles, 10);
    EXPECT_EQ(p.v15, 40);
    EXPECT_EQ(p.v50, 50);
    EXPECT_EQ(p.v85, 80);
    EXPECT_EQ(p.v95, 90);
    EXPECT_EQ(p.vmin, 30);
    EXPECT_EQ(p.vmax, 90);
}

TEST(AnalysisPercentiles, RankIsExactWhereFloatingPointIsNot) {
    // 0.85 * 100 is 85.00000000000001 in binary floating point; ceil of that would pick rank 86.
    EXPECT_EQ(nearestRank(100, 85), 85);
    EXPECT_EQ(nearestRank(100, 15), 15);
    EXPECT_EQ(nearestRank(20, 95), 19);
    EXPECT_EQ(nearestRank(3, 50), 2);
    EXPECT_EQ(nearestRank(1, 15), 1);
    EXPECT_EQ(nearestRank(0, 85), 0);

    std::vector<double> values;
    for (int i = 1; i <= 100; ++i)
        values.push_back(i);  // speeds 1..100, rank k holds speed k
    Table t;
    for (std::size_t i = 0; i < values.size(); ++i)
        t.push_back(at(12, static_cast<int>(i / 60), static_cast<int>(i % 60), values[i]));
    const auto a = run(week({day(t)}));
    EXPECT_EQ(a.speeds.v85, 85);
    EXPECT_EQ(a.speeds.v15, 15);
    EXPECT_EQ(a.speeds.v95, 95);
}

TEST(AnalysisPercentiles, SingleVehicleIsEveryPercentile) {
    const auto a = run(week({speeds({47})}));
    const SpeedProfile& p = a.speeds;
    EXPECT_EQ(p.vehicles, 1);
    EXPECT_EQ(p.v15, 47);
    EXPECT_EQ(p.v95, 47);
    EXPECT_EQ(p.mean, 47);
    EXPECT_FALSE(p.stdDev.has_value()) << "a sample deviation needs two vehicles";
    ASSERT_TRUE(p.pace.has_value());
    EXPECT_EQ(p.pace->from, 47);
    EXPECT_EQ(p.pace->share, 1.0);
}

TEST(AnalysisPercentiles, NoVehiclesGivesNoFigures) {
    // Day 2 holds only records without a speed: it exists, but nothing can be computed.
    const auto a = run(week({day({}), day({at(1, 0, 0, 0), at(2, 0, 0, 0)})}));
    ASSERT_EQ(a.days.size(), 2u);
    for (const SpeedProfile* p : {&a.speeds, &a.days[0].speeds, &a.days[1].speeds}) {
        EXPECT_EQ(p->vehicles, 0);
        EXPECT_FALSE(p->v15 || p->v50 || p->v85 || p->v95 || p->mean || p->stdDev || p->vmax ||
                     p->pace);
    }
    EXPECT_EQ(a.exceedance.verdict, Verdict::None);
    EXPECT_EQ(a.exceedance.share, 0);
    EXPECT_FALSE(a.peakHour.has_value());
    EXPECT_TRUE(a.quality.topSpeeds.empty());
}

TEST(AnalysisPercentiles, RecordsWithoutSpeedAreNoVehicles) {
    const auto a = run(week({speeds({50}), day({at(9, 0, 0, 0), at(9, 0, 1, 60), Measurement{}})}));
    EXPECT_EQ(a.days[1].speeds.vehicles, 1);
    EXPECT_EQ(a.speeds.vehicles, 2);
    EXPECT_EQ(a.speeds.v15, 50);
}

TEST(AnalysisPercentiles, MeanAndSampleDeviation) {
    const auto a = run(week({speeds({40, 50, 60})}));
    EXPECT_DOUBLE_EQ(*a.speeds.mean, 50.0);
    EXPECT_DOUBLE_EQ(*a.speeds.stdDev, 10.0);  // sqrt(200 / 2)
}

TEST(AnalysisPercentiles, SpeedsBeyondTheCountedRangeKeepTheirOrder) {
    // Very high speeds take the slower path; the ranking must still interleave correctly.
    const auto a = run(week({speeds({600, 40, 1000, 520, 40, 300, 700, 511})}));
    // Sorted: 40 40 300 511 520 600 700 1000.
    EXPECT_EQ(a.speeds.v15, 40);   // rank 2
    EXPECT_EQ(a.speeds.v50, 511);  // rank 4
    EXPECT_EQ(a.speeds.v85, 700);  // rank 7
    EXPECT_EQ(a.speeds.vmax, 1000);
    EXPECT_DOUBLE_EQ(*a.speeds.mean, (600 + 40 + 1000 + 520 + 40 + 300 + 700 + 511) / 8.0);
}

TEST(AnalysisPercentiles, HighSpeedsSpreadOverHoursAndDaysStaySorted) {
    // Five hours on day 1 and three on day 2 each hold high speeds in falling order, so every
    // hour's run has to be merged with the others.
    std::vector<Measurement> d1, d2;
    std::vector<double> all;
    for (int h = 0; h < 5; ++h)
        for (int k = 0; k < 3; ++k) {
            const double v = 900 - 37 * h - 101 * k;
            d1.push_back(at(8 + h, k, 0, v));
            all.push_back(v);
        }
    for (int h = 0; h < 3; ++h) {
        const double v = 1000 - 211 * h;
        d2.push_back(at(1 + h, 0, 0, v));
        d2.push_back(at(1 + h, 1, 0, 45));
        all.push_back(v);
        all.push_back(45);
    }
    std::sort(all.begin(), all.end());
    const auto a = run(week({day(d1), day(d2)}));
    const std::int64_t n = static_cast<std::int64_t>(all.size());
    EXPECT_EQ(a.speeds.vehicles, n);
    EXPECT_EQ(a.speeds.v15, all[nearestRank(n, 15) - 1]);
    EXPECT_EQ(a.speeds.v50, all[nearestRank(n, 50) - 1]);
    EXPECT_EQ(a.speeds.v85, all[nearestRank(n, 85) - 1]);
    EXPECT_EQ(a.speeds.v95, all[nearestRank(n, 95) - 1]);
    EXPECT_EQ(a.speeds.vmin, 45);
    EXPECT_EQ(a.speeds.vmax, 1000);
    EXPECT_EQ(a.days[0].speeds.v50, 900 - 37 * 2 - 101 * 1);  // 8th of 15: 725
}

TEST(AnalysisPercentiles, WholeMeasurementPoolsAllDays) {
    const auto a = run(week({speeds({30, 30}), speeds({60}), speeds({90, 90, 90})}));
    EXPECT_EQ(a.speeds.vehicles, 6);
    EXPECT_EQ(a.speeds.v50, 60);  // rank 3 of 30 30 60 90 90 90
    EXPECT_EQ(a.days[0].speeds.v50, 30);
    EXPECT_EQ(a.days[2].speeds.v50, 90);
}

// ---- pace --------------------------------------------------------------------------------

TEST(AnalysisPace, BandWithMostVehicles) {
    // [42, 52) holds 42 45 51 51: four vehicles; [35, 45) only three.
    const auto a = run(week({speeds({35, 38, 42, 45, 51, 51, 52, 70})}));
    ASSERT_TRUE(a.speeds.pace);
    EXPECT_EQ(a.speeds.pace->from, 42);
    EXPECT_EQ(a.speeds.pace->vehicles, 4);
    EXPECT_DOUBLE_EQ(a.speeds.pace->share, 0.5);
}

TEST(AnalysisPace, TieKeepsTheLowerBand) {
    const auto a = run(week({speeds({40, 41, 60, 61})}));
    EXPECT_EQ(a.speeds.pace->from, 40);
    EXPECT_EQ(a.speeds.pace->vehicles, 2);
}

TEST(AnalysisPace, UpperEdgeIsOutsideTheBand) {
    // 40 and 50 are exactly 10 apart: never in one band.
    const auto a = run(week({speeds({40, 50, 50})}));
    EXPECT_EQ(a.speeds.pace->from, 50);
    EXPECT_EQ(a.speeds.pace->vehicles, 2);
}

TEST(AnalysisPace, AllVehiclesInOneBandStartsAtTheSlowest) {
    const auto a = run(week({speeds({53, 47, 49, 56, 50})}));
    EXPECT_EQ(a.speeds.pace->from, 47);
    EXPECT_EQ(a.speeds.pace->vehicles, 5);
    EXPECT_DOUBLE_EQ(a.speeds.pace->share, 1.0);
}

// ---- exceedance --------------------------------------------------------------------------

TEST(AnalysisExceedance, LimitItselfIsNotOver) {
    const auto a = run(week({speeds({50, 50, 51, 40})}), 50);
    EXPECT_EQ(a.exceedance.over, 1);
    EXPECT_DOUBLE_EQ(a.exceedance.share, 0.25);
}

TEST(AnalysisExceedance, BandBoundaries) {
    // limit 50: 51 55 | 56 60 | 61 65 | 66 70 | 71 and more
    const auto a = run(week({speeds({50, 51, 55, 56, 60, 61, 65, 66, 70, 71, 130})}), 50);
    const auto& b = a.exceedance.bands;
    EXPECT_EQ(a.exceedance.over, 10);
    EXPECT_EQ(b[0].vehicles, 2);
    EXPECT_EQ(b[1].vehicles, 2);
    EXPECT_EQ(b[2].vehicles, 2);
    EXPECT_EQ(b[3].vehicles, 2);
    EXPECT_EQ(b[4].vehicles, 2);
    EXPECT_DOUBLE_EQ(b[4].share, 2.0 / 11.0);
    EXPECT_EQ(b[0].label, "+1–5");
    EXPECT_EQ(b[4].label, "> +20");
}

TEST(AnalysisExceedance, LimitChangesTheCounts) {
    const DayTables days = week({speeds({28, 30, 31, 36, 52})});
    EXPECT_EQ(run(days, 30).exceedance.over, 3);
    EXPECT_EQ(run(days, 30).exceedance.bands[1].vehicles, 1);  // 36 is 6 over
    EXPECT_EQ(run(days, 130).exceedance.over, 0);
    EXPECT_EQ(run(days, 5).exceedance.over, 5);
}

TEST(AnalysisExceedance, VerdictThresholds) {
    EXPECT_EQ(verdictFor(std::nullopt, 50), Verdict::None);
    EXPECT_EQ(verdictFor(50, 50), Verdict::Unremarkable);
    EXPECT_EQ(verdictFor(50.5, 50), Verdict::SlightlyRaised);
    EXPECT_EQ(verdictFor(55, 50), Verdict::SlightlyRaised);
    EXPECT_EQ(verdictFor(56, 50), Verdict::Remarkable);
    EXPECT_EQ(verdictFor(35, 30), Verdict::SlightlyRaised);
    EXPECT_EQ(verdictText(Verdict::Unremarkable), "unauffällig");
    EXPECT_EQ(verdictText(Verdict::SlightlyRaised), "leicht erhöht");
    EXPECT_EQ(verdictText(Verdict::Remarkable), "auffällig");
    EXPECT_EQ(verdictColor(Verdict::Remarkable), "red");
}

TEST(AnalysisExceedance, VerdictFollowsTheV85OfEachDay) {
    // Day 1: v85 of ten vehicles is rank 9. Day 2 is fast.
    const auto a =
        run(week({speeds({40, 40, 40, 40, 40, 40, 40, 40, 55, 90}), speeds({70, 70, 70})}), 50);
    EXPECT_EQ(a.days[0].speeds.v85, 55);
    EXPECT_EQ(a.days[0].exceedance.verdict, Verdict::SlightlyRaised);
    EXPECT_EQ(a.days[1].exceedance.verdict, Verdict::Remarkable);
    EXPECT_EQ(a.exceedance.verdict, Verdict::Remarkable);  // v85 of all 13 is 70
}

TEST(AnalysisLimit, ValidRange) {
    EXPECT_TRUE(speedLimitValid(kDefaultSpeedLimit));
    EXPECT_TRUE(speedLimitValid(5));
    EXPECT_TRUE(speedLimitValid(130));
    EXPECT_FALSE(speedLimitValid(4));
    EXPECT_FALSE(speedLimitValid(131));
}

// ---- the week ----------------------------------------------------------------------------

TEST(AnalysisWeek, WeekdaysFromTheStartDate) {
    // 01.12.26 is a Tuesday.
    EXPECT_EQ(weekdayOfMeasurementDay("01.12.26", 1), 1);
    EXPECT_EQ(weekdayOfMeasurementDay("01.12.26", 5), 5);  // Saturday
    EXPECT_EQ(weekdayOfMeasurementDay("01.12.26", 6), 6);  // Sunday
    EXPECT_EQ(weekdayOfMeasurementDay("01.12.26", 7), 0);  // Monday
    EXPECT_EQ(weekdayOfMeasurementDay("29.02.24", 1), 3);  // Thursday
    EXPECT_EQ(weekdayOfMeasurementDay("31.12.99", 2), 5);  // 01.01.2000, Saturday
    EXPECT_EQ(weekdayOfMeasurementDay("kein Datum", 1), std::nullopt);
    EXPECT_EQ(weekdayOfMeasurementDay("", 1), std::nullopt);
    EXPECT_EQ(kWeekdayNames[1], "Dienstag");
    EXPECT_EQ(weekdayOfDayCount(0), 5);  // 30.12.1899
    EXPECT_EQ(weekdayOfDayCount(-1), 4);
}

TEST(AnalysisWeek, DaysCarryTheirWeekdayOrNone) {
    const DayTables days = week({speeds({50}), speeds({50})});
    const auto a = run(days, 50, "05.12.26");  // Saturday
    EXPECT_EQ(a.days[0].weekday, 5);
    EXPECT_EQ(a.days[1].weekday, 6);
    const auto b = run(days, 50, "32.13.26");
    EXPECT_FALSE(b.days[0].weekday.has_value());
}

// A complete day: vehicles in hour 00 and hour 23, `extra` more in between.
Table fullDay(int extra, int firstHour = 0, int lastHour = 23) {
    std::vector<Measurement> r;
    r.push_back(at(firstHour, 5, 0, 50));
    for (int i = 0; i < extra; ++i)
        r.push_back(at(12, i / 60, i % 60, 50));
    r.push_back(at(lastHour, 55, 0, 50));
    return day(r);
}

TEST(AnalysisWeek, CompletenessNeedsHourZeroAndHourTwentyThree) {
    const auto a = run(week({fullDay(2, 1), fullDay(8), fullDay(0, 0, 22), fullDay(4)}));
    EXPECT_FALSE(a.days[0].complete);
    EXPECT_TRUE(a.days[1].complete);
    EXPECT_FALSE(a.days[2].complete);
    EXPECT_TRUE(a.days[3].complete);
    EXPECT_EQ(a.completeDays, (std::vector<int>{2, 4}));
    EXPECT_DOUBLE_EQ(*a.averageDaily, (10 + 6) / 2.0);
}

TEST(AnalysisWeek, NoCompleteDayGivesNoAverage) {
    const auto a = run(week({fullDay(3, 6), fullDay(3, 0, 20)}));
    EXPECT_TRUE(a.completeDays.empty());
    EXPECT_FALSE(a.averageDaily.has_value());
    EXPECT_FALSE(a.averageWeekday.has_value());
    EXPECT_FALSE(a.averageWeekend.has_value());
}

TEST(AnalysisWeek, WorkdaysAgainstWeekend) {
    // Start Friday 04.12.26: Fr (incomplete), Sa, So, Mo, Tu complete.
    const auto a = run(week({fullDay(100, 7), fullDay(10), fullDay(20), fullDay(40), fullDay(60)}),
                       50, "04.12.26");
    EXPECT_EQ(a.completeDays, (std::vector<int>{2, 3, 4, 5}));
    EXPECT_DOUBLE_EQ(*a.averageWeekend, (12 + 22) / 2.0);
    EXPECT_DOUBLE_EQ(*a.averageWeekday, (42 + 62) / 2.0);
    EXPECT_DOUBLE_EQ(*a.averageDaily, (12 + 22 + 42 + 62) / 4.0);

    // Without a readable date the days still count for the daily average only.
    const auto b = run(week({fullDay(10), fullDay(20)}), 50, "");
    EXPECT_DOUBLE_EQ(*b.averageDaily, 17.0);
    EXPECT_FALSE(b.averageWeekday || b.averageWeekend);
}

TEST(AnalysisWeek, FirstAndLastVehicleOfEachDay) {
    // Records are in file order; a late one may come before an early one within the hour.
    const auto a =
        run(week({day({at(7, 30, 10, 50), at(7, 5, 0, 50), at(19, 59, 59, 40), at(20, 0, 0, 0)})}));
    EXPECT_EQ(a.days[0].firstVehicle, 7 * 3600 + 5 * 60);
    EXPECT_EQ(a.days[0].lastVehicle, 19 * 3600 + 59 * 60 + 59);
}

TEST(AnalysisWeek, PeakHourTiesGoToTheEarliest) {
    const auto a = run(week({day({at(8, 0, 0, 50), at(8, 1, 0, 50), at(9, 0, 0, 50)}),
                             day({at(7, 0, 0, 50), at(7, 1, 0, 50), at(17, 0, 0, 50),
                                  at(17, 1, 0, 50), at(17, 2, 0, 50)})}));
    ASSERT_TRUE(a.peakHour);
    EXPECT_EQ(a.peakHour->day, 2);
    EXPECT_EQ(a.peakHour->hour, 17);
    EXPECT_EQ(a.peakHour->vehicles, 3);

    const auto b = run(week({day({at(8, 0, 0, 50), at(9, 0, 0, 50)}), day({at(6, 0, 0, 50)})}));
    EXPECT_EQ(b.peakHour->day, 1);
    EXPECT_EQ(b.peakHour->hour, 8);
}

TEST(AnalysisWeek, OnlyDaysWithRecordsUpToTheLastAreListed) {
    EXPECT_TRUE(run(week({})).days.empty());
    EXPECT_TRUE(run(week({})).completeDays.empty());
    const auto a = run(week({day({}), speeds({50}), speeds({60})}));
    ASSERT_EQ(a.days.size(), 3u);
    EXPECT_EQ(a.days[0].day, 1);
    EXPECT_EQ(a.days[0].speeds.vehicles, 0);
    EXPECT_EQ(a.days[2].day, 3);
}

// ---- heat map ----------------------------------------------------------------------------

TEST(AnalysisHeatMap, CountsPerHourAndV85FromTenVehicles) {
    std::vector<Measurement> r;
    for (int i = 0; i < 9; ++i)
        r.push_back(at(7, i, 0, 40 + i));  // hour 7: nine vehicles
    for (int i = 0; i < 10; ++i)
        r.push_back(at(8, i, 0, 40 + i));  // hour 8: ten vehicles 40..49, v85 = rank 9 = 48
    r.push_back(at(23, 59, 59, 60));
    const auto a = run(week({day(r)}));
    const auto& hours = a.days[0].hours;
    EXPECT_EQ(hours[7].vehicles, 9);
    EXPECT_FALSE(hours[7].v85.has_value());
    EXPECT_EQ(hours[8].vehicles, 10);
    EXPECT_EQ(hours[8].v85, 48);
    EXPECT_EQ(hours[23].vehicles, 1);
    EXPECT_EQ(hours[0].vehicles, 0);
}

// ---- data quality ------------------------------------------------------------------------

TEST(AnalysisQuality, CountersArePassedThrough) {
    const auto a = analyze(week({speeds({50})}), AnalysisInput{50, "01.12.26", 7, 3});
    EXPECT_EQ(a.quality.duplicatesDropped, 7);
    EXPECT_EQ(a.quality.linesRejected, 3);
    EXPECT_EQ(a.limit, 50);
}

TEST(AnalysisQuality, PartialFirstAndLastDay) {
    const auto a = run(week({day({at(14, 20, 0, 50), at(23, 10, 0, 50)}), fullDay(2),
                             day({at(0, 1, 0, 50), at(9, 40, 0, 50)})}));
    ASSERT_TRUE(a.quality.firstDay && a.quality.lastDay);
    EXPECT_EQ(a.quality.firstDay->day, 1);
    EXPECT_TRUE(a.quality.firstDay->partial);
    EXPECT_EQ(a.quality.firstDay->firstHour, 14);
    EXPECT_EQ(a.quality.firstDay->lastHour, 23);
    EXPECT_EQ(a.quality.lastDay->day, 3);
    EXPECT_TRUE(a.quality.lastDay->partial);
    EXPECT_EQ(a.quality.lastDay->firstHour, 0);
    EXPECT_EQ(a.quality.lastDay->lastHour, 9);

    const auto one = run(week({fullDay(1)}));
    EXPECT_FALSE(one.quality.firstDay->partial);
    EXPECT_EQ(one.quality.lastDay->day, 1);
}

constexpr int hm(int h, int m) {
    return h * 3600 + m * 60;
}

TEST(AnalysisQuality, GapsAtTheWindowEdgesAndBetweenVehicles) {
    // Day 2 lies inside the measurement, so the whole 06:00-22:00 window is searched.
    const auto a = run(week({fullDay(0),
                             day({at(3, 0, 0, 50), at(7, 0, 0, 50),  // 06:00-07:00: exactly 60 min
                                  at(7, 59, 59, 50),                 // 59:59 later: no gap
                                  at(10, 0, 0, 50),                  // 08:00-10:00 after 07:59:59
                                  at(20, 30, 0, 50), at(23, 0, 0, 50)}),
                             fullDay(0)}));
    const auto& gaps = a.days[1].gaps;
    ASSERT_EQ(gaps.size(), 4u);
    EXPECT_EQ(gaps[0].from, hm(6, 0));
    EXPECT_EQ(gaps[0].to, hm(7, 0));
    EXPECT_EQ(gaps[1].from, hm(7, 59) + 59);
    EXPECT_EQ(gaps[1].to, hm(10, 0));
    EXPECT_EQ(gaps[2].from, hm(10, 0));
    EXPECT_EQ(gaps[2].to, hm(20, 30));
    EXPECT_EQ(gaps[3].from, hm(20, 30));
    EXPECT_EQ(gaps[3].to, hm(22, 0));
}

TEST(AnalysisQuality, ShortGapsAndVehiclesOutsideTheWindow) {
    std::vector<Measurement> r;
    r.push_back(at(0, 10, 0, 50));
    for (int h = 6; h < 22; ++h)
        r.push_back(at(h, 30, 0, 50));  // at most 60 min apart, but never 60 from an edge
    r.push_back(at(23, 50, 0, 50));
    auto tables = std::vector<Table>{fullDay(0), day(r), fullDay(0)};
    const auto a = run(week(tables));
    // 06:30 -> 07:30 is exactly 60 minutes: every step is a gap.
    EXPECT_EQ(a.days[1].gaps.size(), 15u);

    r.clear();
    r.push_back(at(0, 10, 0, 50));
    for (int q = 0; q < 16 * 4; ++q)
        r.push_back(at(6 + q / 4, (q % 4) * 15 + 10, 0, 50));
    r.push_back(at(23, 50, 0, 50));
    const auto b = run(week({fullDay(0), day(r), fullDay(0)}));
    EXPECT_TRUE(b.days[1].gaps.empty());
}

TEST(AnalysisQuality, EmptyDayInsideTheMeasurementIsOneGap) {
    const auto a = run(week({fullDay(0), day({at(1, 0, 0, 0)}), fullDay(0)}));
    ASSERT_EQ(a.days[1].gaps.size(), 1u);
    EXPECT_EQ(a.days[1].gaps[0].from, hm(6, 0));
    EXPECT_EQ(a.days[1].gaps[0].to, hm(22, 0));
}

TEST(AnalysisQuality, NoGapsBeforeTheFirstOrAfterTheLastVehicle) {
    // Set up at 09:15 on day 1, taken down at 15:30 on day 2.
    const auto a = run(week({day({at(9, 15, 0, 50), at(9, 50, 0, 50), at(12, 0, 0, 50)}),
                             day({at(5, 0, 0, 50), at(15, 0, 0, 50), at(15, 30, 0, 50)})}));
    ASSERT_EQ(a.days[0].gaps.size(), 2u);
    EXPECT_EQ(a.days[0].gaps[0].from, hm(9, 50));
    EXPECT_EQ(a.days[0].gaps[0].to, hm(12, 0));
    EXPECT_EQ(a.days[0].gaps[1].from, hm(12, 0));
    EXPECT_EQ(a.days[0].gaps[1].to, hm(22, 0));
    ASSERT_EQ(a.days[1].gaps.size(), 1u);
    EXPECT_EQ(a.days[1].gaps[0].from, hm(6, 0));
    EXPECT_EQ(a.days[1].gaps[0].to, hm(15, 0));
}

TEST(AnalysisQuality, ImplausibleSpeedsListedWithDayAndTime) {
    const auto a = run(week({day({at(8, 0, 0, 4), at(8, 0, 1, 5), at(8, 0, 2, 0)}),
                             day({at(9, 0, 0, 199), at(9, 30, 0, 200), at(10, 0, 0, 1)})}));
    ASSERT_EQ(a.quality.implausibleCount, 3);
    ASSERT_EQ(a.quality.implausible.size(), 3u);
    EXPECT_EQ(a.quality.implausible[0].day, 1);
    EXPECT_EQ(a.quality.implausible[0].second, hm(8, 0));
    EXPECT_EQ(a.quality.implausible[0].speed, 4);
    EXPECT_EQ(a.quality.implausible[1].day, 2);
    EXPECT_EQ(a.quality.implausible[1].second, hm(9, 30));
    EXPECT_EQ(a.quality.implausible[1].speed, 200);
    EXPECT_EQ(a.quality.implausible[2].speed, 1);
}

TEST(AnalysisQuality, ImplausibleListIsCappedButCounted) {
    std::vector<Measurement> r;
    for (int i = 0; i < 250; ++i)
        r.push_back(at(10 + i / 60 / 60, i / 60 % 60, i % 60, 3));
    const auto a = run(week({day(r)}));
    EXPECT_EQ(a.quality.implausibleCount, 250);
    ASSERT_EQ(a.quality.implausible.size(), kImplausibleListCap);
    EXPECT_EQ(a.quality.implausible.back().second, hm(10, 1) + 39);  // the 100th vehicle
}

TEST(AnalysisQuality, TopTenFastestFirstTiesByTime) {
    // Within an hour the device's clock may step back, so file order is not time order.
    const auto a =
        run(week({day({at(9, 30, 0, 80), at(9, 10, 0, 80), at(10, 0, 0, 60), at(11, 0, 0, 70),
                       at(12, 0, 0, 95)}),
                  day({at(6, 0, 0, 80), at(7, 0, 0, 99), at(8, 0, 0, 61), at(9, 0, 0, 62),
                       at(10, 0, 0, 63), at(11, 0, 0, 64), at(12, 0, 0, 65), at(13, 0, 0, 30)})}));
    const auto& top = a.quality.topSpeeds;
    ASSERT_EQ(top.size(), kTopSpeedCount);
    EXPECT_EQ(top[0].speed, 99);
    EXPECT_EQ(top[1].speed, 95);
    EXPECT_EQ(top[1].day, 1);
    EXPECT_EQ(top[1].second, hm(12, 0));
    for (int i = 2; i <= 4; ++i)
        EXPECT_EQ(top[i].speed, 80);
    EXPECT_EQ(top[2].day, 1);
    EXPECT_EQ(top[2].second, hm(9, 10));
    EXPECT_EQ(top[3].day, 1);
    EXPECT_EQ(top[3].second, hm(9, 30));
    EXPECT_EQ(top[4].day, 2);
    EXPECT_EQ(top[4].second, hm(6, 0));
    EXPECT_EQ(top[5].speed, 70);
    EXPECT_EQ(top[9].speed, 62);
}

}  // namespace
}  // namespace korvala
