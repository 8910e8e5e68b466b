#include "tournament/SignupList.h"

#include "foundation/NumericJson.h"
#include "foundation/TextUtil.h"
#include "tournament/NumberText.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

// Entries at or below this count are shown without quick-find groups.
constexpr size_t kGroupingThreshold = 20;

// `budget` is what the whole parse may still visit, numbers taken before
// included: with `unique` a range over taken numbers adds nothing, and a text
// of many such ranges (a filter arrives from outside) would otherwise cost its
// length times the range bound.
void AppendRange(std::vector<int32_t>& numbers, std::set<int32_t>& taken, int64_t from, int64_t to, bool unique,
                 size_t& budget)
{
    const int64_t step = to < from ? -1 : 1;
    // The budget, not the comparison with `to`, bounds the loop, so a hostile
    // range ends after a bounded number of iterations whatever it holds.
    for (int64_t n = from; budget > 0 && numbers.size() < kMaxNumberListLength; n += step) {
        --budget;
        const int32_t value = static_cast<int32_t>(n);
        if (!unique || taken.insert(value).second)
            numbers.push_back(value);
        if (n == to)
            break;
    }
}

} // namespace

// ---------------------------------------------------------------------------
// SignupEntry

std::string SignupList::SignupEntry::Label() const
{
    std::string label;
    // Widened so that the most negative number has a magnitude to print.
    int64_t number = teamNumber;
    if (isPair && teamNumber != 0) {
        label += teamNumber > 0 ? "NS" : "EW";
        number = number < 0 ? -number : number;
    }
    label += std::to_string(number);
    if (!teamName.empty())
        label += "." + teamName;
    label += " (" + sectionName + ")";
    return label;
}

std::string SignupList::SignupEntry::SortKey() const
{
    // "*" < "+" < ",": negative sections first, and within a section the
    // North-South (positive) numbers before the East-West (negative) ones.
    return SignedSortKey(sectionId, "*") + SignedSortKey(teamNumber, ",");
}

void SignupList::SignupEntry::FromJson(const Json::Value& in)
{
    using namespace NumericJson;
    SetSectionId(ReadInt(in, "4"));
    SetSectionName(ReadText(in, "5"));
    SetTeamNumber(ReadInt(in, "6"));
    SetTeamName(ReadText(in, "7"));
    SetIsPair(ReadFlag(in, "1"));
    SetPrinted(ReadFlag(in, "9"));
}

void SignupList::SignupEntry::ToJson(Json::Value& out) const
{
    using namespace NumericJson;
    out = Json::Value(Json::objectValue);
    WriteInt(out, "4", GetSectionId());
    WriteText(out, "5", GetSectionName());
    WriteInt(out, "6", GetTeamNumber());
    WriteText(out, "7", GetTeamName());
    WriteFlag(out, "1", GetIsPair());
    WriteFlag(out, "9", GetPrinted());
}

// ---------------------------------------------------------------------------
// SignupList

ReadStatus SignupList::FromJson(const Json::Value& in)
{
    entries.clear();
    // The server always sends an array; an object (or anything else) under
    // "_o" is treated like a missing list rather than guessed at.
    const Json::Value& array = NumericJson::ReadArray(in, "_o");
    ReadStatus status = CheckListSize("the entries of the list reply", array.size(), kMaxSignupEntries);
    if (!status.ok)
        return status;
    entries.reserve(array.size());
    for (Json::ArrayIndex i = 0; i < array.size(); ++i) {
        SignupEntry entry;
        entry.FromJson(array[i]); // an element that is not an object reads as an empty entry
        entries.push_back(std::move(entry));
    }
    return status;
}

void SignupList::ToJson(Json::Value& out) const
{
    if (!out.isObject())
        out = Json::Value(Json::objectValue);
    Json::Value array(Json::arrayValue);
    for (const SignupEntry& entry : entries) {
        Json::Value element;
        entry.ToJson(element);
        array.append(std::move(element));
    }
    out["_o"] = std::move(array);
}

void SignupList::Sort()
{
    std::map<std::string, SignupEntry> byKey;
    for (SignupEntry& entry : entries)
        byKey[entry.SortKey()] = std::move(entry); // a later equal key replaces the earlier entry
    entries.clear();
    entries.reserve(byKey.size());
    for (auto& [key, entry] : byKey)
        entries.push_back(std::move(entry));
}

SignupList::SignupEntry SignupList::EntryAt(int32_t position) const
{
    if (position < 0 || size_t(position) >= entries.size())
        return {};
    return entries[size_t(position)];
}

void SignupList::Remove(int32_t sectionId, int32_t teamNumber)
{
    const auto it = std::find_if(entries.begin(), entries.end(), [&](const SignupEntry& e) {
        return e.GetSectionId() == sectionId && e.GetTeamNumber() == teamNumber;
    });
    if (it != entries.end())
        entries.erase(it);
}

std::vector<SignupGroup> SignupList::BuildGroups() const
{
    std::vector<SignupGroup> groups;
    if (entries.size() <= kGroupingThreshold)
        return groups;

    SignupList sorted = *this;
    sorted.Sort();

    struct Section {
        int32_t id = 0;
        std::string name;
        std::vector<int32_t> numbers;
    };
    std::vector<Section> sections;
    // The sort key begins with the section, so the entries of one section
    // are adjacent: comparing with the last section found is enough, and the
    // grouping stays linear in the list.
    for (const SignupEntry& entry : sorted.entries) {
        if (sections.empty() || sections.back().id != entry.GetSectionId())
            sections.push_back({entry.GetSectionId(), {}, {}});
        Section& section = sections.back();
        section.name = entry.GetSectionName(); // the last entry's name wins
        section.numbers.push_back(entry.GetTeamNumber());
    }

    for (const Section& section : sections) {
        const std::vector<int32_t>& numbers = section.numbers;
        const size_t h = numbers.size();
        const bool anyNegative = std::any_of(numbers.begin(), numbers.end(), [](int32_t n) { return n < 0; });
        size_t chunk = h;
        if (h > kGroupingThreshold && !anyNegative) {
            // The chunk size that leaves the smallest remainder; trying the
            // larger sizes first lets them win ties.
            size_t bestRemainder = h;
            for (size_t k = 13; k >= 10; --k) {
                if (h % k < bestRemainder) {
                    bestRemainder = h % k;
                    chunk = k;
                }
            }
        }

        for (size_t begin = 0; begin < h;) {
            size_t end = begin + chunk;
            if (end >= h || h - end < chunk)
                end = h; // a short tail joins the group just filled
            const std::vector<int32_t> part(numbers.begin() + ptrdiff_t(begin), numbers.begin() + ptrdiff_t(end));
            SignupGroup group;
            group.sectionId = section.id;
            group.sectionName = section.name;
            group.numbersText = FormatNumberList(part);
            group.label = section.name;
            if (part.size() != h) {
                const auto [lo, hi] = std::minmax_element(part.begin(), part.end());
                group.label += " (" + IntToString(*lo) + "~" + IntToString(*hi) + ")";
            }
            groups.push_back(std::move(group));
            begin = end;
        }
    }
    return groups;
}

SignupList SignupList::SelectGroup(int32_t sectionId, const std::string& numbersText) const
{
    const std::vector<int32_t> parsed = ParseNumberList(numbersText, false);
    const std::set<int32_t> wanted(parsed.begin(), parsed.end());
    SignupList sorted = *this;
    sorted.Sort();
    SignupList selection;
    for (const SignupEntry& entry : sorted.entries)
        if (entry.GetSectionId() == sectionId && wanted.count(entry.GetTeamNumber()) > 0)
            selection.entries.push_back(entry);
    return selection;
}

SignupList SignupList::UnprintedEntries() const
{
    SignupList unprinted;
    for (const SignupEntry& entry : entries)
        if (!entry.GetPrinted())
            unprinted.entries.push_back(entry);
    return unprinted;
}

// ---------------------------------------------------------------------------
// Number lists

std::vector<int32_t> ParseNumberList(const std::string& text, bool unique)
{
    std::string normalised = ReplaceAll(NormaliseFullWidth(text), ";", ",");
    std::vector<int32_t> numbers;
    std::set<int32_t> taken;
    size_t budget = kMaxNumberListLength;
    for (const std::string& token : SplitTokens(std::move(normalised), ",", true)) {
        if (numbers.size() >= kMaxNumberListLength || budget == 0)
            break;
        if (token.find('~') == std::string::npos) {
            AppendRange(numbers, taken, LeadingInt(token), LeadingInt(token), unique, budget);
            continue;
        }
        const int32_t from = LeadingInt(NthToken(token, "~", 0));
        const int32_t to = LeadingInt(NthToken(token, "~", 1));
        AppendRange(numbers, taken, from, to, unique, budget);
    }
    return numbers;
}

std::string FormatNumberList(const std::vector<int32_t>& numbers)
{
    std::string text;
    size_t i = 0;
    while (i < numbers.size()) {
        // A run continues while each number is the previous plus one; a
        // repeated number therefore starts a new run and is written again.
        size_t last = i;
        while (last + 1 < numbers.size() && int64_t(numbers[last + 1]) == int64_t(numbers[last]) + 1)
            ++last;
        if (!text.empty())
            text += ",";
        text += IntToString(numbers[i]);
        if (last > i)
            text += "~" + IntToString(numbers[last]);
        i = last + 1;
    }
    return text;
}
