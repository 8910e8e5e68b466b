#include "render/DrawPrimitives.h"

#include "platform/RecordingCanvas.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<Point> Pts(std::initializer_list<Point> list)
{
    return list;
}

// ------------------------------------------------------------------ colours

TEST(ColourArithmetic, BlendLumaAndContrast)
{
    EXPECT_EQ(BlendColour(kWhite, kBlack, 5), Rgb(243, 243, 243));
    EXPECT_EQ(BlendColour(kBlack, kWhite, 70), Rgb(178, 178, 178));
    EXPECT_EQ(BlendColour(kWhite, kBlack, 8), Rgb(235, 235, 235));
    // Truncation towards zero on a falling channel: 248 - 12.4 gives 236.
    EXPECT_EQ(BlendColour(Rgb(248, 10, 0), Rgb(0, 20, 255), 5), Rgb(236, 10, 12));
    EXPECT_NEAR(Luma(Rgb(248, 248, 240)), 247.088, 1e-9);

    EXPECT_EQ(ContrastColour(Rgb(248, 248, 240), 5), Rgb(236, 236, 228)) << "light: darkened";
    EXPECT_EQ(ContrastColour(Rgb(0, 0, 128), 5), Rgb(12, 12, 134)) << "dark blue: lightened";
    EXPECT_EQ(ContrastColour(kWhite, 5), Rgb(243, 243, 243));
}

// -------------------------------------------------------------- DrawTextFit

class DrawTextFitTest : public ::testing::Test {
protected:
    DrawTextFitTest() { dc.SelectFont(FontSpec(100, kPageFace)); }
    // 20 narrow characters at height 100: 1000 units wide on the recording canvas.
    const std::u16string text = u"aaaaaaaaaaaaaaaaaaaa";
    RecordingCanvas dc;
};

TEST_F(DrawTextFitTest, ShrinksToTheBoxAtMost95Percent)
{
    struct Case {
        int32_t boxWidth;
        int32_t expectedHeight;
        FontSource expectedSource;
    } cases[] = {
        {500, 50, FontSource::Temporary},  // 50 %
        {990, 95, FontSource::Temporary},  // 99 % is capped at 95 %
        {999, 95, FontSource::Temporary},
        {1000, 100, FontSource::Cache},    // fits: the selected font is kept
        {3000, 100, FontSource::Cache},
    };
    for (const Case& c : cases) {
        dc.Clear();
        DrawTextFit(dc, DT_CENTER | DT_VCENTER | DT_SINGLELINE, text, u"Face", 100, false, kNoColour,
                    {0, 0, c.boxWidth, 200});
        const auto texts = dc.Calls(CanvasOp::Text);
        ASSERT_EQ(texts.size(), 1u) << c.boxWidth;
        EXPECT_EQ(texts[0].state.font.height, c.expectedHeight) << c.boxWidth;
        EXPECT_EQ(texts[0].state.fontSource, c.expectedSource) << c.boxWidth;
        if (c.expectedSource == FontSource::Temporary) {
            EXPECT_EQ(texts[0].state.font.face, u"Face");
        }
        EXPECT_EQ(texts[0].rect, (Rect{0, 0, c.boxWidth, 200}));
        EXPECT_EQ(texts[0].format, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EXPECT_EQ(dc.CurrentFont(), FontSpec(100, kPageFace)) << "font restored";
        EXPECT_EQ(dc.State().fontSource, FontSource::Cache);
    }
}

TEST_F(DrawTextFitTest, ShadowAndBackground)
{
    dc.SetTextColour(Rgb(10, 20, 250));
    DrawTextFit(dc, DT_LEFT, text, kPageFace, 100, true, Rgb(1, 2, 3), {0, 0, 500, 200});
    const auto texts = dc.Calls(CanvasOp::Text);
    ASSERT_EQ(texts.size(), 2u);
    // Shadow first, offset by 8 % of the shrunk height (50 -> 4), inverted colour.
    EXPECT_EQ(texts[0].rect, (Rect{4, 4, 504, 204}));
    EXPECT_EQ(texts[0].state.textColour, Rgb(245, 235, 5));
    EXPECT_EQ(texts[1].rect, (Rect{0, 0, 500, 200}));
    EXPECT_EQ(texts[1].state.textColour, Rgb(10, 20, 250));
    EXPECT_EQ(texts[1].state.bkMode, BkMode::Opaque);
    EXPECT_EQ(texts[1].state.bkColour, Rgb(1, 2, 3));
    EXPECT_EQ(dc.State().bkMode, BkMode::Transparent);
    EXPECT_EQ(dc.TextColour(), Rgb(10, 20, 250));
}

TEST_F(DrawTextFitTest, EmptyTextAndBoxesWithNoRoomDrawNothing)
{
    DrawTextFit(dc, DT_LEFT, u"", kPageFace, 100, true, kWhite, {0, 0, 500, 200});
    DrawTextFit(dc, DT_LEFT, text, kPageFace, 100, false, kNoColour, {0, 0, 0, 200});
    DrawTextFit(dc, DT_LEFT, text, kPageFace, 100, false, kNoColour, {500, 0, 0, 200});
    EXPECT_TRUE(dc.Calls().empty());
    EXPECT_EQ(dc.CurrentFont(), FontSpec(100, kPageFace));
}

// ------------------------------------------------------------ lines, boxes

TEST(LinePrimitives, DashedLinesDashAlongTheLine)
{
    struct Case {
        Point a, b;
        std::vector<std::pair<Point, Point>> dashes;
    } cases[] = {
        {{0, 0}, {300, 0}, {{{0, 0}, {60, 0}}, {{120, 0}, {180, 0}}, {{240, 0}, {300, 0}}}},
        // 240 long: n = 4 reaches a dash at k = 4 that runs past the end point.
        {{10, 0}, {10, 240}, {{{10, 0}, {10, 60}}, {{10, 120}, {10, 180}}, {{10, 240}, {10, 300}}}},
        {{0, 0}, {100, 100}, {{{0, 0}, {42, 42}}, {{84, 84}, {127, 127}}}},
        {{100, 0}, {0, 0}, {{{100, 0}, {40, 0}}}},
        {{5, 5}, {5, 5}, {}},
    };
    for (const Case& c : cases) {
        RecordingCanvas dc;
        DashedLine(dc, c.a.x, c.a.y, c.b.x, c.b.y);
        const auto lines = dc.Calls(CanvasOp::Line);
        ASSERT_EQ(lines.size(), c.dashes.size()) << c.b.x << "," << c.b.y;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].from, c.dashes[i].first) << i;
            EXPECT_EQ(lines[i].to, c.dashes[i].second) << i;
        }
    }
}

TEST(LinePrimitives, RectOutlineEdgesInOrderWithCappedPen)
{
    RecordingCanvas dc;
    const Pen before = dc.SelectPen(DotPen(3, kWhite));
    RectOutline(dc, Rgb(1, 1, 1), 500, {10, 20, 30, 40});
    const auto lines = dc.Calls(CanvasOp::Line);
    ASSERT_EQ(lines.size(), 4u);
    const std::pair<Point, Point> edges[] = {
        {{10, 20}, {30, 20}}, {{10, 20}, {10, 40}}, {{30, 40}, {30, 20}}, {{30, 40}, {10, 40}}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lines[i].from, edges[i].first);
        EXPECT_EQ(lines[i].to, edges[i].second);
        EXPECT_EQ(lines[i].state.pen, SolidPen(200, Rgb(1, 1, 1)));
    }
    EXPECT_EQ(dc.State().pen, DotPen(3, kWhite));
    (void)before;
}

TEST(BoxPrimitives, RoundRectFillSkipsNoneAndZeroWidthFrames)
{
    RecordingCanvas dc;
    RoundRectFill(dc, Rgb(1, 1, 1), Rgb(2, 2, 2), 45, 3, {0, 0, 100, 50});
    RoundRectFill(dc, kNoColour, Rgb(2, 2, 2), 10, 1, {0, 0, 100, 50});
    RoundRectFill(dc, Rgb(1, 1, 1), Rgb(2, 2, 2), 0, 1, {0, 0, 100, 50});
    RoundRectFill(dc, Rgb(1, 1, 1), kNoColour, 10, 1, {0, 0, 100, 50});
    const auto& calls = dc.Calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].op, CanvasOp::FillRoundRect);
    EXPECT_EQ(calls[0].cornerW, 3);
    EXPECT_EQ(calls[1].op, CanvasOp::FrameRoundRect);
    EXPECT_EQ(calls[1].frameW, 45);
    EXPECT_EQ(calls[1].frameH, 45);
    EXPECT_EQ(calls[1].colour, Rgb(2, 2, 2));
    EXPECT_EQ(calls[2].op, CanvasOp::FrameRoundRect);
    EXPECT_EQ(calls[3].op, CanvasOp::FillRoundRect);
    EXPECT_EQ(calls[4].op, CanvasOp::FillRoundRect);
}

TEST(BoxPrimitives, CentreRectAndFilledCircle)
{
    EXPECT_EQ(CentreRect({0, 0, 300, 300}, {0, 0, 500, 300}), (Rect{100, 0, 400, 300}));
    EXPECT_EQ(CentreRect({7, 7, 10, 10}, {0, 0, 11, 11}), (Rect{4, 4, 7, 7}));

    RecordingCanvas dc;
    dc.SelectBrush(SolidBrush(Rgb(5, 6, 7)));
    FilledCircle(dc, {0, 0, 12, 12});
    FilledCircle(dc, {0, 0, 12, 17});  // more than 16 high: a real ellipse
    FilledCircle(dc, {0, 0, 2, 10});   // a = 0: a real ellipse
    const auto& calls = dc.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].op, CanvasOp::FillPolygon);
    EXPECT_EQ(calls[0].points,
              Pts({{0, 4}, {4, 0}, {7, 0}, {12, 4}, {12, 7}, {7, 12}, {5, 12}, {0, 7}}));
    EXPECT_EQ(calls[0].colour, Rgb(5, 6, 7));
    EXPECT_EQ(calls[1].op, CanvasOp::Ellipse);
    EXPECT_EQ(calls[1].rect, (Rect{0, 0, 12, 17}));
    EXPECT_EQ(calls[2].op, CanvasOp::Ellipse);
}

// ----------------------------------------------------------------- symbols

TEST(CallSymbols, SuitShapesInA300Square)
{
    const Rect square{0, 0, 300, 300};
    {
        RecordingCanvas dc;
        DrawCallSymbol(dc, kSymbolDiamond, square);
        const auto polys = dc.Calls(CanvasOp::FillPolygon);
        ASSERT_EQ(polys.size(), 1u);
        EXPECT_EQ(polys[0].points, Pts({{150, 0}, {250, 150}, {150, 300}, {50, 150}}));
        EXPECT_EQ(polys[0].colour, Rgb(128, 64, 0));
        EXPECT_EQ(dc.Calls().size(), 1u) << "filled without an outline";
    }
    {
        RecordingCanvas dc;
        DrawCallSymbol(dc, kSymbolHeart, square);
        const auto polys = dc.Calls(CanvasOp::FillPolygon);
        ASSERT_EQ(polys.size(), 1u);
        // q = 40, g = 14 between the narrowed sides 30 and 270.
        EXPECT_EQ(polys[0].points, Pts({{150, 300}, {256, 164}, {270, 136}, {270, 54}, {230, 14}, {190, 14},
                                        {150, 96}, {110, 14}, {70, 14}, {30, 54}, {30, 136}, {44, 164}}));
        EXPECT_EQ(polys[0].colour, Rgb(220, 0, 32));
        EXPECT_EQ(dc.Calls().size(), 1u);
    }
    {
        RecordingCanvas dc;
        const Pen pen = dc.SelectPen(DotPen(7, kWhite));
        DrawCallSymbol(dc, kSymbolSpade, square);
        const auto polys = dc.Calls(CanvasOp::FillPolygon);
        ASSERT_EQ(polys.size(), 1u);
        // s = 41; b1 = 279, b2 = 238.
        EXPECT_EQ(polys[0].points, Pts({{150, 0}, {270, 150}, {270, 238}, {229, 279}, {191, 279}, {150, 238},
                                        {109, 279}, {71, 279}, {30, 238}, {30, 150}}));
        EXPECT_EQ(polys[0].colour, Rgb(25, 48, 122));
        const auto lines = dc.Calls(CanvasOp::Line);
        ASSERT_EQ(lines.size(), 2u + 40u);
        EXPECT_EQ(lines[0].from, (Point{150, 37}));
        EXPECT_EQ(lines[0].to, (Point{150, 331}));
        EXPECT_EQ(lines[1].from, (Point{149, 37}));
        EXPECT_EQ(lines[2].from, (Point{109, 331}));
        EXPECT_EQ(lines[2].to, (Point{191, 331}));
        EXPECT_EQ(lines[41].from, (Point{148, 292}));
        EXPECT_EQ(lines[41].to, (Point{152, 292}));
        for (const auto& line : lines)
            EXPECT_EQ(line.state.pen, SolidPen(1, Rgb(25, 48, 122)));
        EXPECT_EQ(dc.State().pen, DotPen(7, kWhite));
        (void)pen;
    }
    {
        RecordingCanvas dc;
        const Brush brush = dc.SelectBrush(SolidBrush(Rgb(9, 9, 9)));
        DrawCallSymbol(dc, kSymbolClub, square);
        const auto balls = dc.Calls(CanvasOp::Ellipse);
        ASSERT_EQ(balls.size(), 3u);
        EXPECT_EQ(balls[0].rect, (Rect{83, -18, 218, 117}));
        EXPECT_EQ(balls[1].rect, (Rect{0, 117, 135, 252}));
        EXPECT_EQ(balls[2].rect, (Rect{165, 117, 300, 252}));
        for (const auto& ball : balls) {
            EXPECT_EQ(ball.state.brush, SolidBrush(kBlack));
            EXPECT_EQ(ball.state.pen, SolidPen(1, kBlack));
        }
        const auto lines = dc.Calls(CanvasOp::Line);
        ASSERT_EQ(lines.size(), 1u + 37u);
        EXPECT_EQ(lines[0].from, (Point{150, 37}));
        EXPECT_EQ(lines[0].to, (Point{150, 300}));
        EXPECT_EQ(lines[1].from, (Point{112, 300}));
        EXPECT_EQ(lines[1].to, (Point{189, 300}));
        EXPECT_EQ(lines[37].from, (Point{148, 264}));
        EXPECT_EQ(lines[37].to, (Point{153, 264}));
        EXPECT_EQ(dc.State().brush, SolidBrush(Rgb(9, 9, 9)));
        (void)brush;
    }
}

TEST(CallSymbols, SuitSquareIsCentredAndOddSizesEvened)
{
    RecordingCanvas dc;
    // A 301 high box 501 wide: the square (100..401) is centred, then the
    // diamond's odd width and height each lose one unit.
    DrawCallSymbol(dc, kSymbolDiamond, {0, 0, 501, 301});
    const auto polys = dc.Calls(CanvasOp::FillPolygon);
    ASSERT_EQ(polys.size(), 1u);
    EXPECT_EQ(polys[0].points, Pts({{250, 0}, {350, 150}, {250, 300}, {150, 150}}));
}

TEST(CallSymbols, CallTextsInTheirColoursAndUnknownKinds)
{
    const struct {
        int32_t kind;
        const char16_t* text;
        Colour colour;
    } cases[] = {
        {kSymbolNoTrump, u"NT", kBlack},
        {kSymbolDouble, u"X", Rgb(240, 32, 32)},
        {kSymbolRedouble, u"XX", Rgb(32, 32, 128)},
        {kSymbolPass, u"Pass", kBlack},
    };
    for (const auto& c : cases) {
        RecordingCanvas dc;
        dc.SetTextColour(Rgb(7, 7, 7));
        DrawCallSymbol(dc, c.kind, {0, 0, 100, 50});
        ASSERT_EQ(dc.Texts(), std::vector<std::u16string>{c.text});
        const CanvasCall* call = dc.FindText(c.text);
        EXPECT_EQ(call->state.textColour, c.colour);
        EXPECT_EQ(call->format, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EXPECT_EQ(call->rect, (Rect{0, 0, 100, 50}));
        EXPECT_EQ(dc.TextColour(), Rgb(7, 7, 7));
    }
    for (int32_t kind : {-1, 8, 100}) {
        RecordingCanvas dc;
        DrawCallSymbol(dc, kind, {0, 0, 300, 300});
        EXPECT_TRUE(dc.Calls().empty()) << kind;
    }
}

// ----------------------------------------------------------------- buttons

TEST(Buttons, FaceBorderAndLabelColours)
{
    const Colour light = Rgb(192, 192, 192);
    const Colour green = Rgb(4, 160, 24);
    const struct {
        const char* name;
        Colour face;
        bool enabled, pressed, hot;
        Colour fill, border, label;
    } cases[] = {
        {"light at rest", light, true, false, false, light, Rgb(154, 154, 154), kBlack},
        {"light under the pointer", light, true, false, true, Rgb(183, 183, 183), Rgb(154, 154, 154), kBlack},
        {"light pressed under the pointer", light, true, true, true, Rgb(169, 169, 169), Rgb(154, 154, 154), kBlack},
        {"light pressed, pointer gone", light, true, true, false, Rgb(177, 177, 177), Rgb(154, 154, 154), kBlack},
        {"light disabled ignores press and pointer", light, false, true, true, Rgb(192, 192, 192), Rgb(154, 154, 154),
         Rgb(128, 128, 128)},
        // A dark face contrasts towards white.
        {"dark at rest", green, true, false, false, green, Rgb(54, 179, 70), kBlack},
        {"dark under the pointer", green, true, false, true, Rgb(16, 164, 35), Rgb(54, 179, 70), kBlack},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingCanvas dc;
        DrawButton(dc, {0, 0, 400, 200}, u"Go", c.enabled, c.pressed, c.hot, c.face, kBlack, 2);
        const auto fills = dc.Calls(CanvasOp::FillRoundRect);
        const auto frames = dc.Calls(CanvasOp::FrameRoundRect);
        ASSERT_EQ(fills.size(), 1u);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(fills[0].colour, c.fill);
        EXPECT_EQ(fills[0].cornerW, 30);
        EXPECT_EQ(frames[0].colour, c.border);
        EXPECT_EQ(frames[0].frameW, 2);
        const CanvasCall* label = dc.FindText(u"Go");
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->state.textColour, c.label);
        EXPECT_EQ(label->format, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EXPECT_EQ(dc.TextColour(), kBlack);
    }

    RecordingCanvas dc;
    DrawButton(dc, {10, 10, 10, 50}, u"Go", true, false, false, light, kBlack, 2);
    DrawButton(dc, {10, 10, 50, 5}, u"Go", true, false, false, light, kBlack, 2);
    EXPECT_TRUE(dc.Calls().empty());
}

} // namespace
