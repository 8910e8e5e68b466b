#include "kiosk/DesktopLayout.h"

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

Rect DesktopCellRect(const Rect& client, int32_t n, int32_t i)
{
    const int32_t columns = ColumnCount(n);
    if (columns == 0 || i < 0 || i >= n)
        return {};
    const DesktopBands bands = ComputeDesktopBands(client);
    const int32_t m = RowsPerColumn(n);
    const int32_t W = client.Width();
    int32_t margin = 0;
    if (columns == 1)
        margin = (W - W * 85 / 200) / 2;
    else if (columns == 2)
        margin = (W - W * 85 / 100) / 2;
    const int32_t spanLeft = client.left + margin;
    const int32_t spanWidth = W - 2 * margin;
    const int32_t cellWidth = spanWidth / columns;
    const int32_t cellHeight = bands.list.Height() / m;
    const int32_t left = spanLeft + (i / m) * cellWidth;
    const int32_t top = bands.list.top + (i % m) * cellHeight;
    return {left + 3, top + 2, left + cellWidth - 3, top + cellHeight - 2};
}

int32_t DesktopHitTest(const Rect& client, int32_t n, bool reprintAllowed, int32_t x, int32_t y)
{
    for (int32_t i = 0; i < n; ++i)
        if (DesktopCellRect(client, n, i).Contains(x, y))
            return i;
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
