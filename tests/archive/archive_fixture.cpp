#include "archive_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

extern char** environ;

namespace korvala::archive::test {

namespace {

int spawnCli(const std::vector<std::string>& args, const fs::path& out, const fs::path& err) {
    std::vector<std::string> all = {KORVALA_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// The connection string of the test server, empty when no server was started for this run.
std::string pgServer() {
    const char* state = std::getenv("KORVALA_PG_STATE");
    std::ifstream in(state ? state : "");
    for (std::string line; std::getline(in, line);)
        if (line.starts_with("conninfo="))
            return line.substr(std::string_view("conninfo=").size());
    return {};
}

// Runs `sql` on the test server's maintenance database.
void pgAdmin(const std::string& sql) {
    runSql("QPSQL", pgServer() + " dbname=postgres", sql);
}

}  // namespace

// One raw connection at a time, closed again, so no Qt connection outlives a test.
std::string runSql(const char* driver, const std::string& target, const std::string& sql) {
    const QString name = QStringLiteral("korvala-test-raw");
    std::string first;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(driver), name);
        if (QLatin1String(driver) == QLatin1String("QSQLITE"))
            db.setDatabaseName(QString::fromStdString(target));
        else
            db.setConnectOptions(QString::fromStdString(target));
        EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QString::fromStdString(sql))) << q.lastError().text().toStdString();
        if (q.next())
            first = q.value(0).toString().toStdString();
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return first;
}

int startCli(const std::vector<std::string>& args, const fs::path& out) {
    return spawnCli(args, out, out.string() + ".err");
}

int waitCli(int pid) {
    int status = 0;
    if (pid <= 0 || ::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ArchiveTest::SetUp() {
    TempDirTest::SetUp();
    if (sqlite()) {
        target_ = path("archiv.sqlite");
        return;
    }
    if (pgServer().empty())
        GTEST_SKIP() << "Kein PostgreSQL-Testserver (ctest startet ihn mit "
                        "tools/pg-test-server.sh)";
    static std::atomic<int> counter{0};
    database_ = "korvala_test_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    pgAdmin("CREATE DATABASE " + database_);
    target_ = pgServer() + " dbname=" + database_;
}

void ArchiveTest::TearDown() {
    if (!database_.empty())
        pgAdmin("DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)");
    TempDirTest::TearDown();
}

Archive ArchiveTest::open() const {
    return sqlite() ? Archive::openFile(target_) : Archive::openServer(target_);
}

std::vector<std::string> ArchiveTest::cli(std::vector<std::string> args) const {
    args.insert(args.begin(), {"archive", sqlite() ? "--db" : "--pg", target_});
    return args;
}

std::string ArchiveTest::rawSql(const std::string& sql) const {
    return runSql(sqlite() ? "QSQLITE" : "QPSQL", target_, sql);
}

std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Sqlite ? "Sqlite" : "Postgres";
}

}  // namespace korvala::archive::test
