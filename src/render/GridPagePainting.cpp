// The content of a grid page (the rows, the title, the subtitle band and
// the last-page stamp), the same on screen and on paper. The window answers
// its hooks and colours; the painting itself is GridPainting's, on plain
// values, so the tests and the print job see exactly what the screen shows.

#include "render/GridWindow.h"

#include "render/GridPainting.h"

void GridWindow::PaintPage(Canvas& dc, const Rect& page, const Rect& visible, int32_t pageNumber, DrawMode mode)
{
    const PagePalette palette = MakePagePalette(
        TextColour(mode), PaletteColour(mode, PaletteSlot::Gray), PaletteColour(mode, PaletteSlot::Red),
        PaletteColour(mode, PaletteSlot::Blue), LineColour25(mode), LineColour50(mode), PaperColour(mode));
    const Rect body = GetBodyRect(page, mode);
    GridPageSpec spec;
    spec.headerRow = &headerRow;
    spec.rows = &rows;
    spec.body = body;
    spec.content = GetContentRect(pageNumber, mode);
    spec.repeatsHeaderRow = RepeatsHeaderRow();
    spec.hoverRow = HoverRow();
    spec.hoverCell = HoverCell();
    spec.pageCount = GetPageCount();
    spec.showsLastPageStamp = ShowsLastPageStamp();
    spec.drawTitle = [&](Canvas& c) { DrawTitle(c, body, pageNumber, mode); };
    spec.drawAfterGrid = [&](Canvas& c) { DrawAfterGrid(c, body, mode); };
    spec.drawLastPageStamp = [&](Canvas& c, int32_t space) { DrawLastPageStamp(c, page, space, mode); };
    PaintGridPage(dc, visible, pageNumber, mode, palette, spec);
}

void GridWindow::DrawTitle(Canvas& dc, const Rect& body, int32_t page, DrawMode mode)
{
    DrawGridTitle(dc, GetTitleRect(body), GetTitle(), page, GetPageCount(), PaletteColour(mode, PaletteSlot::Teal));
}

void GridWindow::DrawAfterGrid(Canvas& dc, const Rect& body, DrawMode)
{
    DrawSubtitleBand(dc, GetSubtitleRect(body), GetSubtitle());
}

void GridWindow::DrawLastPageStamp(Canvas& dc, const Rect& page, int32_t space, DrawMode mode)
{
    DrawLastPageStampAt(dc, GetBodyRect(page, mode), space, PaletteColour(mode, PaletteSlot::Teal),
                        LastPageStampText(GetLanguage(), EventTextW()), SquarePicture());
}
