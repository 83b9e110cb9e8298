#include <gtest/gtest.h>

#include "model/timestamp.h"

namespace korvala {
namespace {

std::int64_t secondsOf(std::string_view text) {
    auto t = Timestamp::parse(text);
    EXPECT_TRUE(t.has_value()) << "'" << text << "' should parse";
    return t ? t->seconds() : -1;
}

constexpr std::int64_t kDay = Timestamp::kSecondsPerDay;

TEST(TimestampParse, TimesOfDay) {
    EXPECT_EQ(secondsOf("16:17:46"), 16 * 3600 + 17 * 60 + 46);
    EXPECT_EQ(secondsOf("00:00:00"), 0);
    EXPECT_EQ(secondsOf("0:00"), 0);
    EXPECT_EQ(secondsOf("23:59:59"), kDay - 1);
    EXPECT_EQ(secondsOf("7:05"), 7 * 3600 + 5 * 60);
    EXPECT_EQ(secondsOf("  7:05:09  "), 7 * 3600 + 5 * 60 + 9);
}

TEST(TimestampParse, DatesWithAndWithoutTime) {
    EXPECT_EQ(secondsOf("03.12.26"), 46359 * kDay);
    EXPECT_EQ(secondsOf("3.12.2026"), 46359 * kDay);
    EXPECT_EQ(secondsOf("03.12.2026 16:17:46"), 46359 * kDay + 58666);
    EXPECT_EQ(secondsOf(" 03.12.26   16:17 "), 46359 * kDay + 58620);
    EXPECT_EQ(secondsOf("30.12.1899"), 0);
    EXPECT_EQ(secondsOf("01.01.1900"), 2 * kDay);
    EXPECT_EQ(secondsOf("29.02.2000"), 36585 * kDay);
}

TEST(TimestampParse, TwoDigitYearsPivotAt30) {
    EXPECT_EQ(secondsOf("01.01.30"), 10959 * kDay);  // 1930
    EXPECT_EQ(secondsOf("31.12.29"), 47483 * kDay);  // 2029
    int y = 0, m = 0, d = 0;
    Timestamp::parse("01.01.00")->date(y, m, d);
    EXPECT_EQ(y, 2000);
    Timestamp::parse("01.01.99")->date(y, m, d);
    EXPECT_EQ(y, 1999);
}

TEST(TimestampParse, RejectsMalformedText) {
    for (const char* bad :
         {"",           " ",       "12",          "12:",    "12:00:",  ":00",
          "24:00:00",   "12:60",   "12:00:60",    "123:00", "12:000",  "12:00:00x",
          "12:00:00 x", "-1:00",   "12:00:00:00", "12.00",  "1:2:3:4", "x12:00",
          "12 :00",     "\t12:00", "12:00,5"}) {
        EXPECT_FALSE(Timestamp::parse(bad).has_value()) << "'" << bad << "'";
    }
}

TEST(TimestampParse, RejectsImpossibleDates) {
    for (const char* bad :
         {"31.02.26", "29.02.25", "30.02.2024", "31.04.26", "00.01.26", "01.00.26", "01.13.26",
          "32.01.26", "01.01.026", "01.01.20266", "1.1.", "1..26", "03.12.202616:17", "03.12.26x",
          "03.12.26 25:00", "01.01.0099"}) {
        EXPECT_FALSE(Timestamp::parse(bad).has_value()) << "'" << bad << "'";
    }
    EXPECT_TRUE(Timestamp::parse("29.02.24").has_value());
}

TEST(TimestampParse, DateOnlyParser) {
    EXPECT_EQ(Timestamp::parseDate(" 03.12.26 ")->seconds(), 46359 * kDay);
    EXPECT_FALSE(Timestamp::parseDate("16:17:46").has_value());
    EXPECT_FALSE(Timestamp::parseDate("03.12.26 16:17").has_value());
}

TEST(TimestampText, GeneralTextPicksTheParts) {
    EXPECT_EQ(Timestamp::fromSeconds(58666).generalText(), "16:17:46");
    EXPECT_EQ(Timestamp().generalText(), "00:00:00");
    EXPECT_EQ(Timestamp::fromDayAndTime(46359, 0, 0, 0).generalText(), "03.12.2026");
    EXPECT_EQ(Timestamp::fromDayAndTime(46359, 16, 17, 46).generalText(), "03.12.2026 16:17:46");
    EXPECT_EQ(Timestamp::fromDayAndTime(46359, 0, 0, 1).generalText(), "03.12.2026 00:00:01");
}

TEST(TimestampText, ShortForms) {
    const Timestamp t = Timestamp::fromDayAndTime(46359, 6, 5, 4);
    EXPECT_EQ(t.timeText(), "06:05:04");
    EXPECT_EQ(t.hourMinuteText(), "06:05");
    EXPECT_EQ(t.shortDateText(), "03.12.26");
    EXPECT_EQ(Timestamp::parse("01.01.2000")->shortDateText(), "01.01.00");
}

TEST(TimestampText, BeforeDayZeroStillHasAClockTime) {
    const Timestamp t = Timestamp::fromSeconds(-1);
    EXPECT_EQ(t.hour(), 23);
    EXPECT_EQ(t.timeText(), "23:59:59");
    EXPECT_EQ(t.generalText(), "29.12.1899 23:59:59");
}

TEST(TimestampText, GeneralTextParsesBack) {
    // Every second of a day and a spread of dates must survive the text form that the .spt
    // writer uses.
    for (std::int64_t s = 0; s < kDay; s += 7) {
        const Timestamp t = Timestamp::fromSeconds(s);
        ASSERT_EQ(Timestamp::parse(t.generalText()), t) << t.generalText();
    }
    for (std::int64_t day = 2; day < 80000; day += 373) {
        const Timestamp t = Timestamp::fromDayAndTime(day, static_cast<int>(day % 24), 1, 2);
        ASSERT_EQ(Timestamp::parse(t.generalText()), t) << t.generalText();
        const Timestamp midnight = Timestamp::fromDayAndTime(day, 0, 0, 0);
        ASSERT_EQ(Timestamp::parse(midnight.generalText()), midnight) << midnight.generalText();
    }
}

TEST(TimestampDate, FromDateValidatesAndMatchesParse) {
    EXPECT_EQ(Timestamp::fromDate(2026, 12, 3, 16, 17, 46),
              Timestamp::parse("03.12.2026 16:17:46"));
    EXPECT_FALSE(Timestamp::fromDate(2026, 2, 29).has_value());
    EXPECT_FALSE(Timestamp::fromDate(2026, 1, 1, 24, 0, 0).has_value());
    int y = 0, m = 0, d = 0;
    Timestamp::fromDate(2024, 2, 29)->date(y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20240229);
}

}  // namespace
}  // namespace korvala
