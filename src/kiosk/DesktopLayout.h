#pragma once
// Where things go on the self-print desktop, as plain computations on the
// client rectangle (pixels). All divisions truncate toward zero.

#include "platform/Geometry.h"

#include <cstdint>

// The hit-test value of the reprint area.
inline constexpr int32_t kReprintIndex = 9999;

struct DesktopBands {
    Rect title;   // the top 8 %
    Rect footer;  // the bottom 8 %
    Rect list;    // between the two
    Rect reprint; // the right 16 % of the footer band
};
DesktopBands ComputeDesktopBands(const Rect& client);

// Buttons per column for n entries: 7, 8, 9, 10 or 11.
int32_t RowsPerColumn(int32_t n);
// The columns needed for n entries.
int32_t ColumnCount(int32_t n);
// The rectangle of button i of n.
Rect DesktopCellRect(const Rect& client, int32_t n, int32_t i);
// The entry under (x, y), else kReprintIndex over the reprint area when
// reprinting is allowed, else -1.
int32_t DesktopHitTest(const Rect& client, int32_t n, bool reprintAllowed, int32_t x, int32_t y);

// The reprint push button: the bottom-right corner, 16 % of the width and
// 8 % of the height.
Rect ReprintButtonRect(const Rect& client);
// A scorecard view placed for printing: the client area less its top
// sixteenth.
Rect ScorecardViewRect(const Rect& client);
// The pixel height of the reprint button's font for a screen height.
int32_t ReprintButtonFontHeight(int32_t screenHeight);
