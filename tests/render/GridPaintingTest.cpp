#include "render/GridPainting.h"

#include "platform/RecordingCanvas.h"
#include "render/DrawPrimitives.h"
#include "render/PageGeometry.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using Row = Grid::Row;
using Cell = Grid::Cell;

const Colour kGray = Rgb(178, 178, 178);
const Colour kRed = Rgb(208, 0, 0);
const Colour kBlue = Rgb(0, 0, 192);
const Colour kLine25 = BlendColour(kBlack, kWhite, 25);
const Colour kLine50 = BlendColour(kBlack, kWhite, 50);
const Colour kStripe = Rgb(243, 243, 243);
const Colour kHeaderShade = Rgb(235, 235, 235);

PagePalette PaperPalette()
{
    return MakePagePalette(kBlack, kGray, kRed, kBlue, kLine25, kLine50, kWhite);
}

Row RowOf(int cells, const std::string& text = "x")
{
    Row row;
    for (int i = 0; i < cells; ++i)
        row.AddCell(Cell(text, 1.0f));
    return row;
}

// A landscape page on paper: body (500, 500, 28750, 19000), title 1200
// high, so the grid starts at y = 1700; four columns of 7062 or so, lines
// 1200 high, header repeated.
struct PaperPage {
    PaperPage(int rowCount, int columns = 4)
    {
        grid.headerRow = RowOf(columns, "H");
        for (int i = 0; i < rowCount; ++i)
            grid.rows.push_back(RowOf(columns));
    }
    int Layout()
    {
        body = BodyRectOf(PageRectOf(1, DrawMode::Printer, true, false, 0), DrawMode::Printer);
        content = ContentRectOf(body, 1200, 0);
        pageCount = PaginateRows(grid, content.Width(), content.Height(), 1200, true);
        return pageCount;
    }
    GridPageSpec Spec()
    {
        GridPageSpec spec;
        spec.headerRow = &grid.headerRow;
        spec.rows = &grid.rows;
        spec.body = body;
        spec.content = content;
        spec.pageCount = pageCount;
        spec.drawLastPageStamp = [this](Canvas&, int32_t space) { stampSpace = space; };
        return spec;
    }
    Grid grid;
    Rect body, content;
    int32_t pageCount = 1;
    std::optional<int32_t> stampSpace;
};

std::vector<Colour> FillColours(const RecordingCanvas& dc)
{
    std::vector<Colour> out;
    for (const auto& call : dc.Calls(CanvasOp::FillRect))
        out.push_back(call.colour);
    return out;
}

// ----------------------------------------------------------------- palette

TEST(PagePaletteTest, PaperShadesAndCellColours)
{
    const PagePalette P = PaperPalette();
    EXPECT_EQ(P[PageColour::HighlightShade], kStripe);
    EXPECT_EQ(P[PageColour::HeaderShade], kHeaderShade);
    const struct {
        int32_t index;
        Colour colour;
    } cases[] = {{1, kBlack}, {2, kGray}, {3, kBlue}, {8, kRed}, {9, kBlue}, {0, kBlack}, {4, kBlack}, {-1, kBlack}};
    const PagePalette themed = MakePagePalette(Rgb(1, 1, 1), kGray, kRed, kBlue, kLine25, kLine50, kWhite);
    for (const auto& c : cases)
        EXPECT_EQ(CellTextColour(P, c.index), c.colour) << c.index;
    EXPECT_EQ(CellTextColour(themed, 1), Rgb(1, 1, 1));
    EXPECT_EQ(CellTextColour(themed, 5), kBlack) << "other indexes are black, not the theme's text colour";
}

// ------------------------------------------------------- page backgrounds

TEST(PaintGridPageTest, ZebraStripesOnlyOnPagesWithoutSpans)
{
    PaperPage page(5);
    page.grid.rows[4].SetKind(RowKind::Heading);
    page.Layout();
    RecordingCanvas dc;
    PaintGridPage(dc, {}, 1, DrawMode::Printer, PaperPalette(), page.Spec());
    // Header band, then rows 0..3 alternate paper / 5 % darker, row 4 is shaded.
    EXPECT_EQ(FillColours(dc), (std::vector<Colour>{kHeaderShade, kWhite, kStripe, kWhite, kStripe, kHeaderShade}));
    EXPECT_EQ(dc.Calls(CanvasOp::FillRect)[0].rect, (Rect{500, 1700, 28750, 2900}));
    EXPECT_EQ(dc.Calls(CanvasOp::FillRect)[2].rect.top, 1700 + 2 * 1200);

    // A cell spanning two lines anywhere on the page removes the stripes.
    PaperPage spanned(5);
    spanned.grid.rows[2].Cells()[1].SetRowSpan(2);
    spanned.grid.rows[3].Cells()[1].SetRowSpan(-1);
    spanned.Layout();
    RecordingCanvas dc2;
    PaintGridPage(dc2, {}, 1, DrawMode::Printer, PaperPalette(), spanned.Spec());
    EXPECT_EQ(FillColours(dc2), std::vector<Colour>{kHeaderShade});
}

TEST(PaintGridPageTest, ScreenSkipsInvisibleRowsButKeepsTheirStripeParity)
{
    PaperPage page(4);
    page.Layout();
    RecordingCanvas dc;
    // Only rows 2 and 3 (k = 2, 3) meet the visible rectangle.
    const Rect visible{0, 1700 + 3 * 1200 + 1, 30000, 30000};
    PaintGridPage(dc, visible, 1, DrawMode::Screen, PaperPalette(), page.Spec());
    EXPECT_EQ(FillColours(dc), (std::vector<Colour>{kHeaderShade, kWhite, kStripe}));
}

TEST(PaintGridPageTest, TableFrameHooksAndTheirOrder)
{
    PaperPage page(3);
    page.Layout();
    std::vector<std::string> order;
    GridPageSpec spec = page.Spec();
    FontSpec fontAtTitle, fontAtStamp;
    spec.drawTitle = [&](Canvas& c) {
        order.push_back("title");
        fontAtTitle = c.CurrentFont();
    };
    spec.drawAfterGrid = [&](Canvas&) { order.push_back("after"); };
    spec.drawLastPageStamp = [&](Canvas& c, int32_t space) {
        order.push_back("stamp " + std::to_string(space));
        fontAtStamp = c.CurrentFont();
    };
    RecordingCanvas dc;
    PaintGridPage(dc, {}, 1, DrawMode::Printer, PaperPalette(), spec);

    // The frame is the last thing drawn: header band and rows 1..3.
    const auto lines = dc.Calls(CanvasOp::Line);
    ASSERT_GE(lines.size(), 4u);
    const Rect F{500, 1700, 28750, 1700 + 4 * 1200};
    const std::pair<Point, Point> edges[] = {{{F.left, F.top}, {F.left, F.bottom}},
                                             {{F.left, F.top}, {F.right, F.top}},
                                             {{F.right, F.top}, {F.right, F.bottom}},
                                             {{F.left, F.bottom}, {F.right, F.bottom}}};
    for (int i = 0; i < 4; ++i) {
        const auto& line = lines[lines.size() - 4 + i];
        EXPECT_EQ(line.from, edges[i].first) << i;
        EXPECT_EQ(line.to, edges[i].second) << i;
        EXPECT_EQ(line.state.pen, SolidPen(30, kBlack));
    }
    // The stamp gets the free height under the table less 200.
    EXPECT_EQ(order, (std::vector<std::string>{"title", "after", "stamp " + std::to_string(19000 - F.bottom - 200)}));
    EXPECT_EQ(fontAtTitle, FontSpec(840, kPageFace)) << "the row font is still selected for the title hook";
    EXPECT_NE(fontAtStamp, FontSpec(840, kPageFace)) << "and deselected before the stamp";
    EXPECT_EQ(dc.State().bkMode, BkMode::Transparent);
}

TEST(PaintGridPageTest, StampOnlyOnTheLastPage)
{
    PaperPage page(20);  // 13 rows fill page 1, 7 go to page 2
    ASSERT_EQ(page.Layout(), 2);
    RecordingCanvas dc;
    PaintGridPage(dc, {}, 1, DrawMode::Printer, PaperPalette(), page.Spec());
    EXPECT_FALSE(page.stampSpace.has_value());
    PaintGridPage(dc, {}, 2, DrawMode::Printer, PaperPalette(), page.Spec());
    ASSERT_TRUE(page.stampSpace.has_value());
    EXPECT_EQ(*page.stampSpace, 19000 - (1700 + 8 * 1200) - 200);

    // A last page filled to the bottom: 500 free leaves 300, far too little
    // for a stamp.
    PaperPage full(13);
    ASSERT_EQ(full.Layout(), 1);
    PaintGridPage(dc, {}, 1, DrawMode::Printer, PaperPalette(), full.Spec());
    EXPECT_EQ(full.stampSpace, 300);

    GridPageSpec noStamp = page.Spec();
    noStamp.showsLastPageStamp = false;
    page.stampSpace.reset();
    PaintGridPage(dc, {}, 2, DrawMode::Printer, PaperPalette(), noStamp);
    EXPECT_FALSE(page.stampSpace.has_value());
}

TEST(LastPageStamp, ThresholdSquareAndPicture)
{
    const Rect body{500, 500, 28750, 19000};
    RecordingCanvas dc;
    DrawLastPageStampAt(dc, body, 1200, kRed, u"Q", CanvasPicture());
    EXPECT_TRUE(dc.Calls().empty()) << "space 1200: nothing";

    struct Case {
        int32_t space, q;
    } cases[] = {{1201, 1201}, {1500, 1500}, {2000, 2000}, {12300, 2000}};
    for (const Case& c : cases) {
        RecordingCanvas canvas;
        canvas.SetTextColour(kBlue);
        DrawLastPageStampAt(canvas, body, c.space, Rgb(0, 64, 64), u"Quorvane - Cup", CanvasPicture());
        const CanvasCall* text = canvas.FindText(u"Quorvane - Cup");
        ASSERT_NE(text, nullptr) << c.space;
        EXPECT_EQ(text->rect, (Rect{500, 19000 - c.q, 28750 - c.q, 19000}));
        EXPECT_EQ(text->state.font, FontSpec(c.q / 2, kPageFace));
        EXPECT_EQ(text->state.textColour, Rgb(0, 64, 64));
        EXPECT_EQ(text->format, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EXPECT_EQ(canvas.TextColour(), kBlue);
        EXPECT_TRUE(canvas.Calls(CanvasOp::Picture).empty()) << "no picture: its square stays empty";
    }
}

TEST(LastPageStamp, TextNamesTheProductAndTheEvent)
{
    EXPECT_EQ(LastPageStampText(kLangEnglish, u""), u"Quorvane");
    EXPECT_EQ(LastPageStampText(kLangEnglish, u"Spring Cup"), u"Quorvane - Spring Cup");
    EXPECT_EQ(LastPageStampText(kLangChinese, u"春季赛"), u"奎沃桥牌 - 春季赛");
}

// ------------------------------------------------------------------- cells

class CellTest : public ::testing::Test {
protected:
    // One row, four columns 5000 wide, on line 1 of a content area at (1000, 2200).
    CellTest()
    {
        header = RowOf(4, "H");
        row = RowOf(4, "");
        Grid::LayoutRow(header, {0, 0, 20000, 1200}, header);
        Grid::LayoutRow(row, {0, 1200, 20000, 2400}, header);
        dc.SelectFont(FontSpec(fontH, kPageFace));
    }
    Cell& Cell0() { return row.Cells()[0]; }
    void Draw(DrawMode mode = DrawMode::Printer, int32_t hoverRow = -1, int32_t hoverCell = -1)
    {
        DrawRowCells(dc, content, mode, PaperPalette(), false, row, fontH, hoverRow, hoverCell);
    }
    const int32_t fontH = 840;
    const Rect content{1000, 2200, 21000, 28200};
    // Cell 0 lies at (1000, 3400, 6000, 4600); its text area I at (1030, 3400, 5970, 4600).
    Row header, row;
    RecordingCanvas dc;
};

TEST_F(CellTest, BorderGroupsInOrderWithTheirPens)
{
    for (Cell& cell : row.Cells())
        cell.SetBorderFlags(0);
    Cell0().SetBorderFlags(0xFFF);
    Draw();
    const auto lines = dc.Calls(CanvasOp::Line);
    ASSERT_EQ(lines.size(), 12u);
    const Rect r{1000, 3400, 6000, 4600};
    const std::pair<Point, Point> edges[] = {{{r.left, r.top}, {r.left, r.bottom}},
                                             {{r.left, r.top}, {r.right, r.top}},
                                             {{r.right, r.top}, {r.right, r.bottom}},
                                             {{r.left, r.bottom}, {r.right, r.bottom}}};
    const Pen pens[] = {SolidPen(10, kLine25), DotPen(10, kLine50), SolidPen(30, kLine25)};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(lines[i].from, edges[i % 4].first) << i;
        EXPECT_EQ(lines[i].to, edges[i % 4].second) << i;
        EXPECT_EQ(lines[i].state.pen, pens[i / 4]) << i;
    }

    // The default 12: right and bottom, thin.
    dc.Clear();
    Cell0().SetBorderFlags(12);
    Draw();
    const auto thin = dc.Calls(CanvasOp::Line);
    ASSERT_EQ(thin.size(), 2u);
    EXPECT_EQ(thin[0].from, (Point{6000, 3400}));
    EXPECT_EQ(thin[1].from, (Point{1000, 4600}));
}

TEST_F(CellTest, CoveredCellsAndHighlightPass)
{
    Cell0().SetHighlight(1);
    row.Cells()[1].SetHighlight(1);
    row.Cells()[1].SetColumnSpan(-1);
    row.Cells()[2].SetRowSpan(-1);
    row.Cells()[2].SetText("hidden");
    DrawRowCells(dc, content, DrawMode::Printer, PaperPalette(), true, row, fontH, -1, -1);
    const auto fills = dc.Calls(CanvasOp::FillRect);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].rect, (Rect{1000, 3400, 6000, 4600}));
    EXPECT_EQ(fills[0].colour, kStripe);
    EXPECT_TRUE(dc.Calls(CanvasOp::Line).empty()) << "the background pass draws nothing else";
    dc.Clear();
    Draw();
    EXPECT_EQ(dc.FindText(u"hidden"), nullptr);
}

TEST_F(CellTest, LeadLayoutSplitsAtThirtyPercent)
{
    Cell0().SetLeadText("12");
    Cell0().SetText("4S");
    Cell0().SetSubText("+620");
    Cell0().SetBadgeText("B");
    Cell0().SetSeat(2);
    Cell0().SetColourIndex(8);
    Draw();
    const CanvasCall* lead = dc.FindText(u"12");
    ASSERT_NE(lead, nullptr);
    EXPECT_EQ(lead->rect, (Rect{1030, 3400, 2512, 4600}));
    EXPECT_EQ(lead->format, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EXPECT_EQ(lead->state.textColour, kRed);
    const CanvasCall* text = dc.FindText(u"4S");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->rect, (Rect{2632, 3400, 5970, 4000}));
    EXPECT_EQ(text->format, DT_VCENTER | DT_SINGLELINE);
    EXPECT_EQ(text->state.font.height, 540);
    const CanvasCall* sub = dc.FindText(u"+620");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->rect, (Rect{2632, 4000, 5970, 4600}));
    EXPECT_EQ(sub->format, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    EXPECT_EQ(dc.Texts().size(), 3u) << "no seat letter and no badge in the lead layout";
    EXPECT_TRUE(dc.Calls(CanvasOp::FillRoundRect).empty());
    EXPECT_EQ(dc.TextColour(), kBlack);
    EXPECT_EQ(dc.CurrentFont(), FontSpec(fontH, kPageFace));

    dc.Clear();
    Cell0().SetLeadText("1a");
    Draw();
    EXPECT_EQ(dc.FindText(u"1a")->format, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

TEST_F(CellTest, SeatLayoutPutsTheLetterBeforeTheText)
{
    Cell0().SetSeat(3);
    Cell0().SetText("Lee");
    Cell0().SetSubText("not shown");
    Cell0().SetBadgeText("nor this");
    Cell0().SetAlign(0);
    Draw();
    // "W" is 420 wide in the row font, so the letter box is 504 wide.
    const CanvasCall* letter = dc.FindText(u"W");
    ASSERT_NE(letter, nullptr);
    EXPECT_EQ(letter->rect, (Rect{1030, 3400, 1534, 4600}));
    EXPECT_EQ(letter->format, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const CanvasCall* text = dc.FindText(u"Lee");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->rect, (Rect{1534 + 150, 3400, 5970 - 150, 4600})) << "a wide box is inset by 150";
    EXPECT_EQ(text->format, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    EXPECT_EQ(dc.Texts().size(), 2u);
}

TEST_F(CellTest, SuitSignsAreShapesDrawnFromTheLeftEdge)
{
    Cell0().SetText("4\u2660");
    Cell0().SetAlign(2);
    Draw();
    // Character by character from A.left = 1030 + 150, even though align is right.
    const CanvasCall* four = dc.FindText(u"4");
    ASSERT_NE(four, nullptr);
    EXPECT_EQ(four->rect, (Rect{1180, 3400, 1600, 4600}));
    EXPECT_EQ(four->format, DT_VCENTER | DT_SINGLELINE);
    EXPECT_EQ(dc.FindText(u"\u2660"), nullptr) << "the sign is not drawn as a glyph";
    const auto polys = dc.Calls(CanvasOp::FillPolygon);
    ASSERT_EQ(polys.size(), 1u);
    EXPECT_EQ(polys[0].colour, kSpadeColour);
    // The spade's square: d = (1200 - 604) / 2 = 298 above and below, 604
    // high, centred on the character box 1600..2020.
    EXPECT_EQ(polys[0].points.front(), (Point{1810, 3698}));

    dc.Clear();
    Cell0().SetText("4S");
    Draw();
    const CanvasCall* plain = dc.FindText(u"4S");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->format, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    EXPECT_EQ(plain->rect, (Rect{1180, 3400, 5820, 4600}));

    // Centred suit text starts half the spare width in.
    dc.Clear();
    Cell0().SetText("\u26654");
    Cell0().SetAlign(1);
    Draw();
    EXPECT_EQ(dc.FindText(u"4")->rect.left, 1180 + (4640 - 840) / 2 + 420);

    // Wider than A (12 x 420 = 5040 > 4640): set smaller, by the rule of plain
    // texts, so that the last character still ends inside A.
    dc.Clear();
    Cell0().SetText("\u266012345678901");
    Cell0().SetAlign(0);
    Draw();
    const int32_t smaller = (840 * (4640 - 42)) / 5040;
    const CanvasCall* last = dc.FindText(u"1");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->state.font.height, smaller);
    for (const CanvasCall& t : dc.Calls(CanvasOp::Text))
        EXPECT_LE(t.rect.right, 5820) << WideToUtf8(t.text);
    EXPECT_EQ(dc.Calls(CanvasOp::Text).back().rect.right, 1180 + 12 * (smaller / 2));
}

TEST_F(CellTest, PlainLayoutWithSubTextAndBadge)
{
    Cell0().SetText("A");
    Cell0().SetSubText("sub");
    Cell0().SetBadgeText("B2");
    Cell0().SetColourIndex(9);
    Draw();
    // subText in the lower 40 %, at 80 % of the row font.
    const CanvasCall* sub = dc.FindText(u"sub");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->rect, (Rect{1030, 4120, 5970, 4600}));
    EXPECT_EQ(sub->state.font.height, 672);
    EXPECT_EQ(sub->state.textColour, kBlue);
    const CanvasCall* main = dc.FindText(u"A");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->rect, (Rect{1030 + 150, 3400, 5970 - 150, 4120}));
    EXPECT_EQ(main->format, DT_CENTER | DT_VCENTER | DT_SINGLELINE);

    // The badge sits in the main area (1030, 3400, 5970, 4120): bh = 720,
    // e = 72, v = 86, text 2 x 357 wide at 85 % of the row font.
    const Rect badge{5970 - 144 - 714 - 72, 3400 + 86, 5970 - 72, 4120 - 86};
    const Colour k = Rgb(217, 217, 217);
    const auto fills = dc.Calls(CanvasOp::FillRoundRect);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].rect, badge);
    EXPECT_EQ(fills[0].colour, k);
    EXPECT_EQ(fills[0].cornerW, 3);
    const auto frames = dc.Calls(CanvasOp::FrameRoundRect);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].frameW, 45);
    const auto lines = dc.Calls(CanvasOp::Line);
    const auto leader = std::find_if(lines.begin(), lines.end(), [](const CanvasCall& c) { return c.state.pen.width == 45; });
    ASSERT_NE(leader, lines.end());
    EXPECT_EQ(leader->from, (Point{1200, badge.bottom - 30}));
    EXPECT_EQ(leader->to, (Point{badge.left, badge.bottom - 30}));
    EXPECT_EQ(leader->state.pen, SolidPen(45, k));
    const CanvasCall* label = dc.FindText(u"B2");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->rect, badge.Moved(-72, 0));
    EXPECT_EQ(label->format, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    EXPECT_EQ(label->state.textColour, kBlack);
    EXPECT_EQ(label->state.font.height, 714);
    EXPECT_EQ(dc.CurrentFont(), FontSpec(fontH, kPageFace));
}

TEST_F(CellTest, ClickMarkerAndHoverUnderlineOnScreenOnly)
{
    Cell0().OnClick().SetClickId(1);
    row.SetSerial(5);
    Draw(DrawMode::Screen, 4, 0);
    const auto polys = dc.Calls(CanvasOp::FillPolygon);
    ASSERT_EQ(polys.size(), 1u);
    // x2 = 5940, y = 4555, s = min((1200 - 90) / 3, 350) = 350.
    EXPECT_EQ(polys[0].points, (std::vector<Point>{{5590, 4555}, {5940, 4205}, {5940, 4555}}));
    EXPECT_EQ(polys[0].colour, Rgb(216, 216, 208));
    const auto lines = dc.Calls(CanvasOp::Line);
    const auto underline = std::find_if(lines.begin(), lines.end(),
                                        [](const CanvasCall& c) { return c.state.pen.colour == Rgb(255, 128, 64); });
    ASSERT_NE(underline, lines.end());
    EXPECT_EQ(underline->from, (Point{1060, 4555}));
    EXPECT_EQ(underline->to, (Point{5940, 4555}));
    EXPECT_EQ(underline->state.pen.width, 30);

    // Not hovered: the marker without the underline.
    dc.Clear();
    Draw(DrawMode::Screen, 4, 1);
    EXPECT_EQ(dc.Calls(CanvasOp::FillPolygon).size(), 1u);
    for (const auto& line : dc.Calls(CanvasOp::Line))
        EXPECT_NE(line.state.pen.colour, Rgb(255, 128, 64));

    // On paper: no marker, no underline.
    dc.Clear();
    Draw(DrawMode::Printer, 4, 0);
    EXPECT_TRUE(dc.Calls(CanvasOp::FillPolygon).empty());
}

TEST(DrawCellTextTest, TooWideTextIsDrawnSmallerNotClipped)
{
    RecordingCanvas dc;
    dc.SelectFont(FontSpec(840, kPageFace));
    // 20 narrow characters: 8400 wide in a box 2000 wide and 1200 high (not a wide box).
    const std::u16string text(20, u'a');
    DrawCellText(dc, text, {0, 0, 2000, 1200}, 2, 840);
    const CanvasCall* call = dc.FindText(text);
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->state.font.height, 840 * (2000 - 42) / 8400);
    EXPECT_EQ(call->rect, (Rect{0, 0, 2000, 1200}));
    EXPECT_EQ(call->format, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    EXPECT_EQ(dc.CurrentFont(), FontSpec(840, kPageFace));

    dc.Clear();
    DrawCellText(dc, u"", {0, 0, 2000, 1200}, 1, 840);
    DrawCellText(dc, text, {0, 0, 30, 1200}, 1, 840);  // no room for any font
    EXPECT_TRUE(dc.Calls().empty());

    // Alignments other than 0, 1, 2 draw left-aligned.
    DrawCellText(dc, u"ab", {0, 0, 2000, 1200}, 6, 840);
    EXPECT_EQ(dc.FindText(u"ab")->format, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

// ------------------------------------------------------- title, subtitle

TEST(TitleBands, TitleWithPageNumberAndSubtitle)
{
    RecordingCanvas dc;
    DrawGridTitle(dc, {100, 0, 1100, 1200}, u"T", 2, 3, Rgb(0, 64, 64));
    const auto texts = dc.Calls(CanvasOp::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, u"T (2)");
    EXPECT_EQ(texts[0].format, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
    EXPECT_EQ(texts[0].state.textColour, Rgb(0, 64, 64));
    // 5 characters of 540 at height 1080 in 1000: shrunk to 37 %.
    EXPECT_EQ(texts[0].state.font.height, 1080 * 37 / 100);

    dc.Clear();
    DrawGridTitle(dc, {0, 0, 30000, 1200}, u"T", 1, 1, kBlack);
    EXPECT_EQ(dc.Texts(), std::vector<std::u16string>{u"T"});
    EXPECT_EQ(dc.Calls(CanvasOp::Text)[0].state.font, FontSpec(1080, kPageFace));
    dc.Clear();
    DrawGridTitle(dc, {0, 0, 30000, 0}, u"T", 1, 1, kBlack);
    EXPECT_TRUE(dc.Calls().empty());

    dc.SetTextColour(Rgb(3, 3, 3));
    DrawSubtitleBand(dc, {0, 0, 30000, 800}, "Round 2");
    const CanvasCall* sub = dc.FindText(u"  Round 2 ");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->state.font, FontSpec(640, kPageFace));
    EXPECT_EQ(sub->state.textColour, Rgb(3, 3, 3));
    dc.Clear();
    DrawSubtitleBand(dc, {0, 0, 30000, 10}, "Round 2");
    EXPECT_TRUE(dc.Calls().empty());
}

} // namespace
