// The traffic report and the comparison as the window offers them: the "Datei" entries, what
// they write or show, and that a second measurement never disturbs the one the window holds.

#include <QBarSeries>
#include <QBarSet>

#include "model/measurement_file.h"
#include "test_form1_support.h"
#include "ui/analyse_page.h"
#include "ui/comparison_view.h"
#include "ui/report_actions.h"

using namespace korvala::ui;
using namespace korvala::ui::test;
using Kind = ScriptedDialogs::Kind;

namespace {

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

QString pdfText(const QString& pdf) {
    return print_test::run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
}

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
    void openComparison() {
        dialogs.fileAnswers.push_back(write(QStringLiteral("nachher.log"), kAfter));
        actions().act_compare->trigger();
    }
};

}  // namespace

class TestPdfComparison : public QObject {
    Q_OBJECT

  private slots:
    void reportNeedsAMeasurement() {
        WindowFixture fx;
        ReportActions& a = *fx.form->reportActions;
        QVERIFY(!a.act_pdf->isEnabled() && !a.act_compareClose->isEnabled());
        fx.open(QStringLiteral("vorher.log"), kBefore);
        QVERIFY(a.act_pdf->isEnabled());
    }

    // "Bericht als PDF …" asks where, writes there or tells why not, and saves nothing. A cancel
    // is the user's own choice and needs no message.
    void reportEntry_data() {
        QTest::addColumn<QString>("answer");  // empty: the dialog is cancelled
        QTest::addColumn<bool>("cancel");     // "Abbrechen" in the progress dialog
        QTest::addColumn<QString>("message");
        QTest::newRow("written") << "bericht.pdf" << false << "";
        QTest::newRow("dialog cancelled") << "" << false << "";
        QTest::newRow("progress cancelled") << "bericht.pdf" << true << "";
        QTest::newRow("unwritable folder")
            << "fehlt/bericht.pdf" << false << "Der Bericht konnte nicht geschrieben werden:";
    }
    void reportEntry() {
        QFETCH(QString, answer);
        QFETCH(bool, cancel);
        QFETCH(QString, message);
        Loaded fx;
        const QString out = fx.dir.filePath(answer);
        fx.dialogs.fileAnswers.push_back(answer.isEmpty() ? std::nullopt
                                                          : std::optional<QString>(out));
        bool pressed = false;
        // The progress dialog processes events while it counts pages.
        QTimer::singleShot(0, fx.form.get(), [&] {
            auto* p = fx.form->findChild<QProgressDialog*>(QStringLiteral("reportProgress"));
            if (cancel && p != nullptr) {
                p->cancel();
                pressed = true;
            }
        });
        fx.actions().act_pdf->trigger();
        QCOMPARE(pressed, cancel);
        const ScriptedDialogs::Call& ask = fx.dialogs.callsOf(Kind::SaveFile).at(0);
        QCOMPARE(ask.dir, fx.form->datenDir());
        QCOMPARE(ask.defaultExt, QStringLiteral("pdf"));
        QCOMPARE(ask.proposedName,
                 QString::fromStdString(korvala::createDefFileName("Hauptstraße 5", "03.12.26")) +
                     QStringLiteral(".pdf"));
        const auto told = fx.dialogs.callsOf(Kind::Inform);
        QCOMPARE(told.size(), std::size_t(message.isEmpty() ? 0 : 1));
        if (!message.isEmpty()) {
            QCOMPARE(told[0].icon, Icon::Critical);
            QVERIFY(told[0].text.startsWith(message));
            QVERIFY(told[0].text.contains(QDir::toNativeSeparators(out)));
        }
        const bool written = !answer.isEmpty() && !cancel && message.isEmpty();
        QCOMPARE(pdfFilesIn(fx.dir.path()).size(), written ? 1 : 0);
        QVERIFY(!written || pdfText(out).contains(QString::fromUtf8("Hauptstraße 5")));
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
        fx.openComparison();
        QVERIFY(!fx.view().isHidden());
        const QTableWidget* whole = fx.view().wholeTable();
        QCOMPARE(whole->rowCount(), 10);
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
        QCOMPARE(tableRow(days, 1).mid(0, 4), (QStringList{"2 Fr/Fr", "2", "1", kMinus + "1"}));
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
        QVERIFY(pdfText(with).contains(QStringLiteral("Nachher: nachher.log")));
        // Another measurement opened in the window becomes the Vorher side; Nachher stays.
        fx.open(QStringLiteral("gleich.log"), kAfter);
        QCOMPARE(tableRow(whole, 0), (QStringList{"5", "5", "0"}));

        fx.actions().act_compareClose->trigger();
        QVERIFY(fx.view().isHidden());
        QVERIFY(!fx.actions().act_compareClose->isEnabled());
        const QString without = fx.dir.filePath(QStringLiteral("ohne.pdf"));
        QVERIFY(fx.actions().writeReport(without));
        QVERIFY(!pdfText(without).contains(QStringLiteral("nachher.log")));
    }
};

QTEST_MAIN(TestPdfComparison)
#include "test_pdf_comparison.moc"
