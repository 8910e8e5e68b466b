#include "tournament/Deals.h"

#include "foundation/NumericJson.h"
#include "tournament/BridgeBasics.h"

#include <gtest/gtest.h>

namespace {

// Card codes written out independently of the code under test.
std::string Cards(int suit, const std::string& ranks)
{
    static const std::string order = "23456789TJQKA";
    std::string codes;
    for (char r : ranks)
        codes += char('0' + 13 * suit + int(order.find(r)));
    return codes;
}

const char* const kNorthHands[4] = {"KT7.AK74.KQ984.T", "Q94.JT93.A6.J743", "8652.82.753.Q952", "AJ3.Q65.JT2.AK86"};

std::string SampleDealText(const std::string& firstSeat)
{
    return firstSeat + ":" + kNorthHands[0] + " " + kNorthHands[1] + " " + kNorthHands[2] + " " + kNorthHands[3];
}

DealList Parse(const std::string& pbn)
{
    DealList deals;
    ParsePbn(pbn, deals);
    return deals;
}

} // namespace

TEST(HandCodes, SuitOrderVoidsCaseAndRejectedCharacters)
{
    const int S = kSuitSpades, H = kSuitHearts, D = kSuitDiamonds, C = kSuitClubs;
    struct Case {
        const char* hand;
        std::string codes;
    };
    const Case cases[] = {
        {"KT7.AK74.KQ984.T", Cards(S, "KT7") + Cards(H, "AK74") + Cards(C, "T") + Cards(D, "KQ984")},
        {"KJT63..KQ9875.84", Cards(S, "KJT63") + Cards(C, "84") + Cards(D, "KQ9875")},
        {".AKQ.JT9.8765432", Cards(H, "AKQ") + Cards(C, "8765432") + Cards(D, "JT9")},
        {"AKQJ.T98.765432.", Cards(S, "AKQJ") + Cards(H, "T98") + Cards(D, "765432")},
        {"akq.jt9.876.5432", Cards(S, "AKQ") + Cards(H, "JT9") + Cards(C, "5432") + Cards(D, "876")},
        {"...", ""},
        {"-", ""},
        // A character that is not a rank rejects the whole hand.
        {"AKX.JT9.876.5432", ""},
        {"AK 2.JT9.876.543", ""},
        {"A1.JT9.876.5432", ""},
        {"AK.Q\xff.J.T", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HandCodes(c.hand), c.codes) << c.hand;
}

TEST(Deals, IsValidDealNeedsFiftyTwoDistinctCards)
{
    std::string all;
    for (char c = '0'; c <= 'c'; ++c)
        all += c;
    struct Case {
        const char* name;
        std::string deal;
        bool valid;
    };
    const Case cases[] = {
        {"every card in order", all, true},
        {"every card in reverse", std::string(all.rbegin(), all.rend()), true},
        {"51 cards", all.substr(0, 51), false},
        {"53 cards", all + "0", false},
        {"the club two twice", "0" + all.substr(0, 51), false},
        {"one above the spade ace", all.substr(0, 51) + "d", false},
        {"one below the club two", all.substr(0, 51) + "/", false},
        {"a byte far outside the cards", all.substr(0, 51) + "\xff", false},
        {"empty", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsValidDeal(c.deal), c.valid) << c.name;
}

TEST(ParsePbn, GivesTheHandsToSeatsClockwiseFromTheFirstSeat)
{
    struct Case {
        std::string prefix;
        int32_t firstSeat;
    };
    const Case cases[] = {
        {"N", kSeatNorth}, {"E", kSeatEast}, {"S", kSeatSouth}, {"W", kSeatWest},
        {"X", kSeatNorth}, {"", kSeatNorth}, {"NE", kSeatNorth},
    };
    for (const Case& c : cases) {
        const DealList deals = Parse("[Board \"1\"]\n[Deal \"" + SampleDealText(c.prefix) + "\"]\n");
        ASSERT_EQ(deals.size(), 1u) << c.prefix;
        EXPECT_EQ(deals[0].GetBoard(), 1);
        for (int32_t i = 0; i < 4; ++i)
            EXPECT_EQ(deals[0].Hand((c.firstSeat + i) % 4), HandCodes(kNorthHands[i])) << c.prefix << " hand " << i;
    }

    // The first thirteen codes are North's, spades, hearts, clubs, diamonds.
    const DealList north = Parse("[Board \"1\"]\r\n[Deal \"" + SampleDealText("N") + "\"]\r\n");
    ASSERT_EQ(north.size(), 1u);
    EXPECT_EQ(north[0].GetDeal().substr(0, 13),
              Cards(kSuitSpades, "KT7") + Cards(kSuitHearts, "AK74") + Cards(kSuitClubs, "T")
                  + Cards(kSuitDiamonds, "KQ984"));

    // A void in the second hand, dealt from East.
    const DealList east =
        Parse("[Board \"2\"]\n[Deal \"E:94.AQ8.JT2.QJT72 KJT63..KQ9875.84 AQ8.KJT9.A6.AK96 752.765432.43.53\"]");
    ASSERT_EQ(east.size(), 1u);
    EXPECT_EQ(east[0].Hand(kSeatEast), HandCodes("94.AQ8.JT2.QJT72"));
    EXPECT_EQ(east[0].Hand(kSeatSouth), HandCodes("KJT63..KQ9875.84"));
    EXPECT_EQ(SuitCards(east[0].Hand(kSeatSouth), kSuitHearts), "");
    EXPECT_EQ(east[0].Hand(kSeatNorth), HandCodes("752.765432.43.53"));
}

TEST(ParsePbn, PairsBoardAndDealLinesAndDropsWhatIsNotADeal)
{
    const std::string deal = "[Deal \"" + SampleDealText("N") + "\"]";
    const std::string lower = "[Deal \"N:kt7.ak74.kq984.t q94.jt93.a6.j743 8652.82.753.q952 aj3.q65.jt2.ak86\"]";
    struct Case {
        const char* name;
        std::string pbn;
        std::vector<int32_t> boards;
    };
    const Case cases[] = {
        {"deal before board", deal + "\n[Event \"x\"]\n[Board \"4\"]", {4}},
        {"two board lines", "[Board \"3\"]\n[Board \"5\"]\n" + deal, {5}},
        {"tags ignore case", "[BOARD \" 7\"]\n[deal" + deal.substr(5), {7}},
        {"lower case hands", "[Board \"8\"]\n" + lower, {8}},
        {"cr line ends", "[Board \"9\"]\r" + deal + "\r", {9}},
        {"letter o is dropped from board lines", "[Board \"1o2\"]\n" + deal, {12}},
        {"two boards", "[Board \"1\"]\n" + deal + "\n\n[Board \"2\"]\n" + deal, {1, 2}},
        {"board 0", "[Board \"0\"]\n" + deal, {}},
        {"negative board", "[Board \"-3\"]\n" + deal, {}},
        {"board without number", "[Board \"\"]\n" + deal, {}},
        {"short deal", "[Board \"1\"]\n[Deal \"N:AKQ.JT9.876.5432 - - -\"]", {}},
        {"unknown hand", "[Board \"1\"]\n[Deal \"N:- Q94.JT93.A6.J743 8652.82.753.Q952 AJ3.Q65.JT2.AK86\"]", {}},
        {"repeated card",
         "[Board \"1\"]\n[Deal \"N:KT7.AK74.KQ984.T KT7.AK74.KQ984.T 8652.82.753.Q952 AJ3.Q65.JT2.AK86\"]", {}},
        {"not a rank",
         "[Board \"1\"]\n[Deal \"N:KT7.AK74.KQ984.X Q94.JT93.A6.J743 8652.82.753.Q952 AJ3.Q65.JT2.AK86\"]", {}},
        {"no colon", "[Board \"1\"]\n[Deal \"KT7.AK74.KQ984.T Q94.JT93.A6.J743 8652.82.753.Q952 AJ3.Q65.JT2.AK86\"]",
         {}},
        {"no bracket", "Board \"1\"\n" + deal, {}},
        {"empty", "", {}},
    };
    for (const Case& c : cases) {
        const DealList deals = Parse(c.pbn);
        std::vector<int32_t> boards;
        for (const Deal& d : deals) {
            boards.push_back(d.GetBoard());
            EXPECT_TRUE(IsValidDeal(d.GetDeal())) << c.name;
        }
        EXPECT_EQ(boards, c.boards) << c.name;
    }

    // A board that was dropped does not leak into the next one.
    const DealList after = Parse("[Board \"1\"]\n[Deal \"N:KT7.AK74.KQ984.T KT7.AK74.KQ984.T 8652.82.753.Q952 "
                                 "AJ3.Q65.JT2.AK86\"]\n[Board \"2\"]\n[Board \"3\"]\n" +
                                 deal);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].GetBoard(), 3);

    // Parsing clears the list first.
    DealList deals = Parse("[Board \"1\"]\n" + deal);
    ParsePbn("", deals);
    EXPECT_TRUE(deals.empty());
}

TEST(Deals, HandMeasuresAndRankLetters)
{
    const DealList deals = Parse("[Board \"1\"]\n[Deal \"" + SampleDealText("N") + "\"]");
    ASSERT_EQ(deals.size(), 1u);
    const Deal& d = deals[0];
    const int32_t points[4] = {15, 8, 2, 15};
    const int32_t longest[4] = {5, 4, 4, 4};
    for (int32_t p = 0; p < 4; ++p) {
        EXPECT_EQ(d.HighCardPoints(p), points[p]) << p;
        EXPECT_EQ(d.LongestSuit(p), longest[p]) << p;
    }
    for (int32_t p : {-1, 4}) {
        EXPECT_EQ(d.HighCardPoints(p), 0);
        EXPECT_EQ(d.LongestSuit(p), 0);
    }

    Deal ten;
    ten.SetHands(HandCodes("AKQJ.65432.5432."), HandCodes("T987.AKQJT.T98.K"), HandCodes("65432.987.AKQJ7."),
                 HandCodes("..6.AQJT98765432"));
    ASSERT_TRUE(IsValidDeal(ten.GetDeal()));
    EXPECT_EQ(ten.HighCardPoints(0), 10);
    EXPECT_EQ(ten.LongestSuit(0), 5);

    // Bytes that are not cards count as twos.
    Deal odd;
    odd.SetDeal(std::string(13, '\xff') + "cba");
    EXPECT_EQ(odd.HighCardPoints(0), 0);
    EXPECT_EQ(odd.HighCardPoints(1), 4 + 3 + 2);
    EXPECT_EQ(odd.HighCardPoints(2), 0);
    EXPECT_EQ(Deal().LongestSuit(0), 0);

    EXPECT_EQ(RankLetters(HandCodes("AKQJT98765432...")), "AKQJT98765432");
    EXPECT_EQ(RankLetters(std::string("/d\xff") + Cards(kSuitClubs, "T")), "222T");
}

TEST(Deals, SetHandsAndTrickTextsChangeNothingOnWrongLengths)
{
    Deal d;
    const std::string hands[4] = {HandCodes(kNorthHands[0]), HandCodes(kNorthHands[1]), HandCodes(kNorthHands[2]),
                                  HandCodes(kNorthHands[3])};
    d.SetHands(hands[0], hands[1], hands[2], hands[3]);
    const std::string full = d.GetDeal();
    EXPECT_EQ(full, hands[0] + hands[1] + hands[2] + hands[3]);
    d.SetHands(hands[0].substr(1), hands[1], hands[2], hands[3]);
    d.SetHands(hands[0], hands[1], hands[2], "");
    EXPECT_EQ(d.GetDeal(), full);

    EXPECT_EQ(d.GetTrickTexts(), "");
    d.SetTrickTexts("0123456789abcdefghij");
    EXPECT_EQ(d.TrickText(kSeatNorth), "01234");
    EXPECT_EQ(d.TrickText(kSeatWest), "fghij");
    EXPECT_EQ(d.TrickText(4), "");
    for (const char* wrong : {"", "0123456789abcdefghi", "0123456789abcdefghijk"})
        d.SetTrickTexts(wrong);
    EXPECT_EQ(d.GetTrickTexts(), "0123456789abcdefghij");
}

TEST(DealList, JsonKeepsBoardsDealsAndTrickTexts)
{
    const DealList parsed = Parse("[Board \"1\"]\n[Deal \"" + SampleDealText("N") + "\"]\n[Board \"2\"]\n[Deal \"" +
                                  SampleDealText("E") + "\"]");
    ASSERT_EQ(parsed.size(), 2u);
    DealList deals = parsed;
    deals[0].SetTrickTexts("76546657656545675656");
    deals.push_back(Deal()); // an empty record writes as {}

    Json::Value array;
    deals.ToJson(array);
    ASSERT_TRUE(array.isArray());
    ASSERT_EQ(array.size(), 3u);
    EXPECT_EQ(array[0]["1"].asInt(), 1);
    EXPECT_EQ(array[0]["3"].asString(), "76546657656545675656");
    EXPECT_FALSE(array[1].isMember("3"));
    EXPECT_EQ(NumericJson::WriteCompact(array[2]), "{}");

    DealList back;
    back.FromJson(array);
    ASSERT_EQ(back.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back[i].GetBoard(), deals[i].GetBoard());
        EXPECT_EQ(back[i].GetDeal(), deals[i].GetDeal());
        EXPECT_EQ(back[i].GetTrickTexts(), deals[i].GetTrickTexts());
    }
    EXPECT_EQ(back.FindBoard(2), &back[1]);
    EXPECT_EQ(back.FindBoard(7), nullptr);

    // Missing, null and wrongly typed members; a deal text that is not a
    // complete deal reads as an unknown deal, the board is kept.
    Json::Value hostile;
    ASSERT_TRUE(NumericJson::Parse(
        R"([{"1":"5","2":52,"3":12345678901234567890},null,{"1":6,"2":"0123","3":"0123456789abcdefghij"},
            {"1":7,"2":"0000000000000000000000000000000000000000000000000000"},7,[{"1":8}]])",
        hostile));
    back.FromJson(hostile);
    ASSERT_EQ(back.size(), 6u);
    for (const Deal& d : back)
        EXPECT_EQ(d.GetDeal(), "");
    EXPECT_EQ(back[0].GetBoard(), 0);
    EXPECT_EQ(back[2].GetBoard(), 6);
    EXPECT_EQ(back[2].GetTrickTexts(), "0123456789abcdefghij");
    EXPECT_EQ(back[3].GetBoard(), 7);

    for (const char* notArray : {R"({"0":{"1":1}})", "null", R"("deals")", "3"}) {
        Json::Value v;
        ASSERT_TRUE(NumericJson::Parse(notArray, v));
        back.FromJson(v);
        EXPECT_TRUE(back.empty()) << notArray;
    }
}

TEST(DealList, AtMostTheCapOfDealsIsReadAndOneMoreIsRefusedWhole)
{
    Json::Value in(Json::arrayValue);
    for (size_t i = 0; i < kMaxDeals; ++i) {
        Json::Value element(Json::objectValue);
        element["1"] = Json::Int(i + 1);
        in.append(element);
    }
    DealList deals;
    EXPECT_TRUE(deals.FromJson(in).ok);
    EXPECT_EQ(deals.size(), kMaxDeals);
    in.append(Json::Value(Json::objectValue));
    const ReadStatus over = deals.FromJson(in);
    EXPECT_FALSE(over.ok);
    EXPECT_NE(over.reason.find("deals"), std::string::npos) << over.reason;
    EXPECT_NE(over.reason.find(std::to_string(kMaxDeals)), std::string::npos) << over.reason;
    EXPECT_TRUE(deals.empty());
}
