#pragma once
// The A4 page view: pages 21000 x 29700 units of 0.01 mm (landscape swaps
// them), shown one below the other (or two side by side) at a zoom that fits
// the window width, painted double-buffered with their paper, header line and
// footer line, and printed by the print job. The page content, the title and
// the page count come from the subclass.

#include "platform/Canvas.h"
#include "render/PageGeometry.h"
#include "render/WindowBase.h"

#include <cstdint>
#include <string>

class PageView;

// How a page view is printed.
enum class PrintMode : int32_t {
    WithDialog = 1, // always ask, then print
    OnChosen = 3,   // print on the chosen printer; ask only the first time
    ChooseOnly = 5, // ask only to choose the printer
};

// The slots of a page view's palette. On paper, and on screen for a view
// that uses the print colours, each has a fixed colour; otherwise the root
// window's theme colour of the same index.
enum class PaletteSlot : int32_t {
    Text = 1,
    Gray = 2, // the text colour 70 % of the way towards the paper
    Teal = 5, // titles and the last page's stamp
    Red = 8,
    Blue = 9,
};

class PageView : public WindowBase {
public:
    PageView();
    ~PageView() override;

    // --- hooks, in slot order -------------------------------------------------
    virtual bool IsLandscape() = 0;
    // On screen, paint with the fixed print palette instead of the root
    // window's theme colours.
    virtual bool UsesPrintColours() = 0;
    // One page's content on the page rectangle `page`; on screen only what
    // meets `visible` needs drawing. mode: DrawMode::Screen or DrawMode::Printer.
    virtual void PaintPage(Canvas& dc, const Rect& page, const Rect& visible, int32_t pageNumber, DrawMode mode) = 0;
    virtual std::u16string GetPageTitle() = 0;
    // Prints the pages through the print job of the root's services
    // (RootServices::Printer); without one nothing is printed.
    virtual void Print(int32_t copies, PrintMode printMode);
    virtual int32_t GetPageCount() = 0;
    virtual Rect GetPageRect(int32_t page, DrawMode mode);
    virtual bool HasPageHeader() { return true; }
    virtual bool HasPageFooter() { return true; }
    virtual bool UsesLargeHeaderFont() { return false; }
    // Paints the visible part of the view (client rectangle `client`, in
    // pixels) onto dc, whose mapping it sets and restores.
    virtual void PaintView(Canvas& dc, const Rect& client);
    virtual bool IsTwoPagesAcross() { return false; }
    // Whether the page keeps its proportions on paper other than A4 (one
    // scale both ways, centred across) instead of being stretched over it.
    virtual bool KeepsProportionsOnPaper() { return false; }

    // --- page operations --------------------------------------------------------
    // The zoom that fits the client width, measured at the window's own
    // resolution; the ratios below follow it. A client narrower than 60
    // pixels keeps the previous zoom (returns 100).
    float ComputeZoom();
    // The same at a given resolution (the paint target's).
    float ComputeZoomAt(int32_t dpiX, int32_t dpiY);
    float ZoomPercent() const { return zoomPercent; }
    int32_t UnitsPer100PxX() const { return unitsPer100PxX; }
    int32_t UnitsPer100PxY() const { return unitsPer100PxY; }
    Rect PixelsToUnits(const Rect& px) const;

    Rect GetBodyRect(const Rect& page, DrawMode mode) { return BodyRectOf(page, mode); }

    // The paper of a screen page: shadow, fill, frame and the body's corner
    // marks.
    void DrawPaper(Canvas& dc, const Rect& page, Colour paper);
    // The header line with "title (Pagep/n) " above the body and the footer
    // line with the credit line and the print time below it.
    void DrawHeaderFooter(Canvas& dc, const Rect& page, int32_t pageNumber, int32_t pageCount, DrawMode mode);

    // The colours of a drawing mode; "fixed" (paper, or the print palette on
    // screen) ignores the root window's theme.
    Colour TextColour(DrawMode mode);
    Colour PaperColour(DrawMode mode);
    Colour LineColour25(DrawMode mode);
    Colour LineColour50(DrawMode mode);
    Colour PaletteColour(DrawMode mode, PaletteSlot slot);

    // The credit line of the footers (the root window's).
    std::u16string CreditLine() { return Services().CreditLine(); }
    std::u16string EventTextW() { return Services().EventTextW(); }
    Colour GetThemeColour(int32_t index) { return Services().GetThemeColour(index); }

    // The height of all pages on screen, in pixels.
    int32_t GetContentHeight() override;

    // The time text of the footers; tests fix it, empty means the clock.
    void SetFooterTimeForTests(const std::string& text) { footerTimeOverride = text; }

protected:
    void paintEvent(QPaintEvent* event) override;

    // The screen mapping of the last zoom at a resolution, with the view
    // scrolled to `scrollPos`.
    Mapping ScreenMapping(int32_t dpiX, int32_t dpiY, int32_t scrollPos) const;

private:
    int32_t unitsPer100PxX = 0;
    int32_t unitsPer100PxY = 0;
    float zoomPercent = 100.0f;
    int32_t windowExtent = 25400;
    std::string footerTimeOverride;
};
