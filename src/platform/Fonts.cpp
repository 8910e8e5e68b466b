#include "platform/Fonts.h"
#include "platform/QtText.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

// A font description's height is the cell height (ascent plus descent), while
// the toolkit sizes fonts by their em. The ratio of the two is a property of
// the face, measured once per face at a large size.
double CellPerEm(const QFont& probe)
{
    static QHash<QString, double> ratios;
    const QString key = probe.family() + (probe.bold() ? QStringLiteral("/b") : QString());
    const auto found = ratios.constFind(key);
    if (found != ratios.constEnd())
        return *found;
    QFont big(probe);
    big.setPixelSize(1000);
    const QFontMetricsF metrics(big);
    double ratio = (metrics.ascent() + metrics.descent()) / 1000.0;
    if (!(ratio > 0.2 && ratio < 5.0))
        ratio = 1.0;
    ratios.insert(key, ratio);
    return ratio;
}

int64_t NowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

CanvasFont::CanvasFont(const FontSpec& spec) : spec_(spec) {}

CanvasFont::~CanvasFont() = default;

const QFont& CanvasFont::Native() const
{
    if (native_)
        return *native_;
    auto font = std::make_unique<QFont>(ToQString(spec_.face));
    font->setStyleHint(QFont::SansSerif, QFont::PreferQuality);
    font->setWeight(spec_.bold != 0 ? QFont::Black : QFont::Normal);
    font->setItalic(spec_.italic != 0);
    font->setUnderline(spec_.underline != 0);
    font->setKerning(false);
    // Positive heights are cell heights, negative ones character (em) heights.
    int pixels = 1;
    if (spec_.height > 0)
        pixels = static_cast<int>(std::lround(spec_.height / CellPerEm(*font)));
    else if (spec_.height < 0)
        pixels = -spec_.height;
    font->setPixelSize(std::max(1, pixels));
    native_ = std::move(font);
    return *native_;
}

FontCache::FontCache(SecondsClock clock) : clock_(clock ? std::move(clock) : SecondsClock(NowSeconds)) {}

FontCache::~FontCache() = default;

const CanvasFont& FontCache::Get(const FontSpec& spec)
{
    while (entries_.size() > kKeep) {
        // min_element keeps the first of equal times, the one nearest the front.
        const auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                             [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
        entries_.erase(oldest);
    }
    auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.spec == spec; });
    if (found == entries_.end()) {
        entries_.push_back(Entry{spec, std::make_unique<CanvasFont>(spec), 0});
        ++created_;
        found = entries_.end() - 1;
    }
    found->lastUse = clock_();
    return *found->font;
}

std::vector<FontSpec> FontCache::Specs() const
{
    std::vector<FontSpec> specs;
    specs.reserve(entries_.size());
    for (const Entry& e : entries_)
        specs.push_back(e.spec);
    return specs;
}

void FontCache::Clear()
{
    entries_.clear();
}

FontCache& ProcessFontCache()
{
    static FontCache cache;
    return cache;
}

const CanvasFont& GetCachedFont(const FontSpec& spec)
{
    return ProcessFontCache().Get(spec);
}

void InstallFontSubstitutions()
{
    const QString chinese = QStringLiteral("WenQuanYi Micro Hei");
    QFont::insertSubstitution(QString::fromUtf8("微软雅黑"), chinese);
    QFont::insertSubstitution(QString::fromUtf8("宋体"), chinese);
    QFont::insertSubstitution(QStringLiteral("Microsoft Sans Serif"), QStringLiteral("DejaVu Sans"));
}
