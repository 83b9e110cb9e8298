// Printing the report text: pages, page numbers and the text rectangle, read back from PDF.

#include <QAbstractTextDocumentLayout>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include "output/print/print_rtb.h"
#include "output/report.h"
#include "test_print_support.h"

Q_GUI_EXPORT int qt_defaultDpiY();

using namespace korvala;
using namespace print_test;

namespace {

constexpr double kPointsPerTwip = 1.0 / 20.0;

QFont reportFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(10);
    return font;
}

// An A4 PDF printer whose printable area is the whole paper unless margins are given.
void setUpPdf(QPrinter& printer, const QString& file, QMarginsF offsetsMm = {}) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(offsetsMm, QPageLayout::Millimeter);
}

QString numberedLines(int count) {
    QString text;
    for (int i = 1; i <= count; ++i) {
        text += QStringLiteral("Zeile %1\tMessort Nord\t%2 KFZ\r\n")
                    .arg(i, 4, 10, QLatin1Char('0'))
                    .arg(i * 7);
    }
    return text;
}

}  // namespace

class TestPrintRtb : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    int fileNo_ = 0;

    QString nextFile() { return dir_.filePath(QStringLiteral("p%1.pdf").arg(++fileNo_)); }

    // Prints `text` with the report margins; returns the PDF path and the page count printed.
    QString print(const QString& text, int* pages = nullptr, QFont font = reportFont(),
                  QMarginsF offsets = {}) {
        const QString file = nextFile();
        QPrinter printer(QPrinter::HighResolution);
        setUpPdf(printer, file, offsets);
        const int printed = PrintRTB(text, font, printer, kReportLeftMargin, kReportTopMargin,
                                     kReportRightMargin, kReportBottomMargin);
        if (pages != nullptr) {
            *pages = printed;
        }
        return file;
    }

    // Every page ends with its own number and nothing follows it; returns the body lines.
    QStringList checkFootersAndCollectBody(const QString& pdf, int expectedPages) {
        QStringList body;
        const int pages = pageCount(pdf);
        if (expectedPages >= 0) {
            [&] { QCOMPARE(pages, expectedPages); }();
        }
        for (int page = 1; page <= pages; ++page) {
            QStringList lines = pageLines(pdf, page);
            const QString footer = lines.isEmpty() ? QString() : lines.takeLast();
            if (footer != QStringLiteral("Seite %1").arg(page)) {
                qWarning() << "page" << page << "ends with" << footer;
                return {QStringLiteral("<bad footer>")};
            }
            for (const QString& line : lines) {
                if (line.contains(QStringLiteral("Seite"))) {
                    qWarning() << "page number inside the text on page" << page;
                    return {QStringLiteral("<stray number>")};
                }
            }
            body += lines;
        }
        return body;
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        if (qEnvironmentVariableIsSet("KORVALA_KEEP_PDF")) {
            dir_.setAutoRemove(false);
            qInfo() << "PDF files stay in" << dir_.path();
        }
    }

    void emptyTextPrintsOnePageWithNumberOnly() {
        int printed = 0;
        const QString pdf = print(QString(), &printed);
        QCOMPARE(printed, 1);
        QCOMPARE(pageCount(pdf), 1);
        QCOMPARE(pageLines(pdf, 1), QStringList{QStringLiteral("Seite 1")});
    }

    void longTextIsCompleteAndInOrderAcrossPages() {
        int printed = 0;
        const QString pdf = print(numberedLines(400), &printed);
        QVERIFY(printed > 3);
        const QStringList body = checkFootersAndCollectBody(pdf, printed);
        QCOMPARE(body.size(), 400);
        for (int i = 0; i < body.size(); ++i) {
            QVERIFY2(
                body[i].startsWith(QStringLiteral("Zeile %1").arg(i + 1, 4, 10, QLatin1Char('0'))),
                qPrintable(body[i]));
        }
    }

    void textFillingExactlyOnePageStaysOnOnePage() {
        // The largest number of lines that still fits on one page, found by printing.
        int lines = 30;
        int printed = 0;
        print(numberedLines(lines), &printed);
        QCOMPARE(printed, 1);
        while (printed == 1) {
            print(numberedLines(++lines), &printed);
            QVERIFY(lines < 200);
        }
        QCOMPARE(printed, 2);
        const QString full = print(numberedLines(lines - 1), &printed);
        QCOMPARE(printed, 1);
        const QStringList body = checkFootersAndCollectBody(full, 1);
        QCOMPARE(body.size(), lines - 1);
        // One line more moves exactly that line to page 2.
        const QString over = print(numberedLines(lines), &printed);
        QCOMPARE(pageLines(over, 2).size(), 2);
        QVERIFY(pageLines(over, 2).first().startsWith(
            QStringLiteral("Zeile %1").arg(lines, 4, 10, QLatin1Char('0'))));
    }

    void oneParagraphLongerThanAPageWrapsOntoFollowingPages() {
        QString paragraph;
        for (int i = 1; i <= 3000; ++i) {
            paragraph += QStringLiteral("w%1 ").arg(i);
        }
        int printed = 0;
        const QString pdf = print(paragraph, &printed);
        QVERIFY(printed >= 2);
        const QStringList body = checkFootersAndCollectBody(pdf, printed);
        const QStringList tokens =
            body.join(QLatin1Char(' ')).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QCOMPARE(tokens.size(), 3000);
        QCOMPARE(tokens.first(), QStringLiteral("w1"));
        QCOMPARE(tokens.last(), QStringLiteral("w3000"));
    }

    void unbreakableWordStaysInsideTheRightMargin() {
        const QString word(600, QLatin1Char('X'));
        const QString pdf = print(word);
        const double paperWidth = pageSize(pdf).width();
        for (const Word& w : words(pdf)) {
            if (w.text.startsWith(QLatin1Char('X'))) {
                QVERIFY2(w.box.right() <= paperWidth - kReportRightMargin * kPointsPerTwip + 1,
                         qPrintable(QString::number(w.box.right())));
            }
        }
    }

    void lineTallerThanTheTextRectangleStillEnds() {
        QFont huge = reportFont();
        huge.setPointSize(900);  // one line is taller than the whole page
        int printed = 0;
        const QString pdf = print(QStringLiteral("A\r\nB\r\nC"), &printed, huge);
        QCOMPARE(printed, 3);
        QCOMPARE(pageCount(pdf), 3);
        QCOMPARE(pageLines(pdf, 3).last(), QStringLiteral("Seite 3"));
    }

    void lineEndsCountOnceAndBlankLinesSurvive() {
        const QString pdf = print(QStringLiteral("\r\n\t\t\tReport\r\n\r\nOrt:\t\tBerg\r\n"));
        QStringList lines = pageLines(pdf, 1);
        for (QString& line : lines) {
            line = line.simplified();
        }
        QCOMPARE(lines, (QStringList{QStringLiteral("Report"), QStringLiteral("Ort: Berg"),
                                     QStringLiteral("Seite 1")}));
        const auto all = words(pdf);
        double reportY = -1, ortY = -1, reportX = -1, bergX = -1;
        for (const Word& w : all) {
            if (w.text == QStringLiteral("Report")) {
                reportY = w.box.top();
                reportX = w.box.left();
            }
            if (w.text == QStringLiteral("Ort:"))
                ortY = w.box.top();
            if (w.text == QStringLiteral("Berg"))
                bergX = w.box.left();
        }
        // Tab stops every half inch from the left margin.
        const double left = kReportLeftMargin * kPointsPerTwip;
        QVERIFY2(qAbs(reportX - (left + 3 * 36)) < 1.5, qPrintable(QString::number(reportX)));
        QVERIFY2(qAbs(bergX - (left + 2 * 36)) < 1.5, qPrintable(QString::number(bergX)));
        QVERIFY(reportY > 0 && ortY > reportY);
        // "Report" after one leading empty line, "Ort:" after one blank line: CR LF is one break.
        const double lineHeight = (ortY - reportY) / 2;
        QVERIFY2(reportY - kReportTopMargin * kPointsPerTwip > 0.5 * lineHeight &&
                     reportY - kReportTopMargin * kPointsPerTwip < 1.5 * lineHeight,
                 qPrintable(QStringLiteral("%1 %2").arg(reportY).arg(lineHeight)));
    }

    void textRectangleAndNumberPositionWithoutOffsets() {
        const QString pdf = print(numberedLines(5));
        const QSizeF paper = pageSize(pdf);
        const auto all = words(pdf);
        QRectF body, number;
        for (int i = 0; i < all.size(); ++i) {
            if (all[i].text == QStringLiteral("Seite") && i + 1 < all.size()) {
                number = all[i].box | all[i + 1].box;
                ++i;
            } else {
                body |= all[i].box;
            }
        }
        const double left = kReportLeftMargin * kPointsPerTwip;
        const double top = kReportTopMargin * kPointsPerTwip;
        QVERIFY2(qAbs(body.left() - left) < 2, qPrintable(QString::number(body.left())));
        QVERIFY(body.top() >= top - 1 && body.top() < top + 14);
        // The number ends at the paper's right edge (no unprintable strip here), not at the
        // right margin, and sits in the strip below the text rectangle.
        QVERIFY2(qAbs(number.right() - paper.width()) < 2,
                 qPrintable(QString::number(number.right())));
        const double stripTop = paper.height() - kReportBottomMargin * kPointsPerTwip;
        QVERIFY2(number.top() >= stripTop - 3 && number.bottom() <= paper.height() + 1,
                 qPrintable(QStringLiteral("%1..%2").arg(number.top()).arg(number.bottom())));
    }

    void physicalOffsetsShiftTheTextRectangle() {
        QPrinter printer(QPrinter::HighResolution);
        setUpPdf(printer, nextFile(), QMarginsF(10, 15, 10, 15));
        const PrintGeometry g = printGeometry(printer, 1500, 500, 500, 500);
        QCOMPARE(g.leftOffset, 567);  // 10 mm
        QCOMPARE(g.topOffset, 850);   // 15 mm
        QCOMPARE(g.width, 10772);     // 190 mm
        QCOMPARE(g.height, 15137);    // 267 mm
        QCOMPARE(g.textRect.left, 1500 - 567);
        QCOMPARE(g.textRect.top, 500 - 850);
        QCOMPARE(g.textRect.right, g.width - 500 + 567);
        QCOMPARE(g.textRect.bottom, g.height - 500 + 850);

        // Printed: the text starts at the left margin measured from the paper, and the number
        // ends at the printable area's right edge, 10 mm inside the paper.
        const QString pdf =
            print(numberedLines(3), nullptr, reportFont(), QMarginsF(10, 15, 10, 15));
        double textLeft = 1e9, numberRight = 0;
        for (const Word& w : words(pdf)) {
            if (w.text.startsWith(QStringLiteral("Zeile")))
                textLeft = qMin(textLeft, w.box.left());
            if (w.text == QStringLiteral("1") && w.box.top() > 700)
                numberRight = w.box.right();
        }
        QVERIFY2(qAbs(textLeft - 75) < 2, qPrintable(QString::number(textLeft)));
        QVERIFY2(qAbs(numberRight - (595.28 - 28.35)) < 2,
                 qPrintable(QString::number(numberRight)));
    }

    void zeroOffsetsGiveThePaperMinusTheMargins() {
        QPrinter printer(QPrinter::HighResolution);
        setUpPdf(printer, nextFile());
        const PrintGeometry g = printGeometry(printer, 1500, 500, 500, 500);
        QCOMPARE(g.leftOffset, 0);
        QCOMPARE(g.textRect.left, 1500);
        QCOMPARE(g.textRect.top, 500);
        QCOMPARE(g.textRect.right, 11906 - 500);
        QCOMPARE(g.textRect.bottom, 16838 - 500);
    }

    void cancelPrintsNothingAndCopiesAreLeftToThePrinter() {
        QTextDocument doc;
        doc.setPlainText(numberedLines(100));
        QPrinter printer(QPrinter::HighResolution);
        const QString cancelled = nextFile();
        setUpPdf(printer, cancelled);
        int asked = 0;
        QCOMPARE(printWithDialog(
                     doc, printer,
                     [&](QPrinter&, QWidget*) {
                         ++asked;
                         return false;
                     },
                     nullptr),
                 0);
        QCOMPARE(asked, 1);
        QVERIFY(!QFile::exists(cancelled));

        const QString single = nextFile();
        setUpPdf(printer, single);
        const int pages = PrintRTB(doc, printer, 1500, 500, 500, 500);
        QVERIFY(pages >= 2);

        const QString copies = nextFile();
        const int printed = printWithDialog(
            doc, printer,
            [&](QPrinter& p, QWidget*) {
                setUpPdf(p, copies);
                p.setCopyCount(3);
                return true;
            },
            nullptr);
        QCOMPARE(printed, pages);
        QCOMPARE(printer.copyCount(), 3);
        QCOMPARE(pageCount(copies), pages);  // PDF output does not repeat pages for copies
        const QStringList body = checkFootersAndCollectBody(copies, -1);
        QVERIFY(!body.contains(QStringLiteral("<bad footer>")));
    }

    void documentKeepsItsOwnTabStops() {
        // A box whose tab stops are one inch apart on screen prints them one inch apart.
        QTextDocument doc;
        doc.setDefaultFont(reportFont());
        QTextOption option = doc.defaultTextOption();
        option.setTabStopDistance(qt_defaultDpiY());
        doc.setDefaultTextOption(option);
        doc.setPlainText(QStringLiteral("A\tBreit\t\tWeiter"));
        QPrinter printer(QPrinter::HighResolution);
        const QString pdf = nextFile();
        setUpPdf(printer, pdf);
        QCOMPARE(PrintRTB(doc, printer, 1500, 500, 500, 500), 1);
        const double left = kReportLeftMargin * kPointsPerTwip;
        double breit = -1, weiter = -1;
        for (const Word& w : words(pdf)) {
            if (w.text == QStringLiteral("Breit"))
                breit = w.box.left();
            if (w.text == QStringLiteral("Weiter"))
                weiter = w.box.left();
        }
        QVERIFY2(qAbs(breit - (left + 72)) < 1.5, qPrintable(QString::number(breit)));
        QVERIFY2(qAbs(weiter - (left + 3 * 72)) < 1.5, qPrintable(QString::number(weiter)));
        // The caller's document is not laid out for the printer.
        QVERIFY(doc.documentLayout()->paintDevice() == nullptr);
    }

    void aDayReportPrintsCompletelyOnOnePage() {
        DayStats stats;
        stats.classUpper = {40, 50, 60};
        stats.classCounts = {12, 30, 4};
        for (int i = 0; i < 24; ++i) {
            stats.hourCount[i] = static_cast<std::int16_t>(i % 5);
            stats.hourLabel[i] = QStringLiteral("%1:00")
                                     .arg((7 + i + 1) % 24, 2, 10, QLatin1Char('0'))
                                     .toStdString();
        }
        ReportInput in;
        in.site = {"Lindenweg", "14.03.26", "Vor der Schule\r\nzweite Zeile"};
        in.lbl_ds = "46";
        in.lbl_vmin = "38 km/h";
        in.lbl_vmax = "61 km/h";
        in.lbl_dV = " 47 km/h";
        in.stats = &stats;
        int printed = 0;
        const QString pdf = print(QString::fromStdString(buildReport(in)), &printed);
        QCOMPARE(printed, 1);
        QStringList lines = checkFootersAndCollectBody(pdf, 1);
        for (QString& line : lines) {
            line = line.simplified();
        }
        QCOMPARE(lines.size(), 1 + 4 + 2 + 3 + 1 + 3 + 1 + 12);
        QCOMPARE(lines[0], QStringLiteral("Report"));
        QCOMPARE(lines[1], QStringLiteral("Ort: Lindenweg"));
        QCOMPARE(lines[2], QStringLiteral("Beginn der Messung: 14.03.26 Tag: 1"));
        QCOMPARE(lines[12], QStringLiteral("40 - 49 km/h 30 KFZ"));
        QCOMPARE(lines.last(), QStringLiteral("18:00 - 19:00 1 KFZ 06:00 - 07:00 3 KFZ"));
    }
};

QTEST_MAIN(TestPrintRtb)
#include "test_print_rtb.moc"
