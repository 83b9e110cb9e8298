#include "headless_pdf.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include "model/file_write.h"
#include "output/report/traffic_report.h"
#include "session/session.h"

namespace korvala {

namespace {

void sayError(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
}

// Qt writes files by QString names, which cannot spell every name of the file system (a Latin-1
// byte on a UTF-8 system). Such a name gets the report through a temporary file, and the bytes
// are written under the name as given.
bool writeReport(const std::string& out, const TrafficReportInput& in, std::string* error) {
    const QString name = QFile::decodeName(QByteArray::fromStdString(out));
    QString qtError;
    if (QFile::encodeName(name).toStdString() == out) {
        const bool ok = writeTrafficReportPdf(name, in, &qtError);
        *error = qtError.toStdString();
        return ok;
    }
    QTemporaryDir temporary;
    const QString staged = temporary.filePath(QStringLiteral("bericht.pdf"));
    if (!temporary.isValid() || !writeTrafficReportPdf(staged, in, &qtError)) {
        *error = qtError.toStdString();
        return false;
    }
    QFile pdf(staged);
    if (!pdf.open(QIODevice::ReadOnly)) {
        *error = pdf.errorString().toStdString();
        return false;
    }
    return writeFileBytes(out, pdf.readAll().toStdString(), error);
}

}  // namespace

int runHeadlessPdf(const std::string& path, const std::string& out, const QString& limit) {
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
    if (isSameFile(out, path)) {
        sayError("Fehler: " + outputIsInputText(out));
        return kPdfExitWriteFailed;
    }
    Session session(todayDateText());
    const LoadResult r = session.openFile(path);
    if (r.outcome != LoadOutcome::Loaded) {
        const std::string why = loadFailureText(r, path);
        sayError(r.outcome == LoadOutcome::WrongFormat ? why + " " + path : "Fehler: " + why);
        return kPdfExitBadFile;
    }
    if (const std::string rejected = rejectedLinesText(r); !rejected.empty())
        sayError(rejected);
    const Analysis analysis = session.analyze(speedLimit);
    const TrafficReportInput in = trafficReportInput(session, analysis);
    std::string error;
    if (!writeReport(out, in, &error)) {
        sayError("Fehler: " + error);
        return kPdfExitWriteFailed;
    }
    return kPdfExitOk;
}

}  // namespace korvala
