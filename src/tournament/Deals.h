#pragma once
// Deals as the kiosk holds them: one card-code byte per card, the four hands
// in the order North, East, South, West, with the trick table that comes with
// the deal. Deals arrive as PBN hand records (the built-in test page) or in
// the scoring server's JSON.

#include "foundation/ReadStatus.h"

#include <json/value.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The most deals one message may carry. A session has a few dozen boards and
// even a whole multi-day event a few hundred, so a longer list is not a real
// one; refusing it keeps a hostile reply from costing memory and time.
inline constexpr size_t kMaxDeals = 1000;

class DealList {
public:
    class Deal {
    public:
        Deal() = default;
        virtual ~Deal() = default;
        Deal(const Deal&) = default;
        Deal& operator=(const Deal&) = default;
        Deal(Deal&&) = default;
        Deal& operator=(Deal&&) = default;

        virtual int32_t GetBoard() const { return board; }
        virtual void SetBoard(int32_t v) { board = v; }
        virtual std::string GetDeal() const { return deal; }
        virtual void SetDeal(const std::string& v) { deal = v; }

        // Sets the deal to the four hands (card codes) when each holds
        // exactly 13 cards; otherwise the deal is left as it was.
        void SetHands(const std::string& north, const std::string& east, const std::string& south,
                      const std::string& west);
        // The card codes of hand 0..3 (North, East, South, West); empty when
        // the deal does not hold that hand.
        std::string Hand(int32_t position) const;

        // A 20-byte text, five strains per seat (clubs, diamonds, hearts,
        // spades, no trump) for North, East, South, West in turn. Any other
        // length changes nothing.
        void SetTrickTexts(const std::string& text);
        // The four groups joined, or "" unless that makes 20 bytes.
        std::string GetTrickTexts() const;
        // The five-byte group of seat 0..3, or "" for another seat.
        std::string TrickText(int32_t seat) const;

        // Ace 4, king 3, queen 2, jack 1 over hand 0..3.
        int32_t HighCardPoints(int32_t position) const;
        // The number of cards in the longest suit of hand 0..3.
        int32_t LongestSuit(int32_t position) const;

    private:
        int32_t board = 0;
        std::string deal;
        std::array<std::string, 4> trickTexts;
    };

    // Empties `out` and makes it an array of one object per deal: "1" board,
    // "2" deal, "3" trick texts, each left out when empty.
    void ToJson(Json::Value& out) const;
    // Replaces the list with the elements of `in`; anything but an array
    // gives an empty list. Deal texts are kept as received. More than
    // kMaxDeals elements are refused whole: the list stays empty and the
    // status says why.
    ReadStatus FromJson(const Json::Value& in);

    // The deal of board `board`, or nullptr when the list has none.
    const Deal* FindBoard(int32_t board) const;

    // Plain sequence access.
    size_t size() const { return deals.size(); }
    bool empty() const { return deals.empty(); }
    void clear() { deals.clear(); }
    void push_back(const Deal& deal) { deals.push_back(deal); }
    const Deal& operator[](size_t i) const { return deals[i]; }
    Deal& operator[](size_t i) { return deals[i]; }
    std::vector<Deal>::const_iterator begin() const { return deals.begin(); }
    std::vector<Deal>::const_iterator end() const { return deals.end(); }

private:
    std::vector<Deal> deals;
};

using Deal = DealList::Deal;

// The card codes of one PBN hand such as "KT7.AK74.KQ984.T": spades, then
// hearts, then clubs, then diamonds, each suit in its written order. "-" (an
// unknown hand) gives "", and so does a hand holding a character that is not
// a rank, so that it can never pass for a real card.
std::string HandCodes(const std::string& hand);
// True for 52 distinct card codes.
bool IsValidDeal(const std::string& deal);
// Clears `deals` and appends one deal per complete, valid board of the PBN
// text.
void ParsePbn(const std::string& text, DealList& deals);
// The rank 2 ... 14 of a PBN rank letter ("2" ... "9", "T", "J", "Q", "K",
// "A", either case), or 0 for any other character.
int32_t RankOfLetter(char c);
// The trick-text character of a trick count: "0" ... "9", then "a" ... "d"
// for ten to thirteen, as the scoring server writes them; counts outside
// 0 ... 13 are clamped.
char TrickCountChar(int32_t tricks);
// The trick count of a trick-text character, or -1 for any other byte.
int32_t TrickCountOf(char c);
// One rank character ("2" ... "9", "T", "J", "Q", "K", "A") per code; a byte
// that is not a card gives "2".
std::string RankLetters(const std::string& codes);
