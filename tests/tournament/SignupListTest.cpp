#include "tournament/SignupList.h"

#include "foundation/NumericJson.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

SignupEntry Entry(int32_t section, int32_t number, const std::string& name = "", const std::string& sectionName = "",
                  bool isPair = false)
{
    SignupEntry e;
    e.SetSectionId(section);
    e.SetTeamNumber(number);
    e.SetTeamName(name);
    e.SetSectionName(sectionName);
    e.SetIsPair(isPair);
    return e;
}

Json::Value ParseOrFail(const std::string& text)
{
    Json::Value v;
    EXPECT_TRUE(NumericJson::Parse(text, v)) << text;
    return v;
}

std::vector<std::pair<int32_t, int32_t>> Keys(const SignupList& list)
{
    std::vector<std::pair<int32_t, int32_t>> keys;
    for (const SignupEntry& e : list)
        keys.emplace_back(e.GetSectionId(), e.GetTeamNumber());
    return keys;
}

// A list of one section holding the numbers first ... first + count - 1.
SignupList Section(int32_t section, const std::string& name, int32_t first, int32_t count)
{
    SignupList list;
    for (int32_t n = first; n < first + count; ++n)
        list.push_back(Entry(section, n, "", name));
    return list;
}

std::vector<int32_t> Range(int32_t from, int32_t to)
{
    std::vector<int32_t> numbers;
    for (int32_t n = from;; n += from <= to ? 1 : -1) {
        numbers.push_back(n);
        if (n == to)
            break;
    }
    return numbers;
}

} // namespace

TEST(SignupList, ReadsEntriesInArrayOrderWithTheNumericKeyConventions)
{
    SignupList list;
    list.FromJson(ParseOrFail(R"({"_o":[
        {"4":2,"5":"B","6":-7,"7":"Pair","1":1,"9":0},
        {"4":1,"6":3,"1":true,"9":"1","7":5},
        {"4":null,"5":["x"],"6":"8","9":2}]})"));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].GetSectionId(), 2);
    EXPECT_EQ(list[0].GetSectionName(), "B");
    EXPECT_EQ(list[0].GetTeamNumber(), -7);
    EXPECT_EQ(list[0].GetTeamName(), "Pair");
    EXPECT_TRUE(list[0].GetIsPair());
    EXPECT_FALSE(list[0].GetPrinted());
    EXPECT_EQ(list[1].GetTeamNumber(), 3);
    EXPECT_FALSE(list[1].GetIsPair()); // the literal true is not a flag
    EXPECT_FALSE(list[1].GetPrinted()); // nor is the text "1"
    EXPECT_EQ(list[1].GetTeamName(), "");
    EXPECT_EQ(list[2].GetSectionId(), 0);
    EXPECT_EQ(list[2].GetSectionName(), "");
    EXPECT_EQ(list[2].GetTeamNumber(), 0);
    EXPECT_TRUE(list[2].GetPrinted());
    EXPECT_EQ(list.UnprintedEntries().size(), 2u);

    // Anything but an array under "_o" gives an empty list, replacing what
    // was held before.
    for (const char* text : {R"({})", R"({"_o":null})", R"({"_o":{"0":{"4":1,"6":2}}})", R"({"_o":"x"})",
                             R"([1,2])", R"("_o")"}) {
        SignupList again = list;
        again.FromJson(ParseOrFail(text));
        EXPECT_TRUE(again.empty()) << text;
    }

    // What ToJson writes reads back the same.
    Json::Value written;
    list.ToJson(written);
    SignupList back;
    back.FromJson(written);
    ASSERT_EQ(back.size(), list.size());
    for (size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(back[i].Label() + back[i].SortKey() + (back[i].GetPrinted() ? "p" : ""),
                  list[i].Label() + list[i].SortKey() + (list[i].GetPrinted() ? "p" : ""));
    EXPECT_EQ(NumericJson::WriteCompact(written["_o"][1]), R"({"4":1,"6":3})");
}

TEST(SignupList, SortPutsNegativeSectionsFirstAndEastWestPairsLastAndKeepsTheLaterDuplicate)
{
    EXPECT_EQ(Entry(2, -7).SortKey(), "+0000000002#,0000000007#");
    EXPECT_EQ(Entry(INT_MIN, INT_MIN).SortKey(), "*2147483648#,2147483648#");

    SignupList list;
    for (const auto& e : {Entry(2, -2), Entry(2, 1, "first"), Entry(-1, 5), Entry(0, 3), Entry(2, -1),
                          Entry(INT_MIN, 0), Entry(-5, 1), Entry(2, 2), Entry(2, 1, "later"), Entry(0, INT_MIN),
                          Entry(0, INT_MAX), Entry(2, 0)})
        list.push_back(e);
    list.Sort();
    const std::vector<std::pair<int32_t, int32_t>> expected = {
        {-1, 5}, {-5, 1}, {INT_MIN, 0}, {0, 3}, {0, INT_MAX}, {0, INT_MIN},
        {2, 0},  {2, 1},  {2, 2},       {2, -1}, {2, -2},
    };
    EXPECT_EQ(Keys(list), expected);
    EXPECT_EQ(list[7].GetTeamName(), "later");
}

TEST(SignupList, LabelForms)
{
    struct Case {
        SignupEntry entry;
        const char* label;
    };
    const Case cases[] = {
        {Entry(1, 12, "Dragons", "A"), "12.Dragons (A)"},
        {Entry(1, -5, "", "B", true), "EW5 (B)"},
        {Entry(1, 5, "Li/Wang", "B", true), "NS5.Li/Wang (B)"},
        {Entry(1, -3, "", "C"), "-3 (C)"},
        {Entry(1, 0, "Zero", "", true), "0.Zero ()"},
        {Entry(1, INT_MIN, "", "D", true), "EW2147483648 (D)"},
        {Entry(1, INT_MIN, "", "D"), "-2147483648 (D)"},
        {Entry(1, INT_MAX, "", "D", true), "NS2147483647 (D)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.entry.Label(), c.label);

    // A pair event's section sorts and labels as NS1, NS2, EW1, EW2.
    SignupList list;
    for (int32_t n : {1, -1, 2, -2})
        list.push_back(Entry(3, n, "", "P", true));
    list.Sort();
    std::vector<std::string> labels;
    for (const SignupEntry& e : list)
        labels.push_back(e.Label());
    EXPECT_EQ(labels, (std::vector<std::string>{"NS1 (P)", "NS2 (P)", "EW1 (P)", "EW2 (P)"}));
}

TEST(SignupList, EntryAtAndRemove)
{
    SignupList list;
    for (const auto& e : {Entry(1, 1, "a"), Entry(1, 2, "b"), Entry(1, 1, "c"), Entry(2, 1, "d")})
        list.push_back(e);
    EXPECT_EQ(list.EntryAt(1).GetTeamName(), "b");
    for (int32_t past : {4, 100, INT_MAX, -1, INT_MIN}) {
        const SignupEntry empty = list.EntryAt(past);
        EXPECT_EQ(empty.Label(), "0 ()") << past;
        EXPECT_FALSE(empty.GetIsPair() || empty.GetPrinted()) << past;
    }

    list.Remove(1, 1); // only the first match goes
    EXPECT_EQ(Keys(list), (std::vector<std::pair<int32_t, int32_t>>{{1, 2}, {1, 1}, {2, 1}}));
    EXPECT_EQ(list.EntryAt(1).GetTeamName(), "c");
    list.Remove(3, 1);
    list.Remove(2, 2);
    EXPECT_EQ(list.size(), 3u);
}

TEST(SignupList, GroupsChunkLongSectionsByTheSmallestRemainder)
{
    EXPECT_TRUE(Section(1, "A", 1, 20).BuildGroups().empty());

    struct Case {
        int32_t count;
        std::vector<size_t> sizes;
    };
    const Case cases[] = {
        {21, {10, 11}},     // remainders 1, 10, 9, 8
        {23, {11, 12}},     // 11 leaves 1; the short tail joins the last full group
        {25, {12, 13}},     // 12 leaves 1
        {26, {13, 13}},     // 13 leaves 0
        {30, {10, 10, 10}},
        {40, {10, 10, 10, 10}},
    };
    for (const Case& c : cases) {
        const std::vector<SignupGroup> groups = Section(1, "A", 1, c.count).BuildGroups();
        ASSERT_EQ(groups.size(), c.sizes.size()) << c.count;
        int32_t next = 1;
        for (size_t i = 0; i < groups.size(); ++i) {
            const int32_t last = next + int32_t(c.sizes[i]) - 1;
            EXPECT_EQ(groups[i].numbersText, std::to_string(next) + "~" + std::to_string(last)) << c.count;
            EXPECT_EQ(groups[i].label, "A (" + std::to_string(next) + "~" + std::to_string(last) + ")");
            EXPECT_EQ(groups[i].sectionId, 1);
            EXPECT_EQ(groups[i].sectionName, "A");
            next = last + 1;
        }
    }
}

TEST(SignupList, GroupsPerSectionInSortedOrder)
{
    // Section 2 has 21 teams, section -1 three; a section with a negative
    // number stays one group whatever its size. The section name is the one
    // of its last sorted entry.
    SignupList list;
    for (int32_t n = 21; n >= 1; --n)
        list.push_back(Entry(2, n, "", n == 21 ? "Open" : "old"));
    list.push_back(Entry(-1, 3, "", "Women"));
    list.push_back(Entry(-1, 1, "", "Women"));
    list.push_back(Entry(-1, 2, "", "Women"));
    const std::vector<SignupGroup> groups = list.BuildGroups();
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].sectionId, -1);
    EXPECT_EQ(groups[0].label, "Women");
    EXPECT_EQ(groups[0].numbersText, "1~3");
    EXPECT_EQ(groups[1].label, "Open (1~10)");
    EXPECT_EQ(groups[2].label, "Open (11~21)");

    SignupList pairs;
    for (int32_t n = 1; n <= 29; ++n)
        pairs.push_back(Entry(4, n, "", "Pairs", true));
    pairs.push_back(Entry(4, -1, "", "Pairs", true));
    const std::vector<SignupGroup> one = pairs.BuildGroups();
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].label, "Pairs");
    EXPECT_EQ(one[0].numbersText, "1~29,-1");
}

TEST(SignupList, SelectGroupTakesSortedEntriesOfOneSectionOnce)
{
    SignupList list;
    for (const auto& e : {Entry(1, 5), Entry(2, 4), Entry(1, 3), Entry(1, 4), Entry(1, -4), Entry(1, 9)})
        list.push_back(e);
    const SignupList selected = list.SelectGroup(1, "3~5,5;4,-4,40");
    EXPECT_EQ(Keys(selected), (std::vector<std::pair<int32_t, int32_t>>{{1, 3}, {1, 4}, {1, 5}, {1, -4}}));
    EXPECT_TRUE(list.SelectGroup(3, "1~10").empty());
    EXPECT_TRUE(list.SelectGroup(1, "").empty());

    // A group's own text selects exactly that group.
    const SignupList section = Section(7, "S", 1, 25);
    for (const SignupGroup& g : section.BuildGroups())
        EXPECT_EQ(section.SelectGroup(7, g.numbersText).size(), g.label == "S (1~12)" ? 12u : 13u) << g.label;
}

TEST(NumberList, ParseForms)
{
    struct Case {
        const char* text;
        bool unique;
        std::vector<int32_t> numbers;
    };
    const Case cases[] = {
        {"21~25", false, {21, 22, 23, 24, 25}},
        {"25~21", false, {25, 24, 23, 22, 21}},
        {"7,,9", false, {7, 9}},
        {"21~", false, Range(21, 0)},
        {"~2", false, {0, 1, 2}},
        {"x", false, {0}},
        {"１～３", false, {1, 2, 3}},
        {"1；3，5", false, {1, 3, 5}},
        {"1;3", false, {1, 3}},
        {" -2~1", false, {-2, -1, 0, 1}},
        {"5~5", false, {5}},
        {"1~3~9", false, {1, 2, 3}}, // pieces after the second are ignored
        {"3~1,2", false, {3, 2, 1, 2}},
        {"3~1,2", true, {3, 2, 1}},
        {"4,4,4", true, {4}},
        {"12abc,+6", false, {12, 6}},
        {"99999999999", false, {INT_MAX}},
        {"-99999999999", false, {INT_MIN}},
        {"", false, {}},
        {",;,", false, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseNumberList(c.text, c.unique), c.numbers) << c.text << " unique " << c.unique;
}

TEST(NumberList, HugeRangesAreBounded)
{
    struct Case {
        const char* text;
        int32_t first;
        int32_t step;
    };
    const Case cases[] = {
        {"1~2000000000", 1, 1},
        {"-2147483648~2147483647", INT_MIN, 1},
        {"2147483647~-2147483648", INT_MAX, -1},
        {"99999999999999999999~-99999999999999999999", INT_MAX, -1},
        {"1~2000000000,1~2000000000,5", 1, 1},
    };
    for (const Case& c : cases) {
        for (bool unique : {false, true}) {
            const std::vector<int32_t> numbers = ParseNumberList(c.text, unique);
            ASSERT_EQ(numbers.size(), kMaxNumberListLength) << c.text;
            EXPECT_EQ(numbers.front(), c.first) << c.text;
            EXPECT_EQ(numbers.back(), int32_t(int64_t(c.first) + c.step * int64_t(kMaxNumberListLength - 1)))
                << c.text;
        }
    }

    // Many small tokens are bounded the same way.
    std::string many;
    for (int i = 0; i < 30000; ++i)
        many += "7,";
    EXPECT_EQ(ParseNumberList(many, false).size(), kMaxNumberListLength);
    EXPECT_EQ(ParseNumberList(many, true), std::vector<int32_t>{7});
}

// With `unique` a range over numbers already taken adds nothing, yet it is
// walked: the ranges of one list share the bound, so that a filter of many
// repeated ranges (it reaches the scoring server from any kiosk) cannot cost
// its length times the bound.
TEST(NumberList, RangesOverTakenNumbersShareTheBound)
{
    std::string repeated;
    for (int i = 0; i < 5000; ++i)
        repeated += "1~9999,";
    std::vector<int32_t> first(9999);
    for (int32_t i = 0; i < 9999; ++i)
        first[size_t(i)] = i + 1;
    EXPECT_EQ(ParseNumberList(repeated, true), first);

    // The walk of the second range uses up what the first one left.
    std::vector<int32_t> expected(6000);
    for (int32_t i = 0; i < 6000; ++i)
        expected[size_t(i)] = i + 1;
    EXPECT_EQ(ParseNumberList("1~6000,1~6000,7000", true), expected);
    expected.push_back(7000);
    EXPECT_EQ(ParseNumberList("1~6000,7000", true), expected);
}

TEST(NumberList, FormatWritesRunsInTheGivenOrder)
{
    struct Case {
        std::vector<int32_t> numbers;
        const char* text;
    };
    const Case cases[] = {
        {{}, ""},
        {{5}, "5"},
        {{-5}, "-5"},
        {{21, 22, 23, 25}, "21~23,25"},
        {{5, 6, 7, 1, 2}, "5~7,1~2"},
        {{21, 23}, "21,23"},
        {{-3, -2, -1, 0}, "-3~0"},
        {{3, 2, 1}, "3,2,1"},
        {{5, 5, 6}, "5,5~6"}, // a repeat starts a new run
        {{INT_MAX, INT_MIN}, "2147483647,-2147483648"},
        {{INT_MIN, INT_MIN + 1}, "-2147483648~-2147483647"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatNumberList(c.numbers), c.text);

    for (const char* text : {"1~10,12,20~25", "-5~-3,7", "100"})
        EXPECT_EQ(FormatNumberList(ParseNumberList(text, true)), text);
}

TEST(SignupList, AListAtTheCapIsReadAndOneMoreIsRefusedWhole)
{
    const auto reply = [](size_t count) {
        Json::Value in(Json::objectValue);
        in["_o"] = Json::Value(Json::arrayValue);
        for (size_t i = 0; i < count; ++i) {
            Json::Value entry(Json::objectValue);
            entry["4"] = 1;
            entry["6"] = Json::Int(i + 1);
            in["_o"].append(entry);
        }
        return in;
    };
    SignupList list;
    const ReadStatus atCap = list.FromJson(reply(kMaxSignupEntries));
    EXPECT_TRUE(atCap.ok) << atCap.reason;
    EXPECT_EQ(list.size(), kMaxSignupEntries);
    // The grouping of a list this long still ends with one group per chunk.
    EXPECT_EQ(list.BuildGroups().size(), kMaxSignupEntries / 10);

    const ReadStatus over = list.FromJson(reply(kMaxSignupEntries + 1));
    EXPECT_FALSE(over.ok);
    EXPECT_NE(over.reason.find("entries of the list reply"), std::string::npos) << over.reason;
    EXPECT_NE(over.reason.find(std::to_string(kMaxSignupEntries)), std::string::npos) << over.reason;
    EXPECT_TRUE(list.empty());
}
