#include "JsonShape.h"

#include <cstring>

namespace sim {

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Characters that end a run of bare characters (a number or a literal).
bool EndsBareRun(char c)
{
    return IsSpace(c) || (c != '\0' && std::strchr("{}[],:\"/", c) != nullptr);
}

// The index just past the string whose opening quote is at `open`: past its
// first quote not escaped by a backslash (one preceded by an even number of
// them), or the end of an unterminated string. The quotes are found with
// memchr, so a long filter is passed over at memory speed.
size_t PastString(std::string_view text, size_t open)
{
    const char* const p = text.data();
    const size_t n = text.size();
    size_t from = open + 1;
    while (from < n) {
        const void* found = std::memchr(p + from, '"', n - from);
        if (!found)
            break;
        const size_t quote = size_t(static_cast<const char*>(found) - p);
        size_t backslashes = 0;
        while (quote - backslashes > open + 1 && p[quote - backslashes - 1] == '\\')
            ++backslashes;
        if (backslashes % 2 == 0)
            return quote + 1;
        from = quote + 1;
    }
    return n;
}

} // namespace

JsonShape MeasureJson(std::string_view text, size_t maxValues, size_t maxDepth)
{
    JsonShape shape;
    size_t depth = 0;
    const size_t n = text.size();
    size_t i = 0;
    while (i < n && shape.values <= maxValues && shape.depth <= maxDepth) {
        const char c = text[i];
        if (IsSpace(c) || c == ',' || c == ':') {
            ++i;
        } else if (c == '{' || c == '[') {
            ++shape.values;
            ++depth;
            if (depth > shape.depth)
                shape.depth = depth;
            ++i;
        } else if (c == '}' || c == ']') {
            if (depth > 0)
                --depth;
            ++i;
        } else if (c == '"') {
            ++shape.values;
            i = PastString(text, i);
        } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            const size_t end = text.find("*/", i + 2);
            i = end == std::string_view::npos ? n : end + 2;
        } else if (c == '/' && i + 1 < n && text[i + 1] == '/') {
            const size_t end = text.find_first_of("\r\n", i + 2);
            i = end == std::string_view::npos ? n : end + 1;
        } else {
            ++shape.values;
            for (++i; i < n && !EndsBareRun(text[i]); ++i) {
            }
        }
    }
    return shape;
}

} // namespace sim
