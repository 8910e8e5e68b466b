#pragma once
// The team scorecard window: the scorecard window specialised for a team
// match. One page with the two team names joined by " vs " in the title band,
// two heading rows, one row per board with contract, lead and score at both
// tables, the point difference and the IMPs of each side, the match totals
// with the seating of both rooms beside them, and the hand diagrams.

#include "scorecard/ScorecardRecords.h"
#include "scorecard/ScorecardWindow.h"

#include <cstdint>
#include <string>

class TeamScorecardWindow : public ScorecardWindow {
public:
    TeamScorecardWindow();
    ~TeamScorecardWindow() override;

    // Lays out the whole scorecard and hands it to the grid: scrolls to the
    // top, keeps copies of the data and deals, sets the caption and event
    // kind, builds the rows and then shows the window, or with `printNow`
    // prints it at once on the chosen printer.
    void BuildTeamScorecard(const TeamScorecard& teamData, const DealList& dealList, int32_t eventKind,
                            const std::string& scoreLabel, const std::string& caption, bool printNow);

    // The same for a job as the scoring server's message carries it.
    void BuildTeamScorecard(const TeamScorecardJob& job, bool printNow);

    const TeamScorecard& GetData() const { return data; }

    // --- hook answers ---------------------------------------------------------
    bool HasPlayerBoxes() override { return true; }
    void DrawPlayerBoxes(Canvas& dc, const Rect& body, DrawMode mode) override;
    // The auction of the first board with this number, in the chosen room.
    std::string GetAuctionText(int32_t board, bool closedRoom) override;
    // Always one page: the rows are sized to fit it.
    int32_t GetPageCount() override { return 1; }
    int32_t GetSubtitleHeight() override { return 0; }
    // The two heading rows are ordinary rows of the grid.
    bool RepeatsHeaderRow() override { return false; }
    // The team header in place of the title text.
    void DrawTitle(Canvas& dc, const Rect& body, int32_t page, DrawMode mode) override;

    // Where the team header goes: the width of the grid, the height of the
    // title band.
    Rect TeamHeaderRect(const Rect& body, DrawMode mode);

protected:
    // The scorecard being shown.
    TeamScorecard data;
};
