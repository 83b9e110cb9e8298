#pragma once
// The site archive's lists as PDF pages in the report's style, for the council meeting or the
// police: the hotspot ranking, and a site's history with its trend. Each is a title, a few facts,
// for a history the trend chart, and a table that runs on over as many pages as it needs, the
// verdict cells in their colours. The pages know no archive: the caller hands over the texts.

#include <QString>
#include <QStringList>

#include <vector>

#include "evaluation/analysis.h"
#include "output/report/canvas.h"

namespace korvala::report {

// One filed measurement on the trend chart.
struct TrendPoint {
    double day = 0;  // where it lies in time: a day count since 30.12.1899, fractions allowed
    QString label;   // its date under the axis
    double v85 = 0;
    double shareOver = 0;  // 0..1
    Verdict verdict = Verdict::None;
};

struct ArchiveList {
    QString title;
    QStringList facts;  // lines below the title
    std::vector<Column> columns;
    std::vector<QStringList> rows;
    int verdictColumn = -1;         // the column painted in each row's verdict colour
    std::vector<Verdict> verdicts;  // by row
    std::vector<TrendPoint> trend;  // in time order; no chart when empty
    int limit = kDefaultSpeedLimit;
    QString footer;  // left of "Seite N von M"
};

// Writes `list` to `path`; false with a German `error` when the file cannot be written.
bool writeArchiveListPdf(const QString& path, const ArchiveList& list, QString* error);

// The trend chart alone, in the rectangle given (mm): v85 per measurement against the limit,
// and below it the share over the limit.
void drawTrend(Canvas& c, double x, double y, double w, double h,
               const std::vector<TrendPoint>& trend, int limit);

}  // namespace korvala::report
