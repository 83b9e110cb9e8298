#pragma once
// korvala-cli is a set of subcommands; each file registers its own on the application.

#include <CLI/CLI.hpp>

namespace korvala::cli {

// report, json, csv, rtf, spt
void addMeasurementCommands(CLI::App& app);
// analyze
void addAnalyzeCommand(CLI::App& app);

}  // namespace korvala::cli
