// Opening and saving through the main window, and the ways out of the program: which boxes are
// shown with which texts and buttons, what is written, and when the window stays open.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextEdit>

#include "test_form1_support.h"
#include "ui/day_grid_model.h"

using namespace korvala::ui;
using namespace korvala::ui::test;
using Kind = ScriptedDialogs::Kind;

class TestForm1Files : public QObject {
    Q_OBJECT

  private:
    // A window with a measurement typed in: location and date set, nothing saved yet.
    static void makeUnsaved(WindowFixture& fx, const QString& location = QStringLiteral("Ort A")) {
        fx.typeLocation(location);
        QVERIFY(!fx.form->session().saved());
    }

  private slots:
    void openLog();
    void openSpt();
    void openDialogStartsInDatenFolder();
    void openFailures_data();
    void openFailures();
    void cancelledOpenTakesDialogsPreviousName();
    void commandLineFileIsOpened();

    void saveAsWritesAndMarksSaved();
    void saveAsNeedsLocationAndDate_data();
    void saveAsNeedsLocationAndDate();
    void saveAsCancelEmptiesFileName();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void saveWithUnchangedDataWritesNothing();
    void saveAfterLogNeverTouchesTheLog();
    void saveAfterExportAsksWhere_data();
    void saveAfterExportAsksWhere();
    void writeErrorIsReported();

    void exitByMenu_data();
    void exitByMenu();
    void titleBarCloseStaysOpenWhileUnsaved();
};

void TestForm1Files::openLog() {
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.typeLocation(QStringLiteral("Bleibt"));
    const QString path = fx.write(QStringLiteral("karte.log"), threeDayLog());
    fx.dialogs.fileAnswers.push_back(path);
    f.act_open->trigger();
    QVERIFY(fx.dialogs.messages().isEmpty());
    // A log carries only the start date; the typed location stays.
    QCOMPARE(f.Text3->text(), QStringLiteral("Bleibt"));
    QCOMPARE(f.Text4->text(), QStringLiteral("03.12.26"));
    QVERIFY(f.session().saved());
    QCOMPARE(QString::fromStdString(f.session().fileName()), path);
    QVERIFY(f.act_save->isEnabled());
    QVERIFY(f.act_saveas->isEnabled());
    QVERIFY(f.act_export->isEnabled());
    QCOMPARE(f.gridModels[0]->rowCount(), 3);
}

void TestForm1Files::openSpt() {
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("messung.spt"), smallSpt());
    QVERIFY(fx.dialogs.messages().isEmpty());
    QCOMPARE(f.Text3->text(), QStringLiteral("Ort A"));
    QCOMPARE(f.Text4->text(), QStringLiteral("03.12.26"));
    QCOMPARE(f.Text5->toPlainText(), QString::fromUtf8("Zweite Zeile\nNähe Schule\n"));
    QCOMPARE(f.lbl_ds->text(), QStringLiteral("3"));
    QVERIFY(f.rtf->toPlainText().contains(QStringLiteral("Ort:\t\tOrt A")));
    // Opening never asks to save what was there before.
    fx.typeLocation(QStringLiteral("ungespeichert"));
    fx.open(QStringLiteral("messung.spt"), smallSpt());
    QVERIFY(fx.dialogs.callsOf(Kind::Ask).empty());
    QCOMPARE(f.Text3->text(), QStringLiteral("Ort A"));
}

void TestForm1Files::openDialogStartsInDatenFolder() {
    WindowFixture fx;
    fx.form->open_Click();  // cancelled: no answer queued
    const auto opened = fx.dialogs.callsOf(Kind::OpenFile);
    QCOMPARE(opened.size(), std::size_t(1));
    QCOMPARE(opened[0].filter, QStringLiteral("(*.spt);;(*.log)"));
    QCOMPARE(QDir(opened[0].dir).canonicalPath(),
             QDir(fx.dir.filePath(QStringLiteral("daten"))).canonicalPath());
    QVERIFY(QFileInfo(opened[0].dir).isDir());
}

void TestForm1Files::openFailures_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("spt without comma")
        << "a.spt" << QByteArray("kaputt\r\n<>\r\n") << "Falsches Format!";
    QTest::newRow("spt of another kind")
        << "b.spt" << QByteArray("\"txt\",\"Ort\",\"01.01.26\"\r\n<>\r\n") << "Falsches Format!";
    QTest::newRow("spt without end of remark")
        << "c.spt" << QByteArray("\"spt\",\"Ort\",\"01.01.26\"\r\nBemerkung\r\n")
        << "Falsches Format!";
    QTest::newRow("log not from the device") << "d.log" << QByteArray("12:00:00,45\r\n") << "";
    QTest::newRow("unknown kind") << "e.txt" << threeDayLog() << "";
    QTest::newRow("capital extension") << "f.SPT" << smallSpt() << "";
}

void TestForm1Files::openFailures() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    WindowFixture fx;
    Form1& f = *fx.form;
    const QString before = fx.write(QStringLiteral("vorher.log"), threeDayLog());
    QVERIFY(f.openPath(before));
    fx.dialogs.clear();
    fx.open(name, bytes);
    const QStringList shown = fx.dialogs.messages();
    if (message.isEmpty()) {
        QVERIFY(shown.isEmpty());
    } else {
        QCOMPARE(shown, QStringList{message});
        QCOMPARE(fx.dialogs.calls.back().icon, Icon::Critical);
        QCOMPARE(fx.dialogs.calls.back().title, Form1::messageTitle());
    }
    // The previous measurement is still there, grids included.
    QCOMPARE(QString::fromStdString(f.session().fileName()), before);
    QCOMPARE(f.gridModels[0]->rowCount(), 3);
    QCOMPARE(f.gridModels[1]->rowCount(), 2);
    QCOMPARE(f.Text4->text(), QStringLiteral("03.12.26"));
    QVERIFY(f.dlg_daten->isHidden());
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TestForm1Files::cancelledOpenTakesDialogsPreviousName() {
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("karte.log"), threeDayLog());
    f.Text3->setText(QStringLiteral("Ort B"));
    // A cancelled save dialog empties fileName, but the dialog keeps the name it proposed.
    f.saveas_Click();
    QVERIFY(f.session().fileName().empty());
    const QString proposed = fx.dialogs.callsOf(Kind::SaveFile).back().proposedName;
    QCOMPARE(proposed, QStringLiteral("Ort B031226.spt"));
    f.open_Click();
    QCOMPARE(QString::fromStdString(f.session().fileName()), proposed);
    QCOMPARE(f.lastDialogName, proposed);
    // Nothing was loaded by the cancelled dialog.
    QCOMPARE(f.gridModels[0]->rowCount(), 3);
}

void TestForm1Files::commandLineFileIsOpened() {
    WindowFixture fx;
    const QString missing = fx.dir.filePath(QStringLiteral("fehlt.spt"));
    QVERIFY(!fx.form->openPath(missing));
    const QStringList shown = fx.dialogs.messages();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown[0].startsWith(QStringLiteral("Die Datei \"")));
    QVERIFY(shown[0].contains(QStringLiteral("fehlt.spt\" kann nicht gelesen werden: ")));
    QVERIFY(fx.form->openPath(fx.write(QStringLiteral("da.spt"), smallSpt())));
    QCOMPARE(fx.form->Text3->text(), QStringLiteral("Ort A"));
}

void TestForm1Files::saveAsWritesAndMarksSaved() {
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("messung.spt"), smallSpt());
    fx.typeLocation(QStringLiteral("Hauptstraße"));
    const QString target = fx.dir.filePath(QStringLiteral("neu.spt"));
    fx.dialogs.fileAnswers.push_back(target);
    f.act_saveas->trigger();
    const auto saveCalls = fx.dialogs.callsOf(Kind::SaveFile);
    QCOMPARE(saveCalls.size(), std::size_t(1));
    QCOMPARE(saveCalls[0].filter, QStringLiteral("(*.spt)"));
    QCOMPARE(saveCalls[0].defaultExt, QStringLiteral("spt"));
    // An opened .spt is proposed under its own name.
    QCOMPARE(saveCalls[0].proposedName, fx.dir.filePath(QStringLiteral("messung.spt")));
    QVERIFY(fx.dialogs.messages().isEmpty());
    QVERIFY(f.session().saved());
    QCOMPARE(QString::fromStdString(f.session().fileName()), target);
    const QByteArray written = WindowFixture::read(target);
    QVERIFY(
        written.startsWith("\"spt\",\"Hauptstra\xdf"
                           "e\",\"03.12.26\"\r\n"));
    QVERIFY(written.contains("\r\n2,08:20:00,48\r\n"));
    // Read back, it is the same measurement.
    QVERIFY(f.openPath(target));
    QCOMPARE(f.Text3->text(), QString::fromUtf8("Hauptstraße"));
    QCOMPARE(f.lbl_ds->text(), QStringLiteral("3"));
}

void TestForm1Files::saveAsNeedsLocationAndDate_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("date");
    QTest::newRow("empty location") << ""
                                    << "03.12.26";
    QTest::newRow("one-letter location") << "A"
                                         << "03.12.26";
    QTest::newRow("one-letter date") << "Ort"
                                     << "3";
}

void TestForm1Files::saveAsNeedsLocationAndDate() {
    QFETCH(QString, location);
    QFETCH(QString, date);
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("karte.log"), threeDayLog());
    f.Text3->setText(location);
    f.Text4->setText(date);
    f.saveas_Click();
    QCOMPARE(fx.dialogs.messages(),
             QStringList{QStringLiteral("Ort oder Datum ist nicht eingegeben!")});
    QVERIFY(fx.dialogs.callsOf(Kind::SaveFile).empty());
}

void TestForm1Files::saveAsCancelEmptiesFileName() {
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("messung.spt"), smallSpt());
    makeUnsaved(fx);
    fx.dialogs.fileAnswers.push_back(std::nullopt);
    f.saveas_Click();
    QVERIFY(f.session().fileName().empty());
    QVERIFY(!f.session().saved());
}

void TestForm1Files::overwriteQuestion_data() {
    QTest::addColumn<bool>("agree");
    QTest::newRow("Yes writes") << true;
    QTest::newRow("No writes nothing") << false;
}

void TestForm1Files::overwriteQuestion() {
    QFETCH(bool, agree);
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("karte.log"), threeDayLog());
    makeUnsaved(fx);
    const QString existing = fx.write(QStringLiteral("alt.spt"), "alter Inhalt");
    fx.dialogs.fileAnswers.push_back(existing);
    fx.dialogs.answers.push_back(agree ? Answer::Yes : Answer::No);
    f.saveas_Click();
    const auto asked = fx.dialogs.callsOf(Kind::Ask);
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(asked[0].title, QString::fromUtf8("Überschreiben"));
    QCOMPARE(asked[0].text,
             QString::fromUtf8("Die Datei existiert bereits. Möchten Sie diese Überschreiben? "));
    QCOMPARE(asked[0].buttons, Buttons::YesNo);
    const QByteArray content = WindowFixture::read(existing);
    if (agree) {
        QVERIFY(content.startsWith("\"spt\",\"Ort A\""));
        QCOMPARE(QString::fromStdString(f.session().fileName()), existing);
        QVERIFY(f.session().saved());
    } else {
        QCOMPARE(content, QByteArray("alter Inhalt"));
        QVERIFY(f.session().fileName().empty());
        QVERIFY(!f.session().saved());
    }
}

void TestForm1Files::saveWithUnchangedDataWritesNothing() {
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("messung.spt"), smallSpt());
    const QString path = QString::fromStdString(f.session().fileName());
    fx.write(QStringLiteral("messung.spt"), "Markierung");
    f.act_save->trigger();
    QCOMPARE(WindowFixture::read(path), QByteArray("Markierung"));
    QVERIFY(fx.dialogs.calls.size() == 1);  // only the open dialog
    // With a change, "Speichern" writes to the same file without a dialog.
    makeUnsaved(fx);
    f.act_save->trigger();
    QVERIFY(WindowFixture::read(path).startsWith("\"spt\",\"Ort A\""));
    QCOMPARE(fx.dialogs.calls.size(), std::size_t(1));
    QVERIFY(f.session().saved());
}

void TestForm1Files::saveAfterLogNeverTouchesTheLog() {
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("karte.log"), threeDayLog());
    const QString logPath = QString::fromStdString(f.session().fileName());
    fx.typeLocation(QStringLiteral("Waldweg"));
    // Through "Speichern" ...
    fx.dialogs.fileAnswers.push_back(std::nullopt);
    f.act_save->trigger();
    // ... and through the exit question.
    const QString target = fx.dir.filePath(QStringLiteral("daten/Waldw031226.spt"));
    fx.dialogs.answers.push_back(Answer::Yes);
    fx.dialogs.fileAnswers.push_back(target);
    f.session().adoptFileName(logPath.toStdString());
    f.saveall();
    const auto saveCalls = fx.dialogs.callsOf(Kind::SaveFile);
    QCOMPARE(saveCalls.size(), std::size_t(2));
    for (const auto& call : saveCalls) {
        QCOMPARE(call.proposedName, QStringLiteral("Waldw031226.spt"));
    }
    QCOMPARE(WindowFixture::read(logPath), threeDayLog());
    QVERIFY(WindowFixture::read(target).startsWith("\"spt\",\"Waldweg\",\"03.12.26\""));
    QVERIFY(f.session().saved());
    QCOMPARE(QString::fromStdString(f.session().fileName()), target);
}

void TestForm1Files::saveAfterExportAsksWhere_data() {
    QTest::addColumn<bool>("exportWritten");
    QTest::addColumn<bool>("byExitQuestion");
    QTest::newRow("export cancelled, Speichern") << false << false;
    QTest::newRow("export cancelled, Ja to the exit question") << false << true;
    // The cancelled Öffnen takes the CSV's path, the name the file dialog held last.
    QTest::newRow("CSV written, Öffnen cancelled, Speichern") << true << false;
}

// An export leaves its name behind as the measurement's name: a bare name without folder and
// extension, or (through a cancelled Öffnen) the path of the exported file. "Speichern" must
// neither write into the folder the program was started from nor replace the export.
void TestForm1Files::saveAfterExportAsksWhere() {
    QFETCH(bool, exportWritten);
    QFETCH(bool, byExitQuestion);
    WindowFixture fx;
    Form1& f = *fx.form;
    QTemporaryDir startFolder;
    const QString previousCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(startFolder.path()));
    fx.open(QStringLiteral("messung.spt"), smallSpt());
    const QString csv = fx.dir.filePath(QStringLiteral("daten/export.csv"));
    if (exportWritten) {
        fx.dialogs.fileAnswers.push_back(csv);
        f.act_export->trigger();
        fx.dialogs.fileAnswers.push_back(std::nullopt);
        f.act_open->trigger();
        QCOMPARE(QString::fromStdString(f.session().fileName()), csv);
    } else {
        fx.dialogs.fileAnswers.push_back(std::nullopt);
        f.act_export->trigger();
        QVERIFY(QFileInfo(QString::fromStdString(f.session().fileName())).isRelative());
    }
    const QByteArray exported = WindowFixture::read(csv);
    makeUnsaved(fx);
    const QString target = fx.dir.filePath(QStringLiteral("daten/Ort A031226.spt"));
    fx.dialogs.fileAnswers.push_back(target);
    if (byExitQuestion) {
        fx.dialogs.answers.push_back(Answer::Yes);
        f.saveall();
    } else {
        f.act_save->trigger();
    }
    const QStringList written = QDir(startFolder.path()).entryList(QDir::Files);
    QVERIFY(QDir::setCurrent(previousCurrent));
    QVERIFY2(written.isEmpty(), qPrintable(written.join(QLatin1Char(','))));
    QCOMPARE(WindowFixture::read(csv), exported);
    const auto saveCalls = fx.dialogs.callsOf(Kind::SaveFile);
    QCOMPARE(saveCalls.size(), std::size_t(2));  // the export and the save
    QCOMPARE(saveCalls[1].proposedName, QStringLiteral("Ort A031226.spt"));
    QVERIFY(WindowFixture::read(target).startsWith("\"spt\",\"Ort A\",\"03.12.26\""));
    QVERIFY(f.session().saved());
    QCOMPARE(QString::fromStdString(f.session().fileName()), target);
}

void TestForm1Files::writeErrorIsReported() {
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("karte.log"), threeDayLog());
    makeUnsaved(fx);
    const QString target = fx.dir.filePath(QStringLiteral("gibt/es/nicht.spt"));
    fx.dialogs.fileAnswers.push_back(target);
    f.saveas_Click();
    const QStringList shown = fx.dialogs.messages();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown[0].startsWith(QStringLiteral("Die Datei konnte nicht gespeichert werden:")));
    QVERIFY(shown[0].contains(QStringLiteral("nicht.spt")));
    QVERIFY(!f.session().saved());
    QVERIFY(!QFileInfo::exists(target));
    // The window goes on: the exit question still guards the data.
    fx.dialogs.answers.push_back(Answer::Cancel);
    f.show();
    f.exit_Click();
    QVERIFY(f.isVisible());
}

void TestForm1Files::exitByMenu_data() {
    QTest::addColumn<bool>("unsaved");
    QTest::addColumn<QString>("location");
    QTest::addColumn<int>("answer");  // -1: no question expected
    QTest::addColumn<bool>("saveDialog");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("exits");
    QTest::newRow("nothing unsaved") << false << "" << -1 << false << "" << true;
    QTest::newRow("No gives the data up")
        << true << "Ort A" << int(Answer::No) << false << "" << true;
    QTest::newRow("Cancel stays") << true << "Ort A" << int(Answer::Cancel) << false << "" << false;
    QTest::newRow("Yes saves, then exits")
        << true << "Ort A" << int(Answer::Yes) << true << "" << true;
    QTest::newRow("Yes without location") << true << "" << int(Answer::Yes) << false
                                          << "Bitte geben Sie Ort und Datum ein! " << false;
}

void TestForm1Files::exitByMenu() {
    QFETCH(bool, unsaved);
    QFETCH(QString, location);
    QFETCH(int, answer);
    QFETCH(bool, saveDialog);
    QFETCH(QString, hint);
    QFETCH(bool, exits);
    WindowFixture fx;
    Form1& f = *fx.form;
    int shutdowns = 0;
    f.beforeExit = [&] { ++shutdowns; };
    f.show();
    if (unsaved) {
        // A key press in a site field is enough, even with no measurement loaded.
        fx.typeLocation(location.isEmpty() ? QStringLiteral(" ") : location);
        if (location.isEmpty()) {
            f.Text3->clear();
        }
    }
    if (answer >= 0) {
        fx.dialogs.answers.push_back(static_cast<Answer>(answer));
    }
    const QString target = fx.dir.filePath(QStringLiteral("ende.spt"));
    if (saveDialog) {
        fx.dialogs.fileAnswers.push_back(target);
    }
    f.act_exit->trigger();

    const auto asked = fx.dialogs.callsOf(Kind::Ask);
    if (answer < 0) {
        QVERIFY(asked.empty());
    } else {
        QCOMPARE(asked.size(), std::size_t(1));
        QCOMPARE(asked[0].title, QStringLiteral("Speichern?"));
        QCOMPARE(asked[0].text, QStringLiteral("Sollen die Aktuellen Daten gespeichert werden?"));
        QCOMPARE(asked[0].buttons, Buttons::YesNoCancel);
    }
    QCOMPARE(fx.dialogs.callsOf(Kind::SaveFile).size(), std::size_t(saveDialog ? 1 : 0));
    QCOMPARE(QFileInfo::exists(target), saveDialog);
    if (!hint.isEmpty()) {
        QCOMPARE(fx.dialogs.callsOf(Kind::Inform).back().text, hint);
    }
    QCOMPARE(f.isVisible(), !exits);
    QCOMPARE(shutdowns, exits ? 1 : 0);
    QCOMPARE(fx.dialogs.unanswered, 0);
}

void TestForm1Files::titleBarCloseStaysOpenWhileUnsaved() {
    WindowFixture fx;
    Form1& f = *fx.form;
    f.show();
    fx.typeLocation(QStringLiteral("Ort A"));
    fx.dialogs.answers.push_back(Answer::No);
    QVERIFY(!f.close());
    QVERIFY(f.isVisible());
    QCOMPARE(fx.dialogs.callsOf(Kind::Ask).size(), std::size_t(1));
    QVERIFY(f.session().saved());
    // The second close ends without a question.
    QVERIFY(f.close());
    QVERIFY(!f.isVisible());
    QCOMPARE(fx.dialogs.callsOf(Kind::Ask).size(), std::size_t(1));

    // A Yes that cannot save keeps the window as well.
    WindowFixture fx2;
    fx2.form->show();
    fx2.typeLocation(QStringLiteral("Ort A"));
    fx2.dialogs.answers.push_back(Answer::Yes);
    fx2.dialogs.fileAnswers.push_back(fx2.dir.filePath(QStringLiteral("zu.spt")));
    QVERIFY(!fx2.form->close());
    QVERIFY(fx2.form->isVisible());
    QVERIFY(fx2.form->session().saved());
    QVERIFY(fx2.form->close());
}

QTEST_MAIN(TestForm1Files)
#include "test_form1_files.moc"
