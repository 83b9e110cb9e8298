#include "cli/commands.h"

namespace korvala::cli {
void addAnalyzeCommand(CLI::App&) {}
}  // namespace korvala::cli
