// Fuzz target number_list: the number lists of the partial print filter and
// of the quick-find groups ("21~25,30;40", full-width forms too), and the
// leading number of a text.

#include "FuzzCheck.h"

#include "tournament/NumberText.h"
#include "tournament/SignupList.h"

#include <set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = fuzz::AsText(data, size);
    (void)LeadingInt(text);

    const std::vector<int32_t> all = ParseNumberList(text, false);
    FUZZ_CHECK(all.size() <= kMaxNumberListLength);
    const std::vector<int32_t> unique = ParseNumberList(text, true);
    FUZZ_CHECK(unique.size() <= all.size());
    FUZZ_CHECK(std::set<int32_t>(unique.begin(), unique.end()).size() == unique.size());

    // The range form of a list reads back as the same list, in order.
    FUZZ_CHECK(ParseNumberList(FormatNumberList(all), false) == all);
    FUZZ_CHECK(ParseNumberList(FormatNumberList(unique), true) == unique);
    return 0;
}
