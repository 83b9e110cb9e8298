// The report page text.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "evaluation/statistics.h"
#include "output/report.h"

using namespace korvala;

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            out.push_back(text.substr(pos));
            return out;
        }
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
}

// Statistics of a day whose counting starts at 07:00, with vehicles in three classes.
DayStats sevenOClockDay() {
    auto at = [](std::int32_t id, int h, int m, double v) {
        return Measurement{id, Timestamp::fromDayAndTime(0, h, m, 0), Speed::fromNumber(v)};
    };
    Table day{at(1, 6, 50, 44),  at(2, 7, 5, 41),   at(3, 7, 40, 48),
              at(4, 19, 10, 63), at(5, 23, 30, 35), Measurement{}};
    NullStatusSink sink;
    return dayStatistics(day, sink);
}

ReportInput sampleInput(const DayStats* stats) {
    ReportInput in;
    in.site = Site{"Hauptstraße 12", "03.12.26", "Schule"};
    in.dayCaption = "Tag: 2";
    in.lbl_ds = "5";
    in.lbl_vmin = "35 km/h";
    in.lbl_vmax = "63 km/h";
    in.lbl_dV = " 46 km/h";
    in.stats = stats;
    return in;
}

}  // namespace

TEST(Report, WholeTextOfADay) {
    const DayStats stats = sevenOClockDay();
    const std::string text = buildReport(sampleInput(&stats));
    const std::string expected =
        "\r\n"
        "\t\t\tReport\r\n\r\n"
        "Ort:\t\tHauptstraße 12\r\n"
        "Beginn der Messung:\t03.12.26\tTag: 2\r\n"
        "Messungen:\t\t5\r\n\r\n"
        "Bemerkung:\r\n\t\tSchule\r\n\r\n"
        "Niedrigste Geschwindigkeit: \t35 km/h\r\n"
        "Höchste Geschwindigkeit: \t63 km/h\r\n"
        "Durchschn. Geschwindigkeit:\t 46 km/h\r\n\r\n"
        "\tGeschwindigkeits-Verteilung:\r\n\r\n"
        "\t 30 - 39 km/h   1 KFZ  \r\n"
        "\t 40 - 49 km/h   3 KFZ  \r\n"
        "\t 60 - 69 km/h   1 KFZ  \r\n"
        "\r\n\r\n\tAnzahl der KFZ:\r\n\r\n"
        " 07:00 - 08:00   2 KFZ  \t\t\t 19:00 - 20:00   1 KFZ  \r\n"
        " 08:00 - 09:00   0 KFZ  \t\t\t 20:00 - 21:00   0 KFZ  \r\n"
        " 09:00 - 10:00   0 KFZ  \t\t\t 21:00 - 22:00   0 KFZ  \r\n"
        " 10:00 - 11:00   0 KFZ  \t\t\t 22:00 - 23:00   0 KFZ  \r\n"
        " 11:00 - 12:00   0 KFZ  \t\t\t 23:00 - 00:00   1 KFZ  \r\n"
        " 12:00 - 13:00   0 KFZ  \t\t\t 00:00 - 01:00   0 KFZ  \r\n"
        " 13:00 - 14:00   0 KFZ  \t\t\t 01:00 - 02:00   0 KFZ  \r\n"
        " 14:00 - 15:00   0 KFZ  \t\t\t 02:00 - 03:00   0 KFZ  \r\n"
        " 15:00 - 16:00   0 KFZ  \t\t\t 03:00 - 04:00   0 KFZ  \r\n"
        " 16:00 - 17:00   0 KFZ  \t\t\t 04:00 - 05:00   0 KFZ  \r\n"
        " 17:00 - 18:00   0 KFZ  \t\t\t 05:00 - 06:00   0 KFZ  \r\n"
        " 18:00 - 19:00   0 KFZ  \t\t\t 06:00 - 07:00   1 KFZ  \r\n";
    EXPECT_EQ(text, expected);
}

TEST(Report, WithoutStatisticsTheHourTableHasEmptyLabelsAndNoClasses) {
    ReportInput in;  // as at start: "--" captions, empty site
    const std::vector<std::string> l = lines(buildReport(in));
    ASSERT_EQ(l.size(), 33u);
    EXPECT_EQ(l[3], "Ort:\t\t");
    EXPECT_EQ(l[4], "Beginn der Messung:\t\tTag: 1");
    EXPECT_EQ(l[5], "Messungen:\t\t--");
    EXPECT_EQ(l[8], "\t\t");
    // The distribution heading is followed directly by the hour table's heading.
    EXPECT_EQ(l[14], "\tGeschwindigkeits-Verteilung:");
    EXPECT_EQ(l[15], "");
    EXPECT_EQ(l[16], "");
    EXPECT_EQ(l[17], "");
    EXPECT_EQ(l[18], "\tAnzahl der KFZ:");
    for (int j = 0; j < 12; ++j)
        EXPECT_EQ(l[20 + j], "  -    0 KFZ  \t\t\t  -    0 KFZ  ");
    EXPECT_EQ(l[32], "");
}

TEST(Report, MultiLineRemarkContinuesAtTheLeftMargin) {
    ReportInput in = sampleInput(nullptr);
    in.site.remark = "Erste Zeile\r\nzweite Zeile";
    const std::vector<std::string> l = lines(buildReport(in));
    EXPECT_EQ(l[7], "Bemerkung:");
    EXPECT_EQ(l[8], "\t\tErste Zeile");
    EXPECT_EQ(l[9], "zweite Zeile");
    EXPECT_EQ(l[10], "");
    EXPECT_EQ(l[11], "Niedrigste Geschwindigkeit: \t35 km/h");
}
