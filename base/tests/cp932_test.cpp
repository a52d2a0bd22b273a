// Code page 932 <-> UTF-8.

#include <gtest/gtest.h>

#include "base/cp932.h"

namespace {

TEST(Cp932, TwoByteCharactersWithBackslashSecondByteSurvive) {
    // "表" is 0x95 0x5C and "ソ" is 0x83 0x5C: the second byte is a backslash.
    EXPECT_EQ(cp932_to_utf8("\x95\x5C\x83\x5C\\a"), "表ソ\\a");
    std::string back;
    ASSERT_EQ(utf8_to_cp932("表ソ\\a", &back), 0);
    EXPECT_EQ(back, "\x95\x5C\x83\x5C\\a");
    // Half-width katakana and the NEC row that only code page 932 has.
    EXPECT_EQ(cp932_to_utf8("\xB1\x87\x40"), "ｱ①");
    EXPECT_EQ(cp932_to_utf8("\x83\x56\x83\x69\x83\x8A\x83\x49"), "シナリオ");
}

TEST(Cp932, InvalidBytesBecomeReplacementCharacters) {
    const std::string fffd = "\xEF\xBF\xBD";
    // 0x81 0x20 is a lead byte with an impossible second byte; 0xA0 and 0xFD are unused.
    EXPECT_EQ(cp932_to_utf8("a\xA0"
                            "b"),
              "a" + fffd + "b");
    EXPECT_EQ(cp932_to_utf8("\xFD\xFE\xFF"), fffd + fffd + fffd);
    EXPECT_EQ(cp932_to_utf8("x\x81"), "x" + fffd) << "a lead byte cut off at the end";
    std::string mixed = cp932_to_utf8(std::string("\x82\xA0\x00z", 4));
    EXPECT_EQ(mixed, std::string("あ\0z", 5)) << "NUL bytes pass through";
}

TEST(Cp932, CharactersCp932LacksAreReportedWithTheirOffset) {
    std::string out;
    size_t bad = 0;
    EXPECT_EQ(utf8_to_cp932("ab😀c\xF0\x9F\x98\x81", &out, &bad), -1);
    EXPECT_EQ(out, "ab?c?");
    EXPECT_EQ(bad, 2u);
    EXPECT_EQ(utf8_to_cp932("ok\xC3", &out, &bad), -1) << "truncated UTF-8";
    EXPECT_EQ(bad, 2u);
    EXPECT_EQ(out, "ok?");
    EXPECT_EQ(utf8_to_cp932("", &out), 0);
    EXPECT_TRUE(out.empty());
}

TEST(Cp932, Utf8IsRecognisedOnlyWhenValidAndBeyondAscii) {
    // Text, the smallest two-byte form, four bytes, U+10FFFF, a byte-order mark alone.
    for (const char* text : {"SCREEN 4 4\nTEXT \"表紙\"", "\xC2\xA0", "\xF0\x9F\x98\x80",
                             "\xF4\x8F\xBF\xBF", "\xEF\xBB\xBF"})
        EXPECT_TRUE(is_utf8_with_multibyte(text)) << text;
    // Nothing to tell; plain ASCII (it reads the same either way); "シナリオ" and "表"
    // in code page 932; a slash overlong in two, three and four bytes; a surrogate;
    // past U+10FFFF; cut off at the end; a lone continuation byte; one missing.
    for (const char* text :
         {"", "SCREEN 4 4\n", "\x83\x56\x83\x69\x83\x8A\x83\x49", "\x95\x5C", "\xC0\xAF",
          "\xE0\x80\xAF", "\xF0\x80\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
          "\xF5\x80\x80\x80", "あ\xE3\x81", "あ\x81", "\xE3\x41\x82"})
        EXPECT_FALSE(is_utf8_with_multibyte(text)) << text;
}

}  // namespace
