#pragma once
// Font descriptions and the process-wide font cache.
//
// Pages are repainted on every paint and print with several font sizes each,
// so the fonts they use come from one cache that keeps at most 31 of them
// (30 after trimming plus the one just added). The header has no toolkit
// include: the created font is an opaque object that only the drawing
// targets look into.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QFont;

// The face every page, scorecard and desktop text is drawn in.
inline const std::u16string kPageFace = u"微软雅黑";

// A font description (value semantics).
struct FontSpec {
    int32_t height = 18;      // cell height in logical units
    int32_t bold = 0;         // non-zero: weight 900, else 400
    uint8_t underline = 0;
    uint8_t italic = 0;
    std::u16string face = u"宋体";

    FontSpec() = default;
    // Height and face; the three flags cleared.
    FontSpec(int32_t h, std::u16string f) : height(h), face(std::move(f)) {}

    // Exact comparison, face included (case-sensitive).
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// One created font: the description plus the toolkit font built from it
// (a Swiss-family face at the description's cell height, weight 900 or 400).
class CanvasFont {
public:
    explicit CanvasFont(const FontSpec& spec);
    ~CanvasFont();
    CanvasFont(const CanvasFont&) = delete;
    CanvasFont& operator=(const CanvasFont&) = delete;

    const FontSpec& Spec() const { return spec_; }
    // The toolkit font, built on first use.
    const QFont& Native() const;

private:
    FontSpec spec_;
    mutable std::unique_ptr<QFont> native_;
};

// The font cache: a list of (description, font, last use in whole seconds).
// Used from the GUI thread only, so it has no lock.
class FontCache {
public:
    using SecondsClock = std::function<int64_t()>;
    static constexpr std::size_t kKeep = 30;

    // The clock gives the last-use time; tests pass their own.
    explicit FontCache(SecondsClock clock = {});
    ~FontCache();

    // First trims the cache to kKeep fonts by deleting the least recently used
    // (the earliest time; among equal times the one nearest the front of the
    // list), then finds the font equal to `spec` or creates and appends it,
    // and stamps it with the current time. The font stays owned by the cache
    // and valid until a later lookup evicts it.
    const CanvasFont& Get(const FontSpec& spec);

    std::size_t Count() const { return entries_.size(); }
    // The descriptions held, in list order.
    std::vector<FontSpec> Specs() const;
    // How many fonts this cache has created in its life.
    std::size_t CreatedCount() const { return created_; }
    void Clear();

private:
    struct Entry {
        FontSpec spec;
        std::unique_ptr<CanvasFont> font;
        int64_t lastUse = 0;
    };
    SecondsClock clock_;
    std::vector<Entry> entries_;
    std::size_t created_ = 0;
};

// The one cache of the process.
FontCache& ProcessFontCache();
// ProcessFontCache().Get(spec).
const CanvasFont& GetCachedFont(const FontSpec& spec);

// Maps the face names the kiosk asks for to the installed fonts: the Chinese
// faces "微软雅黑" and "宋体" to WenQuanYi Micro Hei, "Microsoft Sans Serif"
// to DejaVu Sans. Every program calls it once at start-up, before it draws;
// calling it again does no harm.
void InstallFontSubstitutions();
