// The lists of the archive: sites, a site's history, the hotspots and one entry. They read only
// the figure columns, never a stored measurement, so they stay fast however large the archive.

#include <QCollator>
#include <QLocale>
#include <algorithm>

#include "archive/archive.h"
#include "archive/database.h"
#include "archive/rows.h"

namespace korvala::archive {

namespace {

// Names in German dictionary order (umlauts beside their vowels, case ignored), whichever
// backend stored them and whatever the machine's locale.
class NameOrder {
  public:
    NameOrder() : collator_(QLocale(QLocale::German, QLocale::Germany)) {
        collator_.setCaseSensitivity(Qt::CaseInsensitive);
    }
    bool operator()(const std::string& a, const std::string& b) const {
        const int c = collator_.compare(qs(a), qs(b));
        return c != 0 ? c < 0 : a < b;
    }

  private:
    QCollator collator_;
};

}  // namespace

std::vector<SiteSummary> Archive::siteList() const {
    // The latest measurement of a site is the one with the latest period; of two with the same
    // period (or none), the one filed last.
    QSqlQuery q = db_->run(
        QStringLiteral("SELECT %1, (SELECT COUNT(*) FROM measurements c WHERE c.site_id = s.id), "
                       "%2 FROM sites s LEFT JOIN measurements m ON m.id = ("
                       "SELECT l.id FROM measurements l WHERE l.site_id = s.id "
                       "ORDER BY COALESCE(l.first_day, -1) DESC, l.id DESC LIMIT 1)")
            .arg(QLatin1String(kSiteColumns), QLatin1String(kEntryColumns)));
    std::vector<SiteSummary> list;
    while (q.next()) {
        SiteSummary s;
        s.site = siteFrom(q);
        s.measurements = q.value(kSiteColumnCount).toInt();
        if (!q.value(kSiteColumnCount + 1).isNull())
            s.latest = entryFrom(q, kSiteColumnCount + 1);
        list.push_back(std::move(s));
    }
    const NameOrder byName;
    std::sort(list.begin(), list.end(), [&](const SiteSummary& a, const SiteSummary& b) {
        return byName(a.site.data.name, b.site.data.name);
    });
    return list;
}

std::vector<FiledEntry> Archive::history(std::int64_t siteId) const {
    site(siteId);  // an unknown site is an error, not an empty history
    QSqlQuery q =
        db_->run(QStringLiteral("SELECT %1 FROM measurements m JOIN sites s ON s.id = m.site_id "
                                "WHERE m.site_id = ? ORDER BY COALESCE(m.first_day, -1), m.id")
                     .arg(QLatin1String(kEntryColumns)),
                 {qlonglong{siteId}});
    std::vector<FiledEntry> entries;
    while (q.next())
        entries.push_back(entryFrom(q));
    return entries;
}

std::vector<Hotspot> Archive::hotspots() const {
    std::vector<Hotspot> ranking;
    for (SiteSummary& s : siteList()) {
        if (!s.latest || !s.latest->figures.v85)
            continue;
        Hotspot h;
        h.excess = *s.latest->figures.v85 - s.site.data.speedLimit;
        h.site = std::move(s.site);
        h.latest = std::move(*s.latest);
        ranking.push_back(std::move(h));
    }
    // siteList is in name order already; the stable sort keeps it among equals.
    std::stable_sort(ranking.begin(), ranking.end(), [](const Hotspot& a, const Hotspot& b) {
        if (a.excess != b.excess)
            return a.excess > b.excess;
        return a.latest.figures.shareOver > b.latest.figures.shareOver;
    });
    for (std::size_t i = 0; i < ranking.size(); ++i)
        ranking[i].rank = static_cast<int>(i) + 1;
    return ranking;
}

FiledEntry Archive::entry(std::int64_t id) const {
    QSqlQuery q = db_->run(QStringLiteral("SELECT %1 FROM measurements m JOIN sites s ON "
                                          "s.id = m.site_id WHERE m.id = ?")
                               .arg(QLatin1String(kEntryColumns)),
                           {qlonglong{id}});
    if (!q.next())
        throw ArchiveError(ErrorKind::NotFound,
                           "Im Archiv gibt es keine Messung Nr. " + std::to_string(id) + ".");
    return entryFrom(q);
}

}  // namespace korvala::archive
