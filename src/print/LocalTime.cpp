#include "print/LocalTime.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// The calendar fields of `when` in the system's time zone and the
// milliseconds within its second. A time the system cannot convert gives the
// zero calendar, which still makes well-formed text.
std::tm LocalCalendar(std::chrono::system_clock::time_point when, int& millis)
{
    using namespace std::chrono;
    const auto sinceEpoch = when.time_since_epoch();
    const auto whole = floor<seconds>(sinceEpoch);
    millis = static_cast<int>(duration_cast<milliseconds>(sinceEpoch - whole).count());
    const std::time_t t = static_cast<std::time_t>(whole.count());
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr)
        local = std::tm{};
    return local;
}

} // namespace

std::string LocalIsoTime(std::chrono::system_clock::time_point when)
{
    int millis = 0;
    const std::tm t = LocalCalendar(when, millis);
    const long offset = t.tm_gmtoff;
    const long minutes = std::labs(offset) / 60;
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, millis, offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return text;
}

std::string LocalIdStamp(std::chrono::system_clock::time_point when)
{
    int millis = 0;
    const std::tm t = LocalCalendar(when, millis);
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                  t.tm_min, t.tm_sec);
    return text;
}
