#pragma once
// The traffic report: the whole evaluation of a measurement as one A4 PDF, for handing on to
// people who do not run the program. Drawn with QPainter on a QPdfWriter only, so it renders the
// same with or without a display.

#include <QString>
#include <functional>
#include <optional>

#include "evaluation/analysis.h"
#include "evaluation/comparison.h"
#include "model/measurement_file.h"

namespace korvala {

class Session;

struct TrafficReportInput {
    Site site;
    const DayTables* days = nullptr;     // the day tables the analysis was made of
    const Analysis* analysis = nullptr;  // its limit is the report's limit
    QString sourceFile;                  // shown on the title page; may be empty
    // Optional: adds the comparison page. Vorher is the measurement above.
    const Comparison* comparison = nullptr;
    QString comparisonFile;
};

// The input for the measurement a session holds; `session` and `analysis` must outlive it.
TrafficReportInput trafficReportInput(const Session& session, const Analysis& analysis);

// Pages in the order written: title, overview (week table and both charts of the whole
// measurement), heat map, one per analysed day, data quality, and the comparison when given.
int trafficReportPageCount(const TrafficReportInput& in);

// Writes the report to `path`. `progress` is called after every page with the pages done and
// the total; returning false cancels. The file appears only when complete: on cancel or failure
// nothing is left at `path` that was not there before, and `error` (if given) says why in German
// (empty on cancel).
bool writeTrafficReportPdf(const QString& path, const TrafficReportInput& in, QString* error,
                           std::function<bool(int done, int total)> progress = {});

}  // namespace korvala
