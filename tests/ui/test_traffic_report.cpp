// The traffic report PDF read back with poppler: pages, footers, figures against the analysis,
// the day pages against the report page, cancelling and failures, and the headless command.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "evaluation/comparison.h"
#include "output/report/traffic_report.h"
#include "session/session.h"

using namespace korvala;

namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pageCount(const QString& pdf) {
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                       .match(run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Text of one page (1-based) as laid out, every run of blanks and tabs made one blank.
QString pageText(const QString& pdf, int page) {
    QString text = run(QStringLiteral("pdftotext"),
                       {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
                        QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    QStringList lines;
    for (const QString& l : text.split(QLatin1Char('\n')))
        if (!l.trimmed().isEmpty())
            lines << l.simplified();
    return lines.join(QLatin1Char('\n'));
}

QString decimalComma(double v, int decimals) {
    return QString::number(v, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

// A device log of our own: `days` days from 01.12.2026 (a Tuesday). The first day starts at
// 06:00 and the last ends at 18:59, the days between are complete. Speeds run through 30..74
// km/h, shifted by `shift`; one line is written twice and one reading is implausible.
QByteArray sampleLog(int days, int shift) {
    QByteArray out;
    int written = 0;
    for (int d = 0; d < days; ++d) {
        const int first = d == 0 ? 6 : 0;
        const int last = d == days - 1 ? 18 : 23;
        for (int h = first; h <= last; ++h) {
            const int n = 3 + (h * 7 + d * 5) % 9;
            for (int i = 0; i < n; ++i) {
                const int speed =
                    (d == 1 && h == 12 && i == 0) ? 250 : 30 + (i * 13 + h * 3 + d) % 45 + shift;
                const QByteArray line = QStringLiteral("/%1/12/2026/%2:%3:%4,%5\r\n")
                                            .arg(d + 1, 2, 10, QLatin1Char('0'))
                                            .arg(h, 2, 10, QLatin1Char('0'))
                                            .arg(i * 5, 2, 10, QLatin1Char('0'))
                                            .arg(i % 60, 2, 10, QLatin1Char('0'))
                                            .arg(speed)
                                            .toLatin1();
                out += line;
                if (++written == 40)
                    out += line;  // the device wrote this one twice
            }
        }
    }
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace

class TestTrafficReport : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    Session session_{"06.12.26"};
    Analysis analysis_;
    QString pdf_;  // the report of session_ without comparison
    static constexpr int kLimit = 50;

    QString path(const QString& name) const { return dir_.filePath(name); }

    bool load(Session& s, const QString& name, int days, int shift) {
        const QString file = path(name);
        return writeFile(file, sampleLog(days, shift)) &&
               s.openFile(file.toStdString()).outcome == LoadOutcome::Loaded;
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty());
        QVERIFY(load(session_, QStringLiteral("nord.log"), 3, 0));
        session_.setLocation("Hauptstraße 12, Nord");
        session_.setRemark("Vor der Schule\r\nzweite Zeile");
        session_.rebuildReport();
        analysis_ = session_.analyze(kLimit);
        QCOMPARE(analysis_.days.size(), std::size_t{3});
        QVERIFY(analysis_.quality.duplicatesDropped >= 1);
        pdf_ = path(QStringLiteral("bericht.pdf"));
        QString error;
        QVERIFY2(writeTrafficReportPdf(pdf_, trafficReportInput(session_, analysis_), &error),
                 qPrintable(error));
        QVERIFY(error.isEmpty());
    }

    // Title, overview, heat map, three days, quality; every page numbered against the same
    // total and carrying the site.
    void pagesAndFooters() {
        const int expected = 1 + 1 + 1 + 3 + 1;
        QCOMPARE(trafficReportPageCount(trafficReportInput(session_, analysis_)), expected);
        QCOMPARE(pageCount(pdf_), expected);
        for (int p = 1; p <= expected; ++p) {
            const QString text = pageText(pdf_, p);
            QVERIFY2(text.contains(QStringLiteral("Seite %1 von %2").arg(p).arg(expected)),
                     qPrintable(QStringLiteral("page %1:\n%2").arg(p).arg(text)));
            QVERIFY2(text.contains(
                         QString::fromUtf8("Hauptstraße 12, Nord, Beginn der Messung 01.12.26")),
                     qPrintable(QStringLiteral("page %1").arg(p)));
        }
        QVERIFY(pageText(pdf_, 1).contains(QStringLiteral("Verkehrsbericht")));
        QVERIFY(pageText(pdf_, 2).contains(QString::fromUtf8("Wochenübersicht")));
        QVERIFY(pageText(pdf_, 3).contains(QStringLiteral("Fahrzeuge je Stunde und Tag")));
        QVERIFY(pageText(pdf_, 4).contains(QStringLiteral("Tag 1 – Dienstag, 01.12.26")));
        QVERIFY(pageText(pdf_, 6).contains(QStringLiteral("Tag 3 – Donnerstag, 03.12.26")));
        QVERIFY(pageText(pdf_, 7).contains(QString::fromUtf8("Datenqualität")));
    }

    void titlePageShowsTheAnalysisFigures() {
        const QString t = pageText(pdf_, 1);
        QVERIFY(
            t.contains(QString::fromUtf8("Dienstag, 01.12.26 bis Donnerstag, 03.12.26 (3 Tage)")));
        QVERIFY(t.contains(QString::fromUtf8("Zulässige Höchstgeschwindigkeit: 50 km/h")));
        QVERIFY(t.contains(QStringLiteral("Messdatei: nord.log")));
        QVERIFY(t.contains(QStringLiteral("Vor der Schule")));
        QVERIFY(t.contains(QStringLiteral("zweite Zeile")));

        const SpeedProfile& p = analysis_.speeds;
        QVERIFY(analysis_.averageDaily.has_value());  // day 2 is complete
        QVERIFY(p.v50 && p.v85);
        const QStringList figures = {
            QString::number(p.vehicles), decimalComma(*analysis_.averageDaily, 1),
            QString::number(*p.v50), QString::number(*p.v85),
            decimalComma(analysis_.exceedance.share * 100, 1) + QStringLiteral(" %")};
        for (const QString& f : figures)
            QVERIFY2(t.contains(f), qPrintable(f + QStringLiteral("\n") + t));
        const QString verdict = QString::fromUtf8(verdictText(analysis_.exceedance.verdict).data());
        QVERIFY(!verdict.isEmpty());
        QVERIFY(t.contains(QStringLiteral("Bewertung nach v85: ") + verdict));
    }

    void weekTableRowsMatchTheDays() {
        const QStringList lines = pageText(pdf_, 2).split(QLatin1Char('\n'));
        for (const DayAnalysis& d : analysis_.days) {
            const QString row =
                QStringLiteral("%1 %2.12.26 ").arg(d.day).arg(d.day, 2, 10, QLatin1Char('0'));
            const QStringList hits = lines.filter(
                QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(row)));
            QVERIFY2(hits.size() == 1, qPrintable(row));
            const QString expected =
                QString::number(d.speeds.vehicles) + QLatin1Char(' ') +
                QString::number(*d.speeds.v50) + QLatin1Char(' ') + QString::number(*d.speeds.v85) +
                QLatin1Char(' ') + decimalComma(d.exceedance.share * 100, 1) + QStringLiteral(" %");
            QVERIFY2(hits.front().contains(expected), qPrintable(hits.front() + " / " + expected));
            QVERIFY(
                hits.front().endsWith(d.complete ? QStringLiteral("ja") : QStringLiteral("nein")));
        }
    }

    // Each day page carries the report text exactly as the window's report page shows it after
    // a click on that day.
    void dayPagesCarryTheReportPageText() {
        Session s("06.12.26");
        QVERIFY(load(s, QStringLiteral("nord.log"), 3, 0));
        s.setLocation(session_.site().location);
        s.setRemark(session_.site().remark);
        for (int day = 0; day < 3; ++day) {
            s.showDay(day);
            const QString page = pageText(pdf_, 4 + day);
            QString report = QString::fromStdString(s.reportText());
            int checked = 0;
            for (const QString& line : report.split(QStringLiteral("\r\n"))) {
                const QString want = line.simplified();
                if (want.isEmpty())
                    continue;
                QVERIFY2(page.contains(want),
                         qPrintable(QStringLiteral("day %1: %2").arg(day + 1).arg(want)));
                ++checked;
            }
            QVERIFY(checked > 20);
            QVERIFY(page.contains(QStringLiteral("Tag: %1").arg(day + 1)));
        }
    }

    void heatMapAndQualityPages() {
        const QString heat = pageText(pdf_, 3);
        QVERIFY(analysis_.peakHour.has_value());
        QVERIFY(heat.contains(QStringLiteral("Spitzenstunde: Tag %1, %2:00")
                                  .arg(analysis_.peakHour->day)
                                  .arg(analysis_.peakHour->hour, 2, 10, QLatin1Char('0'))));
        // The sum row holds every day's vehicles.
        QStringList sums;
        for (const DayAnalysis& d : analysis_.days)
            sums << QString::number(d.speeds.vehicles);
        QVERIFY2(heat.contains(QStringLiteral("Summe ") + sums.join(QLatin1Char(' '))),
                 qPrintable(heat));

        const QString q = pageText(pdf_, 7);
        QVERIFY(q.contains(
            QStringLiteral("Entfernte Duplikate: %1").arg(analysis_.quality.duplicatesDropped)));
        QVERIFY(
            q.contains(QStringLiteral("Unplausible Geschwindigkeiten (unter 5 oder ab 200 "
                                      "km/h): 1")));
        QVERIFY(q.contains(QStringLiteral("1. 250 km/h Tag 2 12:00:00")));
        QVERIFY(q.contains(QStringLiteral("Berechnungsregeln")));
    }

    void comparisonPage() {
        Session other("06.12.26");
        QVERIFY(load(other, QStringLiteral("sued.log"), 2, -8));
        const AnalysisInput inBefore{kLimit, session_.site().startDate,
                                     session_.duplicatesDropped(), session_.linesRejected()};
        const AnalysisInput inAfter{kLimit, other.site().startDate, other.duplicatesDropped(),
                                    other.linesRejected()};
        const MeasurementFigures before = figuresOf(session_.days(), inBefore);
        const MeasurementFigures after = figuresOf(other.days(), inAfter);
        const auto cmp = compare(before, after);
        QVERIFY(cmp.has_value());
        TrafficReportInput in = trafficReportInput(session_, before.analysis);
        in.comparison = &*cmp;
        in.comparisonFile = QStringLiteral("/irgendwo/sued.log");
        const QString file = path(QStringLiteral("vergleich.pdf"));
        QString error;
        QVERIFY2(writeTrafficReportPdf(file, in, &error), qPrintable(error));
        QCOMPARE(pageCount(file), 8);
        const QString t = pageText(file, 8);
        QVERIFY(t.contains(QStringLiteral("Seite 8 von 8")));
        QVERIFY(t.contains(QStringLiteral("Vorher: nord.log")));
        QVERIFY(t.contains(QStringLiteral("Nachher: sued.log")));
        QVERIFY(t.contains(QString::fromUtf8("Differenz = Nachher − Vorher")));

        auto signedOf = [](double d, int decimals) {
            const QString s = decimalComma(std::fabs(d), decimals);
            return (d > 0 ? QStringLiteral("+") : d < 0 ? QString::fromUtf8("−") : QString()) + s;
        };
        const ComparedFigures& w = cmp->whole;
        const QString vehicles = QStringLiteral("Fahrzeuge %1 %2 %3")
                                     .arg(*w.vehicles.before)
                                     .arg(*w.vehicles.after)
                                     .arg(signedOf(*w.vehicles.difference(), 0));
        QVERIFY2(t.contains(vehicles), qPrintable(vehicles + "\n" + t));
        const QString v85 = QStringLiteral("v85 %1 %2 %3 km/h")
                                .arg(*w.v85.before)
                                .arg(*w.v85.after)
                                .arg(signedOf(*w.v85.difference(), 1));
        QVERIFY2(t.contains(v85), qPrintable(v85));
        QVERIFY(*w.v85.difference() < 0);  // the shifted speeds are slower
        const QString share = QString::fromUtf8("Anteil über 50 km/h %1 % %2 % %3 Pp.")
                                  .arg(decimalComma(*w.shareOver.before * 100, 1),
                                       decimalComma(*w.shareOver.after * 100, 1),
                                       signedOf(*w.shareOver.difference() * 100, 1));
        QVERIFY2(t.contains(share), qPrintable(share));
        // Day 3 (a Thursday) exists only before: its Nachher side and differences are dashes.
        QVERIFY(
            t.contains(QRegularExpression(QStringLiteral("\\n3 Do/– %1 – – ")
                                              .arg(cmp->days[2].figures.vehicles.before.value()))));
    }

    // Cancelling at any page leaves nothing behind and keeps an earlier file as it was.
    void cancelLeavesNoFile() {
        const TrafficReportInput in = trafficReportInput(session_, analysis_);
        QTemporaryDir target;
        const QString file = QDir(target.path()).filePath(QStringLiteral("abbruch.pdf"));
        std::vector<std::pair<int, int>> calls;
        QString error = QStringLiteral("alt");
        QVERIFY(!writeTrafficReportPdf(file, in, &error, [&](int done, int total) {
            calls.emplace_back(done, total);
            return done < 3;
        }));
        QVERIFY(error.isEmpty());
        QCOMPARE(calls.size(), std::size_t{3});
        QCOMPARE(calls.back(), std::make_pair(3, 7));
        QVERIFY(QDir(target.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());

        QVERIFY(writeFile(file, "frueher"));
        QVERIFY(!writeTrafficReportPdf(file, in, nullptr, [](int, int) { return false; }));
        QFile kept(file);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("frueher"));
        QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void progressCountsEveryPage() {
        std::vector<int> done;
        const QString file = path(QStringLiteral("fortschritt.pdf"));
        QVERIFY(writeTrafficReportPdf(file, trafficReportInput(session_, analysis_), nullptr,
                                      [&](int d, int total) {
                                          done.push_back(total == 7 ? d : -1);
                                          return true;
                                      }));
        QCOMPARE(done, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    }

    void unwritableTargetIsReported() {
        const QString file = path(QStringLiteral("fehlt/bericht.pdf"));
        QString error;
        QVERIFY(!writeTrafficReportPdf(file, trafficReportInput(session_, analysis_), &error));
        QVERIFY2(error.contains(file), qPrintable(error));
        QVERIFY(!QFile::exists(file));
        TrafficReportInput empty;
        QVERIFY(!writeTrafficReportPdf(path(QStringLiteral("leer.pdf")), empty, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(path(QStringLiteral("leer.pdf"))));
    }

    // A measurement with one short day: no average daily traffic, no charts to fill, still a
    // complete report.
    void singleShortDay() {
        Session s("06.12.26");
        const QString log = path(QStringLiteral("kurz.log"));
        QVERIFY(writeFile(log, "/05/12/2026/10:00:00,47\r\n/05/12/2026/10:00:09,52\r\n"));
        QCOMPARE(s.openFile(log.toStdString()).outcome, LoadOutcome::Loaded);
        const Analysis a = s.analyze(30);
        const QString file = path(QStringLiteral("kurz.pdf"));
        QVERIFY(writeTrafficReportPdf(file, trafficReportInput(s, a), nullptr));
        QCOMPARE(pageCount(file), 5);
        const QString title = pageText(file, 1);
        QVERIFY(title.contains(QStringLiteral("Samstag, 05.12.26 (1 Tag)")));
        QVERIFY(title.contains(QString::fromUtf8("Bewertung nach v85: auffällig")));
        QVERIFY(title.contains(QStringLiteral("100,0 %")));
        QVERIFY(pageText(file, 5).contains(QStringLiteral("Seite 5 von 5")));
    }

    // Day 1 holds only zero readings: its speeds cannot be computed, and its page says so
    // instead of borrowing another day's captions.
    void dayWithoutVehicles() {
        Session s("06.12.26");
        const QString log = path(QStringLiteral("leertag.log"));
        QVERIFY(writeFile(log,
                          "/01/12/2026/22:00:00,0\r\n/01/12/2026/23:00:00,0\r\n"
                          "/02/12/2026/07:00:00,38\r\n/02/12/2026/07:00:30,44\r\n"));
        QCOMPARE(s.openFile(log.toStdString()).outcome, LoadOutcome::Loaded);
        const Analysis a = s.analyze(50);
        QCOMPARE(a.days.size(), std::size_t{2});
        const QString file = path(QStringLiteral("leertag.pdf"));
        QVERIFY(writeTrafficReportPdf(file, trafficReportInput(s, a), nullptr));
        const QString day1 = pageText(file, 4);
        QVERIFY2(day1.contains(QStringLiteral("Messungen: 0")), qPrintable(day1));
        QVERIFY(day1.contains(QStringLiteral("Niedrigste Geschwindigkeit: --")));
        QVERIFY(day1.contains(QStringLiteral("keine Fahrzeuge")));  // the empty charts
        // Day 2 as the window shows it after its button is clicked.
        s.showDay(1);
        const QString day2 = pageText(file, 5);
        QVERIFY(day2.contains(QStringLiteral("Niedrigste Geschwindigkeit: ") +
                              QString::fromStdString(s.lbl_vmin()).trimmed()));
        QVERIFY(day2.contains(QStringLiteral("Messungen: 2")));
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
        const QString log = path(QStringLiteral("unplausibel.log"));
        QVERIFY(writeFile(log, bytes));
        Session s("06.12.26");
        QCOMPARE(s.openFile(log.toStdString()).outcome, LoadOutcome::Loaded);
        const Analysis a = s.analyze(50);
        QCOMPARE(a.quality.implausibleCount, 150);
        const QString file = path(QStringLiteral("unplausibel.pdf"));
        QVERIFY(writeTrafficReportPdf(file, trafficReportInput(s, a), nullptr));
        const QString q = pageText(file, 5);
        const QString list = q.mid(q.indexOf(QStringLiteral("Unplausible Geschwindigkeiten")));
        const qsizetype listed =
            list.count(QRegularExpression(QStringLiteral("Tag 1 10:\\d\\d:\\d\\d (2|230) km/h")));
        const auto rest =
            QRegularExpression(QStringLiteral("\\((\\d+) weitere nicht aufgeführt\\)")).match(list);
        QVERIFY2(rest.hasMatch(), qPrintable(list));
        QVERIFY(listed >= 30);
        QCOMPARE(listed + rest.captured(1).toInt(), 150);
        QVERIFY(q.contains(QStringLiteral("Berechnungsregeln")));
        QVERIFY(q.contains(QStringLiteral("Seite 5 von 5")));
    }

    void headlessCommand() {
        const QString log = path(QStringLiteral("nord.log"));
        const QString out = path(QStringLiteral("headless.pdf"));
        auto run = [](const QString& file, const QString& pdf, int limit) {
            QProcess p;
            p.start(QStringLiteral(KORVALA_APP),
                    {QStringLiteral("--pdf"), pdf, QStringLiteral("--limit"),
                     QString::number(limit), file});
            return p.waitForFinished(60000) ? p.exitCode() : -1;
        };
        QCOMPARE(run(log, out, 3), 1);
        QCOMPARE(run(log, out, 131), 1);
        QVERIFY(!QFile::exists(out));
        QCOMPARE(run(path(QStringLiteral("gibtsnicht.log")), out, 50), 2);
        const QString foreign = path(QStringLiteral("fremd.log"));
        QVERIFY(writeFile(foreign, "Dies ist kein Protokoll\r\n"));
        QCOMPARE(run(foreign, out, 50), 2);
        QCOMPARE(run(path(QStringLiteral("notiz.txt")), out, 50), 2);
        QVERIFY(!QFile::exists(out));
        QCOMPARE(run(log, path(QStringLiteral("fehlt/x.pdf")), 50), 3);

        QCOMPARE(run(log, out, 30), 0);
        QCOMPARE(pageCount(out), 7);
        QVERIFY(pageText(out, 1).contains(
            QString::fromUtf8("Zulässige Höchstgeschwindigkeit: 30 km/h")));
    }
};

QTEST_MAIN(TestTrafficReport)
#include "test_traffic_report.moc"
