#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "model/record_parser.h"

namespace korvala {
namespace {

// Records every panel write so a test can tell "nothing shown" from "shown twice".
class RecordingSink final : public StatusSink {
  public:
    void setPanel(int panel, std::string_view text) override {
        writes.emplace_back(panel, std::string(text));
    }
    std::vector<std::pair<int, std::string>> writes;
};

Timestamp at(int h, int m, int s) {
    return Timestamp::fromDayAndTime(0, h, m, s);
}

Measurement record(std::int32_t id, Timestamp t, Speed v) {
    return Measurement{id, t, v};
}

class ParserTest : public ::testing::Test {
  protected:
    Table records;
    RecordingSink status;

    void expectFormatErrorShownOnce() {
        ASSERT_EQ(status.writes.size(), 1u);
        EXPECT_EQ(status.writes[0].first, 1);
        EXPECT_EQ(status.writes[0].second, "Falsches Format!");
    }
};

TEST_F(ParserTest, CompleteLineFillsTheElement) {
    EXPECT_EQ(parser(records, "5,12:00:01,38", 0, status), ParseResult::Ok);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], record(5, at(12, 0, 1), Speed::fromNumber(38)));
    EXPECT_EQ(records[0].speed.text(), "38");
    EXPECT_TRUE(status.writes.empty());
}

TEST_F(ParserTest, FieldsAfterTheSpeedAreIgnored) {
    EXPECT_EQ(parser(records, "17,16:17:46,47,5,anything", 0, status), ParseResult::Ok);
    EXPECT_EQ(records[0].speed.text(), "47");
}

TEST_F(ParserTest, DatedTimeAndBlanksAreAccepted) {
    EXPECT_EQ(parser(records, " 17 ,03.12.2026 16:17:46, 47", 0, status), ParseResult::Ok);
    EXPECT_EQ(records[0].id, 17);
    EXPECT_EQ(records[0].time, *Timestamp::parse("03.12.26 16:17:46"));
    EXPECT_EQ(records[0].speed.text(), "47");
}

TEST_F(ParserTest, MissingSpeedKeepsIdAndTime) {
    EXPECT_EQ(parser(records, "5,12:00:01", 0, status), ParseResult::FormatError);
    EXPECT_EQ(records[0].id, 5);
    EXPECT_EQ(records[0].time, at(12, 0, 1));
    EXPECT_TRUE(records[0].speed.empty());
    expectFormatErrorShownOnce();
}

TEST_F(ParserTest, BadTimeKeepsOnlyTheId) {
    for (const char* line : {"5,25:00:00,38", "5,,38", "5", "5,abc,38"}) {
        records.clear();
        status.writes.clear();
        EXPECT_EQ(parser(records, line, 0, status), ParseResult::FormatError) << line;
        EXPECT_EQ(records.at(0), record(5, Timestamp(), Speed())) << line;
        expectFormatErrorShownOnce();
    }
}

TEST_F(ParserTest, BadIdGoesToTheCallerSilently) {
    records = {record(9, at(1, 2, 3), Speed::fromNumber(50))};
    for (const char* line : {"x,12:00:01,38", "", ",12:00:01,38", "1.5,12:00:01,38",
                             "99999999999,12:00:01,38", "5x,12:00:01,38"}) {
        EXPECT_EQ(parser(records, line, 2, status), ParseResult::CallerError) << line;
    }
    // The table has grown to the index, the new elements are empty, the old one is untouched.
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], record(9, at(1, 2, 3), Speed::fromNumber(50)));
    EXPECT_TRUE(records[1].isEmpty());
    EXPECT_TRUE(records[2].isEmpty());
    EXPECT_TRUE(status.writes.empty());
}

TEST_F(ParserTest, BadIdLeavesAnExistingElementAsItWas) {
    records = {record(9, at(1, 2, 3), Speed::fromNumber(50))};
    EXPECT_EQ(parser(records, "x,12:00:01,38", 0, status), ParseResult::CallerError);
    EXPECT_EQ(records[0], record(9, at(1, 2, 3), Speed::fromNumber(50)));
}

TEST_F(ParserTest, SpeedWithoutNumberIsZeroNotAFailure) {
    EXPECT_EQ(parser(records, "5,12:00:01,abc", 0, status), ParseResult::Ok);
    EXPECT_EQ(records[0].speed.text(), "0");
    EXPECT_FALSE(records[0].counts());
    EXPECT_EQ(parser(records, "6,12:00:02,", 1, status), ParseResult::Ok);
    EXPECT_EQ(records[1].speed.text(), "0");
    EXPECT_TRUE(status.writes.empty());
}

TEST_F(ParserTest, IndexResizesTheTableBothWays) {
    parser(records, "1,12:00:01,38", 4, status);
    EXPECT_EQ(records.size(), 5u);
    EXPECT_TRUE(records[0].isEmpty());
    parser(records, "2,12:00:02,39", 1, status);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].id, 2);
}

TEST_F(ParserTest, RecordNumberLimits) {
    std::int32_t id = 0;
    EXPECT_TRUE(parseRecordNumber("2147483647", id));
    EXPECT_EQ(id, 2147483647);
    EXPECT_TRUE(parseRecordNumber("-2147483648", id));
    EXPECT_EQ(id, -2147483647 - 1);
    EXPECT_TRUE(parseRecordNumber("  +12  ", id));
    EXPECT_EQ(id, 12);
    EXPECT_FALSE(parseRecordNumber("2147483648", id));
    EXPECT_FALSE(parseRecordNumber("-2147483649", id));
    EXPECT_FALSE(parseRecordNumber("1 2", id));
    EXPECT_FALSE(parseRecordNumber("-", id));
    EXPECT_FALSE(parseRecordNumber("   ", id));
    EXPECT_FALSE(parseRecordNumber(std::string(100, '0') + "1x", id));
}

TEST_F(ParserTest, LogLineNumberedByIndex) {
    EXPECT_EQ(parser_log(records, "/03/12/2026/16:17:46,47", 3, status), ParseResult::Ok);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[3], record(3, at(16, 17, 46), Speed::fromNumber(47)));
}

TEST_F(ParserTest, LogPrefixIsNotChecked) {
    // Only the length of the prefix matters; the device's date is never read from it.
    EXPECT_EQ(parser_log(records, "xxxxxxxxxxxx16:17:46,47", 0, status), ParseResult::Ok);
    EXPECT_EQ(records[0].time, at(16, 17, 46));
}

TEST_F(ParserTest, ShortLogLineLeavesTheTableAlone) {
    records = {record(1, at(1, 0, 0), Speed::fromNumber(30))};
    EXPECT_EQ(parser_log(records, "/03/12/2026", 5, status), ParseResult::CallerError);
    EXPECT_EQ(records.size(), 1u);
    EXPECT_TRUE(status.writes.empty());
}

TEST_F(ParserTest, LogLineFailuresKeepWhatWasSet) {
    EXPECT_EQ(parser_log(records, "/03/12/2026/", 0, status), ParseResult::FormatError);
    EXPECT_EQ(records[0], record(0, Timestamp(), Speed()));
    EXPECT_EQ(parser_log(records, "/03/12/2026/16:17:46", 1, status), ParseResult::FormatError);
    EXPECT_EQ(records[1], record(1, at(16, 17, 46), Speed()));
    EXPECT_EQ(parser_log(records, "/03/12/2026/16:17,47,12", 2, status), ParseResult::Ok);
    EXPECT_EQ(records[2], record(2, at(16, 17, 0), Speed::fromNumber(47)));
    EXPECT_EQ(status.writes.size(), 2u);
}

TEST_F(ParserTest, NegativeIndexEmptiesWithoutTouchingMemory) {
    records = {record(1, at(1, 0, 0), Speed::fromNumber(30))};
    EXPECT_EQ(parser(records, "1,12:00:00,5", -1, status), ParseResult::CallerError);
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(parser_log(records, "/03/12/2026/16:17:46,47", -3, status), ParseResult::CallerError);
    EXPECT_TRUE(records.empty());
}

}  // namespace
}  // namespace korvala
