// The window program: `korvala [FILE]` opens the main window, with FILE loaded when given;
// `korvala --pdf OUT [--limit N] FILE` writes the traffic report of FILE without any window.

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "device/qt/qt_serial_link.h"
#include "headless_pdf.h"
#include "screenshots.h"
#include "ui/button_icons.h"
#include "ui/chart_wiring.h"
#include "ui/datandtime.h"
#include "ui/device_controller.h"
#include "ui/form1.h"
#include "ui/qt_dialogs.h"
#include "version.h"

namespace {

// Whether the command line asks for the headless report. Looked at before the application object
// exists, because only then can the platform still be chosen.
bool wantsHeadlessPdf(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        if (std::strcmp(argv[i], "--pdf") == 0 || std::strncmp(argv[i], "--pdf=", 6) == 0)
            return true;
    }
    return false;
}

// --help and --version only print and quit, so they too must work where no screen is.
bool onlyPrints(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--") == 0)
            return false;
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(a, option) == 0)
                return true;
        }
    }
    return false;
}

// The bytes of a command-line argument as the shell passed them. Qt decodes the arguments to
// text, and a file name that is not valid in the system's encoding (a Latin-1 byte on a UTF-8
// system, as a card written elsewhere can carry) does not survive that: its file would not be
// found. `decoded` is Qt's reading of the argument.
std::string argumentBytes(int argc, char** argv, const QString& decoded) {
    for (int i = argc - 1; i > 0; --i) {
        if (QString::fromLocal8Bit(argv[i]) == decoded)
            return argv[i];
    }
    return QFile::encodeName(decoded).toStdString();
}

// The same for the value of `option` ("--pdf"), given as "--pdf=VALUE" or "--pdf VALUE".
std::string optionBytes(int argc, char** argv, const char* option, const QString& decoded) {
    const std::size_t length = std::strlen(option);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        if (std::strcmp(argv[i], option) == 0 && i + 1 < argc)
            return argv[i + 1];
        if (std::strncmp(argv[i], option, length) == 0 && argv[i][length] == '=')
            return argv[i] + length + 1;
    }
    return QFile::encodeName(decoded).toStdString();
}

// A relative name is taken from the folder the program was started in.
std::string absolutePath(const std::string& path) {
    if (path.empty() || path.front() == '/') {
        return path;
    }
    return QFile::encodeName(QDir::currentPath()).toStdString() + "/" + path;
}

void sayError(const QString& message) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// The report is drawn on a QPdfWriter and needs no screen; without one, the default platform
// would abort before a single page is written (a build server, a cron job).
void chooseOffscreenWithoutDisplay(int argc, char** argv) {
    if ((wantsHeadlessPdf(argc, argv) || onlyPrints(argc, argv)) &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

void setUpApplication(QTranslator& qtTranslator) {
    QApplication::setApplicationName(QStringLiteral("korvala"));
    QApplication::setApplicationVersion(QString::fromLatin1(korvala::kVersion));
    // Every window, the parentless ones too, shows the program's icon; Wayland desktops find
    // the icon through the .desktop file of that name.
    QApplication::setWindowIcon(korvala::ui::applicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("korvala"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    if (qtTranslator.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslator);
    }
}

// The options of the window program; hidden ones serve the user guide's pictures.
struct Options {
    QCommandLineOption noSplash{QStringLiteral("no-splash"),
                                QStringLiteral("Ohne Startbild starten.")};
    QCommandLineOption screenshot{QStringLiteral("screenshot"),
                                  QStringLiteral("Bilder aller Seiten in VERZEICHNIS speichern "
                                                 "und beenden."),
                                  QStringLiteral("VERZEICHNIS")};
    QCommandLineOption compare{
        QStringLiteral("compare"),
        QString::fromUtf8("Vergleichsmessung für die Bilder von --screenshot."),
        QStringLiteral("DATEI")};
    QCommandLineOption archive{
        QStringLiteral("archive"),
        QStringLiteral("Archivdatei (SQLite) für die Bilder von --screenshot."),
        QStringLiteral("DATEI")};
    QCommandLineOption pdf{QStringLiteral("pdf"),
                           QString::fromUtf8("Verkehrsbericht von DATEI als PDF nach AUSGABE "
                                             "schreiben, ohne Fenster, und beenden."),
                           QStringLiteral("AUSGABE")};
    QCommandLineOption limit{
        QStringLiteral("limit"),
        QString::fromUtf8("Zulässige Höchstgeschwindigkeit für --pdf in km/h (Vorgabe: %1).")
            .arg(korvala::kDefaultSpeedLimit),
        QStringLiteral("N")};
    QCommandLineOption deviceLink{
        QStringLiteral("device-link"),
        QString::fromUtf8("Datenübertragung über die serielle Schnittstelle anbieten.")};
    QCommandLineOption devicePort{QStringLiteral("device-port"),
                                  QStringLiteral("Weitere serielle Schnittstelle (Gerätepfad)."),
                                  QStringLiteral("PFAD")};

    void addTo(QCommandLineParser& parser) {
        screenshot.setFlags(QCommandLineOption::HiddenFromHelp);
        compare.setFlags(QCommandLineOption::HiddenFromHelp);
        archive.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.setApplicationDescription(
            QStringLiteral("Auswertung von Geschwindigkeitsmessungen"));
        parser.addHelpOption();
        parser.addVersionOption();
        for (const QCommandLineOption* o :
             {&noSplash, &screenshot, &compare, &archive, &pdf, &limit, &deviceLink, &devicePort}) {
            parser.addOption(*o);
        }
        parser.addPositionalArgument(
            QStringLiteral("DATEI"),
            QStringLiteral("Messdatei (.spt oder .log), die geöffnet wird."));
    }
};

int runHeadless(int argc, char** argv, const QCommandLineParser& parser, const Options& o) {
    const QStringList inputs = parser.positionalArguments();
    if (inputs.size() != 1) {
        sayError(QString::fromUtf8("Fehler: --pdf braucht genau eine Messdatei (.spt oder .log)."));
        return korvala::kPdfExitBadFile;
    }
    return korvala::runHeadlessPdf(
        absolutePath(argumentBytes(argc, argv, inputs.constFirst())),
        absolutePath(optionBytes(argc, argv, "--pdf", parser.value(o.pdf))),
        parser.isSet(o.limit) ? parser.value(o.limit) : QString());
}

int runWindow(QApplication& app, int argc, char** argv, const QCommandLineParser& parser,
              const Options& o) {
    korvala::ui::QtDialogs dialogs;
    korvala::ui::Form1Options options;
    options.showSplash = !parser.isSet(o.noSplash) && !parser.isSet(o.screenshot);
    korvala::ui::Form1 window(dialogs, options);
    dialogs.setParent(&window);
    korvala::wireChartsAndPrinting(window);
    window.openDateTimeDialog = [&window, &dialogs] {
        korvala::ui::datAndtime dialog(dialogs, {}, &window);
        dialogs.runModal(dialog);
    };

    // The transfer from the measuring device is offered only on request: most users evaluate
    // files someone else read out, and an unused port menu only confuses them.
    std::unique_ptr<korvala::QtSerialLink> serialLink;
    std::unique_ptr<korvala::ui::DeviceController> device;
    if (parser.isSet(o.deviceLink) || parser.isSet(o.devicePort)) {
        serialLink = std::make_unique<korvala::QtSerialLink>(
            parser.values(o.devicePort) + korvala::QtSerialLink::systemPortNames());
        device = std::make_unique<korvala::ui::DeviceController>(window, *serialLink);
        window.setDeviceLinkVisible(true);
    }
    window.show();

    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) {
        window.openNamedFile(absolutePath(argumentBytes(argc, argv, files.constFirst())));
    }
    if (parser.isSet(o.screenshot)) {
        QString compareFile = parser.value(o.compare);
        if (!compareFile.isEmpty()) {
            compareFile = QDir::current().absoluteFilePath(compareFile);
        }
        QString archiveFile = parser.value(o.archive);
        if (!archiveFile.isEmpty()) {
            archiveFile = QDir::current().absoluteFilePath(archiveFile);
        }
        return korvala::takeScreenshots(window,
                                        {parser.value(o.screenshot), compareFile, archiveFile});
    }
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    chooseOffscreenWithoutDisplay(argc, argv);
    QApplication app(argc, argv);
    QTranslator qtTranslator;
    setUpApplication(qtTranslator);

    QCommandLineParser parser;
    Options options;
    options.addTo(parser);
    parser.process(app);
    return parser.isSet(options.pdf) ? runHeadless(argc, argv, parser, options)
                                     : runWindow(app, argc, argv, parser, options);
}
