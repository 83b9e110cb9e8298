// The pages on the whole measurement: title, week overview and heat maps, and what every page
// carries (title line, footer).

#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <array>

#include "evaluation/comparison.h"
#include "output/figure_text.h"
#include "output/report/bar_chart.h"
#include "output/report/figure_qt.h"
#include "output/report/heat_map_painter.h"
#include "output/report/report_pages.h"

namespace korvala::report {

namespace {

QString dayDateText(const std::string& startDate, int day) {
    return qText(measurementDayDateText(startDate, day));
}

}  // namespace

void ReportPages::pageTitle(const QString& title) {
    drawPageTitle(c_, title);
}

void ReportPages::footer(int pageNo) {
    QString site = QString::fromStdString(in_.site.location).simplified();
    if (site.isEmpty())
        site = QStringLiteral("Messort ohne Namen");
    site += QStringLiteral(", Beginn der Messung ") +
            (in_.site.startDate.empty() ? qNoValue() : QString::fromStdString(in_.site.startDate));
    drawPageFooter(c_, site, pageNo, total_);
}

QString ReportPages::periodText() const {
    const int days = static_cast<int>(a_.days.size());
    if (days == 0)
        return QStringLiteral("keine Messtage");
    auto one = [&](int day) {
        const auto& w = a_.days[static_cast<std::size_t>(day - 1)].weekday;
        return (w ? qText(weekdayText(w)) + QStringLiteral(", ") : QString()) +
               dayDateText(in_.site.startDate, day);
    };
    const QString span = days == 1 ? QStringLiteral("1 Tag") : QStringLiteral("%1 Tage").arg(days);
    if (!measurementDayDate(in_.site.startDate, 1))
        return QStringLiteral("Tag 1 bis Tag %1 (%2; Beginn der Messung nicht lesbar)")
            .arg(days)
            .arg(span);
    if (days == 1)
        return one(1) + QStringLiteral(" (1 Tag)");
    return one(1) + QStringLiteral(" bis ") + one(days) + QStringLiteral(" (") + span +
           QLatin1Char(')');
}

void ReportPages::titlePage() {
    double y = kTop + 8;
    c_.text(kLeft, y, kContentWidth, 14, Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Verkehrsbericht"), c_.font(26, true));
    y += 14;
    c_.text(kLeft, y, kContentWidth, 7, Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Geschwindigkeitsmessung"), c_.font(13));
    y += 10;
    c_.line(kLeft, y, kRight, y, Qt::black, 0.5);
    y = titleFacts(y + 6) + 6;
    y = verdictBox(y);
    y = keyFigureTiles(y);

    const QFont note = c_.font(8);
    const std::string daily = weekSummaryLines(a_).front();
    for (std::string_view s :
         {std::string_view(daily), kRuleComplete, kRuleV85, kRuleVerdict, kRuleExceedance})
        y += c_.paragraph(kLeft, y, kContentWidth, qText(s), note) + 1.2;
}

// Site, period, limit, file and remark as captioned rows; returns the y below them.
double ReportPages::titleFacts(double y) {
    const QFont label = c_.font(9, true);
    const QFont value = c_.font(10);
    const double captionW =
        c_.textWidth(QString::fromUtf8("Zulässige Höchstgeschwindigkeit:"), label) + 4;
    auto row = [&](const QString& caption, const QString& text) {
        c_.text(kLeft, y, captionW, 6, Qt::AlignLeft | Qt::AlignTop, caption, label);
        y += std::max(
            6.0, c_.paragraph(kLeft + captionW, y, kContentWidth - captionW, text, value) + 1.5);
    };
    row(QStringLiteral("Messort:"), QString::fromStdString(in_.site.location));
    row(QStringLiteral("Beginn der Messung:"), QString::fromStdString(in_.site.startDate));
    row(QStringLiteral("Zeitraum:"), periodText());
    row(QString::fromUtf8("Zulässige Höchstgeschwindigkeit:"), qText(limitText(a_.limit)));
    if (!in_.sourceFile.isEmpty())
        row(QStringLiteral("Messdatei:"), QFileInfo(in_.sourceFile).fileName());
    QString remark = QString::fromStdString(in_.site.remark);
    remark.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!remark.trimmed().isEmpty())
        row(QStringLiteral("Bemerkung:"), remark);
    return y;
}

// The verdict of the whole measurement in its colour.
double ReportPages::verdictBox(double y) {
    const Verdict v = a_.exceedance.verdict;
    const QColor fill = verdictQColor(v);
    c_.box(kLeft, y, kContentWidth, 20, fill, Qt::black, 0.3);
    const QString verdict = v == Verdict::None ? QStringLiteral("keine Bewertung (keine Fahrzeuge)")
                                               : qText(verdictText(v));
    c_.text(kLeft + 5, y + 1.5, kContentWidth - 10, 9, Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Bewertung nach v85: ") + verdict, c_.font(15, true), inkOn(fill));
    c_.text(
        kLeft + 5, y + 10.5, kContentWidth - 10, 7, Qt::AlignLeft | Qt::AlignVCenter,
        qText("v85 = " + speedUnitText(a_.speeds.v85) + " bei zulässigen " + limitText(a_.limit)),
        c_.font(10), inkOn(fill));
    return y + 26;
}

// The key figures as tiles, three to a row.
double ReportPages::keyFigureTiles(double y) {
    struct Tile {
        std::string caption, value, unit;
    };
    const std::vector<Tile> tiles = {
        {"Fahrzeuge", std::to_string(a_.speeds.vehicles), "gesamt"},
        {"Durchschnittlicher Tagesverkehr", decimalFixed(a_.averageDaily, 1), "Fahrzeuge/Tag"},
        {"v50", speedText(a_.speeds.v50), "km/h"},
        {"v85", speedText(a_.speeds.v85), "km/h"},
        {"Anteil über " + limitText(a_.limit), exceedanceShareText(a_.speeds, a_.exceedance),
         vehiclesText(a_.exceedance.over)},
    };
    const double gap = 3;
    const double tileW = (kContentWidth - 2 * gap) / 3;
    const double tileH = 27;
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const double tx = kLeft + static_cast<double>(i % 3) * (tileW + gap);
        const double ty = y + static_cast<double>(i / 3) * (tileH + gap);
        c_.box(tx, ty, tileW, tileH, QColor(0xf3, 0xf3, 0xf3), Qt::black, 0.2);
        c_.text(tx + 3, ty + 1.5, tileW - 6, 8, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                qText(tiles[i].caption), c_.font(8.5));
        c_.text(tx + 3, ty + 9, tileW - 6, 10, Qt::AlignLeft | Qt::AlignVCenter,
                qText(tiles[i].value), c_.font(17, true));
        c_.text(tx + 3, ty + 19.5, tileW - 6, 5, Qt::AlignLeft | Qt::AlignVCenter,
                qText(tiles[i].unit), c_.font(8.5));
    }
    return y + 2 * tileH + gap + 8;
}

void ReportPages::overviewPage() {
    pageTitle(QString::fromUtf8("Wochenübersicht"));
    double y = weekTable(kBodyTop) + 3;
    const QFont f = c_.font(8.5);
    for (const std::string& line : weekSummaryLines(a_)) {
        c_.text(kLeft, y, kContentWidth, 4.6, Qt::AlignLeft | Qt::AlignVCenter, qText(line), f);
        y += 4.6;
    }
    y += 4;

    const SpeedClasses classes = speedClassesOf(*in_.days);
    std::vector<std::pair<int, std::int64_t>> occupied;
    int lo = kSpeedClassCount, hi = -1;
    for (int j = 0; j < kSpeedClassCount; ++j)
        if (classes.counts[j] > 0)
            lo = std::min(lo, j), hi = j;
    for (int j = lo; j <= hi; ++j)
        occupied.emplace_back(10 * j, classes.counts[j]);
    std::array<std::int64_t, 24> hours{};
    for (const DayAnalysis& d : a_.days)
        for (std::size_t h = 0; h < hours.size(); ++h)
            hours[h] += d.hours[h].vehicles;

    const double chartH = (kBodyBottom - y - 6) / 2;
    drawBarChart(c_, kLeft, y, kContentWidth, chartH,
                 speedClassChart(QStringLiteral("Geschwindigkeitsverteilung der ganzen Messung"),
                                 occupied, a_.limit));
    y += chartH + 6;
    drawBarChart(c_, kLeft, y, kContentWidth, chartH,
                 hourChart(QStringLiteral("Fahrzeuge je Stunde, alle Tage zusammen"), hours));
}

// One row per day and one for the whole measurement; returns the y below the table.
double ReportPages::weekTable(double y) {
    const std::vector<Column> cols = {
        {QStringLiteral("Tag"), 9, true},
        {QStringLiteral("Datum"), 15, false},
        {QStringLiteral("Wochentag"), 20, false},
        {QStringLiteral("Fahrzeuge"), 19, true},
        {QStringLiteral("v50"), 11, true},
        {QStringLiteral("v85"), 11, true},
        {qText("über " + limitText(a_.limit)), 18, true},
        {QStringLiteral("Bewertung"), 21, false},
        {QStringLiteral("erstes / letztes Fz."), 30, false},
        {QString::fromUtf8("voll-\nständig"), 16, false},
    };
    auto figures = [](const SpeedProfile& p, const Exceedance& e) {
        return QStringList{QString::number(p.vehicles), qText(speedText(p.v50)),
                           qText(speedText(p.v85)), qText(exceedanceShareText(p, e)),
                           qText(verdictLabel(e.verdict))};
    };
    std::vector<QStringList> rows;
    for (const DayAnalysis& d : a_.days) {
        const QString span = d.firstVehicle && d.lastVehicle
                                 ? qText(clockSpanText(*d.firstVehicle, *d.lastVehicle))
                                 : qNoValue();
        rows.push_back(
            QStringList{QString::number(d.day), dayDateText(in_.site.startDate, d.day),
                        qText(weekdayText(d.weekday))} +
            figures(d.speeds, d.exceedance) +
            QStringList{span, d.complete ? QStringLiteral("ja") : QStringLiteral("nein")});
    }
    rows.push_back(QStringList{QString(), QString(), QStringLiteral("gesamt")} +
                   figures(a_.speeds, a_.exceedance) + QStringList{QString(), QString()});
    return drawTable(c_, kLeft, y, cols, rows, 8);
}

void ReportPages::heatMapPage() {
    pageTitle(QStringLiteral("Fahrzeuge je Stunde und Tag"));
    double y = kBodyTop;
    y += c_.paragraph(kLeft, y, kContentWidth,
                      qText("Oben die Fahrzeuge jeder Stunde: je dunkler die Zelle, desto mehr "
                            "Fahrzeuge. Unten die v85 jeder Stunde mit mindestens " +
                            std::to_string(kMinVehiclesForCellV85) +
                            " Fahrzeugen, gefärbt nach ihrer Bewertung bei zulässigen " +
                            limitText(a_.limit) + "."),
                      c_.font(8)) +
         4;

    HeatMapPainter map;
    map.setAnalysis(a_);
    const QFont font = c_.font(8.5);
    // As tall as the painter lets its cells grow: a header line, two lines a day, the legend.
    const double mapH = c_.lineHeight(font) * (1.3 + 2.0 * std::max(map.dayCount(), 1) + 2.4);
    QPainter& p = c_.painter();
    for (const auto& [mode, caption] :
         {std::pair{HeatMapMode::Vehicles, QStringLiteral("Anzahl der Fahrzeuge")},
          std::pair{HeatMapMode::V85, QStringLiteral("v85 in km/h")}}) {
        c_.text(kLeft, y, kContentWidth, 5.5, Qt::AlignLeft | Qt::AlignVCenter, caption,
                c_.font(9.5, true));
        y += 6;
        map.setMode(mode);
        p.setFont(font);
        map.paint(p, c_.rect(kLeft, y, kContentWidth, mapH));
        y += mapH + 6;
    }
    c_.text(kLeft, y, kContentWidth, 5, Qt::AlignLeft | Qt::AlignVCenter,
            qText("Spitzenstunde: " + peakHourText(a_)), c_.font(8.5));
}

}  // namespace korvala::report
