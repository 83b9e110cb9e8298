// The traffic report PDF read back with poppler: every page against the analysis, the day pages
// against the report page, the comparison page, cancelling and failures, and the headless
// command `korvala --pdf` as a cron job runs it.

#include "evaluation/comparison.h"
#include "output/figure_text.h"
#include "output/report/figure_qt.h"
#include "output/report/traffic_report.h"
#include "session/session.h"
#include "test_form1_support.h"

using namespace korvala;

namespace {

using korvala::ui::test::fileBytes;
using korvala::ui::test::saveBytes;
using print_test::pageCount;

// Text of one page (1-based) as laid out, every run of blanks made one blank, empty lines gone.
QString pageText(const QString& pdf, int page) {
    return print_test::pageLines(pdf, page).join(QLatin1Char('\n'));
}

// A device log of our own: `days` days from 01.12.2026 (a Tuesday). The first day starts at
// 06:00 and the last ends at 18:59, the days between are complete. Speeds run through 30..74
// km/h, shifted by `shift`; one line is written twice and one reading (day 2, 12:00) is 250.
QByteArray sampleLog(int days, int shift) {
    QByteArray out;
    int written = 0;
    for (int d = 0; d < days; ++d)
        for (int h = d == 0 ? 6 : 0; h <= (d == days - 1 ? 18 : 23); ++h)
            for (int i = 0; i < 3 + (h * 7 + d * 5) % 9; ++i) {
                const int speed =
                    (d == 1 && h == 12 && i == 0) ? 250 : 30 + (i * 13 + h * 3 + d) % 45 + shift;
                const QByteArray line = QStringLiteral("/%1/12/2026/%2:%3:%4,%5\r\n")
                                            .arg(d + 1, 2, 10, QLatin1Char('0'))
                                            .arg(h, 2, 10, QLatin1Char('0'))
                                            .arg(i * 5, 2, 10, QLatin1Char('0'))
                                            .arg(i % 60, 2, 10, QLatin1Char('0'))
                                            .arg(speed)
                                            .toLatin1();
                out += ++written == 40 ? line + line : line;  // the device wrote one twice
            }
    return out;
}

QString simplified(const std::string& s) {
    return qText(s).simplified();
}

}  // namespace

class TestTrafficReport : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    Session session_{"06.12.26"};
    Analysis analysis_;
    QString pdf_;  // the report of session_ without comparison: 7 pages

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
        QVERIFY(load(session_, QStringLiteral("nord.log"), sampleLog(3, 0)));
        session_.setLocation("Hauptstraße 12, Nord");
        session_.setRemark("Vor der Schule\r\nzweite Zeile");
        analysis_ = session_.analyze(50);
        QVERIFY(analysis_.averageDaily.has_value());  // day 2 is complete
        pdf_ = path(QStringLiteral("bericht.pdf"));
        QString error = QStringLiteral("alt");
        QVERIFY2(writeTrafficReportPdf(pdf_, trafficReportInput(session_, analysis_), &error),
                 qPrintable(error));
        QVERIFY(error.isEmpty());
    }

    // What each page says, taken from the analysis in the words of the figure texts. Title,
    // overview, heat map, three days and quality make seven pages, each with its footer.
    void pagesShowTheAnalysis_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("lines");
        const Analysis& a = analysis_;
        QStringList title = {"Dienstag, 01.12.26 bis Donnerstag, 03.12.26 (3 Tage)",
                             "Zulässige Höchstgeschwindigkeit: 50 km/h",
                             "Messdatei: nord.log",
                             "Vor der Schule",
                             "zweite Zeile",
                             "Bewertung nach v85: " + qText(verdictText(a.exceedance.verdict)),
                             simplified(weekSummaryLines(a).front())};
        for (const std::string& figure :
             {std::to_string(a.speeds.vehicles), decimalFixed(a.averageDaily, 1),
              speedText(a.speeds.v50), exceedanceShareText(a.speeds, a.exceedance)})
            title << qText(figure);
        QTest::newRow("title") << 1 << title;

        QStringList week;
        QStringList heat = {"Anzahl der Fahrzeuge", "v85 in km/h",
                            simplified("Spitzenstunde: " + peakHourText(a))};
        for (const DayAnalysis& d : a.days) {
            week << qText(std::to_string(d.day) + " " + measurementDayDateText("01.12.26", d.day) +
                          " " + weekdayText(d.weekday) + " " + std::to_string(d.speeds.vehicles) +
                          " " + speedText(d.speeds.v50) + " " + speedText(d.speeds.v85) + " " +
                          exceedanceShareText(d.speeds, d.exceedance) + " " +
                          verdictLabel(d.exceedance.verdict) + " " +
                          clockSpanText(*d.firstVehicle, *d.lastVehicle) + " " +
                          (d.complete ? "ja" : "nein"));
            // Both maps: every hour's vehicles, and the v85 of the hours that have one.
            const QString label =
                QStringLiteral("Tag %1 ").arg(d.day) + qText(weekdayShortText(d.weekday));
            QString vehicles = label, v85 = label;
            for (const HourCell& c : d.hours) {
                vehicles += QLatin1Char(' ') + QString::number(c.vehicles);
                v85 += c.v85 ? QLatin1Char(' ') + qText(speedText(c.v85)) : QString();
            }
            heat << vehicles << v85;
        }
        for (const std::string& line : weekSummaryLines(a))
            week << simplified(line);
        QTest::newRow("week") << 2 << week;
        QTest::newRow("heat map") << 3 << heat;
        QTest::newRow("quality")
            << 7
            << QStringList{
                   QStringLiteral("Entfernte Duplikate: %1").arg(a.quality.duplicatesDropped),
                   "Unplausible Geschwindigkeiten (unter 5 oder ab 200 km/h): 1",
                   "1. 250 km/h Tag 2 12:00:00", "Tag 2 12:00:00 250 km/h", "Berechnungsregeln"};
    }
    void pagesShowTheAnalysis() {
        QFETCH(int, page);
        QFETCH(QStringList, lines);
        QCOMPARE(trafficReportPageCount(trafficReportInput(session_, analysis_)), 7);
        QCOMPARE(pageCount(pdf_), 7);
        lines << QStringLiteral("Hauptstraße 12, Nord, Beginn der Messung 01.12.26 Seite %1 von 7")
                     .arg(page);
        const QString text = pageText(pdf_, page);
        for (const QString& line : lines)
            QVERIFY2(text.contains(line), qPrintable(line + QStringLiteral("\n---\n") + text));
    }

    // Each day page carries the report text exactly as the window's report page shows it after
    // a click on that day.
    void dayPagesCarryTheReportPageText() {
        Session s("06.12.26");
        QVERIFY(load(s, QStringLiteral("nord.log"), sampleLog(3, 0)));
        s.setLocation(session_.site().location);
        s.setRemark(session_.site().remark);
        for (int day = 0; day < 3; ++day) {
            s.showDay(day);
            const QString page = pageText(pdf_, 4 + day);
            int checked = 0;
            for (const QString& line : QString::fromStdString(s.reportText()).split("\r\n")) {
                if (line.simplified().isEmpty())
                    continue;
                QVERIFY2(page.contains(line.simplified()), qPrintable(line));
                ++checked;
            }
            QVERIFY(checked > 20);
            QVERIFY(page.contains(QStringLiteral("Seite %1 von 7").arg(day + 4)));
        }
    }

    void comparisonPageFollowsTheQuality() {
        Session other("06.12.26");
        QVERIFY(load(other, QStringLiteral("sued.log"), sampleLog(2, -8)));
        const auto figures = [](const Session& s) {
            return figuresOf(s.days(), AnalysisInput{50, s.site().startDate, s.duplicatesDropped(),
                                                     s.linesRejected()});
        };
        const MeasurementFigures before = figures(session_);
        const auto cmp = compare(before, figures(other));
        QVERIFY(cmp.has_value());
        TrafficReportInput in = trafficReportInput(session_, before.analysis);
        in.comparison = &*cmp;
        in.comparisonFile = QStringLiteral("/irgendwo/sued.log");
        const QString file = path(QStringLiteral("vergleich.pdf"));
        QVERIFY(writeTrafficReportPdf(file, in, nullptr));
        QCOMPARE(pageCount(file), 8);
        const QString t = pageText(file, 8);
        QVERIFY(t.contains("Seite 8 von 8"));
        QVERIFY(t.contains("Vorher: nord.log (Beginn 01.12.26)"));
        QVERIFY(t.contains("Nachher: sued.log"));
        for (const ComparedRow& row : comparedWholeRows(*cmp, before.analysis)) {
            const QString line = simplified(row.caption + " " + row.texts.before + " " +
                                            row.texts.after + " " + row.texts.difference);
            QVERIFY2(t.contains(line), qPrintable(line + "\n---\n" + t));
        }
        QVERIFY(*cmp->whole.v85.difference() < 0);  // the shifted speeds are slower
        // Day 3 (a Thursday) exists only before: its Nachher side and differences are dashes.
        QVERIFY(t.contains(
            QStringLiteral("\n3 Do/– %1 – – ").arg(*cmp->days[2].figures.vehicles.before)));
    }

    // Progress counts every page; cancelling at any page leaves nothing behind and keeps an
    // earlier file as it was. A folder that cannot be written is tested where the window and the
    // headless command report it.
    void progressAndCancel() {
        const TrafficReportInput in = trafficReportInput(session_, analysis_);
        std::vector<std::pair<int, int>> calls;
        QVERIFY(writeTrafficReportPdf(path("fortschritt.pdf"), in, nullptr, [&](int d, int t) {
            calls.emplace_back(d, t);
            return true;
        }));
        QCOMPARE(calls.size(), std::size_t{7});
        QCOMPARE(calls.back(), std::make_pair(7, 7));

        QTemporaryDir target;
        const QString file = QDir(target.path()).filePath(QStringLiteral("abbruch.pdf"));
        QString error = QStringLiteral("alt");
        int pages = 0;
        QVERIFY(!writeTrafficReportPdf(file, in, &error, [&](int, int) { return ++pages < 3; }));
        QVERIFY(error.isEmpty());
        QCOMPARE(pages, 3);
        QVERIFY(QDir(target.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(saveBytes(file, "frueher"));
        QVERIFY(!writeTrafficReportPdf(file, in, nullptr, [](int, int) { return false; }));
        QCOMPARE(fileBytes(file), QByteArray("frueher"));
        QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        // Without an analysis there is nothing to write, and nothing is written.
        QVERIFY(!writeTrafficReportPdf(file, {}, &error));
        QCOMPARE(error, QStringLiteral("Keine Messung ausgewertet."));
        QCOMPARE(fileBytes(file), QByteArray("frueher"));
    }

    // Small measurements still give a complete report: one short day has no average daily
    // traffic; a day of zero readings says so on its page instead of borrowing another day's
    // captions.
    void smallMeasurements_data() {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("one short day")
            << QByteArray("/05/12/2026/10:00:00,47\r\n/05/12/2026/10:00:09,52\r\n") << 1
            << QStringList{"Samstag, 05.12.26 (1 Tag)", "Bewertung nach v85: auffällig", "100,0 %",
                           "Durchschnittlicher Tagesverkehr: kein vollständiger Tag",
                           "Seite 1 von 5"};
        QTest::newRow("day without vehicles")
            << QByteArray(
                   "/01/12/2026/22:00:00,0\r\n/01/12/2026/23:00:00,0\r\n"
                   "/02/12/2026/07:00:00,38\r\n/02/12/2026/07:00:30,44\r\n")
            << 4
            << QStringList{"Messungen: 0", "Niedrigste Geschwindigkeit: --", "keine Fahrzeuge"};
    }
    void smallMeasurements() {
        QFETCH(QByteArray, log);
        QFETCH(int, page);
        QFETCH(QStringList, lines);
        Session s("06.12.26");
        QVERIFY(load(s, QStringLiteral("klein.log"), log));
        const QString text = pageText(report(s, 30, QStringLiteral("klein.pdf")), page);
        for (const QString& line : lines)
            QVERIFY2(text.contains(line), qPrintable(line + QStringLiteral("\n---\n") + text));
    }

    // A long list of implausible readings gives way to the rules: what is listed and what is
    // counted as left out add up, and the page still ends with its footer.
    void longImplausibleListStaysOnItsPage() {
        QByteArray bytes;
        for (int i = 0; i < 150; ++i)
            bytes += QStringLiteral("/01/12/2026/10:%1:%2,%3\r\n")
                         .arg(i / 60, 2, 10, QLatin1Char('0'))
                         .arg(i % 60, 2, 10, QLatin1Char('0'))
                         .arg(i % 2 ? 2 : 230)
                         .toLatin1();
        Session s("06.12.26");
        QVERIFY(load(s, QStringLiteral("unplausibel.log"), bytes));
        const QString q = pageText(report(s, 50, QStringLiteral("unplausibel.pdf")), 5);
        const QString list = q.mid(q.indexOf("Unplausible Geschwindigkeiten"));
        const qsizetype listed =
            list.count(QRegularExpression("Tag 1 10:\\d\\d:\\d\\d (2|230) km/h"));
        const auto rest = QRegularExpression("\\((\\d+) weitere nicht aufgeführt\\)").match(list);
        QVERIFY2(rest.hasMatch(), qPrintable(list));
        QVERIFY(listed >= 30);
        QCOMPARE(listed + rest.captured(1).toInt(), 150);
        QVERIFY(q.contains("Berechnungsregeln"));
        QVERIFY(q.contains("Seite 5 von 5"));
    }

    // The window program without display or platform, as a cron job or build server runs it.
    // It never writes over the measurement it reads, and names the lines it could not read.
    void headlessCommand_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        const QString log = path(QStringLiteral("nord.log")), out = path("headless.pdf");
        const QString broken = path(QStringLiteral("eine-falsch.log"));
        QVERIFY(saveBytes(path(QStringLiteral("fremd.log")), "Dies ist kein Protokoll\r\n"));
        QVERIFY(saveBytes(broken, sampleLog(3, 0) + "/03/12/2026/9:7:xx,50\r\n"));
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
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--device-port";
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
        QCOMPARE(fileBytes(path(QStringLiteral("nord.log"))), sampleLog(3, 0));
        QCOMPARE(QFile::exists(out), exitCode == 0 && args.contains(out));
        if (QFile::exists(out) && said.isEmpty()) {
            QCOMPARE(pageCount(out), 7);
            QVERIFY(pageText(out, 1).contains("Zulässige Höchstgeschwindigkeit: 30 km/h"));
        }
    }
};

QTEST_MAIN(TestTrafficReport)
#include "test_traffic_report.moc"
