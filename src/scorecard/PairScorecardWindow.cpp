#include "scorecard/PairScorecardWindow.h"

#include "scorecard/ScorecardGrids.h"

PairScorecardWindow::PairScorecardWindow() = default;
PairScorecardWindow::~PairScorecardWindow() = default;

void PairScorecardWindow::BuildPairScorecard(const PairBoardList& boardList, const DealList& dealList,
                                             int32_t eventKind, const std::string& title, const std::string& subtitle,
                                             bool printNow)
{
    if (&dealList != &deals)
        deals = dealList;
    if (&boardList != &boards)
        boards = boardList;
    SetEventKind(eventKind);
    const ScorecardGrid grid = BuildPairScorecardGrid(boards, GetLanguage());
    SetGrid(Utf8ToWide(title), grid.header, grid.rows, subtitle, printNow);
}

void PairScorecardWindow::BuildPairScorecard(const PairScorecardJob& job, bool printNow)
{
    BuildPairScorecard(job.boards, job.deals, job.eventKind, job.title, job.subtitle, printNow);
}

std::string PairScorecardWindow::GetAuctionText(int32_t board, bool closedRoom)
{
    if (closedRoom)
        return {};
    for (const PairBoard& b : boards) {
        if (b.GetBoardNo() == board)
            return b.GetAuction();
    }
    return {};
}
