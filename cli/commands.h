#pragma once
// korvala-cli is a set of subcommands; each file registers its own on the application.

#include <CLI/CLI.hpp>

namespace korvala::cli {

// Exit codes. A subcommand ends with a code by printing its message to stderr and throwing
// CLI::RuntimeError(code); main() turns it into the process's exit code.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;    // bad options, an unreadable typed date, a day not found
inline constexpr int kExitBadFile = 2;  // the input is unreadable or no measurement
inline constexpr int kExitWriteFailed = 3;  // the output file could not be written

// report, json, csv, rtf, spt
void addMeasurementCommands(CLI::App& app);
// analyze
void addAnalyzeCommand(CLI::App& app);

}  // namespace korvala::cli
