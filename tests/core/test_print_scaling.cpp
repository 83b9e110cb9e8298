#include <gtest/gtest.h>

#include "output/print_scaling.h"

namespace {

using korvala::fitPictureToPage;
using korvala::orientationFor;
using korvala::PageOrientation;

TEST(PrintOrientation, WideIsLandscapeSquareAndTallArePortrait) {
    EXPECT_EQ(orientationFor(16000, 9000), PageOrientation::Landscape);
    EXPECT_EQ(orientationFor(9000, 9000), PageOrientation::Portrait);
    EXPECT_EQ(orientationFor(9000, 16000), PageOrientation::Portrait);
    EXPECT_EQ(orientationFor(9001, 9000), PageOrientation::Landscape);
}

struct FitCase {
    const char* name;
    double picW, picH, pageW, pageH;
    int divisor;
    double expectW, expectH;
};

class FitPictureTable : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitPictureTable, PrintedSize) {
    const FitCase& c = GetParam();
    const auto size = fitPictureToPage(c.picW, c.picH, c.pageW, c.pageH, c.divisor);
    EXPECT_DOUBLE_EQ(size.width, c.expectW) << c.name;
    EXPECT_DOUBLE_EQ(size.height, c.expectH) << c.name;
}

// Pages are landscape A4-ish printable areas in twips unless stated.
INSTANTIATE_TEST_SUITE_P(
    Cases, FitPictureTable,
    ::testing::Values(
        // Relatively wider than the page: fills the width, divisor plays no part.
        FitCase{"wide fills width", 3000, 1000, 15000, 10000, 1, 15000, 5000},
        FitCase{"wide ignores divisor", 3000, 1000, 15000, 10000, 2, 15000, 5000},
        // Page wider in proportion than the chart: fills the height, or half of it.
        FitCase{"tall fills height", 1200, 1000, 15000, 10000, 1, 12000, 10000},
        FitCase{"tall halved", 1200, 1000, 15000, 10000, 2, 6000, 5000},
        // Equal ratios fill the width whatever the divisor.
        FitCase{"equal ratio", 400, 300, 8000, 6000, 2, 8000, 6000},
        FitCase{"equal ratio divisor 1", 400, 300, 8000, 6000, 1, 8000, 6000},
        // Halves go to the even neighbour: 10001/2 = 5000.5 -> 5000, 10003/2 = 5001.5 -> 5002.
        FitCase{"half down to even", 1000, 1000, 20000, 10001, 2, 5000, 5000},
        FitCase{"half up to even", 1000, 1000, 20000, 10003, 2, 5002, 5002},
        FitCase{"rounds width", 1, 3, 10, 10, 1, 3, 10},
        // Degenerate input prints nothing rather than dividing by zero.
        FitCase{"empty picture", 0, 100, 1000, 1000, 1, 0, 0},
        FitCase{"empty page", 100, 100, 1000, 0, 1, 0, 0},
        FitCase{"divisor zero counts as one", 1000, 1000, 20000, 10000, 0, 10000, 10000}),
    [](const ::testing::TestParamInfo<FitCase>& caseInfo) {
        std::string name = caseInfo.param.name;
        for (char& ch : name) {
            if (ch == ' ')
                ch = '_';
        }
        return name;
    });

}  // namespace
