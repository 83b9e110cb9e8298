// The evaluation and the exports on the shipped week of traffic, checked against properties that
// hold for any measurement rather than against figures copied from a run.

#include <gtest/gtest.h>

#include <string>

#include "evaluation/statistics.h"
#include "model/measurement_file.h"
#include "output/csv_export.h"
#include "output/rtf_list.h"

using namespace korvala;

namespace {

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t pos = text.find(part); pos != std::string::npos;
         pos = text.find(part, pos + 1))
        ++n;
    return n;
}

class SampleWeek : public ::testing::Test {
  protected:
    void SetUp() override {
        LoadResult load = readMeasurementFile(std::string(KORVALA_DATA_DIR) + "/sample-7tage.log");
        ASSERT_EQ(load.outcome, LoadOutcome::Loaded);
        ASSERT_GT(load.records.size(), 1000u);
        original = load.records;
        records = std::move(load.records);
        split = splitDays(records, sink);
    }
    NullStatusSink sink;
    Table original, records;
    SplitResult split;
};

}  // namespace

TEST_F(SampleWeek, SplitKeepsEveryRecordExceptNeighbourRepeatsAndDayOneZeros) {
    EXPECT_EQ(records.size() + static_cast<std::size_t>(split.duplicatesDropped), original.size());
    for (std::size_t i = 1; i < records.size(); ++i)
        ASSERT_NE(records[i].time, records[i - 1].time) << "index " << i;

    // Walking the kept records again must meet the day tables' contents in order.
    std::size_t day = 0, pos = 0;
    int previousHour = 0;
    for (const Measurement& m : records) {
        if (m.time.hour() < previousHour && day < kDays - 1) {
            ASSERT_EQ(pos + 1, split.days[day].size()) << "day " << day + 1 << " ends early";
            ++day;
            pos = 0;
        }
        previousHour = m.time.hour();
        if (day == 0 && !m.counts())
            continue;
        ASSERT_LT(pos + 1, split.days[day].size());
        ASSERT_EQ(split.days[day][pos], m);
        ++pos;
    }
    EXPECT_EQ(day, 6u) << "the sample spans a full week";
    for (bool found : split.dayFound)
        EXPECT_TRUE(found);
}

TEST_F(SampleWeek, DayStatisticsAddUpToTheVehiclesOfTheWeek) {
    long long vehicles = 0;
    for (const Measurement& m : records)
        vehicles += m.counts();

    long long fromDays = 0;
    for (const Table& day : split.days) {
        const DayStats s = dayStatistics(day, sink);
        long long inClasses = 0, inHours = 0;
        for (auto c : s.classCounts)
            inClasses += c;
        for (auto c : s.hourCount)
            inHours += c;
        EXPECT_EQ(inHours, s.vehicles);
        EXPECT_LE(inClasses, s.vehicles);
        fromDays += s.vehicles;
        const auto captions = showSpeeds(day);
        ASSERT_TRUE(captions);
        EXPECT_TRUE(captions->avg.ends_with(" km/h"));
    }
    EXPECT_EQ(fromDays, vehicles);
}

TEST_F(SampleWeek, ExportsListEveryRecordOnce) {
    long long vehicles = 0;
    for (const Measurement& m : records)
        vehicles += m.counts();
    const std::string csv = csvContent(Site{"Ort", "01.12.26", ""}, records);
    EXPECT_EQ(countOf(csv, "\r\n"), static_cast<std::size_t>(vehicles) + 2);

    // Every record shows up as exactly one " Zeit: " entry, whichever column it is in.
    const std::string rtf = formatRtfList(records);
    EXPECT_EQ(countOf(rtf, " Zeit: "), records.size());
    EXPECT_EQ(countOf(rtf, "\\page"),
              (records.size() - 1) / 120 + ((records.size() - 1) % 120 >= 60));
}
