// Reading device logs and .spt files, writing .spt files, and the files on disk.

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include "model/measurement_file.h"
#include "test_support.h"

namespace korvala::test {
namespace {

std::string lines(std::initializer_list<std::string_view> ls) {
    std::string out;
    for (std::string_view l : ls)
        (out += l) += "\r\n";
    return out;
}

LoadResult readLog(std::string_view bytes) {
    return readMeasurementBytes("x.log", bytes);
}
LoadResult readSpt(std::string_view bytes) {
    return readMeasurementBytes("m.spt", bytes);
}

// ---- device logs ----------------------------------------------------------------------------

TEST(ReadLog, LinesAreNumberedByTheirPlaceSkippingNoise) {
    const LoadResult r = readLog(lines({
        "/03/12/2026/10:00:00,40",  // 0
        "",                         // skipped: empty
        "abc",                      // skipped: no "/"
        "10:00:01,50 kmh",          // skipped: no "/"
        "/1/2",                     // skipped: four characters
        "/03/12/2026/10:00:05,41",  // 1
        "/a/b/",                    // 2: shorter than the prefix, no element made
        "/03/12/2026/10:00:07,xx",  // 3: speed 0, no failure
        "/03/12/2026/nope,42",      // 4: bad time
        "/03/12/2026/10:00:09,43",  // 5
    }));
    ASSERT_EQ(r.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(r.startDate, "03.12.26");
    EXPECT_FALSE(r.location || r.remark);
    EXPECT_EQ(r.records,
              (Table{rec(0, 10, 0, 0, 40), rec(1, 10, 0, 5, 41), Measurement{}, rec(3, 10, 0, 7, 0),
                     Measurement{4, {}, Speed()}, rec(5, 10, 0, 9, 43)}));
    EXPECT_TRUE(r.formatError);
    EXPECT_EQ(r.status, "Falsches Format!");
    EXPECT_EQ(r.linesRejected, 2);

    const LoadResult clean = readLog(lines({"/03/12/2026/10:00:00,40", "/03/12/2026"}));
    EXPECT_EQ(clean.records.size(), 1u);  // a short last line does not grow the table
    EXPECT_EQ(clean.linesRejected, 1);
    EXPECT_FALSE(clean.formatError || clean.status);
    // A first line that only names the date still uses index 0.
    const LoadResult shortFirst = readLog(lines({"/ab", "/03/12/2026/10:00:00,40"}));
    EXPECT_EQ(shortFirst.startDate, "ab");
    EXPECT_EQ(shortFirst.records, (Table{Measurement{}, rec(1, 10, 0, 0, 40)}));
}

TEST(ReadLog, StartDateFromTheFirstLineAndWhatIsNoLog) {
    const std::vector<std::pair<std::string, std::string>> dates{{"/03/12/2026", "03.12.26"},
                                                                 {"/20/12/2020", "20.12.20"},
                                                                 {"/03/12/1999", "03.12.1999"},
                                                                 {"/ 3/12/2026", "3.12.26"},
                                                                 {"/", ""}};
    for (const auto& [first, date] : dates)
        EXPECT_EQ(readLog(first).startDate, date) << first;
    for (std::string_view bytes : {"", "\r\n/03/12/2026/16:17:46,47", " /03/12/2026/16:17:46,47",
                                   "\xEF\xBB\xBF/03/12/2026/16:17:46,47"}) {
        const LoadResult r = readLog(bytes);
        EXPECT_EQ(r.outcome, LoadOutcome::NotDeviceLog) << bytes;
        EXPECT_FALSE(r.startDate || r.messageDue() || !r.records.empty());
    }
}

TEST(ReadLog, LineEndsOfEveryKind) {
    const std::string a = "/03/12/2026/10:00:00,40", b = "/03/12/2026/10:00:01,41";
    for (const std::string& bytes :
         {a + "\r\n" + b + "\r\n", a + "\n" + b + "\n", a + "\r" + b + "\r", a + "\r\n" + b,
          a + "\r" + b + "\r\n", a + "\r\n\r\n\n" + b + "\n\n"}) {
        const LoadResult r = readLog(bytes);
        EXPECT_EQ(r.records, (Table{rec(0, 10, 0, 0, 40), rec(1, 10, 0, 1, 41)})) << bytes;
        EXPECT_EQ(r.linesRejected, 0);
    }
}

// ---- .spt files ---------------------------------------------------------------------------

std::string sptWithHeader(std::string_view header) {
    return std::string(header) + "\r\nBemerkung\r\n<>\r\n\r\n\r\n\r\n1,10:00:00,40\r\n";
}

TEST(ReadSpt, HeaderFieldsWithAndWithoutQuotes) {
    struct Case {
        const char* header;
        std::optional<std::string> location, startDate;
    };
    for (const Case& c : {Case{"\"spt\",\"Ort A\",\"03.12.26\"", "Ort A", "03.12.26"},
                          Case{" \"spt\" , \" Ort A \" ,03.12.26 ", "Ort A", "03.12.26"},
                          Case{"spt,\"Ort\" A,\"03.12\".26", "Ort A", "03.12.26"},
                          Case{"spt,Ort A", "Ort A", std::nullopt}, Case{"spt,", "", std::nullopt},
                          Case{"spt,A,03.12.26,extra,fields", "A", "03.12.26"}}) {
        const LoadResult r = readSpt(sptWithHeader(c.header));
        ASSERT_EQ(r.outcome, LoadOutcome::Loaded) << c.header;
        EXPECT_EQ(r.location, c.location) << c.header;
        EXPECT_EQ(r.startDate, c.startDate) << c.header;
        EXPECT_EQ(r.remark, "Bemerkung\r\n");
        EXPECT_EQ(r.records, Table{rec(1, 10, 0, 0, 40)});
    }
}

TEST(ReadSpt, ABrokenHeaderOrNoMarkerIsWrongFormat) {
    for (const std::string& bytes :
         {sptWithHeader(""), sptWithHeader("spt"), sptWithHeader(",spt,A,B"),
          sptWithHeader("\"SPT\",A,B"), sptWithHeader("spt2,A,B"), sptWithHeader("log,A,B"),
          std::string("spt,A,B"), std::string("spt,A,B\r\nnur Bemerkung\r\n"),
          std::string("spt,A,B\r\n<\r\n>\r\n")}) {
        const LoadResult r = readSpt(bytes);
        EXPECT_EQ(r.outcome, LoadOutcome::WrongFormat) << bytes;
        EXPECT_TRUE(r.messageDue());
        EXPECT_FALSE(r.location || r.remark || !r.records.empty());
    }
}

TEST(ReadSpt, RemarkBlockRules) {
    // The marker may close a text line; the last four characters go, not "<>"; LF-only files
    // get CR LF in the remark; the remark is Windows-1252.
    const std::vector<std::pair<std::string, std::string>> cases{
        {"X\r\n<>", "X\r\n"},
        {"X\r\n\r\n<>", "X"},
        {"A\r\n\r\nB\r\n<>", "AB\r\n"},
        {"<>", ""},
        {"   X   \r\n<>", "X   \r\n"},
        {"Ende: <>", "Ende:"},
        {"a <> b\r\nweiter", "a <>"},
        {"A\nB\n<>", "A\r\nB\r\n"},
        {"Gr\374\337e \200\r\n<>", "Grüße €\r\n"}};
    for (const auto& [block, remark] : cases)
        EXPECT_EQ(readSpt("spt,A,B\r\n" + block + "\r\n\r\n\r\n").remark, remark) << block;
    // A header holding the marker ends the block at once: no remark, three lines skipped.
    const LoadResult r = readSpt(lines({"spt,Ort <> A,B", "s1", "s2", "s3", "1,10:00:00,40"}));
    EXPECT_EQ(r.location, "Ort <> A");
    EXPECT_FALSE(r.remark);
    EXPECT_EQ(r.records, Table{rec(1, 10, 0, 0, 40)});
}

TEST(ReadSpt, RecordLinesTakeARunningIndex) {
    const LoadResult r = readSpt(
        lines({"spt,A,B", "<>", "9,10:00:00,40", "", "", "1,10:00:00,40", "a,bc", "keinkomma",
               "x,10:00:01,40", "7,bad,41", "9,10:00:03,0", "12,03.12.2026 10:00:04,44", "y,,,,"}));
    ASSERT_EQ(r.outcome, LoadOutcome::Loaded);
    // The last line failed on its number, but the table grew to it.
    EXPECT_EQ(r.records, (Table{rec(1, 10, 0, 0, 40), Measurement{}, Measurement{7, {}, Speed()},
                                rec(9, 10, 0, 3, 0), rec(12, 10, 0, 4, 44, 46359), Measurement{}}));
    EXPECT_EQ(r.linesRejected, 3);
    EXPECT_TRUE(r.formatError);
    EXPECT_EQ(r.status, "Falsches Format!");
}

TEST(WriteSpt, VehiclesOnlyAndCharactersOutsideWindows1252BecomeQuestionMarks) {
    const Table records = {rec(1, 16, 17, 46, 47),      rec(2, 16, 17, 50, 0),
                           Measurement{3, {}, Speed()}, rec(4, 0, 0, 5, 47.5, 46360),
                           rec(5, 16, 19, 0, -3),       rec(6, 0, 0, 0, 0.5, 46360),
                           rec(-7, 0, 0, 0, 120)};
    EXPECT_EQ(sptContent(Site{"Łódź, Nord", "03.12.26", "Grüße\r\nÄrger"}, records),
              "\"spt\",\"?\363d?; Nord\",\"03.12.26\"\r\nGr\374\337e\r\n\304rger\r\n"
              "<>\r\n\r\n\r\n\r\n"
              "1,16:17:46,47\r\n4,04.12.2026 00:00:05,47,5\r\n-7,00:00:00,120\r\n");
    EXPECT_EQ(sptContent(Site{"A", "B", ""}, {rec(1, 1, 0, 0, 0), Measurement{}}),
              "\"spt\",\"A\",\"B\"\r\n\r\n<>\r\n\r\n\r\n\r\n");
}

// ---- a table beyond memory ---------------------------------------------------------------

TEST(HostileInput, TableBeyondMemoryIsReportedNotFatal) {
    // Every five-character line with "/" uses up an index; one good line at the end makes the
    // table that long. Under an address-space limit the reader must say so instead of dying.
    std::string bytes = "/03/12/2026/10:00:00,40\n";
    for (int i = 0; i < 4'000'000; ++i)
        bytes += "/////\n";
    bytes += "/03/12/2026/10:00:01,41\n";
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &old), 0);
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit tight = old;
    tight.rlim_cur = pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) + (48u << 20);
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &tight), 0);
    LoadResult r;
    bool threw = false;
    try {
        r = readLog(bytes);
    } catch (...) {
        threw = true;
    }
    ::setrlimit(RLIMIT_AS, &old);
    ASSERT_FALSE(threw) << "an exception escaped the reader";
    EXPECT_EQ(r.outcome, LoadOutcome::NotReadable);
    EXPECT_FALSE(r.systemError.empty());
    EXPECT_TRUE(r.records.empty());
}

// ---- files on disk ------------------------------------------------------------------------

using Files = TempDirTest;

TEST_F(Files, TheShippedSamplesLoadCleanly) {
    const LoadResult log = readMeasurementFile(KORVALA_DATA_DIR "/sample-7tage.log");
    EXPECT_EQ(log.records.size(), 15000u);
    EXPECT_EQ(log.linesRejected, 0);
    const LoadResult spt = readMeasurementFile(KORVALA_DATA_DIR "/sample.spt");
    EXPECT_EQ(spt.location, "Hauptstraße 12");
    EXPECT_EQ(spt.records.size(), 240u);
    EXPECT_EQ(spt.linesRejected, 0);
}

TEST_F(Files, WhatCannotBeReadSaysWhy) {
    fs::create_directory(dir / "ordner.spt");
    ASSERT_EQ(::mkfifo(path("rohr.log").c_str(), 0600), 0);  // no writer: must not block
    write("riesig.log", logLine(10, 0, 0, "40"));
    fs::resize_file(dir / "riesig.log", (std::uintmax_t{1} << 31) + 1);  // sparse, costs no disk
    for (const auto& [name, reason] : {std::pair{"fehlt.log", "Datei oder Ordner nicht gefunden"},
                                       {"ordner.spt", "Das ist ein Ordner, keine Datei"},
                                       {"rohr.log", "ein Gerät oder eine Pipe"},
                                       {"riesig.log", ""}}) {
        const LoadResult r = readMeasurementFile(path(name));
        EXPECT_EQ(r.outcome, LoadOutcome::NotReadable) << name;
        EXPECT_FALSE(r.systemError.empty()) << name;
        EXPECT_NE(r.systemError.find(reason), std::string::npos) << r.systemError;
        EXPECT_EQ(loadFailureText(r, name), "Die Datei \"" + std::string(name) +
                                                "\" kann nicht gelesen werden: " + r.systemError);
    }
    EXPECT_EQ(readMeasurementFile(write("a.txt", logLine(10, 0, 0, "40"))).outcome,
              LoadOutcome::UnknownKind);
}

TEST_F(Files, WriteReplacesWholeOrNotAtAll) {
    const std::string target = write("x.spt", "alter Inhalt, viel länger als der neue ......");
    std::string error;
    ASSERT_TRUE(writeFileBytes(target, "neu", &error)) << error;
    EXPECT_EQ(readBytes(target), "neu");
    // A new file is an ordinary document, whatever the temporary file had.
    ASSERT_TRUE(writeFileBytes(path("neu.spt"), "x"));
    EXPECT_EQ(fs::status(path("neu.spt")).permissions(), fs::perms(0644));
    fs::create_directory(dir / "ordner.spt");
    ASSERT_TRUE(fs::is_character_file("/dev/full"));
    for (const auto& [bad, reason] :
         {std::pair{path("fehlt/x.spt"), ""},
          {path("ordner.spt"), ""},
          {"/dev/full", ": Kein Platz mehr auf dem Datenträger"},
          {path(std::string(300, 'n') + ".spt"), ": Der Dateiname ist zu lang"}}) {
        error.clear();
        EXPECT_FALSE(writeFileBytes(bad, "abc", &error)) << bad;
        EXPECT_NE(error.find("konnte nicht geschrieben werden: "), std::string::npos) << error;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
    EXPECT_TRUE(fs::is_directory(dir / "ordner.spt"));
    EXPECT_EQ(entries(), 3u);  // no temporary file left behind
}

}  // namespace
}  // namespace korvala::test
