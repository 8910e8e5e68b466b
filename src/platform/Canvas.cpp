#include "platform/Canvas.h"

#include <QFileInfo>
#include <QImage>
#include <QString>

namespace {

int64_t ScaleTrunc(int64_t value, int64_t num, int64_t den)
{
    // Integer mapping truncating towards zero; a zero extent maps nothing.
    if (den == 0)
        return 0;
    return value * num / den;
}

} // namespace

Point Mapping::LogicalToDevice(Point p) const
{
    if (mode == MapMode::Text)
        return {p.x - windowOrg.x + viewportOrg.x, p.y - windowOrg.y + viewportOrg.y};
    return {static_cast<int32_t>(ScaleTrunc(int64_t{p.x} - windowOrg.x, viewportExt.cx, windowExt.cx) + viewportOrg.x),
            static_cast<int32_t>(ScaleTrunc(int64_t{p.y} - windowOrg.y, viewportExt.cy, windowExt.cy) + viewportOrg.y)};
}

Point Mapping::DeviceToLogical(Point p) const
{
    if (mode == MapMode::Text)
        return {p.x - viewportOrg.x + windowOrg.x, p.y - viewportOrg.y + windowOrg.y};
    return {static_cast<int32_t>(ScaleTrunc(int64_t{p.x} - viewportOrg.x, windowExt.cx, viewportExt.cx) + windowOrg.x),
            static_cast<int32_t>(ScaleTrunc(int64_t{p.y} - viewportOrg.y, windowExt.cy, viewportExt.cy) + windowOrg.y)};
}

double Mapping::ScaleX() const
{
    if (mode == MapMode::Text || windowExt.cx == 0)
        return 1.0;
    return static_cast<double>(viewportExt.cx) / windowExt.cx;
}

double Mapping::ScaleY() const
{
    if (mode == MapMode::Text || windowExt.cy == 0)
        return 1.0;
    return static_cast<double>(viewportExt.cy) / windowExt.cy;
}

CanvasPicture CanvasPicture::FromFile(const std::string& path)
{
    CanvasPicture picture;
    QImage image(QString::fromStdString(path));
    if (image.isNull())
        return picture;
    picture.image_ = std::make_shared<const QImage>(std::move(image));
    picture.name_ = path;
    return picture;
}

CanvasPicture CanvasPicture::FromResource(int id)
{
    CanvasPicture picture = FromFile(":/bitmaps/" + std::to_string(id) + ".png");
    if (!picture.IsNull())
        picture.name_ = "res:" + std::to_string(id);
    return picture;
}

CanvasPicture CanvasPicture::FromImage(const QImage& image, std::string name)
{
    CanvasPicture picture;
    if (image.isNull())
        return picture;
    picture.image_ = std::make_shared<const QImage>(image);
    picture.name_ = std::move(name);
    return picture;
}

Size CanvasPicture::PixelSize() const
{
    if (!image_)
        return {};
    return {image_->width(), image_->height()};
}

Canvas::~Canvas() = default;

FontSpec Canvas::SelectFont(const FontSpec& spec, FontSource source)
{
    FontSpec previous = state_.font;
    state_.font = spec;
    state_.fontSource = source;
    OnFontSelected();
    return previous;
}

Colour Canvas::SetTextColour(Colour colour)
{
    const Colour previous = state_.textColour;
    state_.textColour = colour;
    return previous;
}

BkMode Canvas::SetBkMode(BkMode mode)
{
    const BkMode previous = state_.bkMode;
    state_.bkMode = mode;
    return previous;
}

Colour Canvas::SetBkColour(Colour colour)
{
    const Colour previous = state_.bkColour;
    state_.bkColour = colour;
    return previous;
}

Pen Canvas::SelectPen(const Pen& pen)
{
    const Pen previous = state_.pen;
    state_.pen = pen;
    return previous;
}

Brush Canvas::SelectBrush(const Brush& brush)
{
    const Brush previous = state_.brush;
    state_.brush = brush;
    return previous;
}

StretchMode Canvas::SetStretchMode(StretchMode mode)
{
    const StretchMode previous = state_.stretchMode;
    state_.stretchMode = mode;
    return previous;
}

Mapping Canvas::SetMapping(const Mapping& mapping)
{
    const Mapping previous = state_.mapping;
    state_.mapping = mapping;
    OnMappingChanged();
    return previous;
}

MapMode Canvas::SetMapMode(MapMode mode)
{
    const MapMode previous = state_.mapping.mode;
    state_.mapping.mode = mode;
    OnMappingChanged();
    return previous;
}

Point Canvas::SetViewportOrg(Point origin)
{
    const Point previous = state_.mapping.viewportOrg;
    state_.mapping.viewportOrg = origin;
    OnMappingChanged();
    return previous;
}

Point Canvas::SetWindowOrg(Point origin)
{
    const Point previous = state_.mapping.windowOrg;
    state_.mapping.windowOrg = origin;
    OnMappingChanged();
    return previous;
}

Size Canvas::SetViewportExt(Size extent)
{
    const Size previous = state_.mapping.viewportExt;
    state_.mapping.viewportExt = extent;
    OnMappingChanged();
    return previous;
}

Size Canvas::SetWindowExt(Size extent)
{
    const Size previous = state_.mapping.windowExt;
    state_.mapping.windowExt = extent;
    OnMappingChanged();
    return previous;
}

void Canvas::MoveTo(int32_t x, int32_t y)
{
    state_.position = {x, y};
}

void Canvas::LineTo(int32_t x, int32_t y)
{
    const Point to{x, y};
    StrokeLine(state_.position, to);
    state_.position = to;
}

std::vector<std::u16string> Canvas::SplitTextLines(const std::u16string& text, int32_t width, unsigned format)
{
    if (format & DT_SINGLELINE) {
        // One line: line breaks are not honoured, as on a device context.
        std::u16string line;
        for (char16_t c : text)
            if (c != u'\r' && c != u'\n')
                line.push_back(c);
        return {CutToDrawnLine(line)};
    }
    std::vector<std::u16string> paragraphs;
    std::u16string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            paragraphs.push_back(CutToDrawnLine(current));
            current.clear();
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            continue;
        }
        current.push_back(c);
    }
    paragraphs.push_back(CutToDrawnLine(current));
    if (!(format & DT_WORDBREAK))
        return paragraphs;

    // Greedy word wrap at spaces; a word wider than the box stays whole on
    // its own line.
    std::vector<std::u16string> lines;
    for (const std::u16string& paragraph : paragraphs) {
        std::u16string line;
        std::size_t pos = 0;
        while (pos <= paragraph.size()) {
            std::size_t end = paragraph.find(u' ', pos);
            if (end == std::u16string::npos)
                end = paragraph.size();
            const std::u16string word = paragraph.substr(pos, end - pos);
            const std::u16string candidate = line.empty() ? word : line + u' ' + word;
            if (!line.empty() && TextExtent(candidate).cx > width) {
                lines.push_back(line);
                line = word;
            } else {
                line = candidate;
            }
            pos = end + 1;
        }
        lines.push_back(line);
    }
    return lines;
}

std::u16string CutToDrawnLine(std::u16string_view line)
{
    if (line.size() <= kMaxDrawnLineUnits)
        return std::u16string(line);
    std::size_t n = kMaxDrawnLineUnits;
    // A high surrogate at the cut would be half a character.
    if (line[n - 1] >= 0xD800 && line[n - 1] <= 0xDBFF)
        --n;
    return std::u16string(line.substr(0, n));
}

bool IsFullWidthChar(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}
