// Every tournament reader over every value of the hostile fixture: nothing
// may crash, throw or grow without bound, and the fixed cases read as the
// conventions say.

#include "HostileFixture.h"

#include "tournament/Bids.h"
#include "tournament/Deals.h"
#include "tournament/NumberText.h"
#include "tournament/SignupList.h"

#include <gtest/gtest.h>

namespace {

void ReadSignupList(const Json::Value& value)
{
    SignupList list;
    list.FromJson(value);
    list.Sort();
    for (const SignupEntry& e : list)
        EXPECT_FALSE(e.Label().empty());
    for (const SignupGroup& g : list.BuildGroups())
        EXPECT_LE(list.SelectGroup(g.sectionId, g.numbersText).size(), list.size());
    list.UnprintedEntries();
    Json::Value out;
    list.ToJson(out);
    list.EntryAt(int32_t(list.size()));
}

void ReadDeals(const Json::Value& value)
{
    for (const Json::Value* array : {&value, &NumericJson::ReadArray(value, "85")}) {
        DealList deals;
        deals.FromJson(*array);
        for (const Deal& d : deals) {
            EXPECT_TRUE(d.GetDeal().empty() || IsValidDeal(d.GetDeal()));
            for (int32_t p = -1; p <= 4; ++p) {
                EXPECT_LE(d.HighCardPoints(p), 37);
                EXPECT_LE(d.LongestSuit(p), 13);
            }
            RankLetters(d.GetDeal());
        }
        Json::Value out;
        deals.ToJson(out);
    }
}

void ReadText(const std::string& text)
{
    for (bool unique : {false, true}) {
        const std::vector<int32_t> numbers = ParseNumberList(text, unique);
        EXPECT_LE(numbers.size(), kMaxNumberListLength) << text;
        FormatNumberList(numbers);
    }
    LeadingInt(text);
    DealList deals;
    ParsePbn(text, deals);
    for (const Deal& d : deals)
        EXPECT_TRUE(IsValidDeal(d.GetDeal())) << text;
    const std::string codes = HandCodes(text);
    EXPECT_TRUE(codes.empty() || codes.size() <= text.size()) << text;
    const Auction auction = AuctionFromText(text);
    EXPECT_EQ(auction.size(), text.size() / 2);
    EXPECT_EQ(AuctionToText(auction).size(), auction.size() * 2);
    for (const Bid& bid : PaddedAuction(auction, 3))
        BidText(bid.GetCode());
}

} // namespace

TEST(HostileJson, EveryTournamentReaderSurvivesEveryValue)
{
    const Json::Value root = hostile::Load();
    ASSERT_TRUE(root.isObject());
    size_t visited = 0;
    hostile::ForEachValue(root, [&](const Json::Value& value) {
        ++visited;
        ReadSignupList(value);
        ReadDeals(value);
        if (value.isString())
            ReadText(value.asString());
    });
    EXPECT_GT(visited, 100u);

    // A text nested deeper than the parser allows fails to parse; whatever
    // was read before the failure is still safe to hand to the readers.
    Json::Value partial;
    EXPECT_FALSE(NumericJson::Parse(std::string(100000, '[') + std::string(100000, ']'), partial));
    ReadSignupList(partial);
    ReadDeals(partial);
}

TEST(HostileJson, SignupCasesReadAsTheConventionsSay)
{
    const Json::Value root = hostile::Load();
    SignupList list;
    list.FromJson(root["signupListIsObject"]);
    EXPECT_TRUE(list.empty());
    list.FromJson(root["signupListIsText"]);
    EXPECT_TRUE(list.empty());

    list.FromJson(root["signupWrongTypes"]);
    ASSERT_EQ(list.size(), 9u); // every element, objects or not, is one entry
    EXPECT_EQ(list[0].Label(), "0 ()");
    EXPECT_FALSE(list[0].GetIsPair() || list[0].GetPrinted());
    EXPECT_EQ(list[6].Label(), "EW2147483648.T (S)");
    EXPECT_TRUE(list[7].GetIsPair()); // 4294967295 is an integer above 0
    EXPECT_FALSE(list[7].GetPrinted());
    EXPECT_EQ(list[8].GetSectionId(), 0); // 5000000000 does not fit
    EXPECT_FALSE(list[8].GetIsPair() || list[8].GetPrinted());

    for (const Json::Value& text : root["numberTexts"])
        EXPECT_LE(ParseNumberList(text.asString(), false).size(), kMaxNumberListLength);
}
