// The site archive in the window: where it is kept, filing the window's measurement, importing a
// folder, the archive window's lists and trend, opening and comparing filed measurements, and the
// exports. Every archive lives in the test's temporary folder, beside its "daten".

#include <QChart>
#include <QLineSeries>

#include "archive/archive.h"
#include "output/report/figure_qt.h"
#include "test_form1_support.h"
#include "ui/analyse_page.h"
#include "ui/archive_actions.h"
#include "ui/archive_dialogs.h"
#include "ui/archive_trend.h"
#include "ui/archive_window.h"
#include "ui/comparison_view.h"
#include "ui/report_actions.h"

using namespace korvala::ui;
using namespace korvala::ui::test;
using korvala::archive::Archive;
using Kind = ScriptedDialogs::Kind;
using Format = ArchiveActions::Format;

namespace {

// A device log with one vehicle every ten minutes from 08:00 on each day given.
QByteArray deviceLog(const QList<QPair<QString, QList<int>>>& days) {
    QByteArray log;
    for (const auto& [date, speeds] : days)
        for (int i = 0; i < speeds.size(); ++i)
            log += QStringLiteral("/%1/%2:%3:00,%4\r\n")
                       .arg(date)
                       .arg(8 + i / 6, 2, 10, QChar('0'))
                       .arg(i % 6 * 10, 2, 10, QChar('0'))
                       .arg(speeds[i])
                       .toLatin1();
    return log;
}

// Nord, 50 km/h. A: Thursday 03.12.26, 40 50 60 70 45 55; sorted 40 45 50 55 60 70: v50 (rank 3)
// 50, v85 (rank 6) 70, over 50: 3 of 6, auffällig (70 > 55).
const QByteArray kLogA = deviceLog({{"03/12/2026", {40, 50, 60, 70, 45, 55}}});
// B, a week later over midnight: 30 40 50 52 | 48; sorted 30 40 48 50 52: v50 48, v85 (rank 5)
// 52, over 50: 1 of 5, leicht erhöht (52 <= 55).
const QByteArray kLogB =
    "/10/12/2026/22:00:00,30\r\n/10/12/2026/22:30:00,40\r\n/10/12/2026/23:00:00,50\r\n"
    "/10/12/2026/23:30:00,52\r\n/11/12/2026/00:10:00,48\r\n";
// Süd, 30 km/h. C: 25 28 31 33: v50 (rank 2) 28, v85 (rank 4) 33, over 30: 2 of 4, +3, leicht
// erhöht.
const QByteArray kLogC = deviceLog({{"05/11/2026", {25, 28, 31, 33}}});

QByteArray cp1252(const char* utf8) {
    return QString::fromUtf8(utf8).toLatin1();  // the texts hold no character beyond Latin-1
}

struct ArchiveFixture : WindowFixture {
    ArchiveFixture() {
        const QString ini = dir.filePath(QStringLiteral("einstellungen.ini"));
        actions().settings = [ini] {
            return std::make_unique<QSettings>(ini, QSettings::IniFormat);
        };
    }
    ArchiveActions& actions() const { return *form->archiveActions; }

    // Files `bytes` under `site`, made with `limit` when new; returns the measurement's number.
    std::int64_t fileLog(const std::string& site, int limit, const QString& name,
                         const QByteArray& bytes) {
        const std::string path = write(name, bytes).toStdString();
        std::int64_t id = 0;
        actions().run([&](Archive& a) {
            const auto known = a.findSite(site);
            id = a.fileFrom(known ? known->id : a.addSite({site, {}, {}, limit, {}, {}, {}}), path);
        });
        return id;
    }
    // A (1) and B (2) at Nord, C (3) at Süd.
    void fileSample() {
        fileLog("Nord", 50, QStringLiteral("a.log"), kLogA);
        fileLog("Nord", 50, QStringLiteral("b.log"), kLogB);
        fileLog("Süd", 30, QStringLiteral("c.log"), kLogC);
    }
    std::vector<korvala::archive::SiteSummary> sites() {
        std::vector<korvala::archive::SiteSummary> list;
        actions().run([&](Archive& a) { list = a.siteList(); });
        return list;
    }
    ArchiveWindow& window() {
        actions().showWindow();
        return *actions().window();
    }
    // Answers the site dialog: `pick` chooses the entry, the dialog is accepted unless
    // `cancel`; `seen` keeps what it showed.
    void answerSiteDialog(int pick, bool cancel, QStringList* seen = nullptr) {
        dialogs.onModal = [folder = folder, pick, cancel, seen](QDialog& d) {
            if (auto* fd = qobject_cast<QFileDialog*>(&d)) {
                fd->setDirectory(folder);
                d.accept();
                return;
            }
            auto& site = dynamic_cast<ArchiveSiteDialog&>(d);
            if (seen != nullptr)
                *seen << site.siteBox()->currentText() << site.nameField()->text()
                      << site.limitBox()->text();
            if (pick >= 0)
                site.siteBox()->setCurrentIndex(pick);
            cancel ? site.reject() : site.accept();
        };
    }
    QString folder;
};

}  // namespace

class TestArchive : public QObject {
    Q_OBJECT

  private slots:
    // The archive is archiv.sqlite beside "daten", made on first use.
    void entriesAndPlace() {
        ArchiveFixture fx;
        ArchiveActions& a = fx.actions();
        QVERIFY(!a.act_file->isEnabled());
        fx.open(QStringLiteral("a.log"), kLogA);
        QVERIFY(a.act_file->isEnabled());
        QCOMPARE(a.localFile(), fx.dir.filePath(QStringLiteral("archiv.sqlite")));
        QVERIFY(a.placeText().endsWith(QDir::toNativeSeparators(a.localFile())));
        QVERIFY(a.run([](Archive&) {}));
        QVERIFY(QFileInfo::exists(a.localFile()));
    }

    // The site dialog proposes the Messort field and the Analyse page's limit, or the site of
    // that name, whose limit then counts.
    void filing_data() {
        QTest::addColumn<bool>("siteExists");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QStringList>("shown");  // site entry, name, limit
        QTest::addColumn<int>("filedLimit");     // 0: nothing filed
        QTest::newRow("new site") << false << false
                                  << QStringList{"Neue Messstelle", "Hauptstraße 5", "40 km/h"}
                                  << 40;
        QTest::newRow("known site")
            << true << false << QStringList{"hauptstraße 5 (30 km/h)", "Hauptstraße 5", "30 km/h"}
            << 30;
        QTest::newRow("cancelled")
            << false << true << QStringList{"Neue Messstelle", "Hauptstraße 5", "40 km/h"} << 0;
    }
    void filing() {
        QFETCH(bool, siteExists);
        QFETCH(bool, cancel);
        QFETCH(QStringList, shown);
        QFETCH(int, filedLimit);
        ArchiveFixture fx;
        if (siteExists)
            fx.actions().run([](Archive& a) {
                a.addSite({"hauptstraße 5", {}, {}, 30, {}, {}, {}});
            });
        fx.open(QStringLiteral("a.log"), kLogA);
        fx.typeLocation(QString::fromUtf8("Hauptstraße 5"));
        fx.form->analysePage->setLimit(40);
        QStringList seen;
        fx.answerSiteDialog(-1, cancel, &seen);
        fx.actions().act_file->trigger();
        QCOMPARE(seen, shown);
        const auto sites = fx.sites();
        QCOMPARE(int(sites.size()), siteExists || !cancel ? 1 : 0);
        if (filedLimit == 0) {
            QVERIFY(fx.dialogs.messages().isEmpty());
            return;
        }
        QCOMPARE(fx.dialogs.messages(),
                 QStringList{QString::fromUtf8("Abgelegt: Nr. 1 der Messstelle \"%1\" "
                                               "(03.12.2026)")
                                 .arg(siteExists ? "hauptstraße 5" : "Hauptstraße 5")});
        QCOMPARE(sites[0].measurements, 1);
        QCOMPARE(sites[0].latest->figures.limit, filedLimit);
        QCOMPARE(sites[0].latest->site.location, std::string("Hauptstraße 5"));
    }

    // The same records again, under any site, are refused with the archive's message, and a site
    // made for them does not stay behind.
    void filingTwiceIsRefused() {
        ArchiveFixture fx;
        fx.open(QStringLiteral("a.log"), kLogA);
        fx.typeLocation(QStringLiteral("Nord"));
        fx.answerSiteDialog(-1, false);
        fx.actions().act_file->trigger();
        fx.dialogs.clear();
        fx.typeLocation(QStringLiteral("Anderswo"));
        fx.answerSiteDialog(0, false);  // a new site "Anderswo"
        fx.actions().act_file->trigger();
        const auto told = fx.dialogs.callsOf(Kind::Inform);
        QCOMPARE(told.size(), std::size_t{1});
        QCOMPARE(told[0].icon, Icon::Warning);
        QCOMPARE(told[0].text, QString::fromUtf8("Diese Messung ist bereits im Archiv: Nr. 1 der "
                                                 "Messstelle \"Nord\" (03.12.2026)."));
        QCOMPARE(fx.sites().size(), std::size_t{1});
    }

    // Datei > Ordner ins Archiv importieren: folder, site, progress with "Abbrechen", summary.
    void importFolder_data() {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<int>("filed");
        QTest::addColumn<QString>("summary");
        QTest::newRow("whole folder")
            << false << 3
            << QString::fromUtf8(
                   "Ordner \"%1\": 3 von 4 Dateien abgelegt, 0 schon im Archiv, 1 "
                   "nicht lesbar.\n\nÜbersprungen:\nd.log: ");
        QTest::newRow("cancelled")
            << true << 1
            << QString::fromUtf8(
                   "Ordner \"%1\": 1 von 4 Dateien abgelegt, 0 schon im Archiv, 0 "
                   "nicht lesbar.\nDer Import wurde abgebrochen; 3 Dateien wurden "
                   "nicht mehr aufgenommen.");
    }
    void importFolder() {
        QFETCH(bool, cancel);
        QFETCH(int, filed);
        QFETCH(QString, summary);
        ArchiveFixture fx;
        fx.folder = fx.dir.filePath(QStringLiteral("messungen"));
        QDir().mkpath(fx.folder);
        for (const auto& [name, bytes] : {std::pair{"a.log", kLogA},
                                          {"b.log", kLogB},
                                          {"c.log", kLogC},
                                          {"d.log", QByteArray("kein Gerätelog\r\n")}})
            saveBytes(QDir(fx.folder).filePath(QString::fromLatin1(name)), bytes);
        fx.answerSiteDialog(-1, false);
        bool pressed = false;
        QTimer::singleShot(0, fx.form.get(), [&] {
            auto* p = fx.form->findChild<QProgressDialog*>(QStringLiteral("archiveImportProgress"));
            if (cancel && p != nullptr) {
                p->cancel();
                pressed = true;
            }
        });
        fx.actions().act_import->trigger();
        QCOMPARE(pressed, cancel);
        const auto sites = fx.sites();
        QCOMPARE(sites.size(), std::size_t{1});
        QCOMPARE(sites[0].site.data.name, std::string("messungen"));  // the folder's name
        QCOMPARE(sites[0].measurements, filed);
        const QStringList told = fx.dialogs.messages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].startsWith(summary.arg(QDir::toNativeSeparators(fx.folder))),
                 qPrintable(told[0]));
    }

    // What the archive refuses or cannot reach is said in German; the window goes on with the
    // archive it had, and nothing refused lands in the settings.
    void connection_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("message");
        QTest::newRow("password") << "host=localhost password=geheim"
                                  << "Die Verbindungsangabe enthält ein Passwort.";
        QTest::newRow("server gone") << "host=/nicht/da dbname=korvala"
                                     << "Keine Verbindung zur PostgreSQL-Datenbank";
    }
    void connection() {
        QFETCH(QString, server);
        QFETCH(QString, message);
        ArchiveFixture fx;
        fx.dialogs.onModal = [&](QDialog& d) {
            auto& c = dynamic_cast<ArchiveConnectionDialog&>(d);
            QVERIFY(c.localButton()->isChecked());
            c.serverButton()->setChecked(true);
            c.connectionField()->setText(server);
            c.accept();
        };
        fx.actions().act_connection->trigger();
        const auto told = fx.dialogs.callsOf(Kind::Inform);
        QCOMPARE(told.size(), std::size_t{1});
        QVERIFY2(told[0].text.startsWith(message), qPrintable(told[0].text));
        QVERIFY(
            told[0].text.endsWith(QString::fromUtf8("Die bisherige Archiv-Verbindung bleibt "
                                                    "eingestellt.")));
        QVERIFY(fx.actions().server().isEmpty());
        QVERIFY(!fx.read(fx.dir.filePath(QStringLiteral("einstellungen.ini"))).contains("geheim"));
        QCOMPARE(fx.fileLog("Nord", 50, QStringLiteral("a.log"), kLogA), std::int64_t{1});
    }

    // The lists show the archive's figures as hand-computed above, the verdicts in their colours,
    // and lead to comparisons.
    void listsAndTrend() {
        ArchiveFixture fx;
        fx.fileSample();
        ArchiveWindow& w = fx.window();
        QCOMPARE(tableRow(w.sitesTable, 0),
                 (QStringList{"Nord", "50 km/h", "2", QString::fromUtf8("10.12.2026 – 11.12.2026"),
                              "52", QString::fromUtf8("leicht erhöht")}));
        QCOMPARE(tableRow(w.sitesTable, 1),
                 (QStringList{QString::fromUtf8("Süd"), "30 km/h", "1", "05.11.2026", "33",
                              QString::fromUtf8("leicht erhöht")}));
        QCOMPARE(w.sitesTable->item(0, 5)->background().color(),
                 korvala::verdictQColor(korvala::Verdict::SlightlyRaised));
        QCOMPARE(w.currentSite(), std::int64_t{1});
        QCOMPARE(tableRow(w.historyTable, 0),
                 (QStringList{"1", QStringLiteral("03.12.2026"), "6", QString::fromUtf8("–"), "50",
                              "70", "50,0 %", "a.log", QString::fromUtf8("auffällig")}));
        QCOMPARE(tableRow(w.historyTable, 1).mid(2, 5),
                 (QStringList{"5", QString::fromUtf8("–"), "48", "52", "20,0 %"}));
        QCOMPARE(w.selectedMeasurements(), std::vector<std::int64_t>{2});  // the latest

        // The trend: each measurement at the middle of its period, the limit across them all.
        const ArchiveTrend& t = *w.trend;
        const auto at = [](int d, int m, int h) {
            return double(QDateTime(QDate(2026, m, d), QTime(h, 0)).toMSecsSinceEpoch());
        };
        QCOMPARE(t.v85Series()->points(),
                 (QList<QPointF>{{at(3, 12, 12), 70}, {at(11, 12, 0), 52}}));
        QCOMPARE(t.shareSeries()->points(),
                 (QList<QPointF>{{at(3, 12, 12), 50}, {at(11, 12, 0), 20}}));
        const QList<QPointF> limit = t.limitSeries()->points();
        QCOMPARE(limit.size(), 2);
        QVERIFY(limit[0].x() < at(3, 12, 0) && limit[1].x() > at(12, 12, 0));
        QCOMPARE(limit[0].y(), 50.0);
        QCOMPARE(limit[1].y(), 50.0);
        QVERIFY(t.shareSeries()->name().contains(QStringLiteral("50 km/h")));

        QCOMPARE(tableRow(w.hotspotsTable, 0),
                 (QStringList{"1", QString::fromUtf8("Süd"), "30 km/h", "33", "+3", "50,0 %",
                              "05.11.2026", QString::fromUtf8("leicht erhöht")}));
        QCOMPARE(tableRow(w.hotspotsTable, 1).mid(0, 5),
                 (QStringList{"2", "Nord", "50 km/h", "52", "+2"}));
        // A hotspot leads to its site's history.
        w.tabs->setCurrentIndex(1);
        emit w.hotspotsTable->cellDoubleClicked(0, 0);
        QCOMPARE(w.tabs->currentIndex(), 0);
        QCOMPARE(w.currentSite(), std::int64_t{2});
        QCOMPARE(t.v85Series()->points(), (QList<QPointF>{{at(5, 11, 12), 33}}));
        QCOMPARE(t.limitSeries()->points().at(0).y(), 30.0);

        // Two chosen measurements: the older into the window, the newer as its comparison; one
        // chosen: the comparison of what the window holds, also from another site.
        w.showSite(1);
        QVERIFY(!w.compareButton->isEnabled());  // one chosen, nothing in the window
        w.historyTable->selectAll();
        w.compareButton->click();
        const ReportActions& r = *fx.form->reportActions;
        QCOMPARE(fx.form->session().records().size(), std::size_t{6});
        QVERIFY(r.comparison().has_value());
        QCOMPARE(r.comparison()->whole.v85.before, std::optional<double>(70));
        QCOMPARE(r.comparison()->whole.v85.after, std::optional<double>(52));
        QVERIFY(!r.view()->isHidden());
        QCOMPARE(fx.form->SSTab1->currentWidget(), fx.form->analysePage);

        w.showSite(2);
        QVERIFY(w.compareButton->isEnabled());
        w.compareButton->click();
        QCOMPARE(r.comparison()->whole.vehicles.after, std::optional<double>(4));
        QCOMPARE(fx.form->session().records().size(), std::size_t{6});
    }

    // "Öffnen" reads a filed measurement into the window as a file would be, asking first about
    // unsaved data; the Analyse page takes the site's limit, "Speichern" asks where to.
    void openFiled() {
        ArchiveFixture fx;
        fx.fileSample();
        fx.open(QStringLiteral("b.log"), kLogB);
        fx.typeLocation(QStringLiteral("ungespeichert"));
        fx.form->analysePage->setLimit(40);
        fx.dialogs.answers = {Answer::Cancel, Answer::No};
        QVERIFY(!fx.actions().openFiled(1));
        QCOMPARE(fx.form->session().records().size(), std::size_t{5});
        QVERIFY(fx.actions().openFiled(1));
        const korvala::Session& s = fx.form->session();
        QCOMPARE(s.records().size(), std::size_t{6});
        QVERIFY(s.saved());
        QCOMPARE(fx.form->analysePage->limit(), 50);
        QCOMPARE(fx.form->analysePage->figure(QStringLiteral("v85"))->text(),
                 QStringLiteral("70 km/h"));
        fx.typeLocation(QStringLiteral("Nord"));
        fx.form->save_Click();
        const auto asked = fx.dialogs.callsOf(Kind::SaveFile);
        QCOMPARE(asked.size(), std::size_t{1});
        QVERIFY(asked[0].proposedName.endsWith(QStringLiteral(".spt")));
    }

    // The ranking and a history leave as the archive's CSV bytes or as PDF pages; a file that
    // cannot be written is said so.
    void exports_data() {
        QTest::addColumn<bool>("history");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<QByteArray>("expected");  // CSV bytes, or lines of the PDF's text
        QTest::newRow("history csv")
            << true << int(Format::Csv) << "nord.csv"
            << "Verlauf Nord.csv"
            << cp1252(
                   "Messstelle;Nord;Höchstgeschwindigkeit;50\r\n"
                   "Messung Nr.;Beginn;Ende;Tage;Fahrzeuge;Fahrzeuge je Tag;v50;v85;Anteil "
                   "über Höchstgeschwindigkeit (%);Bewertung\r\n"
                   "1;03.12.2026;03.12.2026;1;6;;50;70;50,0;auffällig\r\n"
                   "2;10.12.2026;11.12.2026;2;5;;48;52;20,0;leicht erhöht\r\n");
        QTest::newRow("hotspots csv")
            << false << int(Format::Csv) << "b.csv"
            << "Brennpunkte.csv"
            << cp1252(
                   "Rang;Messstelle;Straße;Richtung;Höchstgeschwindigkeit;Messung Nr.;Beginn;"
                   "Ende;v85;v85 über Höchstgeschwindigkeit;Anteil über "
                   "Höchstgeschwindigkeit (%);Bewertung\r\n"
                   "1;Süd;;;30;3;05.11.2026;05.11.2026;33;3;50,0;leicht erhöht\r\n"
                   "2;Nord;;;50;2;10.12.2026;11.12.2026;52;2;20,0;leicht erhöht\r\n");
        QTest::newRow("history pdf") << true << int(Format::Pdf) << "nord.pdf"
                                     << "Verlauf Nord.pdf"
                                     << QByteArray(
                                            "Verlauf der Messstelle Nord\n"
                                            "1 03.12.2026 6 – 50 70 50,0 % a.log auffällig\n"
                                            "Korvala-Archiv, Stand 06.12.26 Seite 1 von 1");
        QTest::newRow("hotspots pdf")
            << false << int(Format::Pdf) << "b.pdf"
            << "Brennpunkte.pdf"
            << QByteArray(
                   "Brennpunkte\n"
                   "1 Süd 30 km/h 33 +3 50,0 % 05.11.2026 leicht erhöht\n"
                   "2 Nord 50 km/h 52 +2 20,0 % 10.12.2026 – 11.12.2026 leicht erhöht");
        QTest::newRow("unwritable") << false << int(Format::Pdf) << "fehlt/b.pdf"
                                    << "Brennpunkte.pdf" << QByteArray();
    }
    void exports() {
        QFETCH(bool, history);
        QFETCH(int, format);
        QFETCH(QString, answer);
        QFETCH(QString, proposed);
        QFETCH(QByteArray, expected);
        ArchiveFixture fx;
        fx.fileSample();
        ArchiveWindow& w = fx.window();
        const QString out = fx.dir.filePath(answer);
        fx.dialogs.fileAnswers.push_back(out);
        QPushButton* button = format == int(Format::Csv)
                                  ? (history ? w.historyCsvButton : w.hotspotsCsvButton)
                                  : (history ? w.historyPdfButton : w.hotspotsPdfButton);
        button->click();
        QCOMPARE(fx.dialogs.callsOf(Kind::SaveFile).at(0).proposedName, proposed);
        if (expected.isEmpty()) {
            QCOMPARE(fx.dialogs.callsOf(Kind::Inform).at(0).icon, Icon::Critical);
            QVERIFY(!QFileInfo::exists(out));
        } else if (format == int(Format::Csv)) {
            QCOMPARE(fx.read(out), expected);
        } else {
            const QStringList lines = print_test::pageLines(out, 1);
            for (const QString& line : QString::fromUtf8(expected).split(QLatin1Char('\n')))
                QVERIFY2(lines.contains(line), qPrintable(line + " in\n" + lines.join('\n')));
        }
    }

    // A long history runs on over a second page under the same column heads.
    void longHistoryRunsOn() {
        ArchiveFixture fx;
        for (int i = 0; i < 30; ++i)
            fx.fileLog("Nord", 50, QStringLiteral("m%1.log").arg(i),
                       deviceLog({{QStringLiteral("%1/01/2026").arg(i + 1, 2, 10, QChar('0')),
                                   {40 + i}}}));
        const QString out = fx.dir.filePath(QStringLiteral("lang.pdf"));
        fx.dialogs.fileAnswers.push_back(out);
        QVERIFY(fx.actions().exportHistory(1, Format::Pdf));
        QCOMPARE(print_test::pageCount(out), 2);
        const QStringList second = print_test::pageLines(out, 2);
        QCOMPARE(second.value(0), QStringLiteral("Verlauf der Messstelle Nord (Fortsetzung)"));
        QVERIFY(second.contains(QStringLiteral("Korvala-Archiv, Stand 06.12.26 Seite 2 von 2")));
        const QStringList lines = print_test::pageLines(out, 1) + second;
        for (int i = 0; i < 30; ++i) {
            const QString source = QStringLiteral(" m%1.log ").arg(i);
            QCOMPARE(lines.filter(source).size(), 1);
        }
    }
};

QTEST_MAIN(TestArchive)
#include "test_archive.moc"
