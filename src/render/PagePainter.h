#pragma once
// One printed page of a page view, painted the same way for every
// destination: the printer and a PDF file (through the print job) and a
// picture (the renderer's PNG, tests). The kiosk, the renderer and the tests
// all reach paper through these two functions, so what a player gets and
// what a director previews cannot drift apart.

#include "platform/Canvas.h"
#include "render/PageView.h"

#include <cstdint>

#include <QImage>

// The window extent that puts the A4 page one to one on A4 paper: with a
// viewport extent of (dpi * 10) device pixels one unit is 0.01 mm.
inline constexpr Size kA4WindowExtent{25400, 25400};

// Paints page `pageNumber` of `view` in printer mode on `dc`, a device of
// (dpiX, dpiY) dots per inch: the page mapping (one unit is 0.01 mm of the
// page, scaled by `windowExt` to other paper, its corner at device point
// `origin`), a transparent text background, the page content, then the
// header and footer lines.
void PaintPrintedPage(PageView& view, Canvas& dc, int32_t pageNumber, int32_t dpiX, int32_t dpiY,
                      Size windowExt = kA4WindowExtent, Point origin = {});

// Page `pageNumber` of `view` as printed, on a white picture of the page's
// size at `dpi` dots per inch (an A4 portrait page at 150 dpi is 1240 x 1754).
QImage RenderPageImage(PageView& view, int32_t pageNumber, int32_t dpi);
