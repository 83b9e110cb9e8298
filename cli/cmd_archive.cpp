// archive: files measurements into the site archive (an SQLite file or a PostgreSQL database) and
// shows what it holds: the sites, a site's history, the hotspots, one measurement.

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "archive/archive.h"
#include "archive/archive_csv.h"
#include "archive/archive_text.h"
#include "commands.h"
#include "text_table.h"

namespace korvala::cli {

namespace {

using namespace korvala::archive;
using Json = nlohmann::ordered_json;

// Where the archive is: given once, before or after the subcommand.
struct Where {
    std::string db, pg;
};

// The options of one subcommand; each has its own, so an option pointer always belongs to the
// subcommand that runs.
struct Options {
    std::shared_ptr<const Where> where;
    std::string path, siteName, out, csv;
    std::int64_t id = 0;
    int limit = kDefaultSpeedLimit;
    CLI::Option* limitOpt = nullptr;
    bool json = false;
    std::string street, direction, note;
    std::vector<double> coords;
    CLI::Option* streetOpt = nullptr;
    CLI::Option* directionOpt = nullptr;
    CLI::Option* noteOpt = nullptr;
    CLI::Option* coordsOpt = nullptr;
};

int exitCodeFor(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::Invalid:
        case ErrorKind::NotFound:
            return kExitUsage;
        case ErrorKind::WriteFailed:
        case ErrorKind::Busy:
            return kExitWriteFailed;
        default:
            return kExitBadFile;
    }
}

// Opens the archive and runs `body` on it; an archive error ends the program with its message.
template <typename Body>
void withArchive(const Where& o, Body body) {
    if (o.db.empty() == o.pg.empty())
        fail(kExitUsage,
             "Fehler: Das Archiv mit --db DATEI (SQLite) oder --pg VERBINDUNG (PostgreSQL) "
             "angeben, mit genau einer der beiden.");
    try {
        Archive archive = o.db.empty() ? Archive::openServer(o.pg) : Archive::openFile(o.db);
        body(archive);
    } catch (const ArchiveError& e) {
        fail(exitCodeFor(e.kind()), std::string("Fehler: ") + e.what());
    }
}

void print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void printJson(const Json& j) {
    print(j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n");
}

// ---- text tables ----

// Columns as wide as their widest cell; `align` holds 'l' or 'r' per column.
std::string table(const std::vector<std::vector<std::string>>& rows, const std::string& align) {
    TextTable t(rows.front(), align);
    for (std::size_t r = 1; r < rows.size(); ++r)
        t.add(rows[r]);
    return t.str();
}

// ---- JSON ----

Json optional(const std::optional<double>& v) {
    return v ? Json(*v) : Json(nullptr);
}

Json siteJson(const SiteRecord& s) {
    return {{"id", s.id},
            {"name", s.data.name},
            {"street", s.data.street},
            {"direction", s.data.direction},
            {"limit", s.data.speedLimit},
            {"latitude", optional(s.data.latitude)},
            {"longitude", optional(s.data.longitude)},
            {"note", s.data.note}};
}

Json entryJson(const FiledEntry& e) {
    const FiledFigures& f = e.figures;
    return {{"id", e.id},
            {"siteId", e.siteId},
            {"site", e.siteName},
            {"from", f.period ? Json(dateText(f.period->firstDay)) : Json(nullptr)},
            {"to", f.period ? Json(dateText(f.period->lastDay)) : Json(nullptr)},
            {"days", f.days},
            {"vehicles", f.vehicles},
            {"averageDaily", optional(f.averageDaily)},
            {"v50", optional(f.v50)},
            {"v85", optional(f.v85)},
            {"shareOver", f.shareOver},
            {"limit", f.limit},
            {"verdict", verdictText(f.verdict)},
            {"location", e.site.location},
            {"startDate", e.site.startDate},
            {"remark", e.site.remark},
            {"source", e.source},
            {"filedAt", e.filedAt},
            {"sptBytes", e.sptSize},
            {"storedBytes", e.storedSize},
            {"sha256", e.contentHash}};
}

// ---- sites ----

SiteRecord siteByName(const Archive& archive, const std::string& name) {
    const std::optional<SiteRecord> site = archive.findSite(name);
    if (!site)
        fail(kExitUsage, "Fehler: Im Archiv gibt es keine Messstelle \"" + name + "\".");
    return *site;
}

// The site to file into: created when new (`created` tells), its limit changed when --limit
// says so.
SiteRecord siteForFiling(Archive& archive, const Options& o, bool& created) {
    created = false;
    const bool limitGiven = o.limitOpt && o.limitOpt->count() > 0;
    if (std::optional<SiteRecord> site = archive.findSite(o.siteName)) {
        if (limitGiven && o.limit != site->data.speedLimit) {
            const int before = site->data.speedLimit;
            site->data.speedLimit = o.limit;
            const int n = archive.updateSite(site->id, site->data);
            std::cerr << "Höchstgeschwindigkeit der Messstelle \"" << site->data.name << "\" von "
                      << before << " auf " << o.limit << " km/h geändert, " << n
                      << (n == 1 ? " Messung" : " Messungen") << " neu ausgewertet.\n";
        }
        return *site;
    }
    SiteData data;
    data.name = o.siteName;
    data.speedLimit = o.limit;
    const std::int64_t id = archive.addSite(data);
    created = true;
    std::cerr << "Neue Messstelle \"" << o.siteName << "\" angelegt (Höchstgeschwindigkeit "
              << limitText(o.limit) << ").\n";
    return archive.site(id);
}

void runSite(Archive& archive, const Options& o) {
    const std::optional<SiteRecord> existing = archive.findSite(o.siteName);
    SiteData data = existing ? existing->data : SiteData{};
    data.name = o.siteName;
    if (o.limitOpt->count() > 0)
        data.speedLimit = o.limit;
    if (o.streetOpt->count() > 0)
        data.street = o.street;
    if (o.directionOpt->count() > 0)
        data.direction = o.direction;
    if (o.noteOpt->count() > 0)
        data.note = o.note;
    if (o.coordsOpt->count() > 0) {
        data.latitude = o.coords.at(0);
        data.longitude = o.coords.at(1);
    }
    if (!existing) {
        const std::int64_t id = archive.addSite(data);
        print("Messstelle \"" + data.name + "\" angelegt (Nr. " + std::to_string(id) + ").\n");
        return;
    }
    const int n = archive.updateSite(existing->id, data);
    print("Messstelle \"" + data.name + "\" geändert" +
          (n > 0 ? ", " + std::to_string(n) + (n == 1 ? " Messung" : " Messungen") +
                       " neu ausgewertet"
                 : std::string()) +
          ".\n");
}

void runSites(const Archive& archive, const Options& o) {
    const std::vector<SiteSummary> list = archive.siteList();
    if (o.json) {
        Json out = Json::array();
        for (const SiteSummary& s : list) {
            Json j = siteJson(s.site);
            j["measurements"] = s.measurements;
            j["latest"] = s.latest ? entryJson(*s.latest) : Json(nullptr);
            out.push_back(std::move(j));
        }
        printJson(out);
        return;
    }
    std::vector<std::vector<std::string>> rows = {
        {"Nr.", "Messstelle", "Höchstgeschw.", "Messungen", "Letzte Messung", "v85", "Bewertung"}};
    for (const SiteSummary& s : list) {
        const FiledFigures* f = s.latest ? &s.latest->figures : nullptr;
        rows.push_back({std::to_string(s.site.id), s.site.data.name,
                        limitText(s.site.data.speedLimit), std::to_string(s.measurements),
                        f ? periodText(f->period) : std::string(kNoValue),
                        f ? speedText(f->v85) : std::string(kNoValue),
                        f ? verdictLabel(f->verdict) : std::string(kNoValue)});
    }
    print(table(rows, "rlrrlrl"));
}

// ---- history and hotspots ----

void writeCsv(const std::string& path, const std::string& bytes) {
    std::string error;
    if (!writeFileBytes(path, bytes, &error))
        fail(kExitWriteFailed, "Fehler: " + error);
}

void runHistory(const Archive& archive, const Options& o) {
    const SiteRecord site = siteByName(archive, o.siteName);
    const std::vector<FiledEntry> history = archive.history(site.id);
    if (!o.csv.empty())
        writeCsv(o.csv, historyCsv(site, history));
    if (o.json) {
        Json j = siteJson(site);
        j["measurements"] = Json::array();
        for (const FiledEntry& e : history)
            j["measurements"].push_back(entryJson(e));
        printJson(j);
        return;
    }
    if (!o.csv.empty())
        return;
    std::vector<std::vector<std::string>> rows = {
        {"Nr.", "Zeitraum", "Tage", "Fahrzeuge", "je Tag", "v50", "v85",
         "über " + limitText(site.data.speedLimit), "Bewertung"}};
    for (const FiledEntry& e : history) {
        const FiledFigures& f = e.figures;
        rows.push_back({std::to_string(e.id), periodText(f.period), std::to_string(f.days),
                        std::to_string(f.vehicles), dailyText(f.averageDaily), speedText(f.v50),
                        speedText(f.v85), percentText(f.shareOver), verdictLabel(f.verdict)});
    }
    print("Messstelle \"" + site.data.name + "\", Höchstgeschwindigkeit " +
          limitText(site.data.speedLimit) + "\n" + table(rows, "rlrrrrrrl"));
}

void runHotspots(const Archive& archive, const Options& o) {
    const std::vector<Hotspot> ranking = archive.hotspots();
    if (!o.csv.empty())
        writeCsv(o.csv, hotspotsCsv(ranking));
    if (o.json) {
        Json out = Json::array();
        for (const Hotspot& h : ranking)
            out.push_back({{"rank", h.rank},
                           {"site", siteJson(h.site)},
                           {"excess", h.excess},
                           {"latest", entryJson(h.latest)}});
        printJson(out);
        return;
    }
    if (!o.csv.empty())
        return;
    std::vector<std::vector<std::string>> rows = {{"Rang", "Messstelle", "Höchstgeschw.", "v85",
                                                   "v85 darüber", "Anteil darüber",
                                                   "Letzte Messung", "Bewertung"}};
    for (const Hotspot& h : ranking) {
        const FiledFigures& f = h.latest.figures;
        rows.push_back({std::to_string(h.rank), h.site.data.name, limitText(h.site.data.speedLimit),
                        speedText(f.v85), excessText(h.excess), percentText(f.shareOver),
                        periodText(f.period), verdictLabel(f.verdict)});
    }
    print(table(rows, "rlrrrrll"));
}

// ---- one measurement ----

void runShow(const Archive& archive, const Options& o) {
    const FiledEntry e = archive.entry(o.id);
    if (o.json) {
        printJson(entryJson(e));
        return;
    }
    const FiledFigures& f = e.figures;
    std::vector<std::vector<std::string>> rows = {
        {"Messung", "Nr. " + std::to_string(e.id)},
        {"Messstelle", e.siteName},
        {"Messort", e.site.location},
        {"Beginn der Messung", e.site.startDate},
        {"Zeitraum",
         periodText(f.period) + " (" + std::to_string(f.days) + (f.days == 1 ? " Tag)" : " Tage)")},
        {"Fahrzeuge", std::to_string(f.vehicles)},
        {"Fahrzeuge je Tag", dailyText(f.averageDaily)},
        {"v50 / v85", speedText(f.v50) + " / " + speedText(f.v85) + " km/h"},
        {"Über " + limitText(f.limit), percentText(f.shareOver)},
        {"Bewertung", verdictLabel(f.verdict)},
        {"Quelle", e.source.empty() ? std::string(kNoValue) : e.source},
        {"Abgelegt am", e.filedAt},
        {"Größe", std::to_string(e.sptSize) + " Bytes als .spt, " + std::to_string(e.storedSize) +
                      " Bytes im Archiv"},
        {"SHA-256 der Datensätze", e.contentHash}};
    std::string text = table(rows, "ll");
    if (e.site.remark.find_first_not_of(" \r\n") != std::string::npos)
        text += "Bemerkung:\n" + e.site.remark + "\n";
    print(text);
}

// ---- filing ----

void runAdd(Archive& archive, const Options& o) {
    bool created = false;
    const SiteRecord site = siteForFiling(archive, o, created);
    std::int64_t id = 0;
    try {
        id = archive.fileFrom(site.id, o.path);
    } catch (const ArchiveError&) {
        // A site made for a file that was then refused would stay behind empty.
        if (created) {
            try {
                archive.removeSite(site.id);
            } catch (const ArchiveError&) {
            }
        }
        throw;
    }
    print("Abgelegt: " + entryText(archive.entry(id)) + "\n");
}

void runImport(Archive& archive, const Options& o) {
    bool created = false;
    const SiteRecord site = siteForFiling(archive, o, created);
    // Each file is reported as soon as it is done, so a stopped import shows how far it got.
    const ImportReport report =
        archive.importFolder(site.id, o.path, [](const ImportItem& item, int, int) {
            switch (item.outcome) {
                case ImportOutcome::Filed:
                    print("Abgelegt: " + item.file + " (Nr. " + std::to_string(item.id) + ")\n");
                    break;
                case ImportOutcome::AlreadyFiled:
                    print("Schon im Archiv: " + item.file + " (Nr. " + std::to_string(item.id) +
                          ")\n");
                    break;
                case ImportOutcome::Unreadable:
                    std::cerr << "Übersprungen: " << item.file << ": " << item.message << '\n';
                    break;
                case ImportOutcome::Failed:
                    break;  // ends the import, reported below
            }
            return true;
        });
    const int unreadable = report.count(ImportOutcome::Unreadable);
    const int failed = report.count(ImportOutcome::Failed);
    print(importSummaryText(report) + "\n");
    if (failed > 0)
        fail(kExitWriteFailed, "Fehler: Der Import wurde bei " + report.items.back().file +
                                   " abgebrochen: " + report.items.back().message);
    if (unreadable > 0)
        throw CLI::RuntimeError(kExitBadFile);
}

void runExport(const Archive& archive, const Options& o) {
    const std::string bytes = archive.sptBytes(o.id);
    std::string error;
    if (!writeFileBytes(o.out, bytes, &error))
        fail(kExitWriteFailed, "Fehler: " + error);
}

void runRemove(Archive& archive, const Options& o) {
    const std::string what = entryText(archive.entry(o.id));
    archive.remove(o.id);
    print("Entfernt: " + what + "\n");
}

// ---- registration ----

CLI::App* addSub(CLI::App* archive, const char* name, const char* help) {
    CLI::App* sub = archive->add_subcommand(name, help);
    sub->fallthrough();  // --db and --pg may follow the subcommand
    return sub;
}

void addSiteName(CLI::App* sub, Options& o, bool positional) {
    if (positional)
        sub->add_option("SITE", o.siteName, "Name der Messstelle")->required();
    else
        sub->add_option("--site", o.siteName, "Name der Messstelle (wird bei Bedarf angelegt)")
            ->required();
}

void addLimit(CLI::App* sub, Options& o) {
    o.limitOpt = sub->add_option("--limit", o.limit,
                                 "Höchstgeschwindigkeit der Messstelle in km/h (neue Messstelle: "
                                 "Voreinstellung 50; sonst wird sie geändert und alle Messungen "
                                 "werden neu ausgewertet)")
                     ->check(CLI::Range(kMinSpeedLimit, kMaxSpeedLimit));
}

void addId(CLI::App* sub, Options& o) {
    sub->add_option("ID", o.id, "Nummer der Messung im Archiv")->required();
}

void addJson(CLI::App* sub, Options& o) {
    sub->add_flag("--json", o.json, "als JSON statt als Tabelle");
}

// A subcommand with options of its own, run on the archive.
std::pair<CLI::App*, std::shared_ptr<Options>> addSub(CLI::App* archive,
                                                      const std::shared_ptr<const Where>& where,
                                                      const char* name, const char* help) {
    auto o = std::make_shared<Options>();
    o->where = where;
    return {addSub(archive, name, help), o};
}

template <typename Run>
void onRun(CLI::App* sub, const std::shared_ptr<Options>& o, Run run) {
    sub->callback([o, run] { withArchive(*o->where, [&](Archive& a) { run(a, *o); }); });
}

void addSiteCommand(CLI::App* archive, const std::shared_ptr<const Where>& where) {
    auto [sub, o] = addSub(archive, where, "site", "Messstelle anlegen oder ihre Angaben ändern");
    addSiteName(sub, *o, true);
    addLimit(sub, *o);
    o->streetOpt = sub->add_option("--street", o->street, "Straße");
    o->directionOpt = sub->add_option("--direction", o->direction, "Fahrtrichtung");
    o->coordsOpt = sub->add_option("--coords", o->coords, "Breite und Länge in Grad (WGS 84)")
                       ->expected(2)
                       ->delimiter(',');
    o->noteOpt = sub->add_option("--note", o->note, "Notiz");
    onRun(sub, o, runSite);
}

}  // namespace

void addArchiveCommand(CLI::App& app) {
    auto where = std::make_shared<Where>();
    CLI::App* archive = app.add_subcommand(
        "archive",
        "Archiv der Messstellen: Messungen ablegen, Verlauf einer Messstelle, Brennpunkte");
    archive->add_option("--db", where->db, "Archivdatei (SQLite), wird beim ersten Mal angelegt");
    archive->add_option("--pg", where->pg,
                        "PostgreSQL-Datenbank: Verbindungsangabe wie \"host=server "
                        "dbname=korvala\" oder Name eines Dienstes aus der Dienstdatei; das "
                        "Passwort steht in ~/.pgpass");
    archive->require_subcommand(1);
    archive->footer(
        "Das Archiv speichert jede Messung als .spt-Datei mit ihren Kennzahlen. Dieselben "
        "Datensätze (auch als .log und als daraus gespeicherte .spt) werden nur einmal "
        "abgelegt.\n" +
        std::string(kExitCodesHelp) +
        " Eine unbekannte Messstelle oder Messung ist ein falscher Aufruf (1); eine schon "
        "abgelegte Messung, ein unlesbares Archiv oder eine fehlende Verbindung 2; ein "
        "Archiv, das nicht geschrieben werden kann, 3.");

    {
        auto [sub, o] = addSub(archive, where, "add", "Messdatei (.log oder .spt) ablegen");
        sub->add_option("FILE", o->path, "Messdatei")->required();
        addSiteName(sub, *o, false);
        addLimit(sub, *o);
        onRun(sub, o, runAdd);
    }
    {
        auto [sub, o] =
            addSub(archive, where, "import",
                   "Alle .log- und .spt-Dateien eines Ordners unter einer Messstelle ablegen; "
                   "unlesbare und schon abgelegte werden gemeldet und übersprungen");
        sub->add_option("DIR", o->path, "Ordner")->required();
        addSiteName(sub, *o, false);
        addLimit(sub, *o);
        onRun(sub, o, runImport);
    }
    addSiteCommand(archive, where);
    {
        auto [sub, o] = addSub(archive, where, "sites",
                               "Messstellen mit Zahl der Messungen und letzter Messung");
        addJson(sub, *o);
        onRun(sub, o, runSites);
    }
    {
        auto [sub, o] = addSub(archive, where, "history",
                               "Messungen einer Messstelle in zeitlicher Reihenfolge");
        addSiteName(sub, *o, true);
        addJson(sub, *o);
        sub->add_option("--csv", o->csv, "als CSV-Datei schreiben (Windows-1252, CR LF)");
        onRun(sub, o, runHistory);
    }
    {
        auto [sub, o] =
            addSub(archive, where, "hotspots",
                   "Messstellen nach der v85 ihrer letzten Messung über der Höchstgeschwindigkeit");
        addJson(sub, *o);
        sub->add_option("--csv", o->csv, "als CSV-Datei schreiben (Windows-1252, CR LF)");
        onRun(sub, o, runHotspots);
    }
    {
        auto [sub, o] =
            addSub(archive, where, "show", "Eine abgelegte Messung mit ihren Kennzahlen");
        addId(sub, *o);
        addJson(sub, *o);
        onRun(sub, o, runShow);
    }
    {
        auto [sub, o] =
            addSub(archive, where, "export", "Eine abgelegte Messung als .spt-Datei schreiben");
        addId(sub, *o);
        sub->add_option("-o,--output", o->out, "Zieldatei (wird ersetzt)")->required();
        onRun(sub, o, runExport);
    }
    {
        auto [sub, o] =
            addSub(archive, where, "remove", "Eine abgelegte Messung aus dem Archiv entfernen");
        addId(sub, *o);
        onRun(sub, o, runRemove);
    }
}

}  // namespace korvala::cli
