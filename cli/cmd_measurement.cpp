// report, json, csv, rtf and spt: each opens the file through a Session exactly as the window's
// "Öffnen" does, so what is printed or written is what the window would show or write.

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "commands.h"
#include "model/encoding.h"
#include "model/timestamp.h"
#include "output/rtf_list.h"
#include "session/session.h"

namespace korvala::cli {

namespace {

// The options every subcommand shares: the file and, where it makes sense, the site fields as
// the user would type them after opening it.
struct Inputs {
    std::string file;
    std::string location, startDate, remark;
    CLI::Option* locationOpt = nullptr;
    CLI::Option* startDateOpt = nullptr;
    CLI::Option* remarkOpt = nullptr;
    std::string out;
    int day = 1;

    SiteEdits edits() const {
        SiteEdits e;
        if (locationOpt && locationOpt->count() > 0)
            e.location = location;
        if (startDateOpt && startDateOpt->count() > 0)
            e.startDate = startDate;
        if (remarkOpt && remarkOpt->count() > 0)
            e.remark = remark;
        return e;
    }
};

void addFile(CLI::App* sub, Inputs& in) {
    sub->add_option("FILE", in.file, "Messdatei (.log vom Gerät oder .spt des Programms)")
        ->required();
}

void addSiteOptions(CLI::App* sub, Inputs& in, bool withRemark) {
    in.locationOpt =
        sub->add_option("--site", in.location, "Messort, wie im Feld \"Messort\" eingegeben");
    in.startDateOpt = sub->add_option("--date", in.startDate,
                                      "Beginn der Messung (z. B. 3.12.2026, wird zu dd.mm.yy)");
    if (withRemark)
        in.remarkOpt =
            sub->add_option("--remark", in.remark, "Bemerkung (Zeilenumbrüche werden zu CR LF)");
}

void addOutput(CLI::App* sub, Inputs& in) {
    sub->add_option("-o,--output", in.out, "Zieldatei (wird ersetzt)")->required();
}

// A typed date the window would refuse is a usage error here: checked before the file is read,
// so a bad call costs nothing.
void checkDate(const Inputs& in) {
    if (in.startDateOpt && in.startDateOpt->count() > 0 && !Timestamp::parseDate(in.startDate))
        fail(kExitUsage, "Falsche Datums-Format! \"" + in.startDate +
                             "\" ist kein Datum (erwartet tt.mm.jj, z. B. 03.12.26).");
}

// Checked before anything is read: the output would replace the measurement it is made from.
void refuseOutputOverInput(const Inputs& in) {
    if (isSameFile(in.out, in.file))
        fail(kExitWriteFailed, "Fehler: " + outputIsInputText(in.out));
}

// Open, then type the site fields: the order the window's user follows.
std::unique_ptr<Session> openWithEdits(const Inputs& in) {
    checkDate(in);
    const std::string today = todayDateText();
    auto session = std::make_unique<Session>(today);
    openOrFail(*session, in.file);
    const SiteEdits edits = in.edits();
    if (!edits.empty())
        applySiteEdits(*session, edits, today);
    return session;
}

void writeOut(const std::string& path, std::string_view bytes) {
    std::string error;
    if (!writeFileBytes(path, bytes, &error))
        fail(kExitWriteFailed,
             "Fehler: " +
                 (error.empty() ? "\"" + path + "\" kann nicht geschrieben werden." : error));
}

void printRaw(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// ---- report ----

void runReport(const Inputs& in) {
    auto session = openWithEdits(in);
    const int index = in.day - 1;
    if (!session->dayEnabled()[index]) {
        int found = 0;
        for (bool enabled : session->dayEnabled())
            found += enabled ? 1 : 0;
        fail(kExitUsage, "Fehler: Tag " + std::to_string(in.day) +
                             " ist nicht wählbar, die Messung umfasst " + std::to_string(found) +
                             (found == 1 ? " Tag." : " Tage."));
    }
    if (index > 0)
        session->showDay(index);
    printRaw(session->reportText());
}

// ---- json ----

nlohmann::ordered_json dayJson(const DayReport& r, int index, std::size_t entries) {
    const DayStats& stats = r.stats;
    nlohmann::ordered_json classes = nlohmann::ordered_json::array();
    for (std::size_t j = 0; j < stats.classUpper.size() && j < stats.classCounts.size(); ++j)
        classes.push_back({{"upper", stats.classUpper[j]}, {"count", stats.classCounts[j]}});
    nlohmann::ordered_json hours = nlohmann::ordered_json::array();
    for (int k = 0; k < 24; ++k)
        hours.push_back({{"label", stats.hourLabel[k]}, {"count", stats.hourCount[k]}});
    return {{"day", index + 1},
            {"entries", entries},
            {"vehicles", stats.vehicles},
            {"captions",
             {{"lbl_ds", std::to_string(stats.vehicles)},
              {"lbl_vmin", r.speeds->vmin},
              {"lbl_vmax", r.speeds->vmax},
              {"lbl_dV", r.speeds->avg}}},
            {"classes", std::move(classes)},
            {"hours", std::move(hours)}};
}

void runJson(const Inputs& in) {
    auto session = openWithEdits(in);
    const Session& s = *session;
    nlohmann::ordered_json out;
    out["site"] = {{"location", s.site().location},
                   {"startDate", s.site().startDate},
                   {"remark", s.site().remark}};
    out["records"] = s.records().size();
    out["duplicatesDropped"] = s.duplicatesDropped();
    out["formatError"] = s.formatError();
    out["status"] = s.statusLine();

    // Each day is reported as if the user had opened the file and then clicked that day: a day
    // whose speeds cannot be computed keeps the captions the load left, not the previous day's.
    const SpeedCaptions afterLoad{s.lbl_vmin(), s.lbl_vmax(), s.lbl_dV()};
    NullStatusSink sink;
    nlohmann::ordered_json days = nlohmann::ordered_json::array();
    for (int i = 0; i < kDays; ++i) {
        if (!s.dayEnabled()[i])
            continue;
        const Table& table = s.days()[i];
        DayReport r = dayReport(s.site(), table, i + 1, sink, afterLoad);
        if (!r.speeds)
            r.speeds = afterLoad;
        days.push_back(dayJson(r, i, table.empty() ? 0 : table.size() - 1));
    }
    out["days"] = std::move(days);
    printRaw(out.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n");
}

// ---- files ----

// The window refuses the CSV export and "Speichern unter" until location and start date hold
// two characters each; a device log carries no location, so --site is needed there.
void requireSite(const Session& session) {
    if (!session.siteComplete())
        fail(kExitUsage,
             "Ort oder Datum ist nicht eingegeben! (Messort mit --site angeben, Datum mit --date)");
}

void runCsv(const Inputs& in) {
    refuseOutputOverInput(in);
    auto session = openWithEdits(in);
    requireSite(*session);
    writeOut(in.out, session->csvBytes());
}

void runRtf(const Inputs& in) {
    refuseOutputOverInput(in);
    auto session = openWithEdits(in);
    const std::string document = session->rtfDocument();
    // The list numbers records by the last index; without records there is nothing to list.
    if (document.empty())
        fail(kExitBadFile,
             "Fehler: \"" + in.file + "\" enthält keine Datensätze, es gibt keine Messwertliste.");
    writeOut(in.out, rtfFileContent(document));
}

void runSpt(const Inputs& in) {
    refuseOutputOverInput(in);
    auto session = openWithEdits(in);
    requireSite(*session);
    // The file is written all the same, as the window's "Ja" to the same warning does.
    if (const std::string loss = sptSiteLossText(session->site()); !loss.empty())
        std::cerr << "Warnung: " << loss << '\n';
    writeOut(in.out, session->sptBytes());
}

}  // namespace

void addMeasurementCommands(CLI::App& app) {
    // The option values must outlive parsing: the callbacks run after it.
    auto report = std::make_shared<Inputs>();
    auto json = std::make_shared<Inputs>();
    auto csv = std::make_shared<Inputs>();
    auto rtf = std::make_shared<Inputs>();
    auto spt = std::make_shared<Inputs>();

    CLI::App* sub = app.add_subcommand(
        "report",
        "Report-Seite eines Tages ausgeben (UTF-8, CR LF), wie sie nach dem Öffnen "
        "und der Wahl des Tages im Fenster steht");
    addFile(sub, *report);
    sub->add_option("--day", report->day,
                    "Tag 1 bis 7 (Voreinstellung 1); nur Tage, die Daten erhalten haben")
        ->check(CLI::Range(1, kDays));
    addSiteOptions(sub, *report, true);
    sub->footer(
        "Ein Tag über 1 wird wie ein Klick auf seinen Tag-Knopf nach dem Öffnen gezeigt. "
        "--site, --date und --remark ersetzen, was die Datei angibt, wie vom Benutzer "
        "eingetippt; ein unlesbares Datum ist ein Fehler.\n" +
        std::string(kExitCodesHelp));
    sub->callback([report] { runReport(*report); });

    sub = app.add_subcommand(
        "json",
        "Auswertung als JSON: Messort, Zahl der Datensätze, Duplikate, Statuszeile "
        "und für jeden Tag mit Daten Anzeigen, Klassen und Stunden");
    addFile(sub, *json);
    addSiteOptions(sub, *json, true);
    sub->footer(
        "Felder: site {location, startDate, remark}, records (Datensätze nach dem Entfernen "
        "der Duplikate), duplicatesDropped, formatError, status (Statuszeile), days: je Tag "
        "mit Daten {day, entries, vehicles, captions {lbl_ds, lbl_vmin, lbl_vmax, lbl_dV}, "
        "classes [{upper, count}], hours [{label, count}] (24 Stunden)}. Jeder Tag wird so "
        "gezeigt, als wäre er direkt nach dem Öffnen gewählt worden.\n" +
        std::string(kExitCodesHelp));
    sub->callback([json] { runJson(*json); });

    sub = app.add_subcommand(
        "csv",
        "CSV-Export aller Datensätze schreiben (Windows-1252, CR LF); Messort und Datum "
        "brauchen wie im Programm je zwei Zeichen");
    addFile(sub, *csv);
    addOutput(sub, *csv);
    addSiteOptions(sub, *csv, false);
    sub->callback([csv] { runCsv(*csv); });

    sub = app.add_subcommand("rtf", "RTF-Messwertliste aller Datensätze schreiben");
    addFile(sub, *rtf);
    addOutput(sub, *rtf);
    sub->callback([rtf] { runRtf(*rtf); });

    sub = app.add_subcommand(
        "spt",
        "Messung als .spt-Datei speichern (Windows-1252, CR LF); Messort und Datum "
        "brauchen wie im Programm je zwei Zeichen");
    addFile(sub, *spt);
    addOutput(sub, *spt);
    addSiteOptions(sub, *spt, true);
    sub->callback([spt] { runSpt(*spt); });
}

}  // namespace korvala::cli
