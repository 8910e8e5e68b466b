#pragma once
// Integer conversions that are safe for every input: a value that no int32
// can hold is pinned to the nearest end of the range instead of wrapping (a
// plain cast would be implementation-defined or, from a float, undefined).

#include <cstdint>
#include <limits>

constexpr int32_t ClampToInt32(int64_t value)
{
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}
