#pragma once
// The kiosk's partial-print filter, read once per request and then asked
// about each entry. Reading is a single pass over the text and asking is a
// hash look-up plus a binary search over the named ranges, so a hostile
// filter costs time in proportion to its length and never to its length
// times the number of entries. Nothing here touches the tournament, so the
// server reads the filter before taking its lock.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sim {

// Full-width digits and punctuation to their ASCII forms in one pass (the
// same forms as foundation's NormaliseFullWidth; letters stay).
std::string NormaliseFilterText(const std::string& text);

class EntryFilter {
public:
    // What the filter admits of one section: all of it, or the numbers in a
    // set of closed ranges (kept sorted and merged).
    struct Selection {
        bool wholeSection = false;
        std::vector<std::pair<int32_t, int32_t>> ranges;
        bool Admits(int32_t number) const;
    };

    // Parts separated by ";", each a section (its name without regard to
    // case, or its number) optionally followed by "#" and a number list of
    // numbers and ranges "a~b" separated by ",". An empty filter, or one of
    // separators only, passes everything; a part naming no section passes
    // nothing.
    explicit EntryFilter(const std::string& text);

    bool PassesEverything() const { return everything; }
    // What the filter admits of the section with this id and name. Ask once
    // per section, then ask the selection about each of its entries.
    Selection ForSection(int32_t sectionId, const std::string& sectionName) const;
    bool Accepts(int32_t sectionId, const std::string& sectionName, int32_t number) const;

private:
    void AddPart(const std::string& part);

    bool everything = true;
    std::unordered_map<std::string, Selection> byName; // key: the name in lower case
    std::unordered_map<int32_t, Selection> byId;
};

} // namespace sim
