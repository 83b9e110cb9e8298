// The two exports of the main window: the RTF list of all records behind the "Messliste" button
// and the CSV file of the "Export (CSV)" menu entry. What the user is asked, what the save dialog
// proposes, and the bytes that reach the disk.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolButton>

#include "test_form1_support.h"

using namespace korvala::ui;
using namespace korvala::ui::test;
using Kind = ScriptedDialogs::Kind;

class TestForm1Exports : public QObject {
    Q_OBJECT

  private slots:
    void rtfListIsSavedAfterTheQuestion();
    void rtfListStopsWithoutConsent_data();
    void rtfListStopsWithoutConsent();
    void csvExportWritesEveryVehicle();
    void csvExportNeedsLocationAndDate_data();
    void csvExportNeedsLocationAndDate();
    void declinedOverwriteKeepsTheOldFile_data();
    void declinedOverwriteKeepsTheOldFile();
    void exportNameBecomesTheMeasurementsName();
};

void TestForm1Exports::rtfListIsSavedAfterTheQuestion() {
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("messung.spt"), smallSpt());
    const QString target = fx.dir.filePath(QStringLiteral("liste.rtf"));
    fx.dialogs.answers.push_back(Answer::Ok);
    fx.dialogs.fileAnswers.push_back(target);
    f.cmd_datendruck->click();

    const auto asked = fx.dialogs.callsOf(Kind::Ask);
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(asked[0].text,
             QStringLiteral(
                 "Sollen die Messdaten jezt formatiert werden. Dies kann einige Minuten dauern "));
    QCOMPARE(asked[0].buttons, Buttons::OkCancel);
    const auto told = fx.dialogs.callsOf(Kind::Inform);
    QCOMPARE(told.size(), std::size_t(1));
    QCOMPARE(told[0].text,
             QString::fromUtf8(
                 "Die Daten werden in das RTF-Format konvertiert. \r\n Sie können die erstellte "
                 "Datei mit Microsoft Write/WordPad, MS Word Drucken oder weiter bearbeiten!\r\n"
                 " Bitte speichern Sie die Datei ab!"));
    const auto saved = fx.dialogs.callsOf(Kind::SaveFile);
    QCOMPARE(saved.size(), std::size_t(1));
    QCOMPARE(saved[0].filter, QStringLiteral("RichText (*.rtf)"));
    QCOMPARE(saved[0].defaultExt, QStringLiteral("rtf"));
    QVERIFY2(saved[0].proposedName.endsWith(QStringLiteral(".rtf")),
             qPrintable(saved[0].proposedName));

    const QByteArray written = WindowFixture::read(target);
    QCOMPARE(written, QByteArray::fromStdString(f.session().rtfDocument()) + "\r\n");
    // Three records: one page head and single-column lines numbered without a leading blank.
    QVERIFY(written.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1031"));
    QVERIFY(written.contains("\r\n1\\tab  Zeit: 08:00:00\\tab v = 40 km/h\\par\r\n"));
    QVERIFY(written.contains("\r\n3\\tab  Zeit: 08:20:00\\tab v = 48 km/h\\par\r\n"));
    QVERIFY(written.endsWith("\\f1\\fs20\\par}\r\n\r\n"));
    // The progress text is gone again once the file is written.
    QCOMPARE(f.session().panel(1), std::string());
}

void TestForm1Exports::rtfListStopsWithoutConsent_data() {
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("answer");
    QTest::newRow("Cancel in the question") << true << int(Answer::Cancel);
    QTest::newRow("nothing loaded") << false << int(Answer::Ok);
}

void TestForm1Exports::rtfListStopsWithoutConsent() {
    QFETCH(bool, loaded);
    QFETCH(int, answer);
    WindowFixture fx;
    Form1& f = *fx.form;
    if (loaded) {
        fx.open(QStringLiteral("messung.spt"), smallSpt());
    }
    fx.dialogs.answers.push_back(static_cast<Answer>(answer));
    f.cmd_datendruck_Click();
    QCOMPARE(fx.dialogs.callsOf(Kind::Ask).size(), std::size_t(1));
    QVERIFY(fx.dialogs.callsOf(Kind::SaveFile).empty());
    QVERIFY(fx.dialogs.callsOf(Kind::Inform).empty());
}

void TestForm1Exports::csvExportWritesEveryVehicle() {
    WindowFixture fx;
    Form1& f = *fx.form;
    QVERIFY(!f.act_export->isEnabled());
    fx.open(QStringLiteral("karte.log"), threeDayLog());
    QVERIFY(f.act_export->isEnabled());
    // Spaces around the site texts stay in the fields but not in the file.
    f.Text3->setText(QString::fromUtf8("  Hauptstraße "));
    const QString target = fx.dir.filePath(QStringLiteral("export.csv"));
    fx.dialogs.fileAnswers.push_back(target);
    f.act_export->trigger();

    QVERIFY(fx.dialogs.messages().isEmpty());
    const auto saved = fx.dialogs.callsOf(Kind::SaveFile);
    QCOMPARE(saved.size(), std::size_t(1));
    QCOMPARE(saved[0].filter, QStringLiteral("CSV (*.csv)"));
    QCOMPARE(saved[0].defaultExt, QStringLiteral("csv"));
    // All days in stored order; the vehicle with speed 0 takes no number.
    QCOMPARE(WindowFixture::read(target), QByteArray("Hauptstra\xdf"
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

void TestForm1Exports::csvExportNeedsLocationAndDate_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("date");
    QTest::newRow("one-letter location") << "A"
                                         << "03.12.26";
    QTest::newRow("empty date") << "Ort"
                                << "";
}

void TestForm1Exports::csvExportNeedsLocationAndDate() {
    QFETCH(QString, location);
    QFETCH(QString, date);
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("karte.log"), threeDayLog());
    f.Text3->setText(location);
    f.Text4->setText(date);
    f.act_export->trigger();
    QCOMPARE(fx.dialogs.messages(),
             QStringList{QStringLiteral("Ort oder Datum ist nicht eingegeben!")});
    QVERIFY(fx.dialogs.callsOf(Kind::SaveFile).empty());
}

void TestForm1Exports::declinedOverwriteKeepsTheOldFile_data() {
    QTest::addColumn<bool>("csv");
    QTest::newRow("RTF list") << false;
    QTest::newRow("CSV") << true;
}

void TestForm1Exports::declinedOverwriteKeepsTheOldFile() {
    QFETCH(bool, csv);
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("messung.spt"), smallSpt());
    const QString existing =
        fx.write(csv ? QStringLiteral("alt.csv") : QStringLiteral("alt.rtf"), "alter Inhalt");
    if (!csv) {
        fx.dialogs.answers.push_back(Answer::Ok);
    }
    fx.dialogs.fileAnswers.push_back(existing);
    fx.dialogs.answers.push_back(Answer::No);
    if (csv) {
        f.act_export->trigger();
    } else {
        f.cmd_datendruck->click();
    }
    const auto asked = fx.dialogs.callsOf(Kind::Ask);
    QCOMPARE(asked.back().title, QString::fromUtf8("Überschreiben"));
    QCOMPARE(WindowFixture::read(existing), QByteArray("alter Inhalt"));
}

void TestForm1Exports::exportNameBecomesTheMeasurementsName() {
    WindowFixture fx;
    Form1& f = *fx.form;
    fx.open(QStringLiteral("messung.spt"), smallSpt());
    fx.dialogs.fileAnswers.push_back(std::nullopt);
    f.act_export->trigger();
    // Even a cancelled export leaves the proposed name behind: a later save starts from it.
    const auto saved = fx.dialogs.callsOf(Kind::SaveFile);
    QCOMPARE(saved.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(f.session().fileName()),
             QString::fromStdString(f.session().defFileName()));
    QCOMPARE(saved[0].proposedName,
             QString::fromStdString(f.session().defFileName()) + QStringLiteral(".csv"));
}

QTEST_MAIN(TestForm1Exports)
#include "test_form1_exports.moc"
