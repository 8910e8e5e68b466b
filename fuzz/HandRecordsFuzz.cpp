// Fuzz target hand_records: a director's PBN file read as hand records. The
// reader either refuses the file with one line that names it and leaves
// nothing, or gives boards that can be printed as they are: each a complete
// deal numbered from 1 and held once, a seat as dealer, a vulnerability, an
// auction text the diagram painter can read and a trick text of known
// digits when there is one. Whatever the file's character set, its title is
// UTF-8; choosing boards by a range keeps exactly those, in order.

#include "FuzzCheck.h"

#include "tournament/Bids.h"
#include "tournament/HandRecords.h"

#include <set>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = fuzz::AsText(data, size);
    HandRecordFile file;
    std::string error;
    if (!ReadHandRecords(text, "f.pbn", file, error)) {
        FUZZ_CHECK(error.rfind("f.pbn", 0) == 0);
        FUZZ_CHECK(error.find('\n') == std::string::npos);
        FUZZ_CHECK(file.boards.empty());
        return 0;
    }
    FUZZ_CHECK(!file.boards.empty());
    std::set<int32_t> numbers;
    for (const HandRecordBoard& b : file.boards) {
        FUZZ_CHECK(IsValidDeal(b.deal.GetDeal()));
        FUZZ_CHECK(b.deal.GetBoard() >= 1);
        FUZZ_CHECK(numbers.insert(b.deal.GetBoard()).second);
        int32_t points = 0;
        for (int32_t seat = 0; seat < 4; ++seat)
            points += b.deal.HighCardPoints(seat);
        FUZZ_CHECK(points == 40);
        FUZZ_CHECK(b.dealer >= 0 && b.dealer <= 3);
        FUZZ_CHECK(b.vulnerability >= 0 && b.vulnerability <= 3);
        FUZZ_CHECK(b.auction.size() % 2 == 0);
        FUZZ_CHECK(b.auction.size() / 2 <= kMaxAuctionCalls);
        FUZZ_CHECK(AuctionFromText(b.auction).size() == b.auction.size() / 2);
        FUZZ_CHECK(b.auction.empty() == (b.auctionFirst < 0));
        const std::string tricks = b.deal.GetTrickTexts();
        FUZZ_CHECK(b.tricksFromFile == !tricks.empty());
        FUZZ_CHECK(tricks.find_first_not_of("0123456789abcd") == std::string::npos);
    }
    // Text that is UTF-8 already comes back from the decoder as it is.
    const std::string title = "x" + HandRecordTitle(file);
    std::string decoded;
    FUZZ_CHECK(DecodePbnText(title, decoded, error) && decoded == title);

    std::vector<int32_t> wanted;
    for (const HandRecordBoard& b : file.boards)
        if (b.deal.GetBoard() >= 2 && b.deal.GetBoard() <= 8)
            wanted.push_back(b.deal.GetBoard());
    HandRecordFile chosen = file;
    const bool any = SelectHandRecordBoards(chosen, "2-8", error);
    FUZZ_CHECK(any == !wanted.empty());
    std::vector<int32_t> kept;
    for (const HandRecordBoard& b : chosen.boards)
        kept.push_back(b.deal.GetBoard());
    FUZZ_CHECK(any ? kept == wanted : kept.size() == file.boards.size());
    return 0;
}
