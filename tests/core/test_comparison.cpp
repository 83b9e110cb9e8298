#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "evaluation/comparison.h"

namespace korvala {
namespace {

// Vehicles of one day, one second apart from `hour`:00:00 on.
Table vehiclesAt(int hour, std::initializer_list<double> values) {
    Table t;
    std::int32_t id = 0;
    int s = 0;
    for (double v : values) {
        t.push_back(Measurement{++id, Timestamp::fromDayAndTime(0, hour, s / 60, s % 60),
                                Speed::fromNumber(v)});
        ++s;
    }
    return t;
}

Table closed(Table t) {
    t.push_back(Measurement{});
    return t;
}

DayTables week(std::vector<Table> tables) {
    DayTables days;
    for (auto& t : days)
        t = closed({});
    for (std::size_t i = 0; i < tables.size(); ++i)
        days[i] = closed(std::move(tables[i]));
    return days;
}

MeasurementFigures figures(const DayTables& days, int limit = 50, std::string start = "01.12.26") {
    return figuresOf(days, AnalysisInput{limit, std::move(start), 0, 0});
}

// The worked example used by most tests, limit 50:
//   Vorher  day 1: 40 45 52 58 61   day 2: 30 35
//   Nachher day 1: 44 48 49 53      (no day 2)
struct Example {
    MeasurementFigures before = figures(
        week({vehiclesAt(10, {40, 45, 52, 58, 61}), vehiclesAt(10, {30, 35})}), 50, "01.12.26");
    MeasurementFigures after = figures(week({vehiclesAt(10, {44, 48, 49, 53})}), 50, "07.12.26");
    Comparison c = *compare(before, after);
};

TEST(ComparisonFigures, DayFiguresAndDifferencesByHand) {
    const Example ex;
    ASSERT_EQ(ex.c.days.size(), 2u);
    const ComparedFigures& d1 = ex.c.days[0].figures;
    EXPECT_EQ(ex.c.days[0].day, 1);

    // Vorher day 1, n = 5: v50 at rank 3 = 52, v85 at rank 5 = 61; over 50: 52 (+2), 58 (+8),
    // 61 (+11). Nachher day 1, n = 4: v50 at rank 2 = 48, v85 at rank 4 = 53; over: 53 (+3).
    EXPECT_EQ(d1.vehicles.before, 5);
    EXPECT_EQ(d1.vehicles.after, 4);
    EXPECT_EQ(d1.vehicles.difference(), -1);
    EXPECT_EQ(d1.v50.before, 52);
    EXPECT_EQ(d1.v50.after, 48);
    EXPECT_EQ(d1.v50.difference(), -4);
    EXPECT_EQ(d1.v85.difference(), 53 - 61);
    EXPECT_DOUBLE_EQ(*d1.shareOver.before, 0.6);
    EXPECT_DOUBLE_EQ(*d1.shareOver.after, 0.25);
    EXPECT_DOUBLE_EQ(*d1.shareOver.difference(), 0.25 - 0.6);

    const std::array<double, kExceedanceBands> bandsBefore{0.2, 0.2, 0.2, 0, 0};
    const std::array<double, kExceedanceBands> bandsAfter{0.25, 0, 0, 0, 0};
    for (int b = 0; b < kExceedanceBands; ++b) {
        SCOPED_TRACE(b);
        EXPECT_DOUBLE_EQ(*d1.bandShares[b].before, bandsBefore[b]);
        EXPECT_DOUBLE_EQ(*d1.bandShares[b].after, bandsAfter[b]);
        EXPECT_DOUBLE_EQ(*d1.bandShares[b].difference(), bandsAfter[b] - bandsBefore[b]);
    }
}

TEST(ComparisonFigures, WholeMeasurementPoolsAllDays) {
    const Example ex;
    // Vorher sorted: 30 35 40 45 52 58 61 (n = 7): v50 at rank 4 = 45, v85 at rank 6 = 58.
    const ComparedFigures& w = ex.c.whole;
    EXPECT_EQ(w.vehicles.before, 7);
    EXPECT_EQ(w.vehicles.after, 4);
    EXPECT_EQ(w.vehicles.difference(), -3);
    EXPECT_EQ(w.v50.before, 45);
    EXPECT_EQ(w.v85.before, 58);
    EXPECT_EQ(w.v85.difference(), -5);
    EXPECT_DOUBLE_EQ(*w.shareOver.before, 3.0 / 7.0);
    EXPECT_DOUBLE_EQ(*w.shareOver.difference(), 0.25 - 3.0 / 7.0);
    EXPECT_EQ(ex.c.limit, 50);
}

TEST(ComparisonFigures, DayMissingOnOneSideHasNoDifference) {
    const Example ex;
    const ComparedDay& d2 = ex.c.days[1];
    EXPECT_EQ(d2.day, 2);
    EXPECT_EQ(d2.figures.vehicles.before, 2);
    EXPECT_FALSE(d2.figures.vehicles.after);
    EXPECT_FALSE(d2.figures.vehicles.difference());
    EXPECT_EQ(d2.figures.v50.before, 30);
    EXPECT_EQ(d2.figures.v85.before, 35);
    EXPECT_DOUBLE_EQ(*d2.figures.shareOver.before, 0);
    EXPECT_FALSE(d2.figures.shareOver.after);
    // 01.12.26 is a Tuesday, so its day 2 a Wednesday; the other side has no day 2.
    EXPECT_EQ(d2.weekdayBefore, 2);
    EXPECT_FALSE(d2.weekdayAfter);
    EXPECT_EQ(ex.c.days[0].weekdayBefore, 1);
    EXPECT_EQ(ex.c.days[0].weekdayAfter, 0);  // 07.12.26, a Monday
}

TEST(ComparisonFigures, DayWithoutVehiclesHasCountButNoSpeedsOrShares) {
    // Day 2 of Nachher holds only zero readings: it exists, with 0 vehicles.
    const auto before = figures(week({vehiclesAt(10, {40}), vehiclesAt(10, {60})}));
    const auto after = figures(week({vehiclesAt(10, {40}), vehiclesAt(10, {0, 0})}));
    const Comparison c = *compare(before, after);
    ASSERT_EQ(c.days.size(), 2u);
    const ComparedFigures& d2 = c.days[1].figures;
    EXPECT_EQ(d2.vehicles.after, 0);
    EXPECT_EQ(d2.vehicles.difference(), -1);
    EXPECT_FALSE(d2.v85.after);
    EXPECT_FALSE(d2.v85.difference());
    EXPECT_FALSE(d2.shareOver.after);
    EXPECT_FALSE(d2.bandShares[1].after);
    EXPECT_DOUBLE_EQ(*d2.bandShares[1].before, 1.0);  // 60 km/h is 10 over: band +6–10
    EXPECT_DOUBLE_EQ(*d2.bandShares[2].before, 0.0);
}

TEST(ComparisonFigures, AverageDailyOverCompleteDays) {
    // A day is complete with vehicles in hour 00 and hour 23.
    auto completeDay = [](std::initializer_list<double> midday) {
        Table t = vehiclesAt(0, {45});
        for (const Measurement& m : vehiclesAt(12, midday))
            t.push_back(m);
        for (const Measurement& m : vehiclesAt(23, {45}))
            t.push_back(m);
        return t;
    };
    const auto before = figures(week({completeDay({50, 50}), completeDay({50, 50, 50, 50})}));
    const auto after = figures(week({completeDay({50}), vehiclesAt(12, {50, 50, 50})}));
    const Comparison c = *compare(before, after);
    // Vorher: (4 + 6) / 2 = 5; Nachher: only day 1 is complete, 3 vehicles.
    EXPECT_DOUBLE_EQ(*c.averageDaily.before, 5.0);
    EXPECT_DOUBLE_EQ(*c.averageDaily.after, 3.0);
    EXPECT_DOUBLE_EQ(*c.averageDaily.difference(), -2.0);

    const auto incomplete = figures(week({vehiclesAt(12, {50})}));
    EXPECT_FALSE(compare(before, incomplete)->averageDaily.difference());
}

TEST(ComparisonFigures, DifferentLimitsAreNotCompared) {
    const auto days = week({vehiclesAt(10, {40, 55})});
    EXPECT_FALSE(compare(figures(days, 50), figures(days, 30)));
    const auto same = compare(figures(days, 30), figures(days, 30));
    ASSERT_TRUE(same);
    EXPECT_EQ(same->limit, 30);
    EXPECT_DOUBLE_EQ(*same->whole.shareOver.difference(), 0.0);
}

TEST(ComparisonFigures, EmptyMeasurementsGiveNoDaysAndNoClasses) {
    const auto empty = figures(week({}));
    const Comparison c = *compare(empty, empty);
    EXPECT_TRUE(c.days.empty());
    EXPECT_TRUE(c.classes.empty());
    EXPECT_EQ(c.whole.vehicles.difference(), 0);
    EXPECT_FALSE(c.whole.v50.before);
}

// ---- distributions ---------------------------------------------------------------------------

TEST(ComparisonClasses, SharedAxisFromLowestToHighestOccupiedClass) {
    const Example ex;
    // Vorher: 30s {30, 35}, 40s {40, 45}, 50s {52, 58}, 60s {61} of 7;
    // Nachher: 40s {44, 48, 49}, 50s {53} of 4.
    ASSERT_EQ(ex.c.classes.size(), 4u);
    const std::array<int, 4> from{30, 40, 50, 60};
    const std::array<double, 4> before{2.0 / 7, 2.0 / 7, 2.0 / 7, 1.0 / 7};
    const std::array<double, 4> after{0, 0.75, 0.25, 0};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ex.c.classes[i].from, from[i]);
        EXPECT_DOUBLE_EQ(*ex.c.classes[i].share.before, before[i]);
        EXPECT_DOUBLE_EQ(*ex.c.classes[i].share.after, after[i]);
        EXPECT_DOUBLE_EQ(*ex.c.classes[i].share.difference(), after[i] - before[i]);
    }
}

TEST(ComparisonClasses, EmptyClassesBetweenStayOnTheAxis) {
    const auto before = figures(week({vehiclesAt(10, {31, 65})}));
    const auto none = figures(week({vehiclesAt(10, {0})}));
    const Comparison c = *compare(before, none);
    ASSERT_EQ(c.classes.size(), 4u);  // 30, 40, 50, 60
    EXPECT_EQ(c.classes[1].share.before, 0.0);
    EXPECT_EQ(c.classes[3].share.before, 0.5);
    // No vehicles at all on one side: no shares there, rather than a row of zeros.
    EXPECT_FALSE(c.classes[0].share.after);
}

TEST(ComparisonClasses, ClassBoundariesAndWhatCounts) {
    Table t = vehiclesAt(10, {9.5, 10, 19, 20, 299, 300, 1000, 0});
    t.push_back(Measurement{99, Timestamp::fromDayAndTime(0, 11, 0, 0), Speed()});  // empty speed
    DayTables days = week({vehiclesAt(8, {55}), t});
    const SpeedClasses c = speedClassesOf(days);
    // 9,5 counts as 9 (the leading number), 0 and the empty speed are no vehicles; 300 and 1000
    // are vehicles beyond the last class.
    EXPECT_EQ(c.vehicles, 8);
    EXPECT_EQ(c.counts[0], 1);
    EXPECT_EQ(c.counts[1], 2);
    EXPECT_EQ(c.counts[2], 1);
    EXPECT_EQ(c.counts[5], 1);
    EXPECT_EQ(c.counts[29], 1);
    std::int64_t inClasses = 0;
    for (auto n : c.counts)
        inClasses += n;
    EXPECT_EQ(inClasses, 6);
    EXPECT_DOUBLE_EQ(c.share(1), 2.0 / 8.0);
    EXPECT_EQ(c.share(-1), 0);
    EXPECT_EQ(c.share(kSpeedClassCount), 0);
    EXPECT_EQ(SpeedClasses{}.share(3), 0);
}

}  // namespace
}  // namespace korvala
