#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "log_generator.h"
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

TEST(SpeedValue, ShortcutAgreesWithTheTextRule) {
    // value() skips the text for integral numbers; the text rule must give the same for any
    // number, and below 1e15 the text must read back as the very same number.
    gen::Rng rng(7);
    std::vector<double> values = {0.5, -0.5, 47.0, 1e15 - 1, 1e15, 123456789.125, 5e-324};
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = rng.next();
        double v = 0;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v))
            values.push_back(v);
        values.push_back(static_cast<double>(rng.below(300)) / (1 + rng.below(16)));
        values.push_back(static_cast<double>(rng.next() % 2'000'000'000'000'000ull) - 1e18);
    }
    for (double v : values) {
        const Speed s = Speed::fromNumber(v);
        const std::string text = s.text();
        ASSERT_EQ(s.value(), leadingNumber(text)) << text;
        if (std::fabs(v) < 1e15 && std::fabs(v) > 1e-300) {
            std::string dotted = text;
            std::replace(dotted.begin(), dotted.end(), ',', '.');
            ASSERT_EQ(leadingNumber(dotted), v) << text;
        }
    }
}

}  // namespace
}  // namespace korvala
