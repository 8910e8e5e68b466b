#pragma once
// Page geometry of the A4 page views as plain computations on values: the
// screen zoom and the pixel/unit conversion, where each page lies on screen
// and on paper, the body, title, subtitle and content rectangles, the
// pagination of grid rows with the header line repeated, the hit testing of
// clickable cells, and the page header and footer texts. The windows call
// these with their own answers to the layout hooks; tests call them directly.
//
// One page unit is 0.01 mm (2540 units per inch). A portrait A4 page is
// 21000 x 29700 units, a landscape one 29700 x 21000.

#include "platform/Geometry.h"
#include "render/Grid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Where a page is drawn: the screen view, or paper (printer or PDF).
enum class DrawMode : int32_t { Screen = 0, Printer = 1 };

inline constexpr int32_t kA4Width = 21000;
inline constexpr int32_t kA4Height = 29700;
// On screen the pages keep this distance from the view's edge, and this gap
// between neighbours.
inline constexpr int32_t kScreenPageMargin = 60;
inline constexpr int32_t kScreenPageGap = 300;

// The screen mapping for a zoom: one page unit is 1/2540 inch at 100 %.
struct ZoomMapping {
    float zoomPercent = 100.0f;
    // The window extent n for a viewport extent of (dpiX * 10, dpiY * 10).
    int32_t windowExtent = 25400;
    // Page units covered by 100 device pixels.
    int32_t unitsPer100PxX = 0;
    int32_t unitsPer100PxY = 0;
};

// The zoom that fits the page width (or two pages side by side) into a
// client area `clientWidthPx` wide, at most 200 %. Nothing when the client is
// narrower than 60 pixels or the resolution is unknown: the view then keeps
// its previous mapping.
std::optional<ZoomMapping> ComputeZoomMapping(int32_t clientWidthPx, int32_t dpiX, int32_t dpiY, bool landscape,
                                              bool twoPagesAcross);

// Pixels to page units at a measured ratio (units per 100 pixels),
// truncating towards zero; and back (units * 100 / ratio).
int32_t PixelsToUnits(int32_t px, int32_t unitsPer100Px);
Rect PixelsToUnits(const Rect& px, int32_t unitsPer100PxX, int32_t unitsPer100PxY);
int32_t UnitsToPixels(int32_t units, int32_t unitsPer100Px);

// Width and height of a page in the given orientation.
int32_t PageWidth(bool landscape);
int32_t PageHeight(bool landscape);

// The rectangle of page `page` (from 1). On paper every page is
// (0, 0, W, H). On screen the pages are centred in a view `viewWidthUnits`
// wide (or kept at the margin when the view is narrower than a page), the
// first 60 units from the top, and the later ones below it (or two per line).
Rect PageRectOf(int32_t page, DrawMode mode, bool landscape, bool twoPagesAcross, int32_t viewWidthUnits);
// The body of a page: margins (left, top, right, bottom) of 1000, 1000, 450,
// 1500 on screen and 500, 500, 950, 2000 on paper.
Rect BodyRectOf(const Rect& page, DrawMode mode);
// The title band: the body's top, `titleHeight` high, 5 % of the body width
// in from each side.
Rect TitleRectOf(const Rect& body, int32_t titleHeight);
// The subtitle band right under the title band; empty when the subtitle
// height is 0.
Rect SubtitleRectOf(const Rect& body, int32_t titleHeight, int32_t subtitleHeight);
// The grid area: the body below the title and subtitle bands.
Rect ContentRectOf(const Rect& body, int32_t titleHeight, int32_t subtitleHeight);

// Lays the header row and every row out on pages whose content area is
// `contentWidth` wide and `availableHeight` high, with lines `rowHeight`
// high. With the header repeated, line 0 of every page is the header and
// the rows start on line 1. A row moves to a new page when it and the lines
// it spans no longer fit; a row taller than a page still gets a page of its
// own. Sets each row's page, serial, line and rectangles (relative to the
// content area's top-left corner). Returns the page count.
int32_t PaginateRows(Grid& grid, int32_t contentWidth, int32_t availableHeight, int32_t rowHeight,
                     bool repeatsHeaderRow);
// The page of the last row; 1 without rows.
int32_t PageCountOf(const std::vector<Grid::Row>& rows);

struct CellHit {
    int32_t row = -1;
    int32_t cell = -1;
    bool IsHit() const { return row != -1; }
    friend bool operator==(const CellHit&, const CellHit&) = default;
};

// The clickable cell of page `page` under the point (x, y) in page units,
// whose content area starts at (originX, originY). Covered cells and cells
// without a positive click id are never hit. Row indices count every row of
// `rows`.
CellHit HitTestCellsOnPage(const std::vector<Grid::Row>& rows, int32_t page, int32_t originX, int32_t originY,
                           int32_t x, int32_t y);

// The scroll range of a view: the bottom of its last page in pixels, plus a
// screen unit and one pixel. The ratios are those of the last zoom; when one
// is not positive the units are taken as they are.
int32_t ViewContentHeightPx(const Rect& lastPageRect, int32_t unitsPer100PxX, int32_t unitsPer100PxY,
                            int32_t screenUnit);

// The page header text: the page title, then " (Page" p "/" n ") " (with the
// trailing space).
std::u16string PageHeaderText(const std::u16string& pageTitle, int32_t page, int32_t pageCount);
// The page footer text: the credit line, then " (" the time " printing)".
std::u16string PageFooterText(const std::u16string& creditLine, const std::string& timeText);
