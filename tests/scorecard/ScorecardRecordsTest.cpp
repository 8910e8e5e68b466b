#include "scorecard/ScorecardRecords.h"

#include "foundation/NumericJson.h"
#include "tournament/BridgeBasics.h"

#include <gtest/gtest.h>

#include <climits>

// The holders, not the windows that derive from them, so that these tests
// need no window code.

namespace {

Json::Value ParseOrFail(const std::string& text)
{
    Json::Value v;
    EXPECT_TRUE(NumericJson::Parse(text, v)) << text;
    return v;
}

// A team scorecard shaped like the one of the built-in test page.
const char* const kSampleTeam = R"({"1":"3.Dragons","2":"8.Tigers","3":"Zhao","4":"Qian","5":"Sun","6":"Li",
    "7":"Zhou","8":"Wu","9":"Zheng","10":"Wang","31":"IMP,23,28;VP,7.67,12.33","_L":[
    {"1":1,"3":" ","5":{"3":"2NTX","7":"-1","9":-100},"6":{"1":1,"3":"3S","7":"+1","9":-170},"7":70,"8":"2"},
    {"1":2,"3":"|","5":{"1":2,"3":"4H","5":"SK","7":"=","9":620,"2":"C \"!C+"},"6":{"3":"4H","7":"-1","9":-100},
     "7":720,"8":"12"},
    {"1":3,"3":"-"},{"1":4,"3":"+"},{"1":5,"3":"|"},{"1":6,"3":"-","8":2,"9":5}]})";

} // namespace

TEST(ScorecardRecords, RoomRecordReadsMissingAndWronglyTypedMembersAsEmpty)
{
    struct Case {
        const char* json;
        int32_t declarer;
        const char* contract;
        const char* lead;
        const char* result;
        int32_t nsScore;
        const char* auction;
    };
    const Case cases[] = {
        {R"({"3":"3NT","9":-630})", kSeatNorth, "3NT", "", "", -630, ""},
        {R"({"1":3,"3":"1H","5":"♠K","7":"+1","9":170,"2":"C D+"})", kSeatWest, "1H", "♠K", "+1", 170, "C D+"},
        {R"({"1":"2","3":3,"5":null,"7":["="],"9":"-630","2":{"x":1}})", 0, "", "", "", 0, ""},
        {R"({"1":true,"9":4294967296,"3":"","7":-1})", 0, "", "", "", 0, ""},
        {R"({"1":-1,"9":-2147483648})", kSeatNone, "", "", "", INT_MIN, ""},
        {R"({})", 0, "", "", "", 0, ""},
        {R"([1,2,3])", 0, "", "", "", 0, ""},
        {R"(null)", 0, "", "", "", 0, ""},
    };
    for (const Case& c : cases) {
        BoardResult room;
        room.SetContract("stale");
        room.FromJson(ParseOrFail(c.json));
        EXPECT_EQ(room.GetDeclarer(), c.declarer) << c.json;
        EXPECT_EQ(room.GetContract(), c.contract) << c.json;
        EXPECT_EQ(room.GetLead(), c.lead) << c.json;
        EXPECT_EQ(room.GetResult(), c.result) << c.json;
        EXPECT_EQ(room.GetNsScore(), c.nsScore) << c.json;
        EXPECT_EQ(room.GetAuction(), c.auction) << c.json;
        EXPECT_EQ(room.GetReserved(), -1) << c.json;
    }

    BoardResult room;
    room.FromJson(ParseOrFail(R"({"2":"C D+E"})"));
    EXPECT_EQ(room.AuctionCalls().size(), 2u); // the incomplete last call is ignored
}

TEST(ScorecardRecords, TeamScorecardReadsTheSamplePage)
{
    TeamScorecard data;
    data.FromJson(ParseOrFail(kSampleTeam));
    EXPECT_EQ(data.GetHomeTeam(), "3.Dragons");
    EXPECT_EQ(data.GetAwayTeam(), "8.Tigers");
    const std::string players[8] = {data.GetOpenNorth(),   data.GetOpenSouth(),   data.GetOpenEast(),
                                    data.GetOpenWest(),    data.GetClosedNorth(), data.GetClosedSouth(),
                                    data.GetClosedEast(),  data.GetClosedWest()};
    const std::string expected[8] = {"Zhao", "Qian", "Sun", "Li", "Zhou", "Wu", "Zheng", "Wang"};
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(players[i], expected[i]) << i;

    ASSERT_EQ(data.sums.size(), 2u);
    EXPECT_EQ(data.sums[1].GetLabel(), "VP");
    EXPECT_EQ(data.sums[1].GetHomeValue(), "7.67");
    EXPECT_EQ(data.sums[1].GetAwayValue(), "12.33");

    ASSERT_EQ(data.boards.size(), 6u);
    const char* marks[6] = {" ", "|", "-", "+", "|", "-"};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(data.boards[i].GetBoardNo(), int32_t(i + 1));
        EXPECT_EQ(data.boards[i].GetVulMark(), marks[i]);
    }

    const TeamBoard& first = data.boards[0];
    EXPECT_EQ(first.openRoom.GetDeclarer(), kSeatNorth);
    EXPECT_EQ(first.openRoom.GetContract(), "2NTX");
    EXPECT_EQ(first.openRoom.GetResult(), "-1");
    EXPECT_EQ(first.openRoom.GetNsScore(), -100);
    EXPECT_EQ(first.closedRoom.GetDeclarer(), kSeatEast);
    EXPECT_EQ(first.closedRoom.GetContract(), "3S");
    EXPECT_EQ(first.closedRoom.GetNsScore(), -170);
    EXPECT_EQ(first.GetDiff(), 70);
    EXPECT_EQ(first.GetHomeImps(), "2");
    EXPECT_EQ(first.GetAwayImps(), "");
    EXPECT_EQ(first.openRoom.GetLead(), "");
    EXPECT_EQ(first.openRoom.GetAuction(), "");

    EXPECT_EQ(data.boards[1].openRoom.GetLead(), "SK");
    EXPECT_EQ(data.boards[1].openRoom.AuctionCalls().size(), 3u);

    // A board without room objects has two empty rooms; a text sent as a
    // number reads as empty.
    const TeamBoard& bare = data.boards[5];
    EXPECT_EQ(bare.openRoom.GetDeclarer(), kSeatNorth);
    EXPECT_EQ(bare.openRoom.GetContract(), "");
    EXPECT_EQ(bare.closedRoom.GetNsScore(), 0);
    EXPECT_EQ(bare.closedRoom.GetReserved(), -1);
    EXPECT_EQ(bare.GetHomeImps(), "");
    EXPECT_EQ(bare.GetAwayImps(), "");
}

TEST(ScorecardRecords, TeamScorecardKeepsServerOrderAndHandlesMissingParts)
{
    TeamScorecard data;
    data.FromJson(ParseOrFail(R"({"31":"IMP,1,2","_L":[{"1":9},{"1":2},{"1":5},null,[],{"1":"7"}]})"));
    std::vector<int32_t> order;
    for (const TeamBoard& b : data.boards)
        order.push_back(b.GetBoardNo());
    EXPECT_EQ(order, (std::vector<int32_t>{9, 2, 5, 0, 0, 0}));

    // No "31" (or an empty one) keeps the totals held; the boards are always
    // replaced. An "_L" that is not an array reads as no boards.
    for (const char* text : {R"({"1":"home"})", R"({"31":"","_L":{"0":{"1":1}}})", R"({"31":7,"_L":"[]"})"}) {
        TeamScorecard again = data;
        again.FromJson(ParseOrFail(text));
        EXPECT_TRUE(again.boards.empty()) << text;
        ASSERT_EQ(again.sums.size(), 1u) << text;
        EXPECT_EQ(again.sums[0].GetAwayValue(), "2") << text;
    }
    TeamScorecard fresh;
    fresh.FromJson(ParseOrFail(R"({"1":5,"2":["x"],"10":{"a":1}})"));
    EXPECT_EQ(fresh.GetHomeTeam(), "");
    EXPECT_EQ(fresh.GetAwayTeam(), "");
    EXPECT_EQ(fresh.GetClosedWest(), "");
    EXPECT_TRUE(fresh.sums.empty());
}

TEST(ScorecardRecords, TotalsText)
{
    struct Line {
        std::string label, home, away;
        bool operator==(const Line&) const = default;
    };
    struct Case {
        const char* text;
        std::vector<Line> lines;
    };
    const Case cases[] = {
        {"IMP,23,28;VP,7.67,12.33", {{"IMP", "23", "28"}, {"VP", "7.67", "12.33"}}},
        {"IMP,23", {{"IMP", "23", ""}}},
        {"IMP,1,2,3", {{"IMP", "1", "2,3"}}},
        {";;", {{"", "", ""}, {"", "", ""}}},
        {"IMP,1,2;", {{"IMP", "1", "2"}}},
        {",,", {{"", "", ""}}},
        {"VP", {{"VP", "", ""}}},
    };
    for (const Case& c : cases) {
        TeamTotals sums;
        sums.ParseText("old,1,2;older,3,4;oldest,5,6");
        sums.ParseText(c.text);
        std::vector<Line> lines;
        for (const auto& one : sums)
            lines.push_back({one.GetLabel(), one.GetHomeValue(), one.GetAwayValue()});
        EXPECT_EQ(lines, c.lines) << c.text;
    }

    TeamTotals sums;
    sums.ParseText("IMP,23,28");
    sums.ParseText("");
    EXPECT_EQ(sums.size(), 1u);
    EXPECT_EQ(sums.ToText(), "IMP,23,28");
}

TEST(ScorecardRecords, PairBoardsReadEveryKeyAndReplaceTheList)
{
    PairBoardList boards;
    ReadPairBoards(boards, ParseOrFail(R"({"_L":[
        {"1":2,"3":"3NT","5":"H4","7":"+1","9":630,"2":"C $ ","11":7,"13":"t","15":"80%","16":"20%",
         "17":"Zhao - Qian","18":"Sun - Li"},
        {"11":"8","15":15,"17":null},null]})"));
    ASSERT_EQ(boards.size(), 3u);
    const PairBoard& b = boards[0];
    EXPECT_EQ(b.GetDeclarer(), kSeatSouth);
    EXPECT_EQ(b.GetContract(), "3NT");
    EXPECT_EQ(b.GetLead(), "H4");
    EXPECT_EQ(b.GetResult(), "+1");
    EXPECT_EQ(b.GetNsScore(), 630);
    EXPECT_EQ(b.GetAuction(), "C $ ");
    EXPECT_EQ(b.GetBoardNo(), 7);
    EXPECT_EQ(b.GetBoardText(), "t");
    EXPECT_EQ(b.GetNsBoardScore(), "80%");
    EXPECT_EQ(b.GetEwBoardScore(), "20%");
    EXPECT_EQ(b.GetNsPlayers(), "Zhao - Qian");
    EXPECT_EQ(b.GetEwPlayers(), "Sun - Li");
    EXPECT_EQ(b.GetReserved(), -1);
    EXPECT_EQ(boards[1].GetBoardNo(), 0);
    EXPECT_EQ(boards[1].GetNsBoardScore(), "");

    for (const char* text : {R"({})", R"({"_L":null})", R"({"_L":{"0":{"11":1}}})", R"({"_L":"x"})", R"([])"}) {
        PairBoardList again = boards;
        ReadPairBoards(again, ParseOrFail(text));
        EXPECT_TRUE(again.empty()) << text;
    }
}

TEST(ScorecardRecords, WrittenRecordsReadBackTheSame)
{
    TeamScorecard data;
    data.FromJson(ParseOrFail(kSampleTeam));
    Json::Value written;
    data.ToJson(written);
    TeamScorecard back;
    back.FromJson(written);
    Json::Value again;
    back.ToJson(again);
    EXPECT_EQ(NumericJson::WriteCompact(again), NumericJson::WriteCompact(written));
    EXPECT_EQ(NumericJson::WriteCompact(written["_L"][0]),
              R"({"1":1,"3":" ","5":{"3":"2NTX","7":"-1","9":-100},"6":{"1":1,"3":"3S","7":"+1","9":-170},)"
              R"("7":70,"8":"2"})");

    PairBoardList boards(2);
    boards[0].SetBoardNo(3);
    boards[0].SetContract("4S");
    boards[0].SetDeclarer(kSeatWest);
    boards[0].SetEwPlayers("Sun - Li");
    boards[1].SetNsScore(-50);
    Json::Value pairJson;
    WritePairBoards(boards, pairJson);
    EXPECT_EQ(NumericJson::WriteCompact(pairJson), R"({"_L":[{"1":3,"11":3,"18":"Sun - Li","3":"4S"},{"9":-50}]})");
    PairBoardList pairBack;
    ReadPairBoards(pairBack, pairJson);
    ASSERT_EQ(pairBack.size(), 2u);
    EXPECT_EQ(pairBack[0].GetDeclarer(), kSeatWest);
    EXPECT_EQ(pairBack[0].GetEwPlayers(), "Sun - Li");
    EXPECT_EQ(pairBack[1].GetNsScore(), -50);
}

TEST(ScorecardRecords, TeamJobFromMessage)
{
    const std::string message = std::string(R"({"1":207,"66":)") + kSampleTeam + R"(,"85":[{"1":1,"2":")"
        + "0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\\\]^_`abc" + R"("},{"1":2}],"81":1,"83":"Event A 1","102":"imp"})";
    TeamScorecardJob job;
    job.FromMessage(ParseOrFail(message));
    EXPECT_EQ(job.scorecard.boards.size(), 6u);
    EXPECT_EQ(job.scorecard.GetHomeTeam(), "3.Dragons");
    ASSERT_EQ(job.deals.size(), 2u);
    EXPECT_EQ(job.deals[0].GetDeal().size(), 52u);
    EXPECT_EQ(job.eventKind, 1);
    EXPECT_EQ(job.caption, "Event A 1");
    EXPECT_EQ(job.scoreLabel, "imp");

    // A second message replaces everything, also the totals; wrongly typed
    // members read as empty.
    job.FromMessage(ParseOrFail(R"({"66":[1],"85":{"1":1},"81":"1","83":83,"102":null})"));
    EXPECT_TRUE(job.scorecard.boards.empty());
    EXPECT_TRUE(job.scorecard.sums.empty());
    EXPECT_TRUE(job.deals.empty());
    EXPECT_EQ(job.eventKind, 0);
    EXPECT_EQ(job.caption, "");
    EXPECT_EQ(job.scoreLabel, "");
}
