#include <gtest/gtest.h>

#include <string>

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
        {"\x80", "\u20AC"},          // euro sign
        {"\x93" "a\x94", "\u201C" "a\u201D"},  // curly quotes
        {"\xE4\xF6\xFC\xDF", "äöüß"},
        {"\x81", "\u0081"},           // undefined in the code page: kept as C1 control
        {"AB", "AB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AnsiToUtf8(c.ansi), c.utf8);
        EXPECT_EQ(Utf8ToAnsi(c.utf8), c.ansi);
    }
}

TEST(Text, CharactersWithoutAByteBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToAnsi("a\u4E2Db"), "a?b");       // CJK
    EXPECT_EQ(Utf8ToAnsi("\U0001F600"), "?");       // outside the BMP
    EXPECT_EQ(Utf8ToAnsi("\xC3"), "?");             // cut sequence
    EXPECT_EQ(Utf8ToAnsi("\xC0\xAF"), "??");        // overlong "/"
    EXPECT_EQ(Utf8ToAnsi("\xFF" "x"), "?x");
}
