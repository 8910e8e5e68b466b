#pragma once
// The parts of the team scorecard page that are not grid cells: the team
// header in the title band (home team, " vs ", away team, and the square
// picture reaching down over the heading rows) and the seating boxes of the
// two rooms in the blank left part of the totals lines. Plain functions on a
// Canvas; the team window supplies its colours and rectangles.

#include "foundation/LocText.h"
#include "platform/Canvas.h"
#include "render/Grid.h"
#include "scorecard/ScorecardRecords.h"

#include <string>
#include <vector>

// The team header in `header` (the title band, as wide as the grid): " vs "
// centred, the home team right-aligned before it and the away team
// left-aligned after it, each shrunk to its half; then the square picture
// (1.5 times the band's height) 60 units in from the left edge. The home
// team's half starts 60 units after the picture, so a long label shrinks
// instead of running under it; without a picture it takes the whole half.
void DrawTeamHeader(Canvas& dc, const Rect& header, const std::string& homeTeam, const std::string& awayTeam,
                    Colour homeColour, Colour awayColour, const CanvasPicture& picture);

// The area of the seating boxes: the union of the first cell of every totals
// row, moved by the grid area's top-left corner, and cut to 2000 high about
// its middle. Empty without totals rows.
Rect SeatingArea(const std::vector<Grid::Row>& rows, int32_t originX, int32_t originY);

// The two seating boxes in `area`: the open room at the left, the closed
// room at the right. Frames and room labels in `frameColour`; the home
// team's players in `homeColour` and the away team's in `awayColour`.
void DrawSeatingBoxes(Canvas& dc, const Rect& area, const TeamScorecard& data, LangIndex lang, Colour frameColour,
                      Colour homeColour, Colour awayColour);

// One seating box in X: the room label framed in the middle, North above it,
// South below, East to its right and West to its left.
struct SeatingNames {
    std::string north, south, east, west;
};
void DrawSeatingBox(Canvas& dc, const Rect& x, bool openRoom, const SeatingNames& names, int32_t fontHeight,
                    LangIndex lang, Colour frameColour, Colour nsColour, Colour ewColour);
