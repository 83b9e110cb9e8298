#include <gtest/gtest.h>

#include <string>

#include "model/encoding.h"
#include "model/text_util.h"

namespace korvala {
namespace {

TEST(Encoding, GermanLettersByteForByte) {
    EXPECT_EQ(utf8ToCp1252("Hauptstraße Äöü"),
              "Hauptstra\xDF"
              "e \xC4\xF6\xFC");
    EXPECT_EQ(cp1252ToUtf8("Hauptstra\xDF"
                           "e"),
              "Hauptstraße");
    EXPECT_EQ(cp1252ToUtf8("\x80 \x84\x93\x94 \x96"), "€ „“” –");
    EXPECT_EQ(utf8ToCp1252("€ „“” –"), "\x80 \x84\x93\x94 \x96");
}

TEST(Encoding, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
}

TEST(Encoding, UnrepresentableAndBrokenTextBecomesQuestionMarks) {
    EXPECT_EQ(utf8ToCp1252("Łódź"),
              "?\xF3"
              "d?");
    EXPECT_EQ(utf8ToCp1252("a\xFF"
                           "b"),
              "a?b");                                // not UTF-8 at all
    EXPECT_EQ(utf8ToCp1252("a\xC3"), "a?");          // cut in the middle of a character
    EXPECT_EQ(utf8ToCp1252("\xC0\xAF"), "??");       // overlong "/"
    EXPECT_EQ(utf8ToCp1252("\xED\xA0\x80"), "???");  // surrogate
    EXPECT_EQ(utf8ToCp1252("😀"), "?");
}

TEST(Encoding, CharacterCountsAndPrefixes) {
    EXPECT_EQ(utf8Length("Hauptstraße"), 11u);
    EXPECT_EQ(utf8Left("Äöüßx€yz", 5), "Äöüßx");
    EXPECT_EQ(utf8Left("Äb", 5), "Äb");
    EXPECT_EQ(utf8Left("", 5), "");
    EXPECT_EQ(utf8Left("€€", 1), "€");
}

TEST(TextUtil, TrimsOnlySpaces) {
    EXPECT_EQ(trimBlanks("  a b  "), "a b");
    EXPECT_EQ(trimBlanks("\r\na\r\n"), "\r\na\r\n");
    EXPECT_EQ(trimBlanks("   "), "");
}

TEST(TextUtil, ReplaceAllWorksLeftToRightWithoutRescanning) {
    EXPECT_EQ(replaceAll("03/12/2026", "/", "."), "03.12.2026");
    EXPECT_EQ(replaceAll("03.12.2026", ".20", "."), "03.12.26");
    EXPECT_EQ(replaceAll("01.20.2026", ".20", "."), "01..26");
    EXPECT_EQ(replaceAll("a\r\n\r\n\r\nb", "\r\n\r\n", ""), "a\r\nb");
    EXPECT_EQ(replaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
}

}  // namespace
}  // namespace korvala
