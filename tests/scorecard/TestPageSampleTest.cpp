#include "scorecard/TestPageSample.h"

#include "foundation/TextUtil.h"
#include "tournament/BridgeBasics.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// Duplicate scoring of one contract for the declaring side, to check that
// every sample score fits its contract, result and vulnerability.
int32_t DuplicateScore(const std::string& contract, const std::string& result, bool vulnerable)
{
    const int32_t level = contract[0] - '0';
    std::string rest = contract.substr(1);
    int32_t doubled = 0;
    while (!rest.empty() && rest.back() == 'X') {
        ++doubled;
        rest.pop_back();
    }
    const int32_t strain = rest == "NT" ? 4 : int32_t(std::string("CDHS").find(rest));
    const int32_t over = result == "=" ? 0 : std::stoi(result);
    if (over < 0) {
        const int32_t down = -over;
        if (doubled == 0)
            return -(vulnerable ? 100 : 50) * down;
        int32_t s = 0;
        for (int32_t i = 1; i <= down; ++i)
            s += vulnerable ? (i == 1 ? 200 : 300) : (i == 1 ? 100 : (i <= 3 ? 200 : 300));
        return -s * doubled;
    }
    const int32_t perTrick = strain <= 1 ? 20 : 30;
    const int32_t trickScore = (perTrick * level + (strain == 4 ? 10 : 0)) << doubled;
    int32_t score = trickScore + (trickScore >= 100 ? (vulnerable ? 500 : 300) : 50) + 50 * doubled;
    if (level == 6)
        score += vulnerable ? 750 : 500;
    if (level == 7)
        score += vulnerable ? 1500 : 1000;
    score += doubled == 0 ? over * perTrick : over * (vulnerable ? 200 : 100) * doubled;
    return score;
}

int32_t Imps(int32_t diff)
{
    static const int32_t steps[] = {20, 50, 90, 130, 170, 220, 270, 320, 370, 430, 500, 600,
                                    750, 900, 1100, 1300, 1500, 1750, 2000, 2250, 2500, 3000, 3500, 4000};
    int32_t imps = 0;
    for (int32_t s : steps)
        imps += std::abs(diff) >= s ? 1 : 0;
    return imps;
}

bool SideVulnerable(int32_t vulnerability, int32_t declarer)
{
    const bool ns = declarer == kSeatNorth || declarer == kSeatSouth;
    return vulnerability == kVulBoth || vulnerability == (ns ? kVulNorthSouth : kVulEastWest);
}

} // namespace

TEST(TestPageSample, PbnTextHasSixBoardsInTheDescribedForm)
{
    const std::string& pbn = TestPagePbnText();
    const std::vector<std::string> lines = SplitTokens(pbn, "\r\n\t\t\t", false);
    ASSERT_EQ(lines.size(), 12u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(lines[2 * i], "[Board \"" + std::to_string(i + 1) + "\"]");
        EXPECT_EQ(lines[2 * i + 1].rfind("[Deal \"", 0), 0u) << lines[2 * i + 1];
        EXPECT_EQ(lines[2 * i + 1][8], ':') << "a first-seat letter before the hands";
    }
}

TEST(TestPageSample, JobHoldsValidDealsTheTeamsAndTheTotals)
{
    const TeamScorecardJob job = MakeTestPageJob();
    EXPECT_EQ(job.eventKind, 0);
    EXPECT_EQ(job.scoreLabel, "imp");
    EXPECT_EQ(job.caption, std::string(kTestPageEventName) + " A 1轮 3桌");

    ASSERT_EQ(job.deals.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(job.deals[i].GetBoard(), int32_t(i + 1));
        EXPECT_TRUE(IsValidDeal(job.deals[i].GetDeal())) << "board " << i + 1;
        int32_t points = 0;
        for (int32_t seat = 0; seat < 4; ++seat)
            points += job.deals[i].HighCardPoints(seat);
        EXPECT_EQ(points, 40);
    }

    const auto& sc = job.scorecard;
    for (const std::string& label : {sc.GetHomeTeam(), sc.GetAwayTeam()}) {
        // A team number, a full stop and the name.
        const size_t dot = label.find('.');
        ASSERT_NE(dot, std::string::npos) << label;
        EXPECT_GT(dot, 0u);
        EXPECT_EQ(label.substr(0, dot).find_first_not_of("0123456789"), std::string::npos) << label;
        EXPECT_GT(label.size(), dot + 1);
    }
    const std::set<std::string> players = {sc.GetOpenNorth(),   sc.GetOpenSouth(),   sc.GetOpenEast(),
                                           sc.GetOpenWest(),    sc.GetClosedNorth(), sc.GetClosedSouth(),
                                           sc.GetClosedEast(),  sc.GetClosedWest()};
    EXPECT_EQ(players.size(), 8u);
    EXPECT_EQ(players.count(""), 0u);
    EXPECT_EQ(sc.sums.ToText(), "IMP,23,28;VP,7.67,12.33");
}

TEST(TestPageSample, EveryScoreFitsItsContractAndTheImpsAddUpToTheTotals)
{
    const TeamScorecardJob job = MakeTestPageJob();
    const auto& boards = job.scorecard.boards;
    ASSERT_EQ(boards.size(), 6u);
    const char* marks[] = {" ", "|", "-", "+", "|", "-"};
    int32_t home = 0;
    int32_t away = 0;
    for (size_t i = 0; i < boards.size(); ++i) {
        const auto& b = boards[i];
        SCOPED_TRACE("board " + std::to_string(b.GetBoardNo()));
        EXPECT_EQ(b.GetBoardNo(), int32_t(i + 1));
        EXPECT_EQ(b.GetVulMark(), marks[i]);
        const int32_t vul = BoardVulnerability(b.GetBoardNo(), job.eventKind);
        EXPECT_EQ(std::string(" |-+").substr(size_t(vul), 1), b.GetVulMark());
        for (const BoardResult* room : {&b.openRoom, &b.closedRoom}) {
            const int32_t declarer = room->GetDeclarer();
            const int32_t score = DuplicateScore(room->GetContract(), room->GetResult(), SideVulnerable(vul, declarer));
            const bool ns = declarer == kSeatNorth || declarer == kSeatSouth;
            EXPECT_EQ(room->GetNsScore(), ns ? score : -score) << room->GetContract() << room->GetResult();
        }
        const int32_t diff = b.openRoom.GetNsScore() - b.closedRoom.GetNsScore();
        EXPECT_EQ(b.GetDiff(), diff);
        const std::string imps = std::to_string(Imps(diff));
        EXPECT_EQ(diff > 0 ? b.GetHomeImps() : b.GetAwayImps(), imps);
        EXPECT_EQ(diff > 0 ? b.GetAwayImps() : b.GetHomeImps(), "");
        (diff > 0 ? home : away) += Imps(diff);
    }
    EXPECT_EQ(job.scorecard.sums[0].GetHomeValue(), std::to_string(home));
    EXPECT_EQ(job.scorecard.sums[0].GetAwayValue(), std::to_string(away));
}
