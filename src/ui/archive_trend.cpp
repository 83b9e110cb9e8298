#include "ui/archive_trend.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

#include "output/chart_labels.h"
#include "output/figure_text.h"
#include "output/report/figure_qt.h"

namespace korvala::ui {

namespace {

constexpr double kMsPerDay = 86400000.0;

QValueAxis* wholeAxis(double highest, const QString& title) {
    const CountAxis scale = countAxis(static_cast<int>(std::ceil(highest)));
    auto* axis = new QValueAxis();
    axis->setRange(0, scale.top);
    axis->setTickCount(scale.top / scale.step + 1);
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setTitleText(title);
    return axis;
}

}  // namespace

ArchiveTrend::ArchiveTrend(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("archiveTrend"));
    setRenderHint(QPainter::Antialiasing);
    setMinimumHeight(240);
    setFocusPolicy(Qt::NoFocus);
    setTrend({}, kDefaultSpeedLimit);
}

double ArchiveTrend::msecsOfDay(double day) {
    const QDateTime start(QDate(1899, 12, 30), QTime(0, 0));
    const double whole = std::floor(day);
    return static_cast<double>(start.addDays(static_cast<qint64>(whole)).toMSecsSinceEpoch()) +
           (day - whole) * kMsPerDay;
}

void ArchiveTrend::setTrend(const std::vector<report::TrendPoint>& points, int limit) {
    // A fresh chart each time: nothing of the site shown before survives.
    auto* chart = new QChart();
    chart->legend()->setAlignment(Qt::AlignBottom);
    v85_ = new QLineSeries(chart);
    v85_->setName(QStringLiteral("v85"));
    v85_->setPointsVisible(true);
    v85_->setPen(QPen(Qt::black, 2));
    share_ = new QLineSeries(chart);
    share_->setName(qText("Anteil über " + limitText(limit)));
    share_->setPointsVisible(true);
    share_->setPen(QPen(QColor(0x4a, 0x6f, 0x9c), 2, Qt::DotLine));
    limit_ = new QLineSeries(chart);
    limit_->setName(qText("zulässig " + limitText(limit)));
    limit_->setPen(QPen(verdictQColor(Verdict::Remarkable), 2, Qt::DashLine));

    double fastest = limit, most = 1;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const report::TrendPoint& p = points[i];
        v85_->append(msecsOfDay(p.day), p.v85);
        share_->append(msecsOfDay(p.day), p.shareOver * 100);
        // Each measurement's dot in its verdict colour.
        QHash<QXYSeries::PointConfiguration, QVariant> look;
        look[QXYSeries::PointConfiguration::Color] = verdictQColor(p.verdict);
        look[QXYSeries::PointConfiguration::Size] = 5.0;
        v85_->setPointConfiguration(static_cast<int>(i), look);
        fastest = std::max(fastest, p.v85);
        most = std::max(most, p.shareOver * 100);
    }
    // A single measurement, or several close together, still get room on both sides.
    const double first = points.empty() ? 0 : points.front().day;
    const double last = points.empty() ? 0 : points.back().day;
    const double pad = std::max(15.0, (last - first) * 0.05);
    const double from = msecsOfDay(first - pad), to = msecsOfDay(last + pad);
    limit_->append(from, limit);
    limit_->append(to, limit);

    chart->addSeries(limit_);
    chart->addSeries(v85_);
    chart->addSeries(share_);
    auto* time = new QDateTimeAxis();
    time->setFormat(QStringLiteral("MM.yyyy"));
    time->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(from)),
                   QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(to)));
    time->setTickCount(6);
    auto* speed = wholeAxis(fastest + 1, QStringLiteral("v85 in km/h"));
    auto* share = wholeAxis(most, QStringLiteral("Anteil in %"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(speed, Qt::AlignLeft);
    chart->addAxis(share, Qt::AlignRight);
    for (QLineSeries* s : {limit_, v85_}) {
        s->attachAxis(time);
        s->attachAxis(speed);
    }
    share_->attachAxis(time);
    share_->attachAxis(share);
    QChart* old = this->chart();
    setChart(chart);
    delete old;
}

}  // namespace korvala::ui
