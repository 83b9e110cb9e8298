// Chart printing: the picture, its scaling onto the page and the preview's buttons.

#include <QFileDialog>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "output/print/picture_print.h"
#include "test_print_support.h"
#include "ui/chart_picture.h"
#include "ui/druck.h"
#include "ui/hour_chart.h"
#include "ui/speed_chart.h"

using namespace korvala;
using namespace print_test;

namespace {

// A picture that is black all over, so its printed extent can be measured.
QPicture blackPicture(int width, int height) {
    QPicture picture;
    QPainter painter(&picture);
    painter.fillRect(QRect(0, 0, width, height), Qt::black);
    painter.end();
    picture.setBoundingRect(QRect(0, 0, width, height));
    return picture;
}

void usePdf(QPrinter& printer, const QString& file) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

DayStats sampleDay() {
    DayStats stats;
    stats.classUpper = {40, 50, 60, 70};
    stats.classCounts = {3, 17, 25, 6};
    for (int i = 0; i < 24; ++i) {
        stats.hourCount[i] = static_cast<std::int16_t>((i * 7) % 19);
        stats.hourLabel[i] =
            QStringLiteral("%1:00").arg((i + 1) % 24, 2, 10, QLatin1Char('0')).toStdString();
    }
    return stats;
}

}  // namespace

class TestPrintCharts : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    int fileNo_ = 0;
    QString nextFile() { return dir_.filePath(QStringLiteral("c%1.pdf").arg(++fileNo_)); }

    // Prints `picture` and returns the dark area of the page at 72 dpi (1 pixel = 1 point).
    QRect printedArea(const QPicture& picture, int divisor, QSizeF* paper = nullptr) {
        const QString file = nextFile();
        QPrinter printer(QPrinter::HighResolution);
        usePdf(printer, file);
        if (!PrintPictureToFitPage(printer, picture, divisor)) {
            return {};
        }
        if (paper != nullptr) {
            *paper = pageSize(file);
        }
        return darkArea(render(file, file + QStringLiteral("-png"), 72));
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        if (qEnvironmentVariableIsSet("KORVALA_KEEP_PDF")) {
            dir_.setAutoRemove(false);
            qInfo() << "PDF files stay in" << dir_.path();
        }
    }

    void widePictureGoesLandscapeAndFillsTheWidth() {
        QSizeF paper;
        const QRect area = printedArea(blackPicture(900, 300), 2, &paper);
        QVERIFY(paper.width() > paper.height());  // landscape A4: 842 x 595 points
        QVERIFY2(qAbs(area.left()) <= 1 && qAbs(area.top()) <= 1,
                 qPrintable(QStringLiteral("%1,%2").arg(area.left()).arg(area.top())));
        QVERIFY2(qAbs(area.width() - 842) <= 2, qPrintable(QString::number(area.width())));
        QVERIFY2(qAbs(area.height() - 842 / 3) <= 2, qPrintable(QString::number(area.height())));
    }

    void squarePictureGoesPortrait() {
        QSizeF paper;
        const QRect area = printedArea(blackPicture(400, 400), 1, &paper);
        QVERIFY(paper.width() < paper.height());
        QVERIFY2(qAbs(area.width() - 595) <= 2, qPrintable(QString::number(area.width())));
        QVERIFY2(qAbs(area.height() - 595) <= 2, qPrintable(QString::number(area.height())));
    }

    void landscapePageWiderThanTheChartFillsTheHeightOrHalfOfIt() {
        // 1.2 : 1 is wider than tall but narrower than landscape A4 (1.41 : 1).
        const QRect full = printedArea(blackPicture(1200, 1000), 1);
        QVERIFY2(qAbs(full.height() - 595) <= 2, qPrintable(QString::number(full.height())));
        QVERIFY2(qAbs(full.width() - 714) <= 2, qPrintable(QString::number(full.width())));
        const QRect half = printedArea(blackPicture(1200, 1000), 2);
        QVERIFY2(qAbs(half.left()) <= 1 && qAbs(half.top()) <= 1, "top-left corner");
        QVERIFY2(qAbs(half.height() - 298) <= 2, qPrintable(QString::number(half.height())));
        QVERIFY2(qAbs(half.width() - 357) <= 2, qPrintable(QString::number(half.width())));
    }

    void emptyPictureIsNotPrinted() {
        QPrinter printer(QPrinter::HighResolution);
        const QString file = nextFile();
        usePdf(printer, file);
        QVERIFY(!PrintPictureToFitPage(printer, QPicture(), 1));
        QVERIFY(!QFile::exists(file));
    }

    void chartPictureHasTheViewsSizeAndContent() {
        SpeedChart chart;
        chart.resize(700, 420);
        chart.speedChart(sampleDay());
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        const QPicture picture = renderChartPicture(&chart);
        QCOMPARE(picture.boundingRect(), chart.viewport()->rect());
        // Printed, the legend texts are on the page.
        const QString file = nextFile();
        QPrinter printer(QPrinter::HighResolution);
        usePdf(printer, file);
        QVERIFY(PrintPictureToFitPage(printer, picture, 2));
        const QString text = pageLines(file, 1).join(QLatin1Char('\n'));
        QVERIFY2(text.contains(QStringLiteral("50 - 59 km/h 25 KFZ")) ||
                     text.contains(QStringLiteral("50 - 59 km/h  25 KFZ")),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Geschwindigkeitsverteilung")));
    }

    void previewShowsThePictureAndItsButtons() {
        Druck preview(blackPicture(300, 200), 2, nullptr);
        QCOMPARE(preview.windowTitle(), QStringLiteral("Druckvorschau"));
        QCOMPARE(preview.Command1()->text(), QStringLiteral("Drucken"));
        QCOMPARE(preview.Command2()->text(), QStringLiteral("Abbruch"));
        QVERIFY(preview.isModal());
        QCOMPARE(preview.Image1()->pixmap().size(), QSize(300, 200));
        QCOMPARE(preview.Image1()->pixmap().toImage().pixelColor(150, 100), QColor(Qt::black));
        QCOMPARE(preview.faktor(), 2);
    }

    void abbruchClosesWithoutAskingOrPrinting() {
        int asked = 0, jobs = 0;
        Druck preview(blackPicture(300, 200), 1, [&](QPrinter&, QWidget*) {
            ++asked;
            return true;
        });
        preview.setJobPrinter([&](QPrinter&, const QPicture&, int) { return ++jobs > 0; });
        preview.show();
        QTest::mouseClick(preview.Command2(), Qt::LeftButton);
        QCOMPARE(preview.result(), int(QDialog::Rejected));
        QVERIFY(!preview.isVisible());
        QCOMPARE(asked, 0);
        QCOMPARE(jobs, 0);
    }

    void cancelInThePrinterDialogKeepsThePreviewOpen() {
        int jobs = 0;
        Druck preview(blackPicture(300, 200), 1, [](QPrinter&, QWidget*) { return false; });
        preview.setJobPrinter([&](QPrinter&, const QPicture&, int) { return ++jobs > 0; });
        preview.show();
        QTest::mouseClick(preview.Command1(), Qt::LeftButton);
        QVERIFY(preview.isVisible());
        QCOMPARE(jobs, 0);
    }

    void everyCopyIsAJobOfItsOwn() {
        QVector<int> divisors;
        QVector<int> copyCounts;
        Druck preview(blackPicture(300, 200), 2, [](QPrinter& printer, QWidget*) {
            printer.setCopyCount(3);
            return true;
        });
        preview.setJobPrinter([&](QPrinter& printer, const QPicture& picture, int divisor) {
            divisors << divisor;
            copyCounts << printer.copyCount();
            return picture.boundingRect() == QRect(0, 0, 300, 200);
        });
        preview.show();
        QTest::mouseClick(preview.Command1(), Qt::LeftButton);
        QCOMPARE(divisors, (QVector<int>{2, 2, 2}));
        // The printer must not multiply the pages itself on top of the three jobs.
        QCOMPARE(copyCounts, (QVector<int>{1, 1, 1}));
        QCOMPARE(preview.jobsPrinted(), 3);
        QCOMPARE(preview.result(), int(QDialog::Accepted));
        QVERIFY(!preview.isVisible());
    }

    void copiesHandedBackSeparatelyReachThePrinter() {
        int offered = 0;
        Druck preview(blackPicture(300, 200), 1, chooserWithCopies([&](QPrinter&, int& copies) {
                          offered = copies;
                          copies = 2;
                          return true;
                      }));
        int jobs = 0;
        preview.setJobPrinter([&](QPrinter&, const QPicture&, int) { return ++jobs > 0; });
        preview.Command1_Click();
        QCOMPARE(offered, 1);
        QCOMPARE(jobs, 2);

        QPrinter printer;
        printer.setCopyCount(5);
        const PrinterChooser cancel = chooserWithCopies([](QPrinter&, int& copies) {
            copies = 9;
            return false;
        });
        QVERIFY(!cancel(printer, nullptr));
        QCOMPARE(printer.copyCount(), 5);
    }

    void failingJobStopsTheCopiesAndKeepsThePreview() {
        int calls = 0;
        Druck preview(blackPicture(300, 200), 1, [](QPrinter& printer, QWidget*) {
            printer.setCopyCount(4);
            return true;
        });
        preview.setJobPrinter([&](QPrinter&, const QPicture&, int) { return ++calls < 2; });
        preview.show();
        QTest::mouseClick(preview.Command1(), Qt::LeftButton);
        QCOMPARE(calls, 2);
        QCOMPARE(preview.jobsPrinted(), 1);
        QVERIFY(preview.isVisible());
    }

    void printingToPdfWritesOnePagePerJob() {
        const QString file = nextFile();
        Druck preview(blackPicture(1200, 1000), 2, [&](QPrinter& printer, QWidget*) {
            usePdf(printer, file);
            return true;
        });
        preview.show();
        QTest::mouseClick(preview.Command1(), Qt::LeftButton);
        QCOMPARE(preview.jobsPrinted(), 1);
        QCOMPARE(pageCount(file), 1);
        const QRect area = darkArea(render(file, file + QStringLiteral("-png"), 72));
        QVERIFY2(qAbs(area.height() - 298) <= 2, qPrintable(QString::number(area.height())));
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

    void previewChartRunsModallyFromAChart() {
        HourChart chart;
        chart.resize(700, 400);
        chart.setStats(sampleDay());
        int asked = 0;
        QTimer::singleShot(0, [] {
            auto* preview = qobject_cast<Druck*>(QApplication::activeModalWidget());
            QVERIFY(preview != nullptr);
            QVERIFY(!preview->Image1()->pixmap().isNull());
            preview->Command2()->click();
        });
        const int jobs = Druck::previewChart(
            chart.chartView(), 1, [&](QPrinter&, QWidget*) { return ++asked > 0; }, nullptr);
        QCOMPARE(jobs, 0);
        QCOMPARE(asked, 0);
    }
};

QTEST_MAIN(TestPrintCharts)
#include "test_print_charts.moc"
