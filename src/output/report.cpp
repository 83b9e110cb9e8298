#include "output/report.h"

#include <algorithm>

namespace korvala {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr int kHourLines = 12;  // 24 slots in two columns

// One column of the hour table. A slot starts where the previous one ends; slot 0 starts at the
// end of slot 23, which is the same clock time one day earlier.
void appendHourColumn(std::string& out, const DayStats& stats, int slot) {
    const std::string& start = stats.hourLabel[slot == 0 ? 23 : slot - 1];
    out += ' ';
    out += start;
    out += " - ";
    out += stats.hourLabel[slot];
    out += "  ";
    out += numberWithSign(stats.hourCount[slot]);
    out += " KFZ  ";
}

}  // namespace

std::string buildReport(const ReportInput& in) {
    static const DayStats kNoStatistics;
    const DayStats& stats = in.stats ? *in.stats : kNoStatistics;

    std::string out;
    out.reserve(2048 + in.site.remark.size());
    out += kCrLf;
    out += "\t\t\tReport\r\n\r\n";
    out += "Ort:\t\t";
    out += in.site.location;
    out += kCrLf;
    out += "Beginn der Messung:\t";
    out += in.site.startDate;
    out += '\t';
    out += in.dayCaption;
    out += kCrLf;
    out += "Messungen:\t\t";
    out += in.lbl_ds;
    out += "\r\n\r\n";
    out += "Bemerkung:\r\n\t\t";
    out += in.site.remark;
    out += "\r\n\r\n";
    out += "Niedrigste Geschwindigkeit: \t";
    out += in.lbl_vmin;
    out += kCrLf;
    out += "Höchste Geschwindigkeit: \t";
    out += in.lbl_vmax;
    out += kCrLf;
    out += "Durchschn. Geschwindigkeit:\t";
    out += in.lbl_dV;
    out += "\r\n\r\n";
    out += "\tGeschwindigkeits-Verteilung:\r\n\r\n";

    const std::size_t classes = std::min(stats.classUpper.size(), stats.classCounts.size());
    for (std::size_t j = 0; j < classes; ++j) {
        const long long upper = stats.classUpper[j];
        out += '\t';
        out += numberWithSign(upper - 10);
        out += " -";
        out += numberWithSign(upper - 1);
        out += " km/h  ";
        out += numberWithSign(stats.classCounts[j]);
        out += " KFZ  ";
        out += kCrLf;
    }

    out += "\r\n\r\n\tAnzahl der KFZ:\r\n\r\n";
    for (int j = 0; j < kHourLines; ++j) {
        appendHourColumn(out, stats, j);
        out += "\t\t\t";
        appendHourColumn(out, stats, j + kHourLines);
        out += kCrLf;
    }
    return out;
}

}  // namespace korvala
