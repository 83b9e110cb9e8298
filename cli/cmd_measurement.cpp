#include "cli/commands.h"

namespace korvala::cli {
void addMeasurementCommands(CLI::App&) {}
}  // namespace korvala::cli
