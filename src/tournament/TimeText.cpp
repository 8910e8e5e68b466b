#include "tournament/TimeText.h"

#include "foundation/TextUtil.h"

#include <ctime>
#include <limits>

int64_t CurrentTime()
{
    return static_cast<int64_t>(std::time(nullptr));
}

std::string FormatLocalTime(int64_t t)
{
    if (t < std::numeric_limits<std::time_t>::min() || t > std::numeric_limits<std::time_t>::max())
        return {};
    const std::time_t when = static_cast<std::time_t>(t);
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr)
        return {};
    auto two = [](int v) { return PadLeft(std::to_string(v), 2, '0'); };
    return std::to_string(int64_t(local.tm_year) + 1900) + "-" + two(local.tm_mon + 1) + "-" + two(local.tm_mday)
        + " " + two(local.tm_hour) + ":" + two(local.tm_min);
}
