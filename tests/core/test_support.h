#pragma once
// What the core tests share: records and day tables written in one line, a status sink that
// remembers, a fresh folder per test, and korvala-cli run as a user runs it.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "model/measurement.h"
#include "model/measurement_file.h"
#include "model/status.h"

namespace korvala {

// Readable failure messages for the model's values.
inline void PrintTo(const Measurement& m, std::ostream* os) {
    *os << "{" << m.id << ", " << m.time.generalText() << ", \"" << m.speed.text() << "\"}";
}
inline void PrintTo(const Site& s, std::ostream* os) {
    *os << "{\"" << s.location << "\", \"" << s.startDate << "\", \"" << s.remark << "\"}";
}

}  // namespace korvala

namespace korvala::test {

namespace fs = std::filesystem;

inline Measurement rec(std::int32_t id, int h, int m, int s, double speed, std::int64_t day = 0) {
    return Measurement{id, Timestamp::fromDayAndTime(day, h, m, s), Speed::fromNumber(speed)};
}

// Vehicles one second apart from hour:00:00 on, numbered from 1.
inline Table vehiclesAt(int hour, std::initializer_list<double> speeds) {
    Table t;
    int s = 0;
    for (double v : speeds) {
        t.push_back(rec(s + 1, hour, s / 60, s % 60, v));
        ++s;
    }
    return t;
}

// A day table as the day split leaves it: the records, then the closing empty record.
inline Table closed(Table t) {
    t.push_back(Measurement{});
    return t;
}

// Seven closed day tables: the given ones first, the rest holding only their closing record.
inline DayTables week(std::vector<Table> tables) {
    DayTables days;
    for (std::size_t i = 0; i < days.size(); ++i)
        days[i] = closed(i < tables.size() ? std::move(tables[i]) : Table{});
    return days;
}

// A device log line: the date prefix, the time, the speed.
inline std::string logLine(int h, int m, int s, const std::string& speed,
                           const std::string& date = "03/12/2026") {
    char line[64];
    std::snprintf(line, sizeof line, "/%s/%02d:%02d:%02d,%s\r\n", date.c_str(), h, m, s,
                  speed.c_str());
    return line;
}

class RecordingSink final : public StatusSink {
  public:
    void setPanel(int panel, std::string_view text) override {
        calls.emplace_back(panel, std::string(text));
    }
    std::vector<std::pair<int, std::string>> calls;
};

inline std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Hand-checked inputs and expected outputs, beside the tests of `suite` in the source tree.
inline std::string goldenPath(const std::string& name, const std::string& suite = "core") {
    return (fs::path(KORVALA_DATA_DIR).parent_path() / "tests" / suite / "golden" / name).string();
}
inline std::string golden(const std::string& name, const std::string& suite = "core") {
    return readBytes(goldenPath(name, suite));
}

// A fresh folder per test, removed afterwards whatever the test left in it. Others may enter it:
// when root runs a command as nobody, nobody must reach the files (a private TMPDIR would hide
// them, so root uses /tmp).
class TempDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name)
            c = c == '/' ? '_' : c;
        const fs::path tmp = ::geteuid() == 0 ? fs::path("/tmp") : fs::temp_directory_path();
        dir = tmp / ("korvala-core-" + std::to_string(::getpid()) + "-" + name);
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::permissions(dir, fs::perms::others_read | fs::perms::others_exec,
                        fs::perm_options::add);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, ec);
        fs::remove_all(dir, ec);
    }
    std::string write(const std::string& name, std::string_view bytes) const {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary).write(bytes.data(), std::ssize(bytes));
        return p.string();
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
    }
    fs::path dir;
};

struct CliRun {
    int code = -1;
    std::string out, err;
};

inline std::string shellQuoted(const std::string& arg) {
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The built korvala-cli with each of `args` as one argument; stderr goes through `scratch`.
inline CliRun runCli(const std::vector<std::string>& args, const fs::path& scratch) {
    std::string cmd = shellQuoted(KORVALA_CLI);
    for (const auto& a : args)
        cmd += " " + shellQuoted(a);
    const fs::path errPath = scratch / "stderr.txt";
    cmd += " 2>" + shellQuoted(errPath.string());
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
    r.err = readBytes(errPath);
    return r;
}

}  // namespace korvala::test
