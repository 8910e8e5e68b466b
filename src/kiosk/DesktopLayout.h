#pragma once
// Where things go on the self-print desktop, as plain computations on the
// client rectangle (pixels). All divisions truncate toward zero.

#include "platform/Geometry.h"

#include <cstdint>

// The hit-test values of the areas that are not entries. They lie above
// every index a list can have, so that a list of any length keeps its
// entries apart from them (and above -1, "nothing").
inline constexpr int32_t kReprintIndex = 0x7FFFFF00;
inline constexpr int32_t kPreviousPageIndex = kReprintIndex + 1;
inline constexpr int32_t kNextPageIndex = kReprintIndex + 2;

// The smallest cell an entry button gets, gaps included. A fingertip covers
// 9-10 mm; on a 15.6" 1280x800 touch screen a pixel is 0.27 mm and on a
// 21.5" 1920x1080 one 0.25 mm, so 56 pixels are 14-15 mm: room for a finger
// with a margin for aim. 144 pixels (36-39 mm) hold "A NS123" in the
// first-line font a 56-pixel cell gives, and a name shrunk to a size an eye
// still reads from where a player stands.
inline constexpr int32_t kMinCellWidth = 144;
inline constexpr int32_t kMinCellHeight = 56;

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

// How a list of n entries is laid out. A list whose cells are at least
// kMinCellWidth x kMinCellHeight in the one-screen layout above (7..11 rows,
// a narrowed span for one or two columns) is shown whole in it. A longer one
// is shown a page at a time: the bottom of the list band becomes a page bar
// (previous page on the left, "page k of n" in the middle, next page on the
// right), and the rest of the band holds as many whole cells of at least the
// minimum size as fit, up to 11 rows, filled column by column. In between,
// a list too wide for the one-screen layout that still fits one screen of
// minimum cells takes the whole list band in columns of up to 11 rows.
struct DesktopPageLayout {
    bool paged = false;
    int32_t rows = 0;    // cells per column
    int32_t columns = 0; // columns on a page
    int32_t pageCount = 1;
    int32_t page = 0;  // the page shown, within [0, pageCount)
    int32_t first = 0; // the index of the first entry on it
    int32_t count = 0; // the entries on it
    Rect cells;        // the area whose slots the cells take (the span)
    int32_t cellWidth = 0;
    int32_t cellHeight = 0;
    Rect previous; // the page bar's parts; empty unless paged
    Rect indicator;
    Rect next;
};
// `page` is the page asked for; it is clamped to the pages the list has, so
// a list that shrinks under the page shown falls back to its last page.
DesktopPageLayout ComputeDesktopPageLayout(const Rect& client, int32_t n, int32_t page);
// The rectangle of button i of n while `page` is shown; empty when entry i
// is not on that page.
Rect DesktopCellRect(const Rect& client, int32_t n, int32_t i, int32_t page = 0);
// The rectangle of the slot-th button of the page (slot 0 is its first entry).
Rect DesktopSlotRect(const DesktopPageLayout& layout, int32_t slot);
// The entry under (x, y) on `page`; else kPreviousPageIndex or kNextPageIndex
// over a page button that leads somewhere; else kReprintIndex over the
// reprint area when reprinting is allowed; else -1. Constant work, whatever
// the length of the list.
int32_t DesktopHitTest(const Rect& client, int32_t n, bool reprintAllowed, int32_t x, int32_t y, int32_t page = 0);

// The reprint push button: the bottom-right corner, 16 % of the width and
// 8 % of the height.
Rect ReprintButtonRect(const Rect& client);
// A scorecard view placed for printing: the client area less its top
// sixteenth.
Rect ScorecardViewRect(const Rect& client);
// The pixel height of the reprint button's font for a screen height.
int32_t ReprintButtonFontHeight(int32_t screenHeight);
