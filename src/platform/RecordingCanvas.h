#pragma once
// A canvas that draws nothing and records every drawing call together with
// the state in force, for tests of painting code. Its text metrics are
// deterministic so that shrink-to-fit and alignment can be asserted exactly:
// with h the selected font's height, a full-width character (CJK, full-width
// forms) is h wide, any other character h / 2; a line is h high.

#include "platform/Canvas.h"

#include <optional>
#include <string>
#include <vector>

enum class CanvasOp {
    Line,
    FillRect,
    FillPolygon,
    FillRoundRect,
    FrameRoundRect,
    Ellipse,
    Text,
    Picture,
    ExcludeClip,
};

struct CanvasCall {
    CanvasOp op = CanvasOp::Line;
    CanvasState state;                 // the state when the call was made
    Point from{}, to{};                // Line
    Rect rect{};                       // every rectangle-based call
    std::vector<Point> points;         // FillPolygon
    Colour colour{};                   // the colour argument of fills and frames
    int32_t cornerW = 0, cornerH = 0;  // round-rect regions
    int32_t frameW = 0, frameH = 0;    // FrameRoundRect
    std::u16string text;               // Text
    unsigned format = 0;               // Text
    std::string picture;               // Picture: its name
    std::optional<Colour> transparent; // Picture
};

class RecordingCanvas : public Canvas {
public:
    explicit RecordingCanvas(int dpiX = 96, int dpiY = 96);

    int DpiX() const override { return dpiX_; }
    int DpiY() const override { return dpiY_; }

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

    // The width one character takes in a font of the given height.
    static int32_t CharWidth(char16_t c, int32_t height);
    // The width of a text in a font of the given height.
    static int32_t TextWidth(const std::u16string& text, int32_t height);

    const std::vector<CanvasCall>& Calls() const { return calls_; }
    // The calls of one kind, in order.
    std::vector<CanvasCall> Calls(CanvasOp op) const;
    // The texts drawn (DT_CALCRECT measurements excluded), in order.
    std::vector<std::u16string> Texts() const;
    // The first text call drawing exactly `text`, or null.
    const CanvasCall* FindText(const std::u16string& text) const;
    void Clear() { calls_.clear(); }

protected:
    void StrokeLine(Point from, Point to) override;

private:
    CanvasCall& Record(CanvasOp op);

    int dpiX_;
    int dpiY_;
    std::vector<CanvasCall> calls_;
};
