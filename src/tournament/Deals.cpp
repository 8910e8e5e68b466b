#include "tournament/Deals.h"

#include "foundation/NumericJson.h"
#include "foundation/TextUtil.h"
#include "tournament/BridgeBasics.h"
#include "tournament/NumberText.h"

#include <algorithm>
#include <bitset>

namespace {

// The characters of the trick counts 0 ... 13.
constexpr char kTrickDigits[] = "0123456789abcd";

} // namespace

int32_t RankOfLetter(char c)
{
    if (c >= '2' && c <= '9')
        return c - '0';
    switch (c) {
    case 'T': case 't': return 10;
    case 'J': case 'j': return 11;
    case 'Q': case 'q': return 12;
    case 'K': case 'k': return 13;
    case 'A': case 'a': return 14;
    default: return 0;
    }
}

char TrickCountChar(int32_t tricks)
{
    return kTrickDigits[std::clamp(tricks, 0, 13)];
}

int32_t TrickCountOf(char c)
{
    const char* at = std::find(kTrickDigits, kTrickDigits + 14, c);
    return at == kTrickDigits + 14 ? -1 : static_cast<int32_t>(at - kTrickDigits);
}

namespace {

// The seat that receives the first hand of a Deal tag.
int32_t FirstSeat(const std::string& letter)
{
    if (letter == "E")
        return kSeatEast;
    if (letter == "S")
        return kSeatSouth;
    if (letter == "W")
        return kSeatWest;
    return kSeatNorth; // "N" or any other letter
}

// Builds the record of one board from the text of its Deal tag, or returns
// false when the hands do not make a complete deal.
bool BuildBoard(int32_t board, const std::string& dealText, DealList::Deal& out)
{
    // Anything but a single letter before the colon counts as North.
    TokenReader parts(dealText, ":");
    const std::string letter(parts.Next());
    const int32_t first = letter.size() == 1 ? FirstSeat(letter) : kSeatNorth;
    // The four hands are the first four tokens after the colon.
    TokenReader handTexts(parts.Rest(), " ");
    std::array<std::string, 4> hands;
    for (int32_t i = 0; i < 4; ++i)
        hands[size_t((first + i) % 4)] = HandCodes(std::string(handTexts.Next()));
    out = DealList::Deal();
    out.SetBoard(board);
    out.SetHands(hands[kSeatNorth], hands[kSeatEast], hands[kSeatSouth], hands[kSeatWest]);
    return IsValidDeal(out.GetDeal());
}

} // namespace

// ---------------------------------------------------------------------------
// Deal

void DealList::Deal::SetHands(const std::string& north, const std::string& east, const std::string& south,
                              const std::string& west)
{
    for (const std::string* hand : {&north, &east, &south, &west})
        if (hand->size() != size_t(kCardsPerHand))
            return;
    SetDeal(north + east + south + west);
}

std::string DealList::Deal::Hand(int32_t position) const
{
    if (position < 0 || position > 3)
        return {};
    const size_t start = size_t(position) * kCardsPerHand;
    return start < deal.size() ? deal.substr(start, kCardsPerHand) : std::string();
}

void DealList::Deal::SetTrickTexts(const std::string& text)
{
    if (text.size() != 20)
        return;
    for (size_t seat = 0; seat < 4; ++seat)
        trickTexts[seat] = text.substr(seat * 5, 5);
}

std::string DealList::Deal::GetTrickTexts() const
{
    const std::string joined = trickTexts[0] + trickTexts[1] + trickTexts[2] + trickTexts[3];
    return joined.size() == 20 ? joined : std::string();
}

std::string DealList::Deal::TrickText(int32_t seat) const
{
    return seat >= 0 && seat <= 3 ? trickTexts[size_t(seat)] : std::string();
}

int32_t DealList::Deal::HighCardPoints(int32_t position) const
{
    int32_t points = 0;
    for (char code : Hand(position)) {
        const int32_t rank = CardRank(code); // 0 for a byte that is not a card
        if (rank >= 11)
            points += rank - 10;
    }
    return points;
}

int32_t DealList::Deal::LongestSuit(int32_t position) const
{
    const std::string hand = Hand(position);
    size_t longest = 0;
    for (int32_t suit = kSuitClubs; suit <= kSuitSpades; ++suit)
        longest = std::max(longest, SuitCards(hand, suit).size());
    return static_cast<int32_t>(longest);
}

// ---------------------------------------------------------------------------
// DealList

void DealList::ToJson(Json::Value& out) const
{
    out = Json::Value(Json::arrayValue);
    for (const Deal& d : deals) {
        Json::Value element(Json::objectValue);
        NumericJson::WriteInt(element, "1", d.GetBoard());
        NumericJson::WriteText(element, "2", d.GetDeal());
        NumericJson::WriteText(element, "3", d.GetTrickTexts());
        out.append(std::move(element));
    }
}

ReadStatus DealList::FromJson(const Json::Value& in)
{
    deals.clear();
    if (!in.isArray())
        return ReadStatus::Accepted();
    ReadStatus status = CheckListSize("the deals of the scorecard", in.size(), kMaxDeals);
    if (!status.ok)
        return status;
    deals.reserve(in.size());
    for (Json::ArrayIndex i = 0; i < in.size(); ++i) {
        const Json::Value& element = in[i];
        Deal d;
        d.SetBoard(NumericJson::ReadInt(element, "1"));
        // Everything that draws a deal relies on 52 distinct card codes; a
        // deal text that is not one reads as an unknown deal, so the board
        // still shows its row without a diagram.
        const std::string dealText = NumericJson::ReadText(element, "2");
        if (IsValidDeal(dealText))
            d.SetDeal(dealText);
        d.SetTrickTexts(NumericJson::ReadText(element, "3"));
        deals.push_back(std::move(d));
    }
    return status;
}

const DealList::Deal* DealList::FindBoard(int32_t board) const
{
    for (const Deal& d : deals)
        if (d.GetBoard() == board)
            return &d;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Hand records

std::string HandCodes(const std::string& hand)
{
    if (hand == "-")
        return {};
    // Written order spades, hearts, diamonds, clubs; kept order spades,
    // hearts, clubs, diamonds.
    struct Part {
        int32_t index;
        int32_t suit;
    };
    static constexpr Part kOrder[4] = {{0, kSuitSpades}, {1, kSuitHearts}, {3, kSuitClubs}, {2, kSuitDiamonds}};
    std::string codes;
    for (const Part& part : kOrder) {
        for (char c : NthToken(hand, ".", part.index)) {
            const int32_t rank = RankOfLetter(c);
            if (rank == 0)
                return {}; // not a rank: the hand cannot be trusted at all
            codes += CardCode(part.suit, rank);
        }
    }
    return codes;
}

bool IsValidDeal(const std::string& deal)
{
    if (deal.size() != size_t(kCardsPerDeal))
        return false;
    std::bitset<kCardsPerDeal> seen;
    for (char code : deal) {
        const int32_t index = CardIndex(code);
        if (index < 0 || seen.test(size_t(index)))
            return false;
        seen.set(size_t(index));
    }
    return true;
}

void ParsePbn(const std::string& text, DealList& deals)
{
    deals.clear();
    int32_t board = 0;
    std::string dealText;
    for (const std::string& line : SplitTokens(NormaliseLineEnds(text, "\r\n"), "\r\n", false)) {
        const std::string tag = NthToken(NthToken(line, "[", 1), " ", 0);
        if (EqualsIgnoreCase(tag, "Board")) {
            std::string stripped = line;
            stripped.erase(std::remove(stripped.begin(), stripped.end(), 'o'), stripped.end());
            board = LeadingInt(NthToken(stripped, "\"", 1));
        } else if (EqualsIgnoreCase(tag, "Deal")) {
            dealText = NthToken(line, "\"", 1);
        }
        // Board and Deal may come in either order with other tags between;
        // a board is complete as soon as both are known.
        if (dealText.size() >= size_t(kCardsPerDeal) && board >= 1) {
            DealList::Deal d;
            if (BuildBoard(board, dealText, d))
                deals.push_back(d);
            board = 0;
            dealText.clear();
        }
    }
}

std::string RankLetters(const std::string& codes)
{
    static constexpr char kLetters[] = "23456789TJQKA";
    std::string letters;
    letters.reserve(codes.size());
    for (char code : codes) {
        const int32_t rank = CardRank(code);
        letters += rank == 0 ? '2' : kLetters[rank - 2];
    }
    return letters;
}
