#pragma once
// A rectangle in page units (0.01 mm) or pixels: left, top, right, bottom as
// signed 32-bit integers, right and bottom exclusive. Plain value type with
// the few operations the page geometry, the pagination and the hit testing
// need; no toolkit header.

#include <algorithm>
#include <cstdint>

struct GridRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr int32_t Width() const { return right - left; }
    constexpr int32_t Height() const { return bottom - top; }
    // Empty when it has no area (a rectangle with right <= left or
    // bottom <= top covers no point).
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }

    constexpr GridRect Moved(int32_t dx, int32_t dy) const
    {
        return GridRect{left + dx, top + dy, right + dx, bottom + dy};
    }
    // True when the point lies inside: left and top inclusive, right and
    // bottom exclusive.
    constexpr bool Contains(int32_t x, int32_t y) const
    {
        return x >= left && x < right && y >= top && y < bottom;
    }
    // True when both rectangles have area and share some of it.
    constexpr bool Intersects(const GridRect& o) const
    {
        return !IsEmpty() && !o.IsEmpty() && left < o.right && o.left < right && top < o.bottom &&
               o.top < bottom;
    }
    // The bounding rectangle of both; an empty rectangle contributes nothing,
    // so the union of an empty one with another is the other one.
    constexpr GridRect United(const GridRect& o) const
    {
        if (o.IsEmpty())
            return *this;
        if (IsEmpty())
            return o;
        return GridRect{std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                        std::max(bottom, o.bottom)};
    }

    friend constexpr bool operator==(const GridRect&, const GridRect&) = default;
};
