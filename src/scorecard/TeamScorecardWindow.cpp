#include "scorecard/TeamScorecardWindow.h"

#include "render/GridPainting.h"
#include "scorecard/ScorecardGrids.h"
#include "scorecard/TeamScorecardPainting.h"

#include <QScrollBar>

TeamScorecardWindow::TeamScorecardWindow() = default;
TeamScorecardWindow::~TeamScorecardWindow() = default;

void TeamScorecardWindow::BuildTeamScorecard(const TeamScorecard& teamData, const DealList& dealList, int32_t eventKind,
                                             const std::string& scoreLabel, const std::string& caption, bool printNow)
{
    verticalScrollBar()->setValue(0);
    if (&teamData != &data)
        data = teamData;
    if (&dealList != &deals)
        deals = dealList;
    SetScorecardCaption(caption);
    SetEventKind(eventKind);
    const ScorecardGrid grid = BuildTeamScorecardGrid(data, scoreLabel, GetLanguage());
    SetGrid(u"队赛记分表", grid.header, grid.rows, "", printNow);
}

void TeamScorecardWindow::BuildTeamScorecard(const TeamScorecardJob& job, bool printNow)
{
    BuildTeamScorecard(job.scorecard, job.deals, job.eventKind, job.scoreLabel, job.caption, printNow);
}

std::string TeamScorecardWindow::GetAuctionText(int32_t board, bool closedRoom)
{
    for (const TeamBoard& b : data.boards) {
        if (b.GetBoardNo() == board)
            return closedRoom ? b.closedRoom.GetAuction() : b.openRoom.GetAuction();
    }
    return {};
}

Rect TeamScorecardWindow::TeamHeaderRect(const Rect& body, DrawMode mode)
{
    const Rect content = GetContentRect(1, mode);
    const Rect band = GetTitleRect(body);
    return Rect{content.left, band.top, content.right, band.bottom};
}

void TeamScorecardWindow::DrawTitle(Canvas& dc, const Rect& body, int32_t, DrawMode mode)
{
    DrawTeamHeader(dc, TeamHeaderRect(body, mode), data.GetHomeTeam(), data.GetAwayTeam(),
                   PaletteColour(mode, PaletteSlot::Red), PaletteColour(mode, PaletteSlot::Blue), SquarePicture());
}

void TeamScorecardWindow::DrawPlayerBoxes(Canvas& dc, const Rect&, DrawMode mode)
{
    const Rect content = GetContentRect(1, mode);
    DrawSeatingBoxes(dc, SeatingArea(rows, content.left, content.top), data, GetLanguage(), TextColour(mode),
                     PaletteColour(mode, PaletteSlot::Red), PaletteColour(mode, PaletteSlot::Blue));
}
