// Every scorecard reader over every value of the shared hostile fixture.

#include "tournament/HostileFixture.h"

#include "scorecard/ScorecardRecords.h"

#include <gtest/gtest.h>

TEST(HostileJson, EveryScorecardReaderSurvivesEveryValue)
{
    const Json::Value root = hostile::Load();
    ASSERT_TRUE(root.isObject());
    hostile::ForEachValue(root, [](const Json::Value& value) {
        BoardResult room;
        room.FromJson(value);
        room.AuctionCalls();

        TeamBoard board;
        board.FromJson(value);

        TeamScorecard data;
        data.FromJson(value);
        Json::Value out;
        data.ToJson(out);

        PairBoard pair;
        pair.FromJson(value);
        PairBoardList boards;
        ReadPairBoards(boards, value);
        WritePairBoards(boards, out);

        TeamScorecardJob job;
        job.FromMessage(value);
        for (const Deal& d : job.deals)
            EXPECT_TRUE(d.GetDeal().empty() || IsValidDeal(d.GetDeal()));

        if (value.isString()) {
            TeamTotals sums;
            sums.ParseText(value.asString());
            EXPECT_LE(sums.size(), value.asString().size());
        }
    });

    // The named cases read as the conventions say.
    TeamScorecardJob job;
    job.FromMessage(root["teamScorecardWrongTypes"]);
    EXPECT_TRUE(job.deals.empty());
    EXPECT_EQ(job.eventKind, 0);
    EXPECT_EQ(job.caption, "");
    EXPECT_EQ(job.scoreLabel, "");
    EXPECT_EQ(job.scorecard.GetHomeTeam(), "");
    EXPECT_TRUE(job.scorecard.sums.empty());
    ASSERT_EQ(job.scorecard.boards.size(), 6u);
    EXPECT_EQ(job.scorecard.boards[0].GetBoardNo(), 0);
    EXPECT_EQ(job.scorecard.boards[0].GetDiff(), 0);
    EXPECT_EQ(job.scorecard.boards[0].GetHomeImps(), "");
    EXPECT_EQ(job.scorecard.boards[1].GetBoardNo(), INT32_MIN);
    EXPECT_EQ(job.scorecard.boards[1].openRoom.GetDeclarer(), 0);
    EXPECT_EQ(job.scorecard.boards[1].openRoom.GetNsScore(), 0);

    job.FromMessage(root["teamListIsObject"]);
    EXPECT_TRUE(job.scorecard.boards.empty());
    EXPECT_EQ(job.scorecard.sums.size(), 4u);

    PairBoardList boards;
    ReadPairBoards(boards, root["pairBoardsWrongTypes"]);
    ASSERT_EQ(boards.size(), 5u);
    EXPECT_EQ(boards[0].GetBoardNo(), 0);
    EXPECT_EQ(boards[0].GetBoardText(), "");
    EXPECT_EQ(boards[4].GetBoardNo(), INT32_MAX);
    ReadPairBoards(boards, root["pairBoardsIsText"]);
    EXPECT_TRUE(boards.empty());
}
