#pragma once
// The hand records of a session read from a PBN file: every board's deal,
// dealer, vulnerability and auction, with the double-dummy trick table when
// the file carries one, and the event's name, place and date for the page
// title. Unlike the lenient reader the test page uses (Deals.h), this one is
// for files a director brings: anything that would print a wrong deal is an
// error naming the board and the card, and nothing is half read.
//
// Plain C++, no Qt.

#include "tournament/Deals.h"

#include <cstdint>
#include <string>
#include <vector>

// The most boards one file may hold: a multi-day event has a few hundred.
inline constexpr size_t kMaxHandRecordBoards = 2000;

struct HandRecordBoard {
    Deal deal;                       // board number, the 52 cards, trick texts when known
    int32_t dealer = -1;             // a seat; from the Dealer tag or else the board number
    int32_t vulnerability = 0;       // kVul*; from the Vulnerable tag or else the board number
    std::string auction;             // two bytes per call (Bids.h); "" without an auction
    int32_t auctionFirst = -1;       // the seat that made the first call
    bool tricksFromFile = false;     // the trick table came with the file
    int32_t line = 0;                // the line of the board's Deal tag
};

struct HandRecordFile {
    std::string event; // the Event, Site and Date tags of the file's first game that has them
    std::string site;
    std::string date;
    std::vector<HandRecordBoard> boards; // in the file's order, each board once
};

// Reads the text of a PBN file. `source` names the file in the errors. On an
// error returns false with one line in `error` (naming the board, and the
// card when a card is at fault) and leaves `out` empty.
//
// Accepted: tag pairs anywhere on a line, "{...}" and ";" comments, "%"
// lines, "#" for the previous game's value, games that repeat a board with
// the same deal (one per table in a results file; the board is kept once),
// a single "-" hand filled with the cards the other three leave, ranks in
// either case, "10" read as "T", the character sets of DecodePbnText. The
// trick table comes from a DoubleDummyTricks tag (hex digits, declarers N S
// E W, strains NT S H D C), else an OptimumResultTable section giving all
// twenty results, else an Ability tag ("N:ddc88 E:... S:... W:...", the
// same strains); a tag holding "-" or "*", or a table with a result
// missing, leaves the board to be solved. Empty Event, Site and Date tags
// give way to the %HRTitleEvent, %HRTitleSite and %HRTitleDate directives.
bool ReadHandRecords(const std::string& text, const std::string& source, HandRecordFile& out, std::string& error);

// The text of a PBN file as UTF-8. A UTF-8 byte-order mark, or a
// "%Content-type: ...; charset=..." line among the header directives, says
// how the bytes are written (UTF-8, ISO-8859-1, windows-1252); without
// either, bytes that read as UTF-8 are taken as UTF-8 and others as ISO
// 8859-1, the PBN standard's own character set. False with `error` for a
// character set not read here, or bytes that are not what the file declares
// (naming the line, and the board it belongs to).
bool DecodePbnText(const std::string& bytes, std::string& utf8, std::string& error);

// The trick text of a deal (Deals.h: seats N E S W, strains C D H S NT) from
// the 20 characters of a DoubleDummyTricks tag; "" when it is not one.
std::string TrickTextFromPbn(const std::string& tag);

// The name of a card in the errors, e.g. "SK" (suit letter and rank letter).
std::string CardName(char code);

// Keeps only the boards `ranges` names ("1-16,20": numbers and ranges,
// separated by commas), in the file's order. A number named alone must be in
// the file; a range takes what the file has of it, and must take something.
// False with `error` (and `file` as it was) otherwise.
bool SelectHandRecordBoards(HandRecordFile& file, const std::string& ranges, std::string& error);

// "Event, Site, Date" without the parts that are empty.
std::string HandRecordTitle(const HandRecordFile& file);
