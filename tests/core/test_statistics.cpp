// Splitting a measurement into days, the statistics of one day and the speed captions.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "evaluation/statistics.h"

using namespace korvala;

namespace {

Measurement rec(std::int32_t id, int h, int m, int s, double v, std::int64_t day = 0) {
    return Measurement{id, Timestamp::fromDayAndTime(day, h, m, s), Speed::fromNumber(v)};
}

// A day table as splitDays leaves it: the records, then the closing empty record.
Table dayOf(std::vector<Measurement> records) {
    records.push_back(Measurement{});
    return records;
}

class RecordingSink final : public StatusSink {
  public:
    void setPanel(int panel, std::string_view text) override {
        calls.emplace_back(panel, std::string(text));
    }
    std::vector<std::pair<int, std::string>> calls;
    std::string last(int panel) const {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it)
            if (it->first == panel)
                return it->second;
        return "<unset>";
    }
    int writes(int panel) const {
        int n = 0;
        for (const auto& c : calls)
            n += c.first == panel;
        return n;
    }
};

std::vector<std::int32_t> ids(const Table& t) {
    std::vector<std::int32_t> out;
    for (const auto& m : t)
        out.push_back(m.id);
    return out;
}

using Ids = std::vector<std::int32_t>;

}  // namespace

// ---------------------------------------------------------------------------------------------
// splitDays

TEST(SplitDays, DropsOnlyNeighbouringEqualTimesAndKeepsTheFirstOfARun) {
    Table records{rec(1, 8, 0, 0, 50), rec(2, 8, 0, 0, 60), rec(3, 8, 0, 0, 70),
                  rec(4, 8, 0, 1, 40), rec(5, 8, 0, 0, 45), rec(6, 8, 0, 1, 55)};
    RecordingSink sink;
    SplitResult r = splitDays(records, sink);

    // Only the time is compared: ids 2 and 3 differ in speed but share the time of id 1.
    EXPECT_EQ(ids(records), (Ids{1, 4, 5, 6}));
    EXPECT_EQ(r.duplicatesDropped, 2);
    EXPECT_EQ(sink.last(5), "2");
    EXPECT_EQ(ids(r.days[0]), (Ids{1, 4, 5, 6, 0}));
}

TEST(SplitDays, DuplicateTestComparesTheWholeTimestampIncludingTheDate) {
    Table records{rec(1, 8, 0, 0, 50, 0), rec(2, 8, 0, 0, 60, 1), rec(3, 8, 0, 0, 60, 1)};
    RecordingSink sink;
    SplitResult r = splitDays(records, sink);
    EXPECT_EQ(ids(records), (Ids{1, 2}));
    EXPECT_EQ(r.duplicatesDropped, 1);
}

TEST(SplitDays, NoRecordsGivesSevenTablesHoldingOnlyTheEmptyRecord) {
    Table records;
    RecordingSink sink;
    SplitResult r = splitDays(records, sink);
    for (const Table& day : r.days) {
        ASSERT_EQ(day.size(), 1u);
        EXPECT_TRUE(day[0].isEmpty());
    }
    EXPECT_EQ(r.dayFound,
              (std::array<bool, kDays>{true, false, false, false, false, false, false}));
    EXPECT_EQ(sink.last(5), "0");
}

TEST(SplitDays, ANewDayBeginsOnlyWhereTheHourGoesDown) {
    Table records{
        rec(1, 22, 0, 0, 50), rec(2, 23, 59, 59, 50),  // day 1
        rec(3, 0, 0, 1, 50),  rec(4, 0, 59, 0, 50),    // hour 0 -> day 2
        rec(5, 0, 10, 0, 50),                          // minutes go back, hour does not
        rec(6, 23, 0, 0, 50), rec(7, 5, 0, 0, 50),     // day 3
    };
    RecordingSink sink;
    SplitResult r = splitDays(records, sink);
    EXPECT_EQ(ids(r.days[0]), (Ids{1, 2, 0}));
    EXPECT_EQ(ids(r.days[1]), (Ids{3, 4, 5, 6, 0}));
    EXPECT_EQ(ids(r.days[2]), (Ids{7, 0}));
    EXPECT_EQ(r.days[3].size(), 1u);
    EXPECT_EQ(r.dayFound, (std::array<bool, kDays>{true, true, true, false, false, false, false}));
}

TEST(SplitDays, AGapOfMoreThanADayWithoutTheHourGoingDownStaysInTheSameDay) {
    Table records{rec(1, 10, 0, 0, 50, 0), rec(2, 12, 0, 0, 50, 3), rec(3, 20, 0, 0, 50, 5)};
    RecordingSink sink;
    SplitResult r = splitDays(records, sink);
    EXPECT_EQ(ids(r.days[0]), (Ids{1, 2, 3, 0}));
    EXPECT_FALSE(r.dayFound[1]);
}

TEST(SplitDays, RecordsAfterTheSeventhMidnightAllGoIntoDaySeven) {
    Table records;
    std::int32_t id = 1;
    for (int day = 0; day < 10; ++day) {
        records.push_back(rec(id++, 12, 0, 0, 50, day));
        records.push_back(rec(id++, 18, 0, 0, 50, day));
    }
    RecordingSink sink;
    SplitResult r = splitDays(records, sink);
    for (int d = 0; d < 6; ++d)
        EXPECT_EQ(r.days[d].size(), 3u) << "day " << d + 1;
    EXPECT_EQ(ids(r.days[6]), (Ids{13, 14, 15, 16, 17, 18, 19, 20, 0}));
    for (bool found : r.dayFound)
        EXPECT_TRUE(found);
}

TEST(SplitDays, DayOneTakesOnlyVehiclesWhileLaterDaysKeepZeroAndEmptySpeeds) {
    Table records{rec(1, 8, 0, 0, 0), rec(2, 9, 0, 0, 50),
                  Measurement{3, Timestamp::fromDayAndTime(0, 9, 30, 0), Speed{}},
                  // A zero reading still moves the day on when its hour goes down.
                  rec(4, 1, 0, 0, 0), rec(5, 2, 0, 0, 60),
                  Measurement{6, Timestamp::fromDayAndTime(0, 3, 0, 0), Speed{}}};
    RecordingSink sink;
    SplitResult r = splitDays(records, sink);
    EXPECT_EQ(ids(r.days[0]), (Ids{2, 0}));
    EXPECT_EQ(ids(r.days[1]), (Ids{4, 5, 6, 0}));
    // The dropped day-1 records stay in the measurement itself.
    EXPECT_EQ(records.size(), 6u);
}

// ---------------------------------------------------------------------------------------------
// dayStatistics

TEST(DayStatistics, CountsVehiclesIntoTenKmhClassesBelow300) {
    Table day = dayOf({rec(1, 8, 0, 0, 5), rec(2, 8, 1, 0, 9.9), rec(3, 8, 2, 0, 10),
                       rec(4, 8, 3, 0, 299.9), rec(5, 8, 4, 0, 300), rec(6, 8, 5, 0, 45),
                       rec(7, 8, 6, 0, 0), rec(8, 8, 7, 0, -20), rec(9, 8, 8, 0, 41)});
    RecordingSink sink;
    DayStats s = dayStatistics(day, sink);

    // 300 counts as a vehicle and in its hour, but in no class; 0 and negatives not at all.
    EXPECT_EQ(s.vehicles, 7);
    EXPECT_EQ(s.classUpper, (std::vector<std::int32_t>{10, 20, 50, 300}));
    EXPECT_EQ(s.classCounts, (std::vector<std::int16_t>{2, 1, 2, 1}));
    EXPECT_EQ(s.hourCount[0], 7);
}

TEST(DayStatistics, DayWithoutVehiclesHasNoClassesAndZeroHours) {
    Table day = dayOf({rec(1, 8, 0, 0, 0), rec(2, 9, 0, 0, 0)});
    RecordingSink sink;
    DayStats s = dayStatistics(day, sink);
    EXPECT_EQ(s.vehicles, 0);
    EXPECT_TRUE(s.classUpper.empty());
    EXPECT_TRUE(s.classCounts.empty());
    for (auto c : s.hourCount)
        EXPECT_EQ(c, 0);
    EXPECT_EQ(sink.last(3), "0");
}

TEST(DayStatistics, HourSeriesStartsAtTheSecondRecordsHourAndWraps) {
    // The first record is at 06:xx, the second at 07:xx: slot 0 is 07:00-07:59 and the first
    // record's hour comes last.
    Table day = dayOf({rec(1, 6, 59, 0, 50), rec(2, 7, 0, 0, 50), rec(3, 7, 30, 0, 50),
                       rec(4, 23, 10, 0, 50), rec(5, 3, 0, 0, 50)});
    RecordingSink sink;
    DayStats s = dayStatistics(day, sink);
    EXPECT_EQ(s.firstHour, 7);
    EXPECT_EQ(s.hourCount[0], 2);   // 07
    EXPECT_EQ(s.hourCount[16], 1);  // 23
    EXPECT_EQ(s.hourCount[20], 1);  // 03
    EXPECT_EQ(s.hourCount[23], 1);  // 06, the first record
    EXPECT_EQ(s.hourLabel[0], "08:00");
    EXPECT_EQ(s.hourLabel[16], "00:00");  // 23:00-23:59 ends at midnight
    EXPECT_EQ(s.hourLabel[23], "07:00");
    EXPECT_EQ(s.hourCount[24], 0);
    EXPECT_EQ(s.hourLabel[24], "");
}

TEST(DayStatistics, WithoutASecondRecordTheSeriesStartsAtMidnight) {
    for (const Table& day : {Table{}, dayOf({}), dayOf({rec(1, 14, 0, 0, 80)})}) {
        RecordingSink sink;
        DayStats s = dayStatistics(day, sink);
        EXPECT_EQ(s.firstHour, 0);
        EXPECT_EQ(s.hourLabel[0], "01:00");
        EXPECT_EQ(s.hourLabel[23], "00:00");
        EXPECT_EQ(s.hourCount[14], day.size() == 2 ? 1 : 0);
        EXPECT_EQ(s.vehicles, day.size() == 2 ? 1 : 0);
    }
}

TEST(DayStatistics, TalliesSaturateAt32767) {
    std::vector<Measurement> many;
    many.reserve(40000);
    for (int i = 0; i < 40000; ++i)
        many.push_back(rec(i + 1, 10, i / 1000 % 60, i % 60, 55));
    many.push_back(rec(40001, 11, 0, 0, 120));
    Table day = dayOf(std::move(many));
    RecordingSink sink;
    DayStats s = dayStatistics(day, sink);
    EXPECT_EQ(s.vehicles, 32767);
    EXPECT_EQ(s.hourCount[0], 32767);  // hour 10
    EXPECT_EQ(s.hourCount[1], 1);      // counted although the vehicle count was already full
    ASSERT_EQ(s.classCounts.size(), 2u);
    EXPECT_EQ(s.classCounts[0], 32767);
    EXPECT_EQ(s.classCounts[1], 1);
    EXPECT_EQ(sink.last(3), "32767");
}

TEST(DayStatistics, PanelsShowLoadingThenTheFinalCountOnce) {
    Table day = dayOf({rec(1, 8, 0, 0, 50), rec(2, 8, 1, 0, 60), rec(3, 8, 2, 0, 70)});
    RecordingSink sink;
    dayStatistics(day, sink);
    using Calls = std::vector<std::pair<int, std::string>>;
    EXPECT_EQ(
        sink.calls,
        (Calls{{2, "Datensatz"}, {4, "wird geladen."}, {3, "3"}, {2, "Datensätze"}, {4, ""}}));
}

// ---------------------------------------------------------------------------------------------
// showSpeeds

TEST(ShowSpeeds, FirstRecordTakesPartInTheHighestSpeedOnly) {
    // Position 0 is above all others and below all others in two runs.
    auto high = showSpeeds(dayOf({rec(1, 8, 0, 0, 130), rec(2, 8, 1, 0, 40), rec(3, 8, 2, 0, 61)}));
    ASSERT_TRUE(high);
    EXPECT_EQ(high->vmax, "130 km/h");
    EXPECT_EQ(high->vmin, "40 km/h");
    EXPECT_EQ(high->avg, " 50 km/h");  // (40 + 61) / 2 = 50.5, floored

    auto low = showSpeeds(dayOf({rec(1, 8, 0, 0, 5), rec(2, 8, 1, 0, 40), rec(3, 8, 2, 0, 61)}));
    ASSERT_TRUE(low);
    EXPECT_EQ(low->vmax, "61 km/h");
    EXPECT_EQ(low->vmin, "40 km/h");
    EXPECT_EQ(low->avg, " 50 km/h");
}

TEST(ShowSpeeds, ZeroSpeedsWidenTheDivisorButAreNotLowest) {
    auto c = showSpeeds(dayOf({rec(1, 8, 0, 0, 50), rec(2, 8, 1, 0, 30), rec(3, 8, 2, 0, 0),
                               Measurement{4, Timestamp::fromDayAndTime(0, 8, 3, 0), Speed{}},
                               rec(5, 8, 4, 0, 60)}));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->vmin, "30 km/h");
    EXPECT_EQ(c->avg, " 22 km/h");  // 90 over the four positions 1..4
}

TEST(ShowSpeeds, AZeroSpeedAtPositionOneStaysTheLowest) {
    auto c = showSpeeds(dayOf({rec(1, 1, 0, 0, 50), rec(2, 1, 1, 0, 0), rec(3, 1, 2, 0, 70)}));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->vmin, "0 km/h");
    EXPECT_EQ(c->vmax, "70 km/h");
    EXPECT_EQ(c->avg, " 35 km/h");
}

TEST(ShowSpeeds, FailsWithoutASecondRecord) {
    EXPECT_FALSE(showSpeeds(Table{}));
    EXPECT_FALSE(showSpeeds(dayOf({})));
    EXPECT_FALSE(showSpeeds(dayOf({rec(1, 8, 0, 0, 50)})));
}

TEST(ShowSpeeds, FailsWhenANumberLeavesItsRange) {
    // The lowest speed is a 16-bit number.
    EXPECT_FALSE(
        showSpeeds(dayOf({rec(1, 8, 0, 0, 50), rec(2, 8, 1, 0, 40000), rec(3, 8, 2, 0, 50)})));
    // The sum is a 32-bit number.
    EXPECT_FALSE(showSpeeds(dayOf(
        {rec(1, 8, 0, 0, 50), rec(2, 8, 1, 0, 10), rec(3, 8, 2, 0, 2e9), rec(4, 8, 3, 0, 2e9)})));
    EXPECT_TRUE(
        showSpeeds(dayOf({rec(1, 8, 0, 0, 50), rec(2, 8, 1, 0, 10), rec(3, 8, 2, 0, 2e9)})));
}

TEST(ShowSpeeds, FractionalTextsCountWithTheirLeadingNumber) {
    // "47,5" reads 47: the comma is no decimal point for the leading-number rule.
    auto c =
        showSpeeds(dayOf({rec(1, 8, 0, 0, 47.5), rec(2, 8, 1, 0, 60.5), rec(3, 8, 2, 0, 70.5)}));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->vmax, "70 km/h");
    EXPECT_EQ(c->vmin, "60 km/h");
    EXPECT_EQ(c->avg, " 65 km/h");
}

TEST(NumberWithSign, LeadsNonNegativeNumbersWithABlank) {
    EXPECT_EQ(numberWithSign(15), " 15");
    EXPECT_EQ(numberWithSign(0), " 0");
    EXPECT_EQ(numberWithSign(-3), "-3");
    EXPECT_EQ(numberWithSign(2147483648LL), " 2147483648");
}

// Records come from files of any origin: no value a record can hold may crash the evaluation or
// push a count outside its range.
TEST(Evaluation, HostileValuesStayWithinRange) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> speeds{inf,   -inf, 1e308, -1e308,  4.9e-324, 299.99999999,
                                     300.0, -0.0, 1e15,  32767.5, 32768,    std::nan("")};
    const std::vector<std::int64_t> seconds{-1,
                                            -86400LL * 100000,
                                            86400LL * 100000,
                                            0,
                                            43200,
                                            std::numeric_limits<std::int32_t>::max()};
    Table records;
    std::int32_t id = 1;
    for (double v : speeds)
        for (std::int64_t s : seconds)
            records.push_back(Measurement{id++, Timestamp::fromSeconds(s), Speed::fromNumber(v)});

    RecordingSink sink;
    SplitResult split = splitDays(records, sink);
    for (const Table& day : split.days) {
        const DayStats s = dayStatistics(day, sink);
        EXPECT_GE(s.vehicles, 0);
        for (std::size_t j = 0; j < s.classUpper.size(); ++j) {
            EXPECT_GE(s.classUpper[j], 10);
            EXPECT_LE(s.classUpper[j], 300);
            EXPECT_GE(s.classCounts[j], 1);
        }
        for (const std::string& label : s.hourLabel)
            EXPECT_TRUE(label.empty() || label.size() == 5) << label;
        showSpeeds(day);  // either captions or none; it must simply return
    }
}
