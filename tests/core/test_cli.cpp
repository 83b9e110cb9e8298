// korvala-cli as a user runs it: the built binary on files written into a temporary folder. What
// it prints and writes must be what a Session shows and writes after the same steps.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include "output/rtf_list.h"
#include "session/session.h"

using namespace korvala;
namespace fs = std::filesystem;

namespace {

struct Rec {
    int h, m, s;
    int speed;
};

std::string logText(const std::vector<Rec>& recs) {
    std::string out;
    for (const Rec& r : recs) {
        char line[64];
        std::snprintf(line, sizeof line, "/03/12/2026/%02d:%02d:%02d,%d\r\n", r.h, r.m, r.s,
                      r.speed);
        out += line;
    }
    return out;
}

// Day 1 with a duplicate and a speed-0 record, day 2 with three vehicles, day 3 with a single
// record (its speeds cannot be computed), day 4 with two. A day begins where the hour goes down.
std::vector<Rec> fourDays() {
    return {{6, 50, 0, 47},  {7, 5, 10, 52},  {8, 15, 0, 38}, {8, 15, 0, 61},
            {9, 0, 0, 0},    {23, 59, 0, 70}, {0, 10, 0, 44}, {1, 10, 0, 55},
            {10, 20, 0, 71}, {9, 30, 0, 66},  {8, 5, 0, 30},  {9, 0, 0, 35}};
}

struct CliRun {
    int code = -1;
    std::string out, err;
};

std::string quoted(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("korvala_cli_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        log_ = write("woche.log", logText(fourDays()));
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
    CliRun run(const std::vector<std::string>& args) {
        std::string cmd = quoted(KORVALA_CLI);
        for (const auto& a : args)
            cmd += " " + quoted(a);
        const fs::path errPath = dir_ / "stderr.txt";
        cmd += " 2>" + quoted(errPath.string());
        CliRun r;
        FILE* pipe = ::popen(cmd.c_str(), "r");
        if (!pipe)
            return r;
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
            r.out.append(buf, n);
        const int status = ::pclose(pipe);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.err = readFile(errPath);
        return r;
    }
    // What the window holds after opening the file, typing the fields and picking the day.
    static Session windowAfter(const std::string& path, const SiteEdits& edits, int day) {
        Session s(todayDateText());
        EXPECT_EQ(s.openFile(path).outcome, LoadOutcome::Loaded);
        if (!edits.empty())
            applySiteEdits(s, edits, todayDateText());
        if (day > 0)
            s.showDay(day);
        return s;
    }
    fs::path dir_;
    std::string log_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// report

TEST_F(CliTest, ReportIsTheSessionsReportOfTheChosenDay) {
    for (int day = 1; day <= 4; ++day) {
        SCOPED_TRACE(day);
        const CliRun r = run({"report", log_, "--day", std::to_string(day)});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, windowAfter(log_, {}, day - 1).reportText());
    }
    const CliRun plain = run({"report", log_});
    EXPECT_EQ(plain.out, windowAfter(log_, {}, 0).reportText());
    EXPECT_NE(plain.out.find("\r\n"), std::string::npos);
}

TEST_F(CliTest, ReportShowsTheTypedSiteFieldsWithTheDateNormalised) {
    SiteEdits edits;
    edits.location = "Hauptstraße";
    edits.startDate = "3.12.2026";
    edits.remark = "Regen\nab Mittag";
    const CliRun r = run({"report", log_, "--day", "2", "--site", "Hauptstraße", "--date",
                          "3.12.2026", "--remark", "Regen\nab Mittag"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, windowAfter(log_, edits, 1).reportText());
    EXPECT_NE(r.out.find("Ort:\t\tHauptstraße\r\n"), std::string::npos);
    EXPECT_NE(r.out.find("Beginn der Messung:\t03.12.26\tTag: 2\r\n"), std::string::npos);
    EXPECT_NE(r.out.find("Regen\r\nab Mittag"), std::string::npos);
}

TEST_F(CliTest, TheShippedSamplesOpen) {
    // `make run` falls back to this report when there is no display.
    for (const char* name : {"sample-7tage.log", "sample.spt"}) {
        SCOPED_TRACE(name);
        const std::string path = std::string(KORVALA_DATA_DIR) + "/" + name;
        const CliRun r = run({"report", path});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, windowAfter(path, {}, 0).reportText());
        EXPECT_EQ(r.out.rfind("\r\n\t\t\tReport\r\n", 0), 0u);
    }
}

// ---------------------------------------------------------------------------------------------
// json

TEST_F(CliTest, JsonDescribesTheLoadAndEachDayAsIfThatDayWerePickedAfterOpening) {
    const CliRun r = run({"json", log_, "--site", "Am Bach"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);

    EXPECT_EQ(j["site"]["location"], "Am Bach");
    EXPECT_EQ(j["site"]["startDate"], "03.12.26");
    EXPECT_EQ(j["site"]["remark"], "");
    EXPECT_EQ(j["records"], 11);  // twelve lines, one duplicate
    EXPECT_EQ(j["duplicatesDropped"], 1);
    EXPECT_EQ(j["formatError"], false);
    EXPECT_EQ(j["status"], "Warte auf Daten");

    const auto& days = j["days"];
    ASSERT_EQ(days.size(), 4u);
    const Session afterOpen = windowAfter(log_, {}, -1);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const auto& d = days[i];
        const Session w = windowAfter(log_, {}, i);
        EXPECT_EQ(d["day"], i + 1);
        EXPECT_EQ(d["entries"], afterOpen.days()[i].size() - 1);
        EXPECT_EQ(d["vehicles"], w.stats().vehicles);
        EXPECT_EQ(d["captions"]["lbl_ds"], w.lbl_ds());
        EXPECT_EQ(d["captions"]["lbl_vmin"], w.lbl_vmin());
        EXPECT_EQ(d["captions"]["lbl_vmax"], w.lbl_vmax());
        EXPECT_EQ(d["captions"]["lbl_dV"], w.lbl_dV());
        ASSERT_EQ(d["classes"].size(), w.stats().classUpper.size());
        for (std::size_t c = 0; c < w.stats().classUpper.size(); ++c) {
            EXPECT_EQ(d["classes"][c]["upper"], w.stats().classUpper[c]);
            EXPECT_EQ(d["classes"][c]["count"], w.stats().classCounts[c]);
        }
        ASSERT_EQ(d["hours"].size(), 24u);
        for (int k = 0; k < 24; ++k) {
            EXPECT_EQ(d["hours"][k]["label"], w.stats().hourLabel[k]);
            EXPECT_EQ(d["hours"][k]["count"], w.stats().hourCount[k]);
        }
    }
    // Day 3 has one record: its speed captions are day 1's (what the load left), not day 2's.
    EXPECT_EQ(days[2]["captions"]["lbl_ds"], "1");
    EXPECT_EQ(days[2]["captions"]["lbl_vmax"], afterOpen.lbl_vmax());
    EXPECT_NE(days[2]["captions"]["lbl_vmax"], days[1]["captions"]["lbl_vmax"]);
    // Day 1 leaves out the speed-0 record, day 1 begins its hours at 07:00 (the second record).
    EXPECT_EQ(days[0]["entries"], 4);
    EXPECT_EQ(days[0]["hours"][0]["label"], "08:00");
}

TEST_F(CliTest, JsonReportsAFormatErrorAndTheStatusLine) {
    const std::string path =
        write("f.log", logText({{7, 0, 0, 50}, {7, 10, 0, 60}}) + "/03/12/2026/xx,55\r\n");
    const CliRun r = run({"json", path});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["formatError"], true);
    EXPECT_EQ(j["status"], "Falsches Format!");
    // The rejected line stays as a record at 00:00:00 without speed: the hour goes down, so it
    // opens day 2, where it counts no vehicle.
    ASSERT_EQ(j["days"].size(), 2u);
    EXPECT_EQ(j["days"][1]["entries"], 1);
    EXPECT_EQ(j["days"][1]["vehicles"], 0);
}

// ---------------------------------------------------------------------------------------------
// Files

TEST_F(CliTest, WrittenFilesAreByteForByteWhatTheSessionWrites) {
    SiteEdits edits;
    edits.location = "Hauptstraße";
    edits.startDate = "05.03.27";
    edits.remark = "Zeile 1\nZeile 2";
    const Session w = windowAfter(log_, edits, -1);

    const fs::path csv = dir_ / "out.csv", rtf = dir_ / "out.rtf", spt = dir_ / "out.spt";
    ASSERT_EQ(
        run({"csv", log_, "-o", csv.string(), "--site", "Hauptstraße", "--date", "05.03.27"}).code,
        0);
    ASSERT_EQ(run({"rtf", log_, "-o", rtf.string()}).code, 0);
    ASSERT_EQ(run({"spt", log_, "-o", spt.string(), "--site", "Hauptstraße", "--date", "05.03.27",
                   "--remark", "Zeile 1\nZeile 2"})
                  .code,
              0);
    EXPECT_EQ(readFile(csv), w.csvBytes());
    EXPECT_EQ(readFile(rtf), rtfFileContent(w.rtfDocument()));
    EXPECT_EQ(readFile(spt), w.sptBytes());
    // Windows-1252 on disk: the sharp s is one byte.
    EXPECT_EQ(readFile(csv).rfind("Hauptstra\xdf"
                                  "e;05.03.27\r\n",
                                  0),
              0u);

    // The .spt written reads back through the CLI with the typed site.
    const CliRun back = run({"json", spt.string()});
    ASSERT_EQ(back.code, 0) << back.err;
    EXPECT_EQ(nlohmann::json::parse(back.out)["site"]["location"], "Hauptstraße");
}

TEST_F(CliTest, AnUnwritableTargetFailsWithoutTouchingAnExistingFile) {
    const CliRun r = run({"csv", log_, "-o", (dir_ / "fehlt" / "x.csv").string(), "--site", "Ort"});
    EXPECT_EQ(r.code, 3);
    EXPECT_NE(r.err.find("Fehler"), std::string::npos);

    const CliRun folder = run({"spt", log_, "-o", dir_.string(), "--site", "Ort"});
    EXPECT_EQ(folder.code, 3);
    EXPECT_TRUE(fs::is_directory(dir_));
}

// ---------------------------------------------------------------------------------------------
// Usage and bad files

TEST_F(CliTest, BadUsageExitsWithOne) {
    const std::vector<std::vector<std::string>> calls{
        {},
        {"gibtsnicht"},
        {"report"},
        {"report", log_, "--day", "0"},
        {"report", log_, "--day", "8"},
        {"report", log_, "--day", "5"},  // the measurement has four days
        {"report", log_, "--date", "31.02.26"},
        {"json", log_, "--date", ""},
        {"csv", log_},
        {"rtf", log_, "--site", "x", "-o", "y.rtf"},
        // A device log has no location: the export and the save need one of two characters.
        {"csv", log_, "-o", (dir_ / "a.csv").string()},
        {"csv", log_, "-o", (dir_ / "a.csv").string(), "--site", "X"},
        {"spt", log_, "-o", (dir_ / "a.spt").string()},
    };
    for (const auto& args : calls) {
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        const CliRun r = run(args);
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.out.empty());
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_NE(run({"report", log_, "--date", "31.02.26"}).err.find("Falsche Datums-Format!"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "a.csv"));
    EXPECT_FALSE(fs::exists(dir_ / "a.spt"));
    EXPECT_NE(run({"csv", log_, "-o", (dir_ / "a.csv").string()})
                  .err.find("Ort oder Datum ist nicht eingegeben!"),
              std::string::npos);
    // Two characters are enough, counted as characters, not bytes.
    EXPECT_EQ(run({"csv", log_, "-o", (dir_ / "b.csv").string(), "--site", "Öd"}).code, 0);
}

TEST_F(CliTest, UnreadableOrForeignFilesExitWithTwoAndAGermanMessage) {
    const fs::path folder = dir_ / "ordner.log";
    fs::create_directories(folder);
    const std::string wrong = write("kaputt.spt", "\"xyz\",\"Ort\",\"01.01.26\"\r\n<>\r\n");
    const struct {
        std::string path;
        std::string says;
    } cases[] = {
        {(dir_ / "fehlt.log").string(), "kann nicht gelesen werden"},
        {write("notiz.txt", logText({{7, 0, 0, 50}})), "weder"},
        {write("upper.LOG", logText({{7, 0, 0, 50}})), "weder"},
        {write("fremd.log", "Kopf\r\n"), "kein Protokoll"},
        {wrong, "Falsches Format! " + wrong},
        {folder.string(), "kann nicht gelesen werden"},
    };
    for (const auto& c : cases) {
        for (const char* cmd : {"report", "json"}) {
            SCOPED_TRACE(c.path + " " + cmd);
            const CliRun r = run({cmd, c.path});
            EXPECT_EQ(r.code, 2);
            EXPECT_TRUE(r.out.empty());
            EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        }
    }
    // Without records there is no RTF list to write.
    const std::string empty = write("leer.spt", "\"spt\",\"Ort\",\"01.01.26\"\r\n\r\n<>\r\n");
    EXPECT_EQ(run({"rtf", empty, "-o", (dir_ / "l.rtf").string()}).code, 2);
    EXPECT_FALSE(fs::exists(dir_ / "l.rtf"));
}

TEST_F(CliTest, HelpNamesEverySubcommand) {
    const CliRun r = run({"--help"});
    EXPECT_EQ(r.code, 0);
    for (const char* sub : {"report", "json", "csv", "rtf", "spt"})
        EXPECT_NE(r.out.find(sub), std::string::npos) << sub;
    const CliRun sub = run({"report", "--help"});
    EXPECT_EQ(sub.code, 0);
    EXPECT_NE(sub.out.find("--day"), std::string::npos);
}
