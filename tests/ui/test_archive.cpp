// The site archive in the window: filing the window's measurement, importing a folder, the archive
// window's lists and trend, opening and comparing filed measurements, and the exports. Every
// archive lives in the test's temporary folder, beside its "daten".

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

// Nord, 50 km/h. A: Thursday 03.12.26, 40 50 60 70 45 55; sorted 40 45 50 55 60 70: v50 (rank 3)
// 50, v85 (rank 6) 70, over 50: 3 of 6, auffällig (70 > 55).
const QByteArray kLogA =
    "/03/12/2026/08:00:00,40\r\n/03/12/2026/08:10:00,50\r\n/03/12/2026/08:20:00,60\r\n"
    "/03/12/2026/08:30:00,70\r\n/03/12/2026/08:40:00,45\r\n/03/12/2026/08:50:00,55\r\n";
// B, a week later over midnight: 30 40 50 52 | 48; sorted 30 40 48 50 52: v50 48, v85 (rank 5)
// 52, over 50: 1 of 5, leicht erhöht (52 <= 55).
const QByteArray kLogB =
    "/10/12/2026/22:00:00,30\r\n/10/12/2026/22:30:00,40\r\n/10/12/2026/23:00:00,50\r\n"
    "/10/12/2026/23:30:00,52\r\n/11/12/2026/00:10:00,48\r\n";
// Süd, 30 km/h. C: 25 28 31 33: v50 (rank 2) 28, v85 (rank 4) 33, over 30: 2 of 4, +3, leicht
// erhöht.
const QByteArray kLogC =
    "/05/11/2026/08:00:00,25\r\n/05/11/2026/08:10:00,28\r\n/05/11/2026/08:20:00,31\r\n"
    "/05/11/2026/08:30:00,33\r\n";

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
    // One measurement filed into archiv.sqlite beside "daten", after a server connection the
    // archive refused (said in German, and its password never lands in the settings). The site
    // dialog proposes the Messort field and the Analyse page's limit, or the site of that name,
    // whose limit then counts. The same records again are refused under any site, and a site made
    // for them does not stay behind.
    void filing() {
        ArchiveFixture fx;
        ArchiveActions& a = fx.actions();
        fx.dialogs.onModal = [&](QDialog& d) {
            auto& c = dynamic_cast<ArchiveConnectionDialog&>(d);
            c.serverButton()->setChecked(true);
            c.connectionField()->setText(QStringLiteral("host=localhost password=geheim"));
            c.accept();
        };
        a.act_connection->trigger();
        const QStringList refused = fx.dialogs.messages();
        QCOMPARE(refused.size(), 1);
        QVERIFY(refused[0].startsWith(
            QString::fromUtf8("Die Verbindungsangabe enthält ein Passwort.")));
        QVERIFY(refused[0].endsWith(
            QStringLiteral("Die bisherige Archiv-Verbindung bleibt eingestellt.")));
        QVERIFY(a.server().isEmpty());
        QVERIFY(!fx.read(fx.dir.filePath(QStringLiteral("einstellungen.ini"))).contains("geheim"));
        fx.dialogs.clear();

        QVERIFY(!a.act_file->isEnabled());
        fx.open(QStringLiteral("a.log"), kLogA);
        QVERIFY(a.act_file->isEnabled());
        QCOMPARE(a.localFile(), fx.dir.filePath(QStringLiteral("archiv.sqlite")));
        fx.typeLocation(QString::fromUtf8("Hauptstraße 5"));
        fx.form->analysePage->setLimit(40);
        QStringList seen;
        fx.answerSiteDialog(-1, true, &seen);
        a.act_file->trigger();
        QCOMPARE(seen,
                 (QStringList{"Neue Messstelle", QString::fromUtf8("Hauptstraße 5"), "40 km/h"}));
        QVERIFY(fx.sites().empty());
        QVERIFY(fx.dialogs.messages().isEmpty());

        fx.answerSiteDialog(-1, false);
        a.act_file->trigger();
        QVERIFY(QFileInfo::exists(a.localFile()));
        QCOMPARE(fx.dialogs.messages(),
                 QStringList{QString::fromUtf8("Abgelegt: Nr. 1 der Messstelle \"Hauptstraße 5\" "
                                               "(03.12.2026)")});

        fx.dialogs.clear();
        fx.typeLocation(QStringLiteral("Anderswo"));
        fx.answerSiteDialog(0, false);  // a new site "Anderswo"
        a.act_file->trigger();
        const auto told = fx.dialogs.callsOf(Kind::Inform);
        QCOMPARE(told.size(), std::size_t{1});
        QCOMPARE(told[0].icon, Icon::Warning);
        QCOMPARE(told[0].text, QString::fromUtf8("Diese Messung ist bereits im Archiv: Nr. 1 der "
                                                 "Messstelle \"Hauptstraße 5\" (03.12.2026)."));
        QCOMPARE(fx.sites().size(), std::size_t{1});

        // B at the same site, typed in other case and with another limit on the page.
        fx.dialogs.clear();
        fx.dialogs.answers = {Answer::No};  // A's unsaved Messort
        fx.open(QStringLiteral("b.log"), kLogB);
        fx.typeLocation(QString::fromUtf8("hauptstraße 5"));
        fx.form->analysePage->setLimit(30);
        seen.clear();
        fx.answerSiteDialog(-1, false, &seen);
        a.act_file->trigger();
        QCOMPARE(seen, (QStringList{QString::fromUtf8("Hauptstraße 5 (40 km/h)"),
                                    QString::fromUtf8("hauptstraße 5"), "40 km/h"}));
        const auto sites = fx.sites();
        QCOMPARE(sites.size(), std::size_t{1});
        QCOMPARE(sites[0].measurements, 2);
        QCOMPARE(sites[0].latest->figures.limit, 40);
        QCOMPARE(sites[0].latest->site.location, std::string("hauptstraße 5"));
    }

    // Datei > Ordner ins Archiv importieren: folder, site, progress with "Abbrechen", summary.
    // What a cancelled import filed stays; the next run files the rest and skips it.
    void importFolder() {
        ArchiveFixture fx;
        fx.folder = fx.dir.filePath(QStringLiteral("messungen"));
        QDir().mkpath(fx.folder);
        for (const auto& [name, bytes] : {std::pair{"a.log", kLogA},
                                          {"b.log", kLogB},
                                          {"c.log", kLogC},
                                          {"d.log", QByteArray("kein Gerätelog\r\n")}})
            saveBytes(QDir(fx.folder).filePath(QString::fromLatin1(name)), bytes);
        const QString shown = QDir::toNativeSeparators(fx.folder);
        fx.answerSiteDialog(-1, false);
        bool pressed = false;
        QTimer::singleShot(0, fx.form.get(), [&] {
            auto* p = fx.form->findChild<QProgressDialog*>(QStringLiteral("archiveImportProgress"));
            if (p != nullptr) {
                p->cancel();
                pressed = true;
            }
        });
        fx.actions().act_import->trigger();
        QVERIFY(pressed);
        auto sites = fx.sites();
        QCOMPARE(sites.size(), std::size_t{1});
        QCOMPARE(sites[0].site.data.name, std::string("messungen"));  // the folder's name
        QCOMPARE(sites[0].measurements, 1);
        QCOMPARE(fx.dialogs.messages(),
                 QStringList{QString::fromUtf8("Ordner \"%1\": 1 von 4 Dateien abgelegt, 0 schon "
                                               "im Archiv, 0 nicht lesbar.\nDer Import wurde "
                                               "abgebrochen; 3 Dateien wurden nicht mehr "
                                               "aufgenommen.")
                                 .arg(shown)});

        fx.dialogs.clear();
        fx.actions().act_import->trigger();  // the dialog proposes the site "messungen"
        sites = fx.sites();
        QCOMPARE(sites.size(), std::size_t{1});
        QCOMPARE(sites[0].measurements, 3);
        const QStringList told = fx.dialogs.messages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].startsWith(QString::fromUtf8("Ordner \"%1\": 2 von 4 Dateien abgelegt, 1 "
                                                      "schon im Archiv, 1 nicht lesbar.\n\n"
                                                      "Übersprungen:\na.log: schon im Archiv "
                                                      "(Nr. 1)\nd.log: ")
                                        .arg(shown)),
                 qPrintable(told[0]));
    }

    // The lists show the archive's figures (its own tests pin them on both backends) with the
    // verdicts in their colours, and lead to a filed measurement in the window and comparisons.
    void listsTrendAndComparisons() {
        ArchiveFixture fx;
        fx.fileSample();
        ArchiveWindow& w = fx.window();
        QCOMPARE(tableRow(w.sitesTable, 0),
                 (QStringList{"Nord", "50 km/h", "2", QString::fromUtf8("10.12.2026 – 11.12.2026"),
                              "52", QString::fromUtf8("leicht erhöht")}));
        QCOMPARE(w.sitesTable->item(0, 5)->background().color(),
                 korvala::verdictQColor(korvala::Verdict::SlightlyRaised));
        QCOMPARE(w.currentSite(), std::int64_t{1});
        QCOMPARE(tableRow(w.historyTable, 0),
                 (QStringList{"1", QStringLiteral("03.12.2026"), "6", QString::fromUtf8("–"), "50",
                              "70", "50,0 %", "a.log", QString::fromUtf8("auffällig")}));
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
        QCOMPARE(limit[0].y() + limit[1].y(), 100.0);

        QCOMPARE(tableRow(w.hotspotsTable, 0),
                 (QStringList{"1", QString::fromUtf8("Süd"), "30 km/h", "33", "+3", "50,0 %",
                              "05.11.2026", QString::fromUtf8("leicht erhöht")}));
        // A hotspot leads to its site's history.
        w.tabs->setCurrentIndex(1);
        emit w.hotspotsTable->cellDoubleClicked(0, 0);
        QCOMPARE(w.tabs->currentIndex(), 0);
        QCOMPARE(w.currentSite(), std::int64_t{2});
        QCOMPARE(t.v85Series()->points(), (QList<QPointF>{{at(5, 11, 12), 33}}));
        QCOMPARE(t.limitSeries()->points().at(0).y(), 30.0);

        // Two chosen measurements: the older into the window as a file would be, asking first
        // about unsaved data, with its site's limit; the newer as its comparison.
        w.showSite(1);
        QVERIFY(!w.compareButton->isEnabled());  // one chosen, nothing in the window
        fx.open(QStringLiteral("b.log"), kLogB);
        fx.typeLocation(QStringLiteral("ungespeichert"));
        fx.form->analysePage->setLimit(40);
        fx.dialogs.answers = {Answer::Cancel, Answer::No};
        w.historyTable->selectAll();
        w.compareButton->click();
        const korvala::Session& s = fx.form->session();
        QCOMPARE(s.records().size(), std::size_t{5});
        w.compareButton->click();
        QCOMPARE(s.records().size(), std::size_t{6});
        QVERIFY(s.saved());
        QCOMPARE(fx.form->analysePage->limit(), 50);
        const ReportActions& r = *fx.form->reportActions;
        QVERIFY(r.comparison().has_value());
        QCOMPARE(r.comparison()->whole.v85.before, std::optional<double>(70));
        QCOMPARE(r.comparison()->whole.v85.after, std::optional<double>(52));
        QVERIFY(!r.view()->isHidden());
        QCOMPARE(fx.form->SSTab1->currentWidget(), fx.form->analysePage);
        // One chosen: the comparison of what the window holds, also from another site.
        w.showSite(2);
        QVERIFY(w.compareButton->isEnabled());
        w.compareButton->click();
        QCOMPARE(r.comparison()->whole.vehicles.after, std::optional<double>(4));
        QCOMPARE(s.records().size(), std::size_t{6});
        // The filed measurement has no file of its own: "Speichern" asks where to.
        fx.typeLocation(QStringLiteral("Nord"));
        fx.form->save_Click();
        const auto asked = fx.dialogs.callsOf(Kind::SaveFile);
        QCOMPARE(asked.size(), std::size_t{1});
        QVERIFY(asked[0].proposedName.endsWith(QStringLiteral(".spt")));
    }

    // The ranking and a history leave as CSV (the archive's bytes, which its own tests pin) or as
    // PDF pages; a file that cannot be written is said so.
    void exports() {
        ArchiveFixture fx;
        fx.fileSample();
        ArchiveWindow& w = fx.window();
        const auto out = [&fx](const char* name) {
            return fx.dir.filePath(QString::fromUtf8(name));
        };
        for (const char* name : {"nord.csv", "b.csv", "nord.pdf", "b.pdf", "fehlt/b.pdf"})
            fx.dialogs.fileAnswers.push_back(out(name));
        for (QPushButton* button : {w.historyCsvButton, w.hotspotsCsvButton, w.historyPdfButton,
                                    w.hotspotsPdfButton, w.hotspotsPdfButton})
            button->click();
        QStringList proposed;
        for (const ScriptedDialogs::Call& call : fx.dialogs.callsOf(Kind::SaveFile))
            proposed << call.proposedName;
        QCOMPARE(proposed, (QStringList{"Verlauf Nord.csv", "Brennpunkte.csv", "Verlauf Nord.pdf",
                                        "Brennpunkte.pdf", "Brennpunkte.pdf"}));
        QVERIFY(
            fx.read(out("nord.csv"))
                .contains(cp1252("\r\n2;10.12.2026;11.12.2026;2;5;;48;52;20,0;leicht erhöht\r\n")));
        QVERIFY(fx.read(out("b.csv"))
                    .contains(cp1252(
                        "\r\n1;Süd;;;30;3;05.11.2026;05.11.2026;33;3;50,0;leicht erhöht\r\n")));
        const QStringList history = print_test::pageLines(out("nord.pdf"), 1);
        for (const char* line :
             {"Verlauf der Messstelle Nord", "1 03.12.2026 6 – 50 70 50,0 % a.log auffällig",
              "Korvala-Archiv, Stand 06.12.26 Seite 1 von 1"})
            QVERIFY2(history.contains(QString::fromUtf8(line)), qPrintable(history.join('\n')));
        const QStringList hotspots = print_test::pageLines(out("b.pdf"), 1);
        for (const char* line :
             {"Brennpunkte", "1 Süd 30 km/h 33 +3 50,0 % 05.11.2026 leicht erhöht",
              "2 Nord 50 km/h 52 +2 20,0 % 10.12.2026 – 11.12.2026 leicht erhöht"})
            QVERIFY2(hotspots.contains(QString::fromUtf8(line)), qPrintable(hotspots.join('\n')));
        const auto told = fx.dialogs.callsOf(Kind::Inform);
        QCOMPARE(told.size(), std::size_t{1});
        QCOMPARE(told[0].icon, Icon::Critical);
        QVERIFY(!QFileInfo::exists(out("fehlt/b.pdf")));
    }

    // A long history runs on over a second page under the same column heads.
    void longHistoryRunsOn() {
        ArchiveFixture fx;
        for (int i = 0; i < 30; ++i)
            fx.fileLog("Nord", 50, QStringLiteral("m%1.log").arg(i),
                       QStringLiteral("/%1/01/2026/08:00:00,%2\r\n")
                           .arg(i + 1, 2, 10, QChar('0'))
                           .arg(40 + i)
                           .toLatin1());
        const QString out = fx.dir.filePath(QStringLiteral("lang.pdf"));
        fx.dialogs.fileAnswers.push_back(out);
        QVERIFY(fx.actions().exportHistory(1, Format::Pdf));
        QCOMPARE(print_test::pageCount(out), 2);
        const QStringList second = print_test::pageLines(out, 2);
        QCOMPARE(second.value(0), QStringLiteral("Verlauf der Messstelle Nord (Fortsetzung)"));
        QVERIFY(second.contains(QStringLiteral("Korvala-Archiv, Stand 06.12.26 Seite 2 von 2")));
        const QStringList lines = print_test::pageLines(out, 1) + second;
        for (int i = 0; i < 30; ++i)
            QCOMPARE(lines.filter(QStringLiteral(" m%1.log ").arg(i)).size(), 1);
    }
};

QTEST_MAIN(TestArchive)
#include "test_archive.moc"
