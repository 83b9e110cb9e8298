// The archive as korvala-cli uses it, in real processes: killed in the middle of an import, two
// programs filing at once, a disk that runs full, and what the command line prints and returns.

#include <signal.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "archive_fixture.h"

namespace korvala::archive::test {

namespace {

using Processes = ArchiveTest;

// `count` program-written .spt files of `records` records each, seeds from `firstSeed` on.
std::vector<fs::path> sptFiles(const fs::path& folder, const std::string& stem, int firstSeed,
                               int count, std::int64_t records) {
    fs::create_directories(folder);
    std::vector<fs::path> files;
    for (int i = 0; i < count; ++i) {
        files.push_back(folder / (stem + std::to_string(i + 1) + ".spt"));
        writeBytes(files.back(), weekSpt(static_cast<std::uint64_t>(firstSeed + i), records));
    }
    return files;
}

// Every filed measurement is its source file, byte for byte; returns the sources.
std::multiset<std::string> checkEveryEntryWhole(const Archive& a, const fs::path& folder) {
    std::multiset<std::string> sources;
    for (const SiteSummary& s : a.siteList())
        for (const FiledEntry& e : a.history(s.site.id)) {
            EXPECT_EQ(a.sptBytes(e.id), readBytes(folder / e.source)) << e.source;
            sources.insert(e.source);
        }
    return sources;
}

TEST_P(Processes, KilledImportLeavesEveryFileWholeOrAbsent) {
    const fs::path folder = dir_ / "karte";
    sptFiles(folder, "woche", 1, 8, 15000);
    open().addSite(named("Markt"));
    const std::vector<std::string> import = cli({"import", folder.string(), "--site", "Markt"});
    for (const int ms : {40, 120, 250}) {
        const int pid = startCli(import, dir_ / "import.out");
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        ::kill(pid, SIGKILL);
        waitCli(pid);
        const std::multiset<std::string> filed = checkEveryEntryWhole(open(), folder);
        EXPECT_EQ(std::set<std::string>(filed.begin(), filed.end()).size(), filed.size());
        if (sqlite()) {
            EXPECT_EQ(rawSql("PRAGMA integrity_check"), "ok");
        }
    }
    const CliRun rest = runCli(import, dir_);
    EXPECT_EQ(rest.code, 0) << rest.err;
    EXPECT_EQ(checkEveryEntryWhole(open(), folder).size(), 8u);
}

TEST_P(Processes, TwoProgramsFilingAtOnceLoseNothing) {
    // Both start on an archive that does not exist yet, and both folders hold one file alike.
    const fs::path north = dir_ / "nord", south = dir_ / "sued";
    sptFiles(north, "n", 10, 5, 4000);
    sptFiles(south, "s", 20, 5, 4000);
    for (const fs::path& folder : {north, south})
        writeBytes(folder / "beide.spt", weekSpt(99, 4000));
    const int a = startCli(cli({"import", north.string(), "--site", "Nord"}), dir_ / "nord.out");
    const int b = startCli(cli({"import", south.string(), "--site", "Süd"}), dir_ / "sued.out");
    EXPECT_EQ(waitCli(a), 0) << readBytes(dir_ / "nord.out.err");
    EXPECT_EQ(waitCli(b), 0) << readBytes(dir_ / "sued.out.err");

    const Archive archive = open();
    std::multiset<std::string> sources;
    for (const SiteSummary& s : archive.siteList())
        for (const FiledEntry& e : archive.history(s.site.id)) {
            const fs::path folder = s.site.data.name == "Nord" ? north : south;
            EXPECT_EQ(archive.sptBytes(e.id), readBytes(folder / e.source));
            sources.insert(e.source);
        }
    EXPECT_EQ(sources.size(), 11u);
    EXPECT_EQ(sources.count("beide.spt"), 1u);
}

TEST_P(Processes, CommandLineSaysWhatHappenedWithItsExitCodes) {
    writeBytes(dir_ / "w.log", weekLog(5, 3000));
    const std::string log = (dir_ / "w.log").string();
    CliRun r = runCli(cli({"add", log, "--site", "Markt", "--limit", "30"}), dir_);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Abgelegt: Nr. 1 der Messstelle \"Markt\" (01.12.2026 – 07.12.2026)\n");
    EXPECT_EQ(r.err, "Neue Messstelle \"Markt\" angelegt (Höchstgeschwindigkeit 30 km/h).\n");

    writeBytes(dir_ / "v.log", weekLog(6, 3000));
    r = runCli(cli({"add", (dir_ / "v.log").string(), "--site", "Markt", "--limit", "40"}), dir_);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err,
              "Höchstgeschwindigkeit der Messstelle \"Markt\" von 30 auf 40 km/h geändert, 1 "
              "Messung neu ausgewertet.\n");

    r = runCli(cli({"add", log, "--site", "Neu"}), dir_);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Fehler: Diese Messung ist bereits im Archiv: Nr. 1 der Messstelle "
                         "\"Markt\""),
              std::string::npos)
        << r.err;

    r = runCli(cli({"sites", "--json"}), dir_);
    ASSERT_EQ(r.code, 0) << r.err;
    const nlohmann::json sites = nlohmann::json::parse(r.out);
    ASSERT_EQ(sites.size(), 1u) << "the site made for the refused file is gone again";
    EXPECT_EQ(sites[0]["name"], "Markt");
    EXPECT_EQ(sites[0]["latest"]["limit"], 40);
    EXPECT_EQ(sites[0]["latest"]["from"], "01.12.2026");

    const CliRun spt =
        runCli({"spt", log, "--site", "Markt", "-o", (dir_ / "w.spt").string()}, dir_);
    ASSERT_EQ(spt.code, 0);
    r = runCli(cli({"export", "1", "-o", (dir_ / "export.spt").string()}), dir_);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readBytes(dir_ / "export.spt"), readBytes(dir_ / "w.spt"));

    const struct {
        std::vector<std::string> args;
        int code;
    } failures[] = {
        {{"history", "Unbekannt"}, 1},
        {{"show", "7"}, 1},
        {{"remove", "7"}, 1},
        {{"export", "1", "-o", (dir_ / "fehlt" / "x.spt").string()}, 3},
        {{"add", (dir_ / "fehlt.log").string(), "--site", "Markt"}, 2},
    };
    for (const auto& f : failures) {
        r = runCli(cli(f.args), dir_);
        EXPECT_EQ(r.code, f.code) << f.args[0] << ": " << r.err;
        EXPECT_EQ(r.err.rfind("Fehler: ", 0), 0u) << r.err;
    }
    EXPECT_EQ(runCli({"archive", "sites"}, dir_).code, 1) << "neither --db nor --pg";

    r = runCli(cli({"remove", "1"}), dir_);
    EXPECT_EQ(r.code, 0) << r.err;
    r = runCli(cli({"history", "Markt", "--json"}), dir_);
    const nlohmann::json left = nlohmann::json::parse(r.out)["measurements"];
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]["id"], 2);
}

INSTANTIATE_TEST_SUITE_P(Backends, Processes, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         backendName);

// A small disk of its own in a private mount namespace: root may mount there, another user
// where the kernel allows user namespaces.
TEST(FullDisk, GivesAMessageAndTheArchiveStaysReadable) {
    const std::string unshare = ::geteuid() == 0 ? "unshare -m" : "unshare -rm";
    if (std::system((unshare + " true 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no private mount namespace on this machine";
    const fs::path dir = fs::temp_directory_path() / ("korvala_full_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const std::vector<fs::path> files = sptFiles(dir / "karte", "woche", 1, 8, 15000);
    fs::create_directories(dir / "voll");
    fs::create_directories(dir / "kopie");
    // Each file is filed by its own process; the archive is copied out before the disk goes.
    std::string script = "set -u; mount -t tmpfs -o size=640k tmpfs '" + (dir / "voll").string() +
                         "' || exit 97; db='" + (dir / "voll" / "a.sqlite").string() + "'; ";
    for (const fs::path& f : files)
        script += std::string(KORVALA_CLI) + " archive --db \"$db\" add '" + f.string() +
                  "' --site Markt >/dev/null 2>>'" + (dir / "err").string() + "'; echo $? >>'" +
                  (dir / "codes").string() + "'; ";
    script += "cp \"$db\"* '" + (dir / "kopie").string() + "/'\n";
    writeBytes(dir / "voll.sh", script);
    const int rc = std::system((unshare + " sh '" + (dir / "voll.sh").string() + "'").c_str());
    ASSERT_EQ(rc, 0) << readBytes(dir / "err");

    std::istringstream codes(readBytes(dir / "codes"));
    std::vector<int> exits{std::istream_iterator<int>(codes), std::istream_iterator<int>()};
    ASSERT_EQ(exits.size(), files.size());
    const auto filed = static_cast<std::size_t>(std::count(exits.begin(), exits.end(), 0));
    EXPECT_GT(filed, 0u);
    EXPECT_LT(filed, files.size()) << "the disk never ran full";
    EXPECT_EQ(static_cast<std::size_t>(std::count(exits.begin(), exits.end(), 3)),
              files.size() - filed);
    EXPECT_NE(readBytes(dir / "err")
                  .find("Fehler: Das Archiv kann nicht geschrieben werden: der "
                        "Datenträger ist voll."),
              std::string::npos)
        << readBytes(dir / "err");

    const Archive copy = Archive::openFile((dir / "kopie" / "a.sqlite").string());
    EXPECT_EQ(checkEveryEntryWhole(copy, dir / "karte").size(), filed);
    fs::remove_all(dir);
}

}  // namespace

}  // namespace korvala::archive::test
