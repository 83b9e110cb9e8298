// The exports, the report page and what the charts and the printout show. Whole files of a
// small measurement are checked in test_cli.cpp; these are the cases a dozen records do not reach.

#include <cctype>
#include <cfenv>
#include <string>
#include <vector>

#include "output/chart_labels.h"
#include "output/csv_export.h"
#include "output/print_scaling.h"
#include "output/record_text.h"
#include "output/report.h"
#include "output/rtf_list.h"
#include "test_support.h"

namespace korvala::test {
namespace {

constexpr const char* kCsvHead = "Nr.;Uhrzeit;Geschwindigkeit\r\n";

TEST(CsvExport, TrimmedSiteAndOnlyVehiclesNumberedWithoutGaps) {
    const Table records{rec(0, 8, 0, 0, 50), rec(0, 8, 0, 1, 0),   Measurement{},
                        rec(0, 8, 0, 2, -4), rec(0, 8, 0, 4, 0.5), rec(0, 8, 0, 5, 1.5)};
    EXPECT_EQ(csvContent(Site{"  Ärztehaus  ", " 01.02.26 ", "bleibt draußen"}, records),
              std::string("\304rztehaus;01.02.26\r\n") + kCsvHead +
                  " 1;08:00:00;50\r\n 2;08:00:05;1,5\r\n");
    EXPECT_EQ(csvContent(Site{}, {rec(0, 8, 0, 0, 0)}), std::string(";\r\n") + kCsvHead);
    const std::string many = csvContent(Site{}, Table(40000, rec(0, 10, 0, 0, 50)));
    EXPECT_NE(many.find("\r\n 32768;10:00:00;50\r\n"), std::string::npos);
    EXPECT_TRUE(many.ends_with("\r\n 40000;10:00:00;50\r\n"));
}

TEST(CsvExport, ProposedNameReplacesSptFromTheSecondCharacterOnOrAppends) {
    const std::vector<std::array<std::string, 3>> cases{
        {"C:\\daten\\Haupt031226.spt", ".csv", "C:\\daten\\Haupt031226.csv"},
        {"a.spt.spt", ".csv", "a.csv.csv"},  // every occurrence, not only the extension
        {"x.spt/Haupt.spt", ".rtf", "x.rtf/Haupt.rtf"},
        {"Haupt031226", ".rtf", "Haupt031226.rtf"},
        {"", ".csv", ".csv"},
        {".spt", ".csv", ".spt.csv"},  // at the first character
        {".sptHaupt.spt", ".csv", ".sptHaupt.spt.csv"},
        {"Haupt.SPT", ".csv", "Haupt.SPT.csv"}};
    for (const auto& [name, ext, proposed] : cases)
        EXPECT_EQ(proposedExportName(name, ext), proposed) << name;
}

// ---- the RTF list -------------------------------------------------------------------------

// Record k passes at a time and speed derived from k, so every line tells what it shows.
Table numbered(std::size_t n) {
    Table t;
    for (std::size_t k = 0; k < n; ++k) {
        const int s = static_cast<int>(k);
        t.push_back(rec(s + 1, 6 + s / 3600 % 18, s / 60 % 60, s % 60, 20 + s % 90));
    }
    return t;
}

// The document as C (column head), B (page break) and the numbers of each record line ("1|61"
// for a line of two columns).
std::vector<std::string> shape(const std::string& doc) {
    std::vector<std::string> out;
    for (std::size_t pos = 0, end; (end = doc.find("\r\n", pos)) != std::string::npos;
         pos = end + 2) {
        const std::string l = doc.substr(pos, end - pos);
        std::string numbers;
        for (std::size_t at = l.find("\\tab  Zeit"); at != std::string::npos;
             at = l.find("\\tab  Zeit", at + 1)) {
            std::size_t from = at;
            while (from > 0 && std::isdigit(static_cast<unsigned char>(l[from - 1])))
                --from;
            numbers += (numbers.empty() ? "" : "|") + l.substr(from, at - from);
        }
        if (l.starts_with("Nr."))
            out.push_back("C");
        else if (l.find("\\page") != std::string::npos)
            out.push_back("B");
        else if (!numbers.empty())
            out.push_back(numbers);
    }
    return out;
}

// 120 records a page in two columns of 60; the last 1..120 records one a line, 60 a page.
std::vector<std::string> expectedShape(std::size_t n) {
    std::vector<std::string> out;
    const std::size_t full = (n - 1) / 120;
    for (std::size_t p = 0; p < full; ++p) {
        out.push_back("C");
        for (std::size_t j = 120 * p + 1; j <= 120 * p + 60; ++j)
            out.push_back(std::to_string(j) + "|" + std::to_string(j + 60));
        out.push_back("B");
    }
    out.push_back("C");
    for (std::size_t k = 120 * full + 1; k <= n; ++k) {
        if (k == 120 * full + 61)
            out.insert(out.end(), {"B", "C"});
        out.push_back(std::to_string(k));
    }
    return out;
}

TEST(RtfList, PagesOfTwoColumnsThenOneRecordALine) {
    EXPECT_EQ(formatRtfList(Table{}), "");
    for (std::size_t n : {1, 60, 61, 120, 121, 240, 241})
        EXPECT_EQ(shape(formatRtfList(numbered(n))), expectedShape(n)) << n;

    Table t = numbered(121);
    t[0] = rec(-5, 16, 17, 11, 62);
    t[60] = Measurement{7, Timestamp::fromDayAndTime(2, 16, 24, 11), Speed()};
    const std::string doc = formatRtfList(t);
    EXPECT_NE(doc.find("\r\n 1\\tab  Zeit: 16:17:11\\tab v = 62 km/h\\tab   61\\tab  Zeit: "
                       "16:24:11\\tab v =  km/h\\par\r\n"),
              std::string::npos);
}

// The exports format times and speeds through a fast path; it must agree with the model's own
// text forms for every kind of value a record can hold.
TEST(RecordText, AgreesWithTheModelsTextForms) {
    for (double v : {0.0, -0.0, 47.0, 47.5, -3.0, -3.25, 32767.0, 999999999999999.0, 1e15, 1.5e15,
                     -1e20, 2e9}) {
        std::string out;
        record_text::appendSpeed(out, Speed::fromNumber(v));
        EXPECT_EQ(out, Speed::fromNumber(v).text()) << v;
    }
    for (std::int64_t s : {0LL, 59LL, 3599LL, 32703LL, 86399LL, 86400LL + 3723LL, -1LL}) {
        std::string out;
        record_text::appendTime(out, Timestamp::fromSeconds(s));
        EXPECT_EQ(out, Timestamp::fromSeconds(s).timeText()) << s;
    }
}

// ---- the report page, charts and printing -------------------------------------------------

// As at start: "--" captions, an empty site and a dash for every hour.
TEST(Report, WithoutStatisticsTheTablesAreEmpty) {
    EXPECT_EQ(buildReport(ReportInput{}), golden("report-leer.txt"));
}

DayStats hoursFrom(int firstHour) {
    DayStats stats;
    // Slot 24 is never shown, whatever it holds.
    for (int i = 0; i < kHourSlots; ++i) {
        stats.hourCount[i] = static_cast<std::int16_t>(100 + i);
        const int end = (firstHour + i + 1) % 24;
        stats.hourLabel[i] = std::string{char('0' + end / 10), char('0' + end % 10)} + ":00";
    }
    return stats;
}

TEST(Charts, SpeedColumnsOnePerOccupiedClass) {
    EXPECT_EQ(speedClassLabel(10, 3), " 0 - 9 km/h  3 KFZ  ");
    EXPECT_EQ(speedClassLabel(200, 32767), " 190 - 199 km/h  32767 KFZ  ");
    DayStats stats;
    stats.classUpper = {30, 60};
    stats.classCounts = {4, 7};
    const auto columns = speedColumns(stats);
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].label, " 20 - 29 km/h  4 KFZ  ");
    EXPECT_EQ(columns[1].label, " 50 - 59 km/h  7 KFZ  ");
    EXPECT_EQ(columns[1].value, 7);
    EXPECT_TRUE(speedColumns(DayStats{}).empty());
    EXPECT_EQ(pointCaption(5), " 5 KFZ");
}

TEST(Charts, HourRowsOfTheScrolledWindow) {
    struct Case {
        int firstHour, w, s;
        std::size_t rows;
        int firstValue;
        std::string firstLabel, lastLabel;
    };
    // Slot 24 shows 0 and no label; a start beyond the scroll bar is pulled back.
    for (const Case& c :
         {Case{7, 0, 5, 1, 105, "13:00", "13:00"}, Case{0, 24, 0, 25, 100, "01:00", ""},
          Case{0, 3, 21, 4, 121, "22:00", ""}, Case{0, 10, 20, 11, 114, "15:00", ""},
          Case{0, 99, 99, 25, 100, "01:00", ""}, Case{0, -1, -1, 1, 100, "01:00", "01:00"}}) {
        const auto rows = hourRows(hoursFrom(c.firstHour), c.w, c.s);
        ASSERT_EQ(rows.size(), c.rows) << c.w << " " << c.s;
        EXPECT_EQ(rows.front().value, c.firstValue);
        EXPECT_EQ(rows.front().label, c.firstLabel);
        EXPECT_EQ(rows.back().label, c.lastLabel);
        EXPECT_EQ(rows.back().value, c.lastLabel.empty() ? 0 : c.firstValue);
    }
    EXPECT_EQ(hourRows(hoursFrom(0), 24, 0)[23].value, 123);
}

TEST(Charts, CountAxisInWholeStepsOfOneTwoOrFive) {
    for (const auto& [highest, top, step] :
         std::vector<std::array<int, 3>>{{0, 1, 1},
                                         {5, 5, 1},
                                         {6, 6, 2},
                                         {7, 8, 2},
                                         {24, 25, 5},
                                         {26, 30, 10},
                                         {99, 100, 20},
                                         {32767, 40000, 10000}}) {
        const auto axis = countAxis(highest);
        EXPECT_EQ(axis.top, top) << highest;
        EXPECT_EQ(axis.step, step) << highest;
    }
}

TEST(Printing, OrientationAndSizeOnThePage) {
    EXPECT_EQ(orientationFor(16000, 9000), PageOrientation::Landscape);
    EXPECT_EQ(orientationFor(9000, 9000), PageOrientation::Portrait);
    EXPECT_EQ(orientationFor(9001, 9000), PageOrientation::Landscape);
    // picture w h, page w h, divisor -> printed w h; pages are printable areas in twips.
    const std::vector<std::array<double, 7>> cases{
        {3000, 1000, 15000, 10000, 2, 15000, 5000},   // wider than the page: fills its width
        {1200, 1000, 15000, 10000, 1, 12000, 10000},  // narrower: fills the height...
        {1200, 1000, 15000, 10000, 2, 6000, 5000},    // ...or its share of it
        {400, 300, 8000, 6000, 2, 8000, 6000},        // equal ratios fill the width
        {1000, 1000, 20000, 10001, 2, 5000, 5000},    // halves go to the even neighbour
        {1000, 1000, 20000, 10003, 2, 5002, 5002},
        {1, 3, 10, 10, 1, 3, 10},
        {1000, 1000, 20000, 10000, 0, 10000, 10000},  // divisor 0 counts as 1
        {0, 100, 1000, 1000, 1, 0, 0},                // nothing to print, nothing divided by 0
        {100, 0, 1000, 1000, 1, 0, 0},
        {100, 100, 0, 1000, 1, 0, 0},
        {100, 100, 1000, 0, 1, 0, 0},
        {0.5, 0.5, 1000, 2000, 1, 1000, 1000},
        {1, 1, 0.5, 0.5, 1, 0.5, 0.5}};
    for (const auto& [pw, ph, w, h, divisor, ew, eh] : cases) {
        const auto size = fitPictureToPage(pw, ph, w, h, static_cast<int>(divisor));
        EXPECT_DOUBLE_EQ(size.width, ew) << pw << "x" << ph << " on " << w << "x" << h;
        EXPECT_DOUBLE_EQ(size.height, eh) << pw << "x" << ph << " on " << w << "x" << h;
    }
    // Halves go to the even neighbour whatever rounding mode the printer driver left behind.
    std::fesetround(FE_UPWARD);
    const double width = fitPictureToPage(1000, 1000, 20000, 10001, 2).width;
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    EXPECT_EQ(width, 5000);
    EXPECT_EQ(mode, FE_UPWARD);
}

}  // namespace
}  // namespace korvala::test
