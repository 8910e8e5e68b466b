#include "platform/QPainterCanvas.h"
#include "platform/QtText.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <unordered_map>

namespace {

QColor ToQColor(Colour c)
{
    return QColor(c.r, c.g, c.b);
}

QRectF ToQRectF(const Rect& r)
{
    return QRectF(r.left, r.top, r.Width(), r.Height());
}

// The classic rounded-rectangle region: corner ellipses cornerW x cornerH,
// clamped to the rectangle.
QPainterPath RoundRectPath(const QRectF& r, double cornerW, double cornerH)
{
    QPainterPath path;
    const double rx = std::clamp(cornerW / 2.0, 0.0, r.width() / 2.0);
    const double ry = std::clamp(cornerH / 2.0, 0.0, r.height() / 2.0);
    if (rx <= 0.0 || ry <= 0.0)
        path.addRect(r);
    else
        path.addRoundedRect(r, rx, ry, Qt::AbsoluteSize);
    return path;
}

// The widths of the texts measured in one font. Painting a scorecard measures
// the same few texts (numbers, suits, contracts, seats) over and over, and
// shaping a text to measure it costs about as much as drawing it; a width
// once measured is kept. The font is a function of its description, so the
// description is the key. Only numbers are kept, no toolkit font, so nothing
// here outlives the application's fonts.
struct TextWidths {
    static constexpr std::size_t kKeep = 4096;

    explicit TextWidths(const QFont& font)
    {
        const QFontMetricsF metrics(font);
        ascent = metrics.ascent();
        descent = metrics.descent();
    }

    // The width of `line` in `font`, the font these widths belong to.
    double Of(const QFont& font, const std::u16string& line)
    {
        const auto found = widths.find(line);
        if (found != widths.end())
            return found->second;
        if (widths.size() >= kKeep)
            widths.clear();
        const double width = QFontMetricsF(font).horizontalAdvance(ToQString(line));
        widths.emplace(line, width);
        return width;
    }

    double ascent = 0.0;
    double descent = 0.0;
    std::unordered_map<std::u16string, double> widths;
};

// The widths of every font in use on this thread (painting happens on the
// GUI thread; a canvas on another thread keeps its own), dropped all at once
// when more fonts than any page uses have piled up. A canvas holds on to the
// widths of its current font, so dropping never pulls them from under it.
std::shared_ptr<TextWidths> WidthsOf(const FontSpec& spec, const QFont& font)
{
    constexpr std::size_t kKeepFonts = 256;
    thread_local std::unordered_map<std::u16string, std::shared_ptr<TextWidths>> fonts;
    std::u16string key = spec.face;
    key += {u'\0',
            static_cast<char16_t>(spec.bold != 0),
            static_cast<char16_t>(spec.underline != 0),
            static_cast<char16_t>(spec.italic != 0),
            static_cast<char16_t>(spec.height & 0xFFFF),
            static_cast<char16_t>((spec.height >> 16) & 0xFFFF)};
    const auto found = fonts.find(key);
    if (found != fonts.end())
        return found->second;
    if (fonts.size() >= kKeepFonts)
        fonts.clear();
    auto widths = std::make_shared<TextWidths>(font);
    fonts.emplace(std::move(key), widths);
    return widths;
}

} // namespace

struct QPainterCanvas::Impl {
    void Select(const QFont& qfont, const FontSpec& spec)
    {
        font = qfont;
        widths = WidthsOf(spec, font);
    }

    QFont font;
    std::shared_ptr<TextWidths> widths;
};

QPainterCanvas::QPainterCanvas(QPainter& painter) : painter_(&painter), impl_(std::make_unique<Impl>())
{
    painter_->save();
    painter_->setRenderHint(QPainter::Antialiasing, true);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
    impl_->Select(CanvasFont(state_.font).Native(), state_.font);
    OnMappingChanged();
}

QPainterCanvas::QPainterCanvas(QPaintDevice* device)
    : ownPainter_(std::make_unique<QPainter>(device)), painter_(ownPainter_.get()), impl_(std::make_unique<Impl>())
{
    painter_->setRenderHint(QPainter::Antialiasing, true);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
    impl_->Select(CanvasFont(state_.font).Native(), state_.font);
    OnMappingChanged();
}

QPainterCanvas::~QPainterCanvas()
{
    if (ownPainter_) {
        if (ownPainter_->isActive())
            ownPainter_->end();
        return;
    }
    if (painter_->isActive())
        painter_->restore();
}

bool QPainterCanvas::IsActive() const
{
    return painter_ && painter_->isActive();
}

int QPainterCanvas::DpiX() const
{
    return painter_->device() ? painter_->device()->logicalDpiX() : 96;
}

int QPainterCanvas::DpiY() const
{
    return painter_->device() ? painter_->device()->logicalDpiY() : 96;
}

void QPainterCanvas::OnFontSelected()
{
    if (state_.fontSource == FontSource::Cache)
        impl_->Select(GetCachedFont(state_.font).Native(), state_.font);
    else
        impl_->Select(CanvasFont(state_.font).Native(), state_.font);
}

void QPainterCanvas::OnMappingChanged()
{
    const Mapping& m = state_.mapping;
    const double sx = m.ScaleX();
    const double sy = m.ScaleY();
    const QTransform t(sx, 0.0, 0.0, sy, m.viewportOrg.x - m.windowOrg.x * sx, m.viewportOrg.y - m.windowOrg.y * sy);
    painter_->setWorldTransform(t);
}

QPen QPainterCanvas::DevicePen(const Pen& pen) const
{
    QPen qpen(ToQColor(pen.colour));
    const double scale = (std::abs(state_.mapping.ScaleX()) + std::abs(state_.mapping.ScaleY())) / 2.0;
    if (pen.width * scale <= 1.0) {
        // Thinner than a device pixel: one device pixel, whatever the zoom.
        qpen.setCosmetic(true);
        qpen.setWidthF(1.0);
    } else {
        qpen.setWidthF(pen.width);
    }
    if (pen.style == PenStyle::Dot)
        qpen.setStyle(Qt::DotLine);
    return qpen;
}

void QPainterCanvas::StrokeLine(Point from, Point to)
{
    const Pen& pen = state_.pen;
    if (pen.style == PenStyle::Null)
        return;
    QPen qpen = DevicePen(pen);
    if (pen.style == PenStyle::Dot) {
        qpen.setCapStyle(Qt::FlatCap);
    } else {
        qpen.setCapStyle(Qt::RoundCap);
        qpen.setJoinStyle(Qt::RoundJoin);
    }
    painter_->setPen(qpen);
    // Hairlines are drawn crisp, on whole pixels, as a device context would.
    const bool hairline = qpen.isCosmetic();
    if (hairline)
        painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->drawLine(QPointF(from.x, from.y), QPointF(to.x, to.y));
    if (hairline)
        painter_->setRenderHint(QPainter::Antialiasing, true);
}

void QPainterCanvas::FillRect(const Rect& r, Colour colour)
{
    if (r.IsEmpty())
        return;
    painter_->fillRect(ToQRectF(r), ToQColor(colour));
}

void QPainterCanvas::FillPolygon(const std::vector<Point>& points, Colour colour)
{
    if (points.size() < 3)
        return;
    QPolygonF polygon;
    for (const Point& p : points)
        polygon << QPointF(p.x, p.y);
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addPolygon(polygon);
    path.closeSubpath();
    painter_->fillPath(path, ToQColor(colour));
}

void QPainterCanvas::FillRoundRectRegion(const Rect& r, int32_t cornerW, int32_t cornerH, Colour colour)
{
    if (r.IsEmpty())
        return;
    painter_->fillPath(RoundRectPath(ToQRectF(r), cornerW, cornerH), ToQColor(colour));
}

void QPainterCanvas::FrameRoundRectRegion(const Rect& r, int32_t cornerW, int32_t cornerH, Colour colour,
                                          int32_t frameW, int32_t frameH)
{
    if (r.IsEmpty() || frameW <= 0 || frameH <= 0)
        return;
    // Strokes narrower than a device pixel are widened to one, as for pens.
    const double fw = std::max<double>(frameW, 1.0 / std::max(1e-9, std::abs(state_.mapping.ScaleX())));
    const double fh = std::max<double>(frameH, 1.0 / std::max(1e-9, std::abs(state_.mapping.ScaleY())));
    const QRectF outer = ToQRectF(r);
    QPainterPath frame = RoundRectPath(outer, cornerW, cornerH);
    const QRectF inner = outer.adjusted(fw, fh, -fw, -fh);
    if (inner.width() > 0 && inner.height() > 0)
        frame = frame.subtracted(RoundRectPath(inner, cornerW - 2 * fw, cornerH - 2 * fh));
    painter_->fillPath(frame, ToQColor(colour));
}

void QPainterCanvas::Ellipse(const Rect& r)
{
    const Pen& pen = state_.pen;
    if (pen.style == PenStyle::Null) {
        painter_->setPen(Qt::NoPen);
    } else {
        painter_->setPen(DevicePen(pen));
    }
    if (state_.brush.style == BrushStyle::Null)
        painter_->setBrush(Qt::NoBrush);
    else
        painter_->setBrush(ToQColor(state_.brush.colour));
    painter_->drawEllipse(ToQRectF(r));
}

Size QPainterCanvas::TextExtent(const std::u16string& text)
{
    TextWidths& widths = *impl_->widths;
    return {static_cast<int32_t>(std::lround(widths.Of(impl_->font, CutToDrawnLine(text)))),
            static_cast<int32_t>(std::lround(widths.ascent + widths.descent))};
}

int32_t QPainterCanvas::DrawText(const std::u16string& text, Rect& r, unsigned format)
{
    const std::vector<std::u16string> lines = SplitTextLines(text, r.Width(), format);
    TextWidths& metrics = *impl_->widths;
    const double lineHeight = metrics.ascent + metrics.descent;
    const int32_t height = static_cast<int32_t>(std::lround(lineHeight * static_cast<double>(lines.size())));

    std::vector<double> widths;
    double widest = 0.0;
    for (const auto& line : lines) {
        widths.push_back(metrics.Of(impl_->font, line));
        widest = std::max(widest, widths.back());
    }
    if (format & DT_CALCRECT) {
        int32_t w = static_cast<int32_t>(std::lround(widest));
        if (format & DT_WORDBREAK)
            w = std::max(w, r.Width());
        r.right = r.left + w;
        r.bottom = r.top + height;
        return height;
    }

    double y = r.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_BOTTOM)
            y = r.bottom - lineHeight;
        else if (format & DT_VCENTER)
            y = r.top + (r.Height() - lineHeight) / 2.0;
    }

    painter_->save();
    if (!(format & DT_NOCLIP))
        painter_->setClipRect(ToQRectF(r), Qt::IntersectClip);
    painter_->setFont(impl_->font);
    for (std::size_t i = 0; i < lines.size(); ++i, y += lineHeight) {
        double x = r.left;
        if (format & DT_RIGHT)
            x = r.right - widths[i];
        else if (format & DT_CENTER)
            x = r.left + (r.Width() - widths[i]) / 2.0;
        if (state_.bkMode == BkMode::Opaque)
            painter_->fillRect(QRectF(x, y, widths[i], lineHeight), ToQColor(state_.bkColour));
        painter_->setPen(ToQColor(state_.textColour));
        painter_->drawText(QPointF(x, y + metrics.ascent), ToQString(lines[i]));
    }
    painter_->restore();
    return height;
}

void QPainterCanvas::DrawPicture(const CanvasPicture& picture, const Rect& dest, std::optional<Colour> transparent)
{
    if (picture.IsNull() || dest.IsEmpty())
        return;
    const QImage* source = picture.Image();
    QImage keyed;
    if (transparent) {
        keyed = source->convertToFormat(QImage::Format_ARGB32);
        const QRgb key = qRgb(transparent->r, transparent->g, transparent->b);
        for (int y = 0; y < keyed.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
            for (int x = 0; x < keyed.width(); ++x)
                if ((line[x] & 0x00FFFFFF) == (key & 0x00FFFFFF))
                    line[x] = 0;
        }
        source = &keyed;
    }
    painter_->save();
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, state_.stretchMode == StretchMode::Halftone);
    painter_->drawImage(ToQRectF(dest), *source);
    painter_->restore();
}

void QPainterCanvas::ExcludeClipRect(const Rect& r)
{
    QPainterPath area;
    if (painter_->hasClipping()) {
        area = painter_->clipPath();
    } else {
        // Everything the device can show, in logical coordinates.
        const QPaintDevice* device = painter_->device();
        const QRectF deviceRect(0, 0, device ? device->width() : 0, device ? device->height() : 0);
        area.addRect(painter_->worldTransform().inverted().mapRect(deviceRect));
    }
    QPainterPath hole;
    hole.addRect(ToQRectF(r));
    painter_->setClipPath(area.subtracted(hole), Qt::ReplaceClip);
}
