#pragma once
// The pair and individual scorecard window: the scorecard window specialised
// for pair and individual events. Board by board it lists who sat North-South
// and East-West at the player's table, contract, lead, result, the table
// score split into a North-South and an East-West column and each side's
// score on the board; then the hand diagrams. It keeps the grid window's
// standard page furniture: the title, the subtitle band, and the column
// headings repeated on every page.

#include "scorecard/ScorecardRecords.h"
#include "scorecard/ScorecardWindow.h"

#include <cstdint>
#include <string>

class PairScorecardWindow : public ScorecardWindow {
public:
    PairScorecardWindow();
    ~PairScorecardWindow() override;

    // Lays out the scorecard and hands it to the grid: keeps copies of the
    // boards and deals, sets the event kind, builds the column headings and
    // one row per board, and then shows the window, or with `printNow`
    // prints it at once on the chosen printer. The caption stays empty.
    void BuildPairScorecard(const PairBoardList& boardList, const DealList& dealList, int32_t eventKind,
                            const std::string& title, const std::string& subtitle, bool printNow);

    // The same for a job as the scoring server's message carries it.
    void BuildPairScorecard(const PairScorecardJob& job, bool printNow);

    const PairBoardList& GetBoards() const { return boards; }

    // The auction of the first board with this number; a pair scorecard has
    // no closed room, so "" for it.
    std::string GetAuctionText(int32_t board, bool closedRoom) override;

protected:
    // The boards shown, in the server's order.
    PairBoardList boards;
};
