// Fuzz target signup_list: the list of entries the scoring server sends, read
// from a message, ordered, grouped for the quick-find menu and selected again
// group by group, as the desktop and the team selection dialog do.

#include "FuzzCheck.h"

#include "comm/ServerMessage.h"
#include "tournament/SignupList.h"

#include <set>
#include <utility>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ServerMessage message;
    message.FromJsonText(fuzz::AsText(data, size));
    SignupList list;
    list.FromJson(message);

    Json::Value written;
    list.ToJson(written);
    SignupList back;
    back.FromJson(written);
    Json::Value rewritten;
    back.ToJson(rewritten);
    FUZZ_CHECK(rewritten == written);

    for (const SignupEntry& entry : list) {
        (void)entry.Label();
        (void)entry.SortKey();
    }
    (void)list.EntryAt(-1);
    (void)list.EntryAt(int32_t(list.size()));
    const SignupList unprinted = list.UnprintedEntries();
    FUZZ_CHECK(unprinted.size() <= list.size());

    // Every entry of the ordered list is found again through one of the
    // quick-find groups, and a group selects only entries of its section.
    SignupList sorted = list;
    sorted.Sort();
    const std::vector<SignupGroup> groups = list.BuildGroups();
    if (!groups.empty()) {
        std::set<std::pair<std::string, int32_t>> found;
        for (const SignupGroup& group : groups) {
            for (const SignupEntry& entry : list.SelectGroup(group.sectionId, group.numbersText)) {
                FUZZ_CHECK(entry.GetSectionId() == group.sectionId);
                found.insert({entry.SortKey(), entry.GetSectionId()});
            }
        }
        for (const SignupEntry& entry : sorted)
            FUZZ_CHECK(found.count({entry.SortKey(), entry.GetSectionId()}) == 1);
    }

    if (!sorted.empty()) {
        const SignupEntry first = sorted[0];
        const size_t before = sorted.size();
        sorted.Remove(first.GetSectionId(), first.GetTeamNumber());
        FUZZ_CHECK(sorted.size() == before - 1);
    }
    return 0;
}
