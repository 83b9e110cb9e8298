#include "cli/commands.h"

int main(int argc, char** argv) {
    CLI::App app{"korvala-cli"};
    app.require_subcommand(1);
    korvala::cli::addMeasurementCommands(app);
    korvala::cli::addAnalyzeCommand(app);
    CLI11_PARSE(app, argc, argv);
    return 0;
}
