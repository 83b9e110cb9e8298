#include "ui/hour_chart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QGridLayout>
#include <QLegend>
#include <QLineSeries>
#include <QValueAxis>
#include <cmath>

namespace korvala {

HourChart::HourChart(QWidget* parent)
    : QWidget(parent),
      view_(new QChartView(this)),
      vscroll_(new QScrollBar(Qt::Vertical, this)),
      hscroll_(new QScrollBar(Qt::Horizontal, this)),
      label4_(new QLabel(this)) {
    view_->setObjectName(QStringLiteral("msChart2"));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumSize(320, 240);
    vscroll_->setObjectName(QStringLiteral("VScroll2"));
    hscroll_->setObjectName(QStringLiteral("HScroll2"));
    label4_->setObjectName(QStringLiteral("Label4"));

    // A whole day from its first hour at start; both bars step one hour at a time.
    vscroll_->setRange(0, kHourWindowMax);
    vscroll_->setValue(23);
    vscroll_->setPageStep(1);
    hscroll_->setRange(0, hourStartMax(23));
    hscroll_->setValue(0);
    hscroll_->setPageStep(1);
    // The window length redraws once the thumb is let go; the start follows the thumb.
    vscroll_->setTracking(false);
    hscroll_->setTracking(true);
    connect(vscroll_, &QScrollBar::valueChanged, this, [this] { hourChart(); });
    connect(hscroll_, &QScrollBar::valueChanged, this, [this] { hourChart(); });

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(view_, 0, 0);
    grid->addWidget(vscroll_, 0, 1);
    grid->addWidget(hscroll_, 1, 0);
    grid->addWidget(label4_, 2, 0, 1, 2);

    hourChart();
}

void HourChart::setStats(const DayStats& stats) {
    stats_ = stats;
    hourChart();
}

void HourChart::hourChart() {
    vscroll_->setMaximum(kHourWindowMax);
    const int w = vscroll_->value();
    // Lowering the maximum below the value moves the value and redraws through valueChanged;
    // this run then goes on with the corrected start.
    hscroll_->setMaximum(hourStartMax(w));
    const int s = hscroll_->value();
    rows_ = hourRows(stats_, w, s);
    rebuildChart();
    ++redraws_;
    emit redrawn();
}

void HourChart::setChartType(int type) {
    if (type != chart_type::Bar && type != chart_type::Line) {
        return;
    }
    type_ = type;
    rebuildChart();
}

void HourChart::pointSelected(int point) {
    label4_->setText(QString::fromStdString(pointCaption(point)));
}

void HourChart::rebuildChart() {
    auto* chart = new QChart();
    chart->legend()->setVisible(false);

    // Row labels may repeat (the empty one of slot 24 never does, but a category axis needs
    // distinct names), so the axis gets the labels while the series index rows by position.
    auto* categories = new QBarCategoryAxis(chart);
    QStringList labels = rowLabels();
    for (int r = 0; r < labels.size(); ++r) {
        if (labels[r].isEmpty() || labels.indexOf(labels[r]) != r) {
            labels[r] += QString(r + 1, QChar(0x200B));  // invisible, keeps categories distinct
        }
    }
    categories->append(labels);
    // "hh:mm" side by side no longer fits once half a day is shown; turned upright it does.
    categories->setTruncateLabels(false);
    categories->setLabelsAngle(labels.size() > 12 ? -90 : 0);
    chart->addAxis(categories, Qt::AlignBottom);

    QValueAxis* counts = addCountAxis(chart, rows_);

    if (type_ == chart_type::Line) {
        auto* line = new QLineSeries(chart);
        for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
            line->append(r, rows_[static_cast<std::size_t>(r)].value);
        }
        line->setPointsVisible(true);
        chart->addSeries(line);
        line->attachAxis(categories);
        line->attachAxis(counts);
        connect(line, &QLineSeries::clicked, this, [this](const QPointF& at) {
            const int row = static_cast<int>(std::lround(at.x()));
            if (row >= 0 && row < static_cast<int>(rows_.size())) {
                pointSelected(row + 1);
            }
        });
    } else {
        auto* bars = new QBarSeries(chart);
        auto* set = new QBarSet(QString());
        for (const auto& row : rows_) {
            *set << row.value;
        }
        bars->append(set);
        chart->addSeries(bars);
        bars->attachAxis(categories);
        bars->attachAxis(counts);
        connect(bars, &QBarSeries::clicked, this,
                [this](int index, QBarSet*) { pointSelected(index + 1); });
    }

    QChart* previous = view_->chart();
    view_->setChart(chart);
    delete previous;
}

}  // namespace korvala
