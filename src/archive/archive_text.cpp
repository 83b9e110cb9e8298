#include "archive/archive_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "model/speed.h"
#include "model/timestamp.h"

namespace korvala::archive {

namespace {

std::string fixedText(double value, int decimals) {
    char buf[64];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc())
        return std::string(kNoValue);
    std::string s(buf, end);
    for (char& c : s)
        if (c == '.')
            c = ',';
    return s == "-0" || s == "-0,0" ? s.substr(1) : s;
}

}  // namespace

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

std::string speedText(const std::optional<double>& kmh) {
    return kmh ? decimalText(*kmh) : std::string(kNoValue);
}

std::string percentNumber(double share) {
    return fixedText(share * 100.0, 1);
}

std::string dailyText(const std::optional<double>& vehicles) {
    return vehicles ? fixedText(std::round(*vehicles), 0) : std::string(kNoValue);
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

}  // namespace korvala::archive
