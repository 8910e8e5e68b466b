#include "render/PageGeometry.h"

#include "foundation/IntMath.h"
#include "foundation/LocText.h"

#include <cmath>
#include <limits>

namespace {

// Device to logical units through the anisotropic mapping of a view:
// viewport extent dpi * 10, window extent n. Like the window system's own
// mapping, the result is rounded to the nearest unit.
int32_t DeviceToLogical(int32_t px, int32_t windowExtent, int32_t dpi)
{
    const double v = static_cast<double>(px) * windowExtent / (static_cast<double>(dpi) * 10.0);
    return ClampToInt32(static_cast<int64_t>(std::floor(v + 0.5)));
}

} // namespace

std::optional<ZoomMapping> ComputeZoomMapping(int32_t clientWidthPx, int32_t dpiX, int32_t dpiY, bool landscape,
                                              bool twoPagesAcross)
{
    if (clientWidthPx < 60 || dpiX <= 0 || dpiY <= 0)
        return std::nullopt;
    const double widthCm = landscape ? 29.7 : 21.0;
    const int32_t pagePx = static_cast<int32_t>(dpiX * widthCm / 2.54);
    if (pagePx <= 0)
        return std::nullopt;

    ZoomMapping m;
    m.zoomPercent = static_cast<float>(clientWidthPx - 10) * 100.0f / static_cast<float>(pagePx);
    if (twoPagesAcross)
        m.zoomPercent = static_cast<float>(static_cast<double>(clientWidthPx - 2) * 100.0 /
                                           (2.0 * pagePx + 118.11024));
    if (m.zoomPercent > 200.0f)
        m.zoomPercent = 200.0f;
    m.windowExtent = static_cast<int32_t>(2540000.0f / m.zoomPercent);
    m.unitsPer100PxX = DeviceToLogical(100, m.windowExtent, dpiX);
    m.unitsPer100PxY = DeviceToLogical(100, m.windowExtent, dpiY);
    return m;
}

int32_t PixelsToUnits(int32_t px, int32_t unitsPer100Px)
{
    return ClampToInt32(static_cast<int64_t>(px) * unitsPer100Px / 100);
}

Rect PixelsToUnits(const Rect& px, int32_t unitsPer100PxX, int32_t unitsPer100PxY)
{
    return Rect{PixelsToUnits(px.left, unitsPer100PxX), PixelsToUnits(px.top, unitsPer100PxY),
                    PixelsToUnits(px.right, unitsPer100PxX), PixelsToUnits(px.bottom, unitsPer100PxY)};
}

int32_t UnitsToPixels(int32_t units, int32_t unitsPer100Px)
{
    if (unitsPer100Px <= 0)
        return units;
    return ClampToInt32(static_cast<int64_t>(units) * 100 / unitsPer100Px);
}

int32_t PageWidth(bool landscape)
{
    return landscape ? kA4Height : kA4Width;
}

int32_t PageHeight(bool landscape)
{
    return landscape ? kA4Width : kA4Height;
}

Rect PageRectOf(int32_t page, DrawMode mode, bool landscape, bool twoPagesAcross, int32_t viewWidthUnits)
{
    const bool screen = mode == DrawMode::Screen;
    const int32_t g = screen ? kScreenPageMargin : 0;
    const int32_t w = PageWidth(landscape);
    const int32_t h = PageHeight(landscape);

    int32_t x0 = 0;
    if (screen) {
        if (twoPagesAcross)
            x0 = (viewWidthUnits - 2 * w) / 2;
        else if (viewWidthUnits <= w + 2 * g)
            x0 = g;
        else
            x0 = (viewWidthUnits - w) / 2;
    }
    Rect r{x0, g, x0 + w, g + h};
    if (screen && page >= 2) {
        const int64_t i = page - 1;
        const int64_t row = twoPagesAcross ? i / 2 : i;
        const int64_t column = twoPagesAcross ? i % 2 : 0;
        const int32_t dx = ClampToInt32(column * (w + kScreenPageGap));
        const int32_t dy = ClampToInt32(row * (h + kScreenPageGap));
        r = Rect{r.left + dx, ClampToInt32(static_cast<int64_t>(r.top) + dy), r.right + dx,
                     ClampToInt32(static_cast<int64_t>(r.bottom) + dy)};
    }
    return r;
}

Rect BodyRectOf(const Rect& page, DrawMode mode)
{
    const int32_t w = page.Width() - 1450;
    const int32_t h = page.Height() - 2500;
    const int32_t d = mode == DrawMode::Screen ? 1000 : 500;
    return Rect{page.left + d, page.top + d, page.left + d + w, page.top + d + h};
}

Rect TitleRectOf(const Rect& body, int32_t titleHeight)
{
    // d is negative (or 0): the band stays 5 % of the body width inside.
    const int32_t d = ((body.left - body.right) * 5) / 100;
    return Rect{body.left - d, body.top, body.right + d, body.top + titleHeight};
}

Rect SubtitleRectOf(const Rect& body, int32_t titleHeight, int32_t subtitleHeight)
{
    if (subtitleHeight == 0)
        return Rect{};
    const Rect t = TitleRectOf(body, titleHeight);
    const int32_t top = t.top + t.Height();
    return Rect{t.left, top, t.right, top + subtitleHeight};
}

Rect ContentRectOf(const Rect& body, int32_t titleHeight, int32_t subtitleHeight)
{
    Rect c = body;
    c.top = TitleRectOf(body, titleHeight).bottom;
    if (subtitleHeight > 0)
        c.top += subtitleHeight;
    return c;
}

int32_t PaginateRows(Grid& grid, int32_t contentWidth, int32_t availableHeight, int32_t rowHeight,
                     bool repeatsHeaderRow)
{
    const Rect lineRect{0, 0, contentWidth, rowHeight};
    Grid::LayoutRow(grid.headerRow, lineRect, grid.headerRow);

    const int32_t firstLine = repeatsHeaderRow ? 0 : -1;
    int32_t page = 1;
    int32_t serial = 0;
    int32_t line = firstLine;
    for (Grid::Row& row : grid.rows) {
        const int64_t span = Grid::MaxRowSpan(row).span;
        // 64-bit: a silly row span must not wrap round and look as if it fit.
        if ((span + 1 + line) * static_cast<int64_t>(rowHeight) > availableHeight) {
            ++page;
            line = firstLine;
        }
        ++serial;
        ++line;
        const int32_t dy = ClampToInt32(static_cast<int64_t>(line) * rowHeight);
        Grid::LayoutRow(row, Rect{lineRect.left, dy, lineRect.right, ClampToInt32(int64_t{dy} + rowHeight)},
                        grid.headerRow);
        row.SetPage(page);
        row.SetSerial(serial);
        row.SetLine(line);
    }
    return PageCountOf(grid.rows);
}

int32_t PageCountOf(const std::vector<Grid::Row>& rows)
{
    if (rows.empty())
        return 1;
    return rows.back().GetPage();
}

CellHit HitTestCellsOnPage(const std::vector<Grid::Row>& rows, int32_t page, int32_t originX, int32_t originY,
                           int32_t x, int32_t y)
{
    for (size_t r = 0; r < rows.size(); ++r) {
        const Grid::Row& row = rows[r];
        if (row.GetPage() != page)
            continue;
        const auto& cells = row.Cells();
        for (size_t c = 0; c < cells.size(); ++c) {
            const Grid::Cell& cell = cells[c];
            if (cell.GetColumnSpan() < 0 || cell.GetRowSpan() < 0 || cell.OnClick().GetClickId() <= 0)
                continue;
            if (cell.GetRect().Moved(originX, originY).Contains(x, y))
                return CellHit{static_cast<int32_t>(r), static_cast<int32_t>(c)};
        }
    }
    return CellHit{};
}

int32_t ViewContentHeightPx(const Rect& lastPageRect, int32_t unitsPer100PxX, int32_t unitsPer100PxY,
                            int32_t screenUnit)
{
    int32_t bottom = lastPageRect.bottom;
    if (unitsPer100PxX > 0 && unitsPer100PxY > 0)
        bottom = UnitsToPixels(bottom, unitsPer100PxY);
    return ClampToInt32(int64_t{bottom} + screenUnit + 1);
}

std::u16string PageHeaderText(const std::u16string& pageTitle, int32_t page, int32_t pageCount)
{
    return pageTitle + u" (Page" + IntToWide(page) + u"/" + IntToWide(pageCount) + u") ";
}

std::u16string PageFooterText(const std::u16string& creditLine, const std::string& timeText)
{
    return creditLine + u" (" + Utf8ToWide(timeText) + u" printing)";
}
