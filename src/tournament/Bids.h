#pragma once
// Calls of an auction: the one-byte call code, the record of one call with
// its two alert marks, the two-bytes-per-call auction text the scoring server
// sends, and the padding of an auction for a West-North-East-South table.

#include <cstdint>
#include <string>
#include <vector>

// Call codes. Contract bids are 32 + 5 * (level - 1) + strain, from one club
// (32, " ") to seven no trump (66, "B").
inline constexpr uint8_t kBidEmpty = 0; // an empty cell of a padded auction
inline constexpr uint8_t kBidFirstContract = 32;
inline constexpr uint8_t kBidLastContract = 66;
inline constexpr uint8_t kBidPass = 67;
inline constexpr uint8_t kBidDouble = 68;
inline constexpr uint8_t kBidRedouble = 69;
inline constexpr uint8_t kBidCancelled = 70;
inline constexpr uint8_t kBidCancelledByDirector = 71;

class Bid {
public:
    Bid() = default;
    virtual ~Bid() = default;
    Bid(const Bid&) = default;
    Bid& operator=(const Bid&) = default;
    Bid(Bid&&) = default;
    Bid& operator=(Bid&&) = default;

    virtual uint8_t GetCode() const { return code; }
    virtual void SetCode(uint8_t v) { code = v; }
    virtual bool GetBangFlag() const { return bangFlag; }
    virtual void SetBangFlag(bool v) { bangFlag = v; }
    virtual bool GetStarFlag() const { return starFlag; }
    virtual void SetStarFlag(bool v) { starFlag = v; }
    virtual int64_t GetTime() const { return time; }
    virtual void SetTime(int64_t v) { time = v; }

private:
    uint8_t code = kBidEmpty;
    bool bangFlag = false; // mark "!" or "+"
    bool starFlag = false; // mark "*" or "+"
    int64_t time = 0;      // seconds since 1970 when the record was made
};

using Auction = std::vector<Bid>;

// The most calls an auction text may hold. The longest legal auction has 319
// calls and a real one rarely passes 30; the cap leaves room for cancelled
// calls and keeps a hostile text from turning into a huge grid.
inline constexpr size_t kMaxAuctionCalls = 1000;

// "1C" ... "7NT", "Pass", "X", "XX", and the Chinese texts of the two
// cancellations in every language.
std::string BidText(uint8_t code);
// Two bytes per call: the code, then the mark "+", "*", "!" or " ".
std::string AuctionToText(const Auction& auction);
// The calls of an auction text, each stamped with the current time. An
// incomplete last pair (a code without its mark) is ignored.
Auction AuctionFromText(const std::string& text);
// The auction preceded by empty cells so that the first call stands in the
// dealer's column of a West, North, East, South table.
Auction PaddedAuction(const Auction& auction, int32_t board);
// Rows of the padded auction; 0 for an empty auction.
int32_t AuctionRowCount(const Auction& auction, int32_t board);
