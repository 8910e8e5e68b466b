#pragma once
// Reading a number at the start of a text the way hand-typed and PBN texts
// need it: leading blanks skipped, an optional sign, then the digits up to the
// first other character. A text without digits gives 0, and a number too large
// for 32 bits stops at the nearest end of the range instead of wrapping.

#include <cstdint>
#include <string>

int32_t LeadingInt(const std::string& text);
