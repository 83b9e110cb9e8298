#include "ui/archive_lists.h"

#include "archive/archive_text.h"
#include "model/timestamp.h"
#include "output/figure_text.h"
#include "output/report/figure_qt.h"

namespace korvala::ui {

namespace {

using archive::FiledEntry;
using archive::FiledFigures;

struct ColumnSpec {
    const char* header;
    bool right;
    double widthMm;
};

ArchiveRows withColumns(std::initializer_list<ColumnSpec> columns) {
    ArchiveRows r;
    for (const ColumnSpec& c : columns) {
        r.headers << QString::fromUtf8(c.header);
        r.rightAligned.push_back(c.right);
        r.widthsMm.push_back(c.widthMm);
    }
    r.verdictColumn = static_cast<int>(columns.size()) - 1;
    return r;
}

// Without a vehicle there is no share to speak of.
std::string shareText(const FiledFigures& f) {
    return f.vehicles > 0 ? percentText(f.shareOver) : std::string(kNoValue);
}

QStringList cells(std::initializer_list<std::string> texts) {
    QStringList out;
    for (const std::string& t : texts)
        out << qText(t);
    return out;
}

report::ArchiveList listOf(const ArchiveRows& rows, QString title, QStringList facts,
                           const QString& today) {
    report::ArchiveList list;
    list.title = std::move(title);
    list.facts = std::move(facts);
    for (int c = 0; c < rows.headers.size(); ++c) {
        const auto k = static_cast<std::size_t>(c);
        list.columns.push_back({rows.headers[c], rows.widthsMm[k], rows.rightAligned[k]});
    }
    list.rows = rows.rows;
    list.verdictColumn = rows.verdictColumn;
    list.verdicts = rows.verdicts;
    list.footer = QStringLiteral("Korvala-Archiv, Stand ") + today;
    return list;
}

}  // namespace

ArchiveRows siteRows(const std::vector<archive::SiteSummary>& sites) {
    ArchiveRows r = withColumns({{"Messstelle", false, 0},
                                 {"Höchstgeschwindigkeit", true, 0},
                                 {"Messungen", true, 0},
                                 {"Letzte Messung", false, 0},
                                 {"v85", true, 0},
                                 {"Bewertung", false, 0}});
    for (const archive::SiteSummary& s : sites) {
        const FiledFigures* f = s.latest ? &s.latest->figures : nullptr;
        r.rows.push_back(cells(
            {s.site.data.name, limitText(s.site.data.speedLimit), std::to_string(s.measurements),
             archive::periodText(f ? f->period : std::nullopt),
             speedText(f ? f->v85 : std::nullopt), verdictLabel(f ? f->verdict : Verdict::None)}));
        r.verdicts.push_back(f ? f->verdict : Verdict::None);
    }
    return r;
}

ArchiveRows historyRows(const std::vector<FiledEntry>& history, int limit) {
    const std::string over = "über " + limitText(limit);
    ArchiveRows r = withColumns({{"Nr.", true, 9},
                                 {"Zeitraum", false, 42},
                                 {"Fahrzeuge", true, 21},
                                 {"je Tag", true, 14},
                                 {"v50", true, 10},
                                 {"v85", true, 10},
                                 {over.c_str(), true, 19},
                                 {"Quelle", false, 25},
                                 {"Bewertung", false, 22}});
    for (const FiledEntry& e : history) {
        const FiledFigures& f = e.figures;
        r.rows.push_back(cells(
            {std::to_string(e.id), archive::periodText(f.period), std::to_string(f.vehicles),
             archive::dailyText(f.averageDaily), speedText(f.v50), speedText(f.v85), shareText(f),
             e.source.empty() ? std::string(kNoValue) : e.source, verdictLabel(f.verdict)}));
        r.verdicts.push_back(f.verdict);
    }
    return r;
}

ArchiveRows hotspotRows(const std::vector<archive::Hotspot>& ranking) {
    ArchiveRows r = withColumns({{"Rang", true, 10},
                                 {"Messstelle", false, 40},
                                 {"zulässig", true, 16},
                                 {"v85", true, 11},
                                 {"v85 darüber", true, 15},
                                 {"Anteil darüber", true, 17},
                                 {"Letzte Messung", false, 39},
                                 {"Bewertung", false, 24}});
    for (const archive::Hotspot& h : ranking) {
        const FiledFigures& f = h.latest.figures;
        r.rows.push_back(
            cells({std::to_string(h.rank), h.site.data.name, limitText(h.site.data.speedLimit),
                   speedText(f.v85), archive::excessText(h.excess), shareText(f),
                   archive::periodText(f.period), verdictLabel(f.verdict)}));
        r.verdicts.push_back(f.verdict);
    }
    return r;
}

std::vector<report::TrendPoint> trendPoints(const std::vector<FiledEntry>& history) {
    std::vector<report::TrendPoint> points;
    for (const FiledEntry& e : history) {
        const FiledFigures& f = e.figures;
        if (!f.period || !f.v85)
            continue;
        const Timestamp first = Timestamp::fromDayAndTime(f.period->firstDay, 0, 0, 0);
        // The middle of the days measured, the last one counted whole.
        points.push_back({static_cast<double>(f.period->firstDay + f.period->lastDay + 1) / 2,
                          qText(first.shortDateText()), *f.v85, f.shareOver, f.verdict});
    }
    return points;
}

report::ArchiveList historyList(const archive::SiteRecord& site,
                                const std::vector<FiledEntry>& history, const QString& today) {
    const archive::SiteData& s = site.data;
    QStringList facts = {QStringLiteral("Zulässige Höchstgeschwindigkeit: ") +
                         qText(limitText(s.speedLimit))};
    if (!s.street.empty() || !s.direction.empty())
        facts << QString::fromStdString(s.street) +
                     (s.direction.empty()
                          ? QString()
                          : QStringLiteral(", Richtung ") + QString::fromStdString(s.direction));
    facts << QStringLiteral("Messungen im Archiv: %1").arg(history.size());
    report::ArchiveList list = listOf(
        historyRows(history, s.speedLimit),
        QStringLiteral("Verlauf der Messstelle ") + QString::fromStdString(s.name), facts, today);
    list.trend = trendPoints(history);
    list.limit = s.speedLimit;
    return list;
}

report::ArchiveList hotspotList(const std::vector<archive::Hotspot>& ranking,
                                const QString& today) {
    return listOf(hotspotRows(ranking), QStringLiteral("Brennpunkte"),
                  {QString::fromUtf8("Jede Messstelle mit ihrer letzten Messung, geordnet nach "
                                     "dem Abstand ihrer v85 zur zulässigen Höchstgeschwindigkeit."),
                   qText(kRuleVerdict)},
                  today);
}

}  // namespace korvala::ui
