#include "kiosk/DesktopLayout.h"

#include <algorithm>

DesktopBands ComputeDesktopBands(const Rect& c)
{
    const int32_t L = c.left, T = c.top, R = c.right, B = c.bottom;
    DesktopBands bands;
    bands.title = {L, T, R, T + ((B - T) * 8) / 100};
    bands.footer = {L, B + ((T - B) * 8) / 100, R, B};
    bands.list = {L, bands.title.bottom, R, bands.footer.top};
    bands.reprint = {R + ((L - R) * 16) / 100, bands.footer.top, R, B};
    return bands;
}

int32_t RowsPerColumn(int32_t n)
{
    if (n < 29)
        return 7;
    if (n < 57)
        return 8;
    if (n < 81)
        return 9;
    if (n < 101)
        return 10;
    return 11;
}

int32_t ColumnCount(int32_t n)
{
    if (n <= 0)
        return 0;
    const int32_t m = RowsPerColumn(n);
    return (n + m - 1) / m;
}

namespace {

// The one-screen layout of n entries (n > 0), as the kiosk has always drawn
// it: one column takes the middle 42.5 % of the width, two the middle 85 %,
// more the whole width.
DesktopPageLayout OneScreenLayout(const Rect& client, const DesktopBands& bands, int32_t n)
{
    DesktopPageLayout layout;
    layout.rows = RowsPerColumn(n);
    layout.columns = ColumnCount(n);
    const int32_t W = client.Width();
    int32_t margin = 0;
    if (layout.columns == 1)
        margin = (W - W * 85 / 200) / 2;
    else if (layout.columns == 2)
        margin = (W - W * 85 / 100) / 2;
    layout.cells = {client.left + margin, bands.list.top, client.right - margin, bands.list.bottom};
    layout.cellWidth = (W - 2 * margin) / layout.columns;
    layout.cellHeight = bands.list.Height() / layout.rows;
    layout.count = n;
    return layout;
}

// The paged layout: a page bar as tall as the footer (never less than a
// cell) at the bottom of the list band, and the whole cells of at least the
// minimum size that fit above it, up to the 11 rows of the fullest screen.
DesktopPageLayout PagedLayout(const Rect& client, const DesktopBands& bands, int32_t n, int32_t page)
{
    DesktopPageLayout layout;
    layout.paged = true;
    const Rect& list = bands.list;
    const int32_t barHeight = std::min(std::max(kMinCellHeight, bands.footer.Height()), list.Height());
    layout.cells = {list.left, list.top, list.right, list.bottom - barHeight};
    layout.rows = std::clamp(layout.cells.Height() / kMinCellHeight, 1, 11);
    layout.columns = std::max(1, client.Width() / kMinCellWidth);
    layout.cellWidth = client.Width() / layout.columns;
    layout.cellHeight = layout.cells.Height() / layout.rows;
    const int32_t perPage = layout.rows * layout.columns;
    layout.pageCount = std::max(1, (n + perPage - 1) / perPage);
    layout.page = std::clamp(page, 0, layout.pageCount - 1);
    layout.first = layout.page * perPage;
    layout.count = std::min(perPage, n - layout.first);

    // The page buttons take a quarter of the width each, at the two ends,
    // far apart so that a finger meant for one never lands on the other.
    const Rect bar{list.left, layout.cells.bottom, list.right, list.bottom};
    const int32_t gap = 4;
    const int32_t buttonWidth = client.Width() / 4;
    layout.previous = {bar.left + gap, bar.top + gap, bar.left + buttonWidth - gap, bar.bottom - gap};
    layout.next = {bar.right - buttonWidth + gap, bar.top + gap, bar.right - gap, bar.bottom - gap};
    layout.indicator = {bar.left + buttonWidth, bar.top, bar.right - buttonWidth, bar.bottom};
    return layout;
}

} // namespace

DesktopPageLayout ComputeDesktopPageLayout(const Rect& client, int32_t n, int32_t page)
{
    if (n <= 0)
        return {};
    const DesktopBands bands = ComputeDesktopBands(client);
    DesktopPageLayout layout = OneScreenLayout(client, bands, n);
    if (layout.cellWidth >= kMinCellWidth && layout.cellHeight >= kMinCellHeight)
        return layout;
    // Too many columns for that grid, yet few enough entries for one screen
    // of minimum cells: the fullest column height that keeps the minimum
    // (at most 11), the whole width, and no page bar.
    const int32_t rows = std::clamp(bands.list.Height() / kMinCellHeight, 1, 11);
    const int32_t columns = (n + rows - 1) / rows;
    if (columns <= std::max(1, client.Width() / kMinCellWidth)) {
        layout.rows = rows;
        layout.columns = columns;
        layout.cells = {client.left, bands.list.top, client.right, bands.list.bottom};
        layout.cellWidth = client.Width() / columns;
        layout.cellHeight = bands.list.Height() / rows;
        return layout;
    }
    return PagedLayout(client, bands, n, page);
}

Rect DesktopSlotRect(const DesktopPageLayout& layout, int32_t slot)
{
    if (slot < 0 || slot >= layout.count)
        return {};
    const int32_t left = layout.cells.left + (slot / layout.rows) * layout.cellWidth;
    const int32_t top = layout.cells.top + (slot % layout.rows) * layout.cellHeight;
    return {left + 3, top + 2, left + layout.cellWidth - 3, top + layout.cellHeight - 2};
}

Rect DesktopCellRect(const Rect& client, int32_t n, int32_t i, int32_t page)
{
    if (i < 0 || i >= n)
        return {};
    const DesktopPageLayout layout = ComputeDesktopPageLayout(client, n, page);
    return DesktopSlotRect(layout, i - layout.first);
}

int32_t DesktopHitTest(const Rect& client, int32_t n, bool reprintAllowed, int32_t x, int32_t y, int32_t page)
{
    const DesktopPageLayout layout = ComputeDesktopPageLayout(client, n, page);
    // The slot under the point is found by division; the point must then lie
    // on the button, not in the gap around it.
    if (layout.count > 0 && layout.cellWidth > 0 && layout.cellHeight > 0 && x >= layout.cells.left &&
        y >= layout.cells.top) {
        const int32_t column = (x - layout.cells.left) / layout.cellWidth;
        const int32_t row = (y - layout.cells.top) / layout.cellHeight;
        if (column < layout.columns && row < layout.rows) {
            const int32_t slot = column * layout.rows + row;
            if (DesktopSlotRect(layout, slot).Contains(x, y))
                return layout.first + slot;
        }
    }
    if (layout.paged) {
        if (layout.page > 0 && layout.previous.Contains(x, y))
            return kPreviousPageIndex;
        if (layout.page + 1 < layout.pageCount && layout.next.Contains(x, y))
            return kNextPageIndex;
    }
    if (reprintAllowed && ComputeDesktopBands(client).reprint.Contains(x, y))
        return kReprintIndex;
    return -1;
}

Rect ReprintButtonRect(const Rect& c)
{
    return {c.right + ((c.left - c.right) * 16) / 100, c.bottom + ((c.top - c.bottom) * 8) / 100, c.right, c.bottom};
}

Rect ScorecardViewRect(const Rect& c)
{
    const int32_t h = c.bottom - c.top;
    return {c.left, c.top + h / 16, c.right, c.top + h / 16 + (h - h / 16)};
}

int32_t ReprintButtonFontHeight(int32_t screenHeight)
{
    return 2 * ((screenHeight * 32 / 1000) * 78 / 100);
}
