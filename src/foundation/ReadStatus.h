#pragma once
// The outcome of reading data that came from the scoring server: accepted, or
// refused with a reason that names what was wrong. The readers return it as
// a value so that a caller decides what a refusal means (drop the reply, show
// a note, exit with an error) and nothing throws through the desk lock or a
// Qt event handler.

#include <cstddef>
#include <string>
#include <utility>

struct ReadStatus {
    bool ok = true;
    std::string reason; // empty when accepted

    static ReadStatus Accepted() { return {}; }
    static ReadStatus Refused(std::string why) { return {false, std::move(why)}; }
};

// Accepted when `count` is at most `cap`; otherwise refused with a reason
// naming the list, its size and the cap, e.g. "the totals lines of the team
// scorecard number 101, more than the 100 accepted".
ReadStatus CheckListSize(const std::string& listName, size_t count, size_t cap);
