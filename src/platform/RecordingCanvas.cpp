#include "platform/RecordingCanvas.h"

#include <algorithm>
#include <cstdlib>

RecordingCanvas::RecordingCanvas(int dpiX, int dpiY) : dpiX_(dpiX), dpiY_(dpiY) {}

CanvasCall& RecordingCanvas::Record(CanvasOp op)
{
    CanvasCall& call = calls_.emplace_back();
    call.op = op;
    call.state = state_;
    return call;
}

void RecordingCanvas::StrokeLine(Point from, Point to)
{
    CanvasCall& call = Record(CanvasOp::Line);
    call.from = from;
    call.to = to;
}

void RecordingCanvas::FillRect(const Rect& r, Colour colour)
{
    CanvasCall& call = Record(CanvasOp::FillRect);
    call.rect = r;
    call.colour = colour;
}

void RecordingCanvas::FillPolygon(const std::vector<Point>& points, Colour colour)
{
    CanvasCall& call = Record(CanvasOp::FillPolygon);
    call.points = points;
    call.colour = colour;
}

void RecordingCanvas::FillRoundRectRegion(const Rect& r, int32_t cornerW, int32_t cornerH, Colour colour)
{
    CanvasCall& call = Record(CanvasOp::FillRoundRect);
    call.rect = r;
    call.cornerW = cornerW;
    call.cornerH = cornerH;
    call.colour = colour;
}

void RecordingCanvas::FrameRoundRectRegion(const Rect& r, int32_t cornerW, int32_t cornerH, Colour colour,
                                           int32_t frameW, int32_t frameH)
{
    CanvasCall& call = Record(CanvasOp::FrameRoundRect);
    call.rect = r;
    call.cornerW = cornerW;
    call.cornerH = cornerH;
    call.colour = colour;
    call.frameW = frameW;
    call.frameH = frameH;
}

void RecordingCanvas::Ellipse(const Rect& r)
{
    Record(CanvasOp::Ellipse).rect = r;
}

int32_t RecordingCanvas::CharWidth(char16_t c, int32_t height)
{
    const int32_t h = std::abs(height);
    // The second half of a surrogate pair adds nothing; the first counts as
    // one full-width character.
    if (c >= 0xDC00 && c <= 0xDFFF)
        return 0;
    if (c >= 0xD800 && c <= 0xDBFF)
        return h;
    return IsFullWidthChar(c) ? h : h / 2;
}

int32_t RecordingCanvas::TextWidth(const std::u16string& text, int32_t height)
{
    int32_t width = 0;
    for (char16_t c : text)
        width += CharWidth(c, height);
    return width;
}

Size RecordingCanvas::TextExtent(const std::u16string& text)
{
    return {TextWidth(CutToDrawnLine(text), state_.font.height), std::abs(state_.font.height)};
}

int32_t RecordingCanvas::DrawText(const std::u16string& text, Rect& r, unsigned format)
{
    const std::vector<std::u16string> lines = SplitTextLines(text, r.Width(), format);
    const int32_t lineHeight = std::abs(state_.font.height);
    const int32_t height = lineHeight * static_cast<int32_t>(lines.size());
    if (format & DT_CALCRECT) {
        int32_t widest = 0;
        for (const auto& line : lines)
            widest = std::max(widest, TextWidth(line, state_.font.height));
        if (format & DT_WORDBREAK)
            widest = std::max(widest, r.Width());
        r.right = r.left + widest;
        r.bottom = r.top + height;
    }
    CanvasCall& call = Record(CanvasOp::Text);
    call.rect = r;
    call.text = text;
    call.format = format;
    return height;
}

void RecordingCanvas::DrawPicture(const CanvasPicture& picture, const Rect& dest, std::optional<Colour> transparent)
{
    if (picture.IsNull())
        return;
    CanvasCall& call = Record(CanvasOp::Picture);
    call.rect = dest;
    call.picture = picture.Name();
    call.transparent = transparent;
}

void RecordingCanvas::ExcludeClipRect(const Rect& r)
{
    Record(CanvasOp::ExcludeClip).rect = r;
}

std::vector<CanvasCall> RecordingCanvas::Calls(CanvasOp op) const
{
    std::vector<CanvasCall> out;
    for (const CanvasCall& call : calls_)
        if (call.op == op)
            out.push_back(call);
    return out;
}

std::vector<std::u16string> RecordingCanvas::Texts() const
{
    std::vector<std::u16string> out;
    for (const CanvasCall& call : calls_)
        if (call.op == CanvasOp::Text && !(call.format & DT_CALCRECT))
            out.push_back(call.text);
    return out;
}

const CanvasCall* RecordingCanvas::FindText(const std::u16string& text) const
{
    for (const CanvasCall& call : calls_)
        if (call.op == CanvasOp::Text && !(call.format & DT_CALCRECT) && call.text == text)
            return &call;
    return nullptr;
}
