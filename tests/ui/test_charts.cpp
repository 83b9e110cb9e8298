// The speed and hourly charts: what they show, their types, the hour window, and how the main
// window drives and prints them.

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLabel>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QScrollBar>
#include <QToolButton>

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
    stats.classUpper = {30, 50, 60};
    stats.classCounts = {4, 9, 12};
    stats.firstHour = 7;
    for (int i = 0; i < 24; ++i) {
        stats.hourCount[i] = static_cast<std::int16_t>(i + 1);
        stats.hourLabel[i] =
            QStringLiteral("%1:00").arg((8 + i) % 24, 2, 10, QLatin1Char('0')).toStdString();
    }
    return stats;
}

template <typename Series>
Series* onlySeries(QChart* chart) {
    const auto series = chart->series();
    return series.size() == 1 ? qobject_cast<Series*>(series.first()) : nullptr;
}

QStringList barLabels(QChart* chart) {
    QStringList labels;
    for (QBarSet* set : onlySeries<QBarSeries>(chart)->barSets()) {
        labels << set->label();
    }
    return labels;
}

}  // namespace

class TestCharts : public QObject {
    Q_OBJECT

  private slots:
    void speedChartShowsOneEntryPerClass() {
        SpeedChart chart;
        chart.speedChart(sampleDay());
        const QStringList expected{QStringLiteral(" 20 - 29 km/h  4 KFZ  "),
                                   QStringLiteral(" 40 - 49 km/h  9 KFZ  "),
                                   QStringLiteral(" 50 - 59 km/h  12 KFZ  ")};
        QCOMPARE(barLabels(chart.chart()), expected);
        QCOMPARE(onlySeries<QBarSeries>(chart.chart())->barSets().at(2)->at(0), 12.0);
        QCOMPARE(chart.legendTexts(), expected);

        chart.setChartType(chart_type::Pie);
        auto* pie = onlySeries<QPieSeries>(chart.chart());
        QCOMPARE(pie->count(), 3);
        QCOMPARE(pie->slices().at(1)->label(), expected[1]);
        QCOMPARE(pie->slices().at(1)->value(), 9.0);
        // A new day keeps the pie; an unknown type number changes nothing.
        DayStats next;
        next.classUpper = {10};
        next.classCounts = {2};
        chart.speedChart(next);
        chart.setChartType(chart_type::Line);
        pie = onlySeries<QPieSeries>(chart.chart());
        QCOMPARE(pie->count(), 1);
        QCOMPARE(pie->slices().at(0)->label(), QStringLiteral(" 0 - 9 km/h  2 KFZ  "));

        chart.setChartType(chart_type::Bar);
        chart.speedChart(DayStats{});
        QVERIFY(barLabels(chart.chart()).isEmpty());
        QVERIFY(chart.legendTexts().isEmpty());
    }

    // The length scroll bar (VScroll2) sets how many hours follow the first one shown, the
    // start bar (HScroll2) which hour comes first.
    void hourWindow_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("startMaximum");
        QTest::addColumn<QStringList>("labels");  // first and last
        QTest::addColumn<int>("rows");
        QTest::newRow("whole day") << 23 << 0 << 1 << QStringList{"08:00", "07:00"} << 24;
        QTest::newRow("one hour") << 0 << 3 << 24 << QStringList{"11:00", "11:00"} << 1;
        QTest::newRow("start at its end") << 10 << 20 << 14 << QStringList{"22:00", ""} << 11;
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
        chart.VScroll2()->setValue(length);
        chart.HScroll2()->setValue(start);
        QCOMPARE(chart.HScroll2()->maximum(), startMaximum);
        QCOMPARE(chart.rowLabels().size(), rows);
        QCOMPARE((QStringList{chart.rowLabels().first(), chart.rowLabels().last()}), labels);
        QCOMPARE(chart.rowValues().first(), 1 + qMin(start, startMaximum));
        auto* axis = qobject_cast<QBarCategoryAxis*>(
            chart.chartView()->chart()->axes(Qt::Horizontal).value(0));
        QCOMPARE(axis->count(), rows);
    }

    void widerWindowPullsTheStartBackOnce() {
        HourChart chart;
        chart.setStats(sampleDay());
        chart.VScroll2()->setValue(10);
        chart.HScroll2()->setValue(14);  // at its end: slots 14..24
        QSignalSpy redraws(&chart, &HourChart::redrawn);
        chart.VScroll2()->setValue(12);
        QCOMPARE(chart.HScroll2()->value(), 12);
        QCOMPARE(chart.rowLabels().first(), QStringLiteral("20:00"));
        QCOMPARE(redraws.count(), 2);   // for the new length, and for the corrected start
        chart.VScroll2()->setValue(2);  // a narrower window leaves the start alone
        QCOMPARE(chart.HScroll2()->value(), 12);

        // Dragging: the start follows the thumb, the length waits for its release.
        redraws.clear();
        chart.HScroll2()->setSliderDown(true);
        chart.HScroll2()->setSliderPosition(4);
        QCOMPARE(redraws.count(), 1);
        chart.HScroll2()->setSliderDown(false);
        redraws.clear();
        chart.VScroll2()->setSliderDown(true);
        chart.VScroll2()->setSliderPosition(8);
        QCOMPARE(redraws.count(), 0);
        chart.VScroll2()->setSliderDown(false);
        QCOMPARE(chart.rowLabels().size(), 9);
    }

    void hourChartKeepsTypeAndWindowAndShowsPickedCounts() {
        HourChart chart;
        chart.resize(800, 500);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        chart.setStats(sampleDay());
        chart.VScroll2()->setValue(3);
        QChart* c = chart.chartView()->chart();
        auto* bars = onlySeries<QBarSeries>(c);
        // A real click in the middle of the third bar (value 3).
        const QPointF inScene = c->mapToScene(c->mapToPosition(QPointF(2, 1.5), bars));
        QTest::mouseClick(chart.chartView()->viewport(), Qt::LeftButton, {},
                          chart.chartView()->mapFromScene(inScene));
        QCOMPARE(chart.Label4()->text(), QStringLiteral(" 3 KFZ"));

        chart.setChartType(chart_type::Line);
        chart.setChartType(chart_type::Pie);  // not a type of this chart
        chart.HScroll2()->setValue(2);
        DayStats quiet = sampleDay();
        quiet.hourCount.fill(0);
        chart.setStats(quiet);
        QCOMPARE(chart.chartType(), chart_type::Line);
        QCOMPARE(chart.VScroll2()->value(), 3);
        QCOMPARE(chart.rowLabels().first(), QStringLiteral("10:00"));
        QCOMPARE(chart.rowValues(), QVector<int>(4, 0));
        auto* line = onlySeries<QLineSeries>(chart.chartView()->chart());
        QCOMPARE(line->count(), 4);
        emit line->clicked(QPointF(2.8, 17));  // the nearest point: the fourth
        QCOMPARE(chart.Label4()->text(), QStringLiteral(" 4 KFZ"));
        emit line->clicked(QPointF(40, 0));  // outside the window's rows: nothing
        QCOMPARE(chart.Label4()->text(), QStringLiteral(" 4 KFZ"));
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

    void printButtonsPreviewWithTheirDivisor() {
        WindowFixture fx;
        wireChartsAndPrinting(*fx.form);
        fx.open(QStringLiteral("drei.log"), threeDayLog());
        QVector<int> divisors;
        fx.dialogs.onModal = [&](QDialog& dialog) {
            auto* preview = qobject_cast<Druck*>(&dialog);
            divisors << preview->faktor();
            QVERIFY(!preview->picture().boundingRect().isEmpty());
            preview->Command1()->click();  // the scripted printer dialog cancels
            preview->Command2()->click();
        };
        QTest::mouseClick(fx.form->cmd_printCh1, Qt::LeftButton);
        QTest::mouseClick(fx.form->cmd_printCh2, Qt::LeftButton);
        QCOMPARE(divisors, (QVector<int>{2, 1}));
        QCOMPARE(fx.dialogs.callsOf(ScriptedDialogs::Kind::Modal).size(), std::size_t(2));
        QCOMPARE(fx.dialogs.callsOf(ScriptedDialogs::Kind::ChoosePrinter).size(), std::size_t(2));
    }

    void printButtonsPrintToTheChosenPdf() {
        WindowFixture fx;
        QString target;
        wireChartsAndPrinting(*fx.form, [&](QPrinter& printer, QWidget*) {
            usePdfFile(printer, target);
            return true;
        });
        fx.open(QStringLiteral("drei.log"), threeDayLog());
        target = fx.dir.filePath(QStringLiteral("report.pdf"));
        QTest::mouseClick(fx.form->cmd_printProtokoll, Qt::LeftButton);
        QCOMPARE(print_test::pageCount(target), 1);
        const QStringList lines = print_test::pageLines(target, 1);
        QCOMPARE(lines.first(), QStringLiteral("Report"));
        QVERIFY(lines.contains(QStringLiteral("Messungen: 3")));
        QCOMPARE(lines.last(), QStringLiteral("Seite 1"));

        target = fx.dir.filePath(QStringLiteral("hours.pdf"));
        fx.dialogs.onModal = [](QDialog& d) { qobject_cast<Druck*>(&d)->Command1()->click(); };
        QTest::mouseClick(fx.form->cmd_printCh2, Qt::LeftButton);
        QCOMPARE(print_test::pageCount(target), 1);
    }
};

QTEST_MAIN(TestCharts)
#include "test_charts.moc"
