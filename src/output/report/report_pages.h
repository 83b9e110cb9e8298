#pragma once
// The pages of the traffic report, each drawn on the current page of a painter; the writer
// (traffic_report.cpp) turns pages and adds the footers.

#include <QString>

#include "evaluation/statistics.h"
#include "output/report/canvas.h"
#include "output/report/traffic_report.h"

namespace korvala::report {

// One measurement day as the report page shows it, with the figures of its charts. A day whose
// speeds cannot be computed shows "--" rather than the previous day's captions, which the window
// would keep: on paper nothing else reveals where those came from.
struct DayPage {
    int day = 0;
    QString reportText;
    DayStats stats;
};

// Day `number` (1..7) through dayReport(), the call the window's report page uses.
DayPage dayPage(const Site& site, const Table& day, int number);

class ReportPages {
  public:
    ReportPages(QPainter& p, const TrafficReportInput& in, int total)
        : c_(p), in_(in), a_(*in.analysis), total_(total) {}

    void titlePage();
    void overviewPage();
    void heatMapPage();
    void dayPage(const DayPage& page);
    void qualityPage();
    void comparisonPage();
    void footer(int pageNo);

  private:
    void pageTitle(const QString& title);
    QString periodText() const;
    double titleFacts(double y);
    double verdictBox(double y);
    double keyFigureTiles(double y);
    double weekTable(double y);
    double dayText(const DayPage& page);
    void dayCharts(const DayPage& page, double y);
    double qualityLists(double y, double bottom);
    double implausibleList(double y, double bottom);
    void rules(double y, const QStringList& rules, const QFont& font);
    double comparisonSources(double y);
    double comparisonDays(double y);
    void comparisonChart(double y);

    Canvas c_;
    const TrafficReportInput& in_;
    const Analysis& a_;
    int total_;
};

}  // namespace korvala::report
