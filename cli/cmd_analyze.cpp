// analyze: the traffic figures of a whole measurement, as German text for reading or as JSON for
// further processing. The file is opened through a Session exactly as the window opens it, so the
// figures rest on the same days and the same duplicate removal.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "commands.h"
#include "evaluation/analysis.h"
#include "model/speed.h"
#include "output/figure_text.h"
#include "session/session.h"
#include "text_table.h"

namespace korvala::cli {

namespace {

int parseLimit(const std::string& text) {
    const std::optional<int> limit = parseSpeedLimit(text);
    if (!limit)
        fail(kExitUsage, "Fehler: " + speedLimitErrorText(text));
    return *limit;
}

std::string profileText(const SpeedProfile& p, const Exceedance& e, int limit) {
    if (p.vehicles == 0)
        return "  Keine Fahrzeuge.\n";
    std::string out;
    std::size_t captionWidth = 0;
    std::vector<std::pair<std::string, std::string>> lines = {
        {"Fahrzeuge", std::to_string(p.vehicles)},
        {"v15 / v50 / v85 / v95", speedText(p.v15) + " / " + speedText(p.v50) + " / " +
                                      speedText(p.v85) + " / " + speedText(p.v95) + " km/h"},
        {"Mittelwert", speedFixedUnitText(p.mean)},
        {"Standardabweichung", speedFixedUnitText(p.stdDev)},
        {"Pace",
         p.pace ? paceText(p.pace) + ", " + vehiclesAndShareText(p.pace->vehicles, p.pace->share)
                : paceText(p.pace)},
        {"Höchste Geschwindigkeit", speedUnitText(p.vmax)},
        {"Über " + limitText(limit), vehiclesAndShareText(e.over, e.share)}};
    for (const ExceedanceBand& b : e.bands)
        lines.emplace_back("  " + bandCaption(b), vehiclesAndShareText(b.vehicles, b.share));
    lines.emplace_back("Bewertung nach v85", verdictLabel(e.verdict));
    for (const auto& [caption, value] : lines)
        captionWidth = std::max(captionWidth, textWidth(caption));
    for (const auto& [caption, value] : lines)
        out += "  " + padRight(caption, captionWidth) + "  " + value + "\n";
    return out;
}

std::string dayAndHourTables(const Analysis& a);
std::string dataQualityText(const Analysis& a);
std::string rulesText();

std::string analysisText(const Analysis& a, const std::string& file, const std::string& startDate) {
    std::string out;
    out += "Verkehrsanalyse: " + file + "\n";
    out += "Beginn der Messung: " + startDate + "\n";
    out += "Zulässige Höchstgeschwindigkeit: " + std::to_string(a.limit) + " km/h\n\n";

    out += "Gesamte Messung\n";
    out += profileText(a.speeds, a.exceedance, a.limit);

    out += "\nWoche\n";
    TextTable week({"Tag", "Wochentag", "Fahrzeuge", "v50", "v85",
                    "über " + std::to_string(a.limit), "erstes Fz.", "letztes Fz.", "vollständig"},
                   "rlrrrrrrl");
    for (const DayAnalysis& d : a.days)
        week.add({std::to_string(d.day), weekdayText(d.weekday), std::to_string(d.speeds.vehicles),
                  speedText(d.speeds.v50), speedText(d.speeds.v85),
                  exceedanceShareText(d.speeds, d.exceedance), clockText(d.firstVehicle),
                  clockText(d.lastVehicle), d.complete ? "ja" : "nein"});
    out += a.days.empty() ? "  Keine Tage mit Datensätzen.\n" : week.str("  ");
    for (const std::string& line : weekSummaryLines(a))
        out += "  " + line + "\n";

    if (a.speeds.vehicles > 0)
        out += dayAndHourTables(a);

    out += dataQualityText(a);
    out += rulesText();
    return out;
}

std::string dayAndHourTables(const Analysis& a) {
    std::string out = "\nTage\n";
    TextTable days({"Tag", "Fahrzeuge", "v15", "v50", "v85", "v95", "Mittel", "Std.-abw.", "Pace",
                    "vmax", "über " + std::to_string(a.limit), "Bewertung"},
                   "rrrrrrrrrrrl");
    for (const DayAnalysis& d : a.days) {
        const SpeedProfile& p = d.speeds;
        days.add({std::to_string(d.day), std::to_string(p.vehicles), speedText(p.v15),
                  speedText(p.v50), speedText(p.v85), speedText(p.v95), decimalFixed(p.mean, 1),
                  decimalFixed(p.stdDev, 1),
                  p.pace ? decimalText(p.pace->from) + "–" + decimalText(p.pace->from + 10)
                         : std::string(kNoValue),
                  speedText(p.vmax), exceedanceShareText(p, d.exceedance),
                  verdictLabel(d.exceedance.verdict)});
    }
    out += days.str("  ");

    out += "\nFahrzeuge je Stunde (v85 ab " + std::to_string(kMinVehiclesForCellV85) +
           " Fahrzeugen)\n";
    std::vector<std::string> header{"Stunde"};
    for (const DayAnalysis& d : a.days)
        header.push_back("Tag " + std::to_string(d.day));
    TextTable heat(header, "l");
    for (int h = 0; h < 24; ++h) {
        std::vector<std::string> row{hourMinuteText(h * 3600)};
        for (const DayAnalysis& d : a.days) {
            const HourCell& c = d.hours[h];
            row.push_back(std::to_string(c.vehicles) +
                          (c.v85 ? " (" + decimalText(*c.v85) + ")" : ""));
        }
        heat.add(row);
    }
    out += heat.str("  ");
    return out;
}

std::string dataQualityText(const Analysis& a) {
    const DataQuality& q = a.quality;
    std::string out = "\nDatenqualität\n";
    for (const std::string& line : dataQualityLines(q))
        out += "  " + line + "\n";
    out += "  " + gapsHeading() + ":";
    bool anyGap = false;
    for (const DayAnalysis& d : a.days) {
        if (d.gaps.empty())
            continue;
        anyGap = true;
        out += "\n    " + dayGapsText(d);
    }
    out += anyGap ? "\n" : " keine\n";
    out += "  " + implausibleHeading(q.implausibleCount) + "\n";
    for (const SpeedEvent& e : q.implausible)
        out += "    Tag " + std::to_string(e.day) + "  " + clockText(e.second) + "  " +
               padLeft(speedText(e.speed), 4) + " km/h\n";
    if (const std::string cap = implausibleCapText(q); !cap.empty())
        out += "    " + cap + "\n";
    out += "  " + std::string(kTopSpeedsHeading) + ":\n";
    for (std::size_t i = 0; i < q.topSpeeds.size(); ++i) {
        const SpeedEvent& e = q.topSpeeds[i];
        out += "    " + padLeft(std::to_string(i + 1), 2) + ".  " + padLeft(speedText(e.speed), 4) +
               " km/h  Tag " + std::to_string(e.day) + "  " + clockText(e.second) + "\n";
    }
    if (q.topSpeeds.empty())
        out += "    " + std::string(kNoValue) + "\n";
    return out;
}

std::string rulesText() {
    std::string out = "\nRegeln\n";
    for (std::string_view rule : kRuleTexts)
        out += "  " + std::string(rule) + "\n";
    return out;
}

// ---- JSON ----

using Json = nlohmann::ordered_json;

Json opt(const std::optional<double>& v) {
    return v ? Json(*v) : Json(nullptr);
}

Json profileJson(const SpeedProfile& p) {
    Json j;
    j["vehicles"] = p.vehicles;
    j["v15"] = opt(p.v15);
    j["v50"] = opt(p.v50);
    j["v85"] = opt(p.v85);
    j["v95"] = opt(p.v95);
    j["mean"] = opt(p.mean);
    j["stdDev"] = opt(p.stdDev);
    j["vmin"] = opt(p.vmin);
    j["vmax"] = opt(p.vmax);
    j["pace"] = p.pace ? Json{{"from", p.pace->from},
                              {"to", p.pace->from + 10},
                              {"vehicles", p.pace->vehicles},
                              {"share", p.pace->share}}
                       : Json(nullptr);
    return j;
}

Json exceedanceJson(const Exceedance& e) {
    Json bands = Json::array();
    for (const ExceedanceBand& b : e.bands)
        bands.push_back({{"label", b.label}, {"vehicles", b.vehicles}, {"share", b.share}});
    return Json{
        {"over", e.over},
        {"share", e.share},
        {"bands", bands},
        {"verdict", e.verdict == Verdict::None ? Json(nullptr) : Json(verdictText(e.verdict))},
        {"color", e.verdict == Verdict::None ? Json(nullptr) : Json(verdictColor(e.verdict))}};
}

Json eventJson(const SpeedEvent& e) {
    return Json{{"day", e.day}, {"time", clockText(e.second)}, {"speed", e.speed}};
}

Json partialJson(const std::optional<PartialDay>& p) {
    if (!p)
        return nullptr;
    return Json{{"day", p->day},
                {"firstHour", p->firstHour ? Json(*p->firstHour) : Json(nullptr)},
                {"lastHour", p->lastHour ? Json(*p->lastHour) : Json(nullptr)},
                {"partial", p->partial}};
}

Json analysisJson(const Analysis& a, const std::string& file, const std::string& startDate) {
    Json j;
    j["file"] = file;
    j["startDate"] = startDate;
    j["limit"] = a.limit;
    j["measurement"] = {{"speeds", profileJson(a.speeds)},
                        {"exceedance", exceedanceJson(a.exceedance)}};
    Json days = Json::array();
    for (const DayAnalysis& d : a.days) {
        Json hours = Json::array();
        for (const HourCell& c : d.hours)
            hours.push_back({{"vehicles", c.vehicles}, {"v85", opt(c.v85)}});
        Json gaps = Json::array();
        for (const Gap& g : d.gaps)
            gaps.push_back({{"from", clockText(g.from)}, {"to", clockText(g.to)}});
        days.push_back(
            {{"day", d.day},
             {"weekday", d.weekday ? Json(kWeekdayNames[*d.weekday]) : Json(nullptr)},
             {"speeds", profileJson(d.speeds)},
             {"exceedance", exceedanceJson(d.exceedance)},
             {"firstVehicle", d.firstVehicle ? Json(clockText(*d.firstVehicle)) : Json()},
             {"lastVehicle", d.lastVehicle ? Json(clockText(*d.lastVehicle)) : Json()},
             {"complete", d.complete},
             {"hours", hours},
             {"gaps", gaps}});
    }
    j["days"] = days;
    j["week"] = {{"completeDays", a.completeDays},
                 {"averageDaily", opt(a.averageDaily)},
                 {"averageWeekday", opt(a.averageWeekday)},
                 {"averageWeekend", opt(a.averageWeekend)},
                 {"peakHour", a.peakHour ? Json{{"day", a.peakHour->day},
                                                {"hour", a.peakHour->hour},
                                                {"vehicles", a.peakHour->vehicles}}
                                         : Json(nullptr)}};
    const DataQuality& q = a.quality;
    Json implausible = Json::array();
    for (const SpeedEvent& e : q.implausible)
        implausible.push_back(eventJson(e));
    Json top = Json::array();
    for (const SpeedEvent& e : q.topSpeeds)
        top.push_back(eventJson(e));
    j["quality"] = {{"duplicatesDropped", q.duplicatesDropped},
                    {"linesRejected", q.linesRejected},
                    {"firstDay", partialJson(q.firstDay)},
                    {"lastDay", partialJson(q.lastDay)},
                    {"implausibleCount", q.implausibleCount},
                    {"implausible", implausible},
                    {"topSpeeds", top}};
    return j;
}

struct AnalyzeOptions {
    std::string file;
    std::string limit = std::to_string(kDefaultSpeedLimit);
    bool json = false;
};

void runAnalyze(const AnalyzeOptions& o) {
    // The limit is checked first: a wrong call costs no file reading.
    const int limit = parseLimit(o.limit);
    Session session(todayDateText());
    openOrFail(session, o.file);
    const Analysis a = session.analyze(limit);
    const std::string& startDate = session.site().startDate;
    const std::string text = o.json ? analysisJson(a, o.file, startDate).dump(2) + "\n"
                                    : analysisText(a, o.file, startDate);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

void addAnalyzeCommand(CLI::App& app) {
    auto options = std::make_shared<AnalyzeOptions>();
    CLI::App* sub = app.add_subcommand(
        "analyze", "Verkehrsanalyse der ganzen Messung (Perzentile, Überschreitungen, Woche)");
    sub->add_option("FILE", options->file, "Messdatei (.log vom Gerät oder .spt des Programms)")
        ->required();
    sub->add_option("--limit", options->limit,
                    "Zulässige Höchstgeschwindigkeit in km/h (" + std::to_string(kMinSpeedLimit) +
                        " bis " + std::to_string(kMaxSpeedLimit) + ", Vorgabe " +
                        std::to_string(kDefaultSpeedLimit) + ")");
    sub->add_flag("--json", options->json, "Ausgabe als JSON");
    sub->callback([options] { runAnalyze(*options); });
}

}  // namespace korvala::cli
