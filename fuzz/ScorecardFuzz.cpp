// Fuzz target scorecard: a JSON text read as a message and then as a team and
// as a pair scorecard job (whatever its id says, so that both readers see
// every input), the records written and read back, and the cell tables of
// both scorecards built from them, all without a display.

#include "FuzzCheck.h"

#include "comm/ServerMessage.h"
#include "scorecard/ScorecardGrids.h"
#include "scorecard/ScorecardRecords.h"
#include "tournament/Bids.h"

namespace {

void CheckBoard(const BoardResult& result, int32_t board)
{
    const Auction calls = result.AuctionCalls();
    FUZZ_CHECK(calls.size() == result.GetAuction().size() / 2);
    const Auction padded = PaddedAuction(calls, board);
    const int32_t rows = AuctionRowCount(calls, board);
    // An empty auction takes no row, padded or not.
    FUZZ_CHECK(calls.empty() ? rows == 0 : size_t(rows) * 4 >= padded.size());
    for (const Bid& bid : calls)
        (void)BidText(bid.GetCode());
}

void CheckTeam(const TeamScorecardJob& job, LangIndex lang)
{
    Json::Value written;
    job.scorecard.ToJson(written);
    TeamScorecard back;
    back.FromJson(written);
    Json::Value rewritten;
    back.ToJson(rewritten);
    FUZZ_CHECK(rewritten == written);

    for (const TeamBoard& board : job.scorecard.boards) {
        CheckBoard(board.openRoom, board.GetBoardNo());
        CheckBoard(board.closedRoom, board.GetBoardNo());
    }
    const ScorecardGrid grid = BuildTeamScorecardGrid(job.scorecard, job.scoreLabel, lang);
    FUZZ_CHECK(grid.rows.size() == 2 + job.scorecard.boards.size() + job.scorecard.sums.size());
}

void CheckPair(const PairScorecardJob& job, LangIndex lang)
{
    Json::Value written;
    WritePairBoards(job.boards, written);
    PairBoardList back;
    ReadPairBoards(back, written);
    Json::Value rewritten;
    WritePairBoards(back, rewritten);
    FUZZ_CHECK(rewritten == written);

    for (const PairBoard& board : job.boards)
        CheckBoard(board, board.GetBoardNo());
    const ScorecardGrid grid = BuildPairScorecardGrid(job.boards, lang);
    FUZZ_CHECK(grid.rows.size() == job.boards.size());
}

void CheckDeals(const DealList& deals)
{
    for (const Deal& deal : deals) {
        for (int32_t seat = 0; seat < 4; ++seat) {
            (void)deal.Hand(seat);
            (void)deal.HighCardPoints(seat);
            (void)deal.LongestSuit(seat);
            (void)deal.TrickText(seat);
        }
        FUZZ_CHECK(deals.FindBoard(deal.GetBoard()) != nullptr);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ServerMessage message;
    message.FromJsonText(fuzz::AsText(data, size));
    // The language follows the input, so that every language's texts are built.
    const LangIndex lang = size > 0 ? LangIndex(data[size - 1] % 4) - 1 : 0;

    ScorecardJob job;
    if (ReadScorecardMessage(message, job))
        FUZZ_CHECK(job.kind == ScorecardJob::Kind::Team || job.kind == ScorecardJob::Kind::Pair);

    TeamScorecardJob team;
    team.FromMessage(message);
    CheckTeam(team, lang);
    CheckDeals(team.deals);

    PairScorecardJob pair;
    pair.FromMessage(message);
    CheckPair(pair, lang);
    CheckDeals(pair.deals);
    return 0;
}
