#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "log_generator.h"
#include "model/measurement_file.h"

namespace korvala {
namespace {

namespace fs = std::filesystem;

std::vector<std::string_view> linesOf(std::string_view bytes) {
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find("\r\n");
        if (end == std::string_view::npos) {
            lines.push_back(bytes);  // would be a missing line end: caught by the format test
            break;
        }
        lines.push_back(bytes.substr(0, end));
        bytes.remove_prefix(end + 2);
    }
    return lines;
}

bool isDeviceLine(std::string_view l) {
    auto digits = [&](std::size_t from, std::size_t n) {
        for (std::size_t i = from; i < from + n; ++i) {
            if (i >= l.size() || l[i] < '0' || l[i] > '9')
                return false;
        }
        return true;
    };
    return l.size() >= 22 && l[0] == '/' && digits(1, 2) && l[3] == '/' && digits(4, 2) &&
           l[6] == '/' && digits(7, 4) && l[11] == '/' && digits(12, 2) && l[14] == ':' &&
           digits(15, 2) && l[17] == ':' && digits(18, 2) && l[20] == ',' &&
           digits(21, l.size() - 21);
}

TEST(Generator, SameSeedSameBytesOtherSeedOtherBytes) {
    gen::LogOptions opt;
    opt.records = 2000;
    const std::string a = gen::generateLog(opt);
    EXPECT_EQ(a, gen::generateLog(opt));
    opt.seed = 2;
    EXPECT_NE(a, gen::generateLog(opt));
}

TEST(Generator, ExactCountInTheDeviceFormat) {
    for (std::int64_t n : {0, 1, 7, 15000}) {
        gen::LogOptions opt;
        opt.records = n;
        const std::string log = gen::generateLog(opt);
        const auto lines = linesOf(log);
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(n));
        for (std::string_view l : lines)
            ASSERT_TRUE(isDeviceLine(l)) << l;
    }
}

TEST(Generator, DaysCrossMidnightAndTheCalendarRollsOver) {
    gen::LogOptions opt;
    opt.records = 5000;
    opt.startDay = 29, opt.startMonth = 12, opt.startYear = 2027;
    const std::string log = gen::generateLog(opt);
    const auto lines = linesOf(log);
    EXPECT_EQ(lines.front().substr(0, 14), "/29/12/2027/14");
    EXPECT_EQ(lines.back().substr(0, 14), "/04/01/2028/11");
    std::vector<std::string_view> dates;
    int hourDrops = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (dates.empty() || dates.back() != lines[i].substr(0, 12)) {
            dates.push_back(lines[i].substr(0, 12));
        }
        if (i > 0 && lines[i].substr(12, 2) < lines[i - 1].substr(12, 2))
            ++hourDrops;
        if (i > 0 && lines[i].substr(0, 12) == lines[i - 1].substr(0, 12)) {
            ASSERT_LE(lines[i - 1].substr(12, 8), lines[i].substr(12, 8)) << "line " << i;
        }
    }
    EXPECT_EQ(dates, (std::vector<std::string_view>{"/29/12/2027/", "/30/12/2027/", "/31/12/2027/",
                                                    "/01/01/2028/", "/02/01/2028/", "/03/01/2028/",
                                                    "/04/01/2028/"}));
    EXPECT_EQ(hourDrops, 6);  // exactly one new day per midnight for the program's day split
}

TEST(Generator, TrafficAndSpeedsLookLikeAStreet) {
    gen::LogOptions opt;
    opt.records = 50000;
    opt.limit = 50;
    const LoadResult r = readMeasurementBytes("g.log", gen::generateLog(opt));
    ASSERT_EQ(r.records.size(), 50000u);
    EXPECT_EQ(r.linesRejected, 0);
    std::array<int, 24> perHour{};
    int typical = 0, fast = 0, zero = 0, equalNeighbours = 0;
    for (std::size_t i = 0; i < r.records.size(); ++i) {
        const Measurement& m = r.records[i];
        ++perHour[static_cast<std::size_t>(m.time.hour())];
        const double v = m.speed.value();
        typical += v >= 30 && v <= 80;
        fast += v >= 65;
        zero += v == 0;
        equalNeighbours += i > 0 && r.records[i - 1].time == m.time;
    }
    EXPECT_LT(perHour[3] * 10, perHour[8]);   // night against the morning peak
    EXPECT_LT(perHour[2] * 10, perHour[17]);  // and against the evening peak
    EXPECT_GT(typical, 45000);
    EXPECT_GT(fast, 500);
    EXPECT_GT(zero, 20);
    EXPECT_LT(zero, 300);
    EXPECT_GT(equalNeighbours, 0);
}

TEST(Generator, OneDayStaysWithinTheDay) {
    gen::LogOptions opt;
    opt.days = 1;
    opt.records = 1000;
    const auto log = gen::generateLog(opt);
    const auto lines = linesOf(log);
    EXPECT_EQ(lines.front().substr(0, 14), "/01/12/2026/06");
    EXPECT_EQ(lines.back().substr(0, 14), "/01/12/2026/21");
}

// The command-line tool, as `make run` and the benchmarks script use it.
class GeneratorTool : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) / ("korvala-gen-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    int run(const std::string& args) {
        const std::string cmd = std::string(KORVALA_GEN) + " " + args + " 2>/dev/null";
        const int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    fs::path dir;
};

TEST_F(GeneratorTool, WritesTheRequestedLog) {
    const fs::path out = dir / "mess.log";
    ASSERT_EQ(
        run("--days 3 --records 1234 --seed 9 --start 05/03/2026 --limit 30 -o " + out.string()),
        0);
    const LoadResult r = readMeasurementFile(out.string());
    ASSERT_EQ(r.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(r.records.size(), 1234u);
    EXPECT_EQ(r.startDate, "05.03.26");
}

TEST_F(GeneratorTool, WritesASptThroughTheProgramsOwnWriter) {
    const fs::path out = dir / "mess.spt";
    ASSERT_EQ(run("--spt --days 1 --records 100 --location 'Hauptstraße, Ecke' --remark "
                  "'Zeile 1\\nZeile 2' -o " +
                  out.string()),
              0);
    const LoadResult r = readMeasurementFile(out.string());
    ASSERT_EQ(r.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(r.location, "Hauptstraße; Ecke");
    EXPECT_EQ(r.startDate, "01.12.26");
    EXPECT_EQ(r.remark, "Zeile 1\r\nZeile 2\r\n");
    EXPECT_GT(r.records.size(), 90u);
}

TEST_F(GeneratorTool, RejectsBadArguments) {
    for (const char* args : {"--days 0", "--days 8", "--records -1", "--start 31/02/2026",
                             "--start 1/2/2026", "--limit abc", "--bogus 1", "--days"}) {
        EXPECT_EQ(run(std::string(args) + " -o " + (dir / "x.log").string()), 2) << args;
    }
    EXPECT_FALSE(fs::exists(dir / "x.log"));
    EXPECT_EQ(run("--records 5 -o " + (dir / "fehlt" / "x.log").string()), 1);
}

}  // namespace
}  // namespace korvala
