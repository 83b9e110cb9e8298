// The comparison page: the measurement of the report (Vorher) beside a second one (Nachher), as
// the whole-measurement table, the day table and both speed distributions.

#include <algorithm>

#include "output/figure_text.h"
#include "output/report/bar_chart.h"
#include "output/report/figure_qt.h"
#include "output/report/report_pages.h"

namespace korvala::report {

void ReportPages::comparisonPage() {
    pageTitle(QStringLiteral("Vergleich Vorher / Nachher"));
    double y = comparisonSources(kBodyTop);

    std::vector<QStringList> rows;
    for (const ComparedRow& row : comparedWholeRows(*in_.comparison, a_))
        rows.push_back({qText(row.caption), qText(row.texts.before), qText(row.texts.after),
                        qText(row.texts.difference)});
    y = drawTable(c_, kLeft, y,
                  {{QStringLiteral("Gesamte Messung"), 60, false},
                   {qText(kBeforeCaption), 36, true},
                   {qText(kAfterCaption), 36, true},
                   {qText(kDifferenceCaption), 38, true}},
                  rows, 8, 5) +
        5;
    y = comparisonDays(y);
    comparisonChart(y);
}

// Which file is which side, and the rule of the differences; returns the y below.
double ReportPages::comparisonSources(double y) {
    const QFont f = c_.font(8.5);
    const auto sources =
        comparisonSourceLines(in_.sourceFile.toStdString(), in_.comparisonFile.toStdString());
    c_.text(kLeft, y, kContentWidth, 4.6, Qt::AlignLeft | Qt::AlignVCenter,
            qText(sources[0] + " (Beginn " + in_.site.startDate + ")"), f);
    y += 4.6;
    c_.text(kLeft, y, kContentWidth, 4.6, Qt::AlignLeft | Qt::AlignVCenter, qText(sources[1]), f);
    y += 4.6;
    return y +
           c_.paragraph(kLeft, y, kContentWidth, qText(comparisonRuleText(in_.comparison->limit)),
                        f) +
           3;
}

// Day n of one measurement beside day n of the other; returns the y below the table's note.
double ReportPages::comparisonDays(double y) {
    std::vector<QStringList> rows;
    for (const ComparedDay& d : in_.comparison->days) {
        QStringList row;
        for (const std::string& cell : comparedDayCells(d))
            row << qText(cell);
        rows.push_back(row);
    }
    const QString v = QStringLiteral("V"), n = QStringLiteral("N"), dd = QStringLiteral("Δ");
    y = drawTable(c_, kLeft, y,
                  {{QStringLiteral("Tag"), 16, false},
                   {QStringLiteral("Fz. ") + v, 12, true},
                   {QStringLiteral("Fz. ") + n, 12, true},
                   {QStringLiteral("Fz. ") + dd, 12, true},
                   {QStringLiteral("v50 ") + v, 11, true},
                   {QStringLiteral("v50 ") + n, 11, true},
                   {QStringLiteral("v50 ") + dd, 11, true},
                   {QStringLiteral("v85 ") + v, 11, true},
                   {QStringLiteral("v85 ") + n, 11, true},
                   {QStringLiteral("v85 ") + dd, 11, true},
                   {QString::fromUtf8("über ") + v + QStringLiteral(" %"), 16, true},
                   {QString::fromUtf8("über ") + n + QStringLiteral(" %"), 16, true},
                   {QString::fromUtf8("über ") + dd + QStringLiteral(" Pp."), 20, true}},
                  rows, 7, 4.6) +
        1.5;
    c_.text(kLeft, y, kContentWidth, 4, Qt::AlignLeft | Qt::AlignVCenter,
            QString::fromUtf8("V = Vorher, N = Nachher, Δ = Nachher − Vorher; Tag n der einen "
                              "Messung steht neben Tag n der anderen."),
            c_.font(7));
    return y + 7;
}

// Both distributions as shares, so measurements of different length compare by their shape.
void ReportPages::comparisonChart(double y) {
    const Comparison& cmp = *in_.comparison;
    BarChart chart;
    chart.title = QStringLiteral("Geschwindigkeitsverteilung, Anteil je 10-km/h-Klasse");
    chart.xTitle = QStringLiteral("Geschwindigkeit in km/h");
    chart.yTitle = QStringLiteral("Anteil in %");
    chart.legend = true;
    Series before{qText(kBeforeCaption), {}, {}, QBrush(QColor(0x55, 0x55, 0x55))};
    Series after{qText(kAfterCaption), {}, {}, QBrush(Qt::black, Qt::BDiagPattern)};
    auto label = [](const std::optional<double>& share) {
        return share ? qText(decimalFixed(*share * 100, 1)) : QString();
    };
    for (const ComparedClass& cc : cmp.classes) {
        chart.categories.push_back(qText(speedClassText(cc.from)));
        before.values.push_back(cc.share.before.value_or(0) * 100);
        after.values.push_back(cc.share.after.value_or(0) * 100);
        before.labels.push_back(label(cc.share.before));
        after.labels.push_back(label(cc.share.after));
    }
    chart.series = {before, after};
    if (!cmp.classes.empty()) {
        chart.marker = (cmp.limit - cmp.classes.front().from) / 10.0;
        chart.markerLabel = qText(limitText(cmp.limit));
    }
    drawBarChart(c_, kLeft, y, kContentWidth, std::max(40.0, kBodyBottom - y), chart);
}

}  // namespace korvala::report
