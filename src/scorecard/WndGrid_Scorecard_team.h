#pragma once
// The team scorecard window the desktop creates (it adds nothing to its base).
#include "scorecard/WndGridBase_Scorecard_team.h"
