#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

#include "tags/Text.h"

TEST(Text, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
}

TEST(Text, Windows1252Characters) {
    struct Case {
        std::string ansi;
        std::string utf8;
    };
    const Case cases[] = {
        {"\x80", "\u20AC"},  // euro sign
        {"\x93"
         "a\x94",
         "\u201C"
         "a\u201D"},  // curly quotes
        {"\xE4\xF6\xFC\xDF", "äöüß"},
        {"\x81", "\u0081"},  // undefined in the code page: kept as C1 control
        {"AB", "AB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AnsiToUtf8(c.ansi), c.utf8);
        EXPECT_EQ(Utf8ToAnsi(c.utf8), c.ansi);
    }
}

TEST(Text, CharactersWithoutAByteBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToAnsi("a\u4E2Db"), "a?b");  // CJK
    EXPECT_EQ(Utf8ToAnsi("\U0001F600"), "?");  // outside the BMP
    EXPECT_EQ(Utf8ToAnsi("\xC3"), "?");        // cut sequence
    EXPECT_EQ(Utf8ToAnsi("\xC0\xAF"), "??");   // overlong "/"
    EXPECT_EQ(Utf8ToAnsi("\xFF"
                         "x"),
              "?x");
}

TEST(Text, MalformedUtf8BecomesReplacementCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"Grüße 東京 😀", "Grüße 東京 😀"},
        {"a\xFF"
         "b",
         "a\uFFFD"
         "b"},
        {"\xC3", "\uFFFD"},                                // cut sequence
        {"\xC0\xAF", "\uFFFD\uFFFD"},                      // overlong "/"
        {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},            // a surrogate
        {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
        {"\uFFFD", "\uFFFD"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(ValidUtf8(in), out) << in;
}

TEST(Text, ANameThatIsNotUtf8ReadsAsWindows1252PartByPart) {
    const std::pair<std::string, std::string> cases[] = {
        {"/Musik/Caf\xE9 del Mar.mp3", "/Musik/Café del Mar.mp3"},
        {"/M\xC3\xBCsik/Gr\xFC\xDF"
         "e/\x80.mp3",
         "/Müsik/Grüße/€.mp3"},  // UTF-8 folder stays
        {"/Grüße/東京.mp3", "/Grüße/東京.mp3"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(ReadableName(in), out) << in;
}

TEST(Text, Utf16BothWays) {
    const std::string le = "G\0\xFC\0=\xD8\0\xDE"s;  // "Gü😀" little-endian
    EXPECT_EQ(Utf16ToUtf8(le, false), "Gü😀");
    EXPECT_EQ(Utf8ToUtf16("Gü😀", false), le);
    EXPECT_EQ(Utf16ToUtf8("\0G\0\xFC"s, true), "Gü");
    EXPECT_EQ(Utf16ToUtf8("\x00\xD8G\0"s, false), "\uFFFDG");  // lone high surrogate
    EXPECT_EQ(Utf16ToUtf8("\x00\xDC"s, false), "\uFFFD");      // lone low surrogate
    EXPECT_EQ(Utf16ToUtf8("G\0x"s, false), "G");               // odd byte at the end
}

TEST(Text, Latin1OnlyForCharactersUpToFF) {
    EXPECT_EQ(Utf8ToLatin1("Grüße ÿ"),
              "Gr\xFC\xDF"
              "e \xFF");
    EXPECT_EQ(Utf8ToLatin1(""), "");
    EXPECT_EQ(Utf8ToLatin1("€"), std::nullopt);  // in Windows-1252, not in ISO-8859-1
    EXPECT_EQ(Utf8ToLatin1("a\0b"s), std::nullopt);
    EXPECT_EQ(Utf8ToLatin1("a\xFF"), std::nullopt);  // malformed
}

TEST(Text, TrimBlanks) {
    struct Case {
        std::string in, trailing, both;
    };
    const Case cases[] = {
        {"", "", ""},
        {" a b ", " a b", "a b"},
        {"\0\0x\0\0"s, "\0\0x"s, "x"},
        {"\t\r\n\x1Fx\t\r\n\x1F", "\t\r\n\x1Fx", "x"},
        {"   ", "", ""},
        {"\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0"},  // 160 is a character, not a blank
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrimBlanks(c.in), c.trailing) << c.in;
        EXPECT_EQ(TrimBlanks(c.in, true), c.both) << c.in;
    }
}
