// The lists of the archive on measurements small enough to check by hand: the figures, the order
// of sites, history and ranking, the CSV files, a changed limit and a comparison.
//
// golden/ holds three one-day .spt files of 20 vehicles each, the first at 00:10, the others from
// 08:00 one a minute, the last at 23:50, so each day counts as complete: a2027.spt 20 × 30 km/h;
// a2026.spt and b2026.spt (a second later, so its lines differ) 10 × 40, 6 × 50 and 4 × 60 km/h,
// where v50 is rank 10 (40), v85 rank 17 (60) and 4 of 20 vehicles are faster than 50 km/h. The
// CSV files there are these figures worked out by hand.

#include "archive/archive_csv.h"
#include "archive_fixture.h"

namespace korvala::archive::test {

namespace {

const std::string kInjection = "x'); DROP TABLE sites;--";
const std::string kQuoting = "Ring \"Nord\"; Ost";

using ArchiveLists = ArchiveTest;

// Site A (the injection, limit 50) measured 2027 and, filed second, 2026; site B (limit 30) 2026;
// site C never measured.
TEST_P(ArchiveLists, ShowHandCheckedFiguresInTheirOrderAndFollowTheLimit) {
    Archive a = open();
    const std::int64_t siteA =
        a.addSite(SiteData{kInjection, "Hauptstraße", "Nord", 50, {}, {}, ""});
    const std::int64_t siteB = a.addSite(named(kQuoting, 30));
    a.addSite(SiteData{"Zollweg", "", "", 50, 52.52, 13.405, "Schule"});
    ASSERT_EQ(a.fileFrom(siteA, goldenPath("a2027.spt", "archive")), 1);
    ASSERT_EQ(a.fileFrom(siteA, goldenPath("a2026.spt", "archive")), 2);
    ASSERT_EQ(a.fileFrom(siteB, goldenPath("b2026.spt", "archive")), 3);

    // German order, case ignored: "Ring" < "x')" < "Zollweg" (bytewise "Z" would come first).
    const std::vector<SiteSummary> sites = a.siteList();
    ASSERT_EQ(sites.size(), 3u);
    EXPECT_EQ(sites[0].site.data.name, kQuoting);
    EXPECT_EQ(sites[1].site.data.name, kInjection);
    EXPECT_EQ(sites[2].site.data.name, "Zollweg");
    EXPECT_EQ(sites[2].site.data.latitude, 52.52);
    EXPECT_EQ(sites[1].measurements, 2);
    ASSERT_TRUE(sites[1].latest);
    EXPECT_EQ(sites[1].latest->id, 1) << "the latest period, not the latest filing";
    EXPECT_EQ(sites[2].measurements, 0);
    EXPECT_FALSE(sites[2].latest);

    // The history oldest first, the ranking without the site never measured: every figure of
    // both is in the CSV files.
    const std::vector<FiledEntry> history = a.history(siteA);
    EXPECT_EQ(history.at(0).site.remark, "Bemerkung\r\n");  // as the .spt reopens
    EXPECT_EQ(history[0].source, "a2026.spt");
    EXPECT_EQ(hotspotsCsv(a.hotspots()), golden("hotspots.csv", "archive"));
    EXPECT_EQ(historyCsv(a.site(siteA), history), golden("history.csv", "archive"));

    const std::optional<Comparison> c = a.compare(2, 1);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->whole.v85.difference(), -30.0);
    EXPECT_DOUBLE_EQ(*c->whole.shareOver.difference(), -0.2);
    EXPECT_FALSE(a.compare(2, 3)) << "limits 50 and 30 measure different exceedances";

    // A changed limit reevaluates every measurement of the site, as another workplace sees it.
    SiteData site = a.site(siteA).data;
    site.speedLimit = 55;
    EXPECT_EQ(a.updateSite(siteA, site), 2);
    Archive again = open();
    EXPECT_EQ(again.history(siteA)[0].figures.limit, 55);
    EXPECT_EQ(again.history(siteA)[0].figures.verdict, Verdict::SlightlyRaised);  // up to 5 over
    EXPECT_DOUBLE_EQ(again.history(siteA)[0].figures.shareOver, 0.2);             // the four at 60
    site.speedLimit = 60;
    again.updateSite(siteA, site);
    EXPECT_EQ(again.history(siteA)[0].figures.verdict, Verdict::Unremarkable);
    EXPECT_EQ(again.history(siteA)[0].figures.shareOver, 0.0);
    EXPECT_EQ(again.hotspots()[1].excess, -30.0);
    EXPECT_EQ(again.history(siteB)[0].figures.limit, 30) << "other sites keep theirs";
}

INSTANTIATE_TEST_SUITE_P(Backends, ArchiveLists,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres), backendName);

}  // namespace

}  // namespace korvala::archive::test
