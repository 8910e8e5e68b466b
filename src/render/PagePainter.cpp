#include "render/PagePainter.h"

#include "platform/QPainterCanvas.h"

#include <cmath>

void PaintPrintedPage(PageView& view, Canvas& dc, int32_t pageNumber, int32_t dpiX, int32_t dpiY, Size windowExt,
                      Point origin)
{
    Mapping mapping;
    mapping.mode = MapMode::Anisotropic;
    mapping.viewportOrg = origin;
    mapping.viewportExt = Size{dpiX * 10, dpiY * 10};
    mapping.windowExt = windowExt;
    dc.SetMapping(mapping);
    dc.SetBkMode(BkMode::Transparent);
    const Rect page = view.GetPageRect(pageNumber, DrawMode::Printer);
    view.PaintPage(dc, page, Rect{}, pageNumber, DrawMode::Printer);
    view.DrawHeaderFooter(dc, page, pageNumber, view.GetPageCount(), DrawMode::Printer);
}

QImage RenderPageImage(PageView& view, int32_t pageNumber, int32_t dpi)
{
    const Rect page = view.GetPageRect(pageNumber, DrawMode::Printer);
    const auto pixels = [dpi](int32_t units) {
        return static_cast<int>(std::lround(units * static_cast<double>(dpi) / 2540.0));
    };
    QImage image(pixels(page.Width()), pixels(page.Height()), QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    {
        QPainterCanvas dc(&image); // the painter ends before the picture is handed out
        PaintPrintedPage(view, dc, pageNumber, dpi, dpi);
    }
    return image;
}
