#include "foundation/LocText.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(PickLang, ChoosesAVariantOrFallsBackToTheWholeText)
{
    struct Case {
        std::string text;
        LangIndex lang;
        std::string expected;
    } cases[] = {
        {"确 定||OK||<其它>", 0, "确 定"},
        {"确 定||OK||<其它>", 1, "OK"},
        {"确 定||OK||<其它>", 2, "<其它>"},
        {"确 定||OK||<其它>", 3, "确 定||OK||<其它>"},
        {"确 定||OK||<其它>", -1, "确 定||OK||<其它>"},
        {"", 1, "Text error!"},
        {"abc", 1, "abc"},
        {"中||||x", 1, "中||||x"},
        {"A||", 1, "A||"},
        {"||B", 0, "||B"},
        {"||B", 1, "B"},
        {"打印确认||Print confirm[cn:打印确认]||<其它>", 1, "Print confirm[cn:打印确认]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PickLang(c.text, c.lang), c.expected) << c.text << " @" << c.lang;
}

TEST(WideText, RoundTripsAndHandlesEmptyAndMalformedInput)
{
    EXPECT_EQ(Utf8ToWide(""), u"");
    EXPECT_EQ(WideToUtf8(u""), "");
    EXPECT_EQ(Utf8ToWide("奎沃 A♠"), u"奎沃 A♠");
    EXPECT_EQ(WideToUtf8(u"奎沃 A♠"), "奎沃 A♠");
    EXPECT_EQ(WideToUtf8(Utf8ToWide("\xF0\x9F\x82\xA1")), "\xF0\x9F\x82\xA1"); // outside the BMP
    EXPECT_EQ(Utf8ToWide("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToWide("\xE4\xB8"), u"\uFFFD\uFFFD"); // truncated sequence
    EXPECT_EQ(Utf8ToWide("\xC0\xAF"), u"\uFFFD\uFFFD"); // overlong
    EXPECT_EQ(WideToUtf8(std::u16string(1, char16_t(0xD800))), "\uFFFD");
    EXPECT_EQ(LangTextW("取 消||Cancel||<其它>", 0), u"取 消");
    EXPECT_EQ(IntToWide(-15), u"-15");
}

TEST(OemCodePage, FollowsTheLocaleVariables)
{
    struct Case {
        const char* lcAll;
        const char* lang;
        int expected;
    } cases[] = {
        {"zh_CN.UTF-8", nullptr, 936}, {"zh_SG.UTF-8", nullptr, 936}, {"zh_TW.UTF-8", nullptr, 437},
        {"", "zh_CN.UTF-8", 936},      {"C", "zh_CN.UTF-8", 437},     {nullptr, "en_US.UTF-8", 437},
        {nullptr, nullptr, 437},
    };
    const char* savedAll = std::getenv("LC_ALL");
    const char* savedType = std::getenv("LC_CTYPE");
    const char* savedLang = std::getenv("LANG");
    const std::string all = savedAll ? savedAll : "", type = savedType ? savedType : "", lang = savedLang ? savedLang : "";
    unsetenv("LC_CTYPE");
    for (const Case& c : cases) {
        c.lcAll ? setenv("LC_ALL", c.lcAll, 1) : unsetenv("LC_ALL");
        c.lang ? setenv("LANG", c.lang, 1) : unsetenv("LANG");
        EXPECT_EQ(OemCodePage(), c.expected) << (c.lcAll ? c.lcAll : "-") << "/" << (c.lang ? c.lang : "-");
    }
    savedAll ? setenv("LC_ALL", all.c_str(), 1) : unsetenv("LC_ALL");
    savedType ? setenv("LC_CTYPE", type.c_str(), 1) : unsetenv("LC_CTYPE");
    savedLang ? setenv("LANG", lang.c_str(), 1) : unsetenv("LANG");
    EXPECT_EQ(DefaultLanguageForCodePage(936), 0);
    EXPECT_EQ(DefaultLanguageForCodePage(437), 1);
}
