// Printing, read back from PDF files: the report text over pages with their numbers, and a chart
// picture scaled onto the page through its preview.

#include <QPrinterInfo>

#include "output/print/picture_print.h"
#include "output/print/print_rtb.h"
#include "output/print/printer_choice.h"
#include "test_form1_support.h"
#include "ui/druck.h"

using namespace korvala;
using namespace print_test;

namespace {

constexpr double kLeft = kReportLeftMargin / 20.0;  // points
constexpr double kRight = kReportRightMargin / 20.0;
constexpr double kA4Width = 595.28;

QFont reportFont(int points = 10) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(points);
    return font;
}

QString numberedLines(int count) {
    QString text;
    for (int i = 1; i <= count; ++i)
        text += QStringLiteral("Zeile %1\tMessort Nord\r\n").arg(i, 4, 10, QLatin1Char('0'));
    return text;
}

// The first page at 72 dpi: one pixel per point.
QImage firstPage(const QString& pdf) {
    run(QStringLiteral("pdftoppm"), {"-png", "-r", "72", "-l", "1", "-singlefile", pdf, pdf});
    return QImage(pdf + QStringLiteral(".png"));
}

// The box of the dark pixels between the lines `top` and `bottom`.
QRect ink(const QImage& page, int top = 0, int bottom = 2000) {
    QRect dark;
    for (int y = top; y < qMin(bottom, page.height()); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                dark |= QRect(x, y, 1, 1);
    return dark;
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
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pages");  // at least
        QString paragraph;
        for (int i = 1; i <= 3000; ++i)
            paragraph += QStringLiteral("w%1 ").arg(i);
        QTest::newRow("empty: one page with its number") << QString() << 1;
        QTest::newRow("many lines") << numberedLines(400) << 4;
        QTest::newRow("one paragraph longer than a page") << paragraph << 2;
    }
    void textIsCompleteAndInOrder() {
        QFETCH(QString, text);
        QFETCH(int, pages);
        const auto [pdf, printed] = print(text);
        QVERIFY(printed >= pages);
        QCOMPARE(body(pdf, printed).join(' '), text.simplified());
    }

    // A word without a break point is cut at the right margin; a line taller than the page still
    // ends the printing. Where a printer cannot print near the edge, the margins still count from
    // the paper's edge and the page number ends at the printable area's right edge.
    void inkStaysWithinTheMargins() {
        const QRect word = ink(firstPage(print(QString(600, QLatin1Char('X'))).first), 0, 800);
        QVERIFY2(word.right() <= kA4Width - kRight + 1, qPrintable(QString::number(word.right())));
        const auto [huge, pages] = print(QStringLiteral("A\r\nB\r\nC"), reportFont(900));
        QCOMPARE(pages, 3);
        QCOMPARE(pageLines(huge, 3).last(), QStringLiteral("Seite 3"));

        const QImage page =
            firstPage(print(numberedLines(3), reportFont(), QMarginsF(10, 15, 10, 15)).first);
        QVERIFY2(qAbs(ink(page).left() - kLeft) < 2, qPrintable(QString::number(ink(page).left())));
        const int numberRight = ink(page, 780).right();
        QVERIFY2(qAbs(numberRight - (kA4Width - 10 * 72 / 25.4)) < 4,
                 qPrintable(QString::number(numberRight)));
    }

    void cancelledPrinterDialogPrintsNothing() {
        QTextDocument doc;
        doc.setPlainText(numberedLines(100));
        QPrinter printer(QPrinter::HighResolution);
        const QString cancelled = nextFile();
        usePdf(printer, cancelled);
        QCOMPARE(printWithDialog(
                     doc, printer, [](QPrinter&, QWidget*) { return false; }, nullptr),
                 0);
        QVERIFY(!QFile::exists(cancelled));
    }

    // A chart prints from the paper's corner as large as the page allows, on a landscape page
    // when wider than tall; an empty picture prints nothing.
    void pictureFitsThePage() {
        const struct {
            QSize picture;
            int divisor;
            QSize printed;  // points
            bool landscape;
        } cases[] = {{{900, 300}, 2, {842, 281}, true}, {{400, 400}, 1, {595, 595}, false}};
        for (const auto& c : cases) {
            const QString file = nextFile();
            QPrinter printer(QPrinter::HighResolution);
            usePdf(printer, file);
            QVERIFY(PrintPictureToFitPage(
                printer, blackPicture(c.picture.width(), c.picture.height()), c.divisor));
            const QImage page = firstPage(file);
            const QRect area = ink(page);
            QCOMPARE(page.width() > page.height(), c.landscape);
            QCOMPARE(area.topLeft(), QPoint(0, 0));
            QVERIFY2(qAbs(area.width() - c.printed.width()) <= 2 &&
                         qAbs(area.height() - c.printed.height()) <= 2,
                     qPrintable(QStringLiteral("%1x%2").arg(area.width()).arg(area.height())));
        }
        const QString empty = nextFile();
        QPrinter printer(QPrinter::HighResolution);
        usePdf(printer, empty);
        QVERIFY(!PrintPictureToFitPage(printer, QPicture(), 1));
        QVERIFY(!QFile::exists(empty));
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

    void withoutPrintersTheChoiceIsAPdfFile() {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("printers are installed: the system's printer dialog is shown instead");
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
