// The user's files under careless and hostile use: output named like the input, links, owners,
// permissions, long names, full disks, blank lines, site texts the .spt cannot hold, lines that
// fail to parse. Real files; where permissions matter korvala-cli runs as an unprivileged user.

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>

#include "model/measurement_file.h"
#include "test_support.h"

namespace korvala::test {
namespace {

const std::string kLog = "/03/12/2026/08:00:00,45\r\n/03/12/2026/09:00:00,55\r\n";
constexpr uid_t kNobody = 65534;

class FileSafety : public TempDirTest {
  protected:
    void SetUp() override {
        TempDirTest::SetUp();
        log = write("m.log", kLog);
    }
    // korvala-cli in the C locale; as nobody when `unprivileged` and the test runs as root.
    int cli(const std::string& args, bool unprivileged = false) {
        const bool drop = unprivileged && ::geteuid() == 0;
        const std::string cmd =
            std::string("LC_ALL=C ") +
            (drop ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "") + KORVALA_CLI " " +
            args + " >" + (dir / "out").string() + " 2>" + (dir / "err").string();
        const int status = std::system(cmd.c_str());
        err = readBytes(dir / "err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string log;
    std::string err;
};

TEST_F(FileSafety, AnOutputThatIsTheInputIsRefused) {
    fs::create_symlink("m.log", dir / "verweis.csv");
    fs::create_hard_link(log, dir / "zweit.csv");
    for (const std::string cmd : {"csv --site Ort", "rtf", "spt --site Ort"}) {
        for (const fs::path& out :
             {fs::path(log), dir / "." / "m.log", dir / "verweis.csv", dir / "zweit.csv"}) {
            EXPECT_EQ(cli(cmd + " " + log + " -o " + out.string()), 3) << cmd << out;
            EXPECT_NE(err.find("ist die Messdatei, aus der gelesen wird"), std::string::npos)
                << err;
        }
    }
    EXPECT_EQ(readBytes(log), kLog);
}

TEST_F(FileSafety, ARewriteKeepsLinksOwnerAndMode) {
    fs::create_directory(dir / "ziel");
    write("ziel/a.spt", "alt");
    fs::create_symlink("ziel/a.spt", dir / "kette.spt");  // relative, and a link to a link
    fs::create_symlink("kette.spt", dir / "verweis.spt");
    fs::create_symlink("ziel/neu.spt", dir / "offen.spt");  // dangling
    fs::create_hard_link(dir / "ziel" / "a.spt", dir / "zweit.spt");
    write("x.spt", "alt");
    ::chmod((dir / "x.spt").c_str(), 0640);
    const bool root = ::geteuid() == 0;
    ASSERT_TRUE(!root || ::chown((dir / "x.spt").c_str(), kNobody, kNobody) == 0);
    const std::string longName = std::string(227, 'a') + "ääääääääääää.spt";  // 255 bytes
    for (const std::string& name : {std::string("verweis.spt"), std::string("offen.spt"),
                                    std::string("x.spt"), longName, longName})
        ASSERT_TRUE(writeFileBytes((dir / name).string(), "neu " + name)) << name;
    EXPECT_TRUE(fs::is_symlink(dir / "verweis.spt") && fs::is_symlink(dir / "offen.spt"));
    EXPECT_EQ(readBytes(dir / "zweit.spt"), "neu verweis.spt");  // the hard link shares it
    EXPECT_EQ(readBytes(dir / "ziel" / "neu.spt"), "neu offen.spt");
    EXPECT_EQ(readBytes(dir / longName), "neu " + longName);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "x.spt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_uid, root ? kNobody : ::geteuid());
    EXPECT_EQ(entries(), 8u);  // no temporary file left
}

// A write the disk cannot take fails before the old content is touched: in place for a file with
// two names, through a temporary file that goes again for a file with one.
TEST_F(FileSafety, AFullDiskLeavesTheOldFileWhole) {
    fs::create_hard_link(log, dir / "zweit.log");
    const std::string single = write("einzeln.log", kLog);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string errors[2];
    const bool linked = writeFileBytes(log, std::string(100'000, 'x'), &errors[0]);
    const bool alone = writeFileBytes(single, std::string(100'000, 'x'), &errors[1]);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(linked || alone);
    for (const std::string& error : errors)
        EXPECT_NE(error.find(": Die Datei ist zu groß"), std::string::npos) << error;
    EXPECT_EQ(readBytes(dir / "zweit.log"), kLog);
    EXPECT_EQ(readBytes(single), kLog);
    EXPECT_EQ(entries(), 3u);  // no temporary file left
}

TEST_F(FileSafety, PermissionsDecideAsForAPlainOpen) {
    const fs::path own = dir / "eigen";  // the unprivileged user's folder
    fs::create_directory(own);
    write("eigen/nurlesen.csv", "alt");
    write("eigen/fremd.csv", "alt");
    const bool root = ::geteuid() == 0;
    for (const fs::path& p : {own, own / "nurlesen.csv"})
        ASSERT_TRUE(!root || ::chown(p.c_str(), kNobody, kNobody) == 0);
    ::chmod((own / "nurlesen.csv").c_str(), 0444);
    EXPECT_EQ(cli("csv --site Ort " + log + " -o " + (own / "nurlesen.csv").string(), true), 3);
    EXPECT_NE(err.find(": Keine Berechtigung"), std::string::npos) << err;
    EXPECT_EQ(readBytes(own / "nurlesen.csv"), "alt");
    if (!root)
        GTEST_SKIP() << "another user's file needs root to set up";
    // root's file that everyone may write: written, and it stays root's.
    ::chmod((own / "fremd.csv").c_str(), 0666);
    EXPECT_EQ(cli("csv --site Ort " + log + " -o " + (own / "fremd.csv").string(), true), 0);
    struct stat st {};
    ASSERT_EQ(::stat((own / "fremd.csv").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_NE(readBytes(own / "fremd.csv"), "alt");
    EXPECT_EQ(std::distance(fs::directory_iterator(own), {}), 2);  // no temporary file left
}

TEST(SptSiteTexts, WhatWouldNotComeBackIsNamed) {
    const std::pair<Site, const char*> cases[] = {
        {{"Hauptstraße 12", "03.12.26", "Zeile 1\r\nZeile 2"}, nullptr},
        {{" Ort ", "03.12.26", "\r\nText  \r\n"}, nullptr},  // blanks and empty lines around
        {{"Ort", "03.12.26", "Absatz 1\r\n\r\nAbsatz 2"}, "\nBemerkung: \"Absatz 1Absatz 2\""},
        {{"Haupt\r\nstraße", "03.12.26", ""}, "\nMessort: \"Haupt\" statt \"Haupt ↵ straße\""},
        {{"Ort", "03.12.26\n04.12.26", ""}, "\nBeginn der Messung: \"03.12.26\" statt"},
        {{"Ort", "03.12.26", "a\r\nx <> y\r\nb"}, "\nBemerkung: \"a ↵ x <>\" statt"},
        {{"Ort <>", "03.12.26", "Text"}, "\nBemerkung: \"\" statt \"Text\""},
        {{"B 27, \"Nord\"", "03.12.26", ""}, "\nMessort: \"B 27; Nord\""},
        {{"Łódź", "03.12.26", ""}, "\nMessort: \"?ód?\""},
    };
    for (const auto& [site, named] : cases) {
        const std::string warning = sptSiteLossText(site);
        if (named == nullptr)
            EXPECT_EQ(warning, "") << site.location;
        else
            EXPECT_NE(warning.find(named), std::string::npos) << warning;
    }
    // Reading removes every double CR LF: the lines around an empty one are joined.
    EXPECT_EQ(sptSiteAfterReopen({"Ort", "03.12.26", "A\r\n\r\nB"}).remark, "AB\r\n");
}

TEST_F(FileSafety, CliReportsRejectedLinesAndSiteTextsOnStderr) {
    write("m.log", kLog + "/03/12/2026/xx:00:00,50\r\n/03/12/2026/\r\n");
    const std::string out = " -o " + (dir / "ausgabe").string();
    for (const std::string& cmd :
         {std::string("report"), "csv --site Ort" + out, "rtf" + out, "spt --site Ort" + out}) {
        EXPECT_EQ(cli(cmd + " " + log), 0) << cmd;
        EXPECT_EQ(err, "Falsches Format! 2 Zeilen konnten nicht gelesen werden.\n") << cmd;
    }
    EXPECT_EQ(cli("spt " + log + " --site 'Haupt\nstraße'" + out), 0);
    EXPECT_NE(err.find("\nWarnung: Die .spt-Datei kann nicht alles so aufnehmen"),
              std::string::npos)
        << err;
}

}  // namespace
}  // namespace korvala::test
