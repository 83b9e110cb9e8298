#pragma once
// `korvala --pdf OUT [--limit N] FILE`: the traffic report of a measurement file without any
// window, for build servers and scheduled jobs.

#include <QString>

#include <string>

namespace korvala {

// Exit codes of the headless report.
inline constexpr int kPdfExitOk = 0;
inline constexpr int kPdfExitBadLimit = 1;
inline constexpr int kPdfExitBadFile = 2;
inline constexpr int kPdfExitWriteFailed = 3;

// Opens `file` as the window would, writes the report to `out` and prints German messages to
// stderr. Both are paths as the file system spells them, which a QString cannot always hold.
// `limit` is the limit as typed (empty: the default). Needs a QGuiApplication (the offscreen
// platform will do).
int runHeadlessPdf(const std::string& file, const std::string& out, const QString& limit);

}  // namespace korvala
