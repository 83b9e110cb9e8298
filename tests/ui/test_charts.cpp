// The speed and hourly charts: what they show, their types and the hour window.

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>

#include "ui/hour_chart.h"
#include "ui/speed_chart.h"

using namespace korvala;

namespace {

// A day whose counting starts at 07:00: slot i counts the hour ending at 08:00 + i.
DayStats sampleDay() {
    DayStats stats;
    stats.classUpper = {30, 50, 60};
    stats.classCounts = {4, 9, 12};
    stats.firstHour = 7;
    for (int i = 0; i < 24; ++i) {
        stats.hourCount[i] = static_cast<std::int16_t>(i + 1);
        char text[6];
        std::snprintf(text, sizeof text, "%02d:00", (7 + i + 1) % 24);
        stats.hourLabel[i] = text;
    }
    return stats;
}

template <typename Series>
Series* onlySeries(QChart* chart) {
    const auto series = chart->series();
    if (series.size() != 1) {
        return nullptr;
    }
    return qobject_cast<Series*>(series.first());
}

QStringList barLabels(QBarSeries* bars) {
    QStringList labels;
    for (QBarSet* set : bars->barSets()) {
        labels << set->label();
    }
    return labels;
}

}  // namespace

class TestCharts : public QObject {
    Q_OBJECT

  private slots:
    void speedChartBarsOneSeriesPerClass() {
        SpeedChart chart;
        chart.speedChart(sampleDay());
        const QStringList expected{QStringLiteral(" 20 - 29 km/h  4 KFZ  "),
                                   QStringLiteral(" 40 - 49 km/h  9 KFZ  "),
                                   QStringLiteral(" 50 - 59 km/h  12 KFZ  ")};
        QCOMPARE(chart.columnLabels(), expected);
        QCOMPARE(chart.columnValues(), (QVector<int>{4, 9, 12}));

        auto* bars = onlySeries<QBarSeries>(chart.chart());
        QVERIFY(bars != nullptr);
        QCOMPARE(barLabels(bars), expected);
        QCOMPARE(bars->barSets().at(2)->count(), 1);
        QCOMPARE(bars->barSets().at(2)->at(0), 12.0);
        auto* axis = qobject_cast<QBarCategoryAxis*>(chart.chart()->axes(Qt::Horizontal).value(0));
        QVERIFY(axis != nullptr);
        QCOMPARE(axis->categories(), QStringList{QStringLiteral("Geschwindigkeitsverteilung")});
        QCOMPARE(chart.legendTexts(), expected);
    }

    void speedChartPieOneSlicePerClassAndTypeSurvivesRedraw() {
        SpeedChart chart;
        chart.setChartType(chart_type::Pie);
        chart.speedChart(sampleDay());
        QCOMPARE(chart.chartType(), chart_type::Pie);
        auto* pie = onlySeries<QPieSeries>(chart.chart());
        QVERIFY(pie != nullptr);
        QCOMPARE(pie->count(), 3);
        QCOMPARE(pie->slices().at(1)->label(), QStringLiteral(" 40 - 49 km/h  9 KFZ  "));
        QCOMPARE(pie->slices().at(1)->value(), 9.0);
        QCOMPARE(chart.legendTexts(), chart.columnLabels());

        // A new day keeps the pie; an unknown type number changes nothing.
        DayStats next = sampleDay();
        next.classUpper = {10};
        next.classCounts = {2};
        chart.speedChart(next);
        chart.setChartType(chart_type::Line);
        pie = onlySeries<QPieSeries>(chart.chart());
        QVERIFY(pie != nullptr);
        QCOMPARE(pie->count(), 1);
        QCOMPARE(pie->slices().at(0)->label(), QStringLiteral(" 0 - 9 km/h  2 KFZ  "));

        chart.setChartType(chart_type::Bar);
        QVERIFY(onlySeries<QBarSeries>(chart.chart()) != nullptr);
        QCOMPARE(barLabels(onlySeries<QBarSeries>(chart.chart())),
                 QStringList{QStringLiteral(" 0 - 9 km/h  2 KFZ  ")});
    }

    void manyClassesStayDistinguishable() {
        DayStats stats;
        for (int k = 1; k <= 12; ++k) {
            stats.classUpper.push_back(10 * k);
            stats.classCounts.push_back(static_cast<std::int16_t>(k));
        }
        SpeedChart chart;
        chart.speedChart(stats);
        QSet<QRgb> colours;
        for (QBarSet* set : onlySeries<QBarSeries>(chart.chart())->barSets()) {
            QVERIFY2(set->color().lightness() < 200, qPrintable(set->label()));
            colours.insert(set->color().rgb());
        }
        QCOMPARE(colours.size(), 12);
        chart.setChartType(chart_type::Pie);
        colours.clear();
        for (QPieSlice* slice : onlySeries<QPieSeries>(chart.chart())->slices()) {
            colours.insert(slice->color().rgb());
        }
        QCOMPARE(colours.size(), 12);
    }

    void speedChartDayWithoutVehiclesHasNoColumns() {
        SpeedChart chart;
        chart.speedChart(sampleDay());
        chart.speedChart(DayStats{});
        QVERIFY(chart.columnLabels().isEmpty());
        QVERIFY(onlySeries<QBarSeries>(chart.chart())->barSets().isEmpty());
        QVERIFY(chart.legendTexts().isEmpty());
    }

    void hourChartStartsWithTheWholeDay() {
        HourChart chart;
        chart.setStats(sampleDay());
        QCOMPARE(chart.VScroll2()->maximum(), 24);
        QCOMPARE(chart.VScroll2()->value(), 23);
        QCOMPARE(chart.HScroll2()->maximum(), 1);
        QCOMPARE(chart.rowLabels().size(), 24);
        QCOMPARE(chart.rowLabels().first(), QStringLiteral("08:00"));
        QCOMPARE(chart.rowLabels().last(), QStringLiteral("07:00"));
        QCOMPARE(chart.rowValues().last(), 24);
        QVERIFY(chart.Label4()->text().isEmpty());

        auto* bars = onlySeries<QBarSeries>(chart.chartView()->chart());
        QVERIFY(bars != nullptr);
        QCOMPARE(bars->barSets().size(), 1);
        QCOMPARE(bars->barSets().first()->count(), 24);
        QCOMPARE(bars->barSets().first()->at(5), 6.0);
    }

    void hourChartSingleRowWindow() {
        HourChart chart;
        chart.setStats(sampleDay());
        chart.VScroll2()->setValue(0);
        QCOMPARE(chart.HScroll2()->maximum(), 24);
        chart.HScroll2()->setValue(3);
        QCOMPARE(chart.rowLabels(), QStringList{QStringLiteral("11:00")});
        QCOMPARE(chart.rowValues(), QVector<int>{4});
    }

    void hourChartFullWindowEndsWithEmptyRow() {
        HourChart chart;
        chart.setStats(sampleDay());
        chart.HScroll2()->setValue(1);
        chart.VScroll2()->setValue(24);
        QCOMPARE(chart.HScroll2()->maximum(), 0);
        QCOMPARE(chart.HScroll2()->value(), 0);
        QCOMPARE(chart.rowLabels().size(), 25);
        QCOMPARE(chart.rowLabels().first(), QStringLiteral("08:00"));
        QCOMPARE(chart.rowLabels().last(), QString());
        QCOMPARE(chart.rowValues().last(), 0);
        // The axis still offers 25 distinct places.
        auto* axis = qobject_cast<QBarCategoryAxis*>(
            chart.chartView()->chart()->axes(Qt::Horizontal).value(0));
        QCOMPARE(axis->count(), 25);
    }

    void widerWindowPullsTheStartBack() {
        HourChart chart;
        chart.setStats(sampleDay());
        chart.VScroll2()->setValue(10);
        chart.HScroll2()->setValue(14);  // at its end: slots 14..24
        QCOMPARE(chart.rowLabels().first(), QStringLiteral("22:00"));

        QSignalSpy redraws(&chart, &HourChart::redrawn);
        chart.VScroll2()->setValue(12);
        QCOMPARE(chart.HScroll2()->maximum(), 12);
        QCOMPARE(chart.HScroll2()->value(), 12);
        QCOMPARE(chart.rowLabels().size(), 13);
        QCOMPARE(chart.rowLabels().first(), QStringLiteral("20:00"));
        QCOMPARE(chart.rowValues().first(), 13);
        // Once for the new length, once more for the corrected start.
        QCOMPARE(redraws.count(), 2);

        // A narrower window leaves the start alone.
        chart.VScroll2()->setValue(2);
        QCOMPARE(chart.HScroll2()->value(), 12);
        QCOMPARE(chart.rowLabels().first(), QStringLiteral("20:00"));
    }

    void startFollowsTheThumbLengthWaitsForRelease() {
        HourChart chart;
        chart.setStats(sampleDay());
        chart.VScroll2()->setValue(5);
        QSignalSpy redraws(&chart, &HourChart::redrawn);

        chart.HScroll2()->setSliderDown(true);
        chart.HScroll2()->setSliderPosition(4);
        QCOMPARE(redraws.count(), 1);
        QCOMPARE(chart.rowLabels().first(), QStringLiteral("12:00"));
        chart.HScroll2()->setSliderDown(false);

        redraws.clear();
        chart.VScroll2()->setSliderDown(true);
        chart.VScroll2()->setSliderPosition(8);
        QCOMPARE(redraws.count(), 0);
        chart.VScroll2()->setSliderDown(false);
        QVERIFY(redraws.count() >= 1);
        QCOMPARE(chart.rowLabels().size(), 9);
    }

    void hourChartTypeAndScrollPositionsSurviveANewDay() {
        HourChart chart;
        chart.setStats(sampleDay());
        chart.setChartType(chart_type::Line);
        chart.VScroll2()->setValue(6);
        chart.HScroll2()->setValue(2);
        chart.setChartType(chart_type::Pie);  // not a type of this chart

        DayStats quiet = sampleDay();
        quiet.hourCount.fill(0);
        chart.setStats(quiet);
        QCOMPARE(chart.chartType(), chart_type::Line);
        QCOMPARE(chart.VScroll2()->value(), 6);
        QCOMPARE(chart.HScroll2()->value(), 2);
        QCOMPARE(chart.rowValues(), QVector<int>(7, 0));
        QCOMPARE(chart.rowLabels().first(), QStringLiteral("10:00"));

        auto* line = onlySeries<QLineSeries>(chart.chartView()->chart());
        QVERIFY(line != nullptr);
        QCOMPARE(line->count(), 7);

        chart.setChartType(chart_type::Bar);
        QVERIFY(onlySeries<QBarSeries>(chart.chartView()->chart()) != nullptr);
    }

    void pickingAPointShowsItsNumber() {
        HourChart chart;
        chart.setStats(sampleDay());
        chart.VScroll2()->setValue(9);
        chart.HScroll2()->setValue(10);
        auto* bars = onlySeries<QBarSeries>(chart.chartView()->chart());
        QVERIFY(bars != nullptr);
        emit bars->clicked(4, bars->barSets().first());
        QCOMPARE(chart.Label4()->text(), QStringLiteral(" 5 KFZ"));

        chart.setChartType(chart_type::Line);
        auto* line = onlySeries<QLineSeries>(chart.chartView()->chart());
        QVERIFY(line != nullptr);
        emit line->clicked(QPointF(6.8, 17));
        QCOMPARE(chart.Label4()->text(), QStringLiteral(" 8 KFZ"));
        // A click outside the window's rows changes nothing.
        emit line->clicked(QPointF(40, 0));
        QCOMPARE(chart.Label4()->text(), QStringLiteral(" 8 KFZ"));
    }

    void clickOnABarReachesTheLabel() {
        HourChart chart;
        chart.resize(800, 500);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        chart.setStats(sampleDay());
        chart.VScroll2()->setValue(3);
        chart.HScroll2()->setValue(0);
        QChart* c = chart.chartView()->chart();
        auto* bars = onlySeries<QBarSeries>(c);
        QVERIFY(bars != nullptr);
        // The middle of the third bar (value 3).
        const QPointF inScene = c->mapToScene(c->mapToPosition(QPointF(2, 1.5), bars));
        const QPoint inView = chart.chartView()->mapFromScene(inScene);
        QTest::mouseClick(chart.chartView()->viewport(), Qt::LeftButton, {}, inView);
        QCOMPARE(chart.Label4()->text(), QStringLiteral(" 3 KFZ"));
    }
};

QTEST_MAIN(TestCharts)
#include "test_charts.moc"
