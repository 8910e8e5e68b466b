// Fuzz target pbn: a PBN hand record read into deals. Only complete, valid
// boards may come out, so every deal read must hold four hands of thirteen
// distinct cards, and must survive the JSON form the scoring server uses.

#include "FuzzCheck.h"

#include "tournament/Deals.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = fuzz::AsText(data, size);
    DealList deals;
    ParsePbn(text, deals);
    for (const Deal& deal : deals) {
        FUZZ_CHECK(IsValidDeal(deal.GetDeal()));
        int32_t points = 0;
        for (int32_t seat = 0; seat < 4; ++seat) {
            const std::string hand = deal.Hand(seat);
            FUZZ_CHECK(hand.size() == 13);
            FUZZ_CHECK(RankLetters(hand).size() == 13);
            const int32_t longest = deal.LongestSuit(seat);
            FUZZ_CHECK(longest >= 4 && longest <= 13);
            points += deal.HighCardPoints(seat);
            (void)deal.TrickText(seat);
        }
        FUZZ_CHECK(points == 40);
    }

    Json::Value written;
    deals.ToJson(written);
    DealList back;
    back.FromJson(written);
    Json::Value rewritten;
    back.ToJson(rewritten);
    FUZZ_CHECK(rewritten == written);

    // The hand and rank readers on their own, on text that is not a deal.
    const std::string codes = HandCodes(text);
    FUZZ_CHECK(codes.empty() || RankLetters(codes).size() == codes.size());
    FUZZ_CHECK(RankLetters(text).size() == text.size());
    return 0;
}
