// The source reader: two-byte characters, comments, tokens, lines, replacement.

#include <gtest/gtest.h>

#include "scenario/source.h"

namespace {

CScenarioSource make_source(const std::string& bytes) {
    CScenarioSource source;
    source.SetText(bytes);
    source.Preprocess();
    return source;
}

TEST(ScenarioSource, SecondByteOfATwoByteCharacterIsNeverADelimiter) {
    // "表" is 0x95 0x5C, "ポ" is 0x83 0x7C, "{" and "}" second bytes: 0x81 0x7B / 0x81 0x7D.
    CScenarioSource source = make_source("\x95\x5C\x81\x7B\x81\x7D\"x \n");
    EXPECT_EQ(source.TakeToken("\\{}\""), std::string("\x95\x5C\x81\x7B\x81\x7D"));
    EXPECT_EQ(source.Peek(), '"');

    // A lead byte swallows a following newline: it is not counted as a line.
    CScenarioSource lines = make_source("a\n\x81\nb\nc");
    lines.SetPosition(lines.Length());
    EXPECT_EQ(lines.LineNumber(), 3);

    // A lead byte as the very last byte moves to the end, never past it.
    CScenarioSource tail = make_source("a\x82");
    tail.Advance();
    tail.Advance();
    EXPECT_TRUE(tail.AtEnd());
    EXPECT_EQ(tail.GetPosition(), 2);
    EXPECT_EQ(tail.Get(), 0);
}

TEST(ScenarioSource, CommentsAndCarriageReturnsBecomeBlanksInPlace) {
    CScenarioSource source = make_source("A # c \"q\r\nFILE \"a#b\" # x\r\n\"open\n# not\"#y\nZ");
    EXPECT_EQ(source.Text(),
              "A        \n"
              "FILE \"a#b\"     \n"
              "\"open\n# not\"  \n"
              "Z");
    EXPECT_EQ(source.GetPosition(), 0);
    // A two-byte character whose second byte is 0x22 does not open quotes.
    CScenarioSource two = make_source("\x83\x22#c\nX");
    EXPECT_EQ(two.Text(), "\x83\x22  \nX");
}

TEST(ScenarioSource, TokensNeedANonEmptyRunEndedByADelimiter) {
    CScenarioSource source = make_source("WORD}rest");
    EXPECT_EQ(source.TakeToken(" }"), "WORD");
    EXPECT_EQ(source.GetPosition(), 4);
    EXPECT_FALSE(source.TakeToken(" }")) << "empty token";
    EXPECT_EQ(source.GetPosition(), 4);
    source.Advance();
    EXPECT_FALSE(source.TakeToken(" }")) << "no delimiter before the end";
    EXPECT_EQ(source.GetPosition(), 5);
    EXPECT_FALSE(source.TakeToken("\x81 ")) << "a set with a high byte yields nothing";

    CScenarioSource nul;
    nul.SetText("ab");
    nul.Append("\0cd ", 4);
    EXPECT_EQ(nul.TakeToken(" "), "ab") << "a NUL byte ends a token";
}

TEST(ScenarioSource, SkippingAndSearching) {
    CScenarioSource source = make_source("  \t\nx\x82\x78y");
    EXPECT_EQ(source.SkipChars(" \t\n"), 4);
    EXPECT_EQ(source.SkipChars("\x82x"), 0) << "a set with a high byte skips nothing";
    EXPECT_EQ(source.SkipTo('y'), 3) << "the 0x78 inside the two-byte character is stepped over";
    source.Rewind();
    EXPECT_EQ(source.FindString("x"), 4);
    EXPECT_EQ(source.FindString("zz"), 4);
    EXPECT_TRUE(source.AtEnd());
}

TEST(ScenarioSource, ReplaceAllStartsAtThePosition) {
    CScenarioSource source = make_source("$(A) $(A)B $(A)");
    source.SetPosition(1);
    EXPECT_EQ(source.ReplaceAll("$(A)", "$(A)x"), 0);
    EXPECT_EQ(source.Text(), "$(A) $(A)xB $(A)x");
    EXPECT_EQ(source.ReplaceAll("none", "y"), -1);
    EXPECT_EQ(source.Text(), "$(A) $(A)xB $(A)x");
}

}  // namespace
