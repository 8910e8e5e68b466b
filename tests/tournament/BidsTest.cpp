#include "tournament/Bids.h"

#include "tournament/TimeText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <limits>

namespace {

Auction Calls(std::initializer_list<uint8_t> codes)
{
    Auction auction;
    for (uint8_t code : codes) {
        Bid bid;
        bid.SetCode(code);
        auction.push_back(bid);
    }
    return auction;
}

std::vector<int> Codes(const Auction& auction)
{
    std::vector<int> codes;
    for (const Bid& bid : auction)
        codes.push_back(bid.GetCode());
    return codes;
}

} // namespace

TEST(Bids, BidTexts)
{
    struct Case {
        uint8_t code;
        const char* text;
    };
    const Case cases[] = {
        {32, "1C"},  {33, "1D"},   {34, "1H"}, {35, "1S"}, {36, "1NT"}, {46, "3NT"}, {66, "7NT"},
        {67, "Pass"}, {68, "X"},   {69, "XX"},
        {70, "取消"}, {71, "TD取消"}, // Chinese in every language
        // Outside the table the level is still computed and the strain is
        // invalid.
        {0, "-5err suitID"}, {31, "1err suitID"}, {72, "9err suitID"}, {255, "45err suitID"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BidText(c.code), c.text) << int(c.code);
}

TEST(Bids, AuctionTextCarriesTheMarks)
{
    const int64_t before = CurrentTime();
    const Auction auction = AuctionFromText("C D+E*F!");
    const int64_t after = CurrentTime();
    ASSERT_EQ(Codes(auction), (std::vector<int>{'C', 'D', 'E', 'F'}));
    const bool bang[4] = {false, true, false, true};
    const bool star[4] = {false, true, true, false};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(auction[i].GetBangFlag(), bang[i]) << i;
        EXPECT_EQ(auction[i].GetStarFlag(), star[i]) << i;
        EXPECT_GE(auction[i].GetTime(), before);
        EXPECT_LE(auction[i].GetTime(), after);
    }
    EXPECT_EQ(AuctionToText(auction), "C D+E*F!");
    EXPECT_EQ(AuctionToText(AuctionFromText("C D+")), "C D+");

    // An incomplete last pair is ignored; an empty text gives no calls.
    EXPECT_EQ(Codes(AuctionFromText("C D")), (std::vector<int>{'C'}));
    EXPECT_TRUE(AuctionFromText("C").empty());
    EXPECT_TRUE(AuctionFromText("").empty());
    // Any byte is a code and any byte a mark; nothing is rejected.
    const Auction odd = AuctionFromText(std::string("\xff\xff\x01\x01", 4));
    ASSERT_EQ(odd.size(), 2u);
    EXPECT_EQ(odd[0].GetCode(), 255);
    EXPECT_TRUE(odd[0].GetStarFlag());
    EXPECT_FALSE(odd[1].GetBangFlag() || odd[1].GetStarFlag());
}

TEST(Bids, PaddingPutsTheFirstCallInTheDealersColumn)
{
    const Auction passOneNt = Calls({67, 36});
    struct Case {
        int32_t board;
        size_t empties;
    };
    // Columns West, North, East, South.
    const Case cases[] = {
        {1, 1}, {2, 2}, {3, 3}, {4, 0}, {5, 1}, {8, 0}, {16, 0}, {17, 1},
        {0, 0}, {-1, 0}, {INT_MIN, 0}, {INT_MAX, 3},
    };
    for (const Case& c : cases) {
        const Auction padded = PaddedAuction(passOneNt, c.board);
        ASSERT_EQ(padded.size(), c.empties + 2) << c.board;
        for (size_t i = 0; i < c.empties; ++i) {
            EXPECT_EQ(padded[i].GetCode(), kBidEmpty);
            EXPECT_FALSE(padded[i].GetBangFlag() || padded[i].GetStarFlag());
        }
        EXPECT_EQ(padded[c.empties].GetCode(), 67);
        EXPECT_EQ(padded[c.empties + 1].GetCode(), 36);
        EXPECT_EQ(AuctionRowCount(passOneNt, c.board), int32_t((c.empties + 2 + 3) / 4)) << c.board;
    }
    EXPECT_EQ(AuctionRowCount(passOneNt, 3), 2);
    EXPECT_EQ(AuctionRowCount(passOneNt, 8), 1);
    EXPECT_EQ(AuctionRowCount(Calls({67, 67, 67}), 2), 2);
    EXPECT_EQ(AuctionRowCount(Calls({67, 67, 67, 67}), 4), 1);
    EXPECT_EQ(AuctionRowCount({}, 3), 0);
    EXPECT_EQ(PaddedAuction({}, 3).size(), 3u);

    // Padding keeps the marks of the calls.
    const Auction marked = PaddedAuction(AuctionFromText("D+"), 2);
    ASSERT_EQ(marked.size(), 3u);
    EXPECT_TRUE(marked[2].GetBangFlag() && marked[2].GetStarFlag());
}

TEST(TimeText, FormatsLocalTimeToTheMinute)
{
    const char* saved = std::getenv("TZ");
    const std::string savedTz = saved ? saved : "";
    struct Case {
        const char* tz;
        int64_t t;
        const char* text;
    };
    const Case cases[] = {
        {"UTC0", 1709993130, "2024-03-09 14:05"},
        {"CST-8", 1709964330, "2024-03-09 14:05"}, // eight hours east of UTC
        {"UTC0", 0, "1970-01-01 00:00"},
        {"UTC0", -1, "1969-12-31 23:59"},
        {"UTC0", std::numeric_limits<int64_t>::max(), ""},
        {"UTC0", std::numeric_limits<int64_t>::min(), ""},
    };
    for (const Case& c : cases) {
        setenv("TZ", c.tz, 1);
        tzset();
        EXPECT_EQ(FormatLocalTime(c.t), c.text) << c.tz << " " << c.t;
    }
    if (saved)
        setenv("TZ", savedTz.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();

    const int64_t now = CurrentTime();
    EXPECT_LE(std::abs(now - int64_t(std::time(nullptr))), 1);
}
