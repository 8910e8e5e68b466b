#pragma once
// The canvas over a QPainter: on an off-screen image, on a widget in its
// paint event, or on a printer (or Qt's PDF output) between pages.
//
// The logical-to-device mapping becomes the painter's world transform, so
// pen widths, font heights and pictures scale with it as they would on a
// mapped device context. A pen or a stroke that would map to less than one
// device pixel is drawn one device pixel wide, so thin rules never vanish.

#include "platform/Canvas.h"

#include <memory>

class QPainter;
class QPaintDevice;
class QPen;

class QPainterCanvas : public Canvas {
public:
    // Draws with a painter that is already active on its device; the
    // painter's state is saved here and restored by the destructor.
    explicit QPainterCanvas(QPainter& painter);
    // Opens its own painter on the device (an image, a widget in its paint
    // event, a printer) and ends it in the destructor.
    explicit QPainterCanvas(QPaintDevice* device);
    ~QPainterCanvas() override;
    QPainterCanvas(const QPainterCanvas&) = delete;
    QPainterCanvas& operator=(const QPainterCanvas&) = delete;

    bool IsActive() const;
    QPainter& Painter() { return *painter_; }

    int DpiX() const override;
    int DpiY() const override;

    void FillRect(const Rect& r, Colour colour) override;
    void FillPolygon(const std::vector<Point>& points, Colour colour) override;
    void FillRoundRectRegion(const Rect& r, int32_t cornerW, int32_t cornerH, Colour colour) override;
    void FrameRoundRectRegion(const Rect& r, int32_t cornerW, int32_t cornerH, Colour colour, int32_t frameW,
                              int32_t frameH) override;
    void Ellipse(const Rect& r) override;
    Size TextExtent(const std::u16string& text) override;
    int32_t DrawText(const std::u16string& text, Rect& r, unsigned format) override;
    void DrawPicture(const CanvasPicture& picture, const Rect& dest,
                     std::optional<Colour> transparent = std::nullopt) override;
    void ExcludeClipRect(const Rect& r) override;

protected:
    void OnFontSelected() override;
    void OnMappingChanged() override;
    void StrokeLine(Point from, Point to) override;

private:
    // The device pen of a canvas pen at the current mapping: its colour,
    // width (at least one device pixel) and dash style.
    QPen DevicePen(const Pen& pen) const;

    struct Impl;
    std::unique_ptr<QPainter> ownPainter_;
    QPainter* painter_ = nullptr;
    std::unique_ptr<Impl> impl_;
};
