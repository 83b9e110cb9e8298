#pragma once
// The archive's lists as rows of text: the sites, a site's history and the hotspots, the same in
// the archive window's tables and on its PDF pages. Every figure is written by the program's
// figure texts, so a v85 reads here as it does on the Analyse page of the opened measurement.

#include <QString>
#include <QStringList>

#include <vector>

#include "archive/archive_types.h"
#include "output/report/archive_pages.h"

namespace korvala::ui {

struct ArchiveRows {
    QStringList headers;
    std::vector<bool> rightAligned;  // by column: numbers stand right
    std::vector<double> widthsMm;    // by column, on paper
    std::vector<QStringList> rows;
    std::vector<Verdict> verdicts;  // by row
    int verdictColumn = -1;
};

// Name, limit, number of measurements, last period, its v85 and verdict.
ArchiveRows siteRows(const std::vector<archive::SiteSummary>& sites);
// One row per measurement, oldest first; the share is the one over `limit`.
ArchiveRows historyRows(const std::vector<archive::FiledEntry>& history, int limit);
// Rank, site, limit, latest v85 and how far above, the share over, the period, the verdict.
ArchiveRows hotspotRows(const std::vector<archive::Hotspot>& ranking);

// The measurements of a history that can be placed on the trend: a period and a v85.
std::vector<report::TrendPoint> trendPoints(const std::vector<archive::FiledEntry>& history);

// The PDF pages of a site's history with its trend, and of the ranking; `today` ("dd.mm.yy")
// dates them.
report::ArchiveList historyList(const archive::SiteRecord& site,
                                const std::vector<archive::FiledEntry>& history,
                                const QString& today);
report::ArchiveList hotspotList(const std::vector<archive::Hotspot>& ranking, const QString& today);

}  // namespace korvala::ui
