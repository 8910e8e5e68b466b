#include "kiosk/DesktopLayout.h"

#include <gtest/gtest.h>

namespace {
const Rect kScreen{0, 0, 1920, 1080};
}

TEST(DesktopLayout, BandsTakeEightPercentTopAndBottom)
{
    const DesktopBands b = ComputeDesktopBands(kScreen);
    EXPECT_EQ(b.title, (Rect{0, 0, 1920, 86}));
    EXPECT_EQ(b.footer, (Rect{0, 994, 1920, 1080}));
    EXPECT_EQ(b.list, (Rect{0, 86, 1920, 994}));
    EXPECT_EQ(b.reprint, (Rect{1613, 994, 1920, 1080}));
    EXPECT_EQ(ReprintButtonRect(kScreen), b.reprint);
    EXPECT_EQ(ScorecardViewRect(kScreen), (Rect{0, 67, 1920, 1080}));
    EXPECT_EQ(ReprintButtonFontHeight(1080), 2 * (34 * 78 / 100));
}

TEST(DesktopLayout, ColumnsAndSpansFollowTheEntryCount)
{
    struct Case {
        int32_t n, rows, columns, spanLeft, spanRight;
    } cases[] = {
        {28, 7, 4, 0, 1920},
        {29, 8, 4, 0, 1920},
        {5, 7, 1, 552, 1368},  // the middle 42.5 %: margin (1920 - 816) / 2
        {10, 7, 2, 144, 1776}, // the middle 85 %: margin (1920 - 1632) / 2
        {57, 9, 7, 0, 1920},
        {100, 10, 10, 0, 1920},
        {101, 11, 10, 0, 1920},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RowsPerColumn(c.n), c.rows) << c.n;
        EXPECT_EQ(ColumnCount(c.n), c.columns) << c.n;
        const Rect first = DesktopCellRect(kScreen, c.n, 0);
        const int32_t cellWidth = (c.spanRight - c.spanLeft) / c.columns;
        EXPECT_EQ(first.left, c.spanLeft + 3) << c.n;
        EXPECT_EQ(first.right, c.spanLeft + cellWidth - 3) << c.n;
        EXPECT_EQ(first.top, 86 + 2) << c.n;
        EXPECT_EQ(first.bottom, 86 + 908 / c.rows - 2) << c.n;
    }
    // A column fills from top to bottom before the next one starts.
    const Rect eighth = DesktopCellRect(kScreen, 10, 7);
    EXPECT_EQ(eighth.left, 144 + 816 + 3);
    EXPECT_EQ(eighth.top, 86 + 2);
    const Rect tenth = DesktopCellRect(kScreen, 10, 9);
    EXPECT_EQ(tenth.top, 86 + 2 * (908 / 7) + 2);
    EXPECT_EQ(DesktopCellRect(kScreen, 0, 0), Rect{});
    EXPECT_EQ(DesktopCellRect(kScreen, 3, 3), Rect{});
}

TEST(DesktopLayout, HitTestFindsButtonsGapsAndTheReprintArea)
{
    const Rect cell = DesktopCellRect(kScreen, 5, 2);
    EXPECT_EQ(DesktopHitTest(kScreen, 5, false, cell.left, cell.top), 2);
    EXPECT_EQ(DesktopHitTest(kScreen, 5, false, cell.left - 1, cell.top), -1); // the 3-pixel gap
    EXPECT_EQ(DesktopHitTest(kScreen, 5, false, 100, 500), -1);
    EXPECT_EQ(DesktopHitTest(kScreen, 5, true, 1800, 1050), kReprintIndex);
    EXPECT_EQ(DesktopHitTest(kScreen, 5, false, 1800, 1050), -1);
    EXPECT_EQ(DesktopHitTest(kScreen, 0, true, 1600, 1050), -1);
}

namespace {

// The one-screen cell as the kiosk has always computed it, kept here as the
// reference that a list fitting on one screen must still match exactly.
Rect OneScreenCell(const Rect& client, int32_t n, int32_t i)
{
    const int32_t columns = ColumnCount(n), m = RowsPerColumn(n), W = client.Width();
    const int32_t margin = columns == 1 ? (W - W * 85 / 200) / 2 : columns == 2 ? (W - W * 85 / 100) / 2 : 0;
    const int32_t cellWidth = (W - 2 * margin) / columns;
    const int32_t cellHeight = ComputeDesktopBands(client).list.Height() / m;
    const int32_t left = client.left + margin + (i / m) * cellWidth;
    const int32_t top = ComputeDesktopBands(client).list.top + (i % m) * cellHeight;
    return {left + 3, top + 2, left + cellWidth - 3, top + cellHeight - 2};
}

bool Overlap(const Rect& a, const Rect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

const Rect kSmallScreen{0, 0, 1280, 800};

} // namespace

TEST(DesktopLayout, ListsThatFitKeepTheOneScreenGeometry)
{
    // 13 columns of 147 pixels are the widest grid at or above the minimum
    // cell on the larger screen; 8 of 160 on the smaller. There nine columns
    // (73 to 88 entries) are too narrow, but 11 rows of 8 minimum cells still
    // hold them on one screen.
    struct Case {
        Rect client;
        int32_t lastUnchanged, lastOneScreen;
    } cases[] = {{kScreen, 143, 143}, {kSmallScreen, 72, 88}};
    for (const Case& c : cases) {
        const Rect list = ComputeDesktopBands(c.client).list;
        for (int32_t n = 1; n <= c.lastOneScreen; ++n) {
            const DesktopPageLayout layout = ComputeDesktopPageLayout(c.client, n, 3);
            ASSERT_FALSE(layout.paged) << c.client.right << " " << n;
            EXPECT_EQ(layout.page, 0);
            EXPECT_EQ(layout.count, n);
            for (int32_t i = 0; i < n; ++i) {
                const Rect cell = DesktopCellRect(c.client, n, i, 3);
                if (n <= c.lastUnchanged) {
                    ASSERT_EQ(cell, OneScreenCell(c.client, n, i)) << n << " " << i;
                }
                ASSERT_GE(cell.Width() + 6, kMinCellWidth) << n << " " << i;
                ASSERT_GE(cell.Height() + 4, kMinCellHeight) << n << " " << i;
                ASSERT_LE(cell.right, c.client.right) << n << " " << i;
                ASSERT_LE(cell.bottom, list.bottom) << n << " " << i;
            }
        }
        EXPECT_TRUE(ComputeDesktopPageLayout(c.client, c.lastOneScreen + 1, 0).paged) << c.client.right;
    }
    const DesktopPageLayout fullSmallScreen = ComputeDesktopPageLayout(kSmallScreen, 88, 0);
    EXPECT_EQ(fullSmallScreen.rows, 11);
    EXPECT_EQ(fullSmallScreen.columns, 8);
}

TEST(DesktopLayout, LongListsArePagedWithCellsAtLeastTheMinimum)
{
    struct Case {
        Rect client;
        int32_t n, rows, columns, pages, lastPageCount;
    } cases[] = {
        {kScreen, 144, 11, 13, 2, 1},       {kScreen, 286, 11, 13, 2, 143},  {kScreen, 400, 11, 13, 3, 114},
        {kScreen, 100000, 11, 13, 700, 43}, {kSmallScreen, 89, 10, 8, 2, 9}, {kSmallScreen, 400, 10, 8, 5, 80},
        {kSmallScreen, 401, 10, 8, 6, 1},
    };
    for (const Case& c : cases) {
        const DesktopBands bands = ComputeDesktopBands(c.client);
        for (int32_t page : {0, 1, c.pages - 1}) {
            const DesktopPageLayout layout = ComputeDesktopPageLayout(c.client, c.n, page);
            SCOPED_TRACE(std::to_string(c.client.right) + " n=" + std::to_string(c.n) + " page " +
                         std::to_string(page));
            ASSERT_TRUE(layout.paged);
            EXPECT_EQ(layout.rows, c.rows);
            EXPECT_EQ(layout.columns, c.columns);
            EXPECT_EQ(layout.pageCount, c.pages);
            EXPECT_EQ(layout.page, page);
            EXPECT_EQ(layout.first, page * c.rows * c.columns);
            EXPECT_EQ(layout.count, page == c.pages - 1 ? c.lastPageCount : c.rows * c.columns);
            // The page bar sits in the list band, its buttons touch-sized and
            // clear of every cell and of the reprint area.
            for (const Rect& part : {layout.previous, layout.next, layout.indicator}) {
                EXPECT_GE(part.top, bands.list.top);
                EXPECT_LE(part.bottom, bands.list.bottom);
                EXPECT_FALSE(Overlap(part, bands.reprint));
            }
            EXPECT_GE(layout.previous.Height(), kMinCellHeight - 8);
            EXPECT_GE(layout.previous.Width(), 4 * kMinCellWidth / 2);
            EXPECT_EQ(layout.next.Width(), layout.previous.Width());
            Rect last{};
            for (int32_t slot = 0; slot < layout.count; ++slot) {
                const Rect cell = DesktopCellRect(c.client, c.n, layout.first + slot, page);
                ASSERT_EQ(cell, DesktopSlotRect(layout, slot));
                // The cell with its gaps (3 pixels left and right, 2 above
                // and below) is at least the minimum.
                ASSERT_GE(cell.Width() + 6, kMinCellWidth) << slot;
                ASSERT_GE(cell.Height() + 4, kMinCellHeight) << slot;
                ASSERT_GE(cell.left, c.client.left);
                ASSERT_LE(cell.right, c.client.right);
                ASSERT_GE(cell.top, bands.list.top);
                ASSERT_FALSE(Overlap(cell, layout.previous) || Overlap(cell, layout.next) ||
                             Overlap(cell, layout.indicator) || Overlap(cell, bands.reprint))
                    << slot;
                ASSERT_FALSE(Overlap(cell, last)) << slot;
                last = cell;
            }
            // Entries of other pages have no place on this one.
            EXPECT_EQ(DesktopCellRect(c.client, c.n, layout.first - 1, page), Rect{});
            EXPECT_EQ(DesktopCellRect(c.client, c.n, layout.first + layout.count, page), Rect{});
        }
    }
}

TEST(DesktopLayout, PageIsClampedToTheListsPages)
{
    EXPECT_EQ(ComputeDesktopPageLayout(kSmallScreen, 400, 4).page, 4);
    // The list shrinks under page 5 of 5: its last page is shown.
    const DesktopPageLayout shrunk = ComputeDesktopPageLayout(kSmallScreen, 100, 4);
    EXPECT_EQ(shrunk.page, 1);
    EXPECT_EQ(shrunk.first, 80);
    EXPECT_EQ(shrunk.count, 20);
    EXPECT_EQ(ComputeDesktopPageLayout(kSmallScreen, 400, -3).page, 0);
    // Down to one screen: no pages at all.
    EXPECT_FALSE(ComputeDesktopPageLayout(kSmallScreen, 50, 4).paged);
    EXPECT_EQ(ComputeDesktopPageLayout(kSmallScreen, 0, 4).count, 0);
}

TEST(DesktopLayout, HitTestAgreesWithTheCellsOnEveryPoint)
{
    // Every fourth pixel of the screen, against a scan of the cells that are
    // shown: division must find exactly the button under the point, and the
    // page buttons answer only where they lead somewhere.
    struct Case {
        Rect client;
        int32_t n, page;
    } cases[] = {{kScreen, 5, 0},   {kScreen, 10, 0},       {kScreen, 143, 0},    {kScreen, 400, 1},
                 {kScreen, 400, 0}, {kSmallScreen, 400, 4}, {kSmallScreen, 88, 0}};
    for (const Case& c : cases) {
        const DesktopPageLayout layout = ComputeDesktopPageLayout(c.client, c.n, c.page);
        const Rect reprint = ComputeDesktopBands(c.client).reprint;
        for (int32_t y = 0; y < c.client.bottom; y += 4) {
            for (int32_t x = 0; x < c.client.right; x += 4) {
                int32_t expected = -1;
                for (int32_t slot = 0; slot < layout.count && expected < 0; ++slot)
                    if (DesktopSlotRect(layout, slot).Contains(x, y))
                        expected = layout.first + slot;
                if (expected < 0 && layout.page > 0 && layout.previous.Contains(x, y))
                    expected = kPreviousPageIndex;
                if (expected < 0 && layout.page + 1 < layout.pageCount && layout.next.Contains(x, y))
                    expected = kNextPageIndex;
                if (expected < 0 && reprint.Contains(x, y))
                    expected = kReprintIndex;
                ASSERT_EQ(DesktopHitTest(c.client, c.n, true, x, y, c.page), expected)
                    << c.n << " page " << c.page << " at " << x << "," << y;
            }
        }
    }
    // The reprint area keeps its own value however long the list is.
    EXPECT_EQ(DesktopHitTest(kScreen, 100000, true, 1800, 1050, 69), kReprintIndex);
}
