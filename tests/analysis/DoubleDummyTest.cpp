// The double-dummy tables and par scores of deals whose results are known by
// reasoning, solved through the real solver library.

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

} // namespace

TEST(DoubleDummy, OneSuitPerHandIsSolvedAsReasoned)
{
    const Deal deal = DealOf(kOneSuitEach);
    std::vector<TrickTable> tables;
    std::string error;
    ASSERT_TRUE(SolveTrickTables({&deal}, tables, error)) << error;
    ASSERT_EQ(tables.size(), 1u);
    // Seats N E S W; strains C D H S NT.
    const TrickTable expected{{{0, 13, 0, 13, 0}, {13, 0, 13, 0, 0}, {0, 13, 0, 13, 0}, {13, 0, 13, 0, 0}}};
    EXPECT_EQ(tables[0], expected);
    EXPECT_EQ(TrickTableText(tables[0]), "0d0d0d0d000d0d0d0d00");
}

TEST(DoubleDummy, ManyDealsInOneCallKeepTheirOrder)
{
    // More deals than one call of the library takes, alternating the deal
    // above with the same deal turned a quarter (East then holds the
    // spades): the answers must come back in the order asked.
    const Deal plain = DealOf(kOneSuitEach);
    const Deal turned = DealOf("E:AKQJT98765432... .AKQJT98765432.. ..AKQJT98765432. ...AKQJT98765432");
    std::vector<const Deal*> deals;
    for (int i = 0; i < 45; ++i)
        deals.push_back(i % 3 == 2 ? &turned : &plain);
    std::vector<TrickTable> tables;
    std::string error;
    ASSERT_TRUE(SolveTrickTables(deals, tables, error)) << error;
    ASSERT_EQ(tables.size(), deals.size());
    for (size_t i = 0; i < deals.size(); ++i) {
        SCOPED_TRACE(i);
        const int32_t spadeHolder = i % 3 == 2 ? kSeatEast : kSeatNorth;
        EXPECT_EQ(tables[i][size_t(spadeHolder)][kSuitSpades], 13);
        EXPECT_EQ(tables[i][size_t((spadeHolder + 1) % 4)][kSuitSpades], 0);
    }
}

TEST(DoubleDummy, ParFollowsDealerAndVulnerability)
{
    // North-South make seven spades, East-West seven hearts; spades outrank
    // hearts, and seven no trump doubled by East-West would go down thirteen.
    const TrickTable table{{{0, 13, 0, 13, 0}, {13, 0, 13, 0, 0}, {0, 13, 0, 13, 0}, {13, 0, 13, 0, 0}}};
    struct Case {
        int32_t dealer;
        int32_t vulnerability;
        int32_t score;
    };
    for (const Case& c : {Case{kSeatNorth, kVulNone, 1510}, Case{kSeatEast, kVulNone, 1510},
                          Case{kSeatWest, kVulBoth, 2210}, Case{kSeatSouth, kVulNorthSouth, 2210}}) {
        SCOPED_TRACE(std::to_string(c.dealer) + "/" + std::to_string(c.vulnerability));
        ParResult par;
        std::string error;
        ASSERT_TRUE(ComputePar(table, c.dealer, c.vulnerability, par, error)) << error;
        EXPECT_EQ(par.score, c.score);
        ASSERT_FALSE(par.contracts.empty());
        EXPECT_EQ(par.contracts[0], "7S NS");
    }
    // Nobody can make anything: passed out.
    TrickTable nothing{};
    for (auto& seat : nothing)
        seat.fill(6);
    ParResult par;
    std::string error;
    ASSERT_TRUE(ComputePar(nothing, kSeatNorth, kVulNone, par, error)) << error;
    EXPECT_EQ(par.score, 0);
    EXPECT_TRUE(par.contracts.empty());
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
