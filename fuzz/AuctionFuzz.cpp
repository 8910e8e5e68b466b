// Fuzz target auction: the two-bytes-per-call auction text of a board result,
// read into calls, written back, and padded into the four-column table. The
// first byte is the board number, which decides the dealer's column.

#include "FuzzCheck.h"

#include "tournament/Bids.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int32_t board = int32_t(data[0]) - 8; // a few impossible boards too
    const std::string text = fuzz::AsText(data + 1, size - 1);

    const Auction calls = AuctionFromText(text);
    FUZZ_CHECK(calls.size() == text.size() / 2);
    for (const Bid& bid : calls)
        (void)BidText(bid.GetCode());

    // The written form keeps every code and both marks of every call.
    const std::string written = AuctionToText(calls);
    FUZZ_CHECK(written.size() == 2 * calls.size());
    const Auction back = AuctionFromText(written);
    FUZZ_CHECK(back.size() == calls.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        FUZZ_CHECK(back[i].GetCode() == calls[i].GetCode());
        FUZZ_CHECK(back[i].GetBangFlag() == calls[i].GetBangFlag());
        FUZZ_CHECK(back[i].GetStarFlag() == calls[i].GetStarFlag());
    }

    const Auction padded = PaddedAuction(calls, board);
    FUZZ_CHECK(padded.size() >= calls.size() && padded.size() < calls.size() + 4);
    const int32_t rows = AuctionRowCount(calls, board);
    FUZZ_CHECK(calls.empty() ? rows == 0 : size_t(rows) == (padded.size() + 3) / 4);
    return 0;
}
