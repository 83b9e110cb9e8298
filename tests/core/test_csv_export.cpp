// The semicolon-separated export and the names the export dialogs propose.

#include <gtest/gtest.h>

#include <string>

#include "output/csv_export.h"

using namespace korvala;

namespace {

Measurement rec(int h, int m, int s, double v) {
    return Measurement{0, Timestamp::fromDayAndTime(0, h, m, s), Speed::fromNumber(v)};
}

}  // namespace

TEST(CsvExport, WholeFileWithTrimmedSiteInWindows1252) {
    Site site{"  Hauptstraße  ", " 03.12.26 ", "Bemerkung bleibt draußen"};
    Table records{rec(16, 19, 52, 47), rec(9, 5, 3, 120.5)};
    EXPECT_EQ(csvContent(site, records),
              "Hauptstra\xDF"
              "e;03.12.26\r\n"
              "Nr.;Uhrzeit;Geschwindigkeit\r\n"
              " 1;16:19:52;47\r\n"
              " 2;09:05:03;120,5\r\n");
}

TEST(CsvExport, UmlautsBecomeSingleBytes) {
    const std::string out = csvContent(Site{"Ärztehaus Wäldchen", "01.01.27", ""}, Table{});
    EXPECT_EQ(out, "\xC4rztehaus W\xE4ldchen;01.01.27\r\nNr.;Uhrzeit;Geschwindigkeit\r\n");
}

TEST(CsvExport, NumbersRunOverWrittenLinesOnly) {
    Table records{rec(8, 0, 0, 50), rec(8, 0, 1, 0),   Measurement{},    rec(8, 0, 2, -4),
                  rec(8, 0, 3, 61), rec(8, 0, 4, 0.5), rec(8, 0, 5, 1.5)};
    EXPECT_EQ(csvContent(Site{"Ort", "01.02.26", ""}, records),
              "Ort;01.02.26\r\nNr.;Uhrzeit;Geschwindigkeit\r\n"
              " 1;08:00:00;50\r\n"
              " 2;08:00:03;61\r\n"
              " 3;08:00:05;1,5\r\n");
}

TEST(CsvExport, NoVehiclesGiveTheTwoHeaderLinesOnly) {
    Table records{rec(8, 0, 0, 0), rec(9, 0, 0, 0)};
    EXPECT_EQ(csvContent(Site{}, records), ";\r\nNr.;Uhrzeit;Geschwindigkeit\r\n");
}

TEST(CsvExport, NumberingGoesOnPast32767) {
    Table records(40000, rec(10, 0, 0, 50));
    const std::string out = csvContent(Site{"Ort", "01.02.26", ""}, records);
    EXPECT_NE(out.find("\r\n 32767;10:00:00;50\r\n 32768;10:00:00;50\r\n"), std::string::npos);
    EXPECT_TRUE(out.ends_with("\r\n 40000;10:00:00;50\r\n"));
}

TEST(ProposedExportName, ReplacesSptFromTheSecondCharacterOn) {
    EXPECT_EQ(proposedExportName("C:\\daten\\Haupt031226.spt", ".csv"),
              "C:\\daten\\Haupt031226.csv");
    EXPECT_EQ(proposedExportName("/home/m/Haupt031226.spt", ".rtf"), "/home/m/Haupt031226.rtf");
    // Every occurrence is replaced, not only the extension.
    EXPECT_EQ(proposedExportName("a.spt.spt", ".csv"), "a.csv.csv");
    EXPECT_EQ(proposedExportName("x.spt/Haupt.spt", ".rtf"), "x.rtf/Haupt.rtf");
}

TEST(ProposedExportName, AppendsOtherwise) {
    EXPECT_EQ(proposedExportName("Haupt031226", ".rtf"), "Haupt031226.rtf");
    EXPECT_EQ(proposedExportName("", ".csv"), ".csv");
    EXPECT_EQ(proposedExportName(".spt", ".csv"), ".spt.csv");  // at the first character
    EXPECT_EQ(proposedExportName(".sptHaupt.spt", ".csv"), ".sptHaupt.spt.csv");
    EXPECT_EQ(proposedExportName("Haupt.SPT", ".csv"), "Haupt.SPT.csv");  // case-sensitive
}
