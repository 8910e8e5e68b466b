// The double-dummy tables and par scores of deals whose results are known by
// reasoning, solved through the real solver library in its child process.

#include "analysis/DoubleDummy.h"

#include "tournament/BridgeBasics.h"
#include "tournament/HandRecords.h"

#include <gtest/gtest.h>

namespace {

Deal DealOf(const std::string& pbnDeal, int32_t board = 1)
{
    HandRecordFile file;
    std::string error;
    EXPECT_TRUE(ReadHandRecords("[Board \"" + std::to_string(board) + "\"]\n[Deal \"" + pbnDeal + "\"]\n", "t", file,
                                error))
        << error;
    return file.boards.empty() ? Deal() : file.boards[0].deal;
}

// North holds every spade, East every heart, South every diamond, West every
// club. A side whose hand holds the trump suit ruffs everything and takes all
// thirteen tricks; in no trump, or with the opponents' suit as trumps, the
// defender on lead (or his partner) runs his own suit and declarer takes none.
const char* const kOneSuitEach = "N:AKQJT98765432... .AKQJT98765432.. ..AKQJT98765432. ...AKQJT98765432";

// Seats N E S W; strains C D H S NT.
const TrickTable kOneSuitEachTable{{{0, 13, 0, 13, 0}, {13, 0, 13, 0, 0}, {0, 13, 0, 13, 0}, {13, 0, 13, 0, 0}}};

} // namespace

TEST(DoubleDummy, OneSuitPerHandIsSolvedAsReasoned)
{
    const Deal deal = DealOf(kOneSuitEach);
    std::vector<DealAnalysis> results;
    std::string error;
    ASSERT_TRUE(AnalyseDeals({{&deal, kSeatNorth, kVulNone, ""}}, results, error)) << error;
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].tricks, kOneSuitEachTable);
    EXPECT_EQ(TrickTableText(results[0].tricks), "0d0d0d0d000d0d0d0d00");
}

TEST(DoubleDummy, ManyDealsInOneCallKeepTheirOrder)
{
    // More deals than one call of the library takes: every third deal is the
    // deal above turned a quarter (East then holds the spades), the others
    // the deal as it is, and the answers must come back in the order asked.
    // Every fifth deal brings its own (made-up) table, which must come back
    // as given, not solved.
    const Deal plain = DealOf(kOneSuitEach);
    const Deal turned = DealOf("E:AKQJT98765432... .AKQJT98765432.. ..AKQJT98765432. ...AKQJT98765432");
    std::vector<DealToAnalyse> deals;
    for (int i = 0; i < 45; ++i)
        deals.push_back({i % 3 == 2 ? &turned : &plain, kSeatNorth, kVulNone, i % 5 == 4 ? "12345123451234512345" : ""});
    std::vector<DealAnalysis> results;
    std::string error;
    ASSERT_TRUE(AnalyseDeals(deals, results, error)) << error;
    ASSERT_EQ(results.size(), deals.size());
    for (size_t i = 0; i < deals.size(); ++i) {
        SCOPED_TRACE(i);
        if (i % 5 == 4) {
            EXPECT_EQ(TrickTableText(results[i].tricks), "12345123451234512345");
            continue;
        }
        const int32_t spadeHolder = i % 3 == 2 ? kSeatEast : kSeatNorth;
        EXPECT_EQ(results[i].tricks[size_t(spadeHolder)][kSuitSpades], 13);
        EXPECT_EQ(results[i].tricks[size_t((spadeHolder + 1) % 4)][kSuitSpades], 0);
    }
}

TEST(DoubleDummy, ParFollowsDealerAndVulnerability)
{
    // North-South make seven spades, East-West seven hearts; spades outrank
    // hearts, and seven no trump doubled by East-West would go down thirteen.
    const Deal deal = DealOf(kOneSuitEach);
    const struct Case {
        int32_t dealer;
        int32_t vulnerability;
        const char* known;
        int32_t score;
        std::vector<std::string> contracts;
    } cases[] = {
        {kSeatNorth, kVulNone, "", 1510, {"7S NS"}},
        {kSeatEast, kVulNone, "", 1510, {"7S NS"}},
        {kSeatWest, kVulBoth, "", 2210, {"7S NS"}},
        {kSeatSouth, kVulNorthSouth, "", 2210, {"7S NS"}},
        // Nobody can make anything (a table as a file may state it): passed out.
        {kSeatNorth, kVulNone, "66666666666666666666", 0, {}},
    };
    std::vector<DealToAnalyse> deals;
    for (const Case& c : cases)
        deals.push_back({&deal, c.dealer, c.vulnerability, c.known});
    std::vector<DealAnalysis> results;
    std::string error;
    ASSERT_TRUE(AnalyseDeals(deals, results, error)) << error;
    ASSERT_EQ(results.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(results[i].par.score, cases[i].score);
        EXPECT_EQ(results[i].par.contracts, cases[i].contracts);
    }
}

TEST(DoubleDummy, TrickTextsReadBack)
{
    TrickTable table;
    ASSERT_TRUE(TrickTableFromText("0d0d0d0d000d0d0d0d00", table));
    EXPECT_EQ(table[1][0], 13);
    EXPECT_EQ(TrickTableText(table), "0d0d0d0d000d0d0d0d00");
    EXPECT_FALSE(TrickTableFromText("0d0d0d0d000d0d0d0d0", table));
    EXPECT_FALSE(TrickTableFromText("0d0d0d0d000d0d0d0de0", table));
}
