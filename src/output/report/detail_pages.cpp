// The pages on single days and on the data: one page per measurement day and the data quality
// with the calculation rules.

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

#include "output/figure_text.h"
#include "output/report.h"
#include "output/report/bar_chart.h"
#include "output/report/figure_qt.h"
#include "output/report/report_pages.h"
#include "session/session.h"

namespace korvala::report {

namespace {

constexpr double kQualityLine = 4.4;  // mm

}  // namespace

DayPage dayPage(const Site& site, const Table& day, int number) {
    NullStatusSink sink;
    DayReport r = korvala::dayReport(site, day, number, sink);
    return DayPage{number, QString::fromStdString(r.text), std::move(r.stats)};
}

void ReportPages::dayPage(const DayPage& page) {
    const DayAnalysis& d = a_.days[static_cast<std::size_t>(page.day - 1)];
    QString title = QStringLiteral("Tag %1").arg(page.day);
    if (d.weekday)
        title += qText(" – " + weekdayText(d.weekday) + ", " +
                       measurementDayDateText(in_.site.startDate, page.day));
    pageTitle(title);
    const double y = kBodyTop + dayText(page) + 2;
    // Only a remark of dozens of lines leaves too little room; the text is what the page is for.
    if ((kBodyBottom - y - 4) / 2 >= 30)
        dayCharts(page, y);
}

// The report text with the window's tab rule: a stop beyond half the longest speed caption and
// past "Messungen:", so the columns line up as on the report page. Returns its height.
double ReportPages::dayText(const DayPage& page) {
    QString text = page.reportText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    const int lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    const double minCharts = 2 * 55 + 6;
    double pt = 8.5;
    QFont f = c_.font(pt);
    while (pt > 5.5 && c_.lineHeight(f) * lines > kBodyBottom - kBodyTop - minCharts) {
        pt -= 0.25;
        f = c_.font(pt);
    }
    const QFontMetricsF fm = c_.metrics(f);
    const double longest =
        std::max({fm.horizontalAdvance(QStringLiteral("Niedrigste Geschwindigkeit: ")),
                  fm.horizontalAdvance(QString::fromUtf8("Höchste Geschwindigkeit: ")),
                  fm.horizontalAdvance(QStringLiteral("Durchschn. Geschwindigkeit:"))});
    // Tabs are expanded here rather than by the text layout, whose stops on a 300-dpi device do
    // not follow the distance given.
    const double tab = c_.mm(
        std::max(longest / 2, fm.horizontalAdvance(QStringLiteral("Messungen:"))) + c_.px(1.5));
    const double lineH = c_.lineHeight(f);
    double ty = kBodyTop - 2;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        double x = 0;
        const QStringList parts = line.split(QLatin1Char('\t'));
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0)
                x = (std::floor(x / tab + 1e-9) + 1) * tab;
            if (!parts[i].isEmpty()) {
                c_.text(kLeft + x, ty, kContentWidth, lineH, Qt::AlignLeft | Qt::AlignVCenter,
                        parts[i], f);
                x += c_.textWidth(parts[i], f);
            }
        }
        ty += lineH;
    }
    return lineH * lines;
}

// The day's speed distribution and vehicles per hour, sharing the room below the text.
void ReportPages::dayCharts(const DayPage& page, double y) {
    const double chartH = (kBodyBottom - y - 4) / 2;
    std::vector<std::pair<int, std::int64_t>> classes;
    for (std::size_t j = 0; j < page.stats.classUpper.size(); ++j)
        classes.emplace_back(page.stats.classUpper[j] - 10, page.stats.classCounts[j]);
    // Fill the gaps between occupied classes, so the axis runs evenly.
    std::vector<std::pair<int, std::int64_t>> axis;
    if (!classes.empty()) {
        std::size_t k = 0;
        for (int from = classes.front().first; from <= classes.back().first; from += 10) {
            const bool here = k < classes.size() && classes[k].first == from;
            axis.emplace_back(from, here ? classes[k++].second : 0);
        }
    }
    drawBarChart(c_, kLeft, y, kContentWidth, chartH,
                 speedClassChart(QStringLiteral("Geschwindigkeitsverteilung"), axis, a_.limit));
    y += chartH + 4;
    std::array<std::int64_t, 24> hours{};
    for (std::size_t m = 0; m < hours.size(); ++m)
        hours[(static_cast<std::size_t>(page.stats.firstHour) + m) % 24] = page.stats.hourCount[m];
    drawBarChart(c_, kLeft, y, kContentWidth, chartH,
                 hourChart(QStringLiteral("Anzahl der KFZ je Stunde"), hours));
}

void ReportPages::qualityPage() {
    pageTitle(QString::fromUtf8("Datenqualität"));
    QStringList ruleTexts;
    for (std::string_view r : kRuleTexts)
        ruleTexts << QStringLiteral("• ") + qText(r);
    // The rules below must stay on the page; the list of implausible speeds gives way to them.
    const QFont ruleFont = c_.font(7.5);
    double rulesH = 10;
    for (const QString& r : ruleTexts)
        rulesH += c_.paragraphHeight(kContentWidth, r, ruleFont) + 1;
    const double y = qualityLists(kBodyTop, kBodyBottom - rulesH);
    rules(std::max(y + 2, kBodyBottom - rulesH), ruleTexts, ruleFont);
}

// Read data, gaps, the fastest and the implausible speeds, the last as far as `bottom`.
double ReportPages::qualityLists(double y, double bottom) {
    const DataQuality& q = a_.quality;
    const QFont f = c_.font(8.5);
    auto line = [&](const std::string& s, double indent = 0) {
        c_.text(kLeft + indent, y, kContentWidth - indent, kQualityLine,
                Qt::AlignLeft | Qt::AlignVCenter, qText(s), f);
        y += kQualityLine;
    };
    auto heading = [&](const std::string& s) {
        y += 2;
        c_.text(kLeft, y, kContentWidth, 5.5, Qt::AlignLeft | Qt::AlignVCenter, qText(s),
                c_.font(9.5, true));
        y += 5.8;
    };

    heading("Eingelesene Daten");
    for (const std::string& s : dataQualityLines(q))
        line(s);
    heading(gapsHeading());
    bool anyGap = false;
    for (const DayAnalysis& d : a_.days) {
        if (d.gaps.empty())
            continue;
        anyGap = true;
        y += c_.paragraph(kLeft, y, kContentWidth, qText(dayGapsText(d)), f);
    }
    if (!anyGap)
        line("keine");
    heading(std::string(kTopSpeedsHeading));
    if (q.topSpeeds.empty())
        line(std::string(kNoValue));
    for (std::size_t i = 0; i < q.topSpeeds.size(); ++i) {
        const SpeedEvent& e = q.topSpeeds[i];
        line(std::to_string(i + 1) + ".  " + speedUnitText(e.speed) + "  Tag " +
                 std::to_string(e.day) + "  " + clockText(e.second),
             3);
    }
    heading(implausibleHeading(q.implausibleCount));
    return implausibleList(y, bottom);
}

// As many implausible speeds as fit above `bottom`, in three columns, and how many did not.
double ReportPages::implausibleList(double y, double bottom) {
    const DataQuality& q = a_.quality;
    const QFont f = c_.font(8.5);
    const int room = std::max(0, static_cast<int>((bottom - y) / kQualityLine) - 1);
    const int listed = std::min<int>(3 * room, static_cast<int>(q.implausible.size()));
    const int perColumn = (listed + 2) / 3;
    for (int i = 0; i < listed; ++i) {
        const SpeedEvent& e = q.implausible[static_cast<std::size_t>(i)];
        const int col = perColumn > 0 ? i / perColumn : 0;
        const int row = perColumn > 0 ? i % perColumn : 0;
        c_.text(kLeft + 3 + col * 57, y + row * kQualityLine, 56, kQualityLine,
                Qt::AlignLeft | Qt::AlignVCenter,
                qText("Tag " + std::to_string(e.day) + "  " + clockText(e.second) + "  " +
                      speedUnitText(e.speed)),
                f);
    }
    y += perColumn * kQualityLine;
    if (q.implausibleCount > listed) {
        c_.text(kLeft + 3, y, kContentWidth - 3, kQualityLine, Qt::AlignLeft | Qt::AlignVCenter,
                QStringLiteral("(%1 weitere nicht aufgeführt)").arg(q.implausibleCount - listed),
                f);
        y += kQualityLine;
    }
    return y;
}

void ReportPages::rules(double y, const QStringList& ruleTexts, const QFont& font) {
    c_.text(kLeft, y, kContentWidth, 5.5, Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Berechnungsregeln"), c_.font(9.5, true));
    y += 6;
    for (const QString& r : ruleTexts)
        y += c_.paragraph(kLeft, y, kContentWidth, r, font) + 1;
}

}  // namespace korvala::report
