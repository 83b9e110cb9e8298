#include "ui/speed_chart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QPieSeries>
#include <QPieSlice>
#include <QValueAxis>

namespace korvala {

SpeedChart::SpeedChart(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("MSChart1"));
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(320, 240);
    redraw();
}

void SpeedChart::speedChart(const DayStats& stats) {
    columns_ = speedColumns(stats);
    redraw();
}

void SpeedChart::setChartType(int type) {
    if (type != chart_type::Bar && type != chart_type::Pie) {
        return;
    }
    type_ = type;
    redraw();
}

QString SpeedChart::rowLabel() const {
    return QString::fromUtf8(kSpeedChartRow);
}

QStringList SpeedChart::columnLabels() const {
    QStringList labels;
    for (const auto& column : columns_) {
        labels << QString::fromStdString(column.label);
    }
    return labels;
}

QVector<int> SpeedChart::columnValues() const {
    QVector<int> values;
    for (const auto& column : columns_) {
        values << column.value;
    }
    return values;
}

QStringList SpeedChart::legendTexts() const {
    QStringList texts;
    if (!chart()->legend()->isVisible()) {
        return texts;
    }
    for (QLegendMarker* marker : chart()->legend()->markers()) {
        if (marker->isVisible()) {
            texts << marker->label();
        }
    }
    return texts;
}

void SpeedChart::redraw() {
    // A fresh chart per redraw, so no series or axis of the previous day lingers.
    auto* chart = new QChart();
    chart->legend()->setVisible(true);
    chart->legend()->setAlignment(Qt::AlignRight);

    if (type_ == chart_type::Pie) {
        auto* pie = new QPieSeries(chart);
        for (const auto& column : columns_) {
            pie->append(QString::fromStdString(column.label), column.value);
        }
        chart->addSeries(pie);
    } else {
        auto* bars = new QBarSeries(chart);
        int highest = 0;
        for (const auto& column : columns_) {
            auto* set = new QBarSet(QString::fromStdString(column.label));
            *set << column.value;
            bars->append(set);
            highest = std::max<int>(highest, column.value);
        }
        chart->addSeries(bars);
        auto* categories = new QBarCategoryAxis(chart);
        categories->append(rowLabel());
        categories->setTruncateLabels(false);  // the one row label has the whole width
        chart->addAxis(categories, Qt::AlignBottom);
        bars->attachAxis(categories);
        auto* counts = new QValueAxis(chart);
        counts->setLabelFormat(QStringLiteral("%d"));
        const CountAxis scale = countAxis(highest);
        counts->setRange(0, scale.top);
        counts->setTickType(QValueAxis::TicksDynamic);
        counts->setTickAnchor(0);
        counts->setTickInterval(scale.step);
        chart->addAxis(counts, Qt::AlignLeft);
        bars->attachAxis(counts);
    }
    QChart* previous = this->chart();
    setChart(chart);
    delete previous;
}

}  // namespace korvala
