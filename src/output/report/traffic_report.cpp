#include "output/report/traffic_report.h"

#include <QBuffer>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "model/file_write.h"
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

enum class Drawn { Complete, Cancelled, Failed };

// Draws every page into `device` as an A4 PDF, each with its footer, and stops after the page at
// which `progress` says no.
Drawn drawPages(QIODevice& device, const TrafficReportInput& in,
                const std::function<bool(int done, int total)>& progress) {
    const int total = trafficReportPageCount(in);
    QPdfWriter writer(&device);
    writer.setResolution(report::kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    writer.setCreator(QStringLiteral("Korvala"));
    writer.setTitle(QStringLiteral("Verkehrsbericht ") + QString::fromStdString(in.site.location));
    QPainter painter;
    if (!painter.begin(&writer))
        return Drawn::Failed;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    ReportPages pages(painter, in, total);

    int done = 0;
    bool cancelled = false;
    auto page = [&](auto&& draw) {
        if (cancelled)
            return;
        if (done > 0)
            writer.newPage();
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
    painter.end();
    return cancelled ? Drawn::Cancelled : Drawn::Complete;
}

}  // namespace

bool writeTrafficReportPdf(const QString& path, const TrafficReportInput& in, QString* error,
                           std::function<bool(int done, int total)> progress) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (error)
        error->clear();
    if (!in.analysis || !in.days)
        return fail(QStringLiteral("Keine Messung ausgewertet."));

    // The pages are drawn into memory (a full week is a few hundred kilobytes) and written as a
    // whole the way every file of the program is: never half-written, the user's file keeps its
    // owner, mode and links, and a failure is said in German.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const Drawn drawn = drawPages(buffer, in, progress);
    if (drawn == Drawn::Cancelled)
        return false;
    if (drawn != Drawn::Complete || buffer.data().isEmpty())
        return fail(QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden.").arg(path));
    const QByteArray& bytes = buffer.data();
    std::string why;
    if (!writeFileBytes(QFile::encodeName(path).toStdString(),
                        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        &why))
        return fail(QString::fromStdString(why));
    return true;
}

}  // namespace korvala
