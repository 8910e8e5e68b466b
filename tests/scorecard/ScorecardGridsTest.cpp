#include "scorecard/ScorecardGrids.h"

#include "foundation/NumericJson.h"

#include <gtest/gtest.h>

#include <numeric>

using Cell = Grid::Cell;
using Row = Grid::Row;

namespace {

TeamScorecard TeamFrom(const std::string& json)
{
    Json::Value v;
    EXPECT_TRUE(NumericJson::Parse(json, v)) << json;
    TeamScorecard data;
    data.FromJson(v);
    return data;
}

// The first board of the built-in sample: open room North 2NTX one down for
// -100, closed room East 3S+1 for -170, difference 70, two IMPs home.
const char* kOneBoard = R"({"1":"3.Home","2":"8.Away","31":"IMP,23,28;VP,7.67,12.33","_L":[
    {"1":1,"3":" ","5":{"3":"2NTX","7":"-1","9":-100},"6":{"1":1,"3":"3S","7":"+1","9":-170},"7":70,"8":"2"}]})";

struct CellExpect {
    std::string text;
    int32_t colour;
    int32_t borders;
};

void ExpectCells(const Row& row, const std::vector<CellExpect>& expected)
{
    ASSERT_EQ(row.Cells().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("cell " + std::to_string(i + 1));
        const Cell& c = row.Cells()[i];
        EXPECT_EQ(c.GetText(), expected[i].text);
        EXPECT_EQ(c.GetColourIndex(), expected[i].colour);
        EXPECT_EQ(c.GetBorderFlags(), expected[i].borders);
    }
}

} // namespace

TEST(TeamScorecardGrid, HeadingRowsSpanTheRoomsAndFollowTheSeating)
{
    const ScorecardGrid g = BuildTeamScorecardGrid(TeamFrom(kOneBoard), "imp", kLangEnglish);
    ASSERT_GE(g.rows.size(), 2u);
    const Row& a = g.rows[0];
    const Row& b = g.rows[1];
    EXPECT_EQ(a.GetKind(), RowKind::Heading);
    EXPECT_EQ(b.GetKind(), RowKind::Heading);

    // Row A is also the column template: 13 columns whose weights add up to 100.
    ASSERT_EQ(g.header.Cells().size(), 13u);
    float sum = 0.0f;
    for (size_t i = 0; i < 13; ++i) {
        EXPECT_FLOAT_EQ(g.header.Cells()[i].GetWidthWeight(), kTeamColumnWeights[i]);
        EXPECT_FLOAT_EQ(b.Cells()[i].GetWidthWeight(), kTeamColumnWeights[i]);
        sum += kTeamColumnWeights[i];
    }
    EXPECT_NEAR(sum, 100.0f, 1e-3f);
    EXPECT_EQ(a.Cells()[0].GetText(), g.header.Cells()[0].GetText());

    const std::vector<int32_t> spans = {0, 4, -1, -1, -1, 4, -1, -1, -1, 2, -1, 2, -1};
    for (size_t i = 0; i < 13; ++i)
        EXPECT_EQ(a.Cells()[i].GetColumnSpan(), spans[i]) << "cell " << i + 1;
    EXPECT_EQ(a.Cells()[0].GetRowSpan(), 2);
    EXPECT_EQ(b.Cells()[0].GetRowSpan(), -1);
    EXPECT_EQ(a.Cells()[0].GetText(), "No.");
    EXPECT_EQ(a.Cells()[1].GetText(), "Open");
    EXPECT_EQ(a.Cells()[1].GetBorderFlags(), 0x408);
    EXPECT_EQ(a.Cells()[5].GetText(), "Closed");
    EXPECT_EQ(a.Cells()[9].GetText(), "Home");
    EXPECT_EQ(a.Cells()[9].GetColourIndex(), 8);
    EXPECT_EQ(a.Cells()[11].GetText(), "Away");
    EXPECT_EQ(a.Cells()[11].GetColourIndex(), 9);

    // Home sits North-South in the open room and East-West in the closed one.
    ExpectCells(b, {{"", 1, 12},
                    {"Contract", 1, 12},
                    {"Lead", 1, 12},
                    {" NS ", 8, 12},
                    {" EW ", 9, 0x408},
                    {"Contract", 1, 12},
                    {"Lead", 1, 12},
                    {" NS ", 9, 12},
                    {" EW ", 8, 0x408},
                    {"Diff.", 1, 12},
                    {"imp", 1, 12},
                    {"Diff.", 1, 12},
                    {"imp", 1, 12}});
}

TEST(TeamScorecardGrid, HeadingTextsFollowTheLanguageAndAnEmptyScoreLabelLeavesItsCellsEmpty)
{
    const ScorecardGrid g = BuildTeamScorecardGrid(TeamFrom(kOneBoard), "", kLangChinese);
    EXPECT_EQ(g.rows[0].Cells()[1].GetText(), "开室");
    EXPECT_EQ(g.rows[0].Cells()[5].GetText(), "闭室");
    EXPECT_EQ(g.rows[0].Cells()[9].GetText(), "主队");
    EXPECT_EQ(g.rows[0].Cells()[11].GetText(), "客队");
    EXPECT_EQ(g.rows[1].Cells()[1].GetText(), "定约");
    EXPECT_EQ(g.rows[1].Cells()[2].GetText(), "首攻");
    EXPECT_EQ(g.rows[1].Cells()[9].GetText(), "分差");
    EXPECT_EQ(g.rows[1].Cells()[10].GetText(), "");
    EXPECT_EQ(g.rows[1].Cells()[12].GetText(), "");
}

TEST(TeamScorecardGrid, BoardRowShowsEachScoreOnceWithoutSignInTheScoringSidesColour)
{
    const ScorecardGrid g = BuildTeamScorecardGrid(TeamFrom(kOneBoard), "imp", kLangEnglish);
    ASSERT_EQ(g.rows.size(), 2u + 1u + 2u);
    const Row& row = g.rows[2];
    EXPECT_EQ(row.GetKind(), RowKind::Board);
    ExpectCells(row, {{"1", 1, 0x408},
                      {"2NTX-1", 1, 12},
                      {"", 1, 12},
                      {"", 8, 12},
                      {"100", 9, 0x408},
                      {"3S+1", 1, 12},
                      {"", 1, 12},
                      {"", 9, 12},
                      {"170", 8, 0x408},
                      {"70", 8, 12},
                      {"2", 8, 12},
                      {"", 9, 12},
                      {"", 9, 12}});
    const auto& c = row.Cells();
    EXPECT_EQ(c[0].GetSubText(), " ");
    // The open contract stands left-aligned after its seat letter, the
    // closed one centred; a missing declarer reads as North.
    EXPECT_EQ(c[1].GetSeat(), 0);
    EXPECT_EQ(c[1].GetAlign(), 0);
    EXPECT_EQ(c[5].GetSeat(), 1);
    EXPECT_EQ(c[5].GetAlign(), 1);
    for (const Cell& cell : c) {
        EXPECT_FLOAT_EQ(cell.GetWidthWeight(), 0.0f);
        EXPECT_EQ(cell.GetColumnSpan(), 0);
        EXPECT_EQ(cell.GetRowSpan(), 0);
    }
    for (size_t i : {2u, 3u, 4u, 6u, 7u, 8u, 9u, 10u, 11u, 12u})
        EXPECT_EQ(c[i].GetSeat(), -1) << i;
}

TEST(TeamScorecardGrid, ScoresAndDifferencesGoToTheRightColumns)
{
    struct Case {
        const char* board;
        std::vector<std::string> texts; // cells 2 to 13
    } cases[] = {
        {R"({"1":7,"5":{"1":2,"3":"3NT","7":"=","5":"♠5","9":400},"6":{"3":"4S","7":"-2","5":"♥K","9":200},"7":200,"9":"5"})",
         {"3NT=", "♠5", "400", "", "4S-2", "♥K", "200", "", "200", "", "", "5"}},
        {R"({"1":8,"5":{"3":"1NT","7":"=","9":0},"6":{"9":-50},"7":-50,"8":"","9":"2"})",
         {"1NT=", "", "", "", "", "", "", "50", "", "", "50", "2"}},
        // The most negative score still loses only its sign.
        {R"({"1":9,"5":{"9":-2147483648},"7":-2147483648})",
         {"", "", "", "2147483648", "", "", "", "", "", "", "2147483648", ""}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.board);
        const ScorecardGrid g = BuildTeamScorecardGrid(TeamFrom(std::string(R"({"_L":[)") + k.board + "]}"), "", 1);
        ASSERT_EQ(g.rows.size(), 3u);
        for (size_t i = 0; i < 12; ++i)
            EXPECT_EQ(g.rows[2].Cells()[i + 1].GetText(), k.texts[i]) << "cell " << i + 2;
    }
}

TEST(TeamScorecardGrid, TotalsRowsOnlyTheFirstOpensWithThickTopEdges)
{
    const ScorecardGrid g =
        BuildTeamScorecardGrid(TeamFrom(R"({"31":"IMP,23,28;VP,7.67,12.33;Total,1,2","_L":[{"1":1}]})"), "", 1);
    ASSERT_EQ(g.rows.size(), 2u + 1u + 3u);
    ExpectCells(g.rows[3], {{" ", 1, 0x600},
                            {"", 1, 12},
                            {"", 1, 12},
                            {"", 1, 12},
                            {"", 1, 12},
                            {"", 1, 12},
                            {"", 1, 12},
                            {"IMP", 1, 0x204},
                            {"", 1, 12},
                            {"23", 8, 0x20c},
                            {"", 1, 12},
                            {"28", 9, 0x20c},
                            {"", 1, 12}});
    for (size_t r : {4u, 5u}) {
        const auto& c = g.rows[r].Cells();
        EXPECT_EQ(c[0].GetBorderFlags(), 0x400);
        EXPECT_EQ(c[7].GetBorderFlags(), 0x6);
        EXPECT_EQ(c[9].GetBorderFlags(), 12);
        EXPECT_EQ(c[11].GetBorderFlags(), 12);
    }
    EXPECT_EQ(g.rows[4].Cells()[7].GetText(), "VP");
    EXPECT_EQ(g.rows[4].Cells()[9].GetText(), "7.67");
    EXPECT_EQ(g.rows[4].Cells()[11].GetText(), "12.33");
    const std::vector<int32_t> spans = {7, -1, -1, -1, -1, -1, -1, 2, -1, 2, -1, 2, -1};
    for (size_t r = 3; r < 6; ++r) {
        EXPECT_EQ(g.rows[r].GetKind(), RowKind::Totals);
        for (size_t i = 0; i < 13; ++i)
            EXPECT_EQ(g.rows[r].Cells()[i].GetColumnSpan(), spans[i]) << "row " << r << " cell " << i + 1;
    }
}

TEST(TeamScorecardGrid, BoardsKeepTheServersOrderAndNoTotalsEndsWithTheLastBoard)
{
    const ScorecardGrid g = BuildTeamScorecardGrid(TeamFrom(R"({"_L":[{"1":5},{"1":2},{"1":9}]})"), "", 1);
    ASSERT_EQ(g.rows.size(), 5u);
    EXPECT_EQ(g.rows[2].Cells()[0].GetText(), "5");
    EXPECT_EQ(g.rows[3].Cells()[0].GetText(), "2");
    EXPECT_EQ(g.rows[4].Cells()[0].GetText(), "9");
    EXPECT_EQ(g.rows[4].GetKind(), RowKind::Board);
}

TEST(PairScorecardGrid, TenColumnsWithTheirHeadingsWeightsAndAlignment)
{
    const ScorecardGrid g = BuildPairScorecardGrid({}, kLangEnglish);
    EXPECT_TRUE(g.rows.empty());
    const std::vector<std::string> texts = {"NS players", "EW players", "No.", "Contract", "Lead",
                                            "Rs.",        " NS ",       " EW ", "NS",       "EW"};
    ASSERT_EQ(g.header.Cells().size(), 10u);
    const float total = std::accumulate(std::begin(kPairColumnWeights), std::end(kPairColumnWeights), 0.0f);
    EXPECT_NEAR(total, 61.8f, 1e-4f);
    for (size_t i = 0; i < 10; ++i) {
        const Cell& c = g.header.Cells()[i];
        EXPECT_EQ(c.GetText(), texts[i]);
        EXPECT_FLOAT_EQ(c.GetWidthWeight(), kPairColumnWeights[i]);
        EXPECT_EQ(c.GetAlign(), i < 2 ? 0 : 1);
        EXPECT_EQ(c.GetSubText(), i >= 8 ? "score" : "");
        EXPECT_EQ(c.GetColourIndex(), 1);
        EXPECT_EQ(c.GetBorderFlags(), 12);
    }
    const ScorecardGrid zh = BuildPairScorecardGrid({}, kLangChinese);
    EXPECT_EQ(zh.header.Cells()[0].GetText(), "NS players");
    EXPECT_EQ(zh.header.Cells()[5].GetText(), "结果");
    EXPECT_EQ(zh.header.Cells()[9].GetSubText(), "比分");
}

TEST(PairScorecardGrid, OneOrdinaryRowPerBoardWithTheTableScoreSplit)
{
    Json::Value v;
    ASSERT_TRUE(NumericJson::Parse(R"({"_L":[
        {"11":3,"3":"4S","5":"♥A","7":"=","9":420,"15":"8","16":"4","17":"Ann - Bo","18":"Cy - Di","13":"note"},
        {"11":3,"3":"2H","7":"-1","9":-50},
        {"11":4,"1":2,"9":0}]})",
                                   v));
    PairBoardList boards;
    ReadPairBoards(boards, v);
    const ScorecardGrid g = BuildPairScorecardGrid(boards, kLangEnglish);
    ASSERT_EQ(g.rows.size(), 3u);
    const std::vector<std::vector<std::string>> texts = {
        {"Ann - Bo", "Cy - Di", "3", "4S", "♥A", "=", "420", "", "8", "4"},
        {"", "", "3", "2H", "", "-1", "", "50", "", ""},
        {"", "", "4", "", "", "", "", "", "", ""},
    };
    for (size_t r = 0; r < 3; ++r) {
        const Row& row = g.rows[r];
        EXPECT_EQ(row.GetKind(), RowKind::Board);
        ASSERT_EQ(row.Cells().size(), 10u);
        for (size_t i = 0; i < 10; ++i) {
            const Cell& c = row.Cells()[i];
            EXPECT_EQ(c.GetText(), texts[r][i]) << "row " << r << " cell " << i + 1;
            EXPECT_EQ(c.GetAlign(), i < 2 ? 0 : 1);
            EXPECT_EQ(c.GetSeat(), -1) << "a pair scorecard shows no declarer";
            EXPECT_EQ(c.GetColourIndex(), 1);
            EXPECT_EQ(c.GetBorderFlags(), 12);
            EXPECT_EQ(c.GetColumnSpan(), 0);
            EXPECT_EQ(c.GetRowSpan(), 0);
        }
    }
}
