// One record line into one element of the table: what is kept when a field fails, and who is
// told.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "model/record_parser.h"
#include "test_support.h"

namespace korvala::test {
namespace {

struct LineCase {
    bool log;  // parser_log instead of parser
    std::string line;
    ParseResult result;
    std::optional<Measurement> stored;  // the element at index 0; none: the table stays empty
};

Measurement idOnly(std::int32_t id, Timestamp t = {}) {
    return Measurement{id, t, Speed()};
}

TEST(Parser, WhatEachLineLeavesAtItsIndex) {
    using enum ParseResult;
    const Timestamp noon = Timestamp::fromDayAndTime(0, 12, 0, 1);
    const std::vector<LineCase> cases{
        {false, "5,12:00:01,38", Ok, rec(5, 12, 0, 1, 38)},
        {false, "17,16:17:46,47,5,anything", Ok, rec(17, 16, 17, 46, 47)},
        {false, " 17 ,03.12.2026 16:17:46, 47", Ok, rec(17, 16, 17, 46, 47, 46359)},
        // A speed without a number is 0, no failure.
        {false, "5,12:00:01,abc", Ok, rec(5, 12, 0, 1, 0)},
        {false, "6,12:00:01,", Ok, rec(6, 12, 0, 1, 0)},
        // A failing field keeps what was set before it.
        {false, "5,12:00:01", FormatError, idOnly(5, noon)},
        {false, "5,25:00:00,38", FormatError, idOnly(5)},
        {false, "5", FormatError, idOnly(5)},
        // A bad record number goes to the caller silently; the table has grown to the index.
        {false, "x,12:00:01,38", CallerError, Measurement{}},
        {false, "", CallerError, Measurement{}},
        // Log lines are numbered by their index; only the prefix's length matters.
        {true, "/03/12/2026/16:17:46,47", Ok, rec(0, 16, 17, 46, 47)},
        {true, "xxxxxxxxxxxx16:17:46,47", Ok, rec(0, 16, 17, 46, 47)},
        {true, "/03/12/2026/16:17,47,12", Ok, rec(0, 16, 17, 0, 47)},
        {true, "/03/12/2026/16:17:46", FormatError, idOnly(0, Timestamp::fromSeconds(58666))},
        {true, "/03/12/2026/", FormatError, idOnly(0)},
        {true, "/03/12/2026", CallerError, std::nullopt}};
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line);
        Table records;
        RecordingSink status;
        EXPECT_EQ((c.log ? parser_log : parser)(records, c.line, 0, status), c.result);
        if (c.stored) {
            ASSERT_EQ(records.size(), 1u);
            EXPECT_EQ(records[0], *c.stored);
            EXPECT_EQ(records[0].speed.text(), c.stored->speed.text());
        } else {
            EXPECT_TRUE(records.empty());
        }
        std::vector<std::pair<int, std::string>> told;
        if (c.result == FormatError)
            told.emplace_back(1, "Falsches Format!");
        EXPECT_EQ(status.calls, told);
    }
}

TEST(Parser, RecordNumbersFitThirtyTwoBits) {
    const std::vector<std::pair<std::string, std::optional<std::int32_t>>> cases{
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"  +12  ", 12},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"1 2", std::nullopt},
        {"-", std::nullopt},
        {"   ", std::nullopt},
        {std::string(100, '0') + "1x", std::nullopt}};
    for (const auto& [text, expected] : cases) {
        std::int32_t id = 7;
        EXPECT_EQ(parseRecordNumber(text, id), expected.has_value()) << text;
        EXPECT_EQ(id, expected.value_or(7)) << text;
    }
}

}  // namespace
}  // namespace korvala::test
