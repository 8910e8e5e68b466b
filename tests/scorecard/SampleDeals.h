#pragma once
// Deals for scorecard pages of any length in the scorecard tests: a few
// sample deals repeated, numbered as the boards of the page.

#include "render/PageGeometry.h"
#include "scorecard/TestPageSample.h"
#include "tournament/Deals.h"

#include <cstddef>

// The printed sheet, in the page's own units.
inline const Rect kPaperPage{0, 0, kA4Width, kA4Height};

// `count` deals taken in turn from `source`, starting at its `first`, and
// numbered as boards 1 to `count`.
inline DealList CycledDeals(const DealList& source, int count, size_t first = 0)
{
    DealList deals;
    for (int i = 0; i < count; ++i) {
        Deal d = source[(first + size_t(i)) % source.size()];
        d.SetBoard(i + 1);
        deals.push_back(d);
    }
    return deals;
}

// `count` deals from the test page's sample.
inline DealList SampleDeals(int count)
{
    return CycledDeals(MakeTestPageJob().deals, count);
}
