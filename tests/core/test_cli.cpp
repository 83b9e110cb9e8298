// korvala-cli as a user runs it: the built binary on files in a temporary folder. The expected
// report pages and files of golden/woche.log were worked out by hand from the twelve lines of
// that log (a repeated time, a 0, a fractional speed, four days, a day of one record).

#include <nlohmann/json.hpp>

#include <cmath>
#include <string>
#include <vector>

#include "test_support.h"

namespace korvala::test {
namespace {

using nlohmann::json;

class Cli : public TempDirTest {
  protected:
    CliRun run(const std::vector<std::string>& args) const { return runCli(args, dir); }
    json runJson(const std::vector<std::string>& args) const {
        const CliRun r = run(args);
        EXPECT_EQ(r.code, 0) << r.err;
        return json::parse(r.out);
    }
    const std::string log = goldenPath("woche.log");
};

// ---- what the program shows and writes, byte for byte ---------------------------------------

struct GoldenCase {
    const char* name;
    std::vector<std::string> args;  // "OUT" stands for the output file
    const char* golden;
    friend void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }
};

class CliGolden : public Cli, public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(CliGolden, OutputIsTheHandCheckedOne) {
    const fs::path out = dir / GetParam().golden;
    std::vector<std::string> args;
    for (const std::string& a : GetParam().args)
        args.push_back(a == "LOG" ? log : a == "OUT" ? out.string() : a);
    const CliRun r = run(args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(fs::exists(out) ? readBytes(out) : r.out, golden(GetParam().golden));
}

// Day 1 wraps its hour table from 07:00 (the second record's hour) and averages without the
// first record; day 3 holds one record, so it keeps day 1's speed captions.
INSTANTIATE_TEST_SUITE_P(
    Woche, CliGolden,
    ::testing::Values(GoldenCase{"report_day1",
                                 {"report", "LOG", "--site", "Hauptstraße", "--date", "3.12.2026",
                                  "--remark", "Regen\nab Mittag"},
                                 "woche-tag1.txt"},
                      GoldenCase{"report_day3", {"report", "LOG", "--day", "3"}, "woche-tag3.txt"},
                      GoldenCase{
                          "csv", {"csv", "LOG", "-o", "OUT", "--site", "Hauptstraße"}, "woche.csv"},
                      GoldenCase{"rtf", {"rtf", "LOG", "-o", "OUT"}, "woche.rtf"},
                      GoldenCase{"spt",
                                 {"spt", "LOG", "-o", "OUT", "--site", "Hauptstraße", "--remark",
                                  "Regen\nab Mittag"},
                                 "woche.spt"}),
    [](const auto& c) { return std::string(c.param.name); });

TEST_F(Cli, JsonDescribesEachDayAsIfPickedRightAfterOpening) {
    const json j = runJson({"json", log});
    EXPECT_EQ(j["site"]["startDate"], "03.12.26");
    EXPECT_EQ(j["records"], 11);  // twelve lines, one repeated time
    EXPECT_EQ(j["duplicatesDropped"], 1);
    EXPECT_EQ(j["status"], "Warte auf Daten");
    ASSERT_EQ(j["days"].size(), 4u);
    EXPECT_EQ(j["days"][0]["entries"], 4);  // the 0 is no vehicle of day 1
    EXPECT_EQ(j["days"][1]["captions"]["lbl_vmax"], "71 km/h");
    EXPECT_EQ(j["days"][1]["classes"], json::parse(R"([{"upper":50,"count":1},
        {"upper":60,"count":1},{"upper":80,"count":1}])"));
    EXPECT_EQ(j["days"][1]["hours"][0], json::parse(R"({"label":"02:00","count":1})"));
    // Day 3 cannot compute speeds: it shows what the load left, day 1's captions.
    EXPECT_EQ(j["days"][2]["captions"]["lbl_ds"], "1");
    EXPECT_EQ(j["days"][2]["captions"]["lbl_vmax"], "70 km/h");
}

// ---- analyze: figures by hand from the ten vehicles 30 35 38 44 47 52 55 66 70 71 -------------

TEST_F(Cli, AnalyzeJsonCarriesTheFiguresOfTheMeasurement) {
    const json j = runJson({"analyze", log, "--json"});
    EXPECT_EQ(j["limit"], 50);
    const json& speeds = j["measurement"]["speeds"];
    EXPECT_EQ(speeds["vehicles"], 10);
    EXPECT_EQ(speeds["v15"], 35);  // ranks 2, 5, 9, 10
    EXPECT_EQ(speeds["v50"], 47);
    EXPECT_EQ(speeds["v85"], 70);
    EXPECT_EQ(speeds["v95"], 71);
    EXPECT_DOUBLE_EQ(speeds["mean"].get<double>(), 50.8);
    EXPECT_NEAR(speeds["stdDev"].get<double>(), std::sqrt(1933.6 / 9), 1e-9);
    EXPECT_EQ(speeds["pace"], json::parse(R"({"from":30,"to":40,"vehicles":3,"share":0.3})"));
    const json& over = j["measurement"]["exceedance"];
    EXPECT_EQ(over["over"], 5);
    std::vector<int> bands;
    for (const json& b : over["bands"])
        bands.push_back(b["vehicles"]);
    EXPECT_EQ(bands, (std::vector<int>{2, 0, 0, 2, 1}));  // +2 +5 | | | +16 +20 | +21
    EXPECT_EQ(over["verdict"], "auffällig");

    ASSERT_EQ(j["days"].size(), 4u);
    EXPECT_EQ(j["days"][0]["weekday"], "Donnerstag");
    EXPECT_EQ(j["days"][3]["weekday"], "Sonntag");
    EXPECT_EQ(j["days"][1]["speeds"]["v50"], 55);  // 55,5 counts as 55
    EXPECT_EQ(j["days"][0]["firstVehicle"], "06:50:00");
    EXPECT_EQ(j["days"][0]["gaps"], json::parse(R"([{"from":"07:05:10","to":"08:15:00"},
        {"from":"08:15:00","to":"22:00:00"}])"));
    EXPECT_EQ(j["days"][3]["gaps"], json::parse(R"([{"from":"06:00:00","to":"08:05:00"}])"));
    EXPECT_EQ(j["week"]["completeDays"], json::array());
    EXPECT_TRUE(j["week"]["averageDaily"].is_null());
    EXPECT_EQ(j["week"]["peakHour"], json::parse(R"({"day":1,"hour":6,"vehicles":1})"));
    EXPECT_EQ(j["quality"]["duplicatesDropped"], 1);
    EXPECT_EQ(j["quality"]["lastDay"],
              json::parse(R"({"day":4,"firstHour":8,"lastHour":9,"partial":true})"));
    EXPECT_EQ(j["quality"]["topSpeeds"].size(), 10u);
    EXPECT_EQ(j["quality"]["topSpeeds"][1], json::parse(R"({"day":1,"time":"23:59:00",
        "speed":70})"));
}

TEST_F(Cli, AnalyzeLimitAndText) {
    const json j = runJson({"analyze", "--limit", "70", log, "--json"});
    EXPECT_EQ(j["measurement"]["exceedance"]["over"], 1);  // 70 itself is not over
    EXPECT_EQ(j["measurement"]["exceedance"]["color"], "green");
    const CliRun text = run({"analyze", log});
    EXPECT_NE(text.out.find("Donnerstag"), std::string::npos);
    EXPECT_EQ(text.out.find("50.8"), std::string::npos) << "German text has a decimal comma";
    const std::string none = write("leer.log", logLine(8, 0, 0, "0"));
    EXPECT_EQ(runJson({"analyze", none, "--json"})["measurement"]["speeds"]["vehicles"], 0);
    EXPECT_EQ(run({"analyze", none}).code, 0);
}

// ---- failures: exit code and the German message ---------------------------------------------

struct FailCase {
    std::vector<std::string> args;  // "LOG" is golden/woche.log, "DIR/x" a file in the folder
    int code;
    const char* says;
    friend void PrintTo(const FailCase& c, std::ostream* os) {
        for (const std::string& a : c.args)
            *os << a << ' ';
    }
};

class CliFails : public Cli, public ::testing::WithParamInterface<FailCase> {};

TEST_P(CliFails, WithCodeAndMessageAndNoOutput) {
    const std::string spt = write("kaputt.spt", "\"xyz\",\"Ort\",\"01.01.26\"\r\n<>\r\n");
    write("leer.spt", "\"spt\",\"Ort\",\"01.01.26\"\r\n\r\n<>\r\n");
    write("notiz.txt", logLine(7, 0, 0, "50"));
    write("upper.LOG", logLine(7, 0, 0, "50"));
    write("fremd.log", "Kopf\r\n");
    std::vector<std::string> args;
    for (const std::string& a : GetParam().args)
        args.push_back(a == "LOG" ? log : a.starts_with("DIR/") ? path(a.substr(4)) : a);
    const CliRun r = run(args);
    EXPECT_EQ(r.code, GetParam().code);
    if (GetParam().code == 0)
        return;
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find(GetParam().says), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "a.out"));
}

INSTANTIATE_TEST_SUITE_P(
    Usage, CliFails,
    ::testing::Values(
        FailCase{{"gibtsnicht"}, 1, "subcommand"},
        FailCase{{"report", "LOG", "--day", "0"}, 1, "--day"},
        FailCase{{"report", "LOG", "--day", "5"}, 1, "umfasst 4 Tage"},
        FailCase{{"report", "LOG", "--date", "31.02.26"}, 1, "Falsche Datums-Format!"},
        // A device log has no location: an export needs two characters of one.
        FailCase{{"csv", "LOG", "-o", "DIR/a.out"}, 1, "Ort oder Datum ist nicht eingegeben!"},
        FailCase{{"csv", "LOG", "-o", "DIR/b.csv", "--site", "Öd"}, 0, ""},
        FailCase{{"analyze", "LOG", "--limit", "131"}, 1, "5 bis 130"},
        FailCase{{"analyze", "LOG", "--limit", "50,5"}, 1, "(angegeben: \"50,5\")"},
        FailCase{{"analyze", "LOG", "--limit", " 5 "}, 0, ""}));

INSTANTIATE_TEST_SUITE_P(
    BadFiles, CliFails,
    ::testing::Values(FailCase{{"report", "DIR/fehlt.log"}, 2, "kann nicht gelesen werden"},
                      FailCase{{"analyze", "DIR/notiz.txt"}, 2, "weder eine .spt- noch"},
                      FailCase{{"report", "DIR/upper.LOG"}, 2, "weder"},
                      FailCase{{"json", "DIR/fremd.log"}, 2, "kein Protokoll des Messgeräts"},
                      FailCase{{"analyze", "DIR/kaputt.spt"}, 2, "Falsches Format! /"},
                      // Without records there is no list to write.
                      FailCase{{"rtf", "DIR/leer.spt", "-o", "DIR/a.out"}, 2, "keine Datensätze"},
                      FailCase{{"csv", "LOG", "-o", "DIR/fehlt/x.csv", "--site", "Ort"},
                               3,
                               "konnte nicht geschrieben werden"}));

}  // namespace
}  // namespace korvala::test
