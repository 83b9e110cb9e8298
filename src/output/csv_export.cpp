#include "output/csv_export.h"

#include "model/encoding.h"
#include "model/text_util.h"
#include "output/record_text.h"

namespace korvala {

namespace {

constexpr std::string_view kCrLf = "\r\n";
// " 12345;16:19:52;47" and CR LF: the fixed 14 bytes, the number and a speed of up to four
// characters. Reserving once keeps a large export from copying itself while it grows.
std::size_t expectedSize(std::size_t records) {
    std::size_t digits = 1;
    for (std::size_t n = records; n >= 10; n /= 10)
        ++digits;
    return records * (14 + digits + 4) + 256;
}

}  // namespace

std::string csvContent(const Site& site, const Table& records) {
    std::string out;
    out.reserve(expectedSize(records.size()));

    out += utf8ToCp1252(trimBlanks(site.location));
    out += kCsvSeparator;
    out += utf8ToCp1252(trimBlanks(site.startDate));
    out += kCrLf;
    out += "Nr.";
    out += kCsvSeparator;
    out += "Uhrzeit";
    out += kCsvSeparator;
    out += "Geschwindigkeit";
    out += kCrLf;

    // The numbers run without gaps over the written lines, not over the record indexes, and keep
    // counting past 32767 so that a long measurement never repeats a number.
    long long number = 0;
    for (const Measurement& m : records) {
        if (!(m.speed.value() > 0))
            continue;
        ++number;
        out += ' ';
        record_text::appendInteger(out, number);
        out += kCsvSeparator;
        record_text::appendTime(out, m.time);
        out += kCsvSeparator;
        // Speed texts are digits, a comma and at most an exponent: plain ASCII in any code page.
        record_text::appendSpeed(out, m.speed);
        out += kCrLf;
    }
    return out;
}

std::string proposedExportName(const std::string& fileName, const std::string& ext) {
    const std::size_t at = fileName.find(".spt");
    if (at != std::string::npos && at >= 1)
        return replaceAll(fileName, ".spt", ext);
    return fileName + ext;
}

}  // namespace korvala
