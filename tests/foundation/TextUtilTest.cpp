#include "foundation/TextUtil.h"

#include <gtest/gtest.h>

#include <climits>

TEST(PopToken, TakesTheFirstTokenAndItsSeparator)
{
    struct Case {
        std::string text, token, rest;
    } cases[] = {
        {"ab,cd", "ab", "cd"},
        {"ab", "ab", ""},
        {",x", "", "x"},
        {"", "", ""},
        {"a,", "a", ""},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(PopToken(text, ","), c.token) << c.text;
        EXPECT_EQ(text, c.rest) << c.text;
    }
}

TEST(NthToken, CountsFromZeroAndStopsWhenTheTextRunsOut)
{
    EXPECT_EQ(NthToken("a||b||c", "||", 1), "b");
    EXPECT_EQ(NthToken("a||", "||", 1), "");
    EXPECT_EQ(NthToken("||b", "||", 0), "");
    EXPECT_EQ(NthToken("||b", "||", 1), "b");
    EXPECT_EQ(NthToken("a||b", "||", -1), "");
    EXPECT_EQ(NthToken("", "||", 0), "");
}

TEST(SplitTokens, KeepsOrSkipsEmptyTokens)
{
    EXPECT_EQ(SplitTokens("a,,b,", ",", false), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitTokens("a,,b,", ",", true), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(SplitTokens("", ",", false).empty());
}

TEST(ReplaceAll, NeverSearchesInsertedText)
{
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceAll("x-y-z", "-", ""), "xyz");
    EXPECT_EQ(ReplaceAll("abc", "b", "b"), "abc");
    EXPECT_EQ(ReplaceAll("abc", "", "q"), "abc");
}

TEST(NormaliseLineEnds, UnifiesEveryKindOfLineEnd)
{
    EXPECT_EQ(NormaliseLineEnds("x\r\ny\rz\n", "\r\n"), "x\r\ny\r\nz\r\n");
    EXPECT_EQ(NormaliseLineEnds("a\r\n\r\nb", "\n"), "a\n\nb");
}

TEST(NormaliseFullWidth, MapsDigitsAndPunctuationButNotLetters)
{
    EXPECT_EQ(NormaliseFullWidth("Ａ１，２"), "Ａ1,2");
    EXPECT_EQ(NormaliseFullWidth("Ａ；Ｃ＃２１～２９"), "Ａ;Ｃ#21~29");
    EXPECT_EQ(NormaliseFullWidth("（０）［９］｛｝｜：＋＝！＠＄＊〈〉。"), "(0)[9]{}|:+=!@$*<>.");
    // Only the opening curly quotes are mapped.
    EXPECT_EQ(NormaliseFullWidth("\u201Ca\u201D\u2018b\u2019"), "\"a\u201D'b\u2019");
    EXPECT_EQ(NormaliseFullWidth("３－５"), "3-5");
}

TEST(EqualsIgnoreCase, LowersAsciiOnly)
{
    EXPECT_TRUE(EqualsIgnoreCase("AbC", "abc"));
    EXPECT_FALSE(EqualsIgnoreCase("É", "é"));
    EXPECT_FALSE(EqualsIgnoreCase("abc", "abcd"));
    EXPECT_EQ(ToLower("Team A-Z"), "team a-z");
}

TEST(PadLeftAndIntToString, FormatNumbers)
{
    EXPECT_EQ(PadLeft("12345", 3, '0'), "12345");
    EXPECT_EQ(PadLeft("7", 3, '0'), "007");
    EXPECT_EQ(IntToString(-42), "-42");
    EXPECT_EQ(IntToString(0), "0");
    EXPECT_EQ(IntToString(INT_MIN), "-2147483648");
}

TEST(SortKeys, HaveFixedWidthAndOrderNegativesByMarker)
{
    EXPECT_EQ(SignedSortKey(-7, ","), ",0000000007#");
    EXPECT_EQ(SignedSortKey(0, "*"), "+0000000000#");
    EXPECT_EQ(SignedSortKey(123, "*"), "+0000000123#");
    EXPECT_EQ(SignedSortKey(INT_MIN, "*"), "*2147483648#");
    EXPECT_EQ(SignedSortKey(INT_MAX, "*"), "+2147483647#");
    EXPECT_LT(SignedSortKey(-1, "*"), SignedSortKey(0, "*"));
    EXPECT_GT(SignedSortKey(-1, ","), SignedSortKey(5, ","));
    EXPECT_EQ(TextSortKey("A", 4), "000A#");
}
