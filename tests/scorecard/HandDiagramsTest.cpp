#include "scorecard/HandDiagrams.h"

#include "platform/QtText.h"
#include "platform/RecordingCanvas.h"
#include "render/PageGeometry.h"
#include "tournament/BridgeBasics.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {

// The printed body of a portrait page: 19550 x 27200 from (500, 500).
const Rect kBody = BodyRectOf(Rect{0, 0, kA4Width, kA4Height}, DrawMode::Printer);

// Calls from a readable list: "1C" ... "7N", "P", "X", "XX", "F" (cancelled).
Auction Calls(std::initializer_list<const char*> calls)
{
    std::string text;
    for (const std::string c : calls) {
        uint8_t code = 0;
        if (c == "P")
            code = kBidPass;
        else if (c == "X")
            code = kBidDouble;
        else if (c == "XX")
            code = kBidRedouble;
        else if (c == "F")
            code = kBidCancelled;
        else
            code = uint8_t(kBidFirstContract + 5 * (c[0] - '1') + std::string("CDHSN").find(c[1]));
        text += char(code);
        text += ' ';
    }
    return AuctionFromText(text);
}

std::string AuctionText(const Auction& calls)
{
    return AuctionToText(calls);
}

// A deal of board `board` whose hands are given in PBN.
Deal MakeDeal(int32_t board, const std::string& pbn)
{
    DealList deals;
    ParsePbn("[Board \"" + std::to_string(std::max(board, 1)) + "\"]\r\n[Deal \"" + pbn + "\"]", deals);
    EXPECT_EQ(deals.size(), 1u) << pbn;
    Deal d = deals.empty() ? Deal() : deals[0];
    d.SetBoard(board);
    return d;
}

// Balanced hands: nobody holds more than five cards in a suit.
const char* kBalanced = "N:AQ4.KJ5.KQ73.Q82 KJ976.A83.J4.K95 82.9742.9865.J73 T53.QT6.AT2.AT64";
// East holds eight hearts.
const char* kEastEightHearts = "N:AKQ4.K5.KQ73.Q82 J9.AQJT9832.4.K9 8762.7.9865.J763 T53.64.AJT2.AT54";

std::vector<std::u16string> ToU16(std::initializer_list<const char16_t*> texts)
{
    return std::vector<std::u16string>(texts.begin(), texts.end());
}

} // namespace

TEST(HandDiagramPlacement, BandOfEightAlongTheBottom)
{
    // The band starts 18134 below the body top; cells are 4887 x 4533.
    const int32_t g = kBody.top + 18134;
    for (size_t n : {1u, 8u, 9u, 16u}) {
        EXPECT_EQ(HandDiagramCell(kBody, n, 0), (Rect{500, g, 500 + 4887, g + 4533})) << n;
        EXPECT_EQ(HandDiagramCell(kBody, n, 3), (Rect{500 + 3 * 4887, g, 500 + 4 * 4887, g + 4533})) << n;
        EXPECT_EQ(HandDiagramCell(kBody, n, 4), (Rect{500, g + 4533, 500 + 4887, g + 2 * 4533})) << n;
        EXPECT_EQ(HandDiagramCell(kBody, n, 7), (Rect{500 + 3 * 4887, g + 4533, 500 + 4 * 4887, g + 2 * 4533})) << n;
    }
    // The last line of the band ends at the body's bottom.
    EXPECT_EQ(HandDiagramCell(kBody, 8, 7).bottom, kBody.bottom);
}

TEST(HandDiagramPlacement, OneQuarterColumnForNineToTwelveDeals)
{
    const int32_t g = kBody.top + 18134;
    const int32_t c = 4887; // a quarter of 19550
    for (size_t n : {9u, 12u}) {
        EXPECT_EQ(HandDiagramCell(kBody, n, 8), (Rect{kBody.right - c, g - 4 * 4533, kBody.right, g - 3 * 4533})) << n;
    }
    EXPECT_EQ(HandDiagramCell(kBody, 12, 11), (Rect{kBody.right - c, g - 4533, kBody.right, g}));
    // The column starts at the body top (2 units below it, from the rounding).
    EXPECT_EQ(HandDiagramCell(kBody, 9, 8).top, kBody.top + 2);
}

TEST(HandDiagramPlacement, TwoFifthColumnsForThirteenToSixteenDeals)
{
    const int32_t g = kBody.top + 18134;
    const int32_t c = 3910; // a fifth of 19550
    // Deals 9 to 12 in the inner column, 13 to 16 in the outer one.
    EXPECT_EQ(HandDiagramCell(kBody, 13, 8), (Rect{kBody.right - 2 * c, g - 4 * 4533, kBody.right - c, g - 3 * 4533}));
    EXPECT_EQ(HandDiagramCell(kBody, 16, 11), (Rect{kBody.right - 2 * c, g - 4533, kBody.right - c, g}));
    EXPECT_EQ(HandDiagramCell(kBody, 13, 12), (Rect{kBody.right - c, g - 4 * 4533, kBody.right, g - 3 * 4533}));
    EXPECT_EQ(HandDiagramCell(kBody, 16, 15), (Rect{kBody.right - c, g - 4533, kBody.right, g}));
}

TEST(HandDiagramPlacement, NoCellsOverlapAndAllStayInTheBody)
{
    for (size_t n : {1u, 8u, 9u, 12u, 13u, 16u}) {
        std::vector<Rect> cells;
        for (size_t k = 0; k < n; ++k)
            cells.push_back(HandDiagramCell(kBody, n, k));
        for (size_t i = 0; i < n; ++i) {
            const Rect& r = cells[i];
            EXPECT_TRUE(r.left >= kBody.left && r.right <= kBody.right && r.top >= kBody.top && r.bottom <= kBody.bottom)
                << n << " deals, cell " << i;
            for (size_t j = i + 1; j < n; ++j)
                EXPECT_FALSE(Intersects(r, cells[j])) << n << " deals, cells " << i << " and " << j;
        }
    }
}

TEST(AuctionGrid, EndMarkPassesAndNoTrumpTexts)
{
    const struct {
        const char* name;
        Auction calls;
        int32_t board;
        std::vector<std::u16string> texts;
    } cases[] = {
        // North deals on board 1: one blank before the first call.
        // The end mark takes the place of the first of the three closing
        // passes; the other two are not shown.
        {"1NT then three passes", Calls({"1N", "P", "P", "P"}), 1, ToU16({u"", u"1N", u"/"})},
        {"a pass before the end", Calls({"1N", "P", "2C", "P", "P", "P"}), 1, ToU16({u"", u"1N", u"-", u"2C", u"/"})},
        {"passed out keeps four passes", Calls({"P", "P", "P", "P"}), 1, ToU16({u"", u"-", u"-", u"-", u"-"})},
        {"doubles and 3NT", Calls({"1S", "X", "XX", "3N", "P", "P", "P"}), 4, ToU16({u"1S", u"X", u"XX", u"3N", u"/"})},
        {"cancelled calls are blank", Calls({"1C", "F", "1H", "P", "P", "P"}), 3,
         ToU16({u"", u"", u"", u"1C", u"", u"1H", u"/"})},
        {"an unfinished auction has no end mark", Calls({"1C", "P", "1H"}), 4, ToU16({u"1C", u"-", u"1H"})},
    };
    for (const auto& c : cases) {
        const AuctionGridPlan plan = PlanAuctionGrid(c.calls, c.board, 5);
        EXPECT_EQ(plan.texts, c.texts) << c.name;
        EXPECT_FALSE(plan.overflow) << c.name;
        EXPECT_EQ(plan.rows, 5) << c.name;
    }
}

TEST(AuctionGrid, AnAuctionLongerThanTheGridIsCutAndItsLastCellBoxed)
{
    // 34 calls after West deals: nine rows, more than the seven an expanded
    // diagram gives.
    Auction calls;
    for (int i = 0; i < 30; ++i)
        calls.push_back(Calls({i % 2 == 0 ? "1C" : "P"})[0]);
    const Auction end = Calls({"P", "P", "P"});
    calls.insert(calls.end(), end.begin(), end.end());
    ASSERT_EQ(AuctionRowCount(calls, 4), 9);

    const AuctionGridPlan plan = PlanAuctionGrid(calls, 4, 7);
    EXPECT_EQ(plan.rows, 7);
    EXPECT_EQ(plan.texts.size(), 28u);
    EXPECT_TRUE(plan.overflow);

    RecordingCanvas dc;
    const Rect area{0, 0, 1400, 2100};
    DrawAuctionGrid(dc, area, calls, false, 7, 4);
    // The last cell of the last row (300 high: 2100 / 7) is outlined with
    // four solid lines.
    std::vector<CanvasCall> box;
    for (const CanvasCall& line : dc.Calls(CanvasOp::Line))
        if (line.state.pen == SolidPen(20, kAuctionOverflow))
            box.push_back(line);
    ASSERT_EQ(box.size(), 4u);
    EXPECT_EQ(box[0].from, (Point{1050, 1800}));
    EXPECT_EQ(box[0].to, (Point{1400, 1800}));
    EXPECT_EQ(box[2].from, (Point{1400, 2100}));
    EXPECT_EQ(box[2].to, (Point{1050, 2100}));
}

TEST(AuctionGrid, TextsSitBottomCentredAndTheEndMarkIsDoubled)
{
    RecordingCanvas dc;
    dc.SelectFont(FontSpec(325, kPageFace));
    const Rect area{1000, 2000, 2200, 3000}; // 5 rows of 200, columns of 300
    DrawAuctionGrid(dc, area, Calls({"1N", "P", "P", "P"}), true, 0, 1);
    std::vector<CanvasCall> texts = dc.Calls(CanvasOp::Text);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].text, u"1N");
    EXPECT_EQ(texts[0].rect, (Rect{1300, 2000, 1600, 2200})); // North's column
    EXPECT_EQ(texts[0].format, unsigned(DT_CENTER | DT_BOTTOM | DT_SINGLELINE));
    EXPECT_EQ(texts[1].text, u"/");
    EXPECT_EQ(texts[1].rect, (Rect{1600, 2000, 1900, 2200})); // East's column
    EXPECT_EQ(texts[2].text, u"/");
    EXPECT_EQ(texts[2].rect, texts[1].rect.Moved(50, 0)); // a quarter of the row height
    // The closed room's rule runs along the top edge, plus the left edge.
    for (const CanvasCall& line : dc.Calls(CanvasOp::Line))
        EXPECT_EQ(line.state.pen, SolidPen(20, kAuctionRules));
    const auto lines = dc.Calls(CanvasOp::Line);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const CanvasCall& l) { return l.from.y == 2000 && l.to.y == 2000 && l.from.x == 1000; }));
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), [](const CanvasCall& l) { return l.from.y == 3000 && l.to.y == 3000; }));
}

TEST(DiagramLayout, CompactUnlessAnAuctionNeedsMoreThanFiveRows)
{
    const Auction none;
    const Auction short1 = Calls({"1N", "P", "3N", "P", "P", "P"});
    Auction long6; // West deals on board 4: 22 calls make six rows
    for (int i = 0; i < 19; ++i)
        long6.push_back(Calls({i % 2 == 0 ? "1C" : "P"})[0]);
    const Auction end = Calls({"P", "P", "P"});
    long6.insert(long6.end(), end.begin(), end.end());
    Auction long9 = long6;
    for (int i = 0; i < 12; ++i)
        long9.insert(long9.begin(), Calls({"P"})[0]);

    const Deal balanced = MakeDeal(4, kBalanced);
    const Deal eastLong = MakeDeal(4, kEastEightHearts);
    ASSERT_EQ(AuctionRowCount(long6, 4), 6);
    ASSERT_EQ(AuctionRowCount(long9, 4), 9);
    const struct {
        const char* name;
        const Deal& deal;
        const Auction& open;
        const Auction& closed;
        DiagramLayout layout;
        int32_t openRows;
        int32_t closedRows;
    } cases[] = {
        {"no auctions", balanced, none, none, DiagramLayout::Compact, 0, 0},
        {"short auctions", balanced, short1, short1, DiagramLayout::Compact, 2, 2},
        {"a six-row closed auction", balanced, short1, long6, DiagramLayout::Expanded, 2, 6},
        {"nine rows are cut to seven", balanced, long9, none, DiagramLayout::Expanded, 7, 0},
        {"East's eight-card suit keeps it compact", eastLong, long9, long6, DiagramLayout::Compact, 5, 5},
    };
    for (const auto& c : cases) {
        const DiagramChoice choice = ChooseDiagramLayout(c.deal, c.open, c.closed);
        EXPECT_EQ(choice.layout, c.layout) << c.name;
        EXPECT_EQ(choice.openRows, c.openRows) << c.name;
        EXPECT_EQ(choice.closedRows, c.closedRows) << c.name;
    }
}

TEST(DiagramLayout, PartsOfACompactBandCell)
{
    const Rect cell = HandDiagramCell(kBody, 8, 0); // 4887 x 4533
    const Deal deal = MakeDeal(1, kBalanced);
    const Auction open = Calls({"1N", "P", "3N", "P", "P", "P"});
    const DiagramGeometry g =
        LayOutDiagram(cell, deal, ChooseDiagramLayout(deal, open, {}), true, true, false);
    const int32_t L = cell.left, T = cell.top, R = cell.right, B = cell.bottom;
    EXPECT_EQ(g.handFont, 475); // trunc(4533 * 0.105)
    // The centre square: 20 % of the cell each way.
    const int32_t cx = (L + R) / 2, cy = (T + B) / 2;
    EXPECT_EQ(g.centre, (Rect{cx - 488, cy - 453, cx + 488, cy + 453}));
    // Hands: b = 1511, d = 13, a = C.left - (L + d).
    const int32_t a = g.centre.left - (L + 13);
    const int32_t m = (g.centre.top + g.centre.bottom) / 2;
    EXPECT_EQ(g.hands[0], (Rect{g.centre.left, T + 13, g.centre.left + a, T + 13 + 1511}.Moved(-559 + 347, 0)));
    EXPECT_EQ(g.hands[1], (Rect{g.centre.right, m - 755, R - 13, m + 755}));
    EXPECT_EQ(g.hands[2], (Rect{g.centre.left, B - 13 - 1511, g.centre.left + a, B - 13}.Moved(-453 + 241, 0)));
    const Rect west{L + 13, m - 755, g.centre.left, m + 755};
    EXPECT_EQ(g.hands[3], west.Moved((10 * west.Width()) / 100, 0));
    // The board header: the unshifted West box one height up, 100 in from
    // the left, ending 100 before North.
    EXPECT_EQ(g.header, (Rect{west.left + 100, west.top - west.Height(), g.hands[0].left - 100, west.top}));
    EXPECT_EQ(g.trickTable, (Rect{L, B - 1495, L + 1661, B}));
    EXPECT_EQ(g.openAuction, (Rect{R - 1420 - 50, T + 50, R - 50, T + 1495 + 50}));
    EXPECT_TRUE(g.closedAuction.IsEmpty());
    EXPECT_EQ(g.outline.Width(), 878);
}

TEST(DiagramLayout, ExpandedLayoutMovesEastAndNarrowsTheOutline)
{
    const Rect cell = HandDiagramCell(kBody, 8, 0);
    const Deal deal = MakeDeal(1, kBalanced);
    DiagramChoice expanded;
    expanded.layout = DiagramLayout::Expanded;
    expanded.openRows = 7;
    expanded.closedRows = 6;
    DiagramChoice compact;
    const DiagramGeometry e = LayOutDiagram(cell, deal, expanded, true, true, true);
    const DiagramGeometry c = LayOutDiagram(cell, deal, compact, true, true, true);
    EXPECT_EQ(e.hands[1], c.hands[1].Moved(-(24 * cell.Width()) / 100, 0));
    EXPECT_EQ(e.outline.Width(), (c.outline.Width() * 18) / 100);
    EXPECT_EQ(e.trickTable.Width(), (28 * cell.Width()) / 100);
    // Auctions of six and seven rows grow from their room's edge in fifths.
    const int32_t fifth = 1495 / 5;
    EXPECT_EQ(e.openAuction.Height(), fifth * 7);
    EXPECT_EQ(e.closedAuction.Height(), fifth * 6);
    EXPECT_EQ(e.closedAuction.bottom, cell.bottom - 50);
}

TEST(OneDiagram, HeaderHandsTrickTableAndPointsOfACompactDiagram)
{
    RecordingCanvas dc;
    Deal deal = MakeDeal(16, kBalanced);
    deal.SetTrickTexts("78961" "65472" "78961" "65472");
    DrawOneDiagram(dc, HandDiagramCell(kBody, 1, 0), deal, 0, kLangEnglish, "", "");
    const std::vector<std::u16string> texts = dc.Texts();
    auto has = [&](const std::u16string& t) { return std::find(texts.begin(), texts.end(), t) != texts.end(); };
    EXPECT_TRUE(has(u"16"));
    EXPECT_TRUE(has(u"Dlr:West"));
    EXPECT_TRUE(has(u"E-W"));
    // North's spades and East's hearts, each after its symbol.
    EXPECT_TRUE(has(u"AQ4"));
    EXPECT_TRUE(has(u"A83"));
    EXPECT_TRUE(has(u"♠"));
    // High-card points: 17, 12, 1 and 10.
    for (const char16_t* p : {u"17", u"12", u"1", u"10"})
        EXPECT_TRUE(has(p)) << WideToUtf8(p);
    // The trick table: heading, seat letters, and North's first strain.
    EXPECT_TRUE(has(u"N"));
    EXPECT_TRUE(has(u"W"));
    const CanvasCall* seven = dc.FindText(u"7");
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(seven->state.textColour, kTrickTableClubs);
    const CanvasCall* spades = dc.FindText(u"AQ4");
    ASSERT_NE(spades, nullptr);
    EXPECT_EQ(spades->state.textColour, kDiagramSpades);
    // The frame is drawn 5 past the cell at the right and bottom.
    const Rect cell = HandDiagramCell(kBody, 1, 0);
    const auto lines = dc.Calls(CanvasOp::Line);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].state.pen, SolidPen(10, kDiagramFrame));
    EXPECT_EQ(lines[0].to, (Point{cell.right + 5, cell.top}));
}

TEST(OneDiagram, BoardZeroHasNoDealerAndTheLastVulnerabilityOfTheCycle)
{
    RecordingCanvas dc;
    DrawOneDiagram(dc, HandDiagramCell(kBody, 1, 0), MakeDeal(0, kBalanced), 0, kLangChinese, "", "");
    EXPECT_NE(dc.FindText(u"Dlr:seat err"), nullptr);
    EXPECT_NE(dc.FindText(u"东西"), nullptr);
}

TEST(OneDiagram, AnEmptyTrickTextLeavesItsBandEmptyApartFromTheSeatLetter)
{
    RecordingCanvas dc;
    Deal deal = MakeDeal(1, kBalanced);
    DrawOneDiagram(dc, HandDiagramCell(kBody, 1, 0), deal, 0, kLangEnglish, "", "");
    const DiagramGeometry g = LayOutDiagram(HandDiagramCell(kBody, 1, 0), deal, {}, false, false, false);
    const int32_t headingBottom = g.trickTable.top + g.trickTable.Height() / 5;
    const Rect seatBands{g.trickTable.left, headingBottom, g.trickTable.right, g.trickTable.bottom};
    std::vector<std::u16string> inBands;
    for (const CanvasCall& t : dc.Calls(CanvasOp::Text)) {
        if (t.rect.left >= seatBands.left && t.rect.right <= seatBands.right && t.rect.top >= seatBands.top &&
            t.rect.bottom <= seatBands.bottom)
            inBands.push_back(t.text);
    }
    EXPECT_EQ(inBands, ToU16({u"N", u"S", u"E", u"W"}));
}

TEST(OneDiagram, PointsOnlyInTheCompactLayoutAndAuctionsOnlyForRoomsThatBid)
{
    const Deal deal = MakeDeal(1, kBalanced);
    Auction seven; // eight rows with North dealing
    for (int i = 0; i < 26; ++i)
        seven.push_back(Calls({i % 2 == 0 ? "1C" : "P"})[0]);
    const Auction end = Calls({"P", "P", "P"});
    seven.insert(seven.end(), end.begin(), end.end());

    RecordingCanvas compact;
    DrawOneDiagram(compact, HandDiagramCell(kBody, 1, 0), deal, 0, kLangEnglish,
                   AuctionText(Calls({"1N", "P", "P", "P"})), "");
    EXPECT_NE(compact.FindText(u"17"), nullptr);
    EXPECT_NE(compact.FindText(u"1N"), nullptr);
    // A pair scorecard has no closed room: only the open room's rules.
    int auctionRules = 0;
    for (const CanvasCall& l : compact.Calls(CanvasOp::Line))
        auctionRules += l.state.pen == SolidPen(20, kAuctionRules) ? 1 : 0;
    RecordingCanvas rulesOnly;
    DrawAuctionGrid(rulesOnly, Rect{0, 0, 1420, 1495}, Calls({"1N", "P", "P", "P"}), false, 5, 1);
    int oneGrid = 0;
    for (const CanvasCall& l : rulesOnly.Calls(CanvasOp::Line))
        oneGrid += l.state.pen == SolidPen(20, kAuctionRules) ? 1 : 0;
    EXPECT_EQ(auctionRules, oneGrid);

    RecordingCanvas expanded;
    DrawOneDiagram(expanded, HandDiagramCell(kBody, 1, 0), deal, 0, kLangEnglish, AuctionText(seven), "");
    EXPECT_EQ(expanded.FindText(u"17"), nullptr);
}

TEST(AllDiagrams, NothingWithoutDealsOrWithMoreThanSixteen)
{
    DealList deals;
    RecordingCanvas none;
    DrawHandDiagramsIn(none, kBody, deals, 0, kLangEnglish, {});
    EXPECT_TRUE(none.Calls().empty());
    for (int b = 1; b <= 17; ++b)
        deals.push_back(MakeDeal(b, kBalanced));
    RecordingCanvas tooMany;
    DrawHandDiagramsIn(tooMany, kBody, deals, 0, kLangEnglish, {});
    EXPECT_TRUE(tooMany.Calls().empty());
}

TEST(AllDiagrams, EachDealAsksForBothRoomsAuctions)
{
    DealList deals;
    for (int b : {3, 5})
        deals.push_back(MakeDeal(b, kBalanced));
    std::vector<std::pair<int32_t, bool>> asked;
    RecordingCanvas dc;
    DrawHandDiagramsIn(dc, kBody, deals, 0, kLangEnglish, [&](int32_t board, bool closed) {
        asked.emplace_back(board, closed);
        return std::string();
    });
    const std::vector<std::pair<int32_t, bool>> expected = {{3, false}, {3, true}, {5, false}, {5, true}};
    EXPECT_EQ(asked, expected);
    EXPECT_NE(dc.FindText(u"3"), nullptr);
    EXPECT_NE(dc.FindText(u"5"), nullptr);
}

namespace {

// Widths measured in the installed fonts the page face maps to, not the
// recording canvas's idealised ones.
int32_t InstalledWidth(const std::u16string& text, const FontSpec& font)
{
    const QFontMetricsF metrics(CanvasFont(font).Native());
    const QString q = ToQString(text);
    return static_cast<int32_t>(std::lround(metrics.horizontalAdvance(q)));
}

class InstalledFontCanvas : public RecordingCanvas {
public:
    Size TextExtent(const std::u16string& text) override
    {
        return {InstalledWidth(text, CurrentFont()), RecordingCanvas::TextExtent(text).cy};
    }
};

// Where a single-line text lands across its box.
std::pair<int32_t, int32_t> Across(const CanvasCall& t)
{
    const int32_t w = InstalledWidth(t.text, t.state.font);
    if (t.format & DT_CENTER) {
        const int32_t left = (t.rect.left + t.rect.right - w) / 2;
        return {left, left + w};
    }
    if (t.format & DT_RIGHT)
        return {t.rect.right - w, t.rect.right};
    return {t.rect.left, t.rect.left + w};
}

} // namespace

// Sixteen deals put diagrams in the two narrow side columns, where the
// trick-table figures, the points either side of the middle and the auction
// calls share rows of boxes sized for a narrower face than the one
// installed. Measured in the installed fonts, no two of them may overlap.
TEST(AllDiagrams, NeighbouringFiguresAndCallsNeverOverlapInTheInstalledFonts)
{
    // West and East hold two-digit points; every trick figure is a wide digit.
    DealList deals;
    for (int b = 1; b <= 16; ++b) {
        Deal deal = MakeDeal(b, kBalanced);
        deal.SetTrickTexts("88888" "88888" "88888" "88888");
        deals.push_back(deal);
    }
    // Odd boards: four rows of wide calls (compact, points shown). Even
    // boards: an auction cut after seven rows (expanded, narrower table).
    const std::string compact = AuctionText(Calls({"1N", "XX", "2N", "XX", "3N", "XX", "7N", "X", "P", "P", "P"}));
    Auction longCalls;
    for (int i = 0; i < 8; ++i) {
        const Auction four = Calls({"1N", "XX", "7N", "X"});
        longCalls.insert(longCalls.end(), four.begin(), four.end());
    }
    const std::string expanded = AuctionText(longCalls);

    InstalledFontCanvas dc;
    DrawHandDiagramsIn(dc, kBody, deals, 0, kLangEnglish,
                       [&](int32_t board, bool) { return board % 2 == 1 ? compact : expanded; });

    // The trick table and the points are drawn unclipped, the auction calls
    // bottom-centred; nothing else in a diagram is drawn either way.
    std::vector<CanvasCall> shared;
    for (const CanvasCall& t : dc.Calls(CanvasOp::Text)) {
        if ((t.format & DT_NOCLIP) || t.format == unsigned(DT_CENTER | DT_BOTTOM | DT_SINGLELINE))
            shared.push_back(t);
    }
    ASSERT_GT(shared.size(), 16u * 30u);
    int checkedPairs = 0;
    for (size_t i = 0; i < shared.size(); ++i) {
        for (size_t j = i + 1; j < shared.size(); ++j) {
            const CanvasCall& a = shared[i];
            const CanvasCall& b = shared[j];
            const bool sameRow = a.rect.top < b.rect.bottom && b.rect.top < a.rect.bottom;
            const bool sideBySide = a.rect.left < b.rect.right + 1 && b.rect.left < a.rect.right + 1;
            // The end mark is drawn twice on purpose, as a double stroke.
            if (!sameRow || !sideBySide || (a.text == u"/" && b.text == u"/"))
                continue;
            ++checkedPairs;
            const auto [aLeft, aRight] = Across(a);
            const auto [bLeft, bRight] = Across(b);
            EXPECT_TRUE(aRight <= bLeft || bRight <= aLeft)
                << WideToUtf8(a.text) << " at " << aLeft << ".." << aRight << " overlaps " << WideToUtf8(b.text)
                << " at " << bLeft << ".." << bRight << " (font " << a.state.font.height << "/"
                << b.state.font.height << ")";
        }
    }
    EXPECT_GT(checkedPairs, 16 * 20);
}
