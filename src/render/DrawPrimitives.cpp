#include "render/DrawPrimitives.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

uint8_t BlendChannel(int32_t a, int32_t b, int32_t pct)
{
    return static_cast<uint8_t>((a + ((b - a) * pct) / 100) & 0xFF);
}

// An odd width or height loses one unit at the right or bottom edge.
void EvenWidth(int32_t left, int32_t& right)
{
    if ((right - left) % 2 != 0)
        --right;
}

void DrawClub(Canvas& dc, Rect s)
{
    PenScope pen(dc, SolidPen(1, kClubColour));
    BrushScope brush(dc, SolidBrush(kClubColour));
    const int32_t l = s.left;
    const int32_t t = s.top;
    int32_t r = s.right;
    int32_t b = s.bottom;
    EvenWidth(t, b);
    const int32_t d = b - t;
    const int32_t e = (d * 45) / 100;
    const int32_t g = (d * 45) / 200;
    EvenWidth(l, r);
    const int32_t cx = (l + r) / 2;
    FilledCircle(dc, {cx - g, t - d / 16, cx - g + e, t - d / 16 + e});

    const int32_t m = ((r - l) * 45) / 100;
    const int32_t o = (b + t) / 2;
    FilledCircle(dc, {l, o - m / 4, l + m, o + m - m / 4});
    FilledCircle(dc, {r - m, o - m / 4, r, o + m - m / 4});

    DrawLine(dc, cx, t + d / 8, cx, b);
    int32_t n = (r - l) / 8;
    for (int32_t k = 0; n > 0; ++k, --n)
        DrawLine(dc, cx - n - 1, b - k, cx + n + 2, b - k);
}

void DrawDiamond(Canvas& dc, Rect s)
{
    EvenWidth(s.left, s.right);
    EvenWidth(s.top, s.bottom);
    const int32_t q = (s.bottom - s.top) / 3;
    const int32_t cx = (s.left + s.right) / 2;
    const int32_t cy = (s.top + s.bottom) / 2;
    dc.FillPolygon({{cx, s.top}, {cx + q, cy}, {cx, s.bottom}, {cx - q, cy}}, kDiamondColour);
}

// The heart and the spade are narrowed by a tenth of the width on each side.
// The box a heart or a spade is drawn in: a tenth of the width off each
// side, and an even width and height.
struct SymbolBox {
    int32_t l = 0;
    int32_t r = 0;
    int32_t t = 0;
    int32_t b = 0;
};

SymbolBox NarrowedBox(const Rect& s)
{
    const int32_t w = s.right - s.left;
    SymbolBox box{s.left + w / 10, s.right - w / 10, s.top, s.bottom};
    EvenWidth(box.l, box.r);
    EvenWidth(box.t, box.b);
    return box;
}

void DrawHeart(Canvas& dc, Rect s)
{
    const auto [l, r, t, b] = NarrowedBox(s);
    const int32_t q = (r - l) / 6;
    const int32_t g = q / 3 + 1;
    const int32_t cx = (l + r) / 2;
    const int32_t cy = (t + b) / 2;
    dc.FillPolygon({{cx, b},
                    {r - g, cy + g},
                    {r, cy - g},
                    {r, t + g + q},
                    {r - q, t + g},
                    {cx + q, t + g},
                    {cx, t + 4 * g + q},
                    {cx - q, t + g},
                    {l + q, t + g},
                    {l, t + g + q},
                    {l, cy - g},
                    {l + g, cy + g}},
                   kHeartColour);
}

void DrawSpade(Canvas& dc, Rect s)
{
    const auto [l, r, t, b] = NarrowedBox(s);
    const int32_t cx = (l + r) / 2;
    const int32_t sz = (r - l) / 6 + 1;
    const int32_t cy = (t + b) / 2;
    const int32_t b1 = b - sz / 2 - 1;
    const int32_t b2 = b - sz / 2 - sz - 1;
    dc.FillPolygon({{cx, t},
                    {r, cy},
                    {r, b2},
                    {r - sz, b1},
                    {cx + sz, b1},
                    {cx, b2},
                    {cx - sz, b1},
                    {l + sz, b1},
                    {l, b2},
                    {l, cy}},
                   kSpadeColour);

    PenScope pen(dc, SolidPen(1, kSpadeColour));
    const int32_t y0 = t + (b - t) / 8;
    const int32_t y1 = b + (b - y0) / 8;
    DrawLine(dc, cx, y0, cx, y1 - 1);
    DrawLine(dc, cx - 1, y0, cx - 1, y1 - 1);
    const int32_t n = (r - l) / 6;
    for (int32_t k = 0; k < n; ++k)
        DrawLine(dc, cx - n - 1 + k, y1 - 1 - k, cx + n + 1 - k, y1 - 1 - k);
}

} // namespace

Colour BlendColour(Colour a, Colour b, int32_t pct)
{
    return Colour{BlendChannel(a.r, b.r, pct), BlendChannel(a.g, b.g, pct), BlendChannel(a.b, b.b, pct)};
}

double Luma(Colour c)
{
    return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
}

Colour ContrastColour(Colour c, int32_t pct)
{
    return BlendColour(c, Luma(c) > 160.0 ? kBlack : kWhite, pct);
}

void DrawTextFit(Canvas& dc, unsigned format, const std::u16string& text, const std::u16string& face,
                 int32_t height, bool shadow, Colour background, const Rect& r)
{
    if (text.empty())
        return;
    const int32_t tw = dc.TextExtent(text).cx;
    std::optional<FontScope> shrunkFont;
    if (tw > 0 && r.Width() < tw) {
        const int32_t pct = std::min((r.Width() * 100) / tw, 95);
        height = (height * pct) / 100;
        // A box with no room at all (or a negative width) would give a font
        // of no height, which a device takes as "any size": draw nothing.
        if (height < 1)
            return;
        shrunkFont.emplace(dc, FontSpec(height, face), FontSource::Temporary);
        // Widths do not scale exactly with the height (each character's
        // width is rounded at its own size), so the shrunk text can still be
        // a unit or two too wide and lose its last letter to the clip: step
        // down a few heights until it fits.
        for (int step = 0; step < 8 && height > 1 && dc.TextExtent(text).cx > r.Width(); ++step) {
            shrunkFont.reset();
            shrunkFont.emplace(dc, FontSpec(--height, face), FontSource::Temporary);
        }
    }
    if (shadow) {
        const int32_t s = (height * 8) / 100;
        const Colour colour = dc.TextColour();
        dc.SetTextColour(Rgb(255 - colour.r, 255 - colour.g, 255 - colour.b));
        dc.DrawTextIn(text, r.Moved(s, s), format);
        dc.SetTextColour(colour);
    }
    const bool opaque = background != kNoColour;
    if (opaque) {
        dc.SetBkMode(BkMode::Opaque);
        dc.SetBkColour(background);
    }
    dc.DrawTextIn(text, r, format);
    if (opaque)
        dc.SetBkMode(BkMode::Transparent);
}

int32_t FittingFontHeight(int32_t fontHeight, int32_t textWidth, int32_t boxWidth)
{
    const int32_t room = boxWidth - fontHeight / 20;
    if (room <= 0 || textWidth <= 0)
        return 0;
    return static_cast<int32_t>((int64_t{fontHeight} * room) / textWidth);
}

void DrawTextFitInFont(Canvas& dc, unsigned format, const std::u16string& text, const FontSpec& font, FontSource source,
                       const Rect& r)
{
    if (font.height < 1)
        return;
    FontScope scope(dc, font, source);
    DrawTextFit(dc, format, text, font.face, font.height, false, kNoColour, r);
}

void DrawTextInColumn(Canvas& dc, const std::u16string& text, const Rect& box, unsigned format)
{
    if (text.empty())
        return;
    const FontSpec font = dc.CurrentFont();
    const int32_t tw = dc.TextExtent(text).cx;
    if (tw <= box.Width() - font.height / 20) {
        dc.DrawTextIn(text, box, format);
        return;
    }
    FontSpec smaller = font;
    smaller.height = FittingFontHeight(font.height, tw, box.Width());
    if (smaller.height < 1)
        return;
    FontScope shrunk(dc, smaller, FontSource::Temporary);
    dc.DrawTextIn(text, box, format);
}

void RoundRectFill(Canvas& dc, Colour fill, Colour frame, int32_t frameWidth, int32_t corner, const Rect& r)
{
    if (fill != kNoColour)
        dc.FillRoundRectRegion(r, corner, corner, fill);
    if (frame != kNoColour && frameWidth > 0)
        dc.FrameRoundRectRegion(r, corner, corner, frame, frameWidth, frameWidth);
}

void DrawLine(Canvas& dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    dc.MoveTo(x1, y1);
    dc.LineTo(x2, y2);
}

void RectOutline(Canvas& dc, Colour colour, int32_t width, const Rect& r)
{
    PenScope pen(dc, SolidPen(std::min(width, 200), colour));
    DrawLine(dc, r.left, r.top, r.right, r.top);
    DrawLine(dc, r.left, r.top, r.left, r.bottom);
    DrawLine(dc, r.right, r.bottom, r.right, r.top);
    DrawLine(dc, r.right, r.bottom, r.left, r.bottom);
}

void DashedLine(Canvas& dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    const double dx = static_cast<double>(x2) - x1;
    const double dy = static_cast<double>(y2) - y1;
    const double n = std::sqrt(dx * dx + dy * dy) / 60.0;
    // A line of no length has no direction to dash along.
    if (!(n > 0.0))
        return;
    const double sx = dx / n;
    const double sy = dy / n;
    for (int32_t k = 0; k <= n; k += 2)
        DrawLine(dc, static_cast<int32_t>(x1 + k * sx), static_cast<int32_t>(y1 + k * sy),
                 static_cast<int32_t>(x1 + (k + 1) * sx), static_cast<int32_t>(y1 + (k + 1) * sy));
}

Rect CentreRect(const Rect& a, const Rect& b)
{
    const int32_t dx = (b.left + b.right) / 2 - (a.left + a.right) / 2;
    const int32_t dy = (b.top + b.bottom) / 2 - (a.top + a.bottom) / 2;
    return a.Moved(dx, dy);
}

void FilledCircle(Canvas& dc, const Rect& r)
{
    const int32_t a = r.Width() / 3;
    if (r.Height() > 16 || a <= 0) {
        dc.Ellipse(r);
        return;
    }
    const Brush brush = dc.State().brush;
    if (brush.style == BrushStyle::Null)
        return;
    const int32_t L = r.left, T = r.top, R = r.right, B = r.bottom;
    dc.FillPolygon({{L, T + a},
                    {L + a, T},
                    {R - a - 1, T},
                    {R, T + a},
                    {R, B - a - 1},
                    {R - a - 1, B},
                    {L + a + 1, B},
                    {L, B - a - 1}},
                   brush.colour);
}

void DrawCallSymbol(Canvas& dc, int32_t kind, const Rect& r)
{
    if (kind >= kSymbolClub && kind <= kSymbolSpade) {
        const Rect square = CentreRect({r.left, r.top, r.left + (r.bottom - r.top), r.bottom}, r);
        switch (kind) {
        case kSymbolClub: DrawClub(dc, square); break;
        case kSymbolDiamond: DrawDiamond(dc, square); break;
        case kSymbolHeart: DrawHeart(dc, square); break;
        default: DrawSpade(dc, square); break;
        }
        return;
    }
    const char16_t* text = nullptr;
    Colour colour = kBlack;
    switch (kind) {
    case kSymbolNoTrump: text = u"NT"; break;
    case kSymbolDouble: text = u"X"; colour = kDoubleColour; break;
    case kSymbolRedouble: text = u"XX"; colour = kRedoubleColour; break;
    case kSymbolPass: text = u"Pass"; break;
    default: return;
    }
    TextColourScope colourScope(dc, colour);
    dc.DrawTextIn(text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void DrawButton(Canvas& dc, const Rect& r, const std::u16string& text, bool enabled, bool pressed, bool hot,
                Colour face, Colour textColour, int32_t frameWidth)
{
    if (r.IsEmpty())
        return;
    const Colour border = ContrastColour(face, 20);
    Colour fill = Rgb(192, 192, 192);
    Colour label = Rgb(128, 128, 128);
    if (enabled) {
        const Colour f = hot ? ContrastColour(face, 5) : face;
        fill = pressed ? ContrastColour(f, 8) : f;
        label = textColour;
    }
    RoundRectFill(dc, fill, border, frameWidth, (r.Height() * 15) / 100, r);
    if (text.empty())
        return;
    TextColourScope colourScope(dc, label);
    dc.DrawTextIn(text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}
