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
#include <iterator>

namespace korvala {

namespace {

// The chart theme runs out of distinct colours after five series and fades into near-white;
// a day easily has more occupied classes than that.
QColor classColour(std::size_t index) {
    static const QColor palette[] = {
        QColor(0x20, 0x9f, 0xdf), QColor(0x99, 0xca, 0x53), QColor(0xf6, 0xa6, 0x25),
        QColor(0x6d, 0x5f, 0xd5), QColor(0xbf, 0x59, 0x3e), QColor(0x2e, 0x8b, 0x57),
        QColor(0xd6, 0x3a, 0x8a), QColor(0x8c, 0x6d, 0x46), QColor(0x4f, 0x6d, 0x7a),
        QColor(0xe0, 0xc0, 0x1c), QColor(0x1b, 0x5e, 0xa8), QColor(0x9e, 0x9e, 0x9e)};
    return palette[index % std::size(palette)];
}

}  // namespace

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
        for (std::size_t k = 0; k < columns_.size(); ++k) {
            QPieSlice* slice =
                pie->append(QString::fromStdString(columns_[k].label), columns_[k].value);
            slice->setColor(classColour(k));
            slice->setBorderColor(Qt::white);
        }
        chart->addSeries(pie);
    } else {
        auto* bars = new QBarSeries(chart);
        for (std::size_t k = 0; k < columns_.size(); ++k) {
            const auto& column = columns_[k];
            auto* set = new QBarSet(QString::fromStdString(column.label));
            set->setColor(classColour(k));
            set->setBorderColor(classColour(k));
            *set << column.value;
            bars->append(set);
        }
        chart->addSeries(bars);
        auto* categories = new QBarCategoryAxis(chart);
        categories->append(rowLabel());
        categories->setTruncateLabels(false);  // the one row label has the whole width
        chart->addAxis(categories, Qt::AlignBottom);
        bars->attachAxis(categories);
        bars->attachAxis(addCountAxis(chart, columns_));
    }
    QChart* previous = this->chart();
    setChart(chart);
    delete previous;
}

}  // namespace korvala
