// Printing, read back from PDF files: the report text over pages with their numbers, and a chart
// picture scaled onto the page through its preview.

#include <QAbstractTextDocumentLayout>
#include <QFileDialog>
#include <QLabel>
#include <QPainter>
#include <QPicture>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTextDocument>

#include "output/print/picture_print.h"
#include "output/print/print_rtb.h"
#include "output/print/printer_choice.h"
#include "test_form1_support.h"
#include "ui/chart_picture.h"
#include "ui/druck.h"
#include "ui/speed_chart.h"

Q_GUI_EXPORT int qt_defaultDpiY();

using namespace korvala;
using namespace print_test;

namespace {

constexpr double kLeft = kReportLeftMargin / 20.0;  // points
constexpr double kA4Width = 595.28;

QFont reportFont(int points = 10) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(points);
    return font;
}

QString numberedLines(int count) {
    QString text;
    for (int i = 1; i <= count; ++i) {
        text += QStringLiteral("Zeile %1\tMessort Nord\r\n").arg(i, 4, 10, QLatin1Char('0'));
    }
    return text;
}

// A picture that is black all over, so its printed extent can be measured.
QPicture blackPicture(int width, int height) {
    QPicture picture;
    QPainter painter(&picture);
    painter.fillRect(QRect(0, 0, width, height), Qt::black);
    painter.end();
    picture.setBoundingRect(QRect(0, 0, width, height));
    return picture;
}

}  // namespace

class TestPrint : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    int fileNo_ = 0;

    QString nextFile() { return dir_.filePath(QStringLiteral("p%1.pdf").arg(++fileNo_)); }

    // Prints `text` with the report margins; returns the PDF file and the pages printed.
    std::pair<QString, int> print(const QString& text, QFont font = reportFont(),
                                  QMarginsF offsets = {}) {
        const QString file = nextFile();
        QPrinter printer(QPrinter::HighResolution);
        usePdf(printer, file, offsets);
        return {file, PrintRTB(text, font, printer, kReportLeftMargin, kReportTopMargin,
                               kReportRightMargin, kReportBottomMargin)};
    }

    // The text lines of all pages, after checking that each of the `pages` pages ends with its
    // own number and holds no other.
    static QStringList body(const QString& pdf, int pages) {
        QStringList lines;
        [&] { QCOMPARE(pageCount(pdf), pages); }();
        for (int page = 1; page <= pages; ++page) {
            QStringList onPage = pageLines(pdf, page);
            const QString footer = onPage.isEmpty() ? QString() : onPage.takeLast();
            [&] { QCOMPARE(footer, QStringLiteral("Seite %1").arg(page)); }();
            [&] { QVERIFY(!onPage.join(' ').contains(QStringLiteral("Seite"))); }();
            lines += onPage;
        }
        return lines;
    }

  private slots:
    void textIsCompleteAndInOrder_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("empty: one page with its number") << 0;
        QTest::newRow("many pages") << 400;
    }
    void textIsCompleteAndInOrder() {
        QFETCH(int, count);
        const auto [pdf, pages] = print(numberedLines(count));
        QVERIFY(count > 0 ? pages > 3 : pages == 1);
        const QStringList lines = body(pdf, pages);
        QCOMPARE(lines.size(), count);
        for (int i = 0; i < count; ++i) {
            QVERIFY2(lines[i].startsWith(QStringLiteral("Zeile %1").arg(i + 1, 4, 10, QChar('0'))),
                     qPrintable(lines[i]));
        }
    }

    void textFillingExactlyOnePageStaysOnOnePage() {
        int lines = 30;  // the largest number that still fits on one page, found by printing
        while (print(numberedLines(lines + 1)).second == 1) {
            QVERIFY(++lines < 200);
        }
        QCOMPARE(body(print(numberedLines(lines)).first, 1).size(), lines);
        // One line more moves exactly that line to page 2.
        const auto [over, pages] = print(numberedLines(lines + 1));
        QCOMPARE(pages, 2);
        QCOMPARE(pageLines(over, 2).size(), 2);
        QVERIFY(pageLines(over, 2).first().startsWith(
            QStringLiteral("Zeile %1").arg(lines + 1, 4, 10, QLatin1Char('0'))));
    }

    void longParagraphAndWordStayOnThePaper() {
        QString paragraph;
        for (int i = 1; i <= 3000; ++i) {
            paragraph += QStringLiteral("w%1 ").arg(i);
        }
        const auto [pdf, pages] = print(paragraph + QString(600, QLatin1Char('X')));
        QVERIFY(pages >= 2);
        const QStringList tokens = body(pdf, pages).join(' ').split(' ', Qt::SkipEmptyParts);
        QCOMPARE(tokens.value(0), QStringLiteral("w1"));
        QCOMPARE(tokens.value(2999), QStringLiteral("w3000"));
        // The word without a break point is cut at the right margin, not beyond.
        for (const Word& w : words(pdf)) {
            if (!w.text.startsWith(QLatin1Char('X'))) {
                continue;
            }
            QVERIFY2(w.box.right() <= kA4Width - kReportRightMargin / 20.0 + 1, qPrintable(w.text));
        }
        // A line taller than the whole text rectangle still ends the printing.
        const auto [huge, hugePages] = print(QStringLiteral("A\r\nB\r\nC"), reportFont(900));
        QCOMPARE(hugePages, 3);
        QCOMPARE(pageLines(huge, 3).last(), QStringLiteral("Seite 3"));
    }

    void lineEndsAndTabStops() {
        const auto [pdf, pages] = print(QStringLiteral("\r\n\t\t\tReport\r\n\r\nOrt:\t\tBerg\r\n"));
        QCOMPARE(body(pdf, 1),
                 (QStringList{QStringLiteral("Report"), QStringLiteral("Ort: Berg")}));
        // Tab stops every half inch from the left margin.
        QVERIFY(qAbs(leftOf(pdf, QStringLiteral("Report")) - (kLeft + 3 * 36)) < 1.5);
        QVERIFY(qAbs(leftOf(pdf, QStringLiteral("Berg")) - (kLeft + 2 * 36)) < 1.5);
        // "Report" after one empty line, "Ort:" after one blank line: CR LF is one break.
        double reportY = 0, ortY = 0;
        for (const Word& w : words(pdf)) {
            if (w.text == QStringLiteral("Report")) {
                reportY = w.box.top();
            } else if (w.text == QStringLiteral("Ort:")) {
                ortY = w.box.top();
            }
        }
        const double line = (ortY - reportY) / 2, top = kReportTopMargin / 20.0;
        QVERIFY2(reportY - top > 0.5 * line && reportY - top < 1.5 * line,
                 qPrintable(QStringLiteral("%1 %2").arg(reportY).arg(line)));

        // A document keeps its own tab stops (one inch here) and is not laid out for the printer.
        QTextDocument doc;
        doc.setDefaultFont(reportFont());
        QTextOption option = doc.defaultTextOption();
        option.setTabStopDistance(qt_defaultDpiY());
        doc.setDefaultTextOption(option);
        doc.setPlainText(QStringLiteral("A\tBreit\t\tWeiter"));
        QPrinter printer(QPrinter::HighResolution);
        const QString own = nextFile();
        usePdf(printer, own);
        QCOMPARE(PrintRTB(doc, printer, kReportLeftMargin, 500, 500, 500), 1);
        QVERIFY(qAbs(leftOf(own, QStringLiteral("Breit")) - (kLeft + 72)) < 1.5);
        QVERIFY(qAbs(leftOf(own, QStringLiteral("Weiter")) - (kLeft + 3 * 72)) < 1.5);
        QVERIFY(doc.documentLayout()->paintDevice() == nullptr);
    }

    // Margins count from the paper's edge; the page number ends at the printable area's right
    // edge, in the strip below the text rectangle.
    void marginsAndPageNumber_data() {
        QTest::addColumn<QMarginsF>("offsetsMm");
        QTest::addColumn<QList<int>>("geometry");  // offsets, size, text rectangle in twips
        QTest::newRow("no unprintable strip")
            << QMarginsF() << QList<int>{0, 0, 11906, 16838, 1500, 500, 11406, 16338};
        QTest::newRow("10 and 15 mm unprintable")
            << QMarginsF(10, 15, 10, 15)
            << QList<int>{567, 850, 10772, 15137, 933, -350, 10839, 15487};
    }
    void marginsAndPageNumber() {
        QFETCH(QMarginsF, offsetsMm);
        QFETCH(QList<int>, geometry);
        QPrinter printer(QPrinter::HighResolution);
        usePdf(printer, nextFile(), offsetsMm);
        const PrintGeometry g = printGeometry(printer, 1500, 500, 500, 500);
        QCOMPARE((QList<int>{g.leftOffset, g.topOffset, g.width, g.height, g.textRect.left,
                             g.textRect.top, g.textRect.right, g.textRect.bottom}),
                 geometry);

        const auto [pdf, pages] = print(numberedLines(3), reportFont(), offsetsMm);
        QRectF text, number;
        for (const Word& w : words(pdf)) {
            (w.box.top() > 700 ? number : text) |= w.box;
        }
        QVERIFY2(qAbs(text.left() - kLeft) < 2, qPrintable(QString::number(text.left())));
        const double printableRight = kA4Width - offsetsMm.right() * 72 / 25.4;
        QVERIFY2(qAbs(number.right() - printableRight) < 2,
                 qPrintable(QString::number(number.right())));
        // Centred between the text rectangle's bottom and the printable area's.
        const double middle = (g.topOffset + (g.textRect.bottom + g.height) / 2.0) / 20;
        QVERIFY2(qAbs(number.center().y() - middle) < 2,
                 qPrintable(QString::number(number.center().y())));
    }

    void dialogCancelPrintsNothingAndCopiesAreLeftToThePrinter() {
        QTextDocument doc;
        doc.setPlainText(numberedLines(100));
        QPrinter printer(QPrinter::HighResolution);
        const QString cancelled = nextFile();
        usePdf(printer, cancelled);
        QCOMPARE(printWithDialog(
                     doc, printer, [](QPrinter&, QWidget*) { return false; }, nullptr),
                 0);
        QVERIFY(!QFile::exists(cancelled));

        const QString copies = nextFile();
        const int printed = printWithDialog(
            doc, printer,
            [&](QPrinter& p, QWidget*) {
                usePdf(p, copies);
                p.setCopyCount(3);
                return true;
            },
            nullptr);
        QVERIFY(printed >= 2);
        QCOMPARE(printer.copyCount(), 3);
        QCOMPARE(body(copies, printed).size(), 100);  // PDF output does not repeat pages
    }

    void pictureFitsThePage_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("divisor");
        QTest::addColumn<QSize>("printed");  // points, from the top-left corner
        QTest::addColumn<bool>("landscape");
        QTest::newRow("wide: landscape, full width, half")
            << QSize(900, 300) << 2 << QSize(842, 281) << true;
        QTest::newRow("square: portrait") << QSize(400, 400) << 1 << QSize(595, 595) << false;
        // 1.2 : 1 is wider than tall but narrower than landscape A4 (1.41 : 1).
        QTest::newRow("fills the height") << QSize(1200, 1000) << 1 << QSize(714, 595) << true;
        QTest::newRow("half of it") << QSize(1200, 1000) << 2 << QSize(357, 298) << true;
    }
    void pictureFitsThePage() {
        QFETCH(QSize, picture);
        QFETCH(int, divisor);
        QFETCH(QSize, printed);
        QFETCH(bool, landscape);
        const QString file = nextFile();
        QPrinter printer(QPrinter::HighResolution);
        usePdf(printer, file);
        QVERIFY(PrintPictureToFitPage(printer, blackPicture(picture.width(), picture.height()),
                                      divisor));
        const QImage page = render(file);
        QCOMPARE(page.width() > page.height(), landscape);
        const QRect area = darkArea(page);
        QVERIFY2(area.topLeft().manhattanLength() <= 2 &&
                     qAbs(area.width() - printed.width()) <= 2 &&
                     qAbs(area.height() - printed.height()) <= 2,
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(area.x())
                                .arg(area.y())
                                .arg(area.width())
                                .arg(area.height())));

        const QString empty = nextFile();
        usePdf(printer, empty);
        QVERIFY(!PrintPictureToFitPage(printer, QPicture(), divisor));
        QVERIFY(!QFile::exists(empty));
    }

    void chartPictureIsTheViewWithItsTexts() {
        DayStats stats;
        stats.classUpper = {40, 50, 60, 70};
        stats.classCounts = {3, 17, 25, 6};
        SpeedChart chart;
        chart.resize(700, 420);
        chart.speedChart(stats);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        const QPicture picture = renderChartPicture(&chart);
        QCOMPARE(picture.boundingRect(), chart.viewport()->rect());
        const QString file = nextFile();
        QPrinter printer(QPrinter::HighResolution);
        usePdf(printer, file);
        QVERIFY(PrintPictureToFitPage(printer, picture, 2));
        const QString text = pageLines(file, 1).join(QLatin1Char('\n'));
        QVERIFY2(text.contains(QStringLiteral("50 - 59 km/h 25 KFZ")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Geschwindigkeitsverteilung")));
    }

    // The preview prints every copy as a job of its own, so the printer must not multiply the
    // pages as well; a failing job stops the rest and keeps the preview open.
    void previewButtons_data() {
        QTest::addColumn<bool>("print");      // Drucken, or Abbruch
        QTest::addColumn<int>("copies");      // chosen in the printer dialog; 0: cancelled there
        QTest::addColumn<int>("failingJob");  // 0: none
        QTest::addColumn<int>("jobs");
        QTest::addColumn<bool>("stays");
        QTest::newRow("Abbruch") << false << 1 << 0 << 0 << false;
        QTest::newRow("printer dialog cancelled") << true << 0 << 0 << 0 << true;
        QTest::newRow("three copies") << true << 3 << 0 << 3 << false;
        QTest::newRow("second job fails") << true << 4 << 2 << 1 << true;
    }
    void previewButtons() {
        QFETCH(bool, print);
        QFETCH(int, copies);
        QFETCH(int, failingJob);
        QFETCH(int, jobs);
        QFETCH(bool, stays);
        int asked = 0, calls = 0;
        Druck preview(blackPicture(300, 200), 2, [&](QPrinter& printer, QWidget*) {
            ++asked;
            printer.setCopyCount(qMax(copies, 1));
            return copies > 0;
        });
        preview.setJobPrinter([&](QPrinter& printer, const QPicture& picture, int divisor) {
            [&] { QCOMPARE(printer.copyCount(), 1); }();
            [&] { QCOMPARE(divisor, 2); }();
            return ++calls != failingJob && picture.boundingRect() == QRect(0, 0, 300, 200);
        });
        preview.show();
        QTest::mouseClick(print ? preview.Command1() : preview.Command2(), Qt::LeftButton);
        QCOMPARE(asked, print ? 1 : 0);
        QCOMPARE(preview.jobsPrinted(), jobs);
        QCOMPARE(preview.isVisible(), stays);
    }

    void previewPrintsToPdfAndCopiesComeBackFromTheDialog() {
        const QString file = nextFile();
        Druck preview(blackPicture(1200, 1000), 2, chooserWithCopies([&](QPrinter& p, int& n) {
                          [&] { QCOMPARE(n, 1); }();
                          usePdf(p, file);
                          n = 2;
                          return true;
                      }));
        preview.Command1_Click();
        QCOMPARE(preview.jobsPrinted(), 2);
        QCOMPARE(pageCount(file), 1);  // one page per job, the second job rewrote the file
        QVERIFY(qAbs(darkArea(render(file)).height() - 298) <= 2);

        QPrinter printer;
        printer.setCopyCount(5);
        const PrinterChooser cancel = chooserWithCopies([](QPrinter&, int& n) {
            n = 9;
            return false;
        });
        QVERIFY(!cancel(printer, nullptr));
        QCOMPARE(printer.copyCount(), 5);
    }

    void withoutPrintersTheChoiceIsAPdfFile() {
        if (!QPrinterInfo::availablePrinterNames().isEmpty()) {
            QSKIP("printers are installed: the system's printer dialog is shown instead");
        }
        const QString name = dir_.filePath(QStringLiteral("ohne-drucker"));
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->selectFile(name);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QPrinter printer(QPrinter::HighResolution);
        QVERIFY(choosePrinterOrPdf(printer, nullptr));
        QCOMPARE(printer.outputFormat(), QPrinter::PdfFormat);
        QCOMPARE(printer.outputFileName(), name + QStringLiteral(".pdf"));

        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        QPrinter untouched;
        QVERIFY(!choosePrinterOrPdf(untouched, nullptr));
        QVERIFY(untouched.outputFileName().isEmpty());
    }
};

QTEST_MAIN(TestPrint)
#include "test_print.moc"
