// The lists of the archive on measurements small enough to check by hand: the figures, the order
// of sites, history and ranking, the CSV files, a changed limit and a comparison.

#include "archive/archive_csv.h"
#include "archive_fixture.h"
#include "model/encoding.h"

namespace korvala::archive::test {

namespace {

// One day of 20 vehicles from `speeds`, begun on `date`: the first at 00:10, the others from
// 08:00 one a minute, the last at 23:50, so the day counts as complete. `second` shifts every
// time, which makes the record lines of an otherwise equal day differ.
std::string daySpt(const std::string& date, const std::vector<int>& speeds, int second = 0) {
    std::string out = "\"spt\",\"Messort\",\"" + date + "\"\r\nBemerkung\r\n<>\r\n\r\n\r\n\r\n";
    for (std::size_t i = 0; i < speeds.size(); ++i) {
        const int minute = i == 0 ? 10 : i + 1 == speeds.size() ? 23 * 60 + 50 : 8 * 60 + int(i);
        char line[64];
        std::snprintf(line, sizeof line, "%zu,%02d:%02d:%02d,%d\r\n", i, minute / 60, minute % 60,
                      second, speeds[i]);
        out += line;
    }
    return out;
}

// Sorted: 10 × 40, 6 × 50, 4 × 60 km/h. v50 is rank 10 (40), v85 rank 17 (60); 4 of 20
// vehicles are faster than 50 km/h.
std::vector<int> mixedSpeeds() {
    return {50, 40, 60, 40, 50, 40, 40, 60, 50, 40, 40, 50, 60, 40, 50, 40, 40, 60, 50, 40};
}

const std::string kInjection = "x'); DROP TABLE sites;--";
const std::string kQuoting = "Ring \"Nord\"; Ost";

class ArchiveLists : public ArchiveTest {
  protected:
    // Site A (the injection, limit 50) measured 2027 with 20 × 30 km/h and, filed second,
    // 2026 with the mixed speeds; site B (limit 30) 2026 with the mixed speeds a second later;
    // site C never measured.
    void fileSamples(Archive& a) {
        SiteData site;
        site.name = kInjection;
        site.street = "Hauptstraße";
        site.direction = "Nord";
        siteA_ = a.addSite(site);
        siteB_ = a.addSite(named(kQuoting, 30));
        a.addSite(SiteData{"Zollweg", "", "", 50, 52.52, 13.405, "Schule"});
        writeBytes(dir_ / "a2027.spt", daySpt("01.06.27", std::vector<int>(20, 30)));
        writeBytes(dir_ / "a2026.spt", daySpt("01.06.26", mixedSpeeds()));
        writeBytes(dir_ / "b2026.spt", daySpt("01.06.26", mixedSpeeds(), 1));
        ASSERT_EQ(a.fileFrom(siteA_, (dir_ / "a2027.spt").string()), 1);
        ASSERT_EQ(a.fileFrom(siteA_, (dir_ / "a2026.spt").string()), 2);
        ASSERT_EQ(a.fileFrom(siteB_, (dir_ / "b2026.spt").string()), 3);
    }
    std::int64_t siteA_ = 0, siteB_ = 0;
};

TEST_P(ArchiveLists, ShowHandCheckedFiguresInTheirOrder) {
    Archive a = open();
    fileSamples(a);

    // German order, case ignored: "Ring" < "x')" < "Zollweg" (bytewise "Z" would come first).
    const std::vector<SiteSummary> sites = a.siteList();
    ASSERT_EQ(sites.size(), 3u);
    EXPECT_EQ(sites[0].site.data.name, kQuoting);
    EXPECT_EQ(sites[1].site.data.name, kInjection);
    EXPECT_EQ(sites[1].site.data.street, "Hauptstraße");
    EXPECT_EQ(sites[2].site.data.name, "Zollweg");
    EXPECT_EQ(sites[2].site.data.latitude, 52.52);
    EXPECT_EQ(sites[1].measurements, 2);
    ASSERT_TRUE(sites[1].latest);
    EXPECT_EQ(sites[1].latest->id, 1) << "the latest period, not the latest filing";
    EXPECT_EQ(sites[1].latest->figures.v85, 30.0);
    EXPECT_EQ(sites[2].measurements, 0);
    EXPECT_FALSE(sites[2].latest);

    // The history oldest first, the ranking without the site never measured: every figure of
    // both is in the CSV lines.
    const std::vector<FiledEntry> history = a.history(siteA_);
    EXPECT_EQ(history.at(0).site.remark, "Bemerkung\r\n");  // as the .spt reopens
    EXPECT_EQ(history[0].source, "a2026.spt");
    EXPECT_EQ(hotspotsCsv(a.hotspots()),
              utf8ToCp1252("Rang;Messstelle;Straße;Richtung;Höchstgeschwindigkeit;Messung Nr.;"
                           "Beginn;Ende;v85;v85 über Höchstgeschwindigkeit;Anteil über "
                           "Höchstgeschwindigkeit (%);Bewertung\r\n"
                           "1;\"Ring \"\"Nord\"\"; Ost\";;;30;3;01.06.2026;01.06.2026;60;30;"
                           "100,0;auffällig\r\n"
                           "2;\"x'); DROP TABLE sites;--\";Hauptstraße;Nord;50;1;01.06.2027;"
                           "01.06.2027;30;-20;0,0;unauffällig\r\n"));
    EXPECT_EQ(historyCsv(a.site(siteA_), history),
              utf8ToCp1252("Messstelle;\"x'); DROP TABLE sites;--\";Höchstgeschwindigkeit;50\r\n"
                           "Messung Nr.;Beginn;Ende;Tage;Fahrzeuge;Fahrzeuge je Tag;v50;v85;"
                           "Anteil über Höchstgeschwindigkeit (%);Bewertung\r\n"
                           "2;01.06.2026;01.06.2026;1;20;20,0;40;60;20,0;auffällig\r\n"
                           "1;01.06.2027;01.06.2027;1;20;20,0;30;30;0,0;unauffällig\r\n"));
}

TEST_P(ArchiveLists, ChangedLimitReevaluatesEveryMeasurementOfTheSite) {
    Archive a = open();
    fileSamples(a);
    SiteData site = a.site(siteA_).data;
    site.speedLimit = 55;
    EXPECT_EQ(a.updateSite(siteA_, site), 2);

    // Reopened, as another workplace would see it.
    Archive again = open();
    std::vector<FiledEntry> history = again.history(siteA_);
    EXPECT_EQ(history[0].figures.limit, 55);
    EXPECT_EQ(history[0].figures.verdict, Verdict::SlightlyRaised);  // v85 60: up to 5 above
    EXPECT_DOUBLE_EQ(history[0].figures.shareOver, 0.2);             // the four at 60
    site.speedLimit = 60;
    again.updateSite(siteA_, site);
    history = again.history(siteA_);
    EXPECT_EQ(history[0].figures.verdict, Verdict::Unremarkable);
    EXPECT_EQ(history[0].figures.shareOver, 0.0);
    EXPECT_EQ(again.hotspots()[1].excess, -30.0);
    EXPECT_EQ(again.history(siteB_)[0].figures.limit, 30) << "other sites keep theirs";
}

TEST_P(ArchiveLists, ComparesTwoFiledMeasurements) {
    Archive a = open();
    fileSamples(a);
    const std::optional<Comparison> c = a.compare(2, 1);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->whole.v85.difference(), -30.0);
    EXPECT_DOUBLE_EQ(*c->whole.shareOver.difference(), -0.2);
    EXPECT_FALSE(a.compare(2, 3)) << "limits 50 and 30 measure different exceedances";
}

INSTANTIATE_TEST_SUITE_P(Backends, ArchiveLists,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres), backendName);

}  // namespace

}  // namespace korvala::archive::test
