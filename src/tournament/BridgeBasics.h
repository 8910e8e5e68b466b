#pragma once
// The small contract-bridge vocabulary shared by deals, scorecards and hand
// diagrams: seats, suits, the one-byte card code, vulnerability, and how the
// vulnerability and the dealer follow from a board number. Texts are UTF-8;
// they become wide only when drawn.

#include "foundation/LocText.h"

#include <cstdint>
#include <string>

// Seats, clockwise. A seat is a plain signed integer so that "no seat" (-1)
// and out-of-range values coming from the server stay representable.
inline constexpr int32_t kSeatNone = -1;
inline constexpr int32_t kSeatNorth = 0;
inline constexpr int32_t kSeatEast = 1;
inline constexpr int32_t kSeatSouth = 2;
inline constexpr int32_t kSeatWest = 3;

// Suits (strains); no trump only as a strain.
inline constexpr int32_t kSuitClubs = 0;
inline constexpr int32_t kSuitDiamonds = 1;
inline constexpr int32_t kSuitHearts = 2;
inline constexpr int32_t kSuitSpades = 3;
inline constexpr int32_t kStrainNoTrump = 4;

// Vulnerability values.
inline constexpr int32_t kVulNone = 0;
inline constexpr int32_t kVulNorthSouth = 1;
inline constexpr int32_t kVulEastWest = 2;
inline constexpr int32_t kVulBoth = 3;

// Card code: '0' + 13 * suit + (rank - 2), rank 2 ... 14 (ace 14). The 52
// valid codes run from '0' (club two) to 'c' (spade ace).
inline constexpr char kFirstCardCode = '0';
inline constexpr char kLastCardCode = 'c';
inline constexpr int32_t kCardsPerDeal = 52;
inline constexpr int32_t kCardsPerHand = 13;

// The card index 0..51 of a code, or -1 for a byte that is not a card.
int32_t CardIndex(char code);
// The suit of a card code, or -1 for a byte that is not a card.
int32_t CardSuit(char code);
// The rank 2 ... 14 of a card code, or 0 for a byte that is not a card.
int32_t CardRank(char code);
// The code of a card; suit 0..3 and rank 2..14 are the caller's to check.
char CardCode(int32_t suit, int32_t rank);

// "N", "E", "S", "W"; "seat err" for any other value.
std::string SeatLetter(int32_t seat);
// The seat's name: Chinese for language 0, English otherwise.
std::string SeatWord(int32_t seat, LangIndex lang);
// The suit symbol (symbolFlag) or letter; "NT" for no trump either way.
std::string SuitText(int32_t suit, bool symbolFlag);
// The vulnerability's name: Chinese for language 0, English otherwise.
std::string VulText(int32_t vulnerability, LangIndex lang);

// The vulnerability of a board. eventKind 1 uses a four-board cycle, 2 and 7
// have nobody vulnerable, everything else the usual sixteen-board cycle.
int32_t BoardVulnerability(int32_t board, int32_t eventKind);
// The dealing seat of a board, or kSeatNone for a board number of 0 or less.
int32_t BoardDealer(int32_t board);
// The characters of `hand` that are cards of `suit`, in the hand's order.
std::string SuitCards(const std::string& hand, int32_t suit);
