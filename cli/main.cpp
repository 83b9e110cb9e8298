#include <exception>
#include <iostream>

#include "commands.h"

int main(int argc, char** argv) {
    CLI::App app{
        "korvala-cli: zeigt und schreibt, was das Programm Korvala nach dem Öffnen einer "
        "Messdatei (.log vom Gerät oder .spt) zeigt und schreibt."};
    app.footer(
        "Ausgaben sind UTF-8, Texte behalten ihre CR LF. Dateien werden wie vom Programm "
        "geschrieben (Windows-1252, CR LF).\n" +
        std::string(korvala::cli::kExitCodesHelp) +
        "\n"
        "Hilfe zu einem Befehl: korvala-cli BEFEHL --help");
    app.require_subcommand(1);
    korvala::cli::addMeasurementCommands(app);
    korvala::cli::addAnalyzeCommand(app);
    korvala::cli::addArchiveCommand(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::RuntimeError& e) {
        // The subcommand has already said why.
        return e.get_exit_code();
    } catch (const CLI::Success& e) {
        return app.exit(e);  // --help
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return korvala::cli::kExitUsage;
    } catch (const std::bad_alloc&) {
        std::cerr << "Fehler: Nicht genug Arbeitsspeicher.\n";
        return korvala::cli::kExitBadFile;
    } catch (const std::exception& e) {
        std::cerr << "Fehler: " << e.what() << '\n';
        return korvala::cli::kExitBadFile;
    }
    return korvala::cli::kExitOk;
}
