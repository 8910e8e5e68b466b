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
