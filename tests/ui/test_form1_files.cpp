// Files through the main window: opening by menu, command line and drag and drop, saving, the two
// exports, and the ways out of the program. Which boxes are shown, what is written byte for byte,
// and that no path loses data or overwrites a file without a question.

#include <fstream>

#include "test_form1_support.h"
#include "ui/day_grid_model.h"

using namespace korvala::ui;
using namespace korvala::ui::test;
using Kind = ScriptedDialogs::Kind;

namespace {

const QString kSaveQuestion = QStringLiteral("Sollen die Aktuellen Daten gespeichert werden?");
const QString kNoSite = QStringLiteral("Ort oder Datum ist nicht eingegeben!");
const QString kOverwrite =
    QString::fromUtf8("Die Datei existiert bereits. Möchten Sie diese Überschreiben? ");

// smallSpt() saved again under `location` (Windows-1252): the remark comes back from reading with a
// CR LF at its end, and its own line end follows it, so the file gains an empty line before "<>".
QByteArray savedSpt(const QByteArray& location) {
    return "\"spt\",\"" + location +
           "\",\"03.12.26\"\r\nZweite Zeile\r\nN\xe4he Schule\r\n\r\n<>\r\n\r\n\r\n\r\n"
           "0,08:00:00,40\r\n1,08:10:00,44\r\n2,08:20:00,48\r\n";
}

enum class Via { Menu, Drop, CommandLine };
enum class Target { Spt, Csv, Rtf };

// Starts the command that writes `target`; the RTF list first asks whether to format the data.
void startWriting(WindowFixture& fx, Target target) {
    if (target == Target::Spt) {
        fx.form->saveas_Click();
    } else if (target == Target::Csv) {
        fx.form->act_export->trigger();
    } else {
        fx.dialogs.answers.push_front(Answer::Ok);
        fx.form->cmd_datendruck->click();
    }
}

}  // namespace

class TestForm1Files : public QObject {
    Q_OBJECT

  private slots:
    void opens_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<QString>("location");
        QTest::newRow("log by menu: the typed site stays") << "karte.log" << false << "Bleibt";
        QTest::newRow("log dropped") << "karte.log" << true << "";
        QTest::newRow("spt by menu: its own site") << "messung.spt" << false << "Ort A";
        QTest::newRow("spt dropped") << "messung.spt" << true << "Ort A";
    }
    void opens() {
        QFETCH(QString, name);
        QFETCH(bool, dropped);
        QFETCH(QString, location);
        WindowFixture fx;
        Form1& f = *fx.form;
        const bool spt = name.endsWith(QStringLiteral(".spt"));
        const QString path = fx.write(name, spt ? smallSpt() : threeDayLog());
        if (dropped) {
            QVERIFY(fx.drop({QUrl::fromLocalFile(path)}));
        } else {
            // Opening never asks to save what was there before.
            fx.typeLocation(QStringLiteral("Bleibt"));
            fx.dialogs.fileAnswers.push_back(path);
            f.act_open->trigger();
            const auto opened = fx.dialogs.callsOf(Kind::OpenFile);
            QCOMPARE(opened[0].filter, QStringLiteral("(*.spt);;(*.log)"));
            QCOMPARE(QDir(opened[0].dir).canonicalPath(),
                     QDir(fx.dir.filePath(QStringLiteral("daten"))).canonicalPath());
        }
        QVERIFY(fx.dialogs.messages().isEmpty());
        QCOMPARE(f.Text3->text(), location);
        QCOMPARE(f.Text4->text(), QStringLiteral("03.12.26"));
        if (spt) {
            QCOMPARE(f.Text5->toPlainText(), QString::fromUtf8("Zweite Zeile\nNähe Schule\n"));
        }
        QCOMPARE(f.gridModels[0]->rowCount(), 3);
        QVERIFY(f.session().saved());
        QVERIFY(f.act_save->isEnabled() && f.act_saveas->isEnabled() && f.act_export->isEnabled());
        QCOMPARE(fx.fileName(), path);
        // A later cancelled "Öffnen" keeps the file as the current one.
        f.open_Click();
        QCOMPARE(fx.fileName(), path);
    }

    void openFailureKeepsTheMeasurement_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");  // null: the file does not exist
        QTest::addColumn<Via>("via");
        QTest::addColumn<QString>("message");  // the start of the one message; empty: none
        const QString format = QStringLiteral("Falsches Format!");
        const QString unreadable = QStringLiteral("Die Datei \"");
        const QByteArray noComma("kaputt\r\n<>\r\n");
        QTest::newRow("spt without comma") << "a.spt" << noComma << Via::Menu << format;
        QTest::newRow("log not from the device")
            << "d.log" << QByteArray("12:00:00,45\r\n") << Via::Menu << "";
        QTest::newRow("unknown kind") << "e.txt" << threeDayLog() << Via::Menu << "";
        QTest::newRow("capital extension") << "f.SPT" << smallSpt() << Via::Menu << "";
        QTest::newRow("broken spt dropped") << "g.spt" << noComma << Via::Drop << format;
        QTest::newRow("vanished before the drop")
            << "h.log" << QByteArray() << Via::Drop << unreadable;
        QTest::newRow("missing on the command line")
            << "fehlt.spt" << QByteArray() << Via::CommandLine << unreadable;
        // No filter chose a dropped file or one named on the command line: every file that is
        // not loaded says why.
        const QString noLog = QString::fromUtf8("ist kein Protokoll des Messgeräts");
        const QString foreign = QStringLiteral("ist weder eine .spt- noch eine .log-Datei");
        QTest::newRow("empty log on the command line")
            << "j.log" << QByteArray("") << Via::CommandLine << noLog;
        QTest::newRow("text file dropped") << "k.txt" << threeDayLog() << Via::Drop << foreign;
        QTest::newRow("capital extension on the command line")
            << "L.LOG" << threeDayLog() << Via::CommandLine << foreign;
    }
    void openFailureKeepsTheMeasurement() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(Via, via);
        QFETCH(QString, message);
        WindowFixture fx;
        Form1& f = *fx.form;
        const QString before = fx.write(QStringLiteral("vorher.log"), threeDayLog());
        QVERIFY(f.openPath(before));
        const QString path = bytes.isNull() ? fx.dir.filePath(name) : fx.write(name, bytes);
        if (via == Via::Menu) {
            fx.dialogs.fileAnswers.push_back(path);
            f.open_Click();
        } else if (via == Via::Drop) {
            QVERIFY(fx.drop({QUrl::fromLocalFile(path)}));
        } else {
            QVERIFY(!f.openNamedFile(QFile::encodeName(path).toStdString()));
        }
        const QStringList shown = fx.dialogs.messages();
        QCOMPARE(shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QVERIFY2(shown[0].contains(message), qPrintable(shown[0]));
            QCOMPARE(fx.dialogs.calls.back().title, Form1::messageTitle());
        }
        QCOMPARE(fx.fileName(), before);
        QCOMPARE(f.gridModels[0]->rowCount(), 3);
        QCOMPARE(f.gridModels[1]->rowCount(), 2);
        QCOMPARE(f.Text4->text(), QStringLiteral("03.12.26"));
        QVERIFY(f.dlg_daten->isHidden());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void dropAsksBeforeReplacingUnsavedData_data() {
        QTest::addColumn<Answer>("answer");
        QTest::newRow("Cancel keeps the data") << Answer::Cancel;
        QTest::newRow("No drops them") << Answer::No;
        QTest::newRow("Yes saves, then opens") << Answer::Yes;
    }
    void dropAsksBeforeReplacingUnsavedData() {
        QFETCH(Answer, answer);
        WindowFixture fx;
        Form1& f = *fx.form;
        fx.typeLocation(QStringLiteral("Ungespeichert"));
        const QString savedAs = fx.dir.filePath(QStringLiteral("gesichert.spt"));
        fx.dialogs.answers.push_back(answer);
        fx.dialogs.fileAnswers.push_back(savedAs);  // the save dialog, when Yes leads there
        QVERIFY(fx.drop({QUrl::fromLocalFile(fx.write(QStringLiteral("k.log"), threeDayLog()))}));
        QCOMPARE(fx.dialogs.messages(), QStringList{kSaveQuestion});
        QCOMPARE(f.gridModels[0]->rowCount(), answer == Answer::Cancel ? 0 : 3);
        QCOMPARE(fx.read(savedAs).contains("Ungespeichert"), answer == Answer::Yes);
        if (answer == Answer::Cancel) {
            QCOMPARE(f.Text3->text(), QStringLiteral("Ungespeichert"));
            QVERIFY(!f.session().saved());
        }
    }

    void refusedDrags_data() {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QString>("text");
        const auto file = [](const char* path) { return QUrl::fromLocalFile(path); };
        QTest::newRow("web address") << QList<QUrl>{QUrl("https://example.org/k.log")} << "";
        QTest::newRow("two files") << QList<QUrl>{file("/tmp/a.log"), file("/tmp/b.spt")} << "";
        QTest::newRow("plain text") << QList<QUrl>{} << "/tmp/karte.log";
    }
    void refusedDrags() {
        QFETCH(QList<QUrl>, urls);
        QFETCH(QString, text);
        WindowFixture fx;
        fx.typeLocation(QStringLiteral("Ungespeichert"));
        QVERIFY(!fx.drop(urls, text));
        // Even the drop that arrives anyway changes nothing and asks nothing.
        QVERIFY(fx.dialogs.calls.empty());
        QCOMPARE(fx.form->Text3->text(), QStringLiteral("Ungespeichert"));
        QVERIFY(fx.fileName().isEmpty());
    }

    // A name that is not valid UTF-8 (a Latin-1 byte from a card written elsewhere) opens by its
    // bytes from the command line and by drag and drop, and the headless report reads and
    // writes such names unchanged.
    void namesInTheFileSystemsOwnBytes() {
        WindowFixture fx;
        Form1& f = *fx.form;
        const std::string dir = QFile::encodeName(fx.dir.path()).toStdString();
        const std::string log = dir + "/M\xfcller.log";
        const std::string spt = dir +
                                "/Stra\xdf"
                                "e.spt";
        for (const auto& [path, bytes] :
             {std::pair{log, threeDayLog()}, std::pair{spt, smallSpt()}}) {
            std::ofstream(path, std::ios::binary) << bytes.toStdString();
        }
        QVERIFY(f.openNamedFile(log));
        QCOMPARE(f.session().fileName(), log);
        const QByteArray encoded =
            "file://" + QByteArray::fromStdString(spt).toPercentEncoding("/");
        QVERIFY(fx.drop({QUrl::fromEncoded(encoded)}));
        QCOMPARE(f.session().fileName(), spt);
        QCOMPARE(f.Text3->text(), QStringLiteral("Ort A"));
        QVERIFY(fx.dialogs.messages().isEmpty());

        QProcess p;
        p.setWorkingDirectory(fx.dir.path());
        p.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("exec \"$0\" --pdf \"$(printf 'Bericht\\374.pdf')\" "
                                "\"$(printf 'M\\374ller.log')\""),
                 QStringLiteral(KORVALA_APP)});
        QVERIFY(p.waitForFinished(120000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        std::ifstream pdf(dir + "/Bericht\xfc.pdf", std::ios::binary);
        std::string head(5, '\0');
        QVERIFY(pdf.read(head.data(), 5) && head == "%PDF-");
    }

    void savingWritesAndReadsBack() {
        WindowFixture fx;
        Form1& f = *fx.form;
        fx.open(QStringLiteral("messung.spt"), smallSpt());
        fx.typeLocation(QString::fromUtf8("Hauptstraße"));
        const QString target = fx.dir.filePath(QStringLiteral("neu.spt"));
        fx.dialogs.fileAnswers.push_back(target);
        f.act_saveas->trigger();
        // An opened .spt is proposed under its own name, and a name typed without extension
        // gets it.
        const auto saveCalls = fx.dialogs.callsOf(Kind::SaveFile);
        QCOMPARE(saveCalls.at(0).proposedName, fx.dir.filePath(QStringLiteral("messung.spt")));
        QCOMPARE(saveCalls[0].defaultExt, QStringLiteral("spt"));
        QVERIFY(fx.dialogs.messages().isEmpty());
        QVERIFY(f.session().saved());
        QCOMPARE(fx.fileName(), target);
        QCOMPARE(fx.read(target), savedSpt("Hauptstra\xdf"
                                           "e"));
        QVERIFY(f.openPath(target));
        QCOMPARE(f.Text3->text(), QString::fromUtf8("Hauptstraße"));
        QCOMPARE(f.lbl_ds->text(), QStringLiteral("3"));
        // "Speichern" writes to the .spt file without a dialog, and only a changed measurement.
        fx.write(QStringLiteral("neu.spt"), "Markierung");
        f.act_save->trigger();
        QCOMPARE(fx.read(target), QByteArray("Markierung"));
        fx.typeLocation(QStringLiteral("Ort A"));
        f.act_save->trigger();
        // Read back, the empty line before "<>" went with the double line break: the file is
        // the one the measurement came from.
        QCOMPARE(fx.read(target), smallSpt());
        QCOMPARE(fx.dialogs.callsOf(Kind::SaveFile).size(), std::size_t(1));
        QVERIFY(f.session().saved());
    }

    // Saving and the exports need a site, and ask before they replace a file.
    void writers_data() {
        QTest::addColumn<Target>("target");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("file");     // "alt" exists beforehand
        QTest::addColumn<int>("answer");       // to the overwrite question; -1: not asked
        QTest::addColumn<QString>("message");  // the start of the last message; empty: the question
        const QString day = QStringLiteral("03.12.26");
        const QString alt = QStringLiteral("alt"), neu = QStringLiteral("neu");
        const int yes = int(Answer::Yes), no = int(Answer::No);
        for (const auto& [name, target] :
             {std::pair{"spt", Target::Spt}, {"CSV", Target::Csv}, {"RTF list", Target::Rtf}}) {
            QTest::addRow("%s, Ja replaces", name) << target << "Ort A" << day << alt << yes << "";
            QTest::addRow("%s, Nein keeps", name) << target << "Ort A" << day << alt << no << "";
        }
        QTest::newRow("spt, empty location") << Target::Spt << "" << day << neu << -1 << kNoSite;
        QTest::newRow("CSV, empty date") << Target::Csv << "Ort"
                                         << "" << neu << -1 << kNoSite;
        QTest::newRow("spt, missing folder") << Target::Spt << "Ort A" << day << "x/y.spt" << -1
                                             << "Die Datei konnte nicht gespeichert werden:";
    }
    void writers() {
        QFETCH(Target, target);
        QFETCH(QString, location);
        QFETCH(QString, date);
        QFETCH(QString, file);
        QFETCH(int, answer);
        QFETCH(QString, message);
        WindowFixture fx;
        Form1& f = *fx.form;
        fx.open(QStringLiteral("messung.spt"), smallSpt());
        fx.typeLocation(QStringLiteral("Ort"));
        f.Text3->setText(location);
        f.Text4->setText(date);
        const QString path = fx.dir.filePath(file);
        if (answer >= 0) {
            fx.write(file, "alter Inhalt");
            fx.dialogs.answers.push_back(static_cast<Answer>(answer));
        }
        fx.dialogs.fileAnswers.push_back(path);
        startWriting(fx, target);
        const QStringList shown = fx.dialogs.messages();
        const bool writes = message.isEmpty() && answer != int(Answer::No);
        QCOMPARE(shown.contains(kOverwrite), answer >= 0);
        QVERIFY(shown.value(shown.size() - 1).startsWith(message.isEmpty() ? kOverwrite : message));
        QCOMPARE(fx.dialogs.callsOf(Kind::SaveFile).size(), std::size_t(message != kNoSite));
        QCOMPARE(fx.read(path) == "alter Inhalt", answer == int(Answer::No));
        QCOMPARE(fx.read(path).isEmpty(), answer < 0 && !writes);
        if (target == Target::Spt) {
            QCOMPARE(f.session().saved(), writes);
            QVERIFY(answer < 0 || fx.fileName() == (writes ? path : QString()));
        }
    }

    void saveProposesANewSptFile_data() {
        QTest::addColumn<int>("before");  // 0: a log opened, 1: export cancelled, 2: CSV written
        QTest::addColumn<bool>("byExitQuestion");
        QTest::newRow("log, Speichern") << 0 << false;
        QTest::newRow("log, Ja to the exit question") << 0 << true;
        QTest::newRow("export cancelled, Speichern") << 1 << false;
        QTest::newRow("export cancelled, Ja to the exit question") << 1 << true;
        // The cancelled Öffnen takes the CSV's path, the name the file dialog held last.
        QTest::newRow("CSV written, Öffnen cancelled, Speichern") << 2 << false;
    }
    // "Speichern" writes in place only to a .spt file. After a log, or an export that left its
    // name behind (a bare name, or the exported file's path), it asks where, and must neither
    // replace the log or the export nor write into the folder the program was started from.
    void saveProposesANewSptFile() {
        QFETCH(int, before);
        QFETCH(bool, byExitQuestion);
        WindowFixture fx;
        Form1& f = *fx.form;
        QTemporaryDir startFolder;
        const auto restore = qScopeGuard([cwd = QDir::currentPath()] { QDir::setCurrent(cwd); });
        QVERIFY(QDir::setCurrent(startFolder.path()));
        fx.open(before == 0 ? QStringLiteral("karte.log") : QStringLiteral("messung.spt"),
                before == 0 ? threeDayLog() : smallSpt());
        const QString opened = fx.fileName();
        const QString csv = fx.dir.filePath(QStringLiteral("daten/export.csv"));
        if (before > 0) {
            fx.dialogs.fileAnswers.push_back(before == 2 ? std::optional(csv) : std::nullopt);
            f.act_export->trigger();
            const QString defName = QString::fromStdString(f.session().defFileName());
            QCOMPARE(fx.dialogs.callsOf(Kind::SaveFile)[0].proposedName, defName + ".csv");
            if (before == 2) {
                fx.dialogs.fileAnswers.push_back(std::nullopt);
                f.act_open->trigger();
            }
            QCOMPARE(fx.fileName(), before == 2 ? csv : defName);
        }
        const QByteArray openedBytes = fx.read(opened), exported = fx.read(csv);
        fx.typeLocation(QStringLiteral("Ort A"));
        const QString target = fx.dir.filePath(QStringLiteral("daten/neu.spt"));
        fx.dialogs.fileAnswers.push_back(target);
        if (byExitQuestion) {
            fx.dialogs.answers.push_back(Answer::Yes);
            f.saveall();
        } else {
            f.act_save->trigger();
        }
        const QStringList written = QDir(startFolder.path()).entryList(QDir::Files);
        QVERIFY2(written.isEmpty(), qPrintable(written.join(QLatin1Char(','))));
        QCOMPARE(fx.read(opened), openedBytes);
        QCOMPARE(fx.read(csv), exported);
        QCOMPARE(fx.dialogs.callsOf(Kind::SaveFile).back().proposedName,
                 QStringLiteral("Ort A031226.spt"));
        QVERIFY(fx.read(target).startsWith("\"spt\",\"Ort A\",\"03.12.26\"\r\n"));
        QCOMPARE(fx.fileName(), target);
        QVERIFY(f.session().saved());
    }

    void exitPaths_data() {
        QTest::addColumn<bool>("titleBar");
        QTest::addColumn<QString>("location");  // null: nothing typed
        QTest::addColumn<int>("answer");        // -1: no question expected
        QTest::addColumn<bool>("exits");
        const int yes = int(Answer::Yes), no = int(Answer::No);
        QTest::newRow("nothing unsaved") << false << QString() << -1 << true;
        QTest::newRow("No gives the data up") << false << "Ort A" << no << true;
        QTest::newRow("Cancel stays") << false << "Ort A" << int(Answer::Cancel) << false;
        QTest::newRow("Yes saves, then exits") << false << "Ort A" << yes << true;
        QTest::newRow("Yes without location") << false << "" << yes << false;
        // The title bar asks as well, but the window stays whatever the answer.
        QTest::newRow("title bar, nothing unsaved") << true << QString() << -1 << true;
        QTest::newRow("title bar, No") << true << "Ort A" << no << false;
        QTest::newRow("title bar, Yes") << true << "Ort A" << yes << false;
    }
    void exitPaths() {
        QFETCH(bool, titleBar);
        QFETCH(QString, location);
        QFETCH(int, answer);
        QFETCH(bool, exits);
        WindowFixture fx;
        Form1& f = *fx.form;
        int shutdowns = 0;
        f.beforeExit = [&] { ++shutdowns; };
        f.show();
        if (!location.isNull()) {
            // A key press in a site field is enough, even with no measurement loaded.
            fx.typeLocation(location.isEmpty() ? QStringLiteral(" ") : location);
            f.Text3->setText(location);
        }
        if (answer >= 0) {
            fx.dialogs.answers.push_back(static_cast<Answer>(answer));
        }
        const QString target = fx.dir.filePath(QStringLiteral("ende.spt"));
        fx.dialogs.fileAnswers.push_back(target);
        if (titleBar) {
            QCOMPARE(f.close(), exits);
        } else {
            f.act_exit->trigger();
        }
        const auto asked = fx.dialogs.callsOf(Kind::Ask);
        QCOMPARE(asked.size(), std::size_t(answer < 0 ? 0 : 1));
        if (answer >= 0) {
            QCOMPARE(asked[0].title, QStringLiteral("Speichern?"));
            QCOMPARE(asked[0].text, kSaveQuestion);
            QCOMPARE(asked[0].buttons, Buttons::YesNoCancel);
        }
        const bool saves = answer == int(Answer::Yes) && !location.isEmpty();
        QCOMPARE(fx.dialogs.callsOf(Kind::SaveFile).size(), std::size_t(saves ? 1 : 0));
        QCOMPARE(fx.read(target).startsWith("\"spt\",\"Ort A\",\"06.12.26\"\r\n"), saves);
        if (answer == int(Answer::Yes) && location.isEmpty()) {
            QCOMPARE(fx.dialogs.messages().last(),
                     QStringLiteral("Bitte geben Sie Ort und Datum ein! "));
        }
        QCOMPARE(f.isVisible(), !exits);
        QCOMPARE(shutdowns, exits ? 1 : 0);
        if (titleBar && !exits) {
            // The data are saved or given up: the second close ends without a question.
            QVERIFY(f.close());
            QCOMPARE(fx.dialogs.callsOf(Kind::Ask).size(), std::size_t(1));
        }
    }

    // A .spt cannot hold every text (a remark line with "<>" ends the remark there): each save
    // path says what would be lost and writes only after Ja.
    void savePathsWarnBeforeLosingText_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("agree");
        for (const char* path : {"Speichern", "Speichern unter", "Beenden"}) {
            QTest::addRow("%s, Ja", path) << QString::fromLatin1(path) << true;
            QTest::addRow("%s, Nein", path) << QString::fromLatin1(path) << false;
        }
    }
    void savePathsWarnBeforeLosingText() {
        QFETCH(QString, path);
        QFETCH(bool, agree);
        WindowFixture fx;
        Form1& f = *fx.form;
        fx.open(QStringLiteral("messung.spt"), smallSpt());
        const QString opened = fx.fileName();
        const QString other = fx.dir.filePath(QStringLiteral("neu.spt"));
        fx.typeLocation(QStringLiteral("Ort A"));
        f.Text5->setPlainText(QStringLiteral("Zeile\nmit <> mitten\nEnde"));
        const QString written = path == QLatin1String("Speichern unter") ? other : opened;
        if (path == QLatin1String("Beenden")) {
            fx.dialogs.answers.push_back(Answer::Yes);  // the save question
        }
        fx.dialogs.answers.push_back(agree ? Answer::Yes : Answer::No);
        fx.dialogs.fileAnswers.push_back(other);
        (path == QLatin1String("Speichern")         ? f.act_save
         : path == QLatin1String("Speichern unter") ? f.act_saveas
                                                    : f.act_exit)
            ->trigger();
        QStringList warnings;
        for (const auto& call : fx.dialogs.callsOf(Kind::Ask)) {
            if (call.title == QLatin1String("Speichern") && call.buttons == Buttons::YesNo) {
                warnings << call.text;
            }
        }
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains(QStringLiteral("\nBemerkung: \"Zeile ↵ mit <> mitt\" statt "
                                                     "\"Zeile ↵ mit <> mitten ↵ Ende\"")),
                 qPrintable(warnings[0]));
        QVERIFY(warnings[0].endsWith(QStringLiteral("\n\nTrotzdem speichern?")));
        QCOMPARE(fx.read(written) != (written == opened ? smallSpt() : QByteArray()), agree);
        QCOMPARE(f.session().saved(), agree);
    }

    void rtfList_data() {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<Answer>("answer");
        QTest::newRow("OK writes the list") << true << Answer::Ok;
        QTest::newRow("Cancel in the question") << true << Answer::Cancel;
        QTest::newRow("nothing loaded") << false << Answer::Ok;
    }
    void rtfList() {
        QFETCH(bool, loaded);
        QFETCH(Answer, answer);
        WindowFixture fx;
        Form1& f = *fx.form;
        if (loaded) {
            fx.open(QStringLiteral("messung.spt"), smallSpt());
        }
        const QString target = fx.dir.filePath(QStringLiteral("liste.rtf"));
        fx.dialogs.answers.push_back(answer);
        fx.dialogs.fileAnswers.push_back(target);
        f.cmd_datendruck->click();
        QCOMPARE(fx.dialogs.callsOf(Kind::Ask).at(0).buttons, Buttons::OkCancel);
        const bool writes = loaded && answer == Answer::Ok;
        const auto saved = fx.dialogs.callsOf(Kind::SaveFile);
        QCOMPARE(saved.size(), std::size_t(writes));
        if (!writes) {
            return;
        }
        // Three records: one page head and single-column lines numbered without a leading blank.
        const QByteArray written = fx.read(target);
        QVERIFY(written.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1031"));
        QVERIFY(written.contains("\r\n3\\tab  Zeit: 08:20:00\\tab v = 48 km/h\\par\r\n"));
        QVERIFY(written.endsWith("\\f1\\fs20\\par}\r\n\r\n"));
        QCOMPARE(f.session().panel(1), std::string());  // the progress text is gone
    }

    void csvExportWritesEveryVehicle() {
        WindowFixture fx;
        Form1& f = *fx.form;
        fx.open(QStringLiteral("karte.log"), threeDayLog());
        // Spaces around the site texts stay in the fields but not in the file.
        f.Text3->setText(QString::fromUtf8("  Hauptstraße "));
        const QString target = fx.dir.filePath(QStringLiteral("export.csv"));
        fx.dialogs.fileAnswers.push_back(target);
        f.act_export->trigger();
        QVERIFY(fx.dialogs.messages().isEmpty());
        QCOMPARE(fx.dialogs.callsOf(Kind::SaveFile).at(0).defaultExt, QStringLiteral("csv"));
        // All days in stored order; the vehicle with speed 0 takes no number.
        QCOMPARE(fx.read(target), QByteArray("Hauptstra\xdf"
                                             "e;03.12.26\r\n"
                                             "Nr.;Uhrzeit;Geschwindigkeit\r\n"
                                             " 1;08:00:00;45\r\n"
                                             " 2;09:00:00;55\r\n"
                                             " 3;11:00:00;62\r\n"
                                             " 4;07:00:00;38\r\n"
                                             " 5;08:30:00;41\r\n"
                                             " 6;06:00:00;50\r\n"
                                             " 7;06:10:00;52\r\n"));
    }
};

QTEST_MAIN(TestForm1Files)
#include "test_form1_files.moc"
