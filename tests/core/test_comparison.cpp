// Two measurements side by side: the figures, their differences and the shared class axis.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "evaluation/comparison.h"
#include "test_support.h"

namespace korvala::test {
namespace {

MeasurementFigures figures(std::vector<Table> days, int limit = 50,
                           std::string start = "01.12.26") {
    return figuresOf(week(std::move(days)), AnalysisInput{limit, std::move(start), 0, 0});
}

using Sides = std::array<std::optional<double>, 3>;  // before, after, difference

Sides sides(const ComparedFigure& f) {
    return {f.before, f.after, f.difference()};
}

// Vorher day 1: 40 45 52 58 61, day 2: 30 35; Nachher day 1: 44 48 49 53, no day 2. Limit 50.
TEST(Comparison, FiguresOfDaysAndOfTheWholeWithTheirDifferences) {
    const auto c =
        compare(figures({vehiclesAt(10, {40, 45, 52, 58, 61}), vehiclesAt(10, {30, 35})}),
                figures({vehiclesAt(10, {44, 48, 49, 53})}, 50, "07.12.26"));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->limit, 50);
    ASSERT_EQ(c->days.size(), 2u);
    // Vorher day 1, n = 5: v50 rank 3 = 52, v85 rank 5 = 61; over: 52 (+2), 58 (+8), 61 (+11).
    // Nachher day 1, n = 4: v50 rank 2 = 48, v85 rank 4 = 53; over: 53 (+3).
    const ComparedFigures& d1 = c->days[0].figures;
    EXPECT_EQ(sides(d1.vehicles), (Sides{5, 4, -1}));
    EXPECT_EQ(sides(d1.v50), (Sides{52, 48, -4}));
    EXPECT_EQ(sides(d1.v85), (Sides{61, 53, -8}));
    EXPECT_EQ(sides(d1.shareOver), (Sides{0.6, 0.25, 0.25 - 0.6}));
    const std::array<Sides, kExceedanceBands> bands{Sides{0.2, 0.25, 0.25 - 0.2},
                                                    Sides{0.2, 0, -0.2}, Sides{0.2, 0, -0.2},
                                                    Sides{0, 0, 0}, Sides{0, 0, 0}};
    for (int b = 0; b < kExceedanceBands; ++b)
        EXPECT_EQ(sides(d1.bandShares[b]), bands[b]) << b;
    // 01.12.26 is a Tuesday, 07.12.26 a Monday; the other side has no day 2.
    const ComparedDay& d2 = c->days[1];
    EXPECT_EQ((std::array{c->days[0].weekdayBefore, c->days[0].weekdayAfter, d2.weekdayBefore,
                          d2.weekdayAfter}),
              (std::array<std::optional<int>, 4>{1, 0, 2, std::nullopt}));
    EXPECT_EQ(d2.day, 2);
    EXPECT_EQ(sides(d2.figures.vehicles), (Sides{2, std::nullopt, std::nullopt}));
    EXPECT_EQ(sides(d2.figures.v85), (Sides{35, std::nullopt, std::nullopt}));
    EXPECT_EQ(sides(d2.figures.shareOver), (Sides{0, std::nullopt, std::nullopt}));
    // Vorher pooled: 30 35 40 45 52 58 61: v50 rank 4 = 45, v85 rank 6 = 58.
    EXPECT_EQ(sides(c->whole.vehicles), (Sides{7, 4, -3}));
    EXPECT_EQ(sides(c->whole.v50), (Sides{45, 48, 3}));
    EXPECT_EQ(sides(c->whole.v85), (Sides{58, 53, -5}));
    EXPECT_EQ(sides(c->whole.shareOver), (Sides{3.0 / 7, 0.25, 0.25 - 3.0 / 7}));

    // One shared axis from the lowest to the highest class occupied on either side:
    // Vorher 30s {30, 35}, 40s {40, 45}, 50s {52, 58}, 60s {61}; Nachher 40s {44, 48, 49}, 50s
    // {53}.
    ASSERT_EQ(c->classes.size(), 4u);
    const std::array<Sides, 4> shares{
        Sides{2.0 / 7, 0, -2.0 / 7}, Sides{2.0 / 7, 0.75, 0.75 - 2.0 / 7},
        Sides{2.0 / 7, 0.25, 0.25 - 2.0 / 7}, Sides{1.0 / 7, 0, -1.0 / 7}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(c->classes[i].from, 30 + 10 * static_cast<int>(i));
        EXPECT_EQ(sides(c->classes[i].share), shares[i]) << i;
    }
}

TEST(Comparison, WhatHasNoValueStaysEmpty) {
    // Day 2 of Nachher holds only zero readings: it exists, with 0 vehicles and no speeds.
    const auto c = compare(figures({vehiclesAt(10, {40}), vehiclesAt(10, {31, 65})}),
                           figures({vehiclesAt(10, {40}), vehiclesAt(10, {0, 0})}));
    const ComparedFigures& d2 = c->days[1].figures;
    EXPECT_EQ(sides(d2.vehicles), (Sides{2, 0, -2}));
    EXPECT_EQ(sides(d2.v85), (Sides{65, std::nullopt, std::nullopt}));
    EXPECT_EQ(sides(d2.bandShares[2]), (Sides{0.5, std::nullopt, std::nullopt}));  // 65: +11–15
    // Empty classes between stay on the axis: 30, 40, 50, 60.
    ASSERT_EQ(c->classes.size(), 4u);
    EXPECT_EQ(sides(c->classes[1].share), (Sides{1.0 / 3, 1, 1 - 1.0 / 3}));
    EXPECT_EQ(c->classes[2].share.before, 0.0);

    const auto empty = figures({});
    const auto none = compare(empty, figures({vehiclesAt(10, {0})}));
    EXPECT_TRUE(none->days.size() == 1 && none->classes.empty());
    EXPECT_EQ(sides(none->whole.vehicles), (Sides{0, 0, 0}));
    EXPECT_FALSE(none->whole.v50.before);
    EXPECT_TRUE(compare(empty, empty)->days.empty());
    // Different limits measure different things: no comparison.
    EXPECT_FALSE(compare(figures({vehiclesAt(10, {40})}, 50), figures({vehiclesAt(10, {40})}, 30)));
    EXPECT_EQ(compare(figures({}, 30), figures({}, 30))->limit, 30);
    // A side without any vehicle has no class shares rather than a row of zeros; one vehicle
    // in class 0 (0-9 km/h) is all of its side.
    const auto one = figures({vehiclesAt(10, {5})}), zero = figures({vehiclesAt(10, {0})});
    ASSERT_EQ(compare(one, zero)->classes.size(), 1u);
    EXPECT_EQ(sides(compare(one, zero)->classes[0].share), (Sides{1, std::nullopt, std::nullopt}));
    EXPECT_EQ(sides(compare(zero, one)->classes[0].share), (Sides{std::nullopt, 1, std::nullopt}));
}

TEST(Comparison, AverageDailyOverCompleteDays) {
    // A day is complete with vehicles in hour 00 and hour 23.
    auto complete = [](std::initializer_list<double> midday) {
        Table t = vehiclesAt(0, {45});
        for (const Measurement& m : vehiclesAt(12, midday))
            t.push_back(m);
        t.push_back(rec(1, 23, 0, 0, 45));
        return t;
    };
    // Vorher: (4 + 6) / 2 = 5; Nachher: only day 1 is complete, 3 vehicles.
    const auto before = figures({complete({50, 50}), complete({50, 50, 50, 50})});
    const auto c = compare(before, figures({complete({50}), vehiclesAt(12, {50, 50, 50})}));
    EXPECT_EQ(sides(c->averageDaily), (Sides{5, 3, -2}));
    EXPECT_FALSE(compare(before, figures({vehiclesAt(12, {50})}))->averageDaily.difference());
}

TEST(Comparison, ClassBoundariesAndWhatCounts) {
    Table t = vehiclesAt(10, {1, 9.5, 10, 19, 20, 299, 300, 1000, 0});
    t.push_back(Measurement{99, Timestamp::fromDayAndTime(0, 11, 0, 0), Speed()});
    const SpeedClasses c = speedClassesOf(week({vehiclesAt(8, {55}), t}));
    // 9,5 counts as 9; 0 and the empty speed are no vehicles; 300 and 1000 are vehicles beyond
    // the last class.
    EXPECT_EQ(c.vehicles, 9);
    std::array<std::int64_t, kSpeedClassCount> counts{};
    counts[0] = 2, counts[1] = 2, counts[2] = 1, counts[5] = 1, counts[29] = 1;
    EXPECT_EQ(c.counts, counts);
    EXPECT_DOUBLE_EQ(c.share(1), 2.0 / 9.0);
    EXPECT_EQ(c.share(-1), 0);
    EXPECT_EQ(c.share(kSpeedClassCount), 0);
    EXPECT_EQ(SpeedClasses{}.share(3), 0);
}

}  // namespace
}  // namespace korvala::test
