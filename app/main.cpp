// The window program: `korvala [FILE]` opens the main window, with FILE loaded when given.

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTranslator>

#include "ui/datandtime.h"
#include "ui/form1.h"
#include "ui/qt_dialogs.h"
#include "ui/splash.h"

namespace {

// Saves a picture of every page of the window into `dir` (tab0.png .. tab3.png, splash.png,
// about.png), for checking the layout on a machine without a person in front of it.
int takeScreenshots(korvala::ui::Form1& window, const QString& dir) {
    QDir().mkpath(dir);
    for (int i = 0; i < window.SSTab1->count(); ++i) {
        window.SSTab1->setCurrentIndex(i);
        QApplication::processEvents();
        if (!window.grab().save(QDir(dir).filePath(QStringLiteral("tab%1.png").arg(i)))) {
            return 1;
        }
    }
    // The debug column, uncovered as the user does it: ten presses on the status bar.
    for (int i = 0; i < 10; ++i) {
        const QPointF at(5, 5);
        QMouseEvent press(QEvent::MouseButtonPress, at, window.SB->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.SB, &press);
    }
    QApplication::processEvents();
    window.SSTab1->setCurrentIndex(0);
    if (!window.grab().save(QDir(dir).filePath(QStringLiteral("debug.png")))) {
        return 1;
    }
    korvala::ui::frmSplash splash;
    korvala::ui::frmAbout about(&window);
    splash.adjustSize();
    about.adjustSize();
    const bool ok = splash.grab().save(QDir(dir).filePath(QStringLiteral("splash.png"))) &&
                    about.grab().save(QDir(dir).filePath(QStringLiteral("about.png")));
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvala"));
    QApplication::setApplicationVersion(QStringLiteral("0.6.1"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslator);
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Auswertung von Geschwindigkeitsmessungen"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption noSplash(QStringLiteral("no-splash"),
                                      QStringLiteral("Ohne Startbild starten."));
    QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                  QStringLiteral("Bilder aller Seiten in VERZEICHNIS speichern "
                                                 "und beenden."),
                                  QStringLiteral("VERZEICHNIS"));
    screenshot.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(noSplash);
    parser.addOption(screenshot);
    parser.addPositionalArgument(QStringLiteral("DATEI"),
                                 QStringLiteral("Messdatei (.spt oder .log), die geöffnet wird."));
    parser.process(app);

    korvala::ui::QtDialogs dialogs;
    korvala::ui::Form1Options options;
    options.showSplash = !parser.isSet(noSplash) && !parser.isSet(screenshot);
    korvala::ui::Form1 window(dialogs, options);
    dialogs.setParent(&window);
    window.openDateTimeDialog = [&window, &dialogs] {
        korvala::ui::datAndtime dialog(dialogs, {}, &window);
        dialogs.runModal(dialog);
    };
    window.show();

    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) {
        window.openPath(QDir::current().absoluteFilePath(files.constFirst()));
    }
    if (parser.isSet(screenshot)) {
        return takeScreenshots(window, parser.value(screenshot));
    }
    return app.exec();
}
