#pragma once
// The content of one grid page, the same on screen (mode 0) and on paper
// (mode 1): row backgrounds with zebra stripes, cell highlights, borders,
// click markers, the lead, seat and plain cell layouts with their badges and
// suit shapes, the repeated header row, the table frame, the title, the
// subtitle band and the stamp under the table of the last page.
//
// Everything here works on plain values and a Canvas, so the grid window,
// the print job and the tests call the same code. All coordinates are page
// units (0.01 mm); every font is the page face from the font cache.

#include "foundation/LocText.h"
#include "platform/Canvas.h"
#include "render/Grid.h"
#include "render/PageGeometry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The colours of a grid page in one drawing mode.
enum class PageColour : std::size_t {
    Text,
    GrayText,
    Red,
    Blue,
    ThinLine,
    DottedLine,
    Paper,
    HighlightShade, // paper 5 % towards black
    HeaderShade,    // paper 8 % towards black
};

struct PagePalette {
    std::array<Colour, 9> colours{};
    Colour operator[](PageColour c) const { return colours[static_cast<std::size_t>(c)]; }
};

PagePalette MakePagePalette(Colour text, Colour gray, Colour red, Colour blue, Colour thinLine, Colour dottedLine,
                            Colour paper);

// The colour of a cell's texts by its colour index: 1 text, 2 gray, 3 and 9
// blue, 8 red, anything else black.
Colour CellTextColour(const PagePalette& palette, int32_t colourIndex);

// What painting a grid page needs from its window.
struct GridPageSpec {
    const Grid::Row* headerRow = nullptr;
    const std::vector<Grid::Row>* rows = nullptr;
    Rect body;                    // the page body in this mode
    Rect content;                 // the grid area of this page in this mode
    bool repeatsHeaderRow = true;
    int32_t hoverRow = -1;        // the clickable cell under the pointer
    int32_t hoverCell = -1;
    int32_t pageCount = 1;
    bool showsLastPageStamp = true;
    // The window's hooks, called in this order after the table.
    std::function<void(Canvas&)> drawTitle;
    std::function<void(Canvas&)> drawAfterGrid;
    std::function<void(Canvas&, int32_t space)> drawLastPageStamp;
};

// Paints page `page` in mode `mode`; on screen only the rows meeting
// `visible` are drawn. Leaves the background mode transparent.
void PaintGridPage(Canvas& dc, const Rect& visible, int32_t page, DrawMode mode, const PagePalette& palette,
                   const GridPageSpec& spec);

// The cells of one row whose rectangles are relative to `content`'s top-left
// corner: either only the highlight backgrounds, or borders, click markers
// (screen only) and texts. The hover cell is (hover row index, cell index).
void DrawRowCells(Canvas& dc, const Rect& content, DrawMode mode, const PagePalette& palette, bool backgroundsOnly,
                  const Grid::Row& row, int32_t fontH, int32_t hoverRow, int32_t hoverCell);

// The main text of a cell in A (align 0 left, 1 centred, 2 right) in the
// selected font: suit signs become shapes drawn character by character, any
// other text too wide for A is drawn in a smaller font.
void DrawCellText(Canvas& dc, const std::u16string& text, Rect a, int32_t align, int32_t fontH);

// The base title of a grid page: the title, with " (p)" when there is more
// than one page, shrunk to the title band and allowed past it.
void DrawGridTitle(Canvas& dc, const Rect& titleBand, const std::u16string& title, int32_t page, int32_t pageCount,
                   Colour colour);
// The subtitle band: "  subtitle " centred in the current text colour;
// nothing when the band is 10 units high or less.
void DrawSubtitleBand(Canvas& dc, const Rect& band, const std::string& subtitle);

// The stamp text: the product name, then " - " and the event text when there
// is one.
std::u16string LastPageStampText(LangIndex lang, const std::u16string& eventText);
// The stamp in the bottom of the body, `space` high at most 2000: the text
// left of a square holding the picture. Nothing when space is 1200 or less;
// a null picture leaves its square empty.
void DrawLastPageStampAt(Canvas& dc, const Rect& body, int32_t space, Colour colour, const std::u16string& text,
                         const CanvasPicture& picture);

// The program's square picture (bitmap 325): in the stamp and on the team
// scorecard's header. Loaded once; null if the program has none.
const CanvasPicture& SquarePicture();
