// Printing as users print, through a throwaway CUPS scheduler with a PDF printer (CTest fixture
// print_cups): the PDF the queue made is laid beside the same page printed to a file.

#include "test_form1_support.h"
#include "ui/chart_wiring.h"
#include "ui/druck.h"

using namespace korvala;
using namespace korvala::ui;
using namespace korvala::ui::test;

namespace {

// Page 1 of `pdf` in grey at 40 dpi.
QImage pageImage(const QString& pdf) {
    const QString stem = pdf.chopped(4);
    print_test::run(QStringLiteral("pdftoppm"), {"-r", "40", "-gray", "-singlefile", pdf, stem});
    return QImage(stem + QStringLiteral(".pgm"));
}

// The inked cells (3 x 3 pixels, 2 mm) of `a` with no ink of `b` in the same cell, one above or
// below, or two to either side, where the queue's bolder strokes run a little longer.
int strayCells(const QImage& a, const QImage& b) {
    const auto inked = [](const QImage& page, int cx, int cy) {
        for (int i = 0; i < 9; ++i) {
            const QPoint p(cx * 3 + i % 3, cy * 3 + i / 3);
            if (page.valid(p) && qGray(page.pixel(p)) < 128)
                return true;
        }
        return false;
    };
    int stray = 0;
    for (int cy = 0; cy < a.height() / 3; ++cy)
        for (int cx = 0; cx < a.width() / 3; ++cx) {
            bool near = false;
            for (int d = 0; d < 15 && !near; ++d)
                near = inked(b, cx + d % 5 - 2, cy + d / 5 - 1);
            stray += inked(a, cx, cy) && !near ? 1 : 0;
        }
    return stray;
}

// The queue turns the fonts into outlines, so the text of its PDF cannot be read back; its page
// must look like the one printed to a file instead (whose text the file-printing tests check). A
// landscape page lies turned on the paper; a missing or misplaced line of text does not pass.
bool looksAlike(const QImage& printed, const QImage& reference, QString* why) {
    const int ink = strayCells(reference, QImage());
    int fewest = ink;
    for (int angle : {0, 90, 270}) {
        const QImage turned = printed.transformed(QTransform().rotate(angle));
        if (turned.size() == reference.size())
            fewest =
                std::min(fewest, strayCells(turned, reference) + strayCells(reference, turned));
    }
    *why = QStringLiteral("%1 of %2 inked cells stray").arg(fewest).arg(ink);
    // The two agree but for a cell or two; one more line of text strays by twenty.
    return ink > 50 && fewest <= 3 + ink / 100;
}

// The window with its charts and a measurement; the print dialog picks `printer`, the chart's
// preview is answered with "Drucken".
struct Window : WindowFixture {
    explicit Window(const QString& printer) {
        wireChartsAndPrinting(*form);
        open(QStringLiteral("drei.log"), threeDayLog());
        choose(printer);
        dialogs.onModal = [](QDialog& d) { static_cast<Druck&>(d).Command1_Click(); };
    }
    // A printer of the system, or a PDF file for a path.
    void choose(const QString& printer) {
        dialogs.printerAnswers = {true};
        dialogs.onPrinterChosen = [printer](QPrinter& p, int&) {
            if (printer.startsWith(QLatin1Char('/'))) {
                p.setOutputFormat(QPrinter::PdfFormat);
                p.setOutputFileName(printer);
            } else {
                p.setPrinterName(printer);
            }
        };
    }
};

}  // namespace

class TestPrintQueue : public QObject {
    Q_OBJECT

    QString server_, printer_, out_, unavailable_;

    QStringList printed() const {
        return QDir(out_).entryList({QStringLiteral("*.pdf")}, QDir::Files,
                                    QDir::Time | QDir::Reversed);
    }
    // One of the queue's command-line tools on the test printer.
    void admin(const QString& tool) const {
        QProcess p;
        p.start(tool, {QStringLiteral("-h"), server_, printer_});
        QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
    }

  private slots:
    void initTestCase() {
        const QSettings state(qEnvironmentVariable("KORVALA_CUPS_STATE"), QSettings::IniFormat);
        server_ = state.value(QStringLiteral("server")).toString();
        printer_ = state.value(QStringLiteral("printer")).toString();
        out_ = state.value(QStringLiteral("out")).toString();
        unavailable_ = QStringLiteral("no print queue: ") +
                       state.value(QStringLiteral("unavailable")).toString();
        // Before the first use of the CUPS library, which keeps the server it found.
        if (!server_.isEmpty())
            qputenv("CUPS_SERVER", server_.toLocal8Bit());
    }
    // A failed case leaves the queue as the next one needs it.
    void cleanup() {
        if (!server_.isEmpty()) {
            admin(QStringLiteral("cupsaccept"));
            admin(QStringLiteral("cupsenable"));
        }
    }

    // A PDF file is written as every file of the program: one that cannot be written says why,
    // in German, instead of ending half-written in silence.
    void fileThatCannotBeWritten() {
        Window w(QStringLiteral("/dev/full"));
        w.form->cmd_printProtokoll->click();
        w.choose(QStringLiteral("/dev/full"));
        w.form->cmd_printCh1->click();
        const QStringList shown = w.dialogs.messages();
        QCOMPARE(shown.size(), 2);
        for (const QString& message : shown)
            QVERIFY2(message.contains(QString::fromUtf8("Kein Platz mehr auf dem Datenträger")),
                     qPrintable(message));
    }

    // The report page and the speed chart each become a job whose page looks like the same page
    // printed to a file.
    void reportAndChartReachThePrinter() {
        if (server_.isEmpty())
            QSKIP(qPrintable(unavailable_));
        Window w(printer_);
        for (QToolButton* button : {w.form->cmd_printProtokoll, w.form->cmd_printCh1}) {
            const qsizetype before = printed().size();
            w.choose(printer_);
            button->click();
            QVERIFY(w.dialogs.messages().isEmpty());
            QTRY_VERIFY_WITH_TIMEOUT(printed().size() == before + 1, 60000);
            const QString pdf = out_ + QLatin1Char('/') + printed().last();
            // The backend writes the file in place: it is whole once it reads as one page.
            QTRY_COMPARE_WITH_TIMEOUT(print_test::pageCount(pdf), 1, 30000);
            const QString file = w.dir.filePath(button->objectName() + QStringLiteral(".pdf"));
            w.choose(file);
            button->click();
            QString why;
            QVERIFY2(looksAlike(pageImage(pdf), pageImage(file), &why),
                     qPrintable(button->objectName() + ": " + why));
        }
    }

    // A queue that takes no job, or holds the jobs back, says so in German; the window goes on,
    // and a stopped queue prints once it runs again.
    void queueThatDoesNotPrint_data() {
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QString>("message");
        QTest::newRow("rejects jobs")
            << "cupsreject" << QString::fromUtf8("nimmt zurzeit keine Aufträge an");
        QTest::newRow("stopped") << "cupsdisable"
                                 << "ist angehalten";
    }
    void queueThatDoesNotPrint() {
        QFETCH(QString, stop);
        QFETCH(QString, message);
        if (server_.isEmpty())
            QSKIP(qPrintable(unavailable_));
        admin(stop);
        Window w(printer_);
        const qsizetype before = printed().size();
        w.form->cmd_printProtokoll->click();
        w.choose(printer_);
        w.form->cmd_printCh2->click();  // the chart's preview says the same
        const QStringList shown = w.dialogs.messages();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], shown[1]);
        QVERIFY2(shown[0].contains(message) && shown[0].contains(printer_), qPrintable(shown[0]));
        QTest::qWait(3000);
        QCOMPARE(printed().size(), before);
        if (stop == QLatin1String("cupsdisable")) {
            admin(QStringLiteral("cupsenable"));
            QTRY_VERIFY_WITH_TIMEOUT(printed().size() == before + 2, 60000);
        }
    }
};

QTEST_MAIN(TestPrintQueue)
#include "test_print_queue.moc"
