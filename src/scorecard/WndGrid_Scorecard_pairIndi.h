#pragma once
// The pair and individual scorecard window the desktop creates (it adds
// nothing to its base).
#include "scorecard/WndGridBase_Scorecard_PairIndi.h"
