#include "headless_pdf.h"

#include <cstdio>

#include "output/report/traffic_report.h"
#include "session/session.h"

namespace korvala {

namespace {

void sayError(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
}

}  // namespace

int runHeadlessPdf(const QString& file, const QString& out, const QString& limit) {
    int speedLimit = kDefaultSpeedLimit;
    if (!limit.isNull()) {
        const std::string typed = limit.toStdString();
        const std::optional<int> parsed = parseSpeedLimit(typed);
        if (!parsed) {
            sayError("Fehler: " + speedLimitErrorText(typed));
            return kPdfExitBadLimit;
        }
        speedLimit = *parsed;
    }
    const std::string path = file.toLocal8Bit().toStdString();
    if (isSameFile(out.toLocal8Bit().toStdString(), path)) {
        sayError("Fehler: " + outputIsInputText(out.toStdString()));
        return kPdfExitWriteFailed;
    }
    Session session(todayDateText());
    const LoadResult r = session.openFile(path);
    if (r.outcome != LoadOutcome::Loaded) {
        const std::string why = loadFailureText(r, file.toStdString());
        sayError(r.outcome == LoadOutcome::WrongFormat ? why + " " + file.toStdString()
                                                       : "Fehler: " + why);
        return kPdfExitBadFile;
    }
    if (const std::string rejected = rejectedLinesText(r); !rejected.empty())
        sayError(rejected);
    const Analysis analysis = session.analyze(speedLimit);
    const TrafficReportInput in = trafficReportInput(session, analysis);
    QString error;
    if (!writeTrafficReportPdf(out, in, &error)) {
        sayError("Fehler: " + error.toStdString());
        return kPdfExitWriteFailed;
    }
    return kPdfExitOk;
}

}  // namespace korvala
