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
            return;
        case LoadOutcome::WrongFormat:
            fail(kExitBadFile, loadFailureText(r, path) + " " + path);
        default:
            fail(kExitBadFile, "Fehler: " + loadFailureText(r, path));
    }
}

}  // namespace korvala::cli
