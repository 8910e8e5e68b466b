#pragma once
// The clock and local-time text printed in the page footer and stamped on
// bids.

#include <cstdint>
#include <string>

// Seconds since 1970-01-01 UTC.
int64_t CurrentTime();
// "2024-03-09 14:05" in the system's time zone; "" for a time the system
// cannot convert.
std::string FormatLocalTime(int64_t t);
