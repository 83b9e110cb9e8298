// Files through the main window: opening by menu, command line and drag and drop, saving, the two
// exports, and the ways out of the program. Which boxes are shown, that each command reaches its
// writer, and that no path loses data or overwrites a file without a question.

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

// The head of smallSpt() saved with the site "Ort A".
const QByteArray kSptHead = "\"spt\",\"Ort A\",\"03.12.26\"\r\n";

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
    // Öffnen never asks. A drop asks before it replaces unsaved data, and a drag of anything but
    // one local file is refused.
    void opensByMenuAndDrop() {
        WindowFixture fx;
        Form1& f = *fx.form;
        const QString log = fx.write(QStringLiteral("karte.log"), threeDayLog());
        const QString spt = fx.write(QStringLiteral("messung.spt"), smallSpt());
        fx.typeLocation(QStringLiteral("Bleibt"));
        fx.dialogs.fileAnswers.push_back(log);
        f.act_open->trigger();
        QCOMPARE(fx.dialogs.calls[0].filter, QStringLiteral("(*.spt);;(*.log)"));
        QVERIFY(fx.dialogs.messages().isEmpty());
        QCOMPARE(f.Text3->text(), QStringLiteral("Bleibt"));  // a log brings no site
        QCOMPARE(f.gridModels[0]->rowCount(), 3);
        QVERIFY(f.session().saved());
        QVERIFY(f.act_save->isEnabled() && f.act_saveas->isEnabled() && f.act_export->isEnabled());
        QCOMPARE(fx.fileName(), log);
        f.open_Click();  // cancelled
        QCOMPARE(fx.fileName(), log);

        fx.typeLocation(QStringLiteral("Ungespeichert"));
        fx.dialogs.clear();
        const auto url = [](const QString& path) { return QUrl::fromLocalFile(path); };
        QVERIFY(!fx.drop({QUrl(QStringLiteral("https://example.org/k.log"))}));
        QVERIFY(!fx.drop({url(spt), url(log)}));
        QVERIFY(!fx.drop({}, spt));
        QVERIFY(fx.dialogs.calls.empty());  // even the refused drops that arrive anyway

        // Abbrechen keeps the unsaved data, Nein gives them up, Ja saves them first.
        fx.dialogs.answers = {Answer::Cancel, Answer::No, Answer::Yes};
        QVERIFY(fx.drop({url(spt)}));
        QCOMPARE(f.Text3->text(), QStringLiteral("Ungespeichert"));
        QVERIFY(!f.session().saved());
        QCOMPARE(fx.fileName(), log);
        QVERIFY(fx.drop({url(spt)}));
        QCOMPARE(f.Text3->text(), QStringLiteral("Ort A"));
        QCOMPARE(f.Text5->toPlainText(), QString::fromUtf8("Zweite Zeile\nNähe Schule\n"));
        QVERIFY(f.session().saved());
        fx.typeLocation(QStringLiteral("Gesichert"));
        QVERIFY(fx.drop({url(log)}));
        QVERIFY(fx.read(spt).startsWith("\"spt\",\"Gesichert\""));
        QCOMPARE(fx.fileName(), log);
        QCOMPARE(fx.dialogs.messages(), QStringList(3, kSaveQuestion));
    }

    // A file that cannot be loaded, by any way of opening, leaves the measurement as it was.
    // The dialog's filter offers neither a foreign file nor, by its name, a log that is none:
    // opened by menu the latter passes in silence, by drop or command line each says why.
    void openFailureKeepsTheMeasurement() {
        struct Case {
            const char* name;
            QByteArray bytes;  // null: the file does not exist
            Via via;
            const char* message;  // a part of the one message; empty: none
        };
        const QByteArray noComma("kaputt\r\n<>\r\n"), noLog("12:00:00,45\r\n");
        const char* unreadable = "Die Datei \"";
        const char* foreign = "ist weder eine .spt- noch eine .log-Datei";
        const Case cases[] = {
            {"a.spt", noComma, Via::Menu, "Falsches Format!"},
            {"b.log", noLog, Via::Menu, ""},
            {"c.spt", noComma, Via::Drop, "Falsches Format!"},
            {"d.log", {}, Via::Drop, unreadable},
            {"e.spt", {}, Via::CommandLine, unreadable},
            {"f.log", noLog, Via::CommandLine, "ist kein Protokoll des Messgeräts"},
            {"g.txt", threeDayLog(), Via::Drop, foreign},
            {"H.LOG", threeDayLog(), Via::CommandLine, foreign}};
        WindowFixture fx;
        Form1& f = *fx.form;
        const QString before = fx.write(QStringLiteral("vorher.log"), threeDayLog());
        QVERIFY(f.openPath(before));
        for (const Case& c : cases) {
            fx.dialogs.clear();
            const QString name = QString::fromLatin1(c.name);
            const QString path = c.bytes.isNull() ? fx.dir.filePath(name) : fx.write(name, c.bytes);
            if (c.via == Via::Menu) {
                fx.dialogs.fileAnswers.push_back(path);
                f.open_Click();
            } else if (c.via == Via::Drop) {
                QVERIFY(fx.drop({QUrl::fromLocalFile(path)}));
            } else {
                QVERIFY(!f.openNamedFile(QFile::encodeName(path).toStdString()));
            }
            const QString shown = fx.dialogs.messages().join(QLatin1Char('|'));
            QVERIFY2(fx.dialogs.messages().size() == (*c.message ? 1 : 0), c.name);
            QVERIFY2(shown.contains(QString::fromUtf8(c.message)), qPrintable(shown));
            QCOMPARE(fx.fileName(), before);
            QCOMPARE(f.gridModels[1]->rowCount(), 2);
            QCOMPARE(f.Text4->text(), QStringLiteral("03.12.26"));
            QVERIFY(f.dlg_daten->isHidden() && QApplication::overrideCursor() == nullptr);
        }
    }

    // A name that is not valid UTF-8 (a Latin-1 byte from a card written elsewhere) opens by its
    // bytes from the command line and by drag and drop, and the headless report reads and
    // writes such names unchanged.
    void namesInTheFileSystemsOwnBytes() {
        WindowFixture fx;
        Form1& f = *fx.form;
        const std::string dir = QFile::encodeName(fx.dir.path()).toStdString();
        const std::string log = dir + "/M\xfcller.log";
        const std::string spt = dir + "/Stra\xdf" + "e.spt";
        std::ofstream(log, std::ios::binary) << threeDayLog().toStdString();
        std::ofstream(spt, std::ios::binary) << smallSpt().toStdString();
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

    // Saving and the exports need a site, ask before they replace a file, and write the window's
    // measurement (all else the writers' own tests pin).
    void writers_data() {
        QTest::addColumn<Target>("target");
        QTest::addColumn<QByteArray>("part");  // of what smallSpt() with the site "Ort A" gives
        QTest::addColumn<QString>("file");     // "alt" exists beforehand
        QTest::addColumn<int>("answer");       // to the overwrite question; -1: not asked
        QTest::addColumn<QString>("message");  // the start of the last message; empty: the question
        const QByteArray csv =
            "Ort A;03.12.26\r\nNr.;Uhrzeit;Geschwindigkeit\r\n 1;08:00:00;40\r\n";
        const QByteArray rtf = "\r\n3\\tab  Zeit: 08:20:00\\tab v = 48 km/h\\par\r\n";
        const int yes = int(Answer::Yes), no = int(Answer::No);
        for (const auto& [name, target, part] : {std::tuple{"spt", Target::Spt, kSptHead},
                                                 {"CSV", Target::Csv, csv},
                                                 {"RTF list", Target::Rtf, rtf}}) {
            QTest::addRow("%s, Ja replaces", name) << target << part << "alt" << yes << "";
            QTest::addRow("%s, Nein keeps", name) << target << part << "alt" << no << "";
        }
        QTest::newRow("spt, no site") << Target::Spt << kSptHead << "neu" << -1 << kNoSite;
        QTest::newRow("CSV, no site") << Target::Csv << csv << "neu" << -1 << kNoSite;
        QTest::newRow("spt, missing folder") << Target::Spt << kSptHead << "x/y.spt" << -1
                                             << "Die Datei konnte nicht gespeichert werden:";
    }
    void writers() {
        QFETCH(Target, target);
        QFETCH(QByteArray, part);
        QFETCH(QString, file);
        QFETCH(int, answer);
        QFETCH(QString, message);
        WindowFixture fx;
        Form1& f = *fx.form;
        fx.open(QStringLiteral("messung.spt"), smallSpt());
        fx.typeLocation(QStringLiteral("Ort"));
        f.Text3->setText(message == kNoSite ? QString() : QStringLiteral("Ort A"));
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
        QCOMPARE(fx.read(path).contains(part), writes);
        if (target == Target::Spt) {
            QCOMPARE(f.session().saved(), writes);
            QVERIFY(answer < 0 || fx.fileName() == (writes ? path : QString()));
        }
    }

    // The list is formatted only after OK, and only from records.
    void rtfListNeedsOkAndRecords() {
        WindowFixture fx;
        fx.dialogs.answers = {Answer::Ok, Answer::Cancel};
        fx.form->cmd_datendruck->click();
        fx.open(QStringLiteral("messung.spt"), smallSpt());
        fx.form->cmd_datendruck->click();
        QCOMPARE(fx.dialogs.messages().size(), 2);
        QVERIFY(fx.dialogs.callsOf(Kind::SaveFile).empty());
    }

    // "Speichern" writes in place only to a .spt file. After a log, or an export that left its
    // name behind (a bare name, or the exported file's path), it asks where, and must neither
    // replace the log or the export nor write into the folder the program was started from.
    void saveProposesANewSptFile() {
        WindowFixture fx;
        Form1& f = *fx.form;
        QTemporaryDir startFolder;
        const auto restore = qScopeGuard([cwd = QDir::currentPath()] { QDir::setCurrent(cwd); });
        QVERIFY(QDir::setCurrent(startFolder.path()));
        fx.open(QStringLiteral("karte.log"), threeDayLog());
        const QString log = fx.fileName(), csv = fx.dir.filePath(QStringLiteral("daten/a.csv"));
        const auto typeAndSave = [&](const QString& name, bool byExitQuestion) {
            const QString target = fx.dir.filePath(name);
            fx.typeLocation(QStringLiteral("Ort A"));
            fx.dialogs.fileAnswers.push_back(target);
            if (byExitQuestion) {
                fx.dialogs.answers.push_back(Answer::Yes);
                f.saveall();
            } else {
                f.act_save->trigger();
            }
            QVERIFY2(fx.read(target).startsWith(kSptHead), qPrintable(name));
            QCOMPARE(fx.fileName(), target);
        };
        typeAndSave(QStringLiteral("neu1.spt"), false);
        fx.dialogs.fileAnswers.push_back(std::nullopt);
        f.act_export->trigger();
        QCOMPARE(fx.fileName(), QString::fromStdString(f.session().defFileName()));
        typeAndSave(QStringLiteral("neu2.spt"), true);
        // A cancelled Öffnen takes the name the file dialog held last.
        fx.dialogs.fileAnswers = {csv, std::nullopt};
        f.act_export->trigger();
        f.act_open->trigger();
        QCOMPARE(fx.fileName(), csv);
        const QByteArray exported = fx.read(csv);
        typeAndSave(QStringLiteral("neu3.spt"), false);
        QCOMPARE(fx.read(csv), exported);
        QCOMPARE(fx.read(log), threeDayLog());
        QVERIFY(QDir(startFolder.path()).isEmpty());
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
        QCOMPARE(fx.dialogs.callsOf(Kind::Ask).size(), std::size_t(answer < 0 ? 0 : 1));
        const bool saves = answer == int(Answer::Yes) && !location.isEmpty();
        QCOMPARE(fx.dialogs.callsOf(Kind::SaveFile).size(), std::size_t(saves ? 1 : 0));
        QCOMPARE(fx.read(target).startsWith("\"spt\",\"Ort A\",\"06.12.26\"\r\n"), saves);
        QCOMPARE(
            fx.dialogs.messages().contains(QStringLiteral("Bitte geben Sie Ort und Datum ein! ")),
            answer == int(Answer::Yes) && location.isEmpty());
        QCOMPARE(f.isVisible(), !exits);
        QCOMPARE(shutdowns, exits ? 1 : 0);
    }

    // Speichern unter makes the new file the current one; Speichern then writes there without a
    // dialog, and only a changed measurement. A .spt cannot hold every text (a remark line with
    // "<>" ends the remark there): each save path says what would be lost, and writes after Ja.
    void saveAndSaveAs() {
        WindowFixture fx;
        Form1& f = *fx.form;
        fx.open(QStringLiteral("messung.spt"), smallSpt());
        fx.typeLocation(QString::fromUtf8("Hauptstraße"));
        const QString target = fx.dir.filePath(QStringLiteral("neu.spt"));
        fx.dialogs.fileAnswers.push_back(target);
        f.act_saveas->trigger();
        QVERIFY(fx.dialogs.messages().isEmpty());
        QVERIFY(f.session().saved());
        QCOMPARE(fx.fileName(), target);
        QVERIFY(
            fx.read(target).startsWith("\"spt\",\"Hauptstra\xdf"
                                       "e\",\"03.12.26\"\r\n"));
        fx.write(QStringLiteral("neu.spt"), "Markierung");
        f.act_save->trigger();
        QCOMPARE(fx.read(target), QByteArray("Markierung"));

        fx.typeLocation(QStringLiteral("Ort A"));
        f.Text5->setPlainText(QStringLiteral("Zeile\nmit <> mitten\nEnde"));
        const QString other = fx.dir.filePath(QStringLiteral("anders.spt"));
        fx.dialogs.fileAnswers.push_back(other);
        // Nein to the warnings of Speichern, Speichern unter and Beenden (that one after Ja to its
        // save question), then Ja to the one of Speichern.
        fx.dialogs.answers = {Answer::No, Answer::No, Answer::Yes, Answer::No, Answer::Yes};
        f.act_save->trigger();
        f.act_saveas->trigger();
        f.act_exit->trigger();
        QCOMPARE(fx.read(target), QByteArray("Markierung"));
        QVERIFY(!QFile::exists(other));
        QVERIFY(!f.session().saved());
        f.act_save->trigger();
        QVERIFY(fx.read(target).startsWith(kSptHead));
        QVERIFY(f.session().saved());
        QCOMPARE(fx.dialogs.callsOf(Kind::SaveFile).size(), std::size_t(1));
        QStringList warnings;
        for (const auto& call : fx.dialogs.callsOf(Kind::Ask)) {
            if (call.buttons == Buttons::YesNo && call.text.contains(QStringLiteral("Bemerkung"))) {
                warnings << call.text;
            }
        }
        QCOMPARE(warnings.size(), 4);
        QVERIFY(warnings[0].endsWith(QStringLiteral("\n\nTrotzdem speichern?")));
    }
};

QTEST_MAIN(TestForm1Files)
#include "test_form1_files.moc"
