#include "render/GridPainting.h"

#include "foundation/Product.h"
#include "render/DrawPrimitives.h"
#include "tournament/BridgeBasics.h"

#include <algorithm>
#include <optional>

namespace {

using Row = Grid::Row;
using Cell = Grid::Cell;

constexpr unsigned kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
constexpr Colour kClickMarker = Rgb(216, 216, 208);
constexpr Colour kHoverUnderline = Rgb(255, 128, 64);

void DrawEdges(Canvas& dc, const Rect& r, bool left, bool top, bool right, bool bottom)
{
    if (left)
        DrawLine(dc, r.left, r.top, r.left, r.bottom);
    if (top)
        DrawLine(dc, r.left, r.top, r.right, r.top);
    if (right)
        DrawLine(dc, r.right, r.top, r.right, r.bottom);
    if (bottom)
        DrawLine(dc, r.left, r.bottom, r.right, r.bottom);
}

// The borders of a cell by its flags, each group with its own pen: thin
// solid first, then dotted, then thick.
void DrawCellBorders(Canvas& dc, const Rect& r, int32_t flags, const PagePalette& palette)
{
    const struct {
        int32_t shift;
        Pen pen;
    } groups[] = {{0, SolidPen(10, palette[PageColour::ThinLine])},
                  {4, DotPen(10, palette[PageColour::DottedLine])},
                  {8, SolidPen(30, palette[PageColour::ThinLine])}};
    for (const auto& group : groups) {
        const int32_t bits = (flags >> group.shift) & 0xF;
        if (bits == 0)
            continue;
        PenScope pen(dc, group.pen);
        DrawEdges(dc, r, bits & 0x1, bits & 0x2, bits & 0x4, bits & 0x8);
    }
}

bool IsAsciiDigits(const std::u16string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

unsigned AlignFormat(int32_t align)
{
    // Only the three alignments exist; anything else is drawn left-aligned
    // rather than being taken for other format bits.
    return align == 1 ? DT_CENTER : align == 2 ? DT_RIGHT : DT_LEFT;
}

int32_t SuitOfSign(char16_t c)
{
    switch (c) {
    case u'\u2663': return kSymbolClub;
    case u'\u2666': return kSymbolDiamond;
    case u'\u2665': return kSymbolHeart;
    case u'\u2660': return kSymbolSpade;
    default: return -1;
    }
}

void DrawLeadLayout(Canvas& dc, const Rect& inner, const Cell& cell, int32_t fontH)
{
    const std::u16string lead = Utf8ToWide(cell.GetLeadText());
    const int32_t split = inner.left + (inner.Width() * 30) / 100;
    DrawTextFit(dc, IsAsciiDigits(lead) ? kCentred : (DT_RIGHT | DT_VCENTER | DT_SINGLELINE), lead, kPageFace, fontH,
                false, kNoColour, {inner.left, inner.top, split, inner.bottom});

    const int32_t mid = (inner.top + inner.bottom) / 2;
    const Rect a{split + inner.Height() / 10, inner.top, inner.right, mid};
    FontScope font(dc, FontSpec(((mid - inner.top) * 90) / 100, kPageFace));
    const std::u16string text = Utf8ToWide(cell.GetText());
    const std::u16string sub = Utf8ToWide(cell.GetSubText());
    if (!text.empty())
        dc.DrawTextIn(text, a, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (!sub.empty())
        dc.DrawTextIn(sub, a.Moved(0, mid - inner.top), DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

void DrawBadge(Canvas& dc, const Rect& r, Rect b, const std::u16string& badge, int32_t fontH,
               const PagePalette& palette)
{
    FontScope font(dc, FontSpec((fontH * 85) / 100, kPageFace));
    const int32_t tw = dc.TextExtent(badge).cx;
    const int32_t bh = b.Height();
    const int32_t e = (bh * 10) / 100;
    b.left = b.right - 2 * e - tw;
    b = b.Moved(-e, 0);
    const int32_t v = (bh * 12) / 100;
    b.top += v;
    b.bottom -= v;
    const Colour k = ContrastColour(palette[PageColour::Paper], 15);
    {
        PenScope pen(dc, SolidPen(45, k));
        DrawLine(dc, r.left + 200, b.bottom - 30, b.left, b.bottom - 30);
    }
    RoundRectFill(dc, k, k, 45, 3, b);
    TextColourScope colour(dc, palette[PageColour::Text]);
    dc.DrawTextIn(badge, b.Moved(-e, 0), DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

void DrawPlainLayout(Canvas& dc, const Rect& r, const Rect& inner, const Cell& cell, int32_t fontH,
                     const PagePalette& palette)
{
    Rect main = inner;
    const std::u16string sub = Utf8ToWide(cell.GetSubText());
    if (!sub.empty()) {
        const int32_t y40 = inner.bottom - (inner.Height() * 40) / 100;
        const int32_t subH = (fontH * 80) / 100;
        FontScope font(dc, FontSpec(subH, kPageFace));
        DrawTextFit(dc, kCentred, sub, kPageFace, subH, false, kNoColour, {inner.left, y40, inner.right, inner.bottom});
        main.bottom = y40;
    }
    DrawCellText(dc, Utf8ToWide(cell.GetText()), main, cell.GetAlign(), fontH);
    const std::u16string badge = Utf8ToWide(cell.GetBadgeText());
    if (!badge.empty())
        DrawBadge(dc, r, main, badge, fontH, palette);
}

} // namespace

PagePalette MakePagePalette(Colour text, Colour gray, Colour red, Colour blue, Colour thinLine, Colour dottedLine,
                            Colour paper)
{
    return PagePalette{{text, gray, red, blue, thinLine, dottedLine, paper, BlendColour(paper, kBlack, 5),
                        BlendColour(paper, kBlack, 8)}};
}

Colour CellTextColour(const PagePalette& palette, int32_t colourIndex)
{
    switch (colourIndex) {
    case 1: return palette[PageColour::Text];
    case 2: return palette[PageColour::GrayText];
    case 3: return palette[PageColour::Blue];
    case 8: return palette[PageColour::Red];
    case 9: return palette[PageColour::Blue];
    default: return kBlack;
    }
}

void DrawCellText(Canvas& dc, const std::u16string& text, Rect a, int32_t align, int32_t fontH)
{
    if (text.empty())
        return;
    if (a.Height() * 3 < a.Width()) {
        a.left += 150;
        a.right -= 150;
    }
    const bool hasSuitSign = std::any_of(text.begin(), text.end(), [](char16_t c) { return SuitOfSign(c) >= 0; });
    if (hasSuitSign) {
        int32_t total = dc.TextExtent(text).cx;
        // A lead or contract with a suit sign that is wider than its box would
        // run into the next column: it is set smaller, as a plain text is.
        std::optional<FontScope> smaller;
        if (total > a.Width()) {
            const int32_t height = FittingFontHeight(fontH, total, a.Width());
            if (height < 1)
                return;
            smaller.emplace(dc, FontSpec(height, kPageFace));
            total = dc.TextExtent(text).cx;
        }
        int32_t x = a.left;
        if (align == 1 && total < a.Width())
            x += (a.Width() - total) / 2;
        // Characters that would start past the box are not drawn, so a long
        // text costs no more calls than fit in the box.
        for (std::size_t i = 0; i < text.size() && x < a.right; ++i) {
            // A character outside the basic plane keeps its two halves together.
            std::size_t n = 1;
            if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF)
                n = 2;
            const std::u16string one = text.substr(i, n);
            const Size extent = dc.TextExtent(one);
            const Rect box{x, a.top, x + extent.cx, a.bottom};
            x += extent.cx;
            const int32_t suit = n == 1 ? SuitOfSign(text[i]) : -1;
            if (suit >= 0) {
                const int32_t d = (a.Height() - (extent.cy * 72) / 100) / 2;
                DrawCallSymbol(dc, suit, {box.left, box.top + d, box.right, box.bottom - d});
            } else {
                dc.DrawTextIn(one, box, DT_VCENTER | DT_SINGLELINE);
            }
            i += n - 1;
        }
        return;
    }
    const unsigned format = AlignFormat(align) | DT_VCENTER | DT_SINGLELINE;
    const int32_t tw = dc.TextExtent(text).cx;
    if (tw > a.Width()) {
        const int32_t height =
            static_cast<int32_t>((int64_t{fontH} * (a.Width() - (fontH * 5) / 100)) / std::max(tw, 1));
        // No room for a font of any height: nothing fits, so nothing is drawn.
        if (height < 1)
            return;
        FontScope font(dc, FontSpec(height, kPageFace));
        dc.DrawTextIn(text, a, format);
        return;
    }
    dc.DrawTextIn(text, a, format);
}

void DrawRowCells(Canvas& dc, const Rect& content, DrawMode mode, const PagePalette& palette, bool backgroundsOnly,
                  const Row& row, int32_t fontH, int32_t hoverRow, int32_t hoverCell)
{
    const int32_t count = static_cast<int32_t>(row.Cells().size());
    for (int32_t c = 0; c < count; ++c) {
        const Cell cell = Grid::GetCell(row, c);
        if (cell.GetColumnSpan() < 0 || cell.GetRowSpan() < 0)
            continue;
        const Rect r = cell.GetRect().Moved(content.left, content.top);
        if (backgroundsOnly) {
            if (cell.GetHighlight() > 0)
                dc.FillRect(r, palette[PageColour::HighlightShade]);
            continue;
        }

        DrawCellBorders(dc, r, cell.GetBorderFlags(), palette);

        if (mode == DrawMode::Screen && cell.OnClick().GetClickId() >= 1) {
            const int32_t x1 = r.left + 60;
            const int32_t x2 = r.right - 60;
            const int32_t y = r.bottom - 45;
            const int32_t s = std::min((r.Height() - 90) / 3, 350);
            dc.FillPolygon({{x2 - s, y}, {x2, y - s}, {x2, y}}, kClickMarker);
            if (row.GetSerial() == hoverRow + 1 && c == hoverCell) {
                PenScope pen(dc, SolidPen(30, kHoverUnderline));
                DrawLine(dc, x1, y, x2, y);
            }
        }

        const Rect inner{r.left + 30, r.top, r.right - 30, r.bottom};
        TextColourScope colour(dc, CellTextColour(palette, cell.GetColourIndex()));
        const int32_t seat = cell.GetSeat();
        if (!cell.GetLeadText().empty()) {
            DrawLeadLayout(dc, inner, cell, fontH);
        } else if (seat >= 0 && seat <= 3) {
            const int32_t w = dc.TextExtent(u"W").cx;
            const int32_t sx = inner.left + (w * 120) / 100;
            dc.DrawTextIn(Utf8ToWide(SeatLetter(seat)), {inner.left, inner.top, sx, inner.bottom}, kCentred);
            DrawCellText(dc, Utf8ToWide(cell.GetText()), {sx, inner.top, inner.right, inner.bottom}, cell.GetAlign(),
                         fontH);
        } else {
            DrawPlainLayout(dc, r, inner, cell, fontH, palette);
        }
    }
}

namespace {

// What each pass over the rows of a page needs.
struct RowPass {
    Canvas& dc;
    const Rect& content;
    const Rect& visible;
    DrawMode mode;
    const PagePalette& palette;
    int32_t fontH;

    // On screen only the rows that meet the visible part are drawn.
    bool Shows(const Row& row) const
    {
        return mode != DrawMode::Screen || Intersects(row.GetRect().Moved(content.left, content.top), visible);
    }
};

// The first pass: heading rows shaded and board rows striped. Returns the
// rectangle the rows drawn cover, which the table frame goes round.
Rect ShadeRows(const RowPass& pass, const std::vector<Row>& rows)
{
    // Zebra stripes only where no cell spans lines: a span would cut across
    // the stripes.
    const bool spans = Grid::HasRowSpans(rows);
    Rect covered{};
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const Row& row = rows[k];
        if (!pass.Shows(row))
            continue;
        const Rect rr = row.GetRect().Moved(pass.content.left, pass.content.top);
        covered = UnionRect(covered, rr);
        if (row.GetKind() == RowKind::Heading)
            pass.dc.FillRect(rr, pass.palette[PageColour::HeaderShade]);
        if (!spans && row.GetKind() == RowKind::Board)
            pass.dc.FillRect(rr, k % 2 == 0 ? pass.palette[PageColour::Paper]
                                            : ContrastColour(pass.palette[PageColour::Paper], 5));
    }
    return covered;
}

// The second pass: the highlight backgrounds of the cells, under every
// border and text.
void DrawCellBackgrounds(const RowPass& pass, const std::vector<Row>& rows)
{
    for (const Row& row : rows)
        if (pass.Shows(row))
            DrawRowCells(pass.dc, pass.content, pass.mode, pass.palette, true, row, pass.fontH, -1, -1);
}

// The third pass: borders, click markers (on screen) and texts.
void DrawCellContents(const RowPass& pass, const std::vector<Row>& rows, int32_t hoverRow, int32_t hoverCell)
{
    for (const Row& row : rows)
        if (pass.Shows(row))
            DrawRowCells(pass.dc, pass.content, pass.mode, pass.palette, false, row, pass.fontH, hoverRow, hoverCell);
}

} // namespace

void PaintGridPage(Canvas& dc, const Rect& visible, int32_t page, DrawMode mode, const PagePalette& palette,
                   const GridPageSpec& spec)
{
    static const Row kNoHeader;
    static const std::vector<Row> kNoRows;
    const Row& header = spec.headerRow ? *spec.headerRow : kNoHeader;
    const std::vector<Row>& rows = spec.rows ? *spec.rows : kNoRows;

    dc.SetBkMode(BkMode::Transparent);
    const int32_t h0 = header.GetRect().Height();
    const int32_t fontH = (h0 * 70) / 100;
    Rect frame{};
    {
        FontScope rowFont(dc, FontSpec(fontH, kPageFace));
        const Rect& C = spec.content;
        if (spec.repeatsHeaderRow) {
            const Rect band{C.left, C.top, C.right, C.top + h0};
            dc.FillRect(band, palette[PageColour::HeaderShade]);
            frame = UnionRect(frame, band);
        }

        std::vector<Row> pageRows;
        for (const Row& row : rows)
            if (row.GetPage() == page)
                pageRows.push_back(row);
        const RowPass pass{dc, C, visible, mode, palette, fontH};
        frame = UnionRect(frame, ShadeRows(pass, pageRows));
        DrawCellBackgrounds(pass, pageRows);
        DrawCellContents(pass, pageRows, spec.hoverRow, spec.hoverCell);
        if (spec.repeatsHeaderRow)
            DrawRowCells(dc, C, mode, palette, false, header, fontH, -1, -1);

        // A page without any table has no frame to draw.
        if (!frame.IsEmpty()) {
            PenScope pen(dc, SolidPen(30, palette[PageColour::Text]));
            DrawLine(dc, frame.left, frame.top, frame.left, frame.bottom);
            DrawLine(dc, frame.left, frame.top, frame.right, frame.top);
            DrawLine(dc, frame.right, frame.top, frame.right, frame.bottom);
            DrawLine(dc, frame.left, frame.bottom, frame.right, frame.bottom);
        }

        if (spec.drawTitle)
            spec.drawTitle(dc);
        if (spec.drawAfterGrid)
            spec.drawAfterGrid(dc);
    }

    if (page == spec.pageCount && spec.showsLastPageStamp && spec.drawLastPageStamp) {
        const int32_t space = spec.body.bottom - frame.bottom;
        spec.drawLastPageStamp(dc, space > 200 ? space - 200 : space);
    }
}

void DrawGridTitle(Canvas& dc, const Rect& titleRect, const std::u16string& title, int32_t page, int32_t pageCount,
                   Colour colour)
{
    if (titleRect.Height() <= 0)
        return;
    TextColourScope textColour(dc, colour);
    const int32_t height = (titleRect.Height() * 90) / 100;
    FontScope font(dc, FontSpec(height, kPageFace));
    std::u16string text = title;
    if (pageCount > 1)
        text += u" (" + IntToWide(page) + u")";
    DrawTextFit(dc, kCentred | DT_NOCLIP, text, kPageFace, height, false, kNoColour, titleRect);
}

void DrawSubtitleBand(Canvas& dc, const Rect& band, const std::string& subtitle)
{
    if (band.Height() <= 10)
        return;
    const int32_t height = (band.Height() * 80) / 100;
    FontScope font(dc, FontSpec(height, kPageFace));
    DrawTextFit(dc, kCentred, u"  " + Utf8ToWide(subtitle) + u" ", kPageFace, height, false, kNoColour, band);
}

std::u16string LastPageStampText(LangIndex lang, const std::u16string& eventText)
{
    std::u16string text = Utf8ToWide(ProductName(lang, false));
    if (!eventText.empty())
        text += u" - " + eventText;
    return text;
}

void DrawLastPageStampAt(Canvas& dc, const Rect& body, int32_t space, Colour colour, const std::u16string& text,
                         const CanvasPicture& picture)
{
    if (space <= 1200)
        return;
    const int32_t q = std::min(space, 2000);
    const Rect textBox{body.left, body.bottom - q, body.right - q, body.bottom};
    const Rect square{body.right - q, body.bottom - q, body.right, body.bottom};
    {
        TextColourScope textColour(dc, colour);
        FontScope font(dc, FontSpec(q / 2, kPageFace));
        DrawTextFit(dc, kCentred, text, kPageFace, q / 2, false, kNoColour, textBox);
    }
    if (picture.IsNull())
        return;
    const StretchMode previous = dc.SetStretchMode(StretchMode::Halftone);
    dc.DrawPicture(picture, square);
    dc.SetStretchMode(previous);
}

const CanvasPicture& SquarePicture()
{
    static const CanvasPicture picture = CanvasPicture::FromResource(325);
    return picture;
}
