// The traffic report PDF read back with poppler: a small report's pages as checked by hand, the
// day pages against the report page, cancelling and failures, the headless command `korvala --pdf`
// as a cron job runs it, and the report and the comparison as the window offers them.

#include <QBarSeries>
#include <QBarSet>

#include "model/measurement_file.h"
#include "output/report/traffic_report.h"
#include "session/session.h"
#include "test_form1_support.h"
#include "ui/analyse_page.h"
#include "ui/comparison_view.h"
#include "ui/report_actions.h"

using namespace korvala;
using namespace korvala::ui;
using namespace korvala::ui::test;
using print_test::pageCount;
using Kind = ScriptedDialogs::Kind;

namespace {

// Text of one page (1-based) as laid out, every run of blanks made one blank, empty lines gone.
QString pageText(const QString& pdf, int page) {
    return print_test::pageLines(pdf, page).join(QLatin1Char('\n'));
}

// Thursday 03.12.26, a complete day, and Friday, evaluated by hand at 50 km/h. Day 1: 36, 38, 44
// (written twice), 51, 47, 62, 3 (implausible, yet a vehicle), 55, 49, 53; sorted 3 36 38 44 47
// 49 51 53 55 62: v50 (rank 5) 47, v85 (rank 9) 55, over 50: 4 of 10, leicht erhöht. Day 2: 41,
// 58, 46: v50 46, v85 58, 1 of 3, auffällig. All 13: v50 (rank 7) 47, v85 (rank 12) 58, over 50:
// 5 of 13 = 38,5 %, auffällig; daily traffic 10,0 (day 1 alone is complete).
const QByteArray kLog =
    "/03/12/2026/00:20:00,36\r\n/03/12/2026/07:10:00,38\r\n/03/12/2026/07:20:00,44\r\n"
    "/03/12/2026/07:20:00,44\r\n/03/12/2026/07:40:00,51\r\n/03/12/2026/08:05:00,47\r\n"
    "/03/12/2026/08:30:00,62\r\n/03/12/2026/12:00:00,3\r\n/03/12/2026/17:15:00,55\r\n"
    "/03/12/2026/17:45:00,49\r\n/03/12/2026/23:40:00,53\r\n/04/12/2026/06:30:00,41\r\n"
    "/04/12/2026/07:00:00,58\r\n/04/12/2026/07:30:00,46\r\n";

// Vorher: Thursday 03.12.26 with 40, 50, 60, 70 km/h, Friday with 45 and 55 km/h.
// Sorted: 40 45 50 55 60 70 -> v50 (rank 3) 50, v85 (rank 6) 70; over 50 km/h: 3 of 6, one each
// in the bands +1–5 (55), +6–10 (60) and +16–20 (70).
const QByteArray kBefore =
    "/03/12/2026/08:00:00,40\r\n/03/12/2026/09:00:00,50\r\n/03/12/2026/10:00:00,60\r\n"
    "/03/12/2026/11:00:00,70\r\n/04/12/2026/08:00:00,45\r\n/04/12/2026/09:00:00,55\r\n";
// Nachher, one week later: Thursday 30, 40, 50, 52 km/h, Friday 48 km/h.
// Sorted: 30 40 48 50 52 -> v50 (rank 3) 48, v85 (rank 5) 52; over 50 km/h: 1 of 5 (+1–5).
const QByteArray kAfter =
    "/10/12/2026/08:00:00,30\r\n/10/12/2026/09:00:00,40\r\n/10/12/2026/10:00:00,50\r\n"
    "/10/12/2026/11:00:00,52\r\n/11/12/2026/08:00:00,48\r\n";
const QString kMinus = QString::fromUtf8("−");

QStringList pdfFilesIn(const QString& dir) {
    QStringList found;
    for (const QString& sub : {QString(), QStringLiteral("daten")})
        found << QDir(QDir(dir).filePath(sub)).entryList({QStringLiteral("*.pdf*")}, QDir::Files);
    return found;
}

// A window holding the Vorher measurement at a typed site, so it is unsaved.
struct Loaded : WindowFixture {
    Loaded() {
        open(QStringLiteral("vorher.log"), kBefore);
        typeLocation(QString::fromUtf8("Hauptstraße 5"));
    }
    ReportActions& actions() const { return *form->reportActions; }
    ComparisonView& view() const { return *actions().view(); }
};

}  // namespace

class TestTrafficReport : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    Session session_{"06.12.26"};
    Analysis analysis_;
    QString pdf_;  // the report of session_ without comparison: 6 pages

    QString path(const QString& name) const { return dir_.filePath(name); }

    bool load(Session& s, const QString& name, const QByteArray& bytes) {
        const QString file = path(name);
        return saveBytes(file, bytes) &&
               s.openFile(file.toStdString()).outcome == LoadOutcome::Loaded;
    }
    // Writes the report of `s` at `limit` and returns its file, empty on failure.
    QString report(const Session& s, int limit, const QString& name) {
        const QString file = path(name);
        const Analysis a = s.analyze(limit);
        return writeTrafficReportPdf(file, trafficReportInput(s, a), nullptr) ? file : QString();
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty());
        QVERIFY(load(session_, QStringLiteral("nord.log"), kLog));
        session_.setLocation("Hauptstraße 12, Nord");
        session_.setRemark("Vor der Schule\r\nzweite Zeile");
        analysis_ = session_.analyze(50);
        pdf_ = path(QStringLiteral("bericht.pdf"));
        QString error = QStringLiteral("alt");
        QVERIFY2(writeTrafficReportPdf(pdf_, trafficReportInput(session_, analysis_), &error),
                 qPrintable(error));
        QVERIFY(error.isEmpty());
    }

    // The title, overview, heat map and quality pages read as checked by hand, line by line (the
    // day pages carry the report page's text, below).
    void pagesReadAsCheckedByHand() {
        QCOMPARE(pageCount(pdf_), 6);
        QStringList lines;
        for (int page : {1, 2, 3, 6})
            lines += print_test::pageLines(pdf_, page);
        QFile golden(QFINDTESTDATA("golden/bericht.txt"));
        QVERIFY(golden.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(lines, QString::fromUtf8(golden.readAll()).split('\n', Qt::SkipEmptyParts));
    }

    // Each day page carries the report text exactly as the window's report page shows it after
    // a click on that day.
    void dayPagesCarryTheReportPageText() {
        for (int day = 0; day < 2; ++day) {
            session_.showDay(day);
            const QString page = pageText(pdf_, 4 + day);
            int checked = 0;
            for (const QString& line :
                 QString::fromStdString(session_.reportText()).split("\r\n")) {
                if (line.simplified().isEmpty())
                    continue;
                QVERIFY2(page.contains(line.simplified()), qPrintable(line));
                ++checked;
            }
            QVERIFY(checked > 20);
            QVERIFY(page.contains(QStringLiteral("Seite %1 von 6").arg(day + 4)));
        }
    }

    // Progress counts every page; cancelling at any page keeps an earlier file as it was and
    // leaves nothing beside it. Without an analysis nothing is written.
    void progressAndCancel() {
        const TrafficReportInput in = trafficReportInput(session_, analysis_);
        std::vector<std::pair<int, int>> calls;
        QVERIFY(writeTrafficReportPdf(path("fortschritt.pdf"), in, nullptr, [&](int d, int t) {
            calls.emplace_back(d, t);
            return true;
        }));
        QCOMPARE(calls.size(), std::size_t{6});
        QCOMPARE(calls.back(), std::make_pair(6, 6));

        QTemporaryDir target;
        const QString file = QDir(target.path()).filePath(QStringLiteral("abbruch.pdf"));
        QVERIFY(saveBytes(file, "frueher"));
        QString error = QStringLiteral("alt");
        int pages = 0;
        QVERIFY(!writeTrafficReportPdf(file, in, &error, [&](int, int) { return ++pages < 3; }));
        QVERIFY(error.isEmpty());
        QCOMPARE(pages, 3);
        QVERIFY(!writeTrafficReportPdf(file, {}, &error));
        QCOMPARE(error, QStringLiteral("Keine Messung ausgewertet."));
        QCOMPARE(fileBytes(file), QByteArray("frueher"));
        QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // Awkward data still gives a whole report: a day of zero readings says so on its page instead
    // of borrowing another day's captions; a long list of implausible readings gives way to the
    // rules, and what is listed and what is counted as left out add up.
    void awkwardMeasurement() {
        QByteArray bytes =
            "/01/12/2026/22:00:00,0\r\n/01/12/2026/23:00:00,0\r\n"
            "/02/12/2026/07:00:00,38\r\n/02/12/2026/07:00:30,44\r\n";
        for (int i = 0; i < 150; ++i)
            bytes += QStringLiteral("/02/12/2026/10:%1:%2,%3\r\n")
                         .arg(i / 60, 2, 10, QLatin1Char('0'))
                         .arg(i % 60, 2, 10, QLatin1Char('0'))
                         .arg(i % 2 ? 2 : 230)
                         .toLatin1();
        Session s("06.12.26");
        QVERIFY(load(s, QStringLiteral("schwierig.log"), bytes));
        const QString pdf = report(s, 30, QStringLiteral("schwierig.pdf"));
        const QString empty = pageText(pdf, 4);
        for (const char* line :
             {"Messungen: 0", "Niedrigste Geschwindigkeit: --", "keine Fahrzeuge"})
            QVERIFY2(empty.contains(line), qPrintable(line + QStringLiteral("\n---\n") + empty));
        const QString q = pageText(pdf, 6);
        const QString list = q.mid(q.indexOf("Unplausible Geschwindigkeiten"));
        const qsizetype listed =
            list.count(QRegularExpression("Tag 2 10:\\d\\d:\\d\\d (2|230) km/h"));
        const auto rest = QRegularExpression("\\((\\d+) weitere nicht aufgeführt\\)").match(list);
        QVERIFY2(rest.hasMatch(), qPrintable(list));
        QVERIFY(listed >= 30);
        QCOMPARE(listed + rest.captured(1).toInt(), 150);
        QVERIFY(q.contains("Berechnungsregeln"));
        QVERIFY(q.contains("Seite 6 von 6"));
    }

    // The window program without display or platform, as a cron job or build server runs it.
    // It never writes over the measurement it reads, and names the lines it could not read.
    void headlessCommand_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        const QString log = path(QStringLiteral("nord.log")), out = path("headless.pdf");
        const QString broken = path(QStringLiteral("eine-falsch.log"));
        QVERIFY(saveBytes(broken, kLog + "/03/12/2026/9:7:xx,50\r\n"));
        QVERIFY(saveBytes(path(QStringLiteral("fremd.log")), "Dies ist kein Protokoll\r\n"));
        QVERIFY(QFile::link(log, path(QStringLiteral("nord.pdf"))));
        QTest::newRow("report") << QStringList{"--pdf", out, "--limit", "30", log} << 0 << "";
        QTest::newRow("a line not read") << QStringList{"--pdf", out, "--limit", "30", broken} << 0
                                         << "Falsches Format! 1 Zeile konnte nicht gelesen werden.";
        QTest::newRow("output is the measurement") << QStringList{"--pdf", path("nord.pdf"), log}
                                                   << 3 << "ist die Messdatei, aus der gelesen";
        QTest::newRow("limit not a number")
            << QStringList{"--pdf", out, "--limit", "schnell", log} << 1 << "5 bis 130";
        QTest::newRow("missing file")
            << QStringList{"--pdf", out, path("weg.log")} << 2 << "kann nicht gelesen werden";
        QTest::newRow("no device log")
            << QStringList{"--pdf", out, path("fremd.log")} << 2 << "kein Protokoll des Messgeräts";
        QTest::newRow("unwritable")
            << QStringList{"--pdf", path("fehlt/x.pdf"), log} << 3
            << "konnte nicht geschrieben werden: Datei oder Ordner nicht gefunden";
    }
    void headlessCommand() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        const QString out = path(QStringLiteral("headless.pdf"));
        QFile::remove(out);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KORVALA_APP), args);
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), exitCode);
        const QString output =
            QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
        QVERIFY2(output.contains(said), qPrintable(output));
        QCOMPARE(fileBytes(path(QStringLiteral("nord.log"))), kLog);
        QCOMPARE(QFile::exists(out), exitCode == 0 && args.contains(out));
        if (QFile::exists(out) && said.isEmpty()) {
            QCOMPARE(pageCount(out), 6);
            QVERIFY(pageText(out, 1).contains("Zulässige Höchstgeschwindigkeit: 30 km/h"));
        }
    }

    // "Bericht als PDF …" needs a measurement, asks where, writes there or tells why not, and
    // saves nothing. A cancel is the user's own choice and needs no message.
    void reportEntry() {
        WindowFixture empty;
        QVERIFY(!empty.form->reportActions->act_pdf->isEnabled());
        QVERIFY(!empty.form->reportActions->act_compareClose->isEnabled());
        Loaded fx;
        QAction* pdf = fx.actions().act_pdf;
        QVERIFY(pdf->isEnabled());
        fx.dialogs.fileAnswers = {std::nullopt, fx.dir.filePath("fehlt/bericht.pdf"),
                                  fx.dir.filePath("bericht.pdf")};
        pdf->trigger();  // the file dialog is cancelled
        pdf->trigger();
        // The progress dialog processes events while it counts pages.
        QTimer::singleShot(0, fx.form.get(), [&] {
            auto* progress = fx.form->findChild<QProgressDialog*>(QStringLiteral("reportProgress"));
            QVERIFY(progress != nullptr);
            progress->cancel();
        });
        pdf->trigger();
        QCOMPARE(fx.dialogs.fileAnswers.size(), std::size_t{0});
        const QString proposed =
            QString::fromStdString(createDefFileName("Hauptstraße 5", "03.12.26"));
        for (const ScriptedDialogs::Call& ask : fx.dialogs.callsOf(Kind::SaveFile)) {
            QCOMPARE(ask.dir, fx.form->datenDir());
            QCOMPARE(ask.defaultExt, QStringLiteral("pdf"));
            QCOMPARE(ask.proposedName, proposed + QStringLiteral(".pdf"));
        }
        const auto told = fx.dialogs.callsOf(Kind::Inform);
        QCOMPARE(told.size(), std::size_t{1});
        QCOMPARE(told[0].icon, Icon::Critical);
        QVERIFY(told[0].text.startsWith("Der Bericht konnte nicht geschrieben werden:"));
        QVERIFY(
            told[0].text.contains(QDir::toNativeSeparators(fx.dir.filePath("fehlt/bericht.pdf"))));
        QVERIFY(pdfFilesIn(fx.dir.path()).isEmpty());

        fx.dialogs.fileAnswers = {fx.dir.filePath("bericht.pdf")};
        pdf->trigger();
        QCOMPARE(pdfFilesIn(fx.dir.path()), QStringList{"bericht.pdf"});
        QVERIFY(pageText(fx.dir.filePath("bericht.pdf"), 1)
                    .contains(QString::fromUtf8("Hauptstraße 5")));
        QCOMPARE(fx.dialogs.callsOf(Kind::Inform).size(), std::size_t{1});
        // Writing a report is no saving: the measurement stays as unsaved as it was.
        QVERIFY(!fx.form->session().saved());
        QCOMPARE(fx.form->session().fileName(), fx.dir.filePath("vorher.log").toStdString());
    }

    // One comparison from opening to closing: its figures beside the window's, an unreadable
    // second file that changes nothing, the limit and a new load it follows, and the report's
    // comparison page exactly while it is open. The window's measurement is never touched.
    void comparisonWalk() {
        Loaded fx;
        const korvala::Session& s = fx.form->session();
        fx.dialogs.fileAnswers.push_back(fx.write(QStringLiteral("nachher.log"), kAfter));
        fx.actions().act_compare->trigger();
        QVERIFY(!fx.view().isHidden());
        const QTableWidget* whole = fx.view().wholeTable();
        QCOMPARE(tableRow(whole, 0), (QStringList{"6", "5", kMinus + "1"}));  // vehicles
        QCOMPARE(tableRow(whole, 3), (QStringList{"70 km/h", "52 km/h", kMinus + "18,0 km/h"}));
        QCOMPARE(tableRow(whole, 5), (QStringList{"16,7 %", "20,0 %", "+3,3 Pp."}));  // +1–5
        const QTableWidget* days = fx.view().dayTable();
        QCOMPARE(days->rowCount(), 2);
        // Thursday meets Thursday: vehicles 4/4, v50 rank 2 (50 / 40), v85 rank 4 (70 / 52),
        // over 50 km/h 2 of 4 / 1 of 4.
        QCOMPARE(tableRow(days, 0),
                 (QStringList{"1 Do/Do", "4", "4", "0", "50", "40", kMinus + "10,0", "70", "52",
                              kMinus + "18,0", "50,0", "25,0", kMinus + "25,0"}));
        QCOMPARE(fx.view().sourcesLabel()->text().section('\n', 0, 1),
                 QStringLiteral("Vorher: vorher.log\nNachher: nachher.log"));
        // Both distributions on one axis, classes 30–39 .. 70–79, in percent.
        const QList<QBarSet*> sets = fx.view().distribution()->barSets();
        QCOMPARE(sets.size(), 2);
        const QList<double> before{0, 100.0 / 3, 100.0 / 3, 100.0 / 6, 100.0 / 6},
            after{20, 40, 40, 0, 0};
        QCOMPARE(sets[0]->count() + sets[1]->count(), 10);
        for (int i = 0; i < 5; ++i)
            QVERIFY(qAbs(sets[0]->at(i) - before[i]) + qAbs(sets[1]->at(i) - after[i]) < 1e-9);

        fx.dialogs.fileAnswers.push_back(
            fx.write(QStringLiteral("kaputt.spt"), QByteArray("kein Messformat\r\n")));
        fx.actions().act_compare->trigger();
        QCOMPARE(fx.dialogs.calls.back().text, QStringLiteral("Falsches Format!"));
        QCOMPARE(tableRow(whole, 0).at(1), QStringLiteral("5"));
        QVERIFY(!s.saved());
        QCOMPARE(s.fileName(), fx.dir.filePath("vorher.log").toStdString());
        QCOMPARE(s.records().size(), std::size_t{6});
        QCOMPARE(fx.form->Text3->text(), QString::fromUtf8("Hauptstraße 5"));

        // Over 60 km/h: only the 70 of Vorher (1 of 6), none of Nachher.
        fx.form->analysePage->setLimit(60);
        QCOMPARE(tableRow(whole, 4), (QStringList{"16,7 %", "0,0 %", kMinus + "16,7 Pp."}));
        QCOMPARE(whole->verticalHeaderItem(4)->text(), QString::fromUtf8("Anteil über 60 km/h"));
        const QString with = fx.dir.filePath(QStringLiteral("mit.pdf"));
        QVERIFY(fx.actions().writeReport(with));
        // Its last page, by hand from the speeds above; Friday: 45 55 / 48.
        QCOMPARE(pageCount(with), 7);
        const QStringList page = print_test::pageLines(with, 7);
        for (const char* line :
             {"Nachher: nachher.log", "Anteil über 60 km/h 16,7 % 0,0 % −16,7 Pp.",
              "1 Do/Do 4 4 0 50 40 −10,0 70 52 −18,0 25,0 0,0 −25,0",
              "2 Fr/Fr 2 1 −1 45 48 +3,0 55 48 −7,0 0,0 0,0 0,0"})
            QVERIFY2(page.contains(QString::fromUtf8(line)), qPrintable(page.join('\n')));
        // Another measurement opened in the window becomes the Vorher side; Nachher stays.
        fx.open(QStringLiteral("gleich.log"), kAfter);
        QCOMPARE(tableRow(whole, 0), (QStringList{"5", "5", "0"}));

        fx.actions().act_compareClose->trigger();
        QVERIFY(fx.view().isHidden());
        QVERIFY(!fx.actions().act_compareClose->isEnabled());
        const QString without = fx.dir.filePath(QStringLiteral("ohne.pdf"));
        QVERIFY(fx.actions().writeReport(without));
        QCOMPARE(pageCount(without), 6);
    }
};

QTEST_MAIN(TestTrafficReport)
#include "test_traffic_report.moc"
