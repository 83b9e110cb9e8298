#include "output/report/traffic_report.h"

#include <QPainter>

#include "output/report/pdf_file.h"
#include "output/report/report_pages.h"
#include "session/session.h"

namespace korvala {

using report::ReportPages;

TrafficReportInput trafficReportInput(const Session& session, const Analysis& analysis) {
    TrafficReportInput in;
    in.site = session.site();
    in.days = &session.days();
    in.analysis = &analysis;
    in.sourceFile = QString::fromStdString(session.fileName());
    return in;
}

int trafficReportPageCount(const TrafficReportInput& in) {
    const int days = in.analysis ? static_cast<int>(in.analysis->days.size()) : 0;
    return 3 + days + 1 + (in.comparison ? 1 : 0);
}

namespace {

// Draws every page, each with its footer, and stops after the page at which `progress` says no.
// Returns false when it stopped so.
bool drawPages(QPainter& painter, const std::function<void()>& newPage,
               const TrafficReportInput& in,
               const std::function<bool(int done, int total)>& progress) {
    const int total = trafficReportPageCount(in);
    ReportPages pages(painter, in, total);
    int done = 0;
    bool cancelled = false;
    auto page = [&](auto&& draw) {
        if (cancelled)
            return;
        if (done > 0)
            newPage();
        draw();
        pages.footer(++done);
        cancelled = progress && !progress(done, total);
    };
    page([&] { pages.titlePage(); });
    page([&] { pages.overviewPage(); });
    page([&] { pages.heatMapPage(); });
    for (const DayAnalysis& d : in.analysis->days) {
        if (cancelled)
            break;
        const report::DayPage dp = report::dayPage(in.site, (*in.days)[d.day - 1], d.day);
        page([&] { pages.dayPage(dp); });
    }
    page([&] { pages.qualityPage(); });
    if (in.comparison)
        page([&] { pages.comparisonPage(); });
    return !cancelled;
}

}  // namespace

bool writeTrafficReportPdf(const QString& path, const TrafficReportInput& in, QString* error,
                           std::function<bool(int done, int total)> progress) {
    if (!in.analysis || !in.days) {
        if (error)
            *error = QStringLiteral("Keine Messung ausgewertet.");
        return false;
    }
    return report::writePdfFile(
        path, QStringLiteral("Verkehrsbericht ") + QString::fromStdString(in.site.location),
        [&](QPainter& painter, const std::function<void()>& newPage) {
            return drawPages(painter, newPage, in, progress);
        },
        error);
}

}  // namespace korvala
