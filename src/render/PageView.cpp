#include "render/PageView.h"

#include "platform/QPainterCanvas.h"
#include "render/DrawPrimitives.h"
#include "tournament/TimeText.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>

namespace {

constexpr Colour kViewBackground = Rgb(128, 128, 128);
constexpr Colour kPaperShadow = Rgb(32, 32, 32);
constexpr Colour kCornerMark = Rgb(232, 232, 232);

} // namespace

PageView::PageView() = default;
PageView::~PageView() = default;

void PageView::Print(int32_t copies, PrintMode printMode)
{
    if (PagePrinter* printer = Services().Printer())
        printer->PrintView(*this, copies, printMode);
}

Rect PageView::GetPageRect(int32_t page, DrawMode mode)
{
    const int32_t viewWidth = PixelsToUnits(ClientRect()).Width();
    return PageRectOf(page, mode, IsLandscape(), IsTwoPagesAcross(), viewWidth);
}

float PageView::ComputeZoom()
{
    return ComputeZoomAt(logicalDpiX(), logicalDpiY());
}

float PageView::ComputeZoomAt(int32_t dpiX, int32_t dpiY)
{
    const auto m = ComputeZoomMapping(ClientRect().Width(), dpiX, dpiY, IsLandscape(), IsTwoPagesAcross());
    if (!m)
        return 100.0f;
    zoomPercent = m->zoomPercent;
    windowExtent = m->windowExtent;
    unitsPer100PxX = m->unitsPer100PxX;
    unitsPer100PxY = m->unitsPer100PxY;
    return zoomPercent;
}

Rect PageView::PixelsToUnits(const Rect& px) const
{
    return ::PixelsToUnits(px, unitsPer100PxX, unitsPer100PxY);
}

int32_t PageView::GetContentHeight()
{
    const Rect last = GetPageRect(GetPageCount(), DrawMode::Screen);
    if (unitsPer100PxX < 1 || unitsPer100PxY < 1) {
        ComputeZoom();
        // The page's place across the view depends on the ratios just
        // measured; its bottom does not.
    }
    return ViewContentHeightPx(last, unitsPer100PxX, unitsPer100PxY, ScreenUnit());
}

Mapping PageView::ScreenMapping(int32_t dpiX, int32_t dpiY, int32_t scrollPos) const
{
    Mapping m;
    m.mode = MapMode::Anisotropic;
    m.viewportOrg = Point{0, -scrollPos};
    m.viewportExt = Size{dpiX * 10, dpiY * 10};
    m.windowExt = Size{windowExtent, windowExtent};
    return m;
}

void PageView::PaintView(Canvas& dc, const Rect& client)
{
    dc.FillRect(client, kViewBackground);
    const Colour oldText = dc.SetTextColour(TextColour(DrawMode::Screen));
    ComputeZoomAt(dc.DpiX(), dc.DpiY());
    const int32_t scroll = ScrollPosition();
    const Mapping oldMapping = dc.SetMapping(ScreenMapping(dc.DpiX(), dc.DpiY(), scroll));

    const Rect visible = PixelsToUnits(client.Moved(0, scroll));
    const int32_t n = GetPageCount();
    bool drawnAny = false;
    for (int32_t p = 1; p <= n; ++p) {
        const Rect page = GetPageRect(p, DrawMode::Screen);
        if (!Intersects(page, visible)) {
            // Pages follow each other downwards: past the visible ones, no
            // later page can show.
            if (drawnAny)
                break;
            continue;
        }
        drawnAny = true;
        DrawPaper(dc, page, PaperColour(DrawMode::Screen));
        PaintPage(dc, page, visible, p, DrawMode::Screen);
        DrawHeaderFooter(dc, page, p, n, DrawMode::Screen);
    }

    dc.SetMapping(oldMapping);
    dc.SetTextColour(oldText);
}

void PageView::paintEvent(QPaintEvent*)
{
    const Rect client = ClientRect();
    if (client.Height() <= 9 || client.Width() <= 0)
        return;
    // Everything is drawn into an off-screen image first and copied in one
    // go, so the view never flickers. The image has the window's resolution,
    // so the zoom is the same as measured for the window.
    QImage image(client.Width(), client.Height(), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
    image.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
    {
        QPainterCanvas canvas(&image);
        PaintView(canvas, client);
    }
    QPainter painter(viewport());
    painter.drawImage(0, 0, image);
}

void PageView::DrawPaper(Canvas& dc, const Rect& r, Colour paper)
{
    dc.FillRect(Rect{r.right - 60, r.top, r.right, r.bottom}.Moved(60, 60), kPaperShadow);
    dc.FillRect(Rect{r.left, r.bottom - 60, r.right, r.bottom}.Moved(60, 60), kPaperShadow);
    dc.FillRect(r, paper);
    RoundRectFill(dc, kNoColour, kViewBackground, 10, 1, r);

    const int32_t l = r.left + 1000, t = r.top + 1000, rt = r.right - 450, b = r.bottom - 1500;
    PenScope pen(dc, SolidPen(1, kCornerMark));
    const auto mark = [&dc](int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
        dc.MoveTo(x1, y1);
        dc.LineTo(x2, y2);
        dc.LineTo(x3, y3);
    };
    mark(l, t - 600, l, t, l - 600, t);
    mark(l, b + 600, l, b, l - 600, b);
    mark(rt, t - 600, rt, t, rt + 600, t);
    mark(rt, b + 600, rt, b, rt + 600, b);
}

void PageView::DrawHeaderFooter(Canvas& dc, const Rect& r, int32_t p, int32_t n, DrawMode m)
{
    const FontSpec oldFont = dc.SelectFont(FontSpec(UsesLargeHeaderFont() ? 560 : 350, kPageFace));
    const Colour oldText = dc.SetTextColour(TextColour(m));
    const Rect body = GetBodyRect(r, m);

    if (HasPageFooter()) {
        const std::string now = footerTimeOverride.empty() ? FormatLocalTime(CurrentTime()) : footerTimeOverride;
        dc.DrawTextIn(PageFooterText(CreditLine(), now), Rect{body.left, body.bottom, body.right, r.bottom},
                      DT_RIGHT | DT_SINGLELINE);
        PenScope pen(dc, SolidPen(10, LineColour25(m)));
        DrawLine(dc, body.left, body.bottom, body.right, body.bottom);
    }
    if (HasPageHeader()) {
        {
            PenScope pen(dc, SolidPen(10, LineColour25(m)));
            DrawLine(dc, body.left, body.top, body.right, body.top);
        }
        dc.DrawTextIn(PageHeaderText(GetPageTitle(), p, n), Rect{body.left, r.top, body.right, body.top},
                      DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
    }

    dc.SetTextColour(oldText);
    dc.SelectFont(oldFont);
}

Colour PageView::TextColour(DrawMode m)
{
    const bool fixed = m == DrawMode::Printer || (m == DrawMode::Screen && UsesPrintColours());
    return fixed ? kBlack : GetThemeColour(1);
}

Colour PageView::PaperColour(DrawMode m)
{
    if (m == DrawMode::Screen && UsesPrintColours())
        return Rgb(248, 248, 240);
    if (m == DrawMode::Printer)
        return kWhite;
    return GetThemeColour(11);
}

Colour PageView::LineColour25(DrawMode m)
{
    return BlendColour(TextColour(m), PaperColour(m), 25);
}

Colour PageView::LineColour50(DrawMode m)
{
    return BlendColour(TextColour(m), PaperColour(m), 50);
}

Colour PageView::PaletteColour(DrawMode m, PaletteSlot slot)
{
    if (m == DrawMode::Screen && UsesPrintColours())
        m = DrawMode::Printer;
    const bool fixed = m == DrawMode::Printer || (m == DrawMode::Screen && UsesPrintColours());
    const int32_t themeIndex = static_cast<int32_t>(slot);
    switch (slot) {
    case PaletteSlot::Text: return TextColour(m);
    case PaletteSlot::Gray: return BlendColour(TextColour(m), PaperColour(m), 70);
    case PaletteSlot::Teal: return fixed ? Rgb(0, 64, 64) : GetThemeColour(themeIndex);
    case PaletteSlot::Red: return fixed ? Rgb(208, 0, 0) : GetThemeColour(themeIndex);
    case PaletteSlot::Blue: return fixed ? Rgb(0, 0, 192) : GetThemeColour(themeIndex);
    }
    return kBlack; // a slot the palette does not name
}
