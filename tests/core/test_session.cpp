// The Session: what the window holds after each of the user's steps (open, pick a day, type a
// site field, save, export). golden/woche.log holds four days: day 1 with four vehicles, a
// repeated time and a 0, day 2 with three, day 3 with a single record, day 4 with two.

#include <array>
#include <cstdio>
#include <ctime>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "session/session.h"
#include "test_support.h"

namespace korvala::test {
namespace {

constexpr const char* kToday = "24.12.29";
using Days = std::array<bool, kDays>;
using Captions = std::array<std::string, 3>;

class SessionTest : public TempDirTest {
  protected:
    Captions captions() const { return {s.lbl_vmin(), s.lbl_vmax(), s.lbl_dV()}; }
    bool reportHas(const std::string& part) const {
        return s.reportText().find(part) != std::string::npos;
    }
    // The views of a measurement with nothing evaluated, as at program start.
    void expectNothingEvaluated() const {
        EXPECT_EQ(s.dayButtonCaptions(0),
                  (std::array<std::string, kDays>{"Tag 1", "Tag 2", "Tag 3", "Tag 4", "Tag 5",
                                                  "Tag 6", "Tag 7"}));
        std::array<std::string, kDays> bare;
        bare.fill("Tag");
        for (int row = 1; row < 4; ++row)
            EXPECT_EQ(s.dayButtonCaptions(row), bare);
        EXPECT_EQ(s.lbl_ds(), "--");
        EXPECT_EQ(captions(), (Captions{"--", "--", "--"}));
        EXPECT_EQ(s.frame1Caption(), "Statistik  Tag 1");
        EXPECT_EQ(s.dayEnabled(), (Days{true}));
        EXPECT_EQ(s.selectedDay(), 0);
        EXPECT_TRUE(s.days()[0].empty() && s.dayData().empty());
        EXPECT_EQ(s.reportText(), "");
        EXPECT_EQ(s.duplicatesDropped(), 0);
        EXPECT_EQ(s.linesRejected(), 0);
        EXPECT_FALSE(s.statsValid() || s.saveEnabled() || s.saveAsEnabled() || s.exportEnabled());
        EXPECT_EQ(s.rtfDocument(), "");
    }
    Session s{kToday};
    const std::string log = goldenPath("woche.log");
};

TEST_F(SessionTest, BeforeAnyLoad) {
    EXPECT_EQ(s.site().startDate, kToday);
    EXPECT_EQ(s.statusLine(), "Warte auf Daten");
    expectNothingEvaluated();
    EXPECT_TRUE(s.saved());

    std::vector<std::pair<int, std::string>> seen;
    s.onStatus = [&](int panel, const std::string& text) { seen.emplace_back(panel, text); };
    for (int panel : {0, 1, 5, 6})
        s.setPanel(panel, std::to_string(panel));
    EXPECT_EQ(seen, (std::vector<std::pair<int, std::string>>{{1, "1"}, {5, "5"}}));
    EXPECT_EQ(s.panel(5), "5");
}

TEST_F(SessionTest, OpeningALogSplitsItsDaysAndKeepsTheTypedLocationAndRemark) {
    s.setLocation("Dorfstraße");
    s.setRemark("vorher");
    s.siteKeyPressed();
    ASSERT_EQ(s.openFile(log).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(s.site(), (Site{"Dorfstraße", "03.12.26", "vorher"}));
    EXPECT_EQ(s.fileName(), log);
    EXPECT_EQ(s.inText(), "");
    EXPECT_TRUE(s.saved() && s.saveEnabled() && s.saveAsEnabled() && s.exportEnabled());
    EXPECT_EQ(s.records().size(), 11u);
    EXPECT_EQ(s.duplicatesDropped(), 1);
    std::array<std::size_t, kDays> sizes{};
    for (int d = 0; d < kDays; ++d)
        sizes[d] = s.days()[d].size();
    EXPECT_EQ(sizes, (std::array<std::size_t, kDays>{5, 4, 2, 3, 1, 1, 1}));
    EXPECT_EQ(s.dayData(), s.days()[0]);
    EXPECT_EQ(s.dayEnabled(), (Days{true, true, true, true}));
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(s.dayButtonCaptions(row)[0], "03.12.26");
        EXPECT_EQ(s.dayButtonCaptions(row)[4], "Tag 5");
    }
    EXPECT_EQ(s.lbl_ds(), "4");
    EXPECT_EQ(captions(), (Captions{"38 km/h", "70 km/h", " 53 km/h"}));
    EXPECT_EQ((std::array{s.panel(2), s.panel(3), s.panel(4), s.panel(5)}),
              (std::array<std::string, 4>{"Datensätze", "4", "", "1"}));
    EXPECT_TRUE(s.statsValid());
    EXPECT_FALSE(s.formatError());
    EXPECT_TRUE(reportHas("Ort:\t\tDorfstraße\r\n"));

    // An .spt sets every site field and primes the transfer buffer.
    ASSERT_EQ(s.openFile(goldenPath("woche.spt")).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(s.site(), (Site{"Hauptstraße", "03.12.26", "Regen\r\nab Mittag\r\n"}));
    EXPECT_EQ(s.inText(), " \r\n");
    EXPECT_EQ(s.records().size(), 10u);
}

TEST_F(SessionTest, PickingADayAndLoadingAgain) {
    ASSERT_EQ(s.openFile(log).outcome, LoadOutcome::Loaded);
    s.showDay(1);
    EXPECT_EQ(s.selectedDay(), 1);
    EXPECT_EQ(s.dayCaption(), "Tag: 2");
    EXPECT_EQ(s.frame1Caption(), "Statistik   Tag 2");
    EXPECT_EQ(s.dayData(), s.days()[1]);
    EXPECT_EQ(s.lbl_ds(), "3");
    const Captions day2{"55 km/h", "71 km/h", " 63 km/h"};
    EXPECT_EQ(captions(), day2);
    EXPECT_TRUE(reportHas("\tTag: 2\r\nMessungen:\t\t3\r\n"));
    s.showDay(7);
    s.showDay(-1);
    EXPECT_EQ(s.selectedDay(), 1);

    // A single record has no speeds: the captions stay, the failure is remembered.
    s.showDay(2);
    EXPECT_TRUE(s.formatError());
    EXPECT_EQ(s.lbl_ds(), "1");
    EXPECT_EQ(captions(), day2);

    // A load shows day 1 but keeps the selection; the report prints the caption last picked
    // with day 1's figures. Reading never clears a format error.
    ASSERT_EQ(s.openFile(log).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(s.selectedDay(), 2);
    EXPECT_EQ(s.frame1Caption(), "Statistik   Tag 3");
    EXPECT_EQ(s.dayData(), s.days()[0]);
    EXPECT_EQ(captions(), (Captions{"38 km/h", "70 km/h", " 53 km/h"}));
    EXPECT_TRUE(reportHas("\tTag: 3\r\nMessungen:\t\t4\r\n"));
    EXPECT_TRUE(s.formatError());
}

// A transfer's start erases the measurement: nothing evaluated from it stays on show, so a
// transfer that never completes leaves the views of program start.
TEST_F(SessionTest, ATransferStartLeavesNothingOfTheErasedMeasurement) {
    const std::string broken =
        write("b.log", logLine(7, 0, 0, "50") + logLine(7, 0, 0, "50") + "/03/12/2026/xx,55\r\n" +
                           logLine(8, 20, 0, "40"));
    ASSERT_EQ(s.openFile(broken).outcome, LoadOutcome::Loaded);
    s.showDay(1);
    ASSERT_TRUE(s.duplicatesDropped() > 0 && s.linesRejected() > 0 && s.selectedDay() == 1);
    s.beginTransfer(kToday);
    expectNothingEvaluated();
    for (int panel = 2; panel <= 5; ++panel)
        EXPECT_EQ(s.panel(panel), "") << panel;
}

TEST_F(SessionTest, ASecondLoadReCaptionsTheDaysAndTakesItsOwnCounts) {
    // The broken line opens day 2 (its time is 00:00:00), so day 1 itself evaluates cleanly.
    const std::string broken = logLine(7, 0, 0, "50") + logLine(7, 10, 0, "60") +
                               "/03/12/2026/xx,55\r\n" + logLine(7, 20, 0, "40");
    ASSERT_EQ(s.openFile(write("f.log", broken)).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(s.formatError());
    EXPECT_EQ(s.statusLine(), "Falsches Format!");
    EXPECT_EQ(s.linesRejected(), 1);
    ASSERT_EQ(s.openFile(log).outcome, LoadOutcome::Loaded);
    const std::string oneDay = logLine(9, 0, 0, "50", "07/01/2027") +
                               logLine(9, 30, 0, "60", "07/01/2027") +
                               logLine(10, 0, 0, "40", "07/01/2027");
    ASSERT_EQ(s.openFile(write("t.log", oneDay)).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(s.dayEnabled(), (Days{true}));
    EXPECT_EQ(s.dayButtonCaptions(3)[0], "07.01.27");
    EXPECT_EQ(s.dayButtonCaptions(3)[1], "Tag 2");
    EXPECT_EQ(s.days()[1].size(), 1u);
    EXPECT_EQ(s.duplicatesDropped(), 0);
    EXPECT_EQ(s.panel(5), "0");
    EXPECT_EQ(s.linesRejected(), 0);
}

TEST_F(SessionTest, AFailedOpenLeavesEverythingAsItWas) {
    ASSERT_EQ(s.openFile(log).outcome, LoadOutcome::Loaded);
    s.setLocation("Ort");
    s.siteKeyPressed();
    const Session before = s;
    const std::vector<std::pair<std::string, LoadOutcome>> bad{
        {write("kaputt.spt", "kein Komma\r\n"), LoadOutcome::WrongFormat},
        {write("fremd.log", "Kopfzeile\r\n"), LoadOutcome::NotDeviceLog},
        {write("notiz.txt", logLine(10, 0, 0, "50")), LoadOutcome::UnknownKind},
        {path("fehlt.log"), LoadOutcome::NotReadable}};
    for (const auto& [file, outcome] : bad) {
        EXPECT_EQ(s.openFile(file).outcome, outcome) << file;
        EXPECT_EQ(s.records(), before.records());
        EXPECT_EQ(s.fileName(), log);
        EXPECT_EQ(s.site(), before.site());
        EXPECT_FALSE(s.saved());
        EXPECT_EQ(s.reportText(), before.reportText());
    }
}

// ---- site fields, saving, the names the dialogs propose -----------------------------------

TEST_F(SessionTest, TypedFieldsMarkTheDataUnsavedAndReachTheReport) {
    struct Case {
        const char* typed;
        const char* expected;
        bool ok;
    };
    for (const Case& c : {Case{"3.12.2026", "03.12.26", true}, Case{" 05.03.27 ", "05.03.27", true},
                          Case{"31.02.26", kToday, false}, Case{"", kToday, false}}) {
        Session fresh(kToday);
        fresh.setStartDate(c.typed);
        EXPECT_EQ(fresh.commitStartDate(kToday), c.ok) << c.typed;
        EXPECT_EQ(fresh.site().startDate, c.expected);
        EXPECT_NE(fresh.reportText().find(std::string("Beginn der Messung:\t") + c.expected),
                  std::string::npos);
    }
    // Today as the system's own calendar formats it (read on both sides of the call, in case
    // midnight passes in between).
    auto today = [] {
        const std::time_t now = std::time(nullptr);
        std::tm t{};
        localtime_r(&now, &t);
        char text[40];
        std::snprintf(text, sizeof text, "%02d.%02d.%02d", t.tm_mday, t.tm_mon + 1,
                      t.tm_year % 100);
        return std::string(text);
    };
    const std::string before = today(), made = todayDateText();
    EXPECT_TRUE(made == before || made == today()) << made;

    // Each typed field marks the data unsaved; line breaks become CR LF.
    for (const auto& [location, date, remark] :
         {std::tuple{"Hauptstraße", "", ""}, std::tuple{"", "morgen", ""},
          std::tuple{"", "", "Zeile 1\nZeile 2\r\nZeile 3\rEnde\r\n"}}) {
        ASSERT_EQ(s.openFile(log).outcome, LoadOutcome::Loaded);
        SiteEdits edits;
        if (*location)
            edits.location = location;
        if (*date)
            edits.startDate = date;
        if (*remark)
            edits.remark = remark;
        EXPECT_EQ(applySiteEdits(s, edits, kToday), !*date);
        EXPECT_FALSE(s.saved());
    }
    EXPECT_EQ(s.site(),
              (Site{"Hauptstraße", "03.12.26", "Zeile 1\r\nZeile 2\r\nZeile 3\r\nEnde\r\n"}));
    EXPECT_TRUE(reportHas("Ort:\t\tHauptstraße\r\n"));
}

TEST_F(SessionTest, SavingMarksSavedOnlyOnSuccessAndReadsBackTheSameDays) {
    ASSERT_EQ(s.openFile(log).outcome, LoadOutcome::Loaded);
    s.setLocation("Ort");
    s.siteKeyPressed();
    std::string error;
    for (const std::string& bad : {path("fehlt/x.spt"), std::string()}) {
        s.adoptFileName(bad);
        EXPECT_FALSE(s.saveIt(&error));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(s.saved());
    }
    EXPECT_EQ(error, "Kein Dateiname angegeben.");
    ASSERT_TRUE(s.saveAs(path("ok.spt"), &error)) << error;
    EXPECT_TRUE(s.saved() && s.saveEnabled());
    EXPECT_EQ(s.fileName(), path("ok.spt"));
    EXPECT_EQ(readBytes(path("ok.spt")), s.sptBytes());

    Session again(kToday);
    ASSERT_EQ(again.openFile(s.fileName()).outcome, LoadOutcome::Loaded);
    for (int day = 0; day < 4; ++day) {
        s.showDay(day);
        again.showDay(day);
        EXPECT_EQ(again.lbl_ds(), s.lbl_ds()) << day;
        EXPECT_EQ(again.lbl_dV(), s.lbl_dV()) << day;
    }
}

TEST_F(SessionTest, WhereSpeichernWritesAndWhatTheDialogsPropose) {
    s.setLocation("Hauptstraße");
    s.setStartDate("03.12.26");
    s.createDefFileName();
    // Only a full path of a .spt is written in place; anything else asks with a proposal.
    const std::vector<std::tuple<std::string, bool, std::string>> cases{
        {"/daten/Haupt.spt", true, "/daten/Haupt.spt"},
        {"Haupt.spt", false, "Haupt.spt"},
        {"/karte/MESS01.log", false, "Haupt031226.spt"},
        {"/daten/Haupt031226.csv", false, "Haupt031226.spt"},
        {"", false, "Haupt031226.spt"}};
    for (const auto& [file, inPlace, proposed] : cases) {
        s.adoptFileName(file);
        EXPECT_EQ(s.canSaveInPlace(), inPlace) << file;
        EXPECT_EQ(s.proposedSaveName(), proposed) << file;
    }
    s.adoptFileName("/daten/alt.spt");
    EXPECT_EQ(s.prepareExportName(".csv"), "Haupt031226.csv");
    EXPECT_EQ(s.fileName(), "Haupt031226");
    s.setLocation(" Hauptweg");
    EXPECT_EQ(s.prepareExportName(".rtf"), "Haup031226.rtf");
    EXPECT_EQ(s.defFileName(), "Haup031226");
    EXPECT_TRUE(s.siteComplete());
    s.setLocation("Ö");
    EXPECT_FALSE(s.siteComplete());
}

}  // namespace
}  // namespace korvala::test
