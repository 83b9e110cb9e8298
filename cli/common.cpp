#include <iostream>

#include "cli/commands.h"
#include "session/session.h"

namespace korvala::cli {

void fail(int code, const std::string& message) {
    std::cerr << message << '\n';
    throw CLI::RuntimeError(code);
}

void openOrFail(Session& session, const std::string& path) {
    const LoadResult r = session.openFile(path);
    switch (r.outcome) {
        case LoadOutcome::Loaded:
            return;
        case LoadOutcome::NotReadable:
            fail(kExitBadFile, "Fehler: Die Datei \"" + path + "\" kann nicht gelesen werden" +
                                   (r.systemError.empty() ? "." : ": " + r.systemError));
        case LoadOutcome::UnknownKind:
            fail(kExitBadFile, "Fehler: \"" + path +
                                   "\" ist weder eine .spt- noch eine .log-Datei (die Endung "
                                   "entscheidet, Groß-/Kleinschreibung zählt).");
        case LoadOutcome::NotDeviceLog:
            fail(kExitBadFile, "Fehler: \"" + path +
                                   "\" ist kein Protokoll des Messgeräts (die erste Zeile "
                                   "beginnt nicht mit \"/\").");
        case LoadOutcome::WrongFormat:
            break;
    }
    fail(kExitBadFile, "Falsches Format! " + path);
}

}  // namespace korvala::cli
