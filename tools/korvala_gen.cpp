// korvala-gen: writes a synthetic device log, for trying the program out, for tests and for
// benchmarks with millions of records.

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

#include "log_generator.h"
#include "model/measurement_file.h"
#include "model/text_util.h"

namespace {

constexpr const char* kUsage =
    "Aufruf: korvala-gen [--days N] [--records N] [--seed S] [--start TT/MM/JJJJ] "
    "[--limit KMH] [-o DATEI]\n"
    "  --days N       Messtage, 1 bis 7 (Vorgabe 7)\n"
    "  --records N    Anzahl der Datensätze insgesamt (Vorgabe 15000)\n"
    "  --seed S       Startwert des Zufallsgenerators (Vorgabe 1)\n"
    "  --start DATUM  erster Messtag (Vorgabe 01/12/2026)\n"
    "  --limit KMH    erlaubte Geschwindigkeit am Messort (Vorgabe 50)\n"
    "  -o DATEI       Ausgabedatei (Vorgabe: Standardausgabe)\n"
    "  --spt          statt der Geräte-Logdatei eine Messdatei (.spt) schreiben\n"
    "  --location ORT Messort der .spt-Datei\n"
    "  --remark TEXT  Bemerkung der .spt-Datei (\\n trennt Zeilen)\n";

template <typename T>
bool parseWhole(std::string_view text, T& out) {
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && ptr == text.data() + text.size();
}

bool parseDate(std::string_view text, korvala::gen::LogOptions& opt) {
    if (text.size() != 10 || text[2] != '/' || text[5] != '/')
        return false;
    int d = 0, m = 0, y = 0;
    if (!parseWhole(text.substr(0, 2), d) || !parseWhole(text.substr(3, 2), m) ||
        !parseWhole(text.substr(6, 4), y) || !korvala::gen::validDate(d, m, y)) {
        return false;
    }
    opt.startDay = d, opt.startMonth = m, opt.startYear = y;
    return true;
}

int usageError(const std::string& why) {
    std::fprintf(stderr, "korvala-gen: %s\n%s", why.c_str(), kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    korvala::gen::LogOptions opt;
    std::string output;
    bool spt = false;
    korvala::Site site{"Messort", "", ""};
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--spt") {
            spt = true;
            continue;
        }
        if (i + 1 >= argc)
            return usageError("Wert fehlt nach " + std::string(arg));
        const std::string_view value = argv[++i];
        bool ok = false;
        if (arg == "--days") {
            ok = parseWhole(value, opt.days) && opt.days >= 1 && opt.days <= 7;
        } else if (arg == "--records") {
            ok = parseWhole(value, opt.records) && opt.records >= 0 && opt.records <= 100'000'000;
        } else if (arg == "--seed") {
            ok = parseWhole(value, opt.seed);
        } else if (arg == "--start") {
            ok = parseDate(value, opt);
        } else if (arg == "--limit") {
            ok = parseWhole(value, opt.limit) && opt.limit >= 10 && opt.limit <= 250;
        } else if (arg == "--location") {
            site.location = value;
            ok = true;
        } else if (arg == "--remark") {
            site.remark = korvala::replaceAll(value, "\\n", "\r\n");
            ok = true;
        } else if (arg == "-o" || arg == "--output") {
            output = value;
            ok = !output.empty();
        } else {
            return usageError("unbekannte Option " + std::string(arg));
        }
        if (!ok)
            return usageError("ungültiger Wert für " + std::string(arg) + ": " +
                              std::string(value));
    }

    std::string log = korvala::gen::generateLog(opt);
    if (spt) {
        // Through the program's own reader and writer, so the file is exactly what a user who
        // opened the log and saved it would get.
        const korvala::LoadResult loaded = korvala::readMeasurementBytes("gen.log", log);
        site.startDate = loaded.startDate.value_or("");
        log = korvala::sptContent(site, loaded.records);
    }
    if (output.empty()) {
        if (std::fwrite(log.data(), 1, log.size(), stdout) != log.size() ||
            std::fflush(stdout) != 0) {
            std::fprintf(stderr, "korvala-gen: Schreiben auf die Standardausgabe fehlgeschlagen\n");
            return 1;
        }
        return 0;
    }
    std::string error;
    if (!korvala::writeFileBytes(output, log, &error)) {
        std::fprintf(stderr, "korvala-gen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
