#pragma once
// Page geometry shared by the two scorecard windows, as plain computations:
// how many hand diagrams the page carries and where they go (the hand level),
// the row height that keeps the grid above the band of diagrams, and the
// narrowing of the title band and the grid for the columns of diagrams at the
// right. All lengths are page units (0.01 mm); divisions truncate towards zero.

#include "platform/Geometry.h"

#include <cstddef>
#include <cstdint>

// Where the hand diagrams go, by the number of deals:
// none (no deal, or more than sixteen), a band along the bottom of the page
// (1 to 8), the band and one column at the right (9 to 12), the band and two
// columns (13 to 16).
inline constexpr int32_t kHandLevelNone = -1;
inline constexpr int32_t kHandLevelBand = 0;
inline constexpr int32_t kHandLevelOneColumn = 1;
inline constexpr int32_t kHandLevelTwoColumns = 2;

inline constexpr size_t kMaxDiagrams = 16;

int32_t HandLevelFor(size_t dealCount);
inline bool HandsShownFor(size_t dealCount) { return dealCount >= 1 && dealCount <= kMaxDiagrams; }

// The height of every grid row: the rows (at least eight counted) share the
// height left above the diagrams (or the whole grid area without them), at
// most 1000 each, or 880 when diagrams stand beside the grid.
int32_t ScorecardRowHeight(size_t rowCount, size_t dealCount);

// The tallest row height at which `lines` lines fit in `available` units
// (at least 1).
int32_t FittingRowHeight(int32_t available, size_t lines);

// How much of the width `w` the columns of diagrams take at a hand level
// (nothing at the band level and without diagrams).
int32_t SideColumnsWidth(int32_t w, int32_t level);

// The title band for a body: as for any grid page, then shortened at the
// right by the side columns.
Rect ScorecardTitleRect(const Rect& body, int32_t titleHeight, int32_t level);
// The grid area: the plain grid area `content` shortened at the right by the
// side columns and a gap of 100 before them.
Rect ScorecardContentRect(const Rect& content, int32_t level);
