#pragma once
// The archive's suite runs once on an SQLite file and once on PostgreSQL. Each test gets an empty
// archive of its own: a file in its fresh folder, or a fresh database on the throwaway server
// that tools/pg-test-server.sh started (its state file is named by KORVALA_PG_STATE).

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/database.h"
#include "log_generator.h"
#include "model/measurement_file.h"
#include "test_support.h"

namespace korvala::archive::test {

using namespace korvala::test;

// A generated week as the device logs it, `records` lines from `seed`.
inline std::string weekLog(std::uint64_t seed, std::int64_t records = 15000) {
    gen::LogOptions opt;
    opt.seed = seed;
    opt.records = records;
    return gen::generateLog(opt);
}

// The same week as a .spt file written by the program, with a location.
inline std::string weekSpt(std::uint64_t seed, std::int64_t records = 15000) {
    const LoadResult log = readMeasurementBytes("x.log", weekLog(seed, records));
    return sptContent(Site{"Messort " + std::to_string(seed), log.startDate.value_or(""), ""},
                      log.records);
}

inline SiteData named(std::string name, int limit = kDefaultSpeedLimit) {
    SiteData site;
    site.name = std::move(name);
    site.speedLimit = limit;
    return site;
}

// Starts korvala-cli with `args`; its standard output goes to `out`. Returns the process id.
int startCli(const std::vector<std::string>& args, const fs::path& out);
// Waits for `pid` and returns its exit code (-1 when killed).
int waitCli(int pid);

// Runs `sql` on a database of `driver` (QSQLITE: a file, QPSQL: a connection string) over a
// connection of its own; returns the first value of the first row.
std::string runSql(const char* driver, const std::string& target, const std::string& sql);

class ArchiveTest : public TempDirTest, public ::testing::WithParamInterface<Backend> {
  protected:
    void SetUp() override;
    void TearDown() override;

    bool sqlite() const { return GetParam() == Backend::Sqlite; }
    // The archive of this test, opened anew on every call as another program would.
    Archive open() const;
    // korvala-cli's arguments for `args` on this archive: archive --db FILE or --pg CONNINFO.
    std::vector<std::string> cli(std::vector<std::string> args) const;
    // A raw connection to the archive's database, for what the program never does itself;
    // returns the first value of the first row.
    std::string rawSql(const std::string& sql) const;

    std::string target_;  // the SQLite path or the connection string
    std::string database_;
};

std::string backendName(const ::testing::TestParamInfo<Backend>& info);

}  // namespace korvala::archive::test

namespace korvala::archive {
// For GoogleTest's messages.
inline void PrintTo(Backend backend, std::ostream* os) {
    *os << (backend == Backend::Sqlite ? "SQLite" : "PostgreSQL");
}
}  // namespace korvala::archive
