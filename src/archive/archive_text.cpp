#include "archive/archive_text.h"

#include <cstdio>

#include "model/speed.h"
#include "model/timestamp.h"

namespace korvala::archive {

std::string dateText(std::int64_t day) {
    int year = 0, month = 0, dayOfMonth = 0;
    Timestamp::fromDayAndTime(day, 0, 0, 0).date(year, month, dayOfMonth);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", dayOfMonth, month, year);
    return buf;
}

std::string periodText(const std::optional<Period>& period) {
    if (!period)
        return std::string(kNoValue);
    if (period->firstDay == period->lastDay)
        return dateText(period->firstDay);
    return dateText(period->firstDay) + " – " + dateText(period->lastDay);
}

std::string percentNumber(double share) {
    return decimalFixed(share * 100.0, 1);
}

std::string dailyText(const std::optional<double>& vehicles) {
    return decimalFixed(vehicles, 1);
}

std::string excessText(double kmh) {
    if (kmh > 0)
        return "+" + decimalText(kmh);
    if (kmh < 0)
        return "−" + decimalText(-kmh);
    return "0";
}

std::string entryText(const FiledEntry& entry) {
    return "Nr. " + std::to_string(entry.id) + " der Messstelle \"" + entry.siteName + "\" (" +
           periodText(entry.figures.period) + ")";
}

std::string importSummaryText(const ImportReport& report) {
    return std::to_string(report.count(ImportOutcome::Filed)) + " von " +
           std::to_string(report.total) + " Dateien abgelegt, " +
           std::to_string(report.count(ImportOutcome::AlreadyFiled)) + " schon im Archiv, " +
           std::to_string(report.count(ImportOutcome::Unreadable)) + " nicht lesbar.";
}

}  // namespace korvala::archive
