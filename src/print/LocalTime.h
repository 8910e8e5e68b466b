#pragma once
// Local time as the print spool and the print journal write it. Both name
// the same instant the same way, so that a journal line and the spool entry
// it speaks of can be matched by eye.

#include <chrono>
#include <string>

// "2026-12-10T15:30:03.123+08:00": the local date and time with
// milliseconds and the offset from UTC.
std::string LocalIsoTime(std::chrono::system_clock::time_point when);

// "20261210-153003": the local date and time of day that start a spool id.
std::string LocalIdStamp(std::chrono::system_clock::time_point when);
