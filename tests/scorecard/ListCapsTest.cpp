// Every list a scorecard reply carries has a cap: a reply at the cap is read,
// one just over it is refused whole with a reason naming the list and the
// cap, and nothing of a refused reply is kept.

#include "scorecard/ScorecardRecords.h"

#include "comm/ProtocolKeys.h"
#include "tournament/BridgeBasics.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A team or pair scorecard message whose list under test holds `count`
// elements, everything else small and valid.
using MessageMaker = std::function<Json::Value(size_t count)>;

Json::Value TeamMessage()
{
    Json::Value message(Json::objectValue);
    message[MsgKey::kId] = kMsgTeamScorecard;
    message[MsgKey::kScorecard]["1"] = "3.Dragons";
    message[MsgKey::kScorecard]["31"] = "IMP,23,28";
    message[MsgKey::kScorecard]["_L"] = Json::Value(Json::arrayValue);
    return message;
}

Json::Value PairMessage()
{
    Json::Value message(Json::objectValue);
    message[MsgKey::kId] = kMsgPairScorecard;
    message[MsgKey::kScorecard]["_L"] = Json::Value(Json::arrayValue);
    return message;
}

Json::Value Boards(size_t count)
{
    Json::Value list(Json::arrayValue);
    for (size_t i = 0; i < count; ++i) {
        Json::Value board(Json::objectValue);
        board["1"] = Json::Int(i + 1);
        board["11"] = Json::Int(i + 1);
        list.append(board);
    }
    return list;
}

std::string AuctionText(size_t calls)
{
    std::string text;
    for (size_t i = 0; i < calls; ++i)
        text += std::string(1, char(kBidPass)) + " ";
    return text;
}

std::string Totals(size_t lines)
{
    std::string text;
    for (size_t i = 0; i < lines; ++i)
        text += (i > 0 ? ";" : "") + std::string("IMP,") + std::to_string(i) + ",1";
    return text;
}

struct CapCase {
    const char* name;
    size_t cap;
    const char* listInReason;
    MessageMaker make;
};

std::vector<CapCase> Cases()
{
    return {
        {"team boards", kMaxScorecardBoards, "boards of the team scorecard",
         [](size_t n) {
             Json::Value m = TeamMessage();
             m[MsgKey::kScorecard]["_L"] = Boards(n);
             return m;
         }},
        {"pair boards", kMaxScorecardBoards, "boards of the pair scorecard",
         [](size_t n) {
             Json::Value m = PairMessage();
             m[MsgKey::kScorecard]["_L"] = Boards(n);
             return m;
         }},
        {"totals lines", kMaxTotalsLines, "totals lines",
         [](size_t n) {
             Json::Value m = TeamMessage();
             m[MsgKey::kScorecard]["31"] = Totals(n);
             return m;
         }},
        {"team auction", kMaxAuctionCalls, "auction calls",
         [](size_t n) {
             Json::Value m = TeamMessage();
             m[MsgKey::kScorecard]["_L"] = Boards(3);
             m[MsgKey::kScorecard]["_L"][2]["6"]["2"] = AuctionText(n);
             return m;
         }},
        {"pair auction", kMaxAuctionCalls, "auction calls",
         [](size_t n) {
             Json::Value m = PairMessage();
             m[MsgKey::kScorecard]["_L"] = Boards(2);
             m[MsgKey::kScorecard]["_L"][1]["2"] = AuctionText(n);
             return m;
         }},
        {"team deals", kMaxDeals, "deals",
         [](size_t n) {
             Json::Value m = TeamMessage();
             m[MsgKey::kDeals] = Boards(n);
             return m;
         }},
        {"pair deals", kMaxDeals, "deals",
         [](size_t n) {
             Json::Value m = PairMessage();
             m[MsgKey::kDeals] = Boards(n);
             return m;
         }},
    };
}

} // namespace

TEST(ListCaps, AListAtItsCapIsReadAndOneMoreRefusesTheWholeMessage)
{
    for (const CapCase& c : Cases()) {
        ScorecardJob job;
        std::string refusal;
        EXPECT_TRUE(ReadScorecardMessage(c.make(c.cap), job, refusal)) << c.name << ": " << refusal;
        EXPECT_EQ(refusal, "") << c.name;

        // A job read before keeps its content when the next message is refused.
        const std::string before = job.kind == ScorecardJob::Kind::Team ? job.team.scorecard.GetHomeTeam() : "";
        const size_t pairBoards = job.pair.boards.size();
        EXPECT_FALSE(ReadScorecardMessage(c.make(c.cap + 1), job, refusal)) << c.name;
        EXPECT_NE(refusal.find(c.listInReason), std::string::npos) << c.name << ": " << refusal;
        EXPECT_NE(refusal.find(std::to_string(c.cap)), std::string::npos) << c.name << ": " << refusal;
        EXPECT_NE(refusal.find(std::to_string(c.cap + 1)), std::string::npos) << c.name << ": " << refusal;
        if (job.kind == ScorecardJob::Kind::Team) {
            EXPECT_EQ(job.team.scorecard.GetHomeTeam(), before) << c.name;
        }
        EXPECT_EQ(job.pair.boards.size(), pairBoards) << c.name;

        // The two-argument form refuses the same message.
        EXPECT_FALSE(ReadScorecardMessage(c.make(c.cap + 1), job)) << c.name;
    }
}

TEST(ListCaps, AJobReadFromARefusedMessageHoldsNothingOfIt)
{
    Json::Value team = TeamMessage();
    team[MsgKey::kScorecard]["_L"] = Boards(5);
    team[MsgKey::kScorecard]["_L"][4]["5"]["2"] = AuctionText(kMaxAuctionCalls + 1);
    team[MsgKey::kCaption] = "Round 3";
    TeamScorecardJob teamJob;
    const ReadStatus teamStatus = teamJob.FromMessage(team);
    EXPECT_FALSE(teamStatus.ok);
    EXPECT_TRUE(teamJob.scorecard.boards.empty());
    EXPECT_TRUE(teamJob.scorecard.sums.empty());
    EXPECT_EQ(teamJob.scorecard.GetHomeTeam(), "");
    EXPECT_EQ(teamJob.caption, "");

    Json::Value pair = PairMessage();
    pair[MsgKey::kScorecard]["_L"] = Boards(4);
    pair[MsgKey::kDeals] = Boards(kMaxDeals + 1);
    pair[MsgKey::kTitle] = "Pairs";
    PairScorecardJob pairJob;
    EXPECT_FALSE(pairJob.FromMessage(pair).ok);
    EXPECT_TRUE(pairJob.boards.empty());
    EXPECT_EQ(pairJob.title, "");

    // Each totals entry counts, empty ones included, as each becomes a row.
    TeamTotals totals;
    EXPECT_FALSE(totals.ParseText(std::string(kMaxTotalsLines, ';') + "x").ok);
    EXPECT_TRUE(totals.empty());
    EXPECT_TRUE(totals.ParseText(std::string(kMaxTotalsLines - 1, ';') + "x").ok);
    EXPECT_EQ(totals.size(), kMaxTotalsLines);
}
