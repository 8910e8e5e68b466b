#include "scorecard/HandDiagrams.h"

#include "foundation/TextUtil.h"
#include "render/DrawPrimitives.h"
#include "tournament/BridgeBasics.h"

#include <algorithm>

namespace {

constexpr unsigned kLeftMiddle = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
constexpr unsigned kLeftBottom = DT_LEFT | DT_BOTTOM | DT_SINGLELINE;
constexpr unsigned kCentreMiddle = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
constexpr unsigned kCentreBottom = DT_CENTER | DT_BOTTOM | DT_SINGLELINE;
constexpr unsigned kRightMiddle = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;
// The trick table and the points use fonts taller than their boxes; their
// digits are centred on the box and may reach past its top and bottom, so
// they are not clipped to it.
constexpr unsigned kUnclipped = DT_NOCLIP;

constexpr int32_t kDiagramsFont = 450;
constexpr int32_t kTrickTableFont = 460;
constexpr int32_t kAuctionFont = 325;
constexpr int32_t kRulePenWidth = 20;
// The room kept between a hand line and an auction grid or another hand
// beside it.
constexpr int32_t kHandAuctionGap = 60;

FontSpec PageFont(int32_t height)
{
    return FontSpec(height, kPageFace);
}

Colour HandSuitColour(int32_t suit)
{
    switch (suit) {
    case kSuitSpades: return kDiagramSpades;
    case kSuitHearts: return kDiagramHearts;
    case kSuitDiamonds: return kDiagramDiamonds;
    default: return kDiagramClubs;
    }
}

Colour TrickStrainColour(int32_t strain)
{
    switch (strain) {
    case kSuitClubs: return kTrickTableClubs;
    case kSuitDiamonds: return kDiagramDiamonds;
    case kSuitHearts: return kDiagramHearts;
    case kSuitSpades: return kDiagramSpades;
    default: return kBlack;
    }
}

Rect WithWidth(Rect r, int32_t width)
{
    r.right = r.left + width;
    return r;
}

// The passes that end the auction.
size_t TrailingPasses(const Auction& calls)
{
    size_t n = 0;
    for (auto it = calls.rbegin(); it != calls.rend() && it->GetCode() == kBidPass; ++it)
        ++n;
    return n;
}

std::u16string PositionText(const Bid& bid)
{
    const uint8_t code = bid.GetCode();
    if (code == kBidEmpty || code == kBidCancelled || code == kBidCancelledByDirector)
        return {};
    if (code == kBidPass)
        return u"-";
    return Utf8ToWide(ReplaceAll(BidText(code), "NT", "N"));
}

// One hand: four suit lines, spades at the top, each the suit symbol in the
// smaller symbol font and then the ranks.
void DrawHand(Canvas& dc, const Rect& box, const std::string& hand, int32_t handFont, int32_t symbolFont,
              const std::array<Rect, 2>& obstacles)
{
    const int32_t gW = dc.TextExtent(u"G").cx;
    const int32_t hH = dc.TextExtent(u"H").cy;
    const int32_t suits[4] = {kSuitSpades, kSuitHearts, kSuitDiamonds, kSuitClubs};
    for (int i = 0; i < 4; ++i) {
        const int32_t suit = suits[i];
        const Rect line = HandLineRect(box, i, obstacles);
        TextColourScope colour(dc, HandSuitColour(suit));
        {
            FontScope symbol(dc, PageFont(symbolFont));
            DrawTextFit(dc, kLeftMiddle, Utf8ToWide(SuitText(suit, true)), kPageFace, hH, false, kNoColour,
                        Rect{line.left, line.top, line.left + gW, line.bottom});
        }
        FontScope ranks(dc, PageFont(handFont));
        DrawTextFit(dc, kLeftMiddle, Utf8ToWide(RankLetters(SuitCards(hand, suit))), kPageFace, hH, false, kNoColour,
                    Rect{line.left + gW, line.top, line.right, line.bottom});
    }
}

// A text in a font of its own height, shrunk to the box when too wide.
void FitTextInFont(Canvas& dc, unsigned format, const std::u16string& text, int32_t height, const Rect& r)
{
    DrawTextFitInFont(dc, format, text, PageFont(height), FontSource::Cache, r);
}

void DrawBoardHeader(Canvas& dc, const Rect& p, int32_t board, int32_t dealer, int32_t vulnerability, LangIndex lang)
{
    TextColourScope colour(dc, kDiagramHeader);
    const int32_t half = p.Height() / 2;
    const int32_t q = p.Height() / 4;
    const int32_t up = (30 * q) / 100;
    FitTextInFont(dc, kLeftMiddle, Utf8ToWide(IntToString(board)), half, Rect{p.left, p.top, p.right, p.top + half});
    const std::u16string dealerText = Utf8ToWide(PickLang("Dlr:||Dlr:||<其它>", lang) + SeatWord(dealer, lang));
    FitTextInFont(dc, kLeftBottom, dealerText, q, Rect{p.left, p.top + 2 * q - up, p.right, p.top + 3 * q - up});
    FitTextInFont(dc, kLeftMiddle, Utf8ToWide(VulText(vulnerability, lang)), q,
                  Rect{p.left, p.top + 3 * q - up, p.right, p.top + 4 * q - up});
}

void DrawTrickTable(Canvas& dc, const Rect& t, const Deal& deal, bool digits)
{
    {
        PenScope pen(dc, SolidPen(kRulePenWidth, kTrickTableRules));
        DashedLine(dc, t.left - 35, t.top, t.right, t.top);
        DashedLine(dc, t.right, t.top, t.right, t.bottom);
    }
    const int32_t bandH = t.Height() / 5;
    const int32_t seatW = dc.TextExtent(u"W").cx;
    const int32_t colW = (t.Width() - seatW) / 5;
    auto column = [&](int32_t j, int32_t band) {
        const int32_t left = t.left + seatW + j * colW;
        return Rect{left, t.top + band * bandH, left + colW, t.top + (band + 1) * bandH};
    };
    for (int32_t strain = 0; strain < 5; ++strain) {
        TextColourScope colour(dc, TrickStrainColour(strain));
        const std::u16string heading = strain == kStrainNoTrump ? u"N" : Utf8ToWide(SuitText(strain, true));
        DrawTextInColumn(dc, heading, column(strain, 0), kCentreMiddle | kUnclipped);
    }
    const int32_t seats[4] = {kSeatNorth, kSeatSouth, kSeatEast, kSeatWest};
    // Counts in digits: where one of them is 10 or more, all of the table's
    // counts are drawn in the height at which two digits fit a column, so
    // that they read as one table.
    FontSpec countFont = dc.CurrentFont();
    bool twoDigits = false;
    for (const int32_t seat : seats)
        for (const char c : deal.TrickText(seat))
            twoDigits = twoDigits || (digits && TrickCountOf(c) >= 10);
    if (twoDigits)
        countFont.height =
            std::clamp(FittingFontHeight(countFont.height, dc.TextExtent(u"13").cx, colW), 1, countFont.height);
    for (int32_t i = 0; i < 4; ++i) {
        const int32_t band = i + 1;
        const Rect seatBox{t.left, t.top + band * bandH, t.left + seatW, t.top + (band + 1) * bandH};
        dc.DrawTextIn(Utf8ToWide(SeatLetter(seats[i])), seatBox, kCentreMiddle | kUnclipped);
        const std::string tricks = deal.TrickText(seats[i]);
        FontScope counts(dc, countFont);
        for (int32_t j = 0; j < 5 && j < static_cast<int32_t>(tricks.size()); ++j) {
            TextColourScope colour(dc, TrickStrainColour(j));
            const int32_t count = digits ? TrickCountOf(tricks[size_t(j)]) : -1;
            const std::string text = count >= 0 ? IntToString(count) : tricks.substr(size_t(j), 1);
            DrawTextInColumn(dc, Utf8ToWide(text), column(j, band), kCentreMiddle | kUnclipped);
        }
    }
}

void DrawOutline(Canvas& dc, const Rect& k)
{
    PenScope pen(dc, SolidPen(kRulePenWidth, kDiagramOutline));
    DashedLine(dc, k.left, k.top, k.right, k.top);
    DashedLine(dc, k.right, k.top, k.right, k.bottom);
    DashedLine(dc, k.right, k.bottom, k.left, k.bottom);
    DashedLine(dc, k.left, k.bottom, k.left, k.top);
}

// The high-card points of each hand round the middle of the table outline.
void DrawHighCardPoints(Canvas& dc, const Rect& k, const Deal& deal)
{
    const int32_t q = k.Height() / 4;
    const int32_t s = (k.Width() * 50) / 100;
    const int32_t kx = (k.left + k.right) / 2;
    const int32_t ky = (k.top + k.bottom) / 2;
    auto box = [&](int32_t x, int32_t y) { return Rect{x, y, x + s, y + q}; };
    auto points = [&](int32_t seat) { return Utf8ToWide(IntToString(deal.HighCardPoints(seat))); };
    DrawTextInColumn(dc, points(kSeatNorth), box(kx - s / 2, ky - (q * 180) / 100), kCentreMiddle | kUnclipped);
    DrawTextInColumn(dc, points(kSeatSouth), box(kx - s / 2, ky + (q * 80) / 100), kCentreMiddle | kUnclipped);
    DrawTextInColumn(dc, points(kSeatEast), box(kx, ky - q / 2), kRightMiddle | kUnclipped);
    DrawTextInColumn(dc, points(kSeatWest), box(kx - s, ky - q / 2), kLeftMiddle | kUnclipped);
}

} // namespace

int32_t HandDiagramsTop(const Rect& area)
{
    return area.bottom - 2 * (area.Height() / 6);
}

Rect HandDiagramCell(const Rect& area, size_t dealCount, size_t k)
{
    const int32_t L = area.left, R = area.right, B = area.bottom;
    const int32_t W = R - L;
    const int32_t g = HandDiagramsTop(area);
    const int32_t w = W / 4;
    const int32_t h = (B - g) / 2;
    if (k < 8) {
        const int32_t i = static_cast<int32_t>(k);
        return Rect{L, g, L + w, g + h}.Moved((i % 4) * w, (i / 4) * h);
    }
    const int32_t c = dealCount <= 12 ? (25 * W) / 100 : (20 * W) / 100;
    Rect cell{R - c, g - 4 * h, R, g - 3 * h};
    if (dealCount >= 13)
        cell = cell.Moved(-c, 0);
    const int32_t i = static_cast<int32_t>(k) - 8;
    return cell.Moved((i / 4) * c, (i % 4) * h);
}

Rect HandLineRect(const Rect& box, int32_t line, const std::array<Rect, 2>& obstacles)
{
    const int32_t lineH = box.Height() / 4;
    Rect r{box.left, box.top + line * lineH, box.right, box.top + (line + 1) * lineH};
    // The ranks are centred on the line; its middle half is where they
    // stand, whatever the font's leading above and below them.
    const int32_t inkTop = r.top + lineH / 4;
    const int32_t inkBottom = r.bottom - lineH / 4;
    for (const Rect& a : obstacles) {
        if (a.IsEmpty() || inkBottom <= a.top || inkTop >= a.bottom || r.right <= a.left - kHandAuctionGap ||
            r.left >= a.right)
            continue;
        r.right = std::max(r.left, a.left - kHandAuctionGap);
    }
    return r;
}

DiagramChoice ChooseDiagramLayout(const Deal& deal, const Auction& open, const Auction& closed, int32_t auctionBoard)
{
    DiagramChoice choice;
    const int32_t board = auctionBoard != 0 ? auctionBoard : deal.GetBoard();
    const int32_t rowsOpen = AuctionRowCount(open, board);
    const int32_t rowsClosed = AuctionRowCount(closed, board);
    const bool compact = deal.LongestSuit(kSeatEast) >= 8 || (rowsOpen <= 5 && rowsClosed <= 5);
    choice.layout = compact ? DiagramLayout::Compact : DiagramLayout::Expanded;
    const int32_t cap = compact ? 5 : 7;
    choice.openRows = std::min(rowsOpen, cap);
    choice.closedRows = std::min(rowsClosed, cap);
    return choice;
}

AuctionGridPlan PlanAuctionGrid(const Auction& calls, int32_t board, int32_t rowCount)
{
    AuctionGridPlan plan;
    plan.rows = std::max(rowCount, 5);
    const Auction positions = PaddedAuction(calls, board);
    plan.texts.reserve(positions.size());
    for (const Bid& bid : positions)
        plan.texts.push_back(PositionText(bid));
    // The end mark stands for the three closing passes: the first of them
    // reads "/" and the two after it are left out. A passed-out board keeps
    // its four passes.
    if (TrailingPasses(calls) < 4 && plan.texts.size() >= 3) {
        const size_t mark = plan.texts.size() - 3;
        if (plan.texts[mark] == u"-") {
            // One character, set as such: assigning the literal u"/" here makes
            // GCC 12 under the sanitizers warn (-Wrestrict) of an overlapping copy
            // in basic_string::_M_replace that cannot happen (a literal never
            // overlaps the string's own buffer).
            plan.texts[mark].assign(1, u'/');
            plan.texts.resize(mark + 1);
        }
    }
    const size_t cells = static_cast<size_t>(plan.rows) * 4;
    if (plan.texts.size() > cells) {
        plan.texts.resize(cells);
        plan.overflow = true;
    }
    return plan;
}

DiagramGeometry LayOutDiagram(const Rect& cell, const Deal& deal, const DiagramChoice& choice, bool openTextGiven,
                              bool hasOpenCalls, bool hasClosedCalls)
{
    const int32_t L = cell.left, T = cell.top, R = cell.right, B = cell.bottom;
    const int32_t W = R - L;
    const int32_t H = B - T;
    const bool compact = choice.layout == DiagramLayout::Compact;
    DiagramGeometry g;
    g.handFont = static_cast<int32_t>(static_cast<float>(H) * 0.105f);

    const int32_t cx = (L + R) / 2;
    const int32_t cy = (T + B) / 2;
    g.centre = Rect{cx - (W * 20) / 200, cy - (H * 20) / 200, cx + (W * 20) / 200, cy + (H * 20) / 200};
    const Rect& C = g.centre;

    const int32_t d = (3 * H) / 1000;
    const int32_t b = H / 3;
    const int32_t a = C.left - (L + d);
    const int32_t m = (C.top + C.bottom) / 2;
    Rect north = Rect{C.left, T + d, C.left + a, T + d + b}.Moved(-(37 * b) / 100, 0);
    Rect south = Rect{C.left, B - d - b, C.left + a, B - d}.Moved(-(30 * b) / 100, 0);
    Rect east{C.right, m - b / 2, R - d, m + b / 2};
    Rect west{L + d, m - b / 2, C.left, m + b / 2};
    const Rect westBeforeShift = west;
    if (!compact) {
        east = east.Moved(-(24 * W) / 100, 0);
    } else {
        south = south.Moved((16 * south.Height()) / 100, 0);
        if (!(openTextGiven && deal.LongestSuit(kSeatNorth) >= 8))
            north = north.Moved((23 * north.Height()) / 100, 0);
        if (!(deal.LongestSuit(kSeatWest) > 6))
            west = west.Moved((10 * west.Width()) / 100, 0);
    }
    // East moved in for the longer auctions stands where West's lines end:
    // West's lines stop short of it and its ranks shrink to fit.
    west.right = std::max(west.left, std::min(west.right, east.left - kHandAuctionGap));
    g.hands = {north, east, south, west};

    Rect p = westBeforeShift.Moved(0, -westBeforeShift.Height());
    p.left += 100;
    p.right = north.left - 100;
    g.header = p;

    const int32_t pct = compact ? 34 : 28;
    g.trickTable = Rect{L, B - (33 * H) / 100, L + (pct * W) / 100, B};

    const int32_t k = ((C.right - C.left) * 90) / 100;
    Rect outline = Rect{cx - k / 2, cy - (k * 65) / 100, cx + k / 2, cy + (k * 65) / 100}.Moved(-(k * 15) / 100, 0);
    if (!compact) {
        outline = WithWidth(outline, (outline.Width() * 18) / 100);
        outline = outline.Moved(-(outline.Height() * 22) / 100, 0);
    }
    g.outline = outline;

    const int32_t x = std::min((34 * W) / 100, 1420);
    if (hasOpenCalls) {
        Rect open = Rect{R - x, T, R, T + (33 * H) / 100}.Moved(-50, 50);
        if (choice.openRows >= 6)
            open.bottom = open.top + (open.Height() / 5) * choice.openRows;
        g.openAuction = open;
    }
    if (hasClosedCalls) {
        Rect closed = Rect{R - x, B - (33 * H) / 100, R, B}.Moved(-50, -50);
        if (choice.closedRows >= 6)
            closed.top = closed.bottom - (closed.Height() / 5) * choice.closedRows;
        g.closedAuction = closed;
    }
    g.handLineObstacles = {g.openAuction, g.closedAuction};
    return g;
}

void DrawAuctionGrid(Canvas& dc, const Rect& a, const Auction& calls, bool closedRoom, int32_t rowCount, int32_t board)
{
    {
        PenScope pen(dc, SolidPen(kRulePenWidth, kAuctionRules));
        const int32_t y = closedRoom ? a.top : a.bottom;
        DashedLine(dc, a.left, y, a.right, y);
        DashedLine(dc, a.left, a.top, a.left, a.bottom);
    }
    const AuctionGridPlan plan = PlanAuctionGrid(calls, board, rowCount);
    const int32_t colW = a.Width() / 4;
    const int32_t rowH = a.Height() / plan.rows;
    Rect last;
    for (size_t j = 0; j < plan.texts.size(); ++j) {
        const int32_t col = static_cast<int32_t>(j % 4);
        const int32_t row = static_cast<int32_t>(j / 4);
        const Rect cell{a.left + col * colW, a.top + row * rowH, a.left + (col + 1) * colW, a.top + (row + 1) * rowH};
        last = cell;
        const std::u16string& text = plan.texts[j];
        if (text.empty())
            continue;
        DrawTextInColumn(dc, text, cell, kCentreBottom);
        // The end mark is doubled so that it reads as two strokes.
        if (text.find(u'/') != std::u16string::npos)
            DrawTextInColumn(dc, text, cell.Moved((rowH * 25) / 100, 0), kCentreBottom);
    }
    if (plan.overflow) {
        PenScope pen(dc, SolidPen(kRulePenWidth, kAuctionOverflow));
        DrawLine(dc, last.left, last.top, last.right, last.top);
        DrawLine(dc, last.right, last.top, last.right, last.bottom);
        DrawLine(dc, last.right, last.bottom, last.left, last.bottom);
        DrawLine(dc, last.left, last.bottom, last.left, last.top);
    }
}

void DrawOneDiagram(Canvas& dc, const Rect& cell, const Deal& deal, int32_t eventKind, LangIndex lang,
                    const std::string& openText, const std::string& closedText, const BoardFacts* facts)
{
    const int32_t n = deal.GetBoard();
    const int32_t vulnerability = facts ? facts->vulnerability : BoardVulnerability(n, eventKind);
    const int32_t dealer = facts ? facts->dealer : BoardDealer(n);
    // The auction grid puts the first call in its caller's column; it finds
    // that column from a board number, and board k + 1 is dealt by seat k.
    const int32_t auctionBoard = facts ? facts->firstCaller + 1 : n;

    RectOutline(dc, kDiagramFrame, 10, Rect{cell.left, cell.top, cell.right + 5, cell.bottom + 5});

    const Auction open = openText.empty() ? Auction{} : AuctionFromText(openText);
    const Auction closed = closedText.empty() ? Auction{} : AuctionFromText(closedText);
    const DiagramChoice choice = ChooseDiagramLayout(deal, open, closed, auctionBoard);
    const DiagramGeometry g = LayOutDiagram(cell, deal, choice, !openText.empty(), !open.empty(), !closed.empty());

    {
        FontScope handFont(dc, PageFont(g.handFont));
        const int32_t symbolFont = (g.handFont * 85) / 100;
        for (int32_t seat = 0; seat < 4; ++seat)
            DrawHand(dc, g.hands[size_t(seat)], deal.Hand(seat), g.handFont, symbolFont, g.handLineObstacles);
        DrawBoardHeader(dc, g.header, n, dealer, vulnerability, lang);
    }

    FontScope tableFont(dc, PageFont(kTrickTableFont));
    DrawTrickTable(dc, g.trickTable, deal, facts != nullptr && facts->trickDigits);
    DrawOutline(dc, g.outline);
    if (choice.layout == DiagramLayout::Compact)
        DrawHighCardPoints(dc, g.outline, deal);

    FontScope auctionFont(dc, PageFont(kAuctionFont));
    if (!open.empty())
        DrawAuctionGrid(dc, g.openAuction, open, false, choice.openRows, auctionBoard);
    if (!closed.empty())
        DrawAuctionGrid(dc, g.closedAuction, closed, true, choice.closedRows, auctionBoard);
}

void DrawHandDiagramsIn(Canvas& dc, const Rect& area, const DealList& deals, int32_t eventKind, LangIndex lang,
                        const AuctionTextSource& auctionText)
{
    const size_t count = deals.size();
    if (count < 1 || count > 16)
        return;
    FontScope font(dc, PageFont(kDiagramsFont));
    for (size_t k = 0; k < count; ++k) {
        const Deal& deal = deals[k];
        const std::string open = auctionText ? auctionText(deal.GetBoard(), false) : std::string();
        const std::string closed = auctionText ? auctionText(deal.GetBoard(), true) : std::string();
        DrawOneDiagram(dc, HandDiagramCell(area, count, k), deal, eventKind, lang, open, closed);
    }
}
