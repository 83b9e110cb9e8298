#include "output/rtf_list.h"

#include <string_view>

#include "output/record_text.h"

namespace korvala {

namespace {

constexpr std::size_t kPerPage = 120;
constexpr std::size_t kPerColumn = kPerPage / 2;

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kHeader1 =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1031{\\fonttbl{\\f0\\fnil\\fcharset0 MS Sans "
    "Serif;}{\\f1\\fswiss\\fcharset0 Arial;}}";
constexpr std::string_view kHeader2 =
    "{\\*\\generator Msftedit 5.41.15.1507;}\\viewkind4\\uc1\\pard\\f0\\fs17\\tab\\tab\\tab\\tab  "
    "Messwerte\\par\\par";
constexpr std::string_view kColumnHeader =
    "Nr.\\tab Uhrzeit\\tab\\tab km/h\\tab\\tab ID\\tab Uhrzeit\\tab\\tab km/h\\par";
constexpr std::string_view kPageBreak =
    "\\f1\\fs20\\par \\page\\pard\\plain\\viewkind4\\uc1\\pard\\f0\\fs17";
constexpr std::string_view kClosing = "\\f1\\fs20\\par}";

// The document is built in one buffer because a week of records makes tens of megabytes; a
// reallocation near the end would copy all of it once more. Per record: the fixed words of an
// entry (33 bytes), its share of the line's separators (7), the number, a speed of up to four
// characters, and its share of the page heads and breaks (3).
std::size_t expectedSize(std::size_t records) {
    std::size_t digits = 1;
    for (std::size_t n = records; n >= 10; n /= 10)
        ++digits;
    return records * (33 + 7 + digits + 4 + 3) + 1024;
}

void appendPiece(std::string& out, std::string_view piece) {
    out += piece;
    out += kCrLf;
}

void appendPageHead(std::string& out) {
    appendPiece(out, kColumnHeader);
    out.append(81, '_');
    out += "\\par";
    out += kCrLf;
}

// Number, time and speed of element k, as both line forms share them after the number.
void appendEntry(std::string& out, const Table& records, std::size_t k) {
    out += "\\tab  Zeit: ";
    record_text::appendTime(out, records[k].time);
    out += "\\tab v = ";
    record_text::appendSpeed(out, records[k].speed);
    out += " km/h";
}

void appendTwoColumnLine(std::string& out, const Table& records, std::size_t a, std::size_t b) {
    out += ' ';
    record_text::appendInteger(out, static_cast<long long>(a + 1));
    appendEntry(out, records, a);
    out += "\\tab   ";
    record_text::appendInteger(out, static_cast<long long>(b + 1));
    appendEntry(out, records, b);
    out += "\\par";
    out += kCrLf;
}

void appendSingleLine(std::string& out, const Table& records, std::size_t k) {
    record_text::appendInteger(out, static_cast<long long>(k + 1));
    appendEntry(out, records, k);
    out += "\\par";
    out += kCrLf;
}

}  // namespace

std::string formatRtfList(const Table& records) {
    if (records.empty())
        return {};
    const std::size_t last = records.size() - 1;
    const std::size_t fullPages = last / kPerPage;

    std::string out;
    out.reserve(expectedSize(records.size()));
    appendPiece(out, kHeader1);
    appendPiece(out, kHeader2);

    for (std::size_t p = 0; p < fullPages; ++p) {
        appendPageHead(out);
        for (std::size_t j = 0; j < kPerColumn; ++j) {
            const std::size_t a = kPerPage * p + j;
            appendTwoColumnLine(out, records, a, a + kPerColumn);
        }
        appendPiece(out, kPageBreak);
    }

    // The remainder (1 to 120 records) goes one per line, so it may need a second page.
    const std::size_t first = kPerPage * fullPages;
    appendPageHead(out);
    for (std::size_t k = first; k <= last; ++k) {
        if (k == first + kPerColumn) {
            appendPiece(out, kPageBreak);
            appendPageHead(out);
        }
        appendSingleLine(out, records, k);
    }
    appendPiece(out, kClosing);
    return out;
}

std::string rtfFileContent(const std::string& document) {
    return document + "\r\n";
}

}  // namespace korvala
