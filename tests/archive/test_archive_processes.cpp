// The archive as korvala-cli uses it, in real processes: killed in the middle of an import, two
// programs filing at once, a disk that runs full, and what the command line prints and returns.

#include <signal.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "archive_fixture.h"

namespace korvala::archive::test {

namespace {

using Processes = ArchiveTest;

// `count` program-written .spt files of `records` records each in `folder`, seeds from
// `firstSeed` on.
std::vector<fs::path> sptFiles(const fs::path& folder, int firstSeed, int count,
                               std::int64_t records) {
    fs::create_directories(folder);
    std::vector<fs::path> files;
    for (int i = 0; i < count; ++i) {
        files.push_back(folder / ("woche" + std::to_string(i + 1) + ".spt"));
        std::ofstream(files.back(), std::ios::binary)
            << weekSpt(static_cast<std::uint64_t>(firstSeed + i), records);
    }
    return files;
}

// Every filed measurement is, byte for byte, its source file in the folder named after its site
// under `root`; returns the sources.
std::multiset<std::string> checkEveryEntryWhole(const Archive& a, const fs::path& root) {
    std::multiset<std::string> sources;
    for (const SiteSummary& s : a.siteList())
        for (const FiledEntry& e : a.history(s.site.id)) {
            EXPECT_EQ(a.sptBytes(e.id), readBytes(root / s.site.data.name / e.source)) << e.source;
            sources.insert(e.source);
        }
    return sources;
}

TEST_P(Processes, KilledImportLeavesEveryFileWholeOrAbsent) {
    sptFiles(dir / "Markt", 1, 8, 15000);
    open().addSite(named("Markt"));
    const std::vector<std::string> import = cli({"import", path("Markt"), "--site", "Markt"});
    for (const int ms : {40, 120, 250}) {
        const int pid = startCli(import, dir / "import.out");
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        ::kill(pid, SIGKILL);
        waitCli(pid);
        const std::multiset<std::string> filed = checkEveryEntryWhole(open(), dir);
        EXPECT_EQ(std::set<std::string>(filed.begin(), filed.end()).size(), filed.size());
        if (sqlite()) {
            EXPECT_EQ(rawSql("PRAGMA integrity_check"), "ok");
        }
    }
    const CliRun rest = runCli(import, dir);
    EXPECT_EQ(rest.code, 0) << rest.err;
    EXPECT_EQ(checkEveryEntryWhole(open(), dir).size(), 8u);
}

TEST_P(Processes, TwoProgramsFilingAtOnceLoseNothing) {
    // Both start on an archive that does not exist yet, and both folders hold one file alike.
    sptFiles(dir / "Nord", 10, 5, 4000);
    sptFiles(dir / "Süd", 20, 5, 4000);
    write("Nord/beide.spt", weekSpt(99, 4000));
    write("Süd/beide.spt", weekSpt(99, 4000));
    const int a = startCli(cli({"import", path("Nord"), "--site", "Nord"}), dir / "nord.out");
    const int b = startCli(cli({"import", path("Süd"), "--site", "Süd"}), dir / "sued.out");
    EXPECT_EQ(waitCli(a), 0) << readBytes(dir / "nord.out.err");
    EXPECT_EQ(waitCli(b), 0) << readBytes(dir / "sued.out.err");

    const std::multiset<std::string> sources = checkEveryEntryWhole(open(), dir);
    EXPECT_EQ(sources.size(), 11u);
    EXPECT_EQ(sources.count("beide.spt"), 1u);
}

TEST_P(Processes, CommandLineSaysWhatHappenedWithItsExitCodes) {
    const std::string log = write("w.log", weekLog(5, 3000));
    CliRun r = runCli(cli({"add", log, "--site", "Markt", "--limit", "30"}), dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Abgelegt: Nr. 1 der Messstelle \"Markt\" (01.12.2026 – 07.12.2026)\n");
    EXPECT_EQ(r.err, "Neue Messstelle \"Markt\" angelegt (Höchstgeschwindigkeit 30 km/h).\n");

    r = runCli(cli({"add", write("v.log", weekLog(6, 3000)), "--site", "Markt", "--limit", "40"}),
               dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err,
              "Höchstgeschwindigkeit der Messstelle \"Markt\" von 30 auf 40 km/h geändert, 1 "
              "Messung neu ausgewertet.\n");

    r = runCli(cli({"add", log, "--site", "Neu"}), dir);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Fehler: Diese Messung ist bereits im Archiv: Nr. 1 der Messstelle "
                         "\"Markt\""),
              std::string::npos)
        << r.err;

    r = runCli(cli({"sites", "--json"}), dir);
    ASSERT_EQ(r.code, 0) << r.err;
    const nlohmann::json sites = nlohmann::json::parse(r.out);
    ASSERT_EQ(sites.size(), 1u) << "the site made for the refused file is gone again";
    EXPECT_EQ(sites[0]["name"], "Markt");
    EXPECT_EQ(sites[0]["latest"]["limit"], 40);
    EXPECT_EQ(sites[0]["latest"]["from"], "01.12.2026");

    r = runCli(cli({"export", "1", "-o", path("export.spt")}), dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readBytes(path("export.spt")), open().sptBytes(1));

    const struct {
        std::vector<std::string> args;
        int code;
    } failures[] = {
        {{"history", "Unbekannt"}, 1},
        {{"show", "7"}, 1},
        {{"remove", "7"}, 1},
        {{"export", "1", "-o", path("fehlt/x.spt")}, 3},
        {{"add", path("fehlt.log"), "--site", "Markt"}, 2},
    };
    for (const auto& f : failures) {
        r = runCli(cli(f.args), dir);
        EXPECT_EQ(r.code, f.code) << f.args[0] << ": " << r.err;
        EXPECT_EQ(r.err.rfind("Fehler: ", 0), 0u) << r.err;
    }
    EXPECT_EQ(runCli({"archive", "sites"}, dir).code, 1) << "neither --db nor --pg";

    r = runCli(cli({"remove", "1"}), dir);
    EXPECT_EQ(r.code, 0) << r.err;
    r = runCli(cli({"history", "Markt", "--json"}), dir);
    const nlohmann::json left = nlohmann::json::parse(r.out)["measurements"];
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]["id"], 2);
}

INSTANTIATE_TEST_SUITE_P(Backends, Processes, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         backendName);

// A small disk of its own in a private mount namespace: root may mount there, another user
// where the kernel allows user namespaces.
using FullDisk = TempDirTest;

TEST_F(FullDisk, GivesAMessageAndTheArchiveStaysReadable) {
    const std::string unshare = ::geteuid() == 0 ? "unshare -m" : "unshare -rm";
    if (std::system((unshare + " true 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no private mount namespace on this machine";
    const std::vector<fs::path> files = sptFiles(dir / "Markt", 1, 8, 15000);
    fs::create_directories(dir / "voll");
    fs::create_directories(dir / "kopie");
    // Each file is filed by its own process; the archive is copied out before the disk goes.
    const std::string script =
        write("voll.sh", "set -u; cd '" + dir.string() +
                             "'; mount -t tmpfs -o size=640k tmpfs voll || exit 97\n"
                             "for f in Markt/*.spt; do " KORVALA_CLI
                             " archive --db voll/a.sqlite add \"$f\" --site Markt >/dev/null "
                             "2>>err; echo $? >>codes; done\ncp voll/a.sqlite* kopie/\n");
    ASSERT_EQ(std::system((unshare + " sh '" + script + "'").c_str()), 0) << readBytes(dir / "err");

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
    EXPECT_EQ(checkEveryEntryWhole(copy, dir).size(), filed);
}

}  // namespace

}  // namespace korvala::archive::test
