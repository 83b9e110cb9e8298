#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include "log_generator.h"
#include "model/measurement_file.h"

namespace korvala {
namespace {

namespace fs = std::filesystem;

std::string joinLines(std::initializer_list<std::string_view> lines,
                      std::string_view end = "\r\n") {
    std::string out;
    for (std::string_view l : lines) {
        out += l;
        out += end;
    }
    return out;
}

Timestamp at(int h, int m, int s) {
    return Timestamp::fromDayAndTime(0, h, m, s);
}

Measurement rec(std::int32_t id, Timestamp t, double speed) {
    return Measurement{id, t, Speed::fromNumber(speed)};
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void spill(const fs::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// ---------------------------------------------------------------------------------------------
// File kinds

TEST(FileKind, LastThreeCharactersCaseSensitive) {
    EXPECT_EQ(fileKindOf("/media/karte/MESS01.log"), FileKind::Log);
    EXPECT_EQ(fileKindOf("daten/Haupt031226.spt"), FileKind::Spt);
    EXPECT_EQ(fileKindOf("x.blog"), FileKind::Log);
    EXPECT_EQ(fileKindOf("log"), FileKind::Log);
    EXPECT_EQ(fileKindOf("MESS01.LOG"), FileKind::Unknown);
    EXPECT_EQ(fileKindOf("a.SPT"), FileKind::Unknown);
    EXPECT_EQ(fileKindOf("a.txt"), FileKind::Unknown);
    EXPECT_EQ(fileKindOf("lo"), FileKind::Unknown);
    EXPECT_EQ(readMeasurementBytes("a.csv", "/03/12/2026/16:17:46,47").outcome,
              LoadOutcome::UnknownKind);
}

// ---------------------------------------------------------------------------------------------
// Device logs

TEST(ReadLog, HundredLinesNumberedZeroToNinetyNine) {
    std::string bytes;
    for (int i = 0; i < 100; ++i) {
        bytes += "/03/12/2026/" + at(10, i / 60, i % 60).timeText() + "," +
                 std::to_string(30 + i % 40) + "\r\n";
    }
    const LoadResult r = readMeasurementBytes("karte.log", bytes);
    ASSERT_EQ(r.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(r.startDate, "03.12.26");
    EXPECT_FALSE(r.location.has_value());
    EXPECT_FALSE(r.remark.has_value());
    ASSERT_EQ(r.records.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(r.records[i], rec(i, at(10, i / 60, i % 60), 30 + i % 40)) << i;
    }
    EXPECT_FALSE(r.formatError);
    EXPECT_FALSE(r.status.has_value());
    EXPECT_EQ(r.linesRejected, 0);
}

TEST(ReadLog, SkippedLinesGetNoIndexButFailedLinesUseOneUp) {
    const LoadResult r =
        readMeasurementBytes("x.log", joinLines({
                                          "/03/12/2026/10:00:00,40",  // 0
                                          "",                         // skipped: empty
                                          "abc",                      // skipped: short, no "/"
                                          "10:00:01,50 kmh",          // skipped: no "/"
                                          "/1/2",                     // skipped: four characters
                                          "/03/12/2026/10:00:05,41",  // 1
                                          "/a/b/",  // 2: shorter than the prefix, element not made
                                          "/03/12/2026/10:00:07,xx",  // 3: speed 0, no failure
                                          "/03/12/2026/nope,42",      // 4: bad time
                                          "/03/12/2026/10:00:09,43",  // 5
                                      }));
    ASSERT_EQ(r.outcome, LoadOutcome::Loaded);
    ASSERT_EQ(r.records.size(), 6u);
    EXPECT_EQ(r.records[0], rec(0, at(10, 0, 0), 40));
    EXPECT_EQ(r.records[1], rec(1, at(10, 0, 5), 41));
    EXPECT_TRUE(r.records[2].isEmpty());
    EXPECT_EQ(r.records[3], rec(3, at(10, 0, 7), 0));
    EXPECT_EQ(r.records[4], (Measurement{4, Timestamp(), Speed()}));
    EXPECT_EQ(r.records[5], rec(5, at(10, 0, 9), 43));
    EXPECT_TRUE(r.formatError);
    EXPECT_EQ(r.status, "Falsches Format!");
    EXPECT_EQ(r.linesRejected, 2);
}

TEST(ReadLog, ShortLastLineDoesNotGrowTheTable) {
    const LoadResult r =
        readMeasurementBytes("x.log", joinLines({"/03/12/2026/10:00:00,40", "/03/12/2026"}));
    EXPECT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.linesRejected, 1);
    EXPECT_FALSE(r.formatError);
    EXPECT_FALSE(r.status.has_value());
}

TEST(ReadLog, TooShortFirstLineStillUsesIndexZero) {
    // The first line only names the date; the first record then lands at index 1.
    const LoadResult r =
        readMeasurementBytes("x.log", joinLines({"/ab", "/03/12/2026/10:00:00,40"}));
    ASSERT_EQ(r.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(r.startDate, "ab");
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_TRUE(r.records[0].isEmpty());
    EXPECT_EQ(r.records[1].id, 1);
    EXPECT_EQ(r.linesRejected, 0);
}

TEST(ReadLog, StartDateRule) {
    auto dateOf = [](std::string_view firstLine) {
        return readMeasurementBytes("x.log", firstLine).startDate.value_or("<unset>");
    };
    EXPECT_EQ(dateOf("/03/12/2026/16:17:46,47"), "03.12.26");
    EXPECT_EQ(dateOf("/20/12/2020/16:17:46,47"), "20.12.20");
    EXPECT_EQ(dateOf("/03/12/1999/16:17:46,47"), "03.12.1999");
    EXPECT_EQ(dateOf("/ 3/12/2026/16:17:46,47"), "3.12.26");
    EXPECT_EQ(dateOf("/"), "");
}

TEST(ReadLog, NotADeviceLog) {
    for (std::string_view bytes :
         {"", "\r\n/03/12/2026/16:17:46,47", " /03/12/2026/16:17:46,47", "03/12/2026/16:17:46,47",
          "\xEF\xBB\xBF/03/12/2026/16:17:46,47"}) {
        const LoadResult r = readMeasurementBytes("x.log", bytes);
        EXPECT_EQ(r.outcome, LoadOutcome::NotDeviceLog);
        EXPECT_TRUE(r.records.empty());
        EXPECT_FALSE(r.startDate.has_value());
        EXPECT_FALSE(r.messageDue());
    }
}

TEST(ReadLog, LineEndsOfEveryKind) {
    const std::string a = "/03/12/2026/10:00:00,40", b = "/03/12/2026/10:00:01,41";
    for (const std::string& bytes :
         {a + "\r\n" + b + "\r\n", a + "\n" + b + "\n", a + "\r" + b + "\r", a + "\r\n" + b,
          a + "\n" + b, a + "\r" + b + "\r\n", a + "\r\n\r\n\n" + b + "\n\n"}) {
        const LoadResult r = readMeasurementBytes("x.log", bytes);
        ASSERT_EQ(r.records.size(), 2u) << bytes;
        EXPECT_EQ(r.records[1], rec(1, at(10, 0, 1), 41));
        EXPECT_EQ(r.linesRejected, 0);
    }
}

TEST(ReadLog, EveryCallStartsFromAnEmptyTable) {
    const std::string big = joinLines({"/03/12/2026/10:00:00,40", "/03/12/2026/10:00:01,41"});
    ASSERT_EQ(readMeasurementBytes("x.log", big).records.size(), 2u);
    EXPECT_EQ(readMeasurementBytes("x.log", "/03/12/2026/10:00:00,40").records.size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// .spt reading

std::string sptWithHeader(std::string_view header) {
    return std::string(header) + "\r\nBemerkung\r\n<>\r\n\r\n\r\n\r\n1,10:00:00,40\r\n";
}

TEST(ReadSpt, HeaderWithAndWithoutQuotes) {
    for (std::string_view header :
         {"\"spt\",\"Ort A\",\"03.12.26\"", "spt,Ort A,03.12.26",
          " \"spt\" , \" Ort A \" ,03.12.26 ", "spt,\"Ort\" A,\"03.12\".26"}) {
        const LoadResult r = readMeasurementBytes("m.spt", sptWithHeader(header));
        ASSERT_EQ(r.outcome, LoadOutcome::Loaded) << header;
        EXPECT_EQ(r.location, "Ort A") << header;
        EXPECT_EQ(r.startDate, "03.12.26") << header;
        EXPECT_EQ(r.remark, "Bemerkung\r\n");
        ASSERT_EQ(r.records.size(), 1u);
        EXPECT_EQ(r.records[0], rec(1, at(10, 0, 0), 40));
    }
}

TEST(ReadSpt, MissingHeaderFieldsStayUnset) {
    LoadResult r = readMeasurementBytes("m.spt", sptWithHeader("spt,Ort A"));
    EXPECT_EQ(r.location, "Ort A");
    EXPECT_FALSE(r.startDate.has_value());
    r = readMeasurementBytes("m.spt", sptWithHeader("spt,"));
    EXPECT_EQ(r.location, "");
    r = readMeasurementBytes("m.spt", sptWithHeader("spt,A,03.12.26,extra,fields"));
    EXPECT_EQ(r.location, "A");
    EXPECT_EQ(r.startDate, "03.12.26");
}

TEST(ReadSpt, BrokenHeaderIsWrongFormat) {
    for (std::string_view header :
         {"", "spt", ",spt,A,B", "\"SPT\",A,B", "spt2,A,B", "s pt,A,B", "log,A,B"}) {
        const LoadResult r = readMeasurementBytes("m.spt", sptWithHeader(header));
        EXPECT_EQ(r.outcome, LoadOutcome::WrongFormat) << header;
        EXPECT_TRUE(r.messageDue());
        EXPECT_TRUE(r.records.empty());
        EXPECT_FALSE(r.location.has_value());
    }
}

TEST(ReadSpt, EndOfFileBeforeMarkerIsWrongFormat) {
    for (std::string_view bytes :
         {"spt,A,B", "spt,A,B\r\n", "spt,A,B\r\nnur Bemerkung\r\n", "spt,A,B\r\n<\r\n>\r\n"}) {
        const LoadResult r = readMeasurementBytes("m.spt", bytes);
        EXPECT_EQ(r.outcome, LoadOutcome::WrongFormat) << bytes;
        EXPECT_FALSE(r.location.has_value());
        EXPECT_FALSE(r.remark.has_value());
    }
}

TEST(ReadSpt, RemarkBlockRules) {
    auto remarkOf = [](std::string_view block) {
        const std::string bytes = "spt,A,B\r\n" + std::string(block) + "\r\n\r\n\r\n";
        return readMeasurementBytes("m.spt", bytes).remark.value_or("<unset>");
    };
    EXPECT_EQ(remarkOf("X\r\n<>"), "X\r\n");
    EXPECT_EQ(remarkOf("X\r\n\r\n<>"), "X");
    EXPECT_EQ(remarkOf("A\r\nB\r\n<>"), "A\r\nB\r\n");
    EXPECT_EQ(remarkOf("A\r\n\r\nB\r\n<>"), "AB\r\n");
    EXPECT_EQ(remarkOf("\r\n<>"), "\r\n");
    EXPECT_EQ(remarkOf("<>"), "");
    EXPECT_EQ(remarkOf("   X   \r\n<>"), "X   \r\n");
    EXPECT_EQ(remarkOf("Ende: <>"), "Ende:");         // the marker may close a text line
    EXPECT_EQ(remarkOf("a <> b\r\nweiter"), "a <>");  // the last four characters go, not "<>"
    EXPECT_EQ(remarkOf("A\nB\n<>"), "A\r\nB\r\n");    // LF-only files get CR LF in the remark
}

TEST(ReadSpt, HeaderHoldingTheMarkerEndsTheRemarkBlockAtOnce) {
    // The header is the line last read when the block starts, so nothing is collected and the
    // remark is not set; the next three lines are skipped as usual.
    const LoadResult r = readMeasurementBytes(
        "m.spt", joinLines({"spt,Ort <> A,B", "skip1", "skip2", "skip3", "1,10:00:00,40"}));
    ASSERT_EQ(r.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(r.location, "Ort <> A");
    EXPECT_FALSE(r.remark.has_value());
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.records[0].id, 1);
}

TEST(ReadSpt, RecordLinesRunningIndex) {
    const LoadResult r = readMeasurementBytes(
        "m.spt", joinLines({"spt,A,B", "<>", "9,10:00:00,40", "", "", "1,10:00:00,40", "a,b",
                            "keinkomma", "x,10:00:01,40", "7,bad,41", "9,10:00:03,0",
                            "12,03.12.2026 10:00:04,44", "y,,,,"}));
    ASSERT_EQ(r.outcome, LoadOutcome::Loaded);
    ASSERT_EQ(r.records.size(), 6u);
    EXPECT_EQ(r.records[0], rec(1, at(10, 0, 0), 40));
    EXPECT_TRUE(r.records[1].isEmpty());
    EXPECT_EQ(r.records[2], (Measurement{7, Timestamp(), Speed()}));
    EXPECT_EQ(r.records[3], rec(9, at(10, 0, 3), 0));
    EXPECT_EQ(r.records[4], rec(12, *Timestamp::parse("03.12.2026 10:00:04"), 44));
    EXPECT_TRUE(r.records[5].isEmpty());  // failed on its number, but the table grew to it
    EXPECT_EQ(r.linesRejected, 3);
    EXPECT_TRUE(r.formatError);
    EXPECT_EQ(r.status, "Falsches Format!");
}

TEST(ReadSpt, SiteTextsAreDecodedFromWindows1252) {
    const LoadResult r = readMeasurementBytes("m.spt",
                                              "\"spt\",\"Hauptstra\xDF"
                                              "e\",\"03.12.26\"\r\nGr\xFC\xDF"
                                              "e \x80\r\n<>\r\n");
    EXPECT_EQ(r.location, "Hauptstraße");
    EXPECT_EQ(r.remark, "Grüße €\r\n");
}

// ---------------------------------------------------------------------------------------------
// .spt writing

TEST(WriteSpt, ExactBytes) {
    const Site site{"Hauptstraße, Nord", "03.12.26", "Grüße\r\nÄrger"};
    const Table records = {
        rec(1, at(16, 17, 46), 47),
        rec(2, at(16, 17, 50), 0),               // no vehicle
        Measurement{3, at(16, 18, 0), Speed()},  // empty speed
        rec(4, *Timestamp::parse("04.12.2026 00:00:05"), 47.5),
        rec(5, at(16, 19, 0), -3),
        rec(6, *Timestamp::parse("04.12.2026"), 0.5),  // counts as 0
        rec(-7, at(0, 0, 0), 120),
    };
    EXPECT_EQ(sptContent(site, records),
              "\"spt\",\"Hauptstra\xDF"
              "e; Nord\",\"03.12.26\"\r\n"
              "Gr\xFC\xDF"
              "e\r\n\xC4rger\r\n"
              "<>\r\n\r\n\r\n\r\n"
              "1,16:17:46,47\r\n"
              "4,04.12.2026 00:00:05,47,5\r\n"
              "-7,00:00:00,120\r\n");
}

TEST(WriteSpt, NoVehiclesGivesOnlyTheHead) {
    const Table records = {rec(1, at(1, 0, 0), 0), Measurement{}};
    EXPECT_EQ(sptContent(Site{"A", "B", ""}, records),
              "\"spt\",\"A\",\"B\"\r\n\r\n<>\r\n\r\n\r\n\r\n");
}

TEST(WriteSpt, ReadBackKeepsSiteAndVehicles) {
    Table records;
    for (int i = 0; i < 50; ++i)
        records.push_back(rec(i * 3, at(8, i, i), i % 7 == 0 ? 0 : 20 + i));
    const Site site{"A,B \"Ecke\" Süd", "03.12.26", "Zeile eins\r\nZeile zwei"};
    const LoadResult r = readMeasurementBytes("m.spt", sptContent(site, records));
    ASSERT_EQ(r.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(r.location,
              "A;B Ecke Süd");  // the writer does not escape quotes, the reader drops them
    EXPECT_EQ(r.startDate, "03.12.26");
    EXPECT_EQ(r.remark, "Zeile eins\r\nZeile zwei\r\n");
    Table vehicles;
    for (const Measurement& m : records) {
        if (m.counts())
            vehicles.push_back(m);
    }
    EXPECT_EQ(r.records, vehicles);
    EXPECT_EQ(r.linesRejected, 0);
}

TEST(WriteSpt, RemarkSettlesAfterOneMoreSave) {
    // X is read back with a line end; saving that adds an empty line, which reading removes.
    Site site{"Ort", "03.12.26", "X"};
    std::string remark = readMeasurementBytes("m.spt", sptContent(site, {})).remark.value();
    EXPECT_EQ(remark, "X\r\n");
    site.remark = remark;
    remark = readMeasurementBytes("m.spt", sptContent(site, {})).remark.value();
    EXPECT_EQ(remark, "X");
}

TEST(WriteSpt, CharactersOutsideWindows1252BecomeQuestionMarks) {
    const std::string bytes = sptContent(Site{"Łódź", "03.12.26", ""}, {});
    EXPECT_EQ(bytes.substr(0, 13),
              "\"spt\",\"?\xF3"
              "d?\",");
}

// ---------------------------------------------------------------------------------------------
// Default file name

TEST(DefFileName, Examples) {
    EXPECT_EQ(createDefFileName("Hauptstraße", "03.12.26"), "Haupt031226");
    EXPECT_EQ(createDefFileName("ABC", "03.12.26"), "ABC031226");
    EXPECT_EQ(createDefFileName(" Hauptweg", "03.12.26"), "Haup031226");
    EXPECT_EQ(createDefFileName("Äußer", "03.12.26"), "Äußer031226");
    EXPECT_EQ(createDefFileName("Ort  ", " 03.12.26 "), "Ort   031226");
    EXPECT_EQ(createDefFileName("", ""), "");
    EXPECT_EQ(createDefFileName("    ", "..."), "");
}

// ---------------------------------------------------------------------------------------------
// Hostile input: any bytes give a defined result.

void expectConsistent(const LoadResult& r, bool log) {
    if (r.outcome != LoadOutcome::Loaded) {
        EXPECT_TRUE(r.records.empty());
        EXPECT_FALSE(r.formatError);
        return;
    }
    EXPECT_EQ(r.formatError, r.status.has_value());
    if (!log)
        return;
    for (std::size_t i = 0; i < r.records.size(); ++i) {
        const Measurement& m = r.records[i];
        EXPECT_TRUE(m.isEmpty() || m.id == static_cast<std::int32_t>(i)) << i;
    }
}

TEST(HostileInput, NulBytesAndBinary) {
    const char raw[] = "/03/12/2026/16:17:46,47\0\r\n/03/12/2026/16:17\0:47,48\r\n";
    const std::string nul(raw, sizeof raw - 1);
    LoadResult r = readMeasurementBytes("x.log", nul);
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(r.records[0], rec(0, at(16, 17, 46), 47));
    EXPECT_TRUE(r.formatError);

    gen::Rng rng(42);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(static_cast<std::size_t>(rng.below(2000)), '\0');
        for (char& c : bytes)
            c = static_cast<char>(rng.below(256));
        if (round % 2 == 0 && !bytes.empty())
            bytes[0] = '/';
        if (round % 3 == 0)
            bytes = "spt,A,B\r\n" + bytes + "\r\n<>\r\n" + bytes;
        expectConsistent(readMeasurementBytes("x.log", bytes), true);
        expectConsistent(readMeasurementBytes("x.spt", bytes), false);
    }
}

TEST(HostileInput, MegabyteLines) {
    const std::string huge(2'000'000, '9');
    LoadResult r = readMeasurementBytes("x.log", "/" + huge + "\r\n/03/12/2026/16:17:46," + huge);
    ASSERT_EQ(r.outcome, LoadOutcome::Loaded);
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(r.records[1].speed.number(), std::numeric_limits<double>::max());
    EXPECT_EQ(r.linesRejected, 1);

    r = readMeasurementBytes("x.spt", "spt,A," + huge + "\r\n" + huge + "<>\r\n\r\n\r\n\r\n" +
                                          "1,16:17:46," + huge + "\r\n" + huge + "," + huge);
    ASSERT_EQ(r.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(r.startDate->size(), huge.size());
    EXPECT_EQ(r.remark->size(), huge.size());
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(r.linesRejected, 1);
}

TEST(HostileInput, HugeRecordNumbersAndIndexes) {
    const LoadResult r = readMeasurementBytes(
        "x.spt", joinLines({"spt,A,B", "<>", "", "", "", "2147483647,10:00:00,40",
                            "-2147483648,10:00:00,40", "2147483648,10:00:00,40"}));
    ASSERT_EQ(r.records.size(), 3u);
    EXPECT_EQ(r.records[0].id, 2147483647);
    EXPECT_EQ(r.records[1].id, -2147483647 - 1);
    EXPECT_TRUE(r.records[2].isEmpty());
}

TEST(HostileInput, BlankLinesReserveNothing) {
    // Ten million line ends: the table must not be sized by them.
    const std::string blank(10'000'000, '\n');
    const LoadResult r = readMeasurementBytes("x.spt", "spt,A,B\n<>\n" + blank);
    EXPECT_EQ(r.outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(r.records.empty());
    EXPECT_LT(r.records.capacity(), 2'000'000u);
}

TEST(HostileInput, TableBeyondMemoryIsReportedNotFatal) {
    // Every five-character line with "/" uses up an index; one good line at the end makes the
    // table that long. Under an address-space limit the reader must say so instead of dying.
    std::string bytes = "/03/12/2026/10:00:00,40\n";
    for (int i = 0; i < 4'000'000; ++i)
        bytes += "/////\n";
    bytes += "/03/12/2026/10:00:01,41\n";
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &old), 0);
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    rlimit tight = old;
    tight.rlim_cur = pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) + (48u << 20);
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &tight), 0);
    LoadResult r;
    try {
        r = readMeasurementBytes("x.log", bytes);
    } catch (...) {
        ::setrlimit(RLIMIT_AS, &old);
        FAIL() << "exception escaped the reader";
    }
    ::setrlimit(RLIMIT_AS, &old);
    EXPECT_EQ(r.outcome, LoadOutcome::NotReadable);
    EXPECT_FALSE(r.systemError.empty());
    EXPECT_TRUE(r.records.empty());
}

// ---------------------------------------------------------------------------------------------
// Real files on disk

class FileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("korvala-model-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, ec);
        fs::remove_all(dir, ec);
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
    }
    fs::path dir;
};

TEST_F(FileTest, ShippedSamplesLoadCleanly) {
    const LoadResult log = readMeasurementFile(KORVALA_DATA_DIR "/sample-7tage.log");
    ASSERT_EQ(log.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(log.startDate, "01.12.26");
    EXPECT_GT(log.records.size(), 10000u);
    EXPECT_EQ(log.linesRejected, 0);
    EXPECT_EQ(log.records.back().id, static_cast<std::int32_t>(log.records.size()) - 1);

    const LoadResult spt = readMeasurementFile(KORVALA_DATA_DIR "/sample.spt");
    ASSERT_EQ(spt.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(spt.location, "Hauptstraße 12");
    EXPECT_EQ(spt.linesRejected, 0);
    EXPECT_FALSE(spt.records.empty());
}

TEST_F(FileTest, UnreadablePaths) {
    LoadResult r = readMeasurementFile((dir / "fehlt.log").string());
    EXPECT_EQ(r.outcome, LoadOutcome::NotReadable);
    EXPECT_FALSE(r.systemError.empty());
    fs::create_directory(dir / "ordner.spt");
    r = readMeasurementFile((dir / "ordner.spt").string());
    EXPECT_EQ(r.outcome, LoadOutcome::NotReadable);
    EXPECT_FALSE(r.systemError.empty());
    ASSERT_EQ(::mkfifo((dir / "rohr.log").c_str(), 0600), 0);  // no writer: must not block
    r = readMeasurementFile((dir / "rohr.log").string());
    EXPECT_EQ(r.outcome, LoadOutcome::NotReadable);
    spill(dir / "riesig.log", "/03/12/2026/10:00:00,40\r\n");
    fs::resize_file(dir / "riesig.log", (std::uintmax_t{1} << 31) + 1);  // sparse, costs no disk
    r = readMeasurementFile((dir / "riesig.log").string());
    EXPECT_EQ(r.outcome, LoadOutcome::NotReadable);
    EXPECT_FALSE(r.systemError.empty());
    spill(dir / "a.txt", "/03/12/2026/10:00:00,40");
    EXPECT_EQ(readMeasurementFile((dir / "a.txt").string()).outcome, LoadOutcome::UnknownKind);
}

TEST_F(FileTest, WriteReplacesAndReadsBack) {
    const fs::path target = dir / "Haupt031226.spt";
    spill(target, "alter Inhalt, viel länger als der neue .......................");
    const Site site{"Hauptstraße", "03.12.26", "Bemerkung"};
    const Table records = {rec(0, at(14, 0, 1), 51), rec(1, at(14, 0, 9), 38)};
    std::string error;
    ASSERT_TRUE(writeFileBytes(target.string(), sptContent(site, records), &error)) << error;
    EXPECT_EQ(slurp(target), sptContent(site, records));
    EXPECT_EQ(entries(), 1u);  // no temporary file left behind
    const LoadResult r = readMeasurementFile(target.string());
    EXPECT_EQ(r.location, "Hauptstraße");
    EXPECT_EQ(r.records, records);
}

TEST_F(FileTest, WriteIntoMissingFolderFails) {
    std::string error;
    EXPECT_FALSE(writeFileBytes((dir / "fehlt" / "x.spt").string(), "abc", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(dir / "fehlt"));
}

TEST_F(FileTest, WriteOverAFolderFailsAndLeavesNoTrace) {
    fs::create_directory(dir / "x.spt");
    std::string error;
    EXPECT_FALSE(writeFileBytes((dir / "x.spt").string(), "abc", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(dir / "x.spt"));
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FileTest, ReadOnlyFolderKeepsTheOldFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write into read-only folders";
    const fs::path target = dir / "x.spt";
    spill(target, "alt");
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    std::string error;
    EXPECT_FALSE(writeFileBytes(target.string(), "neu", &error));
    EXPECT_FALSE(error.empty());
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(slurp(target), "alt");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FileTest, FullDiskKeepsTheOldFile) {
    // A file-size limit makes writes fail with EFBIG the way a full disk fails them, for root too.
    const fs::path target = dir / "x.spt";
    spill(target, "alter Inhalt");
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool ok = writeFileBytes(target.string(), std::string(100'000, 'x'), &error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(slurp(target), "alter Inhalt");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FileTest, NewFileIsAnOrdinaryDocument) {
    const fs::path target = dir / "neu.spt";
    ASSERT_TRUE(writeFileBytes(target.string(), "x"));
    const auto perms = fs::status(target).permissions();
    EXPECT_NE(perms & fs::perms::owner_read, fs::perms::none);
    EXPECT_NE(perms & fs::perms::group_read, fs::perms::none);
}

}  // namespace
}  // namespace korvala
