// The speed and hourly charts: what they show, their types, the hour window, and how the main
// window drives and prints them.

#include <QBarCategoryAxis>

#include "output/print/printer_choice.h"
#include "test_form1_support.h"
#include "ui/chart_wiring.h"
#include "ui/druck.h"
#include "ui/hour_chart.h"
#include "ui/speed_chart.h"

using namespace korvala;
using namespace korvala::ui;
using namespace korvala::ui::test;

namespace {

// A day whose counting starts at 07:00: slot i counts i + 1 vehicles in the hour ending at
// 08:00 + i.
DayStats sampleDay() {
    DayStats stats;
    stats.firstHour = 7;
    for (int i = 0; i < 24; ++i) {
        stats.hourCount[i] = static_cast<std::int16_t>(i + 1);
        stats.hourLabel[i] =
            QStringLiteral("%1:00").arg((8 + i) % 24, 2, 10, QLatin1Char('0')).toStdString();
    }
    return stats;
}

}  // namespace

class TestCharts : public QObject {
    Q_OBJECT

  private slots:
    // The length scroll bar (VScroll2) sets how many hours follow the first one shown, the
    // start bar (HScroll2) which hour comes first; a longer window pulls the start back.
    void hourWindow_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("startMaximum");
        QTest::addColumn<QStringList>("labels");  // first and last
        QTest::addColumn<int>("rows");
        QTest::newRow("whole day") << 23 << 0 << 1 << QStringList{"08:00", "07:00"} << 24;
        QTest::newRow("one hour") << 0 << 3 << 24 << QStringList{"11:00", "11:00"} << 1;
        QTest::newRow("start pulled back") << 10 << 20 << 14 << QStringList{"22:00", ""} << 11;
        // 25 rows: the last one is empty, the axis still offers 25 places.
        QTest::newRow("full window") << 24 << 1 << 0 << QStringList{"08:00", ""} << 25;
    }
    void hourWindow() {
        QFETCH(int, length);
        QFETCH(int, start);
        QFETCH(int, startMaximum);
        QFETCH(QStringList, labels);
        QFETCH(int, rows);
        HourChart chart;
        chart.setStats(sampleDay());
        chart.VScroll2()->setValue(0);
        chart.HScroll2()->setValue(start);
        chart.VScroll2()->setValue(length);
        QCOMPARE(chart.HScroll2()->maximum(), startMaximum);
        QCOMPARE(chart.rowLabels().size(), rows);
        QCOMPARE((QStringList{chart.rowLabels().first(), chart.rowLabels().last()}), labels);
        QCOMPARE(chart.rowValues().first(), 1 + qMin(start, startMaximum));
        auto* axis = qobject_cast<QBarCategoryAxis*>(
            chart.chartView()->chart()->axes(Qt::Horizontal).value(0));
        QCOMPARE(axis->count(), rows);
    }

    void chartsFollowEveryEvaluationAndKeepTheirTypes() {
        WindowFixture fx;
        const ChartViews views = wireChartsAndPrinting(*fx.form);
        fx.open(QStringLiteral("drei.log"), threeDayLog());
        // Day 1: 45, 55 and 62 km/h.
        QCOMPARE(views.speed->columnLabels(),
                 (QStringList{QStringLiteral(" 40 - 49 km/h  1 KFZ  "),
                              QStringLiteral(" 50 - 59 km/h  1 KFZ  "),
                              QStringLiteral(" 60 - 69 km/h  1 KFZ  ")}));
        const auto& stats = fx.form->session().stats();
        QCOMPARE(views.hour->rowLabels().first(), QString::fromStdString(stats.hourLabel[0]));
        QCOMPARE(views.hour->rowValues().first(), int(stats.hourCount[0]));

        QTest::mouseClick(fx.form->cmd_pie, Qt::LeftButton);
        QTest::mouseClick(fx.form->cmd_line1, Qt::LeftButton);
        views.hour->VScroll2()->setValue(4);
        fx.form->showDay(1, 0);
        QCOMPARE(views.speed->chartType(), chart_type::Pie);
        QCOMPARE(views.hour->chartType(), chart_type::Line);
        QCOMPARE(views.hour->rowLabels().size(), 5);
        QCOMPARE(views.speed->columnLabels(),
                 (QStringList{QStringLiteral(" 30 - 39 km/h  1 KFZ  "),
                              QStringLiteral(" 40 - 49 km/h  1 KFZ  ")}));
        QTest::mouseClick(fx.form->cmd_bar, Qt::LeftButton);
        QTest::mouseClick(fx.form->cmd_bar1, Qt::LeftButton);
        QCOMPARE(views.speed->chartType(), chart_type::Bar);
        QCOMPARE(views.hour->chartType(), chart_type::Bar);
    }

    // The chart buttons show the chart in the preview (the speed chart at half size), which
    // prints it; the report button prints the report text.
    void printButtonsPrintToTheChosenPdf() {
        WindowFixture fx;
        QString target;
        wireChartsAndPrinting(*fx.form, [&](QPrinter& printer, QWidget*) {
            usePdfFile(printer, target);
            return true;
        });
        fx.open(QStringLiteral("drei.log"), threeDayLog());
        QVector<int> divisors;
        fx.dialogs.onModal = [&](QDialog& dialog) {
            divisors << qobject_cast<Druck*>(&dialog)->faktor();
            qobject_cast<Druck*>(&dialog)->Command1()->click();
        };
        for (QToolButton* button :
             {fx.form->cmd_printCh1, fx.form->cmd_printCh2, fx.form->cmd_printProtokoll}) {
            target = fx.dir.filePath(button->objectName() + QStringLiteral(".pdf"));
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(print_test::pageCount(target), 1);
        }
        QCOMPARE(divisors, (QVector<int>{2, 1}));
        QVERIFY(print_test::pageLines(fx.dir.filePath(QStringLiteral("cmd_printCh1.pdf")), 1)
                    .filter(QRegularExpression(QStringLiteral("^50 - 59 k")))
                    .size() == 1);
        const QStringList report = print_test::pageLines(target, 1);
        QCOMPARE(report.first(), QStringLiteral("Report"));
        QVERIFY(report.contains(QStringLiteral("Messungen: 3")));
        QCOMPARE(report.last(), QStringLiteral("Seite 1"));
    }
};

QTEST_MAIN(TestCharts)
#include "test_charts.moc"
