#include "render/Grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using Cell = Grid::Cell;
using Row = Grid::Row;

namespace {

Row RowOf(std::initializer_list<float> weights)
{
    Row row;
    for (float w : weights)
        row.AddCell(Cell("", w));
    return row;
}

Row PlainRow(size_t cells)
{
    Row row;
    for (size_t i = 0; i < cells; ++i)
        row.AddCell(Cell("x", 0.0f));
    return row;
}

} // namespace

TEST(GridCell, NewCellDefaultsAndResetKeepsCarriedTexts)
{
    Cell cell("A", 2.5f);
    EXPECT_EQ(cell.GetText(), "A");
    EXPECT_FLOAT_EQ(cell.GetWidthWeight(), 2.5f);
    EXPECT_EQ(cell.GetColourIndex(), 1);
    EXPECT_EQ(cell.GetAlign(), 1);
    EXPECT_EQ(cell.GetSeat(), -1);
    EXPECT_EQ(cell.GetBorderFlags(), 12);
    EXPECT_EQ(cell.GetColumnSpan(), 0);
    EXPECT_EQ(cell.GetRowSpan(), 0);
    EXPECT_EQ(cell.GetHighlight(), 0);
    EXPECT_EQ(cell.OnClick().GetClickId(), 0);
    EXPECT_EQ(cell.GetRect(), Rect{});

    cell.SetSubText("s");
    cell.SetExtraText("e");
    cell.SetBadgeText("b");
    cell.SetLeadText("l");
    cell.SetSeat(2);
    cell.SetColourIndex(8);
    cell.SetAlign(2);
    cell.SetBorderFlags(0x100);
    cell.SetColumnSpan(3);
    cell.SetRowSpan(2);
    cell.SetHighlight(1);
    cell.SetRect(Rect{1, 2, 3, 4});
    cell.OnClick().SetClickId(9);
    cell.OnClick().SetClickText("t");
    cell.OnClick().SetClickParam2(5);

    Grid::ResetCell(cell);
    EXPECT_EQ(cell.GetText(), "");
    EXPECT_EQ(cell.GetSubText(), "");
    EXPECT_EQ(cell.GetColourIndex(), 1);
    EXPECT_EQ(cell.GetAlign(), 1);
    EXPECT_EQ(cell.GetBorderFlags(), 12);
    EXPECT_FLOAT_EQ(cell.GetWidthWeight(), 0.0f);
    EXPECT_EQ(cell.GetColumnSpan(), 0);
    EXPECT_EQ(cell.GetRowSpan(), 0);
    EXPECT_EQ(cell.GetHighlight(), 0);
    EXPECT_EQ(cell.OnClick().GetClickId(), 0);
    EXPECT_EQ(cell.GetRect(), Rect{});
    // Not part of a reset.
    EXPECT_EQ(cell.GetExtraText(), "e");
    EXPECT_EQ(cell.GetBadgeText(), "b");
    EXPECT_EQ(cell.GetLeadText(), "l");
    EXPECT_EQ(cell.GetSeat(), 2);
    EXPECT_EQ(cell.OnClick().GetClickText(), "t");
    EXPECT_EQ(cell.OnClick().GetClickParam2(), 5);
}

TEST(GridCell, GetCellCopiesOrGivesDefault)
{
    Row row = RowOf({1.0f, 2.0f});
    row.Cells()[1].SetText("second");
    EXPECT_EQ(Grid::GetCell(row, 1).GetText(), "second");
    for (int32_t i : {2, 100, -1}) {
        const Cell c = Grid::GetCell(row, i);
        EXPECT_EQ(c.GetText(), "") << i;
        EXPECT_FLOAT_EQ(c.GetWidthWeight(), 0.0f) << i;
        EXPECT_EQ(c.GetBorderFlags(), 12) << i;
    }
}

TEST(GridCell, ClickToString)
{
    Grid::Click click;
    EXPECT_EQ(click.ToString(), "ID_onClick=0");
    click.SetClickId(7);
    EXPECT_EQ(click.ToString(), "ID_onClick=7");
    click.SetClickId(-12);
    EXPECT_EQ(click.ToString(), "ID_onClick=-12");
}

TEST(LayoutRow, SharesWidthByHeaderWeightsWithTruncatedEdges)
{
    // Three equal columns over 1000 units: shares of 333.33 each; a right
    // edge is the truncated start plus the truncated share, so it can lie one
    // unit left of the next cell's start.
    const Row header = RowOf({1.0f, 1.0f, 1.0f});
    Row row = PlainRow(3);
    Grid::LayoutRow(row, Rect{100, 50, 1100, 250}, header);
    EXPECT_EQ(row.GetRect(), (Rect{100, 50, 1100, 250}));
    EXPECT_EQ(row.Cells()[0].GetRect(), (Rect{100, 50, 433, 250}));
    EXPECT_EQ(row.Cells()[1].GetRect(), (Rect{433, 50, 766, 250}));
    EXPECT_EQ(row.Cells()[2].GetRect(), (Rect{766, 50, 1099, 250}));
}

TEST(LayoutRow, SpansAndCoveredCells)
{
    const Row header = RowOf({2.0f, 1.0f, 1.0f});
    const Rect line{0, 1200, 4000, 2400};

    // columnSpan 0 and 1 give the same rectangle.
    Row zero = PlainRow(3), one = PlainRow(3);
    one.Cells()[0].SetColumnSpan(1);
    Grid::LayoutRow(zero, line, header);
    Grid::LayoutRow(one, line, header);
    EXPECT_EQ(zero.Cells()[0].GetRect(), one.Cells()[0].GetRect());
    EXPECT_EQ(zero.Cells()[0].GetRect(), (Rect{0, 1200, 2000, 2400}));

    // A two-column span followed by its covered cell: the covered cell keeps
    // the empty rectangle even with a row span, and the next cell starts where
    // the span ends. A row span of 3 reaches three lines down.
    Row spanning = PlainRow(3);
    spanning.Cells()[0].SetColumnSpan(2);
    spanning.Cells()[1].SetColumnSpan(-1);
    spanning.Cells()[1].SetRowSpan(2);
    spanning.Cells()[2].SetRowSpan(3);
    Grid::LayoutRow(spanning, line, header);
    EXPECT_EQ(spanning.Cells()[0].GetRect(), (Rect{0, 1200, 3000, 2400}));
    EXPECT_EQ(spanning.Cells()[1].GetRect(), Rect{});
    EXPECT_EQ(spanning.Cells()[2].GetRect(), (Rect{3000, 1200, 4000, 4800}));

    // A row with fewer cells than the header lays out only its own cells.
    Row shortRow = PlainRow(1);
    Grid::LayoutRow(shortRow, line, header);
    ASSERT_EQ(shortRow.Cells().size(), 1u);
    EXPECT_EQ(shortRow.Cells()[0].GetRect(), (Rect{0, 1200, 2000, 2400}));
}

TEST(LayoutRow, HeaderThatDoesNotFitTheRowNeverDividesByZero)
{
    const Rect line{0, 0, 900, 100};
    struct Case {
        const char* name;
        Row header;
        std::vector<Rect> expected;
    } cases[] = {
        // Weights summing to 0 or less, or to no number at all: equal columns.
        {"all zero", RowOf({0.0f, 0.0f, 0.0f}), {{0, 0, 300, 100}, {300, 0, 600, 100}, {600, 0, 900, 100}}},
        {"negative total", RowOf({1.0f, -3.0f, 1.0f}), {{0, 0, 300, 100}, {300, 0, 600, 100}, {600, 0, 900, 100}}},
        {"not a number",
         RowOf({1.0f, std::numeric_limits<float>::quiet_NaN(), 1.0f}),
         {{0, 0, 300, 100}, {300, 0, 600, 100}, {600, 0, 900, 100}}},
        {"infinite",
         RowOf({1.0f, std::numeric_limits<float>::infinity(), 1.0f}),
         {{0, 0, 300, 100}, {300, 0, 600, 100}, {600, 0, 900, 100}}},
        // A header shorter than the row: the cells past it get no width and
        // sit at the table's right edge.
        {"short header", RowOf({1.0f, 2.0f}), {{0, 0, 300, 100}, {300, 0, 900, 100}, {900, 0, 900, 100}}},
        // No columns at all.
        {"empty header", Row{}, {{0, 0, 0, 100}, {0, 0, 0, 100}, {0, 0, 0, 100}}},
    };
    for (Case& c : cases) {
        Row row = PlainRow(3);
        Grid::LayoutRow(row, line, c.header);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(row.Cells()[i].GetRect(), c.expected[i]) << c.name << " cell " << i;
    }

    // A span reaching past the header is cut at the table's right edge.
    Row wide = PlainRow(2);
    wide.Cells()[1].SetColumnSpan(5);
    Grid::LayoutRow(wide, line, RowOf({1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(wide.Cells()[1].GetRect(), (Rect{300, 0, 900, 100}));
}

TEST(LayoutRow, FitRowsToHeaderDropsCellsPastTheLastColumn)
{
    const Row header = RowOf({1.0f, 1.0f});
    std::vector<Row> rows{PlainRow(4), PlainRow(2), PlainRow(1)};
    rows[0].Cells()[1].SetColumnSpan(3);
    rows[1].Cells()[0].SetColumnSpan(2);
    rows[1].Cells()[1].SetColumnSpan(-1);
    Grid::FitRowsToHeader(header, rows);
    ASSERT_EQ(rows[0].Cells().size(), 2u);
    EXPECT_EQ(rows[0].Cells()[1].GetColumnSpan(), 1);
    // Rows that already fit are left as they are.
    EXPECT_EQ(rows[1].Cells()[0].GetColumnSpan(), 2);
    EXPECT_EQ(rows[1].Cells()[1].GetColumnSpan(), -1);
    EXPECT_EQ(rows[2].Cells().size(), 1u);
}

TEST(RowSpans, MaxRowSpanAndHasRowSpans)
{
    Row plain = PlainRow(3);
    EXPECT_EQ(Grid::MaxRowSpan(plain).span, 1);
    EXPECT_FALSE(Grid::MaxRowSpan(plain).anyCovered);
    EXPECT_EQ(Grid::MaxRowSpan(Row{}).span, 1);

    Row spanning = PlainRow(3);
    spanning.Cells()[0].SetRowSpan(2);
    spanning.Cells()[2].SetRowSpan(3);
    Row covered = PlainRow(3);
    covered.Cells()[2].SetRowSpan(-1);
    covered.Cells()[0].SetRowSpan(1);
    EXPECT_EQ(Grid::MaxRowSpan(spanning).span, 3);
    EXPECT_EQ(Grid::MaxRowSpan(covered).span, 1);
    EXPECT_TRUE(Grid::MaxRowSpan(covered).anyCovered);

    EXPECT_FALSE(Grid::HasRowSpans({plain, covered}));
    EXPECT_TRUE(Grid::HasRowSpans({plain, spanning}));
    EXPECT_FALSE(Grid::HasRowSpans({}));
}
