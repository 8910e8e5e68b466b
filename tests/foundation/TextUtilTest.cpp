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

// Today's results of the token functions on awkward inputs, pinned so that a
// faster walk cannot change a single byte. Each row gives the text, the
// separator and every token (SplitTokens without skipping), which also fixes
// NthToken, the skipping split, PopToken and the reader walk.
TEST(TokenFunctions, GiveTheSameTokensOnAwkwardInputs)
{
    struct Case {
        std::string text, separator;
        std::vector<std::string> tokens;
    } cases[] = {
        {"", ",", {}},
        {",", ",", {""}},
        {",,", ",", {"", ""}},
        {",a", ",", {"", "a"}},
        {"a,", ",", {"a"}},
        {"a,,", ",", {"a", ""}},
        {",,a,,b,,", ",", {"", "", "a", "", "b", ""}},
        {"abc", ",", {"abc"}},
        {"a,b", "", {"a,b"}},
        {"a||b||", "||", {"a", "b"}},
        {"||||a|b", "||", {"", "", "a|b"}},
        {"a|||b", "||", {"a", "|b"}},
        {"aaa", "aa", {"", "a"}},
        {"aaaa", "aa", {"", ""}},
        {"ab", "abc", {"ab"}},
        {"x\r\ny\r\n\r\nz", "\r\n", {"x", "y", "", "z"}},
        {"甲；乙；；丙", "；", {"甲", "乙", "", "丙"}},
        {"中文||English||<其它>", "||", {"中文", "English", "<其它>"}},
        // A separator that is the tail of a multi-byte character still
        // matches bytewise.
        {"\xEF\xBC\x9B", "\xBC\x9B", {"\xEF"}},
    };
    for (const Case& c : cases) {
        const std::string where = "text \"" + c.text + "\" separator \"" + c.separator + "\"";
        EXPECT_EQ(SplitTokens(c.text, c.separator, false), c.tokens) << where;
        std::vector<std::string> nonEmpty;
        for (const std::string& t : c.tokens)
            if (!t.empty())
                nonEmpty.push_back(t);
        EXPECT_EQ(SplitTokens(c.text, c.separator, true), nonEmpty) << where;
        for (size_t n = 0; n <= c.tokens.size(); ++n)
            EXPECT_EQ(NthToken(c.text, c.separator, int32_t(n)), n < c.tokens.size() ? c.tokens[n] : "")
                << where << " n " << n;
        std::string rest = c.text;
        std::vector<std::string> popped;
        while (!rest.empty())
            popped.push_back(PopToken(rest, c.separator));
        EXPECT_EQ(popped, c.tokens) << where;
        std::vector<std::string> walked;
        for (TokenReader reader(c.text, c.separator); !reader.AtEnd();)
            walked.emplace_back(reader.Next());
        EXPECT_EQ(walked, c.tokens) << where;
        EXPECT_EQ(CountTokens(c.text, c.separator), c.tokens.size()) << where;
    }
}

TEST(ReplaceAll, ReplacesLeftToRightWithoutOverlapsOrRescans)
{
    struct Case {
        std::string text, pattern, replacement, result;
    } cases[] = {
        {"", "a", "b", ""},
        {"aaaa", "aa", "b", "bb"},
        {"aaa", "aa", "b", "ba"},
        {"abab", "ab", "", ""},
        {"xabx", "ab", "abab", "xababx"},
        {"a;b;", ";", "；", "a；b；"},
        {"a；b", "；", ";", "a;b"},
        {"\r\n\r\n", "\r\n", "\n", "\n\n"},
        {"abc", "abcd", "x", "abc"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplaceAll(c.text, c.pattern, c.replacement), c.result) << c.text << " / " << c.pattern;
}

TEST(NormaliseLineEnds, TreatsEachCarriageReturnLineFeedPairAsOneEnd)
{
    struct Case {
        std::string text, lineEnd, result;
    } cases[] = {
        {"", "\r\n", ""},
        {"\n\r", "|", "||"},
        {"\r\r\n\n", "|", "|||"},
        {"a\rb\r\nc\nd", "", "abcd"},
        {"\r\n", "\r\n\r\n", "\r\n\r\n"},
        {"甲\n乙", "\r\n", "甲\r\n乙"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NormaliseLineEnds(c.text, c.lineEnd), c.result);
}

TEST(NormaliseFullWidth, LeavesBrokenSequencesAndOtherTextAlone)
{
    // A lead byte without its tail, a tail without its lead, and a full-width
    // form split by another byte are not characters to map.
    EXPECT_EQ(NormaliseFullWidth("\xEF\xBC"), "\xEF\xBC");
    EXPECT_EQ(NormaliseFullWidth("\xBC\x91\xEF\xBC\x91"), "\xBC\x91" "1");
    EXPECT_EQ(NormaliseFullWidth("\xEF\xBC" "a\x91"), "\xEF\xBC" "a\x91");
    EXPECT_EQ(NormaliseFullWidth("\xEF\xEF\xBC\x91\x91"), "\xEF" "1\x91");
    EXPECT_EQ(NormaliseFullWidth(""), "");
    EXPECT_EQ(NormaliseFullWidth("甲组１２：３"), "甲组12:3");
}

TEST(TokenReader, RestIsWhatFollowsTheTokensTaken)
{
    TokenReader reader("IMP,23,28,5", ",");
    EXPECT_EQ(reader.Next(), "IMP");
    EXPECT_EQ(reader.Next(), "23");
    EXPECT_EQ(reader.Rest(), "28,5");
    EXPECT_EQ(reader.Next(), "28");
    EXPECT_EQ(reader.Next(), "5");
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(reader.Rest(), "");
    EXPECT_EQ(reader.Next(), "");
}
