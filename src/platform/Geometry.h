#pragma once
// Plain geometry and colour values shared by the grid model, the page layout
// and every drawing target. No toolkit header: the grid model and the layout
// computations use these without pulling in the window system.

#include <algorithm>
#include <cstdint>

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int32_t cx = 0;
    int32_t cy = 0;
    friend constexpr bool operator==(const Size&, const Size&) = default;
};

// A rectangle (left, top, right, bottom). Like the classic device rectangles
// the right and bottom edges are exclusive for hit tests and intersections.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr int32_t Width() const { return right - left; }
    constexpr int32_t Height() const { return bottom - top; }
    // Empty: no area (zero or negative width or height).
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
    constexpr Rect Moved(int32_t dx, int32_t dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    constexpr bool Contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
    constexpr bool Contains(Point p) const { return Contains(p.x, p.y); }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// True when the two rectangles share some area (an empty rectangle shares none).
constexpr bool Intersects(const Rect& a, const Rect& b)
{
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

// The bounding rectangle of both; an empty rectangle contributes nothing, so
// uniting with an empty start value gives the other rectangle unchanged.
constexpr Rect UnionRect(const Rect& a, const Rect& b)
{
    if (a.IsEmpty())
        return b.IsEmpty() ? Rect{} : b;
    if (b.IsEmpty())
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

// An RGB colour.
struct Colour {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    friend constexpr bool operator==(const Colour&, const Colour&) = default;
};

constexpr Colour Rgb(int r, int g, int b)
{
    return Colour{static_cast<uint8_t>(r & 0xFF), static_cast<uint8_t>(g & 0xFF), static_cast<uint8_t>(b & 0xFF)};
}

inline constexpr Colour kBlack = Rgb(0, 0, 0);
inline constexpr Colour kWhite = Rgb(255, 255, 255);
// The reserved "none" colour: where a colour parameter accepts it, nothing is
// filled or framed. No drawing ever uses it as a real colour, which also makes
// it a safe key colour for copying an off-screen picture.
inline constexpr Colour kNoColour = Rgb(255, 1, 254);
