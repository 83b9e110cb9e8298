// The paginated RTF list of all records.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/record_text.h"
#include "output/rtf_list.h"

using namespace korvala;

namespace {

const std::string kHeader1 =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1031{\\fonttbl{\\f0\\fnil\\fcharset0 MS Sans "
    "Serif;}{\\f1\\fswiss\\fcharset0 Arial;}}";
const std::string kHeader2 =
    "{\\*\\generator Msftedit 5.41.15.1507;}\\viewkind4\\uc1\\pard\\f0\\fs17\\tab\\tab\\tab\\tab  "
    "Messwerte\\par\\par";
const std::string kColumns =
    "Nr.\\tab Uhrzeit\\tab\\tab km/h\\tab\\tab ID\\tab Uhrzeit\\tab\\tab km/h\\par";
const std::string kRule = std::string(81, '_') + "\\par";
const std::string kBreak = "\\f1\\fs20\\par \\page\\pard\\plain\\viewkind4\\uc1\\pard\\f0\\fs17";
const std::string kClosing = "\\f1\\fs20\\par}";

// Record k (index) passes at a time derived from k, with a speed derived from k, so every line
// tells which element it shows.
Table numbered(std::size_t n) {
    Table t;
    t.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        const int s = static_cast<int>(k);
        t.push_back(
            Measurement{static_cast<std::int32_t>(k + 1),
                        Timestamp::fromDayAndTime(0, 6 + s / 3600 % 18, s / 60 % 60, s % 60),
                        Speed::fromNumber(static_cast<double>(20 + k % 90))});
    }
    return t;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            out.push_back("<unterminated>" + text.substr(pos));
            break;
        }
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

// The document as a sequence of tokens: H1 H2 C R B E for the fixed pieces, "k" for the
// single-column line of number k, "a|b" for a two-column line. Line contents are checked against
// the records separately; this pins the page arithmetic.
std::vector<std::string> shape(const std::string& doc) {
    std::vector<std::string> out;
    for (const std::string& l : lines(doc)) {
        if (l == kHeader1)
            out.push_back("H1");
        else if (l == kHeader2)
            out.push_back("H2");
        else if (l == kColumns)
            out.push_back("C");
        else if (l == kRule)
            out.push_back("R");
        else if (l == kBreak)
            out.push_back("B");
        else if (l == kClosing)
            out.push_back("E");
        else if (l.starts_with(" ")) {
            const std::size_t mid = l.find("\\tab   ");
            const std::string right = l.substr(mid + 7);
            out.push_back(l.substr(1, l.find('\\') - 1) + "|" + right.substr(0, right.find('\\')));
        } else {
            out.push_back(l.substr(0, l.find('\\')));
        }
    }
    return out;
}

std::vector<std::string> range(std::size_t from, std::size_t to) {
    std::vector<std::string> out;
    for (std::size_t k = from; k <= to; ++k)
        out.push_back(std::to_string(k));
    return out;
}

std::vector<std::string> cat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

using Shape = std::vector<std::string>;
const Shape kStart{"H1", "H2"};
const Shape kHead{"C", "R"};
const Shape kBreakHead{"B", "C", "R"};
const Shape kEnd{"E"};

Shape fullPage(std::size_t page) {
    Shape out = kHead;
    for (std::size_t j = 1; j <= 60; ++j) {
        const std::size_t left = 120 * page + j;
        out.push_back(std::to_string(left) + "|" + std::to_string(left + 60));
    }
    out.push_back("B");
    return out;
}

}  // namespace

TEST(RtfList, NoRecordsGiveNoDocument) {
    EXPECT_EQ(formatRtfList(Table{}), "");
}

TEST(RtfList, OneRecordByteForByte) {
    Table t{Measurement{7, Timestamp::fromDayAndTime(0, 9, 5, 3), Speed::fromNumber(47)}};
    const std::string expected = kHeader1 + "\r\n" + kHeader2 + "\r\n" + kColumns + "\r\n" + kRule +
                                 "\r\n" + "1\\tab  Zeit: 09:05:03\\tab v = 47 km/h\\par\r\n" +
                                 kClosing + "\r\n";
    EXPECT_EQ(formatRtfList(t), expected);
    EXPECT_EQ(rtfFileContent(formatRtfList(t)), expected + "\r\n");
}

TEST(RtfList, TwoColumnLineCarriesBothNumbersWithALeadingBlank) {
    Table t = numbered(121);
    t[0].time = Timestamp::fromDayAndTime(0, 16, 17, 11);
    t[0].speed = Speed::fromNumber(62);
    t[60].time = Timestamp::fromDayAndTime(0, 16, 24, 11);
    t[60].speed = Speed::fromNumber(38);
    t[120].time = Timestamp::fromDayAndTime(0, 16, 31, 2);
    t[120].speed = Speed::fromNumber(45);
    const std::vector<std::string> l = lines(formatRtfList(t));
    EXPECT_EQ(l[4],
              " 1\\tab  Zeit: 16:17:11\\tab v = 62 km/h\\tab   61\\tab  Zeit: 16:24:11\\tab v = "
              "38 km/h\\par");
    EXPECT_EQ(l[l.size() - 2], "121\\tab  Zeit: 16:31:02\\tab v = 45 km/h\\par");
}

TEST(RtfList, PageArithmetic) {
    EXPECT_EQ(shape(formatRtfList(numbered(1))), cat({kStart, kHead, range(1, 1), kEnd}));
    EXPECT_EQ(shape(formatRtfList(numbered(60))), cat({kStart, kHead, range(1, 60), kEnd}));
    EXPECT_EQ(shape(formatRtfList(numbered(61))),
              cat({kStart, kHead, range(1, 60), kBreakHead, range(61, 61), kEnd}));
    EXPECT_EQ(shape(formatRtfList(numbered(120))),
              cat({kStart, kHead, range(1, 60), kBreakHead, range(61, 120), kEnd}));
    EXPECT_EQ(shape(formatRtfList(numbered(121))),
              cat({kStart, fullPage(0), kHead, range(121, 121), kEnd}));
    EXPECT_EQ(shape(formatRtfList(numbered(240))), cat({kStart, fullPage(0), kHead, range(121, 180),
                                                        kBreakHead, range(181, 240), kEnd}));
    EXPECT_EQ(shape(formatRtfList(numbered(241))),
              cat({kStart, fullPage(0), fullPage(1), kHead, range(241, 241), kEnd}));
}

TEST(RtfList, LinesShowTheRecordsTimeAndSpeedTextAndNotTheirId) {
    Table t{Measurement{999, Timestamp::fromDayAndTime(2, 0, 0, 0), Speed::fromNumber(47.5)},
            Measurement{-5, Timestamp::fromDayAndTime(0, 23, 59, 59), Speed{}}};
    const std::vector<std::string> l = lines(formatRtfList(t));
    EXPECT_EQ(l[4], "1\\tab  Zeit: 00:00:00\\tab v = 47,5 km/h\\par");
    EXPECT_EQ(l[5], "2\\tab  Zeit: 23:59:59\\tab v =  km/h\\par");
}

// The exports format times and speeds through a fast path; it must agree with the model's own
// text forms for every kind of value a record can hold.
TEST(RecordText, AgreesWithTheModelsTextForms) {
    for (double v : {0.0, -0.0, 1.0, 47.0, 47.5, -3.0, -3.25, 0.1, 299.9, 32767.0, 1e14,
                     999999999999999.0, 1e15, 1.5e15, 1e30, -1e20, 2e9}) {
        std::string out;
        record_text::appendSpeed(out, Speed::fromNumber(v));
        EXPECT_EQ(out, Speed::fromNumber(v).text()) << v;
    }
    std::string empty;
    record_text::appendSpeed(empty, Speed{});
    EXPECT_EQ(empty, "");

    for (std::int64_t s : {0LL, 1LL, 59LL, 3599LL, 32703LL, 86399LL, 86400LL + 3723LL, -1LL,
                           -86400LL * 3 + 45296LL}) {
        std::string out;
        record_text::appendTime(out, Timestamp::fromSeconds(s));
        EXPECT_EQ(out, Timestamp::fromSeconds(s).timeText()) << s;
    }
}
