#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "model/speed.h"

namespace korvala {
namespace {

TEST(LeadingNumber, TakesTheNumberAtTheStart) {
    EXPECT_EQ(leadingNumber("47"), 47);
    EXPECT_EQ(leadingNumber("   47"), 47);
    EXPECT_EQ(leadingNumber("38 km/h"), 38);
    EXPECT_EQ(leadingNumber("47.5"), 47.5);
    EXPECT_EQ(leadingNumber("47.5.3"), 47.5);
    EXPECT_EQ(leadingNumber(".5"), 0.5);
    EXPECT_EQ(leadingNumber("5."), 5);
    EXPECT_EQ(leadingNumber("+5"), 5);
    EXPECT_EQ(leadingNumber("-5"), -5);
    EXPECT_EQ(leadingNumber("007"), 7);
}

TEST(LeadingNumber, StopsAtAnythingOutsideTheRule) {
    // The decimal comma and exponents are not part of the rule: a German "47,5" counts as 47.
    EXPECT_EQ(leadingNumber("47,5"), 47);
    EXPECT_EQ(leadingNumber("1E+30"), 1);
    EXPECT_EQ(leadingNumber("1e5"), 1);
    EXPECT_EQ(leadingNumber("4 7"), 4);
    EXPECT_EQ(leadingNumber("47\r"), 47);
}

TEST(LeadingNumber, NoNumberGivesZero) {
    for (const char* text : {"", " ", "abc", "-", "+", ".", "-.", " - 5", "km 47", "\t47"}) {
        EXPECT_EQ(leadingNumber(text), 0) << "'" << text << "'";
    }
    EXPECT_FALSE(std::signbit(leadingNumber("-0")));
}

TEST(LeadingNumber, EndlessDigitsStayFinite) {
    const std::string huge(400, '9');
    EXPECT_EQ(leadingNumber(huge), std::numeric_limits<double>::max());
    EXPECT_EQ(leadingNumber("-" + huge), -std::numeric_limits<double>::max());
    EXPECT_EQ(leadingNumber("0." + std::string(400, '0') + "1"), 0);
    EXPECT_EQ(leadingNumber("1234567890123456789"), 1234567890123456789.0);
}

TEST(DecimalText, ShortestFormWithDecimalComma) {
    EXPECT_EQ(decimalText(45), "45");
    EXPECT_EQ(decimalText(0), "0");
    EXPECT_EQ(decimalText(-0.0), "0");
    EXPECT_EQ(decimalText(47.5), "47,5");
    EXPECT_EQ(decimalText(0.1), "0,1");
    EXPECT_EQ(decimalText(-3.25), "-3,25");
    EXPECT_EQ(decimalText(1.0 / 3), "0,3333333333333333");
    EXPECT_EQ(decimalText(999999999999999), "999999999999999");
    EXPECT_EQ(decimalText(std::nan("")), "");
}

TEST(DecimalText, LargeMagnitudesUseAnExponent) {
    EXPECT_EQ(decimalText(1e15), "1E+15");
    EXPECT_EQ(decimalText(1e30), "1E+30");
    EXPECT_EQ(decimalText(-1.5e20), "-1,5E+20");
    EXPECT_EQ(decimalText(std::numeric_limits<double>::infinity()), "1,7976931348623157E+308");
}

TEST(SpeedValue, FollowsTheTextNotTheNumber) {
    EXPECT_TRUE(Speed().empty());
    EXPECT_EQ(Speed().text(), "");
    EXPECT_EQ(Speed().value(), 0);
    EXPECT_EQ(Speed::fromField("abc").text(), "0");
    EXPECT_EQ(Speed::fromField("38 km/h").text(), "38");
    EXPECT_EQ(Speed::fromField("47.5").text(), "47,5");
    EXPECT_EQ(Speed::fromField("47.5").value(), 47);
    EXPECT_EQ(Speed::fromField("-0.5").value(), 0);
    EXPECT_EQ(Speed::fromNumber(1e30).value(), 1);
    EXPECT_EQ(Speed::fromNumber(-2.5e20).value(), -2);
    EXPECT_EQ(Speed::fromNumber(-0.0).text(), "0");
}

TEST(SpeedValue, EqualityTreatsEmptyAsOneValue) {
    EXPECT_EQ(Speed(), Speed());
    EXPECT_NE(Speed(), Speed::fromNumber(0));
    EXPECT_EQ(Speed::fromField("47"), Speed::fromNumber(47));
}

}  // namespace
}  // namespace korvala
