#include "render/PageGeometry.h"

#include <gtest/gtest.h>

using Cell = Grid::Cell;
using Row = Grid::Row;

namespace {

Grid GridOf(size_t rows, size_t columns = 3)
{
    Grid grid;
    for (size_t c = 0; c < columns; ++c)
        grid.headerRow.AddCell(Cell("h", 1.0f));
    for (size_t r = 0; r < rows; ++r) {
        Row row;
        for (size_t c = 0; c < columns; ++c)
            row.AddCell(Cell("x", 0.0f));
        grid.rows.push_back(row);
    }
    return grid;
}

// The content area of a portrait grid window without subtitle: the body is
// 29700 - 2500 high, less the 1200 of the title band.
constexpr int32_t kPortraitContentHeight = 26000;

} // namespace

TEST(Zoom, FitsThePageWidthIntoTheClient)
{
    // 1000 pixels at 96 dpi, portrait: the page is trunc(96 * 21 / 2.54) =
    // 793 pixels wide, and (1000 - 10) * 100 / 793 is about 124.8 %.
    const auto m = ComputeZoomMapping(1000, 96, 96, false, false);
    ASSERT_TRUE(m.has_value());
    EXPECT_NEAR(m->zoomPercent, 124.842f, 0.001f);
    EXPECT_EQ(m->windowExtent, 20345);
    // 100 pixels cover 100 * 20345 / 960 units.
    EXPECT_EQ(m->unitsPer100PxX, 2119);
    EXPECT_EQ(m->unitsPer100PxY, 2119);

    // Landscape pages and two pages side by side need more room; a wide
    // window stops at 200 %.
    EXPECT_NEAR(ComputeZoomMapping(1000, 96, 96, true, false)->zoomPercent, 990.0f * 100.0f / 1122.0f, 0.001f);
    EXPECT_NEAR(ComputeZoomMapping(1000, 96, 96, false, true)->zoomPercent, 99800.0f / (2 * 793 + 118.11024f),
                0.001f);
    const auto wide = ComputeZoomMapping(5000, 96, 120, false, false);
    EXPECT_FLOAT_EQ(wide->zoomPercent, 200.0f);
    EXPECT_EQ(wide->windowExtent, 12700);
    EXPECT_EQ(wide->unitsPer100PxX, 1323);
    EXPECT_EQ(wide->unitsPer100PxY, 1058);

    // Too narrow, or no resolution: keep what was measured before.
    EXPECT_FALSE(ComputeZoomMapping(59, 96, 96, false, false).has_value());
    EXPECT_TRUE(ComputeZoomMapping(60, 96, 96, false, false).has_value());
    EXPECT_FALSE(ComputeZoomMapping(1000, 0, 96, false, false).has_value());
}

TEST(Zoom, PixelUnitConversionTruncates)
{
    EXPECT_EQ(PixelsToUnits(7, 2119), 148);  // 148.33
    EXPECT_EQ(PixelsToUnits(-7, 2119), -148);
    EXPECT_EQ(PixelsToUnits(Rect{0, 10, 1000, 20}, 2119, 1000), (Rect{0, 100, 21190, 200}));
    EXPECT_EQ(UnitsToPixels(29760, 2119), 1404);
    EXPECT_EQ(UnitsToPixels(29760, 0), 29760);
}

TEST(PageRect, ScreenPlacementAndPaper)
{
    const int32_t wideView = 40000;
    struct Case {
        const char* name;
        int32_t page;
        DrawMode mode;
        bool landscape, twoAcross;
        int32_t viewWidth;
        Rect expected;
    } cases[] = {
        {"screen centred", 1, DrawMode::Screen, false, false, wideView, {9500, 60, 30500, 29760}},
        {"narrow view keeps the margin", 1, DrawMode::Screen, false, false, 21120, {60, 60, 21060, 29760}},
        {"just wider than page and margins", 1, DrawMode::Screen, false, false, 21122, {61, 60, 21061, 29760}},
        {"page 3 below two others",
         3,
         DrawMode::Screen,
         false,
         false,
         wideView,
         {9500, 60 + 2 * 30000, 30500, 29760 + 2 * 30000}},
        {"landscape page 2", 2, DrawMode::Screen, true, false, wideView, {5150, 60 + 21300, 34850, 21060 + 21300}},
        {"two across page 1", 1, DrawMode::Screen, false, true, 50000, {4000, 60, 25000, 29760}},
        {"two across page 2 beside", 2, DrawMode::Screen, false, true, 50000, {25300, 60, 46300, 29760}},
        {"two across page 3 below", 3, DrawMode::Screen, false, true, 50000, {4000, 30060, 25000, 59760}},
        {"paper portrait page 3", 3, DrawMode::Printer, false, false, wideView, {0, 0, 21000, 29700}},
        {"paper landscape", 2, DrawMode::Printer, true, true, wideView, {0, 0, 29700, 21000}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PageRectOf(c.page, c.mode, c.landscape, c.twoAcross, c.viewWidth), c.expected) << c.name;
}

TEST(PageRect, BodyTitleSubtitleAndContent)
{
    const Rect screenPage{60, 60, 21060, 29760};
    const Rect paperPage{0, 0, 21000, 29700};
    const Rect screenBody = BodyRectOf(screenPage, DrawMode::Screen);
    const Rect paperBody = BodyRectOf(paperPage, DrawMode::Printer);
    EXPECT_EQ(screenBody, (Rect{1060, 1060, 20610, 28260}));
    EXPECT_EQ(paperBody, (Rect{500, 500, 20050, 27700}));
    // Same size on screen and on paper, so a layout made for the screen prints.
    EXPECT_EQ(screenBody.Width(), paperBody.Width());
    EXPECT_EQ(screenBody.Height(), paperBody.Height());

    // The title band leaves 5 % of the body width free on each side.
    EXPECT_EQ(TitleRectOf(paperBody, 1200), (Rect{500 + 977, 500, 20050 - 977, 1700}));
    EXPECT_EQ(SubtitleRectOf(paperBody, 1200, 0), Rect{});
    EXPECT_EQ(SubtitleRectOf(paperBody, 1200, 800), (Rect{500 + 977, 1700, 20050 - 977, 2500}));
    EXPECT_EQ(ContentRectOf(paperBody, 1200, 0), (Rect{500, 1700, 20050, 27700}));
    EXPECT_EQ(ContentRectOf(paperBody, 1200, 800), (Rect{500, 2500, 20050, 27700}));
    EXPECT_EQ(ContentRectOf(screenBody, 1200, 0).Height(), kPortraitContentHeight);
}

TEST(Pagination, TwentyRowsPerPageWithTheHeaderRepeated)
{
    Grid grid = GridOf(45);
    const int32_t pages = PaginateRows(grid, 19550, kPortraitContentHeight, 1200, true);
    EXPECT_EQ(pages, 3);
    EXPECT_EQ(grid.headerRow.GetRect(), (Rect{0, 0, 19550, 1200}));
    for (size_t i = 0; i < grid.rows.size(); ++i) {
        const Row& row = grid.rows[i];
        const int32_t expectedPage = static_cast<int32_t>(i / 20) + 1;
        const int32_t expectedLine = static_cast<int32_t>(i % 20) + 1;
        EXPECT_EQ(row.GetPage(), expectedPage) << i;
        EXPECT_EQ(row.GetLine(), expectedLine) << i;
        EXPECT_EQ(row.GetSerial(), static_cast<int32_t>(i) + 1) << i;
        EXPECT_EQ(row.GetRect(), (Rect{0, expectedLine * 1200, 19550, expectedLine * 1200 + 1200})) << i;
    }
    EXPECT_EQ(grid.rows[20].Cells()[1].GetRect(), (Rect{6516, 1200, 13032, 2400}));

    // Without the header repeated the rows start on line 0 and one more fits.
    Grid plain = GridOf(45);
    EXPECT_EQ(PaginateRows(plain, 19550, kPortraitContentHeight, 1200, false), 3);
    EXPECT_EQ(plain.rows[0].GetLine(), 0);
    EXPECT_EQ(plain.rows[20].GetPage(), 1);
    EXPECT_EQ(plain.rows[20].GetLine(), 20);
    EXPECT_EQ(plain.rows[21].GetPage(), 2);
    EXPECT_EQ(plain.rows[21].GetLine(), 0);
}

TEST(Pagination, SpanningRowMovesWhenItsLinesDoNotFit)
{
    // 19 rows fill lines 1 to 19; one line is left on page 1.
    Grid grid = GridOf(21);
    grid.rows[19].Cells()[0].SetRowSpan(2);
    grid.rows[20].Cells()[0].SetRowSpan(-1);
    PaginateRows(grid, 19550, kPortraitContentHeight, 1200, true);
    EXPECT_EQ(grid.rows[18].GetPage(), 1);
    EXPECT_EQ(grid.rows[18].GetLine(), 19);
    EXPECT_EQ(grid.rows[19].GetPage(), 2);
    EXPECT_EQ(grid.rows[19].GetLine(), 1);
    EXPECT_EQ(grid.rows[19].Cells()[0].GetRect().bottom, 3 * 1200);
    EXPECT_EQ(grid.rows[20].GetPage(), 2);
    EXPECT_EQ(grid.rows[20].GetLine(), 2);

    // A single-line row still takes the last line.
    Grid fits = GridOf(21);
    PaginateRows(fits, 19550, kPortraitContentHeight, 1200, true);
    EXPECT_EQ(fits.rows[19].GetPage(), 1);
    EXPECT_EQ(fits.rows[19].GetLine(), 20);

    // A row taller than a page still gets placed, at the top of a new page;
    // an absurd span neither wraps round nor stalls.
    Grid tall = GridOf(3);
    tall.rows[1].Cells()[0].SetRowSpan(40);
    tall.rows[2].Cells()[0].SetRowSpan(2147483647);
    EXPECT_EQ(PaginateRows(tall, 19550, kPortraitContentHeight, 1200, true), 3);
    EXPECT_EQ(tall.rows[1].GetPage(), 2);
    EXPECT_EQ(tall.rows[1].GetLine(), 1);
    EXPECT_EQ(tall.rows[2].GetPage(), 3);
}

TEST(Pagination, PageCount)
{
    EXPECT_EQ(PageCountOf({}), 1);
    Grid empty = GridOf(0);
    EXPECT_EQ(PaginateRows(empty, 1000, 26000, 1200, true), 1);
}

TEST(HitTest, FindsOnlyClickableUncoveredCellsOfThePage)
{
    Grid grid = GridOf(25);
    grid.rows[2].Cells()[1].OnClick().SetClickId(4);
    grid.rows[3].Cells()[0].OnClick().SetClickId(1);
    grid.rows[3].Cells()[0].SetColumnSpan(-1);  // covered: never hit
    grid.rows[22].Cells()[2].OnClick().SetClickId(1);  // on page 2
    PaginateRows(grid, 3000, kPortraitContentHeight, 1200, true);
    const int32_t ox = 1000, oy = 2000;

    // Row 2 sits on line 3: y from 3600 to 4800; column 1 from 1000 to 2000.
    EXPECT_EQ(HitTestCellsOnPage(grid.rows, 1, ox, oy, ox + 1000, oy + 3600), (CellHit{2, 1}));
    EXPECT_EQ(HitTestCellsOnPage(grid.rows, 1, ox, oy, ox + 1999, oy + 4799), (CellHit{2, 1}));
    EXPECT_FALSE(HitTestCellsOnPage(grid.rows, 1, ox, oy, ox + 2000, oy + 3600).IsHit());  // next column
    EXPECT_FALSE(HitTestCellsOnPage(grid.rows, 1, ox, oy, ox + 500, oy + 4900).IsHit());   // covered cell
    EXPECT_FALSE(HitTestCellsOnPage(grid.rows, 1, ox, oy, ox + 500, oy + 1300).IsHit());   // no click id
    // Row 22 is the 3rd row of page 2; it is found only on its own page.
    EXPECT_EQ(HitTestCellsOnPage(grid.rows, 2, ox, oy, ox + 2500, oy + 3700), (CellHit{22, 2}));
    EXPECT_FALSE(HitTestCellsOnPage(grid.rows, 1, ox, oy, ox + 2500, oy + 3700).IsHit());
}

TEST(ViewHeight, LastPageBottomInPixelsPlusAScreenUnit)
{
    const Rect page3 = PageRectOf(3, DrawMode::Screen, false, false, 21190);
    EXPECT_EQ(ViewContentHeightPx(page3, 2119, 2119, 34), 89760 * 100 / 2119 + 34 + 1);
    // Not measured yet: the units are taken as they are.
    EXPECT_EQ(ViewContentHeightPx(page3, 0, 2119, 34), 89760 + 35);
}

TEST(HeaderFooterText, PageNumbersAndPrintTime)
{
    EXPECT_EQ(PageHeaderText(u"Scorecard", 1, 2), u"Scorecard (Page1/2) ");
    EXPECT_EQ(PageHeaderText(u"", 12, 12), u" (Page12/12) ");
    EXPECT_EQ(PageFooterText(u"Credit", "2026-12-08 09:05"), u"Credit (2026-12-08 09:05 printing)");
}
