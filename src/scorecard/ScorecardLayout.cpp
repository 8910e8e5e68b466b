#include "scorecard/ScorecardLayout.h"

#include "render/PageGeometry.h"

#include <algorithm>

int32_t HandLevelFor(size_t dealCount)
{
    if (!HandsShownFor(dealCount))
        return kHandLevelNone;
    if (dealCount <= 8)
        return kHandLevelBand;
    if (dealCount <= 12)
        return kHandLevelOneColumn;
    return kHandLevelTwoColumns;
}

int32_t ScorecardRowHeight(size_t rowCount, size_t dealCount)
{
    // Counted as a 64-bit value so that an absurd row count cannot wrap
    // into a negative divisor.
    const int64_t r = std::max<int64_t>(static_cast<int64_t>(std::min<size_t>(rowCount, 1u << 30)), 8);
    const int64_t available = HandsShownFor(dealCount) ? 16865 : 25900;
    const int32_t level = HandLevelFor(dealCount);
    const int64_t cap = (level == kHandLevelOneColumn || level == kHandLevelTwoColumns) ? 880 : 1000;
    return static_cast<int32_t>(std::min(available / r, cap));
}

int32_t FittingRowHeight(int32_t available, size_t lines)
{
    if (available <= 0)
        return 1;
    const int64_t n = std::max<int64_t>(static_cast<int64_t>(std::min<size_t>(lines, 1u << 30)), 1);
    return static_cast<int32_t>(std::max<int64_t>(available / n, 1));
}

int32_t SideColumnsWidth(int32_t w, int32_t level)
{
    if (level == kHandLevelOneColumn)
        return (25 * w) / 100;
    if (level == kHandLevelTwoColumns)
        return 2 * ((20 * w) / 100);
    return 0;
}

Rect ScorecardTitleRect(const Rect& body, int32_t titleHeight, int32_t level)
{
    Rect t = TitleRectOf(body, titleHeight);
    t.right -= SideColumnsWidth(body.Width(), level);
    return t;
}

Rect ScorecardContentRect(const Rect& content, int32_t level)
{
    Rect c = content;
    const int32_t side = SideColumnsWidth(content.Width(), level);
    if (side > 0)
        c.right -= side + 100;
    return c;
}
