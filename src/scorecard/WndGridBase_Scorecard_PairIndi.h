#pragma once
// The pair and individual scorecard window's name for its records. The
// window class itself derives from PairIndiScorecardRecords (and takes this
// name over from the alias below), so code that names
// WndGridBase_Scorecard_PairIndi::OneBoard_pair keeps compiling when the
// window arrives.

#include "scorecard/ScorecardRecords.h"

using WndGridBase_Scorecard_PairIndi = PairIndiScorecardRecords;
