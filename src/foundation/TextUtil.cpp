#include "foundation/TextUtil.h"

#include <cstdlib>

std::string_view TokenReader::Next()
{
    if (AtEnd())
        return {};
    const size_t p = separator_.empty() ? std::string_view::npos : text_.find(separator_, offset_);
    if (p == std::string_view::npos) {
        const std::string_view token = text_.substr(offset_);
        offset_ = text_.size();
        return token;
    }
    const std::string_view token = text_.substr(offset_, p - offset_);
    offset_ = p + separator_.size();
    return token;
}

size_t CountTokens(std::string_view text, std::string_view separator)
{
    size_t count = 0;
    for (TokenReader reader(text, separator); !reader.AtEnd(); reader.Next())
        ++count;
    return count;
}

std::string PopToken(std::string& text, const std::string& separator)
{
    TokenReader reader(text, separator);
    std::string token(reader.Next());
    text = std::string(reader.Rest());
    return token;
}

std::string NthToken(std::string text, const std::string& separator, int32_t n)
{
    if (n < 0)
        return {};
    TokenReader reader(text, separator);
    for (int32_t i = 0; !reader.AtEnd(); ++i) {
        const std::string_view token = reader.Next();
        if (i == n)
            return std::string(token);
    }
    return {};
}

std::vector<std::string> SplitTokens(std::string text, const std::string& separator, bool skipEmpty)
{
    std::vector<std::string> tokens;
    for (TokenReader reader(text, separator); !reader.AtEnd();) {
        const std::string_view token = reader.Next();
        if (skipEmpty && token.empty())
            continue;
        tokens.emplace_back(token);
    }
    return tokens;
}

std::string ReplaceAll(std::string text, const std::string& pattern, const std::string& replacement)
{
    if (pattern.empty() || pattern == replacement)
        return text;
    // Copy into a new text instead of replacing in place: each in-place
    // replacement of a different length would move the whole tail.
    size_t pos = text.find(pattern);
    if (pos == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size());
    size_t from = 0;
    for (; pos != std::string::npos; pos = text.find(pattern, from)) {
        out.append(text, from, pos - from);
        out += replacement;
        from = pos + pattern.size();
    }
    out.append(text, from, std::string::npos);
    return out;
}

std::string NormaliseLineEnds(std::string text, const std::string& lineEnd)
{
    // "\r\n", a lone "\r" and a lone "\n" each become one `lineEnd`.
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            out += c;
            continue;
        }
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        out += lineEnd;
    }
    return out;
}

std::string NormaliseFullWidth(std::string text)
{
    struct Row {
        const char* wide;
        char ascii;
    };
    // Every form is three bytes: a lead byte 0xE2, 0xE3 or 0xEF, then two
    // bytes 0x80...0xBF. Since no form can begin inside another, one walk
    // that maps each form where it starts gives what replacing them one kind
    // after the other would.
    static const Row table[] = {
        {"\xEF\xBC\x90", '0'}, {"\xEF\xBC\x91", '1'}, {"\xEF\xBC\x92", '2'}, {"\xEF\xBC\x93", '3'},
        {"\xEF\xBC\x94", '4'}, {"\xEF\xBC\x95", '5'}, {"\xEF\xBC\x96", '6'}, {"\xEF\xBC\x97", '7'},
        {"\xEF\xBC\x98", '8'}, {"\xEF\xBC\x99", '9'},
        {"，", ','}, {"。", '.'}, {"〈", '<'}, {"〉", '>'}, {"～", '~'}, {"！", '!'},
        {"＠", '@'}, {"＃", '#'}, {"＄", '$'}, {"＊", '*'}, {"（", '('}, {"）", ')'},
        {"［", '['}, {"］", ']'}, {"｛", '{'}, {"｝", '}'}, {"｜", '|'}, {"；", ';'},
        {"：", ':'}, {"\xE2\x80\x9C", '"'}, {"\xE2\x80\x98", '\''}, {"＋", '+'}, {"＝", '='},
        // The full-width hyphen-minus is typed on Chinese keyboards where a
        // minus is meant; it normalises like the other full-width ASCII forms.
        {"－", '-'},
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const Row* match = nullptr;
        if ((lead == 0xE2 || lead == 0xE3 || lead == 0xEF) && i + 3 <= text.size()) {
            for (const Row& row : table) {
                if (text.compare(i, 3, row.wide) == 0) {
                    match = &row;
                    break;
                }
            }
        }
        if (match != nullptr) {
            out += match->ascii;
            i += 3;
        } else {
            out += text[i];
            ++i;
        }
    }
    return out;
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
