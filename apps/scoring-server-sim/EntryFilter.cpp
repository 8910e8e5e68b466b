#include "EntryFilter.h"

#include "tournament/NumberText.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace sim {

namespace {

// Every form that foundation's NormaliseFullWidth rewrites is three bytes of
// UTF-8 and becomes one ASCII character; a test holds the two tables equal.
struct WideForm {
    const char* wide;
    char ascii;
};

constexpr WideForm kWideForms[] = {
    {"\xEF\xBC\x90", '0'},
    {"\xEF\xBC\x91", '1'},
    {"\xEF\xBC\x92", '2'},
    {"\xEF\xBC\x93", '3'},
    {"\xEF\xBC\x94", '4'},
    {"\xEF\xBC\x95", '5'},
    {"\xEF\xBC\x96", '6'},
    {"\xEF\xBC\x97", '7'},
    {"\xEF\xBC\x98", '8'},
    {"\xEF\xBC\x99", '9'},
    {"，", ','},
    {"。", '.'},
    {"〈", '<'},
    {"〉", '>'},
    {"～", '~'},
    {"！", '!'},
    {"＠", '@'},
    {"＃", '#'},
    {"＄", '$'},
    {"＊", '*'},
    {"（", '('},
    {"）", ')'},
    {"［", '['},
    {"］", ']'},
    {"｛", '{'},
    {"｝", '}'},
    {"｜", '|'},
    {"；", ';'},
    {"：", ':'},
    {"\xE2\x80\x9C", '"'},
    {"\xE2\x80\x98", '\''},
    {"＋", '+'},
    {"＝", '='},
    {"－", '-'},
};

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool IsNumberText(const std::string& text)
{
    if (text.empty())
        return false;
    size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

// Calls `each(begin, end)` for every piece of text[begin, end) between
// `separator` characters, empty pieces included. One pass, no copies.
template <typename Each>
void ForEachPiece(const std::string& text, size_t begin, size_t end, char separator, Each each)
{
    size_t start = begin;
    for (size_t i = begin; i < end; ++i) {
        if (text[i] == separator) {
            each(start, i);
            start = i + 1;
        }
    }
    each(start, end);
}

// The number list after "#": numbers and ranges "a~b" separated by ",".
// Empty pieces are skipped; a piece is read like the kiosk reads it (its
// leading number, 0 when it has none; for a range, the leading numbers of the
// text before the first "~" and of the text after it up to any next "~").
void AddNumberList(const std::string& text, std::vector<std::pair<int32_t, int32_t>>& ranges)
{
    ForEachPiece(text, 0, text.size(), ',', [&](size_t begin, size_t end) {
        if (begin == end)
            return;
        const std::string piece = text.substr(begin, end - begin);
        const size_t tilde = piece.find('~');
        if (tilde == std::string::npos) {
            const int32_t n = LeadingInt(piece);
            ranges.emplace_back(n, n);
            return;
        }
        const size_t next = piece.find('~', tilde + 1);
        const int32_t from = LeadingInt(piece.substr(0, tilde));
        const int32_t to = LeadingInt(piece.substr(tilde + 1, next == std::string::npos ? next : next - tilde - 1));
        ranges.emplace_back(std::min(from, to), std::max(from, to));
    });
}

// Sorts and merges overlapping or touching ranges, so that a look-up is one
// binary search.
void Merge(std::vector<std::pair<int32_t, int32_t>>& ranges)
{
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::pair<int32_t, int32_t>> merged;
    for (const auto& r : ranges) {
        if (!merged.empty() && int64_t(r.first) <= int64_t(merged.back().second) + 1)
            merged.back().second = std::max(merged.back().second, r.second);
        else
            merged.push_back(r);
    }
    ranges.swap(merged);
}

void Combine(EntryFilter::Selection& into, const EntryFilter::Selection& from)
{
    into.wholeSection = into.wholeSection || from.wholeSection;
    into.ranges.insert(into.ranges.end(), from.ranges.begin(), from.ranges.end());
}

} // namespace

std::string NormaliseFilterText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        bool replaced = false;
        if (i + 3 <= text.size() && static_cast<unsigned char>(text[i]) >= 0xE0) {
            for (const WideForm& form : kWideForms) {
                if (std::memcmp(text.data() + i, form.wide, 3) == 0) {
                    out += form.ascii;
                    i += 3;
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

bool EntryFilter::Selection::Admits(int32_t number) const
{
    if (wholeSection)
        return true;
    // The first range that starts after `number`; the one before it is the
    // only one that can hold it.
    auto after = std::upper_bound(ranges.begin(), ranges.end(), number,
                                  [](int32_t n, const std::pair<int32_t, int32_t>& r) { return n < r.first; });
    return after != ranges.begin() && number <= std::prev(after)->second;
}

EntryFilter::EntryFilter(const std::string& filter)
{
    const std::string text = NormaliseFilterText(filter);
    ForEachPiece(text, 0, text.size(), ';', [&](size_t begin, size_t end) {
        const std::string part = Trim(text.substr(begin, end - begin));
        if (part.empty())
            return;
        // A filter of nothing but separators restricts nothing.
        everything = false;
        AddPart(part);
    });
    for (auto& [name, selection] : byName)
        Merge(selection.ranges);
    for (auto& [id, selection] : byId)
        Merge(selection.ranges);
}

void EntryFilter::AddPart(const std::string& part)
{
    const size_t hash = part.find('#');
    const std::string name = Trim(part.substr(0, hash));
    Selection named;
    if (hash == std::string::npos)
        named.wholeSection = true;
    else
        AddNumberList(part.substr(hash + 1), named.ranges);
    Combine(byName[LowerAscii(name)], named);
    if (IsNumberText(name))
        Combine(byId[LeadingInt(name)], named);
}

EntryFilter::Selection EntryFilter::ForSection(int32_t sectionId, const std::string& sectionName) const
{
    Selection selection;
    if (everything) {
        selection.wholeSection = true;
        return selection;
    }
    const auto name = byName.find(LowerAscii(sectionName));
    if (name != byName.end())
        Combine(selection, name->second);
    const auto id = byId.find(sectionId);
    if (id != byId.end())
        Combine(selection, id->second);
    if (!selection.wholeSection)
        Merge(selection.ranges);
    return selection;
}

bool EntryFilter::Accepts(int32_t sectionId, const std::string& sectionName, int32_t number) const
{
    return ForSection(sectionId, sectionName).Admits(number);
}

} // namespace sim
