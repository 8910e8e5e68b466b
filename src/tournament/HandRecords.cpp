#include "tournament/HandRecords.h"

#include "foundation/TextUtil.h"
#include "tournament/Bids.h"
#include "tournament/BridgeBasics.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <optional>
#include <set>

namespace {

// One whitespace-separated word of a section (the calls after an Auction tag).
struct Word {
    std::string text;
    int32_t line = 0;
};

struct Tag {
    std::string name;
    std::string value;
    int32_t line = 0;
    std::vector<Word> section;
};

using Game = std::vector<Tag>;

const Tag* FindTag(const Game& game, const char* name)
{
    for (const Tag& tag : game)
        if (EqualsIgnoreCase(tag.name, name))
            return &tag;
    return nullptr;
}

// Every piece between the separators, empty ones included ("AKQ..." is four
// suits, three of them void).
std::vector<std::string> Pieces(const std::string& text, char separator)
{
    std::vector<std::string> pieces(1);
    for (char c : text) {
        if (c == separator)
            pieces.emplace_back();
        else
            pieces.back() += c;
    }
    return pieces;
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Splits the text into games: a game ends at an empty line, and also where a
// tag it already has comes again (files written without empty lines).
class Scanner {
public:
    explicit Scanner(const std::string& text) : text_(text) {}

    bool Run(std::vector<Game>& games, std::string& error)
    {
        bool lineHasContent = false;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n') {
                if (!lineHasContent)
                    EndGame(games);
                lineHasContent = false;
                ++line_;
                ++pos_;
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
                continue;
            }
            const bool atLineStart = pos_ == 0 || text_[pos_ - 1] == '\n';
            lineHasContent = true;
            if (c == '%' && atLineStart) {
                SkipTo('\n');
            } else if (c == ';') {
                SkipTo('\n');
            } else if (c == '{') {
                const int32_t start = line_;
                while (pos_ < text_.size() && text_[pos_] != '}') {
                    if (text_[pos_] == '\n')
                        ++line_;
                    ++pos_;
                }
                if (pos_ >= text_.size()) {
                    error = "line " + std::to_string(start) + ": a comment opened with '{' is never closed";
                    return false;
                }
                ++pos_;
            } else if (c == '[') {
                if (!ReadTag(games, error))
                    return false;
            } else {
                const size_t start = pos_;
                while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_])) &&
                       text_[pos_] != '[' && text_[pos_] != '{' && text_[pos_] != ';')
                    ++pos_;
                if (!game_.empty())
                    game_.back().section.push_back(Word{text_.substr(start, pos_ - start), line_});
            }
        }
        EndGame(games);
        return true;
    }

private:
    void SkipTo(char end)
    {
        while (pos_ < text_.size() && text_[pos_] != end)
            ++pos_;
    }

    void EndGame(std::vector<Game>& games)
    {
        if (!game_.empty())
            games.push_back(std::move(game_));
        game_.clear();
        names_.clear();
    }

    bool ReadTag(std::vector<Game>& games, std::string& error)
    {
        const int32_t line = line_;
        auto fail = [&](const std::string& what) {
            error = "line " + std::to_string(line) + ": " + what;
            return false;
        };
        ++pos_; // '['
        auto skipBlanks = [&] {
            while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t'))
                ++pos_;
        };
        skipBlanks();
        Tag tag;
        tag.line = line;
        while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
            tag.name += text_[pos_++];
        if (tag.name.empty())
            return fail("a '[' is not followed by a tag name");
        skipBlanks();
        if (pos_ >= text_.size() || text_[pos_] != '"')
            return fail("the tag " + tag.name + " has no quoted value");
        ++pos_;
        while (pos_ < text_.size() && text_[pos_] != '"' && text_[pos_] != '\n') {
            if (text_[pos_] == '\\' && pos_ + 1 < text_.size() && (text_[pos_ + 1] == '"' || text_[pos_ + 1] == '\\'))
                ++pos_;
            tag.value += text_[pos_++];
        }
        if (pos_ >= text_.size() || text_[pos_] != '"')
            return fail("the value of the tag " + tag.name + " is not closed with '\"'");
        ++pos_;
        skipBlanks();
        if (pos_ >= text_.size() || text_[pos_] != ']')
            return fail("the tag " + tag.name + " is not closed with ']'");
        ++pos_;
        // Notes come one after another within a game; any other tag seen
        // again starts the next game.
        const std::string key = ToLower(tag.name);
        if (key != "note" && names_.count(key) != 0)
            EndGame(games);
        names_.insert(key);
        game_.push_back(std::move(tag));
        return true;
    }

    const std::string& text_;
    size_t pos_ = 0;
    int32_t line_ = 1;
    Game game_;
    std::set<std::string> names_; // the current game's tags, lower case
};

std::optional<int32_t> SeatOfLetter(const std::string& text)
{
    if (text.size() != 1)
        return std::nullopt;
    switch (std::toupper(static_cast<unsigned char>(text[0]))) {
    case 'N': return kSeatNorth;
    case 'E': return kSeatEast;
    case 'S': return kSeatSouth;
    case 'W': return kSeatWest;
    default: return std::nullopt;
    }
}

std::string SeatName(int32_t seat)
{
    return SeatWord(seat, kLangEnglish);
}

// The order cards are kept in within a hand (as HandCodes keeps them):
// spades, hearts, clubs, diamonds, each from the ace down.
bool KeptOrder(char a, char b)
{
    static constexpr int32_t kSuitPlace[4] = {2, 3, 1, 0}; // by suit: clubs, diamonds, hearts, spades
    const int32_t pa = kSuitPlace[CardSuit(a)], pb = kSuitPlace[CardSuit(b)];
    if (pa != pb)
        return pa < pb;
    return CardRank(a) > CardRank(b);
}

// Reads the value of a Deal tag into the four hands' card codes.
bool ReadDeal(const std::string& value, std::array<std::string, 4>& hands, std::string& error)
{
    const std::string text = Trimmed(value);
    const std::optional<int32_t> first = text.size() >= 2 && text[1] == ':' ? SeatOfLetter(text.substr(0, 1))
                                                                            : std::nullopt;
    if (!first) {
        error = "the deal \"" + text + "\" does not start with the first hand's seat (\"N:\", \"E:\", \"S:\" or \"W:\")";
        return false;
    }
    const std::vector<std::string> written = SplitTokens(ReplaceAll(text.substr(2), "\t", " "), " ", true);
    if (written.size() != 4) {
        error = "the deal \"" + text + "\" gives " + std::to_string(written.size()) + " hands, not four";
        return false;
    }
    std::array<int32_t, kCardsPerDeal> owner{};
    owner.fill(-1);
    int32_t unknownSeat = -1;
    for (int32_t i = 0; i < 4; ++i) {
        const int32_t seat = (*first + i) % 4;
        const std::string& hand = written[size_t(i)];
        std::string& codes = hands[size_t(seat)];
        codes.clear();
        if (hand == "-") {
            if (unknownSeat >= 0) {
                error = "the hands of " + SeatName(unknownSeat) + " and " + SeatName(seat) +
                        " are both unknown (\"-\"); a hand record needs at least three of the four";
                return false;
            }
            unknownSeat = seat;
            continue;
        }
        const std::vector<std::string> suits = Pieces(ReplaceAll(hand, "10", "T"), '.');
        if (suits.size() != 4) {
            error = SeatName(seat) + "'s hand \"" + hand + "\" has " + std::to_string(suits.size()) +
                    " suits; a hand is written spades.hearts.diamonds.clubs";
            return false;
        }
        static constexpr int32_t kWrittenSuits[4] = {kSuitSpades, kSuitHearts, kSuitDiamonds, kSuitClubs};
        for (size_t s = 0; s < 4; ++s) {
            for (char c : suits[s]) {
                const int32_t rank = RankOfLetter(c);
                if (rank == 0) {
                    error = SeatName(seat) + "'s hand \"" + hand + "\" has '" + std::string(1, c) +
                            "', which is not a rank (2-9, T, J, Q, K, A)";
                    return false;
                }
                const char code = CardCode(kWrittenSuits[s], rank);
                const int32_t index = CardIndex(code);
                if (owner[size_t(index)] >= 0) {
                    error = owner[size_t(index)] == seat
                                ? CardName(code) + " is twice in " + SeatName(seat) + "'s hand"
                                : CardName(code) + " is in both " + SeatName(owner[size_t(index)]) + "'s and " +
                                      SeatName(seat) + "'s hands";
                    return false;
                }
                owner[size_t(index)] = seat;
                codes += code;
            }
        }
    }
    std::string missing;
    int32_t missingCount = 0;
    for (int32_t index = 0; index < kCardsPerDeal; ++index) {
        if (owner[size_t(index)] >= 0)
            continue;
        const char code = static_cast<char>(kFirstCardCode + index);
        if (unknownSeat >= 0) {
            hands[size_t(unknownSeat)] += code;
        } else {
            if (missingCount < 4)
                missing += (missing.empty() ? "" : ", ") + CardName(code);
            ++missingCount;
        }
    }
    if (missingCount > 4)
        missing += " and " + std::to_string(missingCount - 4) + " more";
    for (int32_t seat = 0; seat < 4; ++seat) {
        const size_t count = hands[size_t(seat)].size();
        if (count != size_t(kCardsPerHand)) {
            error = SeatName(seat) + (seat == unknownSeat ? " (the unknown hand) would hold " : " holds ") +
                    std::to_string(count) + " cards, not 13";
            if (!missing.empty())
                error += "; " + missing + (missingCount == 1 ? " is" : " are") + " in no hand";
            return false;
        }
        std::sort(hands[size_t(seat)].begin(), hands[size_t(seat)].end(), KeptOrder);
    }
    return true;
}

bool ReadDealer(const Tag* tag, int32_t board, int32_t& dealer, std::string& error)
{
    const std::string value = tag ? Trimmed(tag->value) : std::string();
    if (value.empty() || value == "?") {
        dealer = BoardDealer(board);
        return true;
    }
    const std::optional<int32_t> seat = SeatOfLetter(value);
    if (!seat) {
        error = "Dealer \"" + value + "\" is not N, E, S or W";
        return false;
    }
    dealer = *seat;
    return true;
}

bool ReadVulnerability(const Tag* tag, int32_t board, int32_t& vulnerability, std::string& error)
{
    const std::string value = tag ? Trimmed(tag->value) : std::string();
    if (value.empty() || value == "?")
        vulnerability = BoardVulnerability(board, 0);
    else if (EqualsIgnoreCase(value, "None") || EqualsIgnoreCase(value, "Love") || value == "-")
        vulnerability = kVulNone;
    else if (EqualsIgnoreCase(value, "NS"))
        vulnerability = kVulNorthSouth;
    else if (EqualsIgnoreCase(value, "EW"))
        vulnerability = kVulEastWest;
    else if (EqualsIgnoreCase(value, "All") || EqualsIgnoreCase(value, "Both"))
        vulnerability = kVulBoth;
    else {
        error = "Vulnerable \"" + value + "\" is not None, NS, EW or All";
        return false;
    }
    return true;
}

// The call code of one written call, or nothing when it is not a call.
std::optional<uint8_t> CallCode(std::string call)
{
    for (char& c : call)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (call == "PASS" || call == "P")
        return kBidPass;
    if (call == "X")
        return kBidDouble;
    if (call == "XX")
        return kBidRedouble;
    if (call.size() < 2 || call[0] < '1' || call[0] > '7')
        return std::nullopt;
    const std::string strain = call.substr(1);
    int32_t s = -1;
    if (strain == "C")
        s = kSuitClubs;
    else if (strain == "D")
        s = kSuitDiamonds;
    else if (strain == "H")
        s = kSuitHearts;
    else if (strain == "S")
        s = kSuitSpades;
    else if (strain == "NT" || strain == "N")
        s = kStrainNoTrump;
    if (s < 0)
        return std::nullopt;
    return static_cast<uint8_t>(kBidFirstContract + 5 * (call[0] - '1') + s);
}

// The calls of an Auction section as the two-bytes-per-call text.
bool ReadAuction(const Tag& tag, std::string& auction, std::string& error)
{
    auction.clear();
    size_t calls = 0;
    bool anyBid = false;
    size_t trailingPasses = 0;
    auto add = [&](uint8_t code, char mark) {
        auction += static_cast<char>(code);
        auction += mark;
        ++calls;
        if (code >= kBidFirstContract && code <= kBidLastContract)
            anyBid = true;
        trailingPasses = code == kBidPass ? trailingPasses + 1 : 0;
    };
    for (const Word& word : tag.section) {
        const std::string& w = word.text;
        if (w.empty() || w[0] == '$' || (w.size() >= 2 && w.front() == '=' && w.back() == '='))
            continue; // a note reference or an annotation
        if (w == "*" || w == "+")
            break; // the rest of the auction is not known
        if (w == "-") {
            add(kBidEmpty, ' '); // a call the file does not know
            continue;
        }
        if (EqualsIgnoreCase(w, "AP")) {
            const size_t closing = anyBid ? 3 : 4;
            while (trailingPasses < closing)
                add(kBidPass, ' ');
            break;
        }
        std::string call = w;
        const bool alerted = call.find('!') != std::string::npos;
        while (!call.empty() && (call.back() == '!' || call.back() == '?'))
            call.pop_back();
        const std::optional<uint8_t> code = CallCode(call);
        if (!code) {
            error = "the auction (line " + std::to_string(word.line) + ") has \"" + w + "\", which is not a call";
            return false;
        }
        add(*code, alerted ? '!' : ' ');
        if (calls > kMaxAuctionCalls) {
            error = "the auction has more than " + std::to_string(kMaxAuctionCalls) + " calls";
            return false;
        }
    }
    return true;
}

// The trick text of an OptimumResultTable section: rows of declarer
// (N, E, S, W), denomination (NT, S, H, D, C) and tricks, in the columns its
// tag names ("Declarer;Denomination\2R;Result\2R"). "" unless the rows
// give all twenty results, each from 0 to 13.
std::string TrickTextFromResultTable(const Tag& tag)
{
    int32_t declarerColumn = -1, strainColumn = -1, resultColumn = -1;
    const std::vector<std::string> columns = Pieces(tag.value, ';');
    for (size_t i = 0; i < columns.size(); ++i) {
        const std::string name = columns[i].substr(0, columns[i].find('\\'));
        if (EqualsIgnoreCase(name, "Declarer"))
            declarerColumn = int32_t(i);
        else if (EqualsIgnoreCase(name, "Denomination"))
            strainColumn = int32_t(i);
        else if (EqualsIgnoreCase(name, "Result"))
            resultColumn = int32_t(i);
    }
    if (declarerColumn < 0 || strainColumn < 0 || resultColumn < 0)
        return {};
    std::string text(20, '?');
    const size_t width = columns.size();
    for (size_t row = 0; row + width <= tag.section.size(); row += width) {
        const std::optional<int32_t> seat = SeatOfLetter(tag.section[row + size_t(declarerColumn)].text);
        std::string strainText = tag.section[row + size_t(strainColumn)].text;
        const std::string& result = tag.section[row + size_t(resultColumn)].text;
        static const char* const kStrains[5] = {"C", "D", "H", "S", "NT"};
        int32_t strain = -1;
        for (int32_t k = 0; k < 5; ++k)
            if (EqualsIgnoreCase(strainText, kStrains[k]) || (k == 4 && EqualsIgnoreCase(strainText, "N")))
                strain = k;
        if (!seat || strain < 0 || result.empty() || result.size() > 2 ||
            result.find_first_not_of("0123456789") != std::string::npos || std::stoi(result) > 13)
            return {};
        text[size_t(*seat * 5 + strain)] = TrickCountChar(std::stoi(result));
    }
    return text.find('?') == std::string::npos ? text : std::string();
}

// The trick text of an Ability tag as dealing programs write it: one group
// a declarer, "N:" then five tricks for NT, S, H, D and C ("N:ddc88
// E:00155 ..."), each a hex digit from 0 to 13 (d). "" unless all four
// declarers are there, each once, with five tricks.
std::string TrickTextFromAbility(const std::string& value)
{
    std::string text(20, '?');
    int32_t groups = 0;
    size_t pos = 0;
    while (pos < value.size()) {
        while (pos < value.size() && std::isspace(static_cast<unsigned char>(value[pos])))
            ++pos;
        if (pos >= value.size())
            break;
        const size_t end = value.find_first_of(" \t", pos);
        const std::string group = value.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? value.size() : end;
        const std::optional<int32_t> seat = group.size() == 7 && group[1] == ':'
                                                ? SeatOfLetter(group.substr(0, 1))
                                                : std::nullopt;
        if (!seat || text[size_t(*seat * 5)] != '?')
            return {};
        // The tag's strains NT, S, H, D, C; ours C, D, H, S, NT.
        for (int32_t k = 0; k < 5; ++k) {
            const int32_t tricks = TrickCountOf(static_cast<char>(std::tolower(static_cast<unsigned char>(group[2 + k]))));
            if (tricks < 0 || tricks > 13)
                return {};
            text[size_t(*seat * 5 + (4 - k))] = TrickCountChar(tricks);
        }
        ++groups;
    }
    return groups == 4 && text.find('?') == std::string::npos ? text : std::string();
}

bool ReadBoard(const Game& game, HandRecordBoard& out, std::string& error)
{
    const Tag* dealTag = FindTag(game, "Deal");
    const Tag* boardTag = FindTag(game, "Board");
    const std::string boardText = boardTag ? Trimmed(boardTag->value) : std::string();
    const bool numbered = !boardText.empty() && boardText.size() <= 6 &&
                          boardText.find_first_not_of("0123456789") == std::string::npos && std::stoi(boardText) >= 1;
    if (!numbered) {
        error = "the deal on line " + std::to_string(dealTag->line) +
                (boardTag ? " has the board number \"" + boardText + "\", which is not a number from 1"
                          : " has no Board tag");
        return false;
    }
    const int32_t board = std::stoi(boardText);
    const std::string where = "board " + std::to_string(board) + ": ";
    std::array<std::string, 4> hands;
    if (!ReadDeal(dealTag->value, hands, error) || !ReadDealer(FindTag(game, "Dealer"), board, out.dealer, error) ||
        !ReadVulnerability(FindTag(game, "Vulnerable"), board, out.vulnerability, error)) {
        error = where + error;
        return false;
    }
    out.deal = Deal();
    out.deal.SetBoard(board);
    out.deal.SetHands(hands[0], hands[1], hands[2], hands[3]);
    out.line = dealTag->line;
    if (const Tag* auction = FindTag(game, "Auction"); auction && !Trimmed(auction->value).empty()) {
        const std::optional<int32_t> first = SeatOfLetter(Trimmed(auction->value));
        if (!first) {
            error = where + "the Auction tag names \"" + auction->value + "\", not N, E, S or W, as the first caller";
            return false;
        }
        if (!ReadAuction(*auction, out.auction, error)) {
            error = where + error;
            return false;
        }
        out.auctionFirst = out.auction.empty() ? -1 : *first;
    }
    std::string tricks;
    if (const Tag* tag = FindTag(game, "DoubleDummyTricks"))
        tricks = TrickTextFromPbn(Trimmed(tag->value));
    if (const Tag* tag = FindTag(game, "OptimumResultTable"); tag && tricks.empty())
        tricks = TrickTextFromResultTable(*tag);
    if (const Tag* tag = FindTag(game, "Ability"); tag && tricks.empty())
        tricks = TrickTextFromAbility(Trimmed(tag->value));
    if (!tricks.empty()) {
        out.deal.SetTrickTexts(tricks);
        out.tricksFromFile = true;
    }
    return true;
}

// The value of a header tag worth printing ("" for "?" and the like).
std::string HeaderValue(const Game& game, const char* name)
{
    const Tag* tag = FindTag(game, name);
    if (tag == nullptr)
        return {};
    const std::string value = Trimmed(tag->value);
    return value.find_first_not_of("?.-#") == std::string::npos ? std::string() : value;
}

// The length of the UTF-8 sequence at `pos`, or 0 when the bytes there are
// not one (overlong forms, surrogates and values past U+10FFFF included).
size_t Utf8SequenceAt(const std::string& text, size_t pos)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    uint32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (pos + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(pos + i) & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
        return 0;
    return length;
}

// Where the first byte that is not UTF-8 stands, or npos when all are.
size_t FirstNotUtf8(const std::string& text)
{
    for (size_t pos = 0; pos < text.size();) {
        const size_t length = Utf8SequenceAt(text, pos);
        if (length == 0)
            return pos;
        pos += length;
    }
    return std::string::npos;
}

// "board 3: line 12" for a byte at `pos`: the line (from 1), after the board
// whose tag comes last before it, if any.
std::string PlaceOfByte(const std::string& text, size_t pos)
{
    const std::string line = "line " + std::to_string(std::count(text.begin(), text.begin() + pos, '\n') + 1);
    const size_t tag = text.rfind("[Board \"", pos);
    if (tag == std::string::npos)
        return line;
    const size_t from = tag + 8;
    const size_t to = text.find('"', from);
    const std::string number = to == std::string::npos || to > pos ? std::string() : text.substr(from, to - from);
    if (number.empty() || number.size() > 6 || number.find_first_not_of("0123456789") != std::string::npos)
        return line;
    return "board " + number + ": " + line;
}

void AppendUtf8(std::string& out, uint32_t value)
{
    if (value < 0x80) {
        out += static_cast<char>(value);
    } else if (value < 0x800) {
        out += static_cast<char>(0xC0 | (value >> 6));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (value >> 12));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    }
}

// Bytes of ISO 8859-1 (`windows1252`: of windows-1252, whose 0x80-0x9F are
// printable signs instead of control codes) as UTF-8.
std::string Latin1ToUtf8(const std::string& text, bool windows1252)
{
    // windows-1252's 0x80-0x9F; 0 where it has no character.
    static constexpr uint16_t kWindows1252[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        uint32_t value = byte;
        if (windows1252 && byte >= 0x80 && byte <= 0x9F && kWindows1252[byte - 0x80] != 0)
            value = kWindows1252[byte - 0x80];
        AppendUtf8(out, value);
    }
    return out;
}

// The character set a "%Content-type: text/x-pbn; charset=..." line (or
// any "%" line naming a charset) declares, in lower case; "" for none.
std::string DeclaredCharset(const std::string& text)
{
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = std::min(text.find('\n', pos), text.size());
        if (text[pos] == '%') {
            const std::string line = ToLower(text.substr(pos, end - pos));
            if (const size_t at = line.find("charset="); at != std::string::npos) {
                std::string name = line.substr(at + 8);
                const size_t stop = name.find_first_of(" \t\r;\"'");
                if (stop != std::string::npos)
                    name = name.substr(0, stop);
                return name;
            }
        } else if (text[pos] == '[') {
            break; // the header directives come before the first tag
        }
        pos = end + 1;
    }
    return {};
}

// The value of a "%HRTitleEvent ..." directive (quotes taken off), or "".
std::string TitleDirective(const std::string& text, const char* name)
{
    const std::string key = std::string("%") + name;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = std::min(text.find('\n', pos), text.size());
        if (text.compare(pos, key.size(), key) == 0 &&
            (pos + key.size() == end || std::isspace(static_cast<unsigned char>(text[pos + key.size()])))) {
            std::string value = Trimmed(text.substr(pos + key.size(), end - pos - key.size()));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            return Trimmed(value);
        }
        pos = end + 1;
    }
    return {};
}

} // namespace

bool DecodePbnText(const std::string& bytes, std::string& utf8, std::string& error)
{
    static const std::string kBom = "\xEF\xBB\xBF";
    const bool bom = bytes.compare(0, kBom.size(), kBom) == 0;
    const std::string text = bom ? bytes.substr(kBom.size()) : bytes;
    std::string charset = bom ? std::string("utf-8") : DeclaredCharset(text);
    if (charset == "utf8")
        charset = "utf-8";
    if (charset.empty()) {
        // Undeclared: UTF-8 when every byte reads as UTF-8 (plain ASCII
        // does), and otherwise the PBN standard's own ISO 8859-1.
        utf8 = FirstNotUtf8(text) == std::string::npos ? text : Latin1ToUtf8(text, false);
        return true;
    }
    if (charset == "utf-8" || charset == "us-ascii" || charset == "ascii") {
        if (const size_t bad = FirstNotUtf8(text); bad != std::string::npos) {
            error = PlaceOfByte(text, bad) + " is not " + (charset == "utf-8" ? "UTF-8" : "ASCII") +
                    ", the character set the file " + (bom ? "marks" : "declares");
            return false;
        }
        utf8 = text;
        return true;
    }
    if (charset == "iso-8859-1" || charset == "iso8859-1" || charset == "latin1" || charset == "latin-1" ||
        charset == "l1") {
        utf8 = Latin1ToUtf8(text, false);
        return true;
    }
    if (charset == "windows-1252" || charset == "cp1252") {
        utf8 = Latin1ToUtf8(text, true);
        return true;
    }
    error = "the file declares the character set \"" + charset +
            "\", which is not one read here (UTF-8, ISO-8859-1, windows-1252)";
    return false;
}

std::string CardName(char code)
{
    static constexpr char kSuitLetters[] = "CDHS";
    const int32_t suit = CardSuit(code);
    if (suit < 0)
        return "?";
    return std::string(1, kSuitLetters[suit]) + RankLetters(std::string(1, code));
}

std::string TrickTextFromPbn(const std::string& tag)
{
    if (tag.size() != 20)
        return {};
    // The tag: declarers N, S, E, W, each strains NT, S, H, D, C. Ours:
    // seats N, E, S, W, each strains C, D, H, S, NT.
    static constexpr int32_t kTagSeat[4] = {0, 2, 1, 3}; // our seat -> its group in the tag
    static constexpr int32_t kTagStrain[5] = {4, 3, 2, 1, 0}; // our strain -> its place in the group
    std::string text;
    for (int32_t seat = 0; seat < 4; ++seat) {
        for (int32_t strain = 0; strain < 5; ++strain) {
            const char c = tag[size_t(kTagSeat[seat] * 5 + kTagStrain[strain])];
            const int32_t tricks = TrickCountOf(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
            if (tricks < 0)
                return {};
            text += TrickCountChar(tricks);
        }
    }
    return text;
}

bool SelectHandRecordBoards(HandRecordFile& file, const std::string& ranges, std::string& error)
{
    std::set<int32_t> present;
    for (const HandRecordBoard& board : file.boards)
        present.insert(board.deal.GetBoard());
    std::set<int32_t> wanted;
    for (const std::string& raw : Pieces(ranges, ',')) {
        const std::string part = Trimmed(raw);
        const size_t dash = part.find('-');
        const std::string low = Trimmed(part.substr(0, dash));
        const std::string high = dash == std::string::npos ? low : Trimmed(part.substr(dash + 1));
        const auto number = [](const std::string& text) {
            return !text.empty() && text.size() <= 6 && text.find_first_not_of("0123456789") == std::string::npos
                       ? std::stoi(text)
                       : -1;
        };
        const int32_t from = number(low), to = number(high);
        if (from < 1 || to < from) {
            error = "\"" + part + "\" in the boards \"" + ranges + "\" is not a board number or a range such as 1-16";
            return false;
        }
        size_t taken = 0;
        for (auto it = present.lower_bound(from); it != present.end() && *it <= to; ++it, ++taken)
            wanted.insert(*it);
        if (taken == 0) {
            error = dash == std::string::npos ? "board " + low + " is not in the file"
                                              : "no board of " + part + " is in the file";
            return false;
        }
    }
    if (wanted.empty()) {
        error = "no boards named (\"" + ranges + "\")";
        return false;
    }
    std::vector<HandRecordBoard> kept;
    for (HandRecordBoard& board : file.boards)
        if (wanted.count(board.deal.GetBoard()) != 0)
            kept.push_back(std::move(board));
    file.boards = std::move(kept);
    return true;
}

std::string HandRecordTitle(const HandRecordFile& file)
{
    std::string title;
    for (const std::string* part : {&file.event, &file.site, &file.date})
        if (!part->empty())
            title += (title.empty() ? "" : ", ") + *part;
    return title;
}

bool ReadHandRecords(const std::string& text, const std::string& source, HandRecordFile& out, std::string& error)
{
    out = HandRecordFile();
    std::string decoded;
    if (!DecodePbnText(text, decoded, error)) {
        error = source + ": " + error;
        return false;
    }
    decoded = NormaliseLineEnds(decoded, "\n");
    std::vector<Game> games;
    if (!Scanner(decoded).Run(games, error)) {
        error = source + ": " + error;
        return false;
    }
    HandRecordFile file;
    std::map<std::string, Tag> previous; // by tag name, for "#"
    std::map<int32_t, size_t> seen;      // board number -> index in file.boards
    for (Game& game : games) {
        for (Tag& tag : game) {
            if (Trimmed(tag.value) == "#") {
                if (auto it = previous.find(ToLower(tag.name)); it != previous.end()) {
                    tag.value = it->second.value;
                    if (tag.section.empty())
                        tag.section = it->second.section;
                }
            }
        }
        for (const Tag& tag : game)
            previous[ToLower(tag.name)] = tag;
        if (file.event.empty() && file.site.empty() && file.date.empty()) {
            file.event = HeaderValue(game, "Event");
            file.site = HeaderValue(game, "Site");
            file.date = HeaderValue(game, "Date");
        }
        if (FindTag(game, "Deal") == nullptr)
            continue; // a game of tags about the event, or a result without its deal
        HandRecordBoard board;
        if (!ReadBoard(game, board, error)) {
            error = source + ": " + error;
            return false;
        }
        const int32_t number = board.deal.GetBoard();
        if (auto it = seen.find(number); it != seen.end()) {
            const HandRecordBoard& first = file.boards[it->second];
            if (first.deal.GetDeal() != board.deal.GetDeal()) {
                error = source + ": board " + std::to_string(number) + " appears twice with different deals (lines " +
                        std::to_string(first.line) + " and " + std::to_string(board.line) + ")";
                return false;
            }
            continue; // the same board played at another table
        }
        if (file.boards.size() >= kMaxHandRecordBoards) {
            error = source + " holds more than " + std::to_string(kMaxHandRecordBoards) + " boards";
            return false;
        }
        seen[number] = file.boards.size();
        file.boards.push_back(std::move(board));
    }
    if (file.boards.empty()) {
        error = source + " holds no deal (no game with a Deal tag)";
        return false;
    }
    // Hand-record editors often leave the tags empty and write the title in
    // their own header directives.
    if (file.event.empty() && file.site.empty() && file.date.empty()) {
        file.event = TitleDirective(decoded, "HRTitleEvent");
        file.site = TitleDirective(decoded, "HRTitleSite");
        file.date = TitleDirective(decoded, "HRTitleDate");
    }
    out = std::move(file);
    return true;
}
