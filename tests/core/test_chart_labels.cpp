#include <gtest/gtest.h>

#include <cstdio>

#include "output/chart_labels.h"

namespace {

using korvala::DayStats;
using korvala::hourRows;
using korvala::speedClassLabel;
using korvala::speedColumns;

DayStats hoursFrom(int firstHour) {
    DayStats stats;
    for (int i = 0; i < 24; ++i) {
        stats.hourCount[i] = static_cast<std::int16_t>(100 + i);
        const int end = (firstHour + i + 1) % 24;
        char text[6];
        std::snprintf(text, sizeof text, "%02d:00", end);
        stats.hourLabel[i] = text;
    }
    return stats;
}

TEST(SpeedChartLabels, ClassLabelLayout) {
    EXPECT_EQ(speedClassLabel(60, 12), " 50 - 59 km/h  12 KFZ  ");
    EXPECT_EQ(speedClassLabel(10, 3), " 0 - 9 km/h  3 KFZ  ");
    EXPECT_EQ(speedClassLabel(200, 32767), " 190 - 199 km/h  32767 KFZ  ");
}

TEST(SpeedChartLabels, OneColumnPerOccupiedClassInOrder) {
    DayStats stats;
    stats.classUpper = {30, 50, 60};
    stats.classCounts = {4, 1, 7};
    const auto columns = speedColumns(stats);
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_EQ(columns[0].label, " 20 - 29 km/h  4 KFZ  ");
    EXPECT_EQ(columns[1].value, 1);
    EXPECT_EQ(columns[2].label, " 50 - 59 km/h  7 KFZ  ");
    EXPECT_EQ(columns[2].value, 7);

    EXPECT_TRUE(speedColumns(DayStats{}).empty());
}

TEST(HourChartRows, WindowOfOneShowsFirstSlotOfWindow) {
    const auto stats = hoursFrom(7);
    const auto rows = hourRows(stats, 0, 5);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].value, 105);
    EXPECT_EQ(rows[0].label, "13:00");
}

TEST(HourChartRows, FullWindowEndsWithEmptySlot) {
    const auto stats = hoursFrom(0);
    const auto rows = hourRows(stats, 24, 0);
    ASSERT_EQ(rows.size(), 25u);
    EXPECT_EQ(rows[0].label, "01:00");
    EXPECT_EQ(rows[0].value, 100);
    EXPECT_EQ(rows[23].label, "00:00");
    EXPECT_EQ(rows[23].value, 123);
    EXPECT_EQ(rows[24].label, "");
    EXPECT_EQ(rows[24].value, 0);
}

TEST(HourChartRows, WindowAtTheEndAndClamping) {
    const auto stats = hoursFrom(0);
    auto rows = hourRows(stats, 3, 21);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].value, 121);
    EXPECT_EQ(rows[2].value, 123);
    EXPECT_EQ(rows[3].value, 0);
    EXPECT_EQ(rows[3].label, "");

    // A start beyond what the scroll bar allows is pulled back, never read past the slots.
    rows = hourRows(stats, 10, 20);
    ASSERT_EQ(rows.size(), 11u);
    EXPECT_EQ(rows[0].value, 114);
    EXPECT_EQ(hourRows(stats, 99, 99).size(), 25u);
    EXPECT_EQ(hourRows(stats, -1, -1).size(), 1u);
}

TEST(HourChartRows, DayWithoutVehiclesShowsZerosWithLabels) {
    DayStats stats = hoursFrom(7);
    stats.hourCount.fill(0);
    const auto rows = hourRows(stats, 23, 0);
    ASSERT_EQ(rows.size(), 24u);
    for (const auto& row : rows) {
        EXPECT_EQ(row.value, 0);
        EXPECT_FALSE(row.label.empty());
    }
}

TEST(ChartAxis, WholeStepsOfOneTwoOrFive) {
    struct Case {
        int highest, top, step;
    };
    for (const Case& c :
         {Case{0, 1, 1}, Case{1, 1, 1}, Case{5, 5, 1}, Case{6, 6, 2}, Case{7, 8, 2},
          Case{24, 25, 5}, Case{26, 30, 10}, Case{99, 100, 20}, Case{32767, 40000, 10000}}) {
        const auto axis = korvala::countAxis(c.highest);
        EXPECT_EQ(axis.top, c.top) << c.highest;
        EXPECT_EQ(axis.step, c.step) << c.highest;
        EXPECT_GE(axis.top, c.highest);
        EXPECT_EQ(axis.top % axis.step, 0);
    }
}

TEST(HourChartRows, PointCaption) {
    EXPECT_EQ(korvala::pointCaption(5), " 5 KFZ");
    EXPECT_EQ(korvala::pointCaption(0), " 0 KFZ");
}

}  // namespace
