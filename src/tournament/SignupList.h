#pragma once
// The entries that may print their scorecards, as the scoring server lists
// them, and the list operations the desktop and the team selection dialog
// use: reading, ordering, labels, grouping long lists by section and number
// range, and selecting one group again.

#include "foundation/ReadStatus.h"

#include <json/value.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The ranges of one number list never expand to more than this many numbers
// together, and a parsed list never holds more. Team numbers within one section stay far
// below it; the bound only keeps a hostile range such as 1~2000000000 from
// taking unbounded time and memory.
inline constexpr size_t kMaxNumberListLength = 10000;

// The most entries a list reply may hold. The largest real fields are a few
// hundred pairs or teams, so a list beyond this is not a tournament; the
// cap keeps such a reply from costing memory and sorting time under the desk
// lock.
inline constexpr size_t kMaxSignupEntries = 10000;

// One menu entry of the quick-find grouping.
struct SignupGroup {
    int32_t sectionId = 0;
    std::string sectionName;
    std::string numbersText; // the group's numbers in range form, e.g. "21~30"
    std::string label;       // the text shown in the menu
};

class SignupList {
public:
    // One team (or pair) that may print.
    class SignupEntry {
    public:
        SignupEntry() = default;
        virtual ~SignupEntry() = default;
        SignupEntry(const SignupEntry&) = default;
        SignupEntry& operator=(const SignupEntry&) = default;
        SignupEntry(SignupEntry&&) = default;
        SignupEntry& operator=(SignupEntry&&) = default;

        virtual int32_t GetSectionId() const { return sectionId; }
        virtual void SetSectionId(int32_t v) { sectionId = v; }
        virtual std::string GetSectionName() const { return sectionName; }
        virtual void SetSectionName(const std::string& v) { sectionName = v; }
        virtual int32_t GetTeamNumber() const { return teamNumber; }
        virtual void SetTeamNumber(int32_t v) { teamNumber = v; }
        virtual std::string GetTeamName() const { return teamName; }
        virtual void SetTeamName(const std::string& v) { teamName = v; }
        virtual bool GetIsPair() const { return isPair; }
        virtual void SetIsPair(bool v) { isPair = v; }
        virtual bool GetPrinted() const { return printed; }
        virtual void SetPrinted(bool v) { printed = v; }

        // "NS5.Name (Section)", "12.Dragons (A)", "-3 (B)", ...
        std::string Label() const;
        // The ordering key: section part then number part, compared bytewise.
        std::string SortKey() const;

        // Reads one list element ("4", "5", "6", "7", "1", "9") and writes it
        // back in the same form.
        void FromJson(const Json::Value& in);
        void ToJson(Json::Value& out) const;

    private:
        int32_t sectionId = 0;
        std::string sectionName;
        int32_t teamNumber = 0; // in pair events negative for East-West
        std::string teamName;
        bool isPair = false;
        bool printed = false;
    };

    // Replaces the content with the elements of the array under "_o". A
    // missing "_o", or one that is not an array, gives an empty list. An
    // array of more than kMaxSignupEntries elements is refused whole: the
    // list is left empty and the status says why.
    ReadStatus FromJson(const Json::Value& in);
    // Writes the entries as the array "_o" of `out` (for the simulator and
    // tests; the kiosk itself only reads lists).
    void ToJson(Json::Value& out) const;

    // Orders by SortKey; of entries with equal keys the later one stays.
    void Sort();
    // A copy of the entry at `position`, or an empty entry past the end.
    SignupEntry EntryAt(int32_t position) const;
    // Removes the first entry with this section and number, if any.
    void Remove(int32_t sectionId, int32_t teamNumber);
    // Quick-find groups; empty unless the list holds more than 20 entries.
    std::vector<SignupGroup> BuildGroups() const;
    // The sorted entries of `sectionId` whose number occurs in `numbersText`.
    SignupList SelectGroup(int32_t sectionId, const std::string& numbersText) const;
    // The entries whose printed flag is clear, in the list's order.
    SignupList UnprintedEntries() const;

    // Plain sequence access.
    size_t size() const { return entries.size(); }
    bool empty() const { return entries.empty(); }
    void clear() { entries.clear(); }
    void push_back(const SignupEntry& entry) { entries.push_back(entry); }
    const SignupEntry& operator[](size_t i) const { return entries[i]; }
    SignupEntry& operator[](size_t i) { return entries[i]; }
    std::vector<SignupEntry>::const_iterator begin() const { return entries.begin(); }
    std::vector<SignupEntry>::const_iterator end() const { return entries.end(); }

private:
    std::vector<SignupEntry> entries;
};

using SignupEntry = SignupList::SignupEntry;

// Parses "21~25,30;40" into numbers (full-width forms accepted). A range runs
// from its first end to its second, up or down, both included. With `unique`
// a number already taken is not taken again. A parse visits at most
// kMaxNumberListLength numbers in all, those it skips as taken included, so
// it never produces more and its cost stays bounded whatever the text.
std::vector<int32_t> ParseNumberList(const std::string& text, bool unique);
// Writes numbers in the range form: runs of consecutive numbers as "a~b",
// joined with ",", in the given order.
std::string FormatNumberList(const std::vector<int32_t>& numbers);
