#include "archive/archive_csv.h"

#include "archive/archive_text.h"
#include "model/encoding.h"
#include "model/speed.h"
#include "output/csv_export.h"

namespace korvala::archive {

namespace {

// A field that holds the separator, a quote or a line break is quoted, its quotes doubled, so a
// name typed by the user never shifts the columns.
std::string field(std::string_view utf8) {
    const std::string text = utf8ToCp1252(utf8);
    if (text.find_first_of(";\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

void appendLine(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += kCsvSeparator;
        out += field(fields[i]);
    }
    out += "\r\n";
}

// Empty instead of the lists' dash: a spreadsheet reads an empty cell as no value.
std::string cell(const std::string& text) {
    return text == kNoValue ? std::string() : text;
}

std::string firstDay(const FiledEntry& e) {
    return e.figures.period ? dateText(e.figures.period->firstDay) : std::string();
}

std::string lastDay(const FiledEntry& e) {
    return e.figures.period ? dateText(e.figures.period->lastDay) : std::string();
}

}  // namespace

std::string hotspotsCsv(const std::vector<Hotspot>& ranking) {
    std::string out;
    appendLine(out, {"Rang", "Messstelle", "Straße", "Richtung", "Höchstgeschwindigkeit",
                     "Messung Nr.", "Beginn", "Ende", "v85", "v85 über Höchstgeschwindigkeit",
                     "Anteil über Höchstgeschwindigkeit (%)", "Bewertung"});
    for (const Hotspot& h : ranking) {
        const SiteData& s = h.site.data;
        const FiledFigures& f = h.latest.figures;
        appendLine(out,
                   {std::to_string(h.rank), s.name, s.street, s.direction,
                    std::to_string(s.speedLimit), std::to_string(h.latest.id), firstDay(h.latest),
                    lastDay(h.latest), cell(speedText(f.v85)), decimalText(h.excess),
                    percentNumber(f.shareOver), std::string(verdictText(f.verdict))});
    }
    return out;
}

std::string historyCsv(const SiteRecord& site, const std::vector<FiledEntry>& history) {
    std::string out;
    appendLine(out, {"Messstelle", site.data.name, "Höchstgeschwindigkeit",
                     std::to_string(site.data.speedLimit)});
    appendLine(out, {"Messung Nr.", "Beginn", "Ende", "Tage", "Fahrzeuge", "Fahrzeuge je Tag",
                     "v50", "v85", "Anteil über Höchstgeschwindigkeit (%)", "Bewertung"});
    for (const FiledEntry& e : history) {
        const FiledFigures& f = e.figures;
        appendLine(out, {std::to_string(e.id), firstDay(e), lastDay(e), std::to_string(f.days),
                         std::to_string(f.vehicles), cell(dailyText(f.averageDaily)),
                         cell(speedText(f.v50)), cell(speedText(f.v85)), percentNumber(f.shareOver),
                         std::string(verdictText(f.verdict))});
    }
    return out;
}

}  // namespace korvala::archive
