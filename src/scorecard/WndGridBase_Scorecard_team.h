#pragma once
// The team scorecard window's name for its records. The window class itself
// derives from TeamScorecardRecords (and takes this name over from the alias
// below), so code that names WndGridBase_Scorecard_team::TeamScorecard_data
// keeps compiling when the window arrives.

#include "scorecard/ScorecardRecords.h"

using WndGridBase_Scorecard_team = TeamScorecardRecords;
