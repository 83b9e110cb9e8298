// korvala-cli analyze as a traffic engineer runs it: the built binary on a device log written into
// a temporary folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include "evaluation/analysis.h"
#include "session/session.h"

namespace korvala {
namespace {

namespace fs = std::filesystem;

struct CliResult {
    int code = -1;
    std::string out, err;
};

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class AnalyzeCli : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("korvala_analyze_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        // Tuesday 01.12.26. Day 1 runs from 00:10 to 23:50 (complete); 06:30 appears twice in a
        // row, so the second is dropped. Day 2 holds a record without speed and a broken line.
        log_ = write("woche.log",
                     "/01/12/2026/00:10:00,40\r\n"
                     "/01/12/2026/06:30:00,48\r\n"
                     "/01/12/2026/06:30:00,55\r\n"
                     "/01/12/2026/12:00:00,52\r\n"
                     "/01/12/2026/23:50:00,61\r\n"
                     "/02/12/2026/00:05:00,45\r\n"
                     "/02/12/2026/08:00:00,0\r\n"
                     "/02/12/2026/08:30:00\r\n"
                     "/02/12/2026/09:00:00,70\r\n");
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }

    CliResult run(const std::string& args) {
        const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
        const std::string cmd = std::string(KORVALA_CLI) + " analyze " + args + " >" +
                                out.string() + " 2>" + err.string();
        const int status = std::system(cmd.c_str());
        CliResult r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }

    fs::path dir_;
    std::string log_;
};

TEST_F(AnalyzeCli, JsonCarriesTheFiguresOfTheMeasurement) {
    const CliResult r = run("'" + log_ + "' --json");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["limit"], 50);
    EXPECT_EQ(j["startDate"], "01.12.26");
    // Vehicles 40 45 48 52 61 70: v50 at rank 3, v85 at rank 6.
    const auto& m = j["measurement"];
    EXPECT_EQ(m["speeds"]["vehicles"], 6);
    EXPECT_EQ(m["speeds"]["v50"], 48);
    EXPECT_EQ(m["speeds"]["v85"], 70);
    EXPECT_EQ(m["exceedance"]["over"], 3);
    EXPECT_EQ(m["exceedance"]["verdict"], "auffällig");
    ASSERT_EQ(j["days"].size(), 2u);
    EXPECT_EQ(j["days"][0]["weekday"], "Dienstag");
    EXPECT_EQ(j["days"][1]["weekday"], "Mittwoch");
    EXPECT_EQ(j["days"][0]["speeds"]["vehicles"], 4);
    EXPECT_EQ(j["days"][0]["firstVehicle"], "00:10:00");
    EXPECT_EQ(j["days"][0]["hours"][6]["vehicles"], 1);
    EXPECT_TRUE(j["days"][0]["hours"][6]["v85"].is_null());
    EXPECT_EQ(j["week"]["completeDays"], nlohmann::json::array({1}));
    EXPECT_EQ(j["week"]["averageDaily"], 4.0);
    EXPECT_EQ(j["week"]["averageWeekday"], 4.0);
    EXPECT_TRUE(j["week"]["averageWeekend"].is_null());
    EXPECT_EQ(j["quality"]["duplicatesDropped"], 1);
    EXPECT_EQ(j["quality"]["topSpeeds"][0]["speed"], 70);
    EXPECT_EQ(j["quality"]["topSpeeds"][0]["time"], "09:00:00");

    // What the window would compute from the same file.
    Session session("06.12.26");
    ASSERT_EQ(session.openFile(log_).outcome, LoadOutcome::Loaded);
    EXPECT_GT(session.linesRejected(), 0);
    EXPECT_EQ(j["quality"]["linesRejected"], session.linesRejected());
    const Analysis a = analyze(
        session.days(), AnalysisInput{50, session.site().startDate, session.duplicatesDropped(),
                                      session.linesRejected()});
    EXPECT_EQ(j["days"][1]["speeds"]["vehicles"], a.days[1].speeds.vehicles);
    EXPECT_DOUBLE_EQ(m["speeds"]["stdDev"].get<double>(), *a.speeds.stdDev);
}

TEST_F(AnalyzeCli, LimitChangesExceedanceAndVerdict) {
    const CliResult r = run("--limit 70 '" + log_ + "' --json");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["limit"], 70);
    EXPECT_EQ(j["measurement"]["exceedance"]["over"], 0);  // 70 itself is not over
    EXPECT_EQ(j["measurement"]["exceedance"]["verdict"], "unauffällig");
    EXPECT_EQ(j["measurement"]["exceedance"]["color"], "green");
}

TEST_F(AnalyzeCli, TextIsGermanWithAWeekTable) {
    const CliResult r = run("'" + log_ + "' --limit 60");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Zulässige Höchstgeschwindigkeit: 60 km/h"), std::string::npos);
    // Mean of 40 45 48 52 61 70 is 52,666...: a decimal comma, one place.
    EXPECT_NE(r.out.find("52,7 km/h"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Über 60 km/h             2 Fahrzeuge (33,3 %)"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("    1  Dienstag"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Entfernte Duplikate: 1"), std::string::npos);
    EXPECT_NE(r.out.find(std::string(kRuleV85)), std::string::npos);
    EXPECT_EQ(r.out.find("52.7"), std::string::npos);
}

TEST_F(AnalyzeCli, BadLimitIsAUsageError) {
    for (const char* limit : {"4", "131", "abc", "50,5", ""}) {
        const CliResult r = run("'" + log_ + "' --limit '" + limit + "'");
        EXPECT_EQ(r.code, 1) << limit;
        EXPECT_NE(r.err.find("5 bis 130"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_EQ(run("'" + log_ + "' --limit 5").code, 0);
    EXPECT_EQ(run("'" + log_ + "' --limit 130").code, 0);
}

TEST_F(AnalyzeCli, UnreadableOrForeignFilesEndWithCodeTwo) {
    EXPECT_EQ(run("'" + (dir_ / "fehlt.log").string() + "'").code, 2);
    EXPECT_EQ(run("'" + write("fremd.log", "kein Protokoll\r\n") + "'").code, 2);
    EXPECT_EQ(run("'" + write("fremd.spt", "nur,eine,Zeile\r\n") + "'").code, 2);
    const CliResult r = run("'" + write("liste.txt", "1,12:00:00,50\r\n") + "'");
    EXPECT_EQ(r.code, 2);
    EXPECT_FALSE(r.err.empty());
}

TEST_F(AnalyzeCli, MeasurementWithoutVehiclesStillAnswers) {
    const std::string path = write("leer.log", "/01/12/2026/08:00:00,0\r\n");
    const CliResult text = run("'" + path + "'");
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_NE(text.out.find("kein vollständiger Tag"), std::string::npos) << text.out;
    const CliResult json = run("'" + path + "' --json");
    const auto j = nlohmann::json::parse(json.out);
    EXPECT_EQ(j["measurement"]["speeds"]["vehicles"], 0);
    EXPECT_TRUE(j["measurement"]["speeds"]["v85"].is_null());
    EXPECT_TRUE(j["week"]["peakHour"].is_null());
}

}  // namespace
}  // namespace korvala
