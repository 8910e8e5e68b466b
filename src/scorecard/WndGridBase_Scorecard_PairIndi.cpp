#include "scorecard/WndGridBase_Scorecard_PairIndi.h"

#include "scorecard/ScorecardGrids.h"

WndGridBase_Scorecard_PairIndi::WndGridBase_Scorecard_PairIndi() = default;
WndGridBase_Scorecard_PairIndi::~WndGridBase_Scorecard_PairIndi() = default;

void WndGridBase_Scorecard_PairIndi::BuildPairScorecard(const PairBoardList& boardList, const DealList& dealList,
                                                        int32_t eventKind, const std::string& title,
                                                        const std::string& subtitle, bool printNow)
{
    if (&dealList != &deals)
        deals = dealList;
    if (&boardList != &boards)
        boards = boardList;
    SetEventKind(eventKind);
    const ScorecardGrid grid = BuildPairScorecardGrid(boards, GetLanguage());
    SetGrid(Utf8ToWide(title), grid.header, grid.rows, subtitle, printNow);
}

std::string WndGridBase_Scorecard_PairIndi::GetAuctionText(int32_t board, bool closedRoom)
{
    if (closedRoom)
        return {};
    for (const OneBoard_pair& b : boards) {
        if (b.GetBoardNo() == board)
            return b.GetAuction();
    }
    return {};
}
