#include <iostream>

#include "commands.h"
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
            // Lines that failed to parse show in the window's status bar; here stdout must stay
            // the report or data alone.
            if (const std::string rejected = rejectedLinesText(r); !rejected.empty())
                std::cerr << rejected << '\n';
            return;
        case LoadOutcome::WrongFormat:
            fail(kExitBadFile, loadFailureText(r, path) + " " + path);
        default:
            fail(kExitBadFile, "Fehler: " + loadFailureText(r, path));
    }
}

}  // namespace korvala::cli
