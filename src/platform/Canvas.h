#pragma once
// The drawing surface every page, scorecard and desktop picture is painted on.
//
// A Canvas works in logical units with the state of a classic device context:
// the selected font, text colour, background mode and colour, pen, brush,
// stretch mode, current position and the logical-to-device mapping. Painting
// code sets state, draws and restores what it changed, exactly as it would on
// a device context, so one piece of painting code serves the screen, the
// printer, PDF files and the recording canvas of the tests.
//
// Implementations: QPainterCanvas (platform/QPainterCanvas.h) over any paint
// device (an image, a widget, a printer) and RecordingCanvas
// (platform/RecordingCanvas.h), which records every call for tests.

#include "platform/Fonts.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QImage;

// Text format flags of DrawText.
inline constexpr unsigned DT_LEFT = 0x0;
inline constexpr unsigned DT_TOP = 0x0;
inline constexpr unsigned DT_CENTER = 0x1;
inline constexpr unsigned DT_RIGHT = 0x2;
inline constexpr unsigned DT_VCENTER = 0x4;   // with DT_SINGLELINE only
inline constexpr unsigned DT_BOTTOM = 0x8;    // with DT_SINGLELINE only
inline constexpr unsigned DT_WORDBREAK = 0x10;
inline constexpr unsigned DT_SINGLELINE = 0x20;
inline constexpr unsigned DT_NOCLIP = 0x100;
inline constexpr unsigned DT_CALCRECT = 0x400; // measure only: adjust the rectangle, draw nothing
inline constexpr unsigned DT_NOPREFIX = 0x800; // accepted; "&" is never a mnemonic prefix here

enum class PenStyle { Solid, Dot, Null };

// A pen: width in logical units (0 draws one device pixel, as does any width
// that maps to less than one device pixel).
struct Pen {
    PenStyle style = PenStyle::Solid;
    int32_t width = 0;
    Colour colour = kBlack;
    friend constexpr bool operator==(const Pen&, const Pen&) = default;
};

constexpr Pen SolidPen(int32_t width, Colour colour) { return Pen{PenStyle::Solid, width, colour}; }
constexpr Pen DotPen(int32_t width, Colour colour) { return Pen{PenStyle::Dot, width, colour}; }

enum class BrushStyle { Solid, Null };

struct Brush {
    BrushStyle style = BrushStyle::Solid;
    Colour colour = kWhite;
    friend constexpr bool operator==(const Brush&, const Brush&) = default;
};

constexpr Brush SolidBrush(Colour colour) { return Brush{BrushStyle::Solid, colour}; }
inline constexpr Brush kNullBrush{BrushStyle::Null, kBlack};

enum class BkMode { Transparent, Opaque };

// How pictures are stretched: Halftone smooths (the page pictures and the
// desktop background), ColorOnColor takes the nearest pixel.
enum class StretchMode { ColorOnColor, Halftone };

// Where a selected font comes from: the process-wide cache (page fonts) or a
// font created for one drawing step and dropped after it.
enum class FontSource { Cache, Temporary };

enum class MapMode {
    Text,        // one logical unit is one device pixel (origins still apply)
    Anisotropic, // device = (logical - windowOrg) * viewportExt / windowExt + viewportOrg
};

// The logical-to-device mapping. Page views use Anisotropic with a viewport
// extent of (dpiX * 10, dpiY * 10) and a window extent of 25400 at 100 %,
// which makes one logical unit 0.01 mm; the desktop draws in Text mode.
struct Mapping {
    MapMode mode = MapMode::Text;
    Point windowOrg{};
    Size windowExt{1, 1};
    Point viewportOrg{};
    Size viewportExt{1, 1};

    // Device coordinates of a logical point, truncating towards zero.
    Point LogicalToDevice(Point p) const;
    // Logical coordinates of a device point, truncating towards zero.
    Point DeviceToLogical(Point p) const;
    // Device units per logical unit along x and y (1 in Text mode).
    double ScaleX() const;
    double ScaleY() const;
    friend constexpr bool operator==(const Mapping&, const Mapping&) = default;
};

// A picture to stretch onto a canvas. Shared and immutable; null when it
// could not be loaded (then drawing it draws nothing).
class CanvasPicture {
public:
    CanvasPicture() = default;
    // Loads an image file; null on failure.
    static CanvasPicture FromFile(const std::string& path);
    // Loads one of the program's bitmaps by its number (":/bitmaps/<id>.png"
    // in the compiled-in resources); null when the program has none.
    static CanvasPicture FromResource(int id);
    // Wraps an image the caller made (a copy is shared, not the caller's).
    static CanvasPicture FromImage(const QImage& image, std::string name);

    bool IsNull() const { return !image_; }
    Size PixelSize() const;
    // Where the picture came from (a path, "res:<id>" or the caller's name).
    const std::string& Name() const { return name_; }
    const QImage* Image() const { return image_.get(); }

private:
    std::shared_ptr<const QImage> image_;
    std::string name_;
};

// Everything a canvas keeps between calls.
struct CanvasState {
    FontSpec font{};
    FontSource fontSource = FontSource::Cache;
    Colour textColour = kBlack;
    BkMode bkMode = BkMode::Opaque;
    Colour bkColour = kWhite;
    Pen pen{};
    Brush brush{};
    StretchMode stretchMode = StretchMode::ColorOnColor;
    Point position{};
    Mapping mapping{};
};

class Canvas {
public:
    virtual ~Canvas();

    const CanvasState& State() const { return state_; }

    // --- state; each setter returns the previous value for restoring -------
    FontSpec SelectFont(const FontSpec& spec, FontSource source = FontSource::Cache);
    const FontSpec& CurrentFont() const { return state_.font; }
    Colour SetTextColour(Colour colour);
    Colour TextColour() const { return state_.textColour; }
    BkMode SetBkMode(BkMode mode);
    Colour SetBkColour(Colour colour);
    Pen SelectPen(const Pen& pen);
    Brush SelectBrush(const Brush& brush);
    StretchMode SetStretchMode(StretchMode mode);

    Mapping SetMapping(const Mapping& mapping);
    const Mapping& GetMapping() const { return state_.mapping; }
    MapMode SetMapMode(MapMode mode);
    Point SetViewportOrg(Point origin);
    Point SetWindowOrg(Point origin);
    Size SetViewportExt(Size extent);
    Size SetWindowExt(Size extent);
    Point LPtoDP(Point p) const { return state_.mapping.LogicalToDevice(p); }
    Point DPtoLP(Point p) const { return state_.mapping.DeviceToLogical(p); }
    // Device resolution (LOGPIXELSX / LOGPIXELSY).
    virtual int DpiX() const = 0;
    virtual int DpiY() const = 0;

    // --- lines: from the current position with the current pen -------------
    void MoveTo(int32_t x, int32_t y);
    void LineTo(int32_t x, int32_t y);

    // --- areas --------------------------------------------------------------
    // Fills the rectangle (right and bottom edges excluded) with a colour;
    // pen and brush are not used.
    virtual void FillRect(const Rect& r, Colour colour) = 0;
    // Fills a polygon region (alternate fill) with a colour, no outline.
    virtual void FillPolygon(const std::vector<Point>& points, Colour colour) = 0;
    // A rounded-rectangle region with corner ellipses cornerW x cornerH:
    // filled, or framed inside its boundary with strokes frameW wide at the
    // sides and frameH high at top and bottom.
    virtual void FillRoundRectRegion(const Rect& r, int32_t cornerW, int32_t cornerH, Colour colour) = 0;
    virtual void FrameRoundRectRegion(const Rect& r, int32_t cornerW, int32_t cornerH, Colour colour,
                                      int32_t frameW, int32_t frameH) = 0;
    // An ellipse in the rectangle, outlined with the current pen and filled
    // with the current brush.
    virtual void Ellipse(const Rect& r) = 0;

    // --- text in the selected font and text colour --------------------------
    // Width and height of one line of text; the height is the font's cell height.
    virtual Size TextExtent(const std::u16string& text) = 0;
    // Draws text in the rectangle with DT_ flags; in Opaque background mode
    // the text cells are first filled with the background colour. Clipped to
    // the rectangle unless DT_NOCLIP. With DT_CALCRECT nothing is drawn and
    // the rectangle is set to the text's extent (right and bottom adjusted).
    // Returns the height of the text.
    virtual int32_t DrawText(const std::u16string& text, Rect& r, unsigned format) = 0;
    // The same for a rectangle the caller does not need back.
    int32_t DrawTextIn(const std::u16string& text, Rect r, unsigned format) { return DrawText(text, r, format); }

    // --- pictures and clipping ----------------------------------------------
    // Stretches the picture into the rectangle with the current stretch
    // mode; pixels of the transparent colour, if given, are not copied.
    virtual void DrawPicture(const CanvasPicture& picture, const Rect& dest,
                             std::optional<Colour> transparent = std::nullopt) = 0;
    // Removes the rectangle from the area that can be drawn on.
    virtual void ExcludeClipRect(const Rect& r) = 0;

protected:
    // Hooks for targets that must follow state changes at once.
    virtual void OnFontSelected() {}
    virtual void OnMappingChanged() {}
    // A line segment with the current pen (called by LineTo).
    virtual void StrokeLine(Point from, Point to) = 0;
    // The lines DrawText lays out for a box `width` wide: one line with
    // DT_SINGLELINE, else one per line break, wrapped at spaces with
    // DT_WORDBREAK (measured with TextExtent). Every line is cut to
    // kMaxDrawnLineUnits (paragraphs before they are wrapped).
    std::vector<std::u16string> SplitTextLines(const std::u16string& text, int32_t width, unsigned format);

    CanvasState state_;
};

// Selects a font for one drawing step and selects the previous one (with
// its source) again at the end of the scope.
class FontScope {
public:
    FontScope(Canvas& dc, const FontSpec& spec, FontSource source = FontSource::Cache)
        : dc_(dc), previous_(dc.CurrentFont()), previousSource_(dc.State().fontSource)
    {
        dc_.SelectFont(spec, source);
    }
    ~FontScope() { dc_.SelectFont(previous_, previousSource_); }
    FontScope(const FontScope&) = delete;
    FontScope& operator=(const FontScope&) = delete;

private:
    Canvas& dc_;
    FontSpec previous_;
    FontSource previousSource_;
};

// Selects a pen for one drawing step and selects the previous one again at
// the end of the scope.
class PenScope {
public:
    PenScope(Canvas& dc, const Pen& pen) : dc_(dc), previous_(dc.SelectPen(pen)) {}
    ~PenScope() { dc_.SelectPen(previous_); }
    PenScope(const PenScope&) = delete;
    PenScope& operator=(const PenScope&) = delete;

private:
    Canvas& dc_;
    Pen previous_;
};

// Selects a brush for one drawing step and selects the previous one again
// at the end of the scope.
class BrushScope {
public:
    BrushScope(Canvas& dc, const Brush& brush) : dc_(dc), previous_(dc.SelectBrush(brush)) {}
    ~BrushScope() { dc_.SelectBrush(previous_); }
    BrushScope(const BrushScope&) = delete;
    BrushScope& operator=(const BrushScope&) = delete;

private:
    Canvas& dc_;
    Brush previous_;
};

// Sets the text colour for one drawing step and restores it at the end.
class TextColourScope {
public:
    TextColourScope(Canvas& dc, Colour colour) : dc_(dc), previous_(dc.SetTextColour(colour)) {}
    ~TextColourScope() { dc_.SetTextColour(previous_); }
    TextColourScope(const TextColourScope&) = delete;
    TextColourScope& operator=(const TextColourScope&) = delete;

private:
    Canvas& dc_;
    Colour previous_;
};

// Character classes for text metrics: true for characters that take a full
// em (CJK ideographs, kana, hangul, full-width forms).
bool IsFullWidthChar(char32_t c);

// The longest line, in UTF-16 units, that a canvas measures or draws. A line
// of 4096 characters spread over the widest box of a page or of the screen
// gets well under a pixel per character, so nothing legible lies beyond the
// cut; without it, one huge text from the server would cost text shaping
// time and memory far beyond its size on every paint.
inline constexpr std::size_t kMaxDrawnLineUnits = 4096;
// `line` cut to kMaxDrawnLineUnits, without splitting a surrogate pair.
std::u16string CutToDrawnLine(std::u16string_view line);
