// Filing measurements: what is kept (the .spt, byte for byte), what counts as the same content,
// importing a folder, and archives the program must not touch.

#include "archive_fixture.h"
#include "session/session.h"

namespace korvala::archive::test {

namespace {

using Filing = ArchiveTest;

TEST_P(Filing, DeviceLogAndTheSptSavedFromItAreOneMeasurement) {
    const std::string log = write("woche.log", weekLog(7));
    // The .spt as the window saves it after opening the log: through korvala-cli's Session.
    const CliRun saved = runCli({"spt", log, "--site", "Ringstraße", "-o", path("woche.spt")}, dir);
    ASSERT_EQ(saved.code, 0) << saved.err;
    const std::string spt = readBytes(path("woche.spt"));

    Archive a = open();
    const std::int64_t ring = a.addSite(named("Ringstraße"));
    const std::int64_t other = a.addSite(named("Anderswo"));
    const std::int64_t id = a.fileFrom(ring, log);
    EXPECT_EQ(a.sptBytes(id), spt) << "a log is kept as the .spt saved from it";
    for (const std::int64_t site : {ring, other}) {
        try {
            a.fileFrom(site, path("woche.spt"));
            ADD_FAILURE() << "the same records were filed twice";
        } catch (const ArchiveError& e) {
            EXPECT_EQ(e.kind(), ErrorKind::Duplicate);
            EXPECT_EQ(e.id(), id);
            EXPECT_EQ(std::string(e.what()),
                      "Diese Messung ist bereits im Archiv: Nr. " + std::to_string(id) +
                          " der Messstelle \"Ringstraße\" (01.12.2026 – 07.12.2026).");
        }
    }

    // Removed, the same content may be filed again; a .spt is kept exactly as it was.
    a.remove(id);
    EXPECT_TRUE(a.history(ring).empty());
    const std::int64_t again = a.fileFrom(other, path("woche.spt"));
    EXPECT_EQ(a.sptBytes(again), spt);
    const ReopenedMeasurement reopened = a.reopen(again);
    const LoadResult direct = readMeasurementFile(path("woche.spt"));
    EXPECT_EQ(reopened.load.records, direct.records);
    EXPECT_EQ(reopened.load.location, direct.location);
    EXPECT_EQ(reopened.name, "Rings011226.spt");
}

TEST_P(Filing, KeepsWhatTheWindowHoldsAndRefusesWhatItCouldNotReopen) {
    Session session(todayDateText());
    ASSERT_EQ(session.openFile(write("woche.log", weekLog(8))).outcome, LoadOutcome::Loaded);
    applySiteEdits(session, SiteEdits{"Am Markt", std::nullopt, "vor dem Umbau\nSüdseite"},
                   "01.01.26");
    Archive a = open();
    const std::int64_t site = a.addSite(named("Markt"));
    const std::int64_t id = a.file(site, session);
    EXPECT_EQ(a.sptBytes(id), session.sptBytes());
    const FiledEntry e = a.entry(id);
    EXPECT_EQ(e.site.remark, "vor dem Umbau\r\nSüdseite\r\n");  // as the .spt reopens
    EXPECT_EQ(e.source, "woche.log");
    EXPECT_LT(e.storedSize * 2, e.sptSize) << "kept compressed";

    const Table noVehicles = readMeasurementBytes("x.log", "/01/12/2026/10:00:00,0\r\n").records;
    const Table oneVehicle = readMeasurementBytes("x.log", "/01/12/2026/10:00:00,50\r\n").records;
    const struct {
        Site site;
        const Table* records;
        ErrorKind kind;
    } refused[] = {
        {Site{"Markt", "01.12.26", ""}, &noVehicles, ErrorKind::Unreadable},
        {Site{"Markt", "01.12.26", "Zeile\r\n<>\r\n1,10:00:00,99"}, &oneVehicle,
         ErrorKind::Invalid},
    };
    for (const auto& c : refused) {
        try {
            a.file(site, c.site, *c.records);
            ADD_FAILURE() << c.site.remark;
        } catch (const ArchiveError& error) {
            EXPECT_EQ(error.kind(), c.kind) << error.what();
        }
    }
    EXPECT_EQ(a.history(site).size(), 1u);
    // Records a device transfer left in the window: no file, no location typed yet.
    const std::int64_t transferred = a.file(site, Site{"", "01.12.26", ""}, oneVehicle);
    EXPECT_EQ(a.entry(transferred).source, "");
    EXPECT_EQ(a.entry(transferred).site.location, "Markt") << "the site names the place";
}

TEST_P(Filing, ImportsAFolderSkippingWhatItCannotFile) {
    for (int seed : {1, 2, 3})
        write("woche" + std::to_string(seed) + ".log", weekLog(seed, 2000));
    // "woche1" once more, as the .spt saved from it, and a broken .spt.
    const LoadResult woche1 = readMeasurementBytes("x.log", weekLog(1, 2000));
    write("woche4.spt", sptContent(Site{"Kopie", *woche1.startDate, ""}, woche1.records));
    write("woche5.spt", "kein Messprotokoll\r\n");
    write("notiz.txt", "nicht ablegen");
    fs::create_directory(dir / "unterordner.log");

    Archive a = open();
    const std::int64_t site = a.addSite(named("Markt"));
    std::vector<int> seen;
    ImportReport first = a.importFolder(site, dir.string(), [&](const ImportItem&, int done, int) {
        seen.push_back(done);
        return done < 2;
    });
    EXPECT_TRUE(first.cancelled);
    EXPECT_EQ(first.total, 5);
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    EXPECT_EQ(first.count(ImportOutcome::Filed), 2);

    const ImportReport second = a.importFolder(site, dir.string());
    ASSERT_EQ(second.items.size(), 5u);
    const ImportOutcome expected[] = {ImportOutcome::AlreadyFiled, ImportOutcome::AlreadyFiled,
                                      ImportOutcome::Filed, ImportOutcome::AlreadyFiled,
                                      ImportOutcome::Unreadable};
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(second.items[i].outcome, expected[i]) << second.items[i].file;
    EXPECT_EQ(second.items[3].id, first.items[0].id) << "the .spt repeats woche1.log";
    EXPECT_EQ(second.items[4].message, "\"" + path("woche5.spt") + "\": Falsches Format!");
    EXPECT_EQ(a.history(site).size(), 3u);
}

TEST_P(Filing, NewerArchiveIsRefusedAndLeftAsItIs) {
    open().addSite(named("Markt"));
    rawSql("UPDATE archive_info SET value = '99' WHERE key = 'schema_version'");
    const std::string before = sqlite() ? readBytes(target_) : std::string();
    try {
        open();
        ADD_FAILURE() << "a newer archive was opened";
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::NotArchive);
        EXPECT_EQ(std::string(e.what()),
                  "Das Archiv hat die Version 99, dieses Programm kennt nur die Versionen bis 1. "
                  "Es bleibt unverändert; bitte eine neuere Version von Korvala verwenden.");
    }
    if (sqlite()) {
        EXPECT_EQ(readBytes(target_), before);
    }
    // Put back, it opens as before.
    rawSql("UPDATE archive_info SET value = '1' WHERE key = 'schema_version'");
    EXPECT_EQ(open().siteList().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Backends, Filing, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         backendName);

// SQLite files that are no archive of ours.
using ForeignFile = TempDirTest;

TEST_F(ForeignFile, IsRefusedWithAMessageAndNotTouched) {
    const std::string good = path("gut.sqlite");
    {
        Archive a = Archive::openFile(good);
        a.fileFrom(a.addSite(named("Markt")), write("w.log", weekLog(3, 3000)));
    }
    const std::string archive = readBytes(good);
    std::string headerless = archive;
    headerless.replace(0, 16, "Kein SQLite mehr");
    runSql("QSQLITE", path("fremd.sqlite"), "CREATE TABLE kunden (name TEXT)");
    // A row whose stored measurement no longer unpacks to the size filed with it.
    fs::copy_file(good, path("zeile.sqlite"));
    runSql("QSQLITE", path("zeile.sqlite"), "UPDATE measurements SET spt_size = spt_size + 1");
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"text.sqlite", "Messstelle;v85\r\n", "ist keine Archivdatei oder ist beschädigt"},
        {"kopf.sqlite", headerless, "ist keine Archivdatei oder ist beschädigt"},
        {"fremd.sqlite", readBytes(path("fremd.sqlite")), "ist kein Archiv von Korvala"},
        {"halb.sqlite", archive.substr(0, archive.size() / 2), "beschädigt"},
        {"zeile.sqlite", readBytes(path("zeile.sqlite")),
         "Die Messung Nr. 1 im Archiv ist beschädigt."},
    };
    for (const auto& c : cases) {
        write(c.name, c.bytes);
        try {
            Archive a = Archive::openFile(path(c.name));
            // A cut file may still open: its damage shows when the lost pages are read.
            for (const SiteSummary& s : a.siteList())
                for (const FiledEntry& e : a.history(s.site.id))
                    a.sptBytes(e.id);
            ADD_FAILURE() << c.name << " was read as an archive";
        } catch (const ArchiveError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.name << ": " << e.what();
        }
        EXPECT_EQ(readBytes(path(c.name)), c.bytes) << c.name;
    }
}

TEST(ConnectionString, PasswordsAndSeparatorsAreRefused) {
    for (const auto& [given, passed] : std::vector<std::pair<std::string, std::string>>{
             {"host=/run/postgresql dbname=korvala", "host=/run/postgresql dbname=korvala"},
             {"verkehr", "service=verkehr"},
             {"  service=verkehr ", "service=verkehr"},
             {"host=server options='-c password=x'", "host=server options='-c password=x'"}})
        EXPECT_EQ(postgresConnectOptions(given), passed);
    for (const char* refused : {"host=server password=geheim", "host=server password = 'ge heim'",
                                "host=server;dbname=korvala", ""})
        EXPECT_THROW(postgresConnectOptions(refused), ArchiveError) << refused;
}

}  // namespace

}  // namespace korvala::archive::test
