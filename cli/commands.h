#pragma once
// korvala-cli is a set of subcommands; each file registers its own on the application.

#include <CLI/CLI.hpp>
#include <string>

namespace korvala {
class Session;
}

namespace korvala::cli {

// Exit codes. A subcommand ends with a code by printing its message to stderr and throwing
// CLI::RuntimeError(code); main() turns it into the process's exit code.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;    // bad options, an unreadable typed date, a day not found
inline constexpr int kExitBadFile = 2;  // the input is unreadable or no measurement
inline constexpr int kExitWriteFailed = 3;  // the output file could not be written
inline constexpr const char* kExitCodesHelp =
    "Exit-Codes: 0 ok, 1 falscher Aufruf oder unlesbares Datum, 2 Datei nicht lesbar oder keine "
    "Messung, 3 Zieldatei nicht schreibbar.";

// Prints `message` to stderr and ends the subcommand with `code`.
[[noreturn]] void fail(int code, const std::string& message);
// Opens `path` into `session`; anything but a measurement ends the program with a message.
void openOrFail(Session& session, const std::string& path);

// report, json, csv, rtf, spt
void addMeasurementCommands(CLI::App& app);
// analyze
void addAnalyzeCommand(CLI::App& app);
// archive and its subcommands
void addArchiveCommand(CLI::App& app);

}  // namespace korvala::cli
