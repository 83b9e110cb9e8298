// The values a record holds and the text rules under them: Windows-1252, speed texts, times and
// dates.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "model/encoding.h"
#include "model/speed.h"
#include "model/text_util.h"
#include "model/timestamp.h"

namespace korvala {
namespace {

constexpr double kMax = std::numeric_limits<double>::max();

// ---- text --------------------------------------------------------------------------------

TEST(Encoding, GermanTextByteForByteAndEveryByteRoundTrips) {
    const std::string cp = "Hauptstra\337e \304\366\374 \200 \204\223\224 \226";
    EXPECT_EQ(utf8ToCp1252("Hauptstraße Äöü € „“” –"), cp);
    EXPECT_EQ(cp1252ToUtf8(cp), "Hauptstraße Äöü € „“” –");
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
}

TEST(Encoding, UnrepresentableAndBrokenTextBecomesQuestionMarks) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"Łódź", "?\363d?"},
        {"a\377b", "a?b"},             // not UTF-8 at all
        {"a\xC3", "a?"},               // cut in the middle of a character
        {"\xC0\xAF", "??"},            // overlong "/"
        {"\xED\xA0\x80", "???"},       // surrogates, the first...
        {"\xED\xBF\xBF", "???"},       // ...and the last
        {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
        {"\xC2\x80", "?"},             // U+0080 has no Windows-1252 byte
        {"😀", "?"}};
    for (const auto& [utf8, cp] : cases)
        EXPECT_EQ(utf8ToCp1252(utf8), cp) << utf8;
}

TEST(TextUtil, TrimsBlanksAndReplacesLeftToRightWithoutRescanning) {
    EXPECT_EQ(trimBlanks("  a b  "), "a b");
    EXPECT_EQ(trimBlanks("\r\na\r\n"), "\r\na\r\n");
    EXPECT_EQ(trimBlanks("   "), "");
    EXPECT_EQ(replaceAll("03/12/2026", "/", "."), "03.12.2026");
    EXPECT_EQ(replaceAll("01.20.2026", ".20", "."), "01..26");
    EXPECT_EQ(replaceAll("a\r\n\r\n\r\nb", "\r\n\r\n", ""), "a\r\nb");
    EXPECT_EQ(replaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
}

// ---- speeds ------------------------------------------------------------------------------

TEST(LeadingNumber, TheNumberAtTheStartOrZero) {
    // The decimal comma and exponents are not part of the rule: a German "47,5" counts as 47.
    const std::vector<std::pair<std::string, double>> cases{
        {"47", 47}, {"   47", 47}, {"38 km/h", 38}, {"47.5", 47.5}, {"47.9.3", 47.9}, {".5", 0.5},
        {"5.", 5},  {"+5", 5},     {"-5", -5},      {"007", 7},     {"47,5", 47},     {"1E+30", 1},
        {"4 7", 4}, {"47\r", 47},  {"", 0},         {" ", 0},       {"abc", 0},       {"-", 0},
        {"+.", 0},  {" - 5", 0},   {"\t47", 0}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(leadingNumber(text), value) << "'" << text << "'";
    EXPECT_EQ(leadingNumber("1234567890123456789"), 1234567890123456789.0);
    EXPECT_EQ(leadingNumber(std::string(400, '9')), kMax);
    EXPECT_EQ(leadingNumber("-" + std::string(400, '9')), -kMax);
    EXPECT_EQ(leadingNumber("0." + std::string(400, '0') + "1"), 0);
    EXPECT_FALSE(std::signbit(leadingNumber("-0")));
    // A field is a piece of a line: the digits after it are not its own.
    EXPECT_EQ(leadingNumber(std::string_view("4711").substr(0, 2)), 47);
    EXPECT_EQ(leadingNumber(std::string_view("5.7").substr(0, 2)), 5);
}

TEST(DecimalText, ShortestFormWithDecimalCommaAndExponentFrom1e15) {
    const std::vector<std::pair<double, std::string>> cases{
        {45, "45"},       {0, "0"},        {-0.0, "0"},           {47.5, "47,5"},
        {-3.25, "-3,25"}, {1e15, "1E+15"}, {-1.5e20, "-1,5E+20"}, {std::nan(""), ""}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(decimalText(value), text) << value;
    EXPECT_EQ(decimalText(1.0 / 3), "0,3333333333333333");
    EXPECT_EQ(decimalText(999999999999999), "999999999999999");
    EXPECT_EQ(decimalText(std::numeric_limits<double>::infinity()), "1,7976931348623157E+308");
}

TEST(SpeedValue, FollowsTheTextNotTheNumber) {
    EXPECT_TRUE(Speed().empty());
    EXPECT_EQ(Speed().text(), "");
    EXPECT_EQ(Speed().value(), 0);
    EXPECT_EQ(Speed::fromField("38 km/h").text(), "38");
    EXPECT_EQ(Speed::fromField("47.5").text(), "47,5");
    EXPECT_EQ(Speed(), Speed());
    EXPECT_NE(Speed(), Speed::fromNumber(0));
    EXPECT_EQ(Speed::fromField("47"), Speed::fromNumber(47));
    // value() skips the text for whole numbers; it must agree with the text rule everywhere.
    for (double v : {47.0, 47.5, -0.5, 1e15 - 1, 1e15, 1.5e15, 1e30, -2.5e20, 5e-324}) {
        const Speed s = Speed::fromNumber(v);
        EXPECT_EQ(s.value(), leadingNumber(s.text())) << v;
    }
    EXPECT_EQ(Speed::fromNumber(1e30).value(), 1);
}

// ---- times and dates ---------------------------------------------------------------------

constexpr std::int64_t kDay = Timestamp::kSecondsPerDay;

TEST(TimestampParse, TimesAndDates) {
    const std::vector<std::pair<std::string, int>> times{
        {"16:17:46", 58666}, {"0:00", 0}, {"23:59:59", 86399}, {"  7:59:09  ", 28749}};
    for (const auto& [text, seconds] : times)
        EXPECT_EQ(Timestamp::parse(text).value_or(Timestamp::fromSeconds(-1)).seconds(), seconds);
    // Day counts from 30.12.1899; two-digit years 30..99 are 1930..1999.
    const std::vector<std::pair<std::string, int>> dates{
        {"03.12.26", 46359},   {"3.12.2026", 46359}, {"30.12.1899", 0},   {"29.02.2000", 36585},
        {"01.03.2000", 36586}, {"30.04.26", 46142},  {"01.01.30", 10959}, {"31.12.29", 47483}};
    for (const auto& [text, day] : dates)
        EXPECT_EQ(Timestamp::parse(text).value_or(Timestamp::fromSeconds(-1)).seconds(), day * kDay)
            << text;
    EXPECT_EQ(Timestamp::parse("03.12.2026 16:17:46")->seconds(), 46359 * kDay + 58666);
    EXPECT_EQ(Timestamp::parse(" 3.12.26   16:17 ")->seconds(), 46359 * kDay + 58620);
    EXPECT_EQ(Timestamp::parse(std::string_view("2:00:591").substr(0, 7))->second(), 59);
}

TEST(TimestampParse, RejectsMalformedTimesAndImpossibleDates) {
    for (const char* bad : {"",          " ",          "12",       "12:",
                            "24:00:00",  "12:60",      "12:00:60", "123:00",
                            "12:000",    "12:00:00 x", "-1:00",    "12:00:00:00",
                            "12.00",     "x12:00",     "12 :00",   "\t12:00",
                            "12:00,5",   "31.02.26",   "29.02.25", "30.02.2024",
                            "31.04.26",  "00.01.26",   "01.00.26", "01.13.26",
                            "32.01.26",  "01.01.026",  "1.1.",     "03.12.202616:17",
                            "03.12.26x", "01.01.0099", "12:34x56", "1::00:00"}) {
        EXPECT_FALSE(Timestamp::parse(bad).has_value()) << "'" << bad << "'";
    }
    EXPECT_EQ(Timestamp::parseDate(" 03.12.26 ")->seconds(), 46359 * kDay);
    EXPECT_FALSE(Timestamp::parseDate("16:17:46").has_value());
    EXPECT_FALSE(Timestamp::parseDate("03.12.26 16:17").has_value());
}

TEST(TimestampText, FormsOfTheTimeAndTheDate) {
    const Timestamp t = Timestamp::fromDayAndTime(46359, 6, 5, 4);
    EXPECT_EQ(t.timeText(), "06:05:04");
    EXPECT_EQ(t.hourMinuteText(), "06:05");
    EXPECT_EQ(t.shortDateText(), "03.12.26");
    EXPECT_EQ(t.generalText(), "03.12.2026 06:05:04");
    EXPECT_EQ(Timestamp::fromDayAndTime(46359, 0, 0, 0).generalText(), "03.12.2026");
    EXPECT_EQ(Timestamp::fromSeconds(58666).generalText(), "16:17:46");
    EXPECT_EQ(Timestamp::parse("01.01.2000")->shortDateText(), "01.01.00");
    // The last day of one 400-year cycle and the first of the next.
    EXPECT_EQ(Timestamp::parse("29.02.2000")->shortDateText(), "29.02.00");
    EXPECT_EQ(Timestamp::parse("01.03.2000")->shortDateText(), "01.03.00");
    EXPECT_EQ(Timestamp::fromSeconds(-1).generalText(), "29.12.1899 23:59:59");
    EXPECT_EQ(Timestamp::fromSeconds(-1).hour(), 23);
    // The .spt writer's text form must read back as the same value.
    for (std::int64_t s = 0; s < kDay; s += 7)
        ASSERT_EQ(Timestamp::parse(Timestamp::fromSeconds(s).generalText())->seconds(), s);
    for (std::int64_t day = 2; day < 80000; day += 373) {
        for (const Timestamp t2 : {Timestamp::fromDayAndTime(day, static_cast<int>(day % 24), 1, 2),
                                   Timestamp::fromDayAndTime(day, 0, 0, 0)})
            ASSERT_EQ(Timestamp::parse(t2.generalText()), t2) << t2.generalText();
    }
}

}  // namespace
}  // namespace korvala
