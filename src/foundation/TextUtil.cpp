#include "foundation/TextUtil.h"

#include <cstdlib>

std::string PopToken(std::string& text, const std::string& separator)
{
    if (text.empty())
        return {};
    const size_t p = separator.empty() ? std::string::npos : text.find(separator);
    if (p == std::string::npos) {
        std::string token;
        token.swap(text);
        return token;
    }
    std::string token = text.substr(0, p);
    text.erase(0, p + separator.size());
    return token;
}

std::string NthToken(std::string text, const std::string& separator, int32_t n)
{
    if (n < 0)
        return {};
    for (int32_t i = 0; !text.empty(); ++i) {
        std::string token = PopToken(text, separator);
        if (i == n)
            return token;
    }
    return {};
}

std::vector<std::string> SplitTokens(std::string text, const std::string& separator, bool skipEmpty)
{
    std::vector<std::string> tokens;
    while (!text.empty()) {
        std::string token = PopToken(text, separator);
        if (skipEmpty && token.empty())
            continue;
        tokens.push_back(std::move(token));
    }
    return tokens;
}

std::string ReplaceAll(std::string text, const std::string& pattern, const std::string& replacement)
{
    if (pattern.empty() || pattern == replacement)
        return text;
    size_t pos = 0;
    while ((pos = text.find(pattern, pos)) != std::string::npos) {
        text.replace(pos, pattern.size(), replacement);
        pos += replacement.size();
    }
    return text;
}

std::string NormaliseLineEnds(std::string text, const std::string& lineEnd)
{
    text = ReplaceAll(std::move(text), "\r\n", "\n");
    text = ReplaceAll(std::move(text), "\r", "\n");
    return ReplaceAll(std::move(text), "\n", lineEnd);
}

std::string NormaliseFullWidth(std::string text)
{
    struct Row {
        const char* wide;
        const char* ascii;
    };
    static const Row table[] = {
        {"\xEF\xBC\x90", "0"}, {"\xEF\xBC\x91", "1"}, {"\xEF\xBC\x92", "2"}, {"\xEF\xBC\x93", "3"},
        {"\xEF\xBC\x94", "4"}, {"\xEF\xBC\x95", "5"}, {"\xEF\xBC\x96", "6"}, {"\xEF\xBC\x97", "7"},
        {"\xEF\xBC\x98", "8"}, {"\xEF\xBC\x99", "9"},
        {"，", ","}, {"。", "."}, {"〈", "<"}, {"〉", ">"}, {"～", "~"}, {"！", "!"},
        {"＠", "@"}, {"＃", "#"}, {"＄", "$"}, {"＊", "*"}, {"（", "("}, {"）", ")"},
        {"［", "["}, {"］", "]"}, {"｛", "{"}, {"｝", "}"}, {"｜", "|"}, {"；", ";"},
        {"：", ":"}, {"\xE2\x80\x9C", "\""}, {"\xE2\x80\x98", "'"}, {"＋", "+"}, {"＝", "="},
        // The full-width hyphen-minus is typed on Chinese keyboards where a
        // minus is meant; it normalises like the other full-width ASCII forms.
        {"－", "-"},
    };
    for (const Row& row : table)
        text = ReplaceAll(std::move(text), row.wide, row.ascii);
    return text;
}

std::string ToLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool EqualsIgnoreCase(const std::string& a, const std::string& b)
{
    return ToLower(a) == ToLower(b);
}

std::string PadLeft(std::string text, size_t width, char fill)
{
    if (text.size() < width)
        text.insert(0, width - text.size(), fill);
    return text;
}

std::string IntToString(int32_t n)
{
    return std::to_string(n);
}

std::string SignedSortKey(int32_t n, const std::string& negativeMarker)
{
    // Widen before taking the magnitude so that the most negative value
    // gives 2147483648 instead of overflowing.
    const int64_t wide = n;
    const int64_t magnitude = wide < 0 ? -wide : wide;
    return (n >= 0 ? std::string("+") : negativeMarker) + PadLeft(std::to_string(magnitude), 10, '0') + "#";
}

std::string TextSortKey(const std::string& text, size_t width)
{
    return PadLeft(text, width, '0') + "#";
}
