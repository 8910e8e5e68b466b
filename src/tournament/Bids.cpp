#include "tournament/Bids.h"

#include "foundation/LocText.h"
#include "foundation/TextUtil.h"
#include "tournament/BridgeBasics.h"
#include "tournament/TimeText.h"

std::string BidText(uint8_t code)
{
    switch (code) {
    case kBidPass: return "Pass";
    case kBidDouble: return "X";
    case kBidRedouble: return "XX";
    // The cancellations are always shown in Chinese: the text is picked
    // with language 0 whatever the display language.
    case kBidCancelled: return PickLang("取消||Cancel||<其它>", kLangChinese);
    case kBidCancelledByDirector: return PickLang("TD取消||TD Cancel||<其它>", kLangChinese);
    default: break;
    }
    const int32_t offset = int32_t(code) - kBidFirstContract; // truncating division below
    const int32_t level = offset / 5 + 1;
    const bool contract = code >= kBidFirstContract && code <= kBidLastContract;
    return IntToString(level) + SuitText(contract ? offset % 5 : -1, false);
}

std::string AuctionToText(const Auction& auction)
{
    std::string text;
    text.reserve(auction.size() * 2);
    for (const Bid& bid : auction) {
        text += static_cast<char>(bid.GetCode());
        if (bid.GetBangFlag() && bid.GetStarFlag())
            text += '+';
        else if (bid.GetStarFlag())
            text += '*';
        else if (bid.GetBangFlag())
            text += '!';
        else
            text += ' ';
    }
    return text;
}

Auction AuctionFromText(const std::string& text)
{
    Auction auction;
    const int64_t now = CurrentTime();
    auction.reserve(text.size() / 2);
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const int32_t mark = static_cast<unsigned char>(text[i + 1]);
        Bid bid;
        bid.SetCode(static_cast<uint8_t>(text[i]));
        bid.SetBangFlag((mark - 32) % 10 == 1); // "!" and "+"
        bid.SetStarFlag(mark > 41);            // "*" and "+"
        bid.SetTime(now);
        auction.push_back(bid);
    }
    return auction;
}

Auction PaddedAuction(const Auction& auction, int32_t board)
{
    // Columns run West, North, East, South: North deals into column 1, East
    // into 2, South into 3 and West into 0.
    const int32_t dealer = BoardDealer(board);
    const int32_t empties = dealer < 0 ? 0 : (dealer + 1) % 4;
    Auction padded;
    padded.reserve(size_t(empties) + auction.size());
    const int64_t now = CurrentTime();
    for (int32_t i = 0; i < empties; ++i) {
        Bid cell;
        cell.SetTime(now);
        padded.push_back(cell);
    }
    padded.insert(padded.end(), auction.begin(), auction.end());
    return padded;
}

int32_t AuctionRowCount(const Auction& auction, int32_t board)
{
    if (auction.empty())
        return 0;
    const size_t cells = PaddedAuction(auction, board).size();
    return static_cast<int32_t>((cells + 3) / 4);
}
