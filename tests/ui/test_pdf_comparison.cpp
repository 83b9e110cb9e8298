// The traffic report and the comparison as the window offers them: the "Datei" entries, what
// they write or show, that a second measurement never disturbs the one the window holds, and the
// window program's headless report mode.

#include <QAction>
#include <QBarSeries>
#include <QBarSet>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProcessEnvironment>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

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
QByteArray beforeLog() {
    return "/03/12/2026/08:00:00,40\r\n"
           "/03/12/2026/09:00:00,50\r\n"
           "/03/12/2026/10:00:00,60\r\n"
           "/03/12/2026/11:00:00,70\r\n"
           "/04/12/2026/08:00:00,45\r\n"
           "/04/12/2026/09:00:00,55\r\n";
}

// Nachher, one week later: Thursday 30, 40, 50, 52 km/h, Friday 48 km/h.
// Sorted: 30 40 48 50 52 -> v50 (rank 3) 48, v85 (rank 5) 52; over 50 km/h: 1 of 5 (+1–5).
QByteArray afterLog() {
    return "/10/12/2026/08:00:00,30\r\n"
           "/10/12/2026/09:00:00,40\r\n"
           "/10/12/2026/10:00:00,50\r\n"
           "/10/12/2026/11:00:00,52\r\n"
           "/11/12/2026/08:00:00,48\r\n";
}

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString& pdf) {
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                       .match(run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QString pdfText(const QString& pdf) {
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

QStringList pdfFilesIn(const QString& dir) {
    QStringList found;
    for (const QString& sub : {QString(), QStringLiteral("daten")})
        found << QDir(QDir(dir).filePath(sub)).entryList({QStringLiteral("*.pdf*")}, QDir::Files);
    return found;
}

QStringList row(const QTableWidget* t, int r) {
    QStringList cells;
    for (int c = 0; c < t->columnCount(); ++c)
        cells << (t->item(r, c) ? t->item(r, c)->text() : QString());
    return cells;
}

// A window holding the Vorher measurement at a typed site, so it is unsaved.
struct Loaded : WindowFixture {
    Loaded() {
        open(QStringLiteral("vorher.log"), beforeLog());
        typeLocation(QString::fromUtf8("Hauptstraße 5"));
    }
    ReportActions& actions() const { return *form->reportActions; }
    ComparisonView& view() const { return *actions().view(); }
    void openComparison() {
        dialogs.fileAnswers.push_back(write(QStringLiteral("nachher.log"), afterLog()));
        actions().act_compare->trigger();
    }
};

}  // namespace

class TestPdfComparison : public QObject {
    Q_OBJECT

  private slots:
    void entriesFollowTheMeasurement();
    void reportIsWrittenWhereChosen();
    void reportGainsComparisonPage();
    void cancelledSaveDialogWritesNothing();
    void cancelledProgressLeavesNoFile();
    void writeErrorIsReported();

    void comparisonLeavesCurrentMeasurementAlone();
    void comparisonFigures();
    void comparisonDistributionSharesOneAxis();
    void comparisonFollowsLimitAndNewLoad();
    void unreadableComparisonKeepsThePreviousOne();
    void closingHidesTheSection();

    void headlessReportWithoutDisplay();
    void headlessRejectsBadInput_data();
    void headlessRejectsBadInput();
    void helpWithoutDisplay();
};

void TestPdfComparison::entriesFollowTheMeasurement() {
    WindowFixture fx;
    ReportActions& a = *fx.form->reportActions;
    // Right after "Export (CSV)", before "Beenden".
    const QList<QAction*> entries = fx.form->fileMenu->actions();
    const auto at = entries.indexOf(fx.form->act_export);
    QCOMPARE(entries.mid(at + 1, 4),
             (QList<QAction*>{a.act_pdf, a.act_compare, a.act_compareClose, fx.form->act_exit}));
    QCOMPARE(a.act_pdf->text(), QString::fromUtf8("Bericht als PDF …"));
    QVERIFY(!a.act_pdf->isEnabled());
    QVERIFY(a.act_compare->isEnabled());
    QVERIFY(!a.act_compareClose->isEnabled());
    QVERIFY(a.view()->isHidden());

    fx.open(QStringLiteral("vorher.log"), beforeLog());
    QVERIFY(a.act_pdf->isEnabled());
    QVERIFY(!a.act_compareClose->isEnabled());
}

void TestPdfComparison::reportIsWrittenWhereChosen() {
    Loaded fx;
    const QString out = fx.dir.filePath(QStringLiteral("bericht.pdf"));
    fx.dialogs.fileAnswers.push_back(out);
    fx.actions().act_pdf->trigger();

    QCOMPARE(fx.dialogs.calls.back().kind, Kind::SaveFile);
    const ScriptedDialogs::Call& call = fx.dialogs.calls.back();
    QCOMPARE(call.dir, fx.form->datenDir());
    QCOMPARE(call.proposedName,
             QString::fromStdString(korvala::createDefFileName("Hauptstraße 5", "03.12.26")) +
                 QStringLiteral(".pdf"));
    QVERIFY(call.filter.contains(QStringLiteral("*.pdf")));
    QCOMPARE(call.defaultExt, QStringLiteral("pdf"));
    QCOMPARE(fx.dialogs.unanswered, 0);

    QVERIFY(pdfPages(out) > 0);
    QVERIFY(pdfText(out).contains(QString::fromUtf8("Hauptstraße 5")));
    // Writing a report is no saving: the measurement stays as unsaved as it was.
    QVERIFY(!fx.form->session().saved());
}

void TestPdfComparison::reportGainsComparisonPage() {
    Loaded fx;
    const QString plain = fx.dir.filePath(QStringLiteral("ohne.pdf"));
    QVERIFY(fx.actions().writeReport(plain));
    fx.openComparison();
    const QString withComparison = fx.dir.filePath(QStringLiteral("mit.pdf"));
    QVERIFY(fx.actions().writeReport(withComparison));

    QCOMPARE(pdfPages(withComparison), pdfPages(plain) + 1);
    const QString text = pdfText(withComparison);
    QVERIFY(text.contains(QStringLiteral("Vergleich Vorher / Nachher")));
    QVERIFY(text.contains(QStringLiteral("nachher.log")));
    QVERIFY(!pdfText(plain).contains(QStringLiteral("nachher.log")));
}

void TestPdfComparison::cancelledSaveDialogWritesNothing() {
    Loaded fx;
    fx.dialogs.fileAnswers.push_back(std::nullopt);
    fx.actions().act_pdf->trigger();
    QCOMPARE(fx.dialogs.calls.back().kind, Kind::SaveFile);
    QCOMPARE(pdfFilesIn(fx.dir.path()), QStringList());
    QCOMPARE(fx.form->session().fileName(),
             fx.dir.filePath(QStringLiteral("vorher.log")).toStdString());
}

void TestPdfComparison::cancelledProgressLeavesNoFile() {
    Loaded fx;
    const QString out = fx.dir.filePath(QStringLiteral("abbruch.pdf"));
    bool pressed = false;
    // The dialog processes events while it counts pages; "Abbrechen" is pressed at the first.
    QTimer::singleShot(0, fx.form.get(), [&] {
        if (auto* p = fx.form->findChild<QProgressDialog*>(QStringLiteral("reportProgress"))) {
            QCOMPARE(p->labelText(), QString::fromUtf8("Bericht wird erstellt …"));
            p->cancel();
            pressed = true;
        }
    });
    QVERIFY(!fx.actions().writeReport(out));
    QVERIFY(pressed);
    QVERIFY(!QFileInfo::exists(out));
    QCOMPARE(pdfFilesIn(fx.dir.path()), QStringList());
    // A cancel is the user's own choice and needs no message.
    QVERIFY(fx.dialogs.calls.empty() || fx.dialogs.calls.back().kind != Kind::Inform);
}

void TestPdfComparison::writeErrorIsReported() {
    Loaded fx;
    const QString out = fx.dir.filePath(QStringLiteral("fehlt/bericht.pdf"));
    fx.dialogs.fileAnswers.push_back(out);
    fx.actions().act_pdf->trigger();
    QVERIFY(!QFileInfo::exists(out));
    const ScriptedDialogs::Call& call = fx.dialogs.calls.back();
    QCOMPARE(call.kind, Kind::Inform);
    QCOMPARE(call.icon, Icon::Critical);
    QVERIFY(call.text.startsWith(QStringLiteral("Der Bericht konnte nicht geschrieben werden:")));
    QVERIFY(call.text.contains(QDir::toNativeSeparators(out)));
}

void TestPdfComparison::comparisonLeavesCurrentMeasurementAlone() {
    Loaded fx;
    const korvala::Session& s = fx.form->session();
    const std::string fileName = s.fileName();
    const std::size_t records = s.records().size();
    const std::string location = s.site().location;
    const int vehicles = fx.form->analysePage->figure(QStringLiteral("vehicles"))->text().toInt();
    QVERIFY(!s.saved());

    fx.openComparison();
    QCOMPARE(fx.dialogs.calls.back().kind, Kind::OpenFile);
    QVERIFY(fx.dialogs.calls.back().filter.contains(QStringLiteral("*.log")));
    QVERIFY(fx.dialogs.calls.back().filter.contains(QStringLiteral("*.spt")));
    QVERIFY(fx.actions().comparisonLoaded());
    QVERIFY(!s.saved());
    QCOMPARE(s.fileName(), fileName);
    QCOMPARE(s.records().size(), records);
    QCOMPARE(s.site().location, location);
    QCOMPARE(fx.form->Text3->text(), QString::fromUtf8("Hauptstraße 5"));
    QCOMPARE(fx.form->analysePage->figure(QStringLiteral("vehicles"))->text().toInt(), vehicles);
    QVERIFY(fx.form->act_save->isEnabled() == s.saveEnabled());
    QVERIFY(fx.actions().act_compareClose->isEnabled());
    QVERIFY(!fx.view().isHidden());
}

void TestPdfComparison::comparisonFigures() {
    Loaded fx;
    fx.openComparison();
    const QTableWidget* whole = fx.view().wholeTable();
    const QString minus = QString::fromUtf8("−");
    QCOMPARE(whole->rowCount(), 10);
    QCOMPARE(row(whole, 0), (QStringList{"6", "5", minus + "1"}));  // vehicles
    QCOMPARE(row(whole, 1), (QStringList{"–", "–", "–"}));  // no complete day on either side
    QCOMPARE(row(whole, 2), (QStringList{"50,0 km/h", "48,0 km/h", minus + "2,0 km/h"}));
    QCOMPARE(row(whole, 3), (QStringList{"70,0 km/h", "52,0 km/h", minus + "18,0 km/h"}));
    QCOMPARE(row(whole, 4), (QStringList{"50,0 %", "20,0 %", minus + "30,0 Pp."}));
    QCOMPARE(row(whole, 5), (QStringList{"16,7 %", "20,0 %", "+3,3 Pp."}));  // +1–5
    QCOMPARE(row(whole, 6), (QStringList{"16,7 %", "0,0 %", minus + "16,7 Pp."}));
    QCOMPARE(row(whole, 8), (QStringList{"16,7 %", "0,0 %", minus + "16,7 Pp."}));  // +16–20
    QCOMPARE(row(whole, 9), (QStringList{"0,0 %", "0,0 %", "0,0 Pp."}));
    QVERIFY(whole->verticalHeaderItem(5)->text().contains(QString::fromUtf8("+1–5")));

    const QTableWidget* days = fx.view().dayTable();
    QCOMPARE(days->rowCount(), 2);
    // Thursday meets Thursday: vehicles 4/4, v50 rank 2 (50 / 40), v85 rank 4 (70 / 52),
    // over 50 km/h 2 of 4 / 1 of 4.
    QCOMPARE(row(days, 0),
             (QStringList{"1 Do/Do", "4", "4", "0", "50,0", "40,0", minus + "10,0", "70,0", "52,0",
                          minus + "18,0", "50,0", "25,0", minus + "25,0"}));
    QCOMPARE(row(days, 1).mid(0, 4), (QStringList{"2 Fr/Fr", "2", "1", minus + "1"}));
    QVERIFY(fx.view().sourcesLabel()->text().contains(QStringLiteral("vorher.log")));
    QVERIFY(fx.view().sourcesLabel()->text().contains(QStringLiteral("nachher.log")));
}

void TestPdfComparison::comparisonDistributionSharesOneAxis() {
    Loaded fx;
    fx.openComparison();
    const QBarSeries* series = fx.view().distribution();
    QVERIFY(series != nullptr);
    QCOMPARE(series->count(), 2);
    const QBarSet* before = series->barSets().at(0);
    const QBarSet* after = series->barSets().at(1);
    QCOMPARE(before->label(), QStringLiteral("Vorher"));
    QCOMPARE(after->label(), QStringLiteral("Nachher"));
    // Classes 30–39 .. 70–79: the lowest of Nachher to the highest of Vorher, in percent.
    QCOMPARE(before->count(), 5);
    QCOMPARE(after->count(), 5);
    const double third = 100.0 / 3, sixth = 100.0 / 6;
    const QList<double> b{0, third, third, sixth, sixth}, a{20, 40, 40, 0, 0};
    for (int i = 0; i < 5; ++i) {
        QVERIFY2(qAbs(before->at(i) - b[i]) < 1e-9, qPrintable(QString::number(i)));
        QVERIFY2(qAbs(after->at(i) - a[i]) < 1e-9, qPrintable(QString::number(i)));
    }
}

void TestPdfComparison::comparisonFollowsLimitAndNewLoad() {
    Loaded fx;
    fx.openComparison();
    // Over 60 km/h: only the 70 of Vorher (1 of 6), none of Nachher.
    fx.form->analysePage->setLimit(60);
    QCOMPARE(fx.actions().comparison()->limit, 60);
    const QString minus = QString::fromUtf8("−");
    QCOMPARE(row(fx.view().wholeTable(), 4), (QStringList{"16,7 %", "0,0 %", minus + "16,7 Pp."}));
    QVERIFY(fx.view().wholeTable()->verticalHeaderItem(4)->text().contains(QStringLiteral("60")));

    // Another measurement opened in the window becomes the Vorher side; Nachher stays.
    fx.open(QStringLiteral("gleich.log"), afterLog());
    QVERIFY(fx.actions().comparisonLoaded());
    QCOMPARE(row(fx.view().wholeTable(), 0), (QStringList{"5", "5", "0"}));
}

void TestPdfComparison::unreadableComparisonKeepsThePreviousOne() {
    Loaded fx;
    fx.openComparison();
    const std::size_t calls = fx.dialogs.calls.size();

    fx.dialogs.fileAnswers.push_back(
        fx.write(QStringLiteral("kaputt.spt"), QByteArray("kein Messformat\r\n")));
    fx.actions().act_compare->trigger();
    QCOMPARE(fx.dialogs.calls.back().kind, Kind::Inform);
    QCOMPARE(fx.dialogs.calls.back().text, QStringLiteral("Falsches Format!"));

    const QString missing = fx.dir.filePath(QStringLiteral("weg.log"));
    QVERIFY(!fx.actions().openComparison(missing));
    QCOMPARE(fx.dialogs.calls.back().icon, Icon::Warning);
    QVERIFY(fx.dialogs.calls.back().text.startsWith(QStringLiteral("Die Datei \"")));
    QCOMPARE(fx.dialogs.calls.size(), calls + 3);

    // Still the comparison opened first, and the window's measurement untouched.
    QVERIFY(fx.actions().comparisonLoaded());
    QCOMPARE(row(fx.view().wholeTable(), 0).at(1), QStringLiteral("5"));
    QCOMPARE(fx.form->session().records().size(), std::size_t{6});
}

void TestPdfComparison::closingHidesTheSection() {
    Loaded fx;
    fx.openComparison();
    QVERIFY(!fx.view().isHidden());
    fx.actions().act_compareClose->trigger();
    QVERIFY(fx.view().isHidden());
    QVERIFY(!fx.actions().comparisonLoaded());
    QVERIFY(!fx.actions().comparison().has_value());
    QVERIFY(!fx.actions().act_compareClose->isEnabled());
    // Without a comparison the report has no comparison page again.
    const QString out = fx.dir.filePath(QStringLiteral("danach.pdf"));
    QVERIFY(fx.actions().writeReport(out));
    QVERIFY(!pdfText(out).contains(QStringLiteral("nachher.log")));
}

namespace {

// The program as a cron job or build server starts it: no display, no platform chosen.
QProcess* headless(QObject* parent, const QStringList& args) {
    auto* p = new QProcess(parent);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    p->setProcessEnvironment(env);
    p->start(QStringLiteral(KORVALA_APP), args);
    p->waitForFinished(120000);
    return p;
}

}  // namespace

void TestPdfComparison::headlessReportWithoutDisplay() {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("woche.pdf"));
    QProcess* p = headless(
        this, {QStringLiteral("--pdf"), out, QStringLiteral("--limit"), QStringLiteral("30"),
               QStringLiteral(KORVALA_DATA_DIR "/sample-7tage.log")});
    QCOMPARE(p->exitStatus(), QProcess::NormalExit);
    QCOMPARE(p->exitCode(), 0);
    QVERIFY(pdfPages(out) > 0);
    QVERIFY(pdfText(out).contains(QStringLiteral("30 km/h")));
}

void TestPdfComparison::headlessRejectsBadInput_data() {
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("exitCode");
    const QString sample = QStringLiteral(KORVALA_DATA_DIR "/sample-7tage.log");
    QTest::newRow("limit not a number") << "schnell" << sample << 1;
    QTest::newRow("limit too high") << "131" << sample << 1;
    QTest::newRow("limit too low") << "4" << sample << 1;
    QTest::newRow("missing file") << "50" << QStringLiteral("/nicht/da.log") << 2;
}

void TestPdfComparison::headlessRejectsBadInput() {
    QFETCH(QString, limit);
    QFETCH(QString, input);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("nie.pdf"));
    QProcess* p =
        headless(this, {QStringLiteral("--pdf"), out, QStringLiteral("--limit"), limit, input});
    QCOMPARE(p->exitStatus(), QProcess::NormalExit);
    QCOMPARE(p->exitCode(), exitCode);
    QVERIFY(QString::fromLocal8Bit(p->readAllStandardError()).contains(QStringLiteral("Fehler")));
    QVERIFY(!QFileInfo::exists(out));
}

void TestPdfComparison::helpWithoutDisplay() {
    QProcess* p = headless(this, {QStringLiteral("--help")});
    QCOMPARE(p->exitStatus(), QProcess::NormalExit);
    QCOMPARE(p->exitCode(), 0);
    const QString help = QString::fromLocal8Bit(p->readAllStandardOutput());
    for (const QString& option : {QStringLiteral("--pdf"), QStringLiteral("--limit"),
                                  QStringLiteral("--device-link"), QStringLiteral("--device-port")})
        QVERIFY2(help.contains(option), qPrintable(option));
}

QTEST_MAIN(TestPdfComparison)
#include "test_pdf_comparison.moc"
