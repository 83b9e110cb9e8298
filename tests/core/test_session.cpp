// The Session: what the window holds after each of the user's steps (open, pick a day, type a
// site field, save, export), checked on files written into a temporary folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "session/session.h"

using namespace korvala;
namespace fs = std::filesystem;

namespace {

constexpr const char* kToday = "24.12.29";

struct Rec {
    int h, m, s;
    int speed;
};

// A device log: every line carries the 12-character date prefix, then time and speed.
std::string logText(const std::vector<Rec>& recs, const std::string& date = "03/12/2026") {
    std::string out;
    for (const Rec& r : recs) {
        char line[64];
        std::snprintf(line, sizeof line, "/%s/%02d:%02d:%02d,%d\r\n", date.c_str(), r.h, r.m, r.s,
                      r.speed);
        out += line;
    }
    return out;
}

// Day 1: four vehicles 07:01..23:59 plus a duplicate; day 2 after midnight: two vehicles;
// day 3: a single record (its hour goes down again).
std::vector<Rec> threeDays() {
    return {{7, 1, 0, 47},   {7, 5, 10, 52}, {8, 15, 0, 38}, {8, 15, 0, 61},
            {23, 59, 0, 70}, {0, 10, 0, 44}, {1, 10, 0, 55}, {0, 30, 0, 66}};
}

class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("korvala_session_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string write(const std::string& name, const std::string& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    fs::path dir_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Start

TEST_F(SessionTest, StartsAsTheWindowShowsBeforeAnyLoad) {
    Session s(kToday);
    EXPECT_EQ(s.site().startDate, kToday);
    EXPECT_EQ(s.statusLine(), "Warte auf Daten");
    EXPECT_EQ(s.dayButtonCaptions(0)[0], "Tag 1");
    EXPECT_EQ(s.dayButtonCaptions(0)[6], "Tag 7");
    for (int row = 1; row < 4; ++row)
        for (const auto& caption : s.dayButtonCaptions(row))
            EXPECT_EQ(caption, "Tag");
    EXPECT_EQ(s.lbl_ds(), "--");
    EXPECT_EQ(s.lbl_vmin(), "--");
    EXPECT_EQ(s.frame1Caption(), "Statistik  Tag 1");
    EXPECT_TRUE(s.saved());
    EXPECT_FALSE(s.saveEnabled() || s.saveAsEnabled() || s.exportEnabled());
}

TEST_F(SessionTest, StatusPanelsReachTheWindowAndOutOfRangePanelsAreIgnored) {
    Session s(kToday);
    std::vector<std::pair<int, std::string>> seen;
    s.onStatus = [&](int panel, const std::string& text) { seen.emplace_back(panel, text); };
    s.setPanel(1, "Falsches Format!");
    s.setPanel(5, "3");
    s.setPanel(0, "x");
    s.setPanel(6, "y");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(1, std::string("Falsches Format!")));
    EXPECT_EQ(s.panel(5), "3");
}

// ---------------------------------------------------------------------------------------------
// Opening

TEST_F(SessionTest, OpeningALogSplitsDaysEvaluatesDayOneAndKeepsTypedLocationAndRemark) {
    Session s(kToday);
    s.setLocation("Dorfstraße");
    s.setRemark("vorher");
    s.siteKeyPressed();
    const std::string path = write("woche.log", logText(threeDays()));

    const LoadResult r = s.openFile(path);
    ASSERT_EQ(r.outcome, LoadOutcome::Loaded);

    EXPECT_EQ(s.site().startDate, "03.12.26");
    EXPECT_EQ(s.site().location, "Dorfstraße");
    EXPECT_EQ(s.site().remark, "vorher");
    EXPECT_EQ(s.fileName(), path);
    EXPECT_EQ(s.inText(), "");
    EXPECT_TRUE(s.saved());
    EXPECT_TRUE(s.saveEnabled() && s.saveAsEnabled() && s.exportEnabled());

    EXPECT_EQ(s.records().size(), 7u);  // the 08:15:00 duplicate is gone
    EXPECT_EQ(s.duplicatesDropped(), 1);
    EXPECT_EQ(s.panel(5), "1");
    EXPECT_EQ(s.days()[0].size(), 5u);  // four vehicles and the closing empty record
    EXPECT_EQ(s.days()[1].size(), 3u);
    EXPECT_EQ(s.days()[2].size(), 2u);
    EXPECT_EQ(s.dayData(), s.days()[0]);

    const std::array<bool, kDays> enabled{true, true, true, false, false, false, false};
    EXPECT_EQ(s.dayEnabled(), enabled);
    for (int tag = 0; tag < 4; ++tag) {
        const auto& row = s.dayButtonCaptions(tag);
        EXPECT_EQ(row[0], "03.12.26");
        EXPECT_EQ(row[3], "Tag 4");
    }

    EXPECT_EQ(s.lbl_ds(), "4");
    EXPECT_EQ(s.lbl_vmin(), "38 km/h");
    EXPECT_EQ(s.lbl_vmax(), "70 km/h");
    EXPECT_EQ(s.lbl_dV(), " 53 km/h");
    EXPECT_TRUE(s.statsValid());
    EXPECT_FALSE(s.formatError());
    EXPECT_NE(s.reportText().find("Ort:\t\tDorfstraße\r\n"), std::string::npos);
    EXPECT_NE(s.reportText().find("Beginn der Messung:\t03.12.26\tTag: 1\r\n"), std::string::npos);
    EXPECT_NE(s.reportText().find("Messungen:\t\t4\r\n"), std::string::npos);
}

TEST_F(SessionTest, OpeningAnSptTakesAllSiteFieldsAndPrimesTheTransferBuffer) {
    Session s(kToday);
    const std::string spt =
        "\"spt\",\"Am Markt\",\"05.03.27\"\r\nerste Zeile\r\n<>\r\n\r\n\r\n\r\n"
        "1,09:00:00,48\r\n2,09:10:00,52\r\n3,09:20:00,0\r\n";
    ASSERT_EQ(s.openFile(write("m.spt", spt)).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(s.site().location, "Am Markt");
    EXPECT_EQ(s.site().startDate, "05.03.27");
    EXPECT_EQ(s.site().remark, "erste Zeile\r\n");
    EXPECT_EQ(s.inText(), " \r\n");
    EXPECT_EQ(s.records().size(), 3u);
    EXPECT_EQ(s.lbl_ds(), "2");
    EXPECT_EQ(s.dayButtonCaptions(2)[0], "05.03.27");
}

TEST_F(SessionTest, AFailedOpenLeavesTheMeasurementAndFlagsAsTheyWere) {
    Session s(kToday);
    ASSERT_EQ(s.openFile(write("gut.log", logText(threeDays()))).outcome, LoadOutcome::Loaded);
    s.setLocation("Ort");
    s.siteKeyPressed();
    const Session before = s;

    const std::vector<std::pair<std::string, LoadOutcome>> bad{
        {write("kaputt.spt", "kein Komma\r\n"), LoadOutcome::WrongFormat},
        {write("fremd.log", "Kopfzeile\r\n"), LoadOutcome::NotDeviceLog},
        {write("notiz.txt", "/03/12/2026/10:00:00,50\r\n"), LoadOutcome::UnknownKind},
        {(dir_ / "fehlt.log").string(), LoadOutcome::NotReadable},
    };
    for (const auto& [path, outcome] : bad) {
        SCOPED_TRACE(path);
        EXPECT_EQ(s.openFile(path).outcome, outcome);
        EXPECT_EQ(s.records(), before.records());
        EXPECT_EQ(s.fileName(), before.fileName());
        EXPECT_EQ(s.site(), before.site());
        EXPECT_FALSE(s.saved());
        EXPECT_EQ(s.reportText(), before.reportText());
    }
}

TEST_F(SessionTest, AFormatErrorSurvivesTheNextGoodLoad) {
    Session s(kToday);
    const std::string broken = logText({{7, 0, 0, 50}, {7, 10, 0, 60}}) +
                               "/03/12/2026/kaputt,55\r\n" + logText({{7, 20, 0, 40}});
    ASSERT_EQ(s.openFile(write("a.log", broken)).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(s.formatError());
    EXPECT_EQ(s.statusLine(), "Falsches Format!");
    EXPECT_GE(s.linesRejected(), 1);

    ASSERT_EQ(s.openFile(write("b.log", logText(threeDays()))).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(s.formatError());
    EXPECT_EQ(s.linesRejected(), 0);
}

// ---------------------------------------------------------------------------------------------
// Day selection

TEST_F(SessionTest, ShowDayMovesSelectionCaptionsAndReportToThatDay) {
    Session s(kToday);
    ASSERT_EQ(s.openFile(write("w.log", logText(threeDays()))).outcome, LoadOutcome::Loaded);
    s.showDay(1);
    EXPECT_EQ(s.selectedDay(), 1);
    EXPECT_EQ(s.dayCaption(), "Tag: 2");
    EXPECT_EQ(s.frame1Caption(), "Statistik   Tag 2");
    EXPECT_EQ(s.dayData(), s.days()[1]);
    EXPECT_EQ(s.lbl_ds(), "2");
    EXPECT_EQ(s.lbl_vmax(), "55 km/h");
    EXPECT_NE(s.reportText().find("\tTag: 2\r\n"), std::string::npos);
    EXPECT_NE(s.reportText().find("Messungen:\t\t2\r\n"), std::string::npos);

    // Indexes outside the seven days do nothing.
    s.showDay(7);
    s.showDay(-1);
    EXPECT_EQ(s.selectedDay(), 1);
}

TEST_F(SessionTest, ALoadWhileDayThreeIsSelectedShowsDayOneButKeepsTheSelection) {
    Session s(kToday);
    const std::string path = write("w.log", logText(threeDays()));
    ASSERT_EQ(s.openFile(path).outcome, LoadOutcome::Loaded);
    s.showDay(1);
    s.showDay(2);
    ASSERT_EQ(s.openFile(path).outcome, LoadOutcome::Loaded);

    EXPECT_EQ(s.selectedDay(), 2);
    EXPECT_EQ(s.dayCaption(), "Tag: 3");
    EXPECT_EQ(s.frame1Caption(), "Statistik   Tag 3");
    EXPECT_EQ(s.dayData(), s.days()[0]);
    EXPECT_EQ(s.lbl_ds(), "4");
    EXPECT_EQ(s.lbl_vmin(), "38 km/h");
    // The report prints the caption the user last picked together with day 1's figures.
    EXPECT_NE(s.reportText().find("\tTag: 3\r\nMessungen:\t\t4\r\n"), std::string::npos);
}

TEST_F(SessionTest, ASingleRecordDayKeepsThePreviousSpeedCaptionsAndFlagsTheFailure) {
    Session s(kToday);
    ASSERT_EQ(s.openFile(write("w.log", logText(threeDays()))).outcome, LoadOutcome::Loaded);
    s.showDay(1);
    ASSERT_FALSE(s.formatError());
    const std::string vmin = s.lbl_vmin(), vmax = s.lbl_vmax(), avg = s.lbl_dV();

    s.showDay(2);
    EXPECT_TRUE(s.formatError());
    EXPECT_EQ(s.lbl_ds(), "1");
    EXPECT_EQ(s.lbl_vmin(), vmin);
    EXPECT_EQ(s.lbl_vmax(), vmax);
    EXPECT_EQ(s.lbl_dV(), avg);
    EXPECT_EQ(s.dayCaption(), "Tag: 3");
}

TEST_F(SessionTest, ASecondLoadReCaptionsAndReDisablesTheDayButtons) {
    Session s(kToday);
    ASSERT_EQ(s.openFile(write("w.log", logText(threeDays()))).outcome, LoadOutcome::Loaded);
    const std::string oneDay =
        logText({{9, 0, 0, 50}, {9, 30, 0, 60}, {10, 0, 0, 40}}, "07/01/2027");
    ASSERT_EQ(s.openFile(write("t.log", oneDay)).outcome, LoadOutcome::Loaded);
    const std::array<bool, kDays> onlyFirst{true, false, false, false, false, false, false};
    EXPECT_EQ(s.dayEnabled(), onlyFirst);
    for (int r = 0; r < 4; ++r) {
        const auto& row = s.dayButtonCaptions(r);
        EXPECT_EQ(row[0], "07.01.27");
        EXPECT_EQ(row[1], "Tag 2");
    }
    // The tables of days the new measurement does not reach hold only their closing record.
    EXPECT_EQ(s.days()[1].size(), 1u);
    EXPECT_EQ(s.duplicatesDropped(), 0);
    EXPECT_EQ(s.panel(5), "0");
}

TEST_F(SessionTest, ALoadWhereDayOneHasOneVehicleLeavesTheDashes) {
    Session s(kToday);
    ASSERT_EQ(s.openFile(write("e.log", logText({{9, 0, 0, 50}}))).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(s.formatError());
    EXPECT_EQ(s.lbl_ds(), "1");
    EXPECT_EQ(s.lbl_vmin(), "--");
    EXPECT_EQ(s.lbl_dV(), "--");
}

// ---------------------------------------------------------------------------------------------
// Site fields

TEST_F(SessionTest, CommitStartDateNormalisesOrFallsBackToToday) {
    struct Case {
        const char* typed;
        const char* expected;
        bool ok;
    };
    const Case cases[] = {{"3.12.2026", "03.12.26", true},
                          {" 05.03.27 ", "05.03.27", true},
                          {"31.02.26", kToday, false},
                          {"", kToday, false},
                          {"morgen", kToday, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Session s(kToday);
        s.setStartDate(c.typed);
        EXPECT_EQ(s.commitStartDate(kToday), c.ok);
        EXPECT_EQ(s.site().startDate, c.expected);
        // The report is rebuilt in both cases and carries the resulting date.
        EXPECT_NE(s.reportText().find(std::string("Beginn der Messung:\t") + c.expected),
                  std::string::npos);
    }
}

TEST_F(SessionTest, SiteEditsMarkUnsavedNormaliseLineBreaksAndReachTheReport) {
    Session s(kToday);
    ASSERT_EQ(s.openFile(write("w.log", logText(threeDays()))).outcome, LoadOutcome::Loaded);
    SiteEdits edits;
    edits.location = "Hauptstraße";
    edits.remark = "Zeile 1\nZeile 2\r\nZeile 3\rEnde";
    EXPECT_TRUE(applySiteEdits(s, edits, kToday));
    EXPECT_FALSE(s.saved());
    EXPECT_EQ(s.site().remark, "Zeile 1\r\nZeile 2\r\nZeile 3\r\nEnde");
    EXPECT_EQ(s.site().startDate, "03.12.26");
    EXPECT_NE(s.reportText().find("Ort:\t\tHauptstraße\r\n"), std::string::npos);
    EXPECT_NE(s.reportText().find("Bemerkung:\r\n\t\tZeile 1\r\nZeile 2"), std::string::npos);

    SiteEdits date;
    date.startDate = "31.02.26";
    EXPECT_FALSE(applySiteEdits(s, date, kToday));
    EXPECT_EQ(s.site().startDate, kToday);
}

// ---------------------------------------------------------------------------------------------
// Saving and exports

TEST_F(SessionTest, SaveItWritesTheSptAndMarksSavedOnlyOnSuccess) {
    Session s(kToday);
    ASSERT_EQ(s.openFile(write("w.log", logText(threeDays()))).outcome, LoadOutcome::Loaded);
    s.setLocation("Ort");
    s.siteKeyPressed();

    std::string error;
    s.adoptFileName((dir_ / "gibt-es-nicht" / "x.spt").string());
    EXPECT_FALSE(s.saveIt(&error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(s.saved());

    s.adoptFileName(dir_.string());  // a folder cannot be replaced by a file
    EXPECT_FALSE(s.saveIt(&error));
    EXPECT_FALSE(s.saved());
    EXPECT_TRUE(fs::is_directory(dir_));

    s.adoptFileName({});
    EXPECT_FALSE(s.saveIt(&error));
    EXPECT_FALSE(s.saved());

    s.adoptFileName((dir_ / "ok.spt").string());
    EXPECT_TRUE(s.saveIt(&error)) << error;
    EXPECT_TRUE(s.saved());
    EXPECT_TRUE(s.saveEnabled());
    EXPECT_EQ(read(s.fileName()), s.sptBytes());
}

TEST_F(SessionTest, AnSptSavedFromALogReadsBackWithSiteAndVehicles) {
    Session first(kToday);
    std::vector<Rec> recs = threeDays();
    // Speed 0 on day 1: kept in memory, left out of the file and of day 1's table alike.
    recs.insert(recs.begin() + 5, {23, 59, 30, 0});
    ASSERT_EQ(first.openFile(write("w.log", logText(recs))).outcome, LoadOutcome::Loaded);
    SiteEdits edits;
    edits.location = "Hauptstraße 5, Nord";
    edits.startDate = "3.12.2026";
    edits.remark = "Regen";
    ASSERT_TRUE(applySiteEdits(first, edits, kToday));
    first.adoptFileName((dir_ / "rund.spt").string());
    ASSERT_TRUE(first.saveIt());

    Session second(kToday);
    ASSERT_EQ(second.openFile(first.fileName()).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(second.site().location, "Hauptstraße 5; Nord");
    EXPECT_EQ(second.site().startDate, "03.12.26");
    EXPECT_EQ(second.site().remark, "Regen\r\n");

    Table vehicles;
    for (const Measurement& m : first.records())
        if (m.counts())
            vehicles.push_back(m);
    ASSERT_EQ(second.records().size(), vehicles.size());
    for (std::size_t i = 0; i < vehicles.size(); ++i) {
        EXPECT_EQ(second.records()[i].id, vehicles[i].id);
        EXPECT_EQ(second.records()[i].time, vehicles[i].time);
        EXPECT_EQ(second.records()[i].speed.text(), vehicles[i].speed.text());
    }
    // Same vehicles, same site: the evaluation of the reopened file is the same.
    for (int day = 0; day < 3; ++day) {
        first.showDay(day);
        second.showDay(day);
        EXPECT_EQ(second.lbl_ds(), first.lbl_ds());
        EXPECT_EQ(second.lbl_dV(), first.lbl_dV());
    }
    // Saving the reopened measurement again gives the same bytes apart from the remark's
    // extra line break.
    second.setRemark("Regen");
    EXPECT_EQ(second.sptBytes(), first.sptBytes());
}

TEST_F(SessionTest, ExportNamesComeFromTheSiteAndReplaceTheFileName) {
    Session s(kToday);
    s.setLocation("Hauptstraße");
    s.setStartDate("03.12.26");
    s.adoptFileName("/daten/alt.spt");
    EXPECT_EQ(s.prepareExportName(".csv"), "Haupt031226.csv");
    EXPECT_EQ(s.defFileName(), "Haupt031226");
    EXPECT_EQ(s.fileName(), "Haupt031226");

    s.setLocation(" Hauptweg");
    EXPECT_EQ(s.prepareExportName(".rtf"), "Haup031226.rtf");
}

TEST_F(SessionTest, ExportsCoverAllRecordsOfAllDays) {
    Session s(kToday);
    EXPECT_EQ(s.rtfDocument(), "");
    ASSERT_EQ(s.openFile(write("w.log", logText(threeDays()))).outcome, LoadOutcome::Loaded);
    s.setLocation("Ort");
    s.showDay(2);  // the day shown does not narrow the exports
    const std::string csv = s.csvBytes();
    EXPECT_EQ(csv.rfind("Ort;03.12.26\r\nNr.;Uhrzeit;Geschwindigkeit\r\n", 0), 0u);
    EXPECT_NE(csv.find(" 7;00:30:00;66\r\n"), std::string::npos);
    const std::string rtf = s.rtfDocument();
    EXPECT_NE(rtf.find("7\\tab  Zeit: 00:30:00\\tab v = 66 km/h\\par"), std::string::npos);
}
