// Printing through the system's print queue, as users print: a throwaway CUPS scheduler with a
// PDF printer (tools/cups-test-server.sh, CTest fixture print_cups). The report page and a chart
// go through the print dialog, answered through Dialogs, and the PDF the queue made is read back
// and laid beside the same page printed to a file.

#include "test_form1_support.h"
#include "ui/chart_wiring.h"
#include "ui/druck.h"

using namespace korvala;
using namespace korvala::ui;
using namespace korvala::ui::test;

namespace {

// What tools/cups-test-server.sh wrote: server=, printer=, out=, or unavailable=.
QMap<QString, QString> queueState() {
    QMap<QString, QString> state;
    const QByteArray text = fileBytes(qEnvironmentVariable("KORVALA_CUPS_STATE"));
    for (const QByteArray& line : text.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0) {
            state.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
        }
    }
    return state;
}

// Page 1 of `pdf` in grey at 40 dpi.
QImage pageImage(const QString& pdf, const QDir& dir) {
    const QString stem = dir.filePath(QFileInfo(pdf).completeBaseName());
    print_test::run(
        QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-gray"),
         QStringLiteral("-singlefile"), QStringLiteral("-f"), QStringLiteral("1"), pdf, stem});
    return QImage(stem + QStringLiteral(".pgm"));
}

// Which cells of 3 x 3 pixels (2 mm) of a page carry ink, row by row.
QVector<QVector<bool>> inkedCells(const QImage& page) {
    constexpr int kCell = 3;
    QVector<QVector<bool>> rows;
    for (int y = 0; y + kCell <= page.height(); y += kCell) {
        QVector<bool> row;
        for (int x = 0; x + kCell <= page.width(); x += kCell) {
            bool inked = false;
            for (int i = 0; i < kCell * kCell && !inked; ++i) {
                inked = qGray(page.pixel(x + i % kCell, y + i / kCell)) < 128;
            }
            row << inked;
        }
        rows << row;
    }
    return rows;
}

// The inked cells of `a` with no ink in the same or a nearby cell of `b`: one cell up or down,
// two to either side, where the queue's bolder glyphs run longer.
qsizetype strayCells(const QVector<QVector<bool>>& a, const QVector<QVector<bool>>& b) {
    qsizetype stray = 0;
    for (qsizetype y = 0; y < a.size(); ++y) {
        for (qsizetype x = 0; x < a[y].size(); ++x) {
            bool near = false;
            for (qsizetype ny = std::max<qsizetype>(0, y - 1); ny <= std::min(y + 1, b.size() - 1);
                 ++ny) {
                for (qsizetype nx = std::max<qsizetype>(0, x - 2);
                     nx <= std::min(x + 2, b[ny].size() - 1); ++nx) {
                    near = near || b[ny][nx];
                }
            }
            stray += a[y][x] && !near ? 1 : 0;
        }
    }
    return stray;
}

// `page` turned clockwise by `quarters` quarter turns, pixel for pixel.
QImage quarterTurned(const QImage& page, int quarters) {
    const bool across = quarters % 2 == 1;
    QImage out(across ? page.height() : page.width(), across ? page.width() : page.height(),
               QImage::Format_RGB32);
    const int w = page.width();
    const int h = page.height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QPoint to = quarters == 1   ? QPoint(h - 1 - y, x)
                              : quarters == 2 ? QPoint(w - 1 - x, h - 1 - y)
                                              : QPoint(y, w - 1 - x);
            out.setPixel(to, page.pixel(x, y));
        }
    }
    return out;
}

// The print queue turns the fonts into outlines, so the text of its PDF cannot be read back; its
// page must look like the one printed to a file instead (whose text the file-printing tests
// check). Strokes come out bolder, and a landscape page lies turned on the paper, but a missing
// or misplaced line of text does not pass.
bool looksAlike(const QImage& printed, const QImage& reference, QString* why) {
    const QVector<QVector<bool>> expected = inkedCells(reference);
    qsizetype ink = 0;
    for (const auto& row : expected) {
        ink += row.count(true);
    }
    qsizetype fewest = ink;
    for (int quarter = 0; quarter < 4; ++quarter) {
        const QImage turned = quarter == 0 ? printed : quarterTurned(printed, quarter);
        if (turned.size() == reference.size()) {
            const QVector<QVector<bool>> got = inkedCells(turned);
            fewest = std::min(fewest, strayCells(got, expected) + strayCells(expected, got));
        }
    }
    *why = QStringLiteral("%1 of %2 inked cells stray").arg(fewest).arg(ink);
    return ink > 50 && fewest * 20 < ink;
}

}  // namespace

class TestPrintQueue : public QObject {
    Q_OBJECT

    QMap<QString, QString> queue_;

    QStringList printed() const {
        return QDir(queue_.value(QStringLiteral("out")))
            .entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time | QDir::Reversed);
    }
    // Runs the queue's command-line tool `tool` on the test printer.
    void admin(const char* tool) const {
        QProcess p;
        p.start(QString::fromLatin1(tool), {QStringLiteral("-h"), queue_.value("server"),
                                            queue_.value(QStringLiteral("printer"))});
        QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
    }

    // The window with its charts, a measurement loaded, and the print dialog answered with the
    // test printer.
    struct Window : WindowFixture {
        explicit Window(const QString& printer) {
            wireChartsAndPrinting(*form);
            open(QStringLiteral("drei.log"), threeDayLog());
            dialogs.printerAnswers = {true};
            dialogs.onPrinterChosen = [printer](QPrinter& p, int&) { p.setPrinterName(printer); };
            // The chart's preview: "Drucken".
            dialogs.onModal = [](QDialog& d) { static_cast<Druck&>(d).Command1_Click(); };
        }
    };

  private slots:
    void initTestCase() {
        queue_ = queueState();
        if (queue_.contains(QStringLiteral("unavailable")) || !queue_.contains("server")) {
            QSKIP(qPrintable(QStringLiteral("no print queue: ") + queue_.value("unavailable")));
        }
        // Before the first use of the CUPS library, which keeps the server it found.
        qputenv("CUPS_SERVER", queue_.value(QStringLiteral("server")).toLocal8Bit());
    }
    // A failed case leaves the queue as the next one needs it.
    void cleanup() {
        admin("cupsaccept");
        admin("cupsenable");
    }

    void reportAndChartReachThePrinter_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("report page") << "cmd_printProtokoll";
        QTest::newRow("speed chart") << "cmd_printCh1";
    }
    void reportAndChartReachThePrinter() {
        QFETCH(QString, button);
        Window w(queue_.value(QStringLiteral("printer")));
        const qsizetype before = printed().size();
        w.form->findChild<QToolButton*>(button)->click();
        QVERIFY(w.dialogs.messages().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(printed().size() == before + 1, 60000);
        const QString pdf =
            queue_.value(QStringLiteral("out")) + QLatin1Char('/') + printed().last();
        // The backend writes the file in place: it is whole once it reads as one page.
        QTRY_COMPARE_WITH_TIMEOUT(print_test::pageCount(pdf), 1, 30000);

        // The same page through the same dialog into a file.
        const QString file = w.dir.filePath(QStringLiteral("datei.pdf"));
        w.dialogs.printerAnswers = {true};
        w.dialogs.onPrinterChosen = [file](QPrinter& p, int&) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(file);
        };
        w.form->findChild<QToolButton*>(button)->click();
        QString why;
        QVERIFY2(looksAlike(pageImage(pdf, w.dir.path()), pageImage(file, w.dir.path()), &why),
                 qPrintable(why));
    }

    // A queue that takes no job, or holds the jobs back, says so in German; the window goes on
    // and prints once the queue runs again.
    void queueThatDoesNotPrint_data() {
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("restart");
        QTest::newRow("rejects jobs")
            << "cupsreject" << QString::fromUtf8("nimmt zurzeit keine Aufträge an") << "";
        QTest::newRow("stopped") << "cupsdisable"
                                 << "ist angehalten"
                                 << "cupsenable";
    }
    void queueThatDoesNotPrint() {
        QFETCH(QString, stop);
        QFETCH(QString, message);
        QFETCH(QString, restart);
        admin(qPrintable(stop));
        Window w(queue_.value(QStringLiteral("printer")));
        const qsizetype before = printed().size();
        w.form->cmd_printProtokoll->click();
        QCOMPARE(w.dialogs.messages().size(), 1);
        QVERIFY2(w.dialogs.messages()[0].contains(message), qPrintable(w.dialogs.messages()[0]));
        QVERIFY(w.dialogs.messages()[0].contains(queue_.value(QStringLiteral("printer"))));
        QTest::qWait(3000);
        QCOMPARE(printed().size(), before);
        if (!restart.isEmpty()) {
            admin(qPrintable(restart));
            QTRY_VERIFY_WITH_TIMEOUT(printed().size() == before + 1, 60000);
        }
        // The chart's preview says the same.
        w.dialogs.clear();
        w.dialogs.printerAnswers = {true};
        admin(qPrintable(stop));
        w.form->cmd_printCh2->click();
        QCOMPARE(w.dialogs.messages().size(), 1);
    }
};

QTEST_MAIN(TestPrintQueue)
#include "test_print_queue.moc"
