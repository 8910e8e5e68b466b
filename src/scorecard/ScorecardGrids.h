#pragma once
// The cell tables of the two scorecards, built from the server's records
// without any window: the team scorecard (two heading rows, one row per
// board, one totals row per total line) and the pair and individual
// scorecard (a column template and one row per board). The windows hand the
// result to their grid; tests read the cells directly.

#include "foundation/LocText.h"
#include "render/Grid.h"
#include "scorecard/ScorecardRecords.h"

#include <string>
#include <vector>

struct ScorecardGrid {
    // The column template (its cells' weights give the column widths).
    Grid::Row header;
    std::vector<Grid::Row> rows;
};

// Colour indices of the two teams on the scorecards (red and blue of the
// print palette).
inline constexpr int32_t kHomeColourIndex = 8;
inline constexpr int32_t kAwayColourIndex = 9;

// The thirteen column weights of the team scorecard (they add up to 100).
extern const float kTeamColumnWeights[13];
// The ten column weights of the pair scorecard.
extern const float kPairColumnWeights[10];

// The team scorecard: `header` is heading row A; `rows` holds heading rows A
// and B, the board rows in the server's order, then the totals rows. Every
// score and difference stands once, without a sign, in the column of the
// side that scored it, in the colour of that side's team (the home team sits
// North-South in the open room and East-West in the closed room).
ScorecardGrid BuildTeamScorecardGrid(const TeamScorecard& data, const std::string& scoreLabel, LangIndex lang);

// The pair or individual scorecard: `header` is the column template (repeated
// as the heading line of every page), `rows` one ordinary row per board.
ScorecardGrid BuildPairScorecardGrid(const PairBoardList& boards, LangIndex lang);

// The decimal text of a positive score, "" for zero or less; and of the
// negated score for a negative one. Together they put a score into exactly
// one of two columns without its sign.
std::string PositiveScoreText(int32_t score);
std::string NegativeScoreText(int32_t score);
