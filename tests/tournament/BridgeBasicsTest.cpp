#include "tournament/BridgeBasics.h"

#include <gtest/gtest.h>

#include <climits>

TEST(BridgeBasics, SeatSuitAndVulnerabilityTexts)
{
    struct SeatCase {
        int32_t seat;
        const char* letter;
        const char* chinese;
        const char* english;
    };
    const SeatCase seats[] = {
        {0, "N", "北", "North"},         {1, "E", "东", "East"},
        {2, "S", "南", "South"},         {3, "W", "西", "West"},
        {-1, "seat err", "seat err", "seat err"}, {4, "seat err", "seat err", "seat err"},
        {INT_MIN, "seat err", "seat err", "seat err"},
    };
    for (const SeatCase& c : seats) {
        EXPECT_EQ(SeatLetter(c.seat), c.letter) << c.seat;
        EXPECT_EQ(SeatWord(c.seat, kLangChinese), c.chinese) << c.seat;
        EXPECT_EQ(SeatWord(c.seat, kLangEnglish), c.english) << c.seat;
    }

    struct SuitCase {
        int32_t suit;
        const char* symbol;
        const char* letter;
    };
    const SuitCase suits[] = {
        {0, "♣", "C"}, {1, "♦", "D"}, {2, "♥", "H"}, {3, "♠", "S"}, {4, "NT", "NT"},
        {5, "err suitID", "err suitID"}, {-1, "err suitID", "err suitID"},
    };
    for (const SuitCase& c : suits) {
        EXPECT_EQ(SuitText(c.suit, true), c.symbol) << c.suit;
        EXPECT_EQ(SuitText(c.suit, false), c.letter) << c.suit;
    }

    struct VulCase {
        int32_t vul;
        const char* chinese;
        const char* english;
    };
    const VulCase vuls[] = {
        {0, " 双无", "None"}, {1, "南北", "N-S"}, {2, "东西", "E-W"}, {3, "双有", "Both"},
        {4, "err vul", "err vul"}, {-1, "err vul", "err vul"},
    };
    for (const VulCase& c : vuls) {
        EXPECT_EQ(VulText(c.vul, kLangChinese), c.chinese) << c.vul;
        EXPECT_EQ(VulText(c.vul, kLangEnglish), c.english) << c.vul;
    }
}

TEST(BridgeBasics, VulnerabilityCycles)
{
    const int32_t N = kVulNone, NS = kVulNorthSouth, EW = kVulEastWest, B = kVulBoth;
    // The standard cycle for boards 1 ... 16.
    const int32_t standard[16] = {N, NS, EW, B, NS, EW, B, N, EW, B, N, NS, B, N, NS, EW};
    for (int32_t board = 1; board <= 16; ++board) {
        EXPECT_EQ(BoardVulnerability(board, 0), standard[board - 1]) << board;
        EXPECT_EQ(BoardVulnerability(board + 16, 0), standard[board - 1]) << board + 16;
        EXPECT_EQ(BoardVulnerability(board, 2), N) << board;
        EXPECT_EQ(BoardVulnerability(board, 7), N) << board;
    }

    struct Case {
        int32_t board;
        int32_t eventKind;
        int32_t vul;
    };
    const Case cases[] = {
        {0, 0, EW},  {-16, 0, EW}, {-3, 0, N},  {-17, 0, N},  {INT_MIN, 0, EW}, {INT_MAX, 0, NS},
        {16, 3, EW}, {1, -1, N},   {4, 99, B},
        // The four-board cycle; negative remainders count as nobody.
        {1, 1, N},   {2, 1, EW},   {3, 1, NS},  {4, 1, B},    {0, 1, B},   {5, 1, N},
        {-1, 1, N},  {-2, 1, N},   {-4, 1, B},  {INT_MIN, 1, B},
        {4, 7, N},   {4, 2, N},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BoardVulnerability(c.board, c.eventKind), c.vul) << c.board << " kind " << c.eventKind;
}

TEST(BridgeBasics, DealerFollowsTheBoardNumber)
{
    const std::pair<int32_t, int32_t> cases[] = {
        {1, kSeatNorth}, {2, kSeatEast}, {3, kSeatSouth}, {4, kSeatWest}, {5, kSeatNorth},
        {16, kSeatWest}, {17, kSeatNorth}, {0, kSeatNone}, {-1, kSeatNone}, {INT_MIN, kSeatNone},
        {INT_MAX, kSeatSouth},
    };
    for (const auto& [board, dealer] : cases)
        EXPECT_EQ(BoardDealer(board), dealer) << board;
}

TEST(BridgeBasics, SuitCardsKeepsTheHandOrderAndSkipsNonCards)
{
    // '/' is just below the club two and 'd' just above the spade ace.
    const std::string hand = std::string("c") + "0" + "/" + "d" + "b" + "C" + "\xff" + "1" + "J";
    EXPECT_EQ(SuitCards(hand, kSuitSpades), "cb");
    EXPECT_EQ(SuitCards(hand, kSuitClubs), "01");
    EXPECT_EQ(SuitCards(hand, kSuitHearts), "J");
    EXPECT_EQ(SuitCards(hand, kSuitDiamonds), "C");
    EXPECT_EQ(SuitCards("", kSuitSpades), "");
    EXPECT_EQ(SuitCards(hand, -1), ""); // the non-cards belong to no suit
    EXPECT_EQ(SuitCards(hand, kStrainNoTrump), "");

    EXPECT_EQ(CardCode(kSuitClubs, 2), '0');
    EXPECT_EQ(CardCode(kSuitSpades, 14), 'c');
    EXPECT_EQ(CardSuit('c'), kSuitSpades);
    EXPECT_EQ(CardRank('c'), 14);
    EXPECT_EQ(CardRank('d'), 0);
    EXPECT_EQ(CardSuit('/'), -1);
}
