#include "tournament/BridgeBasics.h"

int32_t CardIndex(char code)
{
    const int32_t index = static_cast<unsigned char>(code) - static_cast<unsigned char>(kFirstCardCode);
    return index >= 0 && index < kCardsPerDeal ? index : -1;
}

int32_t CardSuit(char code)
{
    const int32_t index = CardIndex(code);
    return index < 0 ? -1 : index / kCardsPerHand;
}

int32_t CardRank(char code)
{
    const int32_t index = CardIndex(code);
    return index < 0 ? 0 : index % kCardsPerHand + 2;
}

char CardCode(int32_t suit, int32_t rank)
{
    return static_cast<char>(kFirstCardCode + kCardsPerHand * suit + (rank - 2));
}

std::string SeatLetter(int32_t seat)
{
    switch (seat) {
    case kSeatNorth: return "N";
    case kSeatEast: return "E";
    case kSeatSouth: return "S";
    case kSeatWest: return "W";
    default: return "seat err";
    }
}

std::string SeatWord(int32_t seat, LangIndex lang)
{
    const bool chinese = lang == kLangChinese;
    switch (seat) {
    case kSeatNorth: return chinese ? "北" : "North";
    case kSeatEast: return chinese ? "东" : "East";
    case kSeatSouth: return chinese ? "南" : "South";
    case kSeatWest: return chinese ? "西" : "West";
    default: return "seat err";
    }
}

std::string SuitText(int32_t suit, bool symbolFlag)
{
    switch (suit) {
    case kSuitClubs: return symbolFlag ? "♣" : "C";
    case kSuitDiamonds: return symbolFlag ? "♦" : "D";
    case kSuitHearts: return symbolFlag ? "♥" : "H";
    case kSuitSpades: return symbolFlag ? "♠" : "S";
    case kStrainNoTrump: return "NT";
    default: return "err suitID";
    }
}

std::string VulText(int32_t vulnerability, LangIndex lang)
{
    const bool chinese = lang == kLangChinese;
    switch (vulnerability) {
    case kVulNone: return chinese ? " 双无" : "None";
    case kVulNorthSouth: return chinese ? "南北" : "N-S";
    case kVulEastWest: return chinese ? "东西" : "E-W";
    case kVulBoth: return chinese ? "双有" : "Both";
    default: return "err vul";
    }
}

int32_t BoardVulnerability(int32_t board, int32_t eventKind)
{
    if (eventKind == 1) {
        // Truncating remainder: negative boards give a negative R, which
        // counts as nobody vulnerable.
        switch (board % 4) {
        case 1: return kVulNone;
        case 2: return kVulEastWest;
        case 3: return kVulNorthSouth;
        case 0: return kVulBoth;
        default: return kVulNone;
        }
    }
    if (eventKind == 2 || eventKind == 7)
        return kVulNone;

    static const int32_t cycle[16] = {
        kVulNone,     kVulNorthSouth, kVulEastWest, kVulBoth,
        kVulNorthSouth, kVulEastWest, kVulBoth,     kVulNone,
        kVulEastWest, kVulBoth,       kVulNone,     kVulNorthSouth,
        kVulBoth,     kVulNone,       kVulNorthSouth, kVulEastWest,
    };
    int32_t r = board % 16; // well defined for every 32-bit board number
    if (r == 0)
        r = 16;
    const int32_t i = r - 1;
    return i >= 0 && i < 16 ? cycle[i] : kVulNone;
}

int32_t BoardDealer(int32_t board)
{
    return board > 0 ? (board - 1) % 4 : kSeatNone;
}

std::string SuitCards(const std::string& hand, int32_t suit)
{
    std::string cards;
    for (char c : hand)
        if (CardIndex(c) >= 0 && CardSuit(c) == suit)
            cards += c;
    return cards;
}
