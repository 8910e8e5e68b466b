#include "Tournament.h"

#include "foundation/Files.h"
#include "foundation/NumericJson.h"
#include "tournament/BridgeBasics.h"
#include "tournament/Deals.h"

#include <json/writer.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <utility>

namespace sim {

size_t Tournament::EntryCount() const
{
    size_t n = 0;
    for (const Section& s : sections)
        n += s.entries.size();
    return n;
}

Entry* Tournament::Find(int32_t sectionId, int32_t number, Section** section)
{
    for (Section& s : sections) {
        if (s.id != sectionId)
            continue;
        for (Entry& e : s.entries) {
            if (e.number == number) {
                if (section)
                    *section = &s;
                return &e;
            }
        }
    }
    return nullptr;
}

const char* KindName(SectionKind kind)
{
    switch (kind) {
    case SectionKind::Team:
        return "team";
    case SectionKind::Pair:
        return "pair";
    case SectionKind::Individual:
        return "individual";
    }
    return "team";
}

namespace {

bool IsInt(const Json::Value& v)
{
    return v.isInt();
}

constexpr const char* kSeatNames[4] = {"north", "east", "south", "west"};
constexpr const char* kRanks = "AKQJT98765432";
constexpr const char* kSuits = "SHDC";

// Why `pbn` (a deal as "N:hand hand hand hand", each hand spades.hearts.
// diamonds.clubs) is not 52 distinct cards, said the way a person fixes it:
// the hand and the card at fault, a missing card, a card given twice.
std::string DiagnosePbn(const std::string& pbn)
{
    if (pbn.size() < 2 || pbn[1] != ':' || std::string("NESWnesw").find(pbn[0]) == std::string::npos)
        return "must start with the first hand's seat and a colon, as in \"N:AKQ.JT9.876.5432 ...\"";
    const int32_t first = int32_t(std::string("NESW").find(char(std::toupper(static_cast<unsigned char>(pbn[0])))));
    std::vector<std::string> hands;
    std::string current;
    for (size_t i = 2; i < pbn.size(); ++i) {
        if (pbn[i] == ' ') {
            if (!current.empty())
                hands.push_back(current);
            current.clear();
        } else {
            current += pbn[i];
        }
    }
    if (!current.empty())
        hands.push_back(current);
    if (hands.size() != 4)
        return "holds " + std::to_string(hands.size()) + " hands separated by spaces, not 4";
    std::map<std::string, std::vector<std::string>> holders; // card -> the hands holding it
    for (int32_t h = 0; h < 4; ++h) {
        const std::string seat = kSeatNames[(first + h) % 4];
        const std::string& hand = hands[size_t(h)];
        int32_t suit = 0;
        for (size_t i = 0; i < hand.size(); ++i) {
            const char c = hand[i];
            if (c == '.') {
                if (++suit > 3)
                    return "the " + seat + " hand has more than 4 suits (3 dots)";
                continue;
            }
            if (c == '1' && i + 1 < hand.size() && hand[i + 1] == '0')
                return "the " + seat + " hand writes a ten as \"10\"; write it as T";
            const char rank = char(std::toupper(static_cast<unsigned char>(c)));
            if (std::strchr(kRanks, rank) == nullptr || rank == '\0')
                return "the " + seat + " hand holds \"" + std::string(1, c) +
                       "\", which is not a card (A K Q J T 9 ... 2)";
            holders[std::string(1, kSuits[suit]) + rank].push_back(seat);
        }
        if (suit != 3)
            return "the " + seat + " hand has " + std::to_string(suit + 1) + " suits; give all 4, separated by dots";
    }
    std::string twice;
    std::string missing;
    for (const char* suit = kSuits; *suit; ++suit) {
        for (const char* rank = kRanks; *rank; ++rank) {
            const std::string card = std::string(1, *suit) + *rank;
            const auto it = holders.find(card);
            if (it == holders.end())
                missing += (missing.empty() ? "" : " ") + card;
            else if (it->second.size() > 1) {
                std::vector<std::string> seats = it->second;
                seats.erase(std::unique(seats.begin(), seats.end()), seats.end());
                std::string who = seats.size() == 1 ? "twice in the " + seats[0] + " hand" : "";
                for (size_t k = 0; seats.size() > 1 && k < seats.size(); ++k)
                    who += (k == 0 ? "" : " and ") + seats[k];
                twice += (twice.empty() ? "" : ", ") + card + " (" + who + ")";
            }
        }
    }
    if (!twice.empty())
        return "has cards given twice: " + twice + (missing.empty() ? "" : "; missing: " + missing);
    if (!missing.empty())
        return "is missing " + missing;
    return "is not a complete deal";
}

// Notes members of `object` that the format does not know, and known text
// members given as something else, in `warnings`.
void CheckMembers(const Json::Value& object, const std::string& where, const std::set<std::string>& known,
                  const std::set<std::string>& texts, std::vector<std::string>* warnings)
{
    if (warnings == nullptr || !object.isObject())
        return;
    for (const std::string& name : object.getMemberNames()) {
        if (known.count(name) == 0)
            warnings->push_back(where + ": unknown member \"" + name + "\" is ignored (names are case-sensitive)");
        else if (texts.count(name) != 0 && !object[name].isString())
            warnings->push_back(where + ": \"" + name + "\" should be a text in quotes; " +
                                (object[name].isNumeric() ? "the number " + NumericJson::WriteCompact(object[name])
                                                          : std::string("this value")) +
                                " is read as empty");
    }
}

// Reads one deal: either the wire form {"1","2","3"} or the readable form
// {"board", "pbn", "tricks"}.
bool ReadDeal(const Json::Value& in, Json::Value& out, std::string& error)
{
    if (!in.isObject()) {
        error = "a deal is not an object";
        return false;
    }
    out = Json::Value(Json::objectValue);
    if (in.isMember("pbn")) {
        const int32_t board = NumericJson::ReadInt(in, "board");
        const std::string pbn = NumericJson::ReadText(in, "pbn");
        if (board < 1) {
            error = "a deal's \"board\" must be a board number from 1 up, not " +
                    (in.isMember("board") ? NumericJson::WriteCompact(in["board"]) : std::string("missing"));
            return false;
        }
        DealList parsed;
        ParsePbn("[Board \"" + std::to_string(board) + "\"]\n[Deal \"" + pbn + "\"]\n", parsed);
        if (parsed.size() != 1) {
            error = "board " + std::to_string(board) + ": \"pbn\" " + DiagnosePbn(pbn);
            return false;
        }
        out["1"] = board;
        out["2"] = parsed[0].GetDeal();
        NumericJson::WriteText(out, "3", NumericJson::ReadText(in, "tricks"));
        return true;
    }
    const int32_t board = NumericJson::ReadInt(in, "1");
    const std::string deal = NumericJson::ReadText(in, "2");
    if (!deal.empty() && !IsValidDeal(deal)) {
        error = "board " + std::to_string(board) + ": \"2\" is not 52 distinct card codes";
        return false;
    }
    NumericJson::WriteInt(out, "1", board);
    NumericJson::WriteText(out, "2", deal);
    NumericJson::WriteText(out, "3", NumericJson::ReadText(in, "3"));
    return true;
}

bool ReadDeals(const Json::Value& in, Json::Value& out, std::string& error, const std::string& where,
               std::vector<std::string>* warnings)
{
    out = Json::Value(Json::arrayValue);
    if (in.isNull())
        return true;
    if (!in.isArray()) {
        error = "\"deals\" is not an array";
        return false;
    }
    for (const Json::Value& d : in) {
        if (d.isMember("pbn"))
            CheckMembers(d, where + ", board " + std::to_string(NumericJson::ReadInt(d, "board")),
                         {"board", "pbn", "tricks"}, {"pbn", "tricks"}, warnings);
        Json::Value one;
        if (!ReadDeal(d, one, error))
            return false;
        out.append(one);
    }
    return true;
}

// The readable form of a deal for the files we write.
Json::Value WriteDeal(const Json::Value& wire)
{
    Json::Value out(Json::objectValue);
    out["board"] = NumericJson::ReadInt(wire, "1");
    const std::string codes = NumericJson::ReadText(wire, "2");
    if (IsValidDeal(codes)) {
        std::string pbn = "N:";
        for (int32_t seat = 0; seat < 4; ++seat) {
            const std::string hand = codes.substr(size_t(seat) * 13, 13);
            if (seat > 0)
                pbn += ' ';
            for (int32_t suit = 3; suit >= 0; --suit) {
                pbn += RankLetters(SuitCards(hand, suit));
                if (suit > 0)
                    pbn += '.';
            }
        }
        out["pbn"] = pbn;
    }
    const std::string tricks = NumericJson::ReadText(wire, "3");
    if (!tricks.empty())
        out["tricks"] = tricks;
    return out;
}

bool Fail(std::string& error, const std::string& where, const std::string& what)
{
    error = where + ": " + what;
    return false;
}

} // namespace

bool TournamentFromJson(const Json::Value& in, Tournament& out, std::string& error,
                        std::vector<std::string>* warnings)
{
    out = Tournament();
    if (!in.isObject())
        return Fail(error, "tournament", "the file does not hold a JSON object");
    CheckMembers(in, "tournament", {"event", "sections"}, {"event"}, warnings);
    out.eventText = NumericJson::ReadText(in, "event");
    const Json::Value* sections = NumericJson::Member(in, "sections");
    if (!sections || !sections->isArray() || sections->empty())
        return Fail(error, "tournament", "\"sections\" must be a non-empty array");
    std::set<int32_t> sectionIds;
    for (Json::ArrayIndex i = 0; i < sections->size(); ++i) {
        const Json::Value& s = (*sections)[i];
        const std::string where = "section " + std::to_string(i + 1);
        if (!s.isObject())
            return Fail(error, where, "not an object");
        CheckMembers(s, where,
                     {"id", "name", "kind", "eventKind", "caption", "scoreLabel", "deals", "entries"},
                     {"name", "kind", "caption", "scoreLabel"}, warnings);
        Section section;
        const Json::Value* id = NumericJson::Member(s, "id");
        if (!id || !IsInt(*id))
            return Fail(error, where, "\"id\" must be an integer");
        section.id = id->asInt();
        if (!sectionIds.insert(section.id).second)
            return Fail(error, where, "section id " + std::to_string(section.id) + " is used twice");
        section.name = NumericJson::ReadText(s, "name");
        if (section.name.empty())
            return Fail(error, where, "\"name\" must be a non-empty text");
        const std::string kind = NumericJson::ReadText(s, "kind");
        if (kind == "team")
            section.kind = SectionKind::Team;
        else if (kind == "pair")
            section.kind = SectionKind::Pair;
        else if (kind == "individual")
            section.kind = SectionKind::Individual;
        else
            return Fail(error, where, "\"kind\" must be \"team\", \"pair\" or \"individual\"");
        section.eventKind = NumericJson::ReadInt(s, "eventKind");
        section.caption = NumericJson::ReadText(s, "caption");
        section.scoreLabel = NumericJson::ReadText(s, "scoreLabel");
        const Json::Value* deals = NumericJson::Member(s, "deals");
        if (!ReadDeals(deals ? *deals : Json::Value(), section.deals, error, where, warnings))
            return Fail(error, where, error);
        const Json::Value* entries = NumericJson::Member(s, "entries");
        if (!entries || !entries->isArray())
            return Fail(error, where, "\"entries\" must be an array");
        std::set<int32_t> numbers;
        for (Json::ArrayIndex k = 0; k < entries->size(); ++k) {
            const Json::Value& e = (*entries)[k];
            const std::string at = where + ", entry " + std::to_string(k + 1);
            if (!e.isObject())
                return Fail(error, at, "not an object");
            CheckMembers(e, at,
                         {"number", "name", "printed", "scorecard", "title", "subtitle", "caption", "deals"},
                         {"name", "title", "subtitle", "caption"}, warnings);
            Entry entry;
            const Json::Value* number = NumericJson::Member(e, "number");
            if (!number || !IsInt(*number))
                return Fail(error, at, "\"number\" must be an integer");
            entry.number = number->asInt();
            if (!numbers.insert(entry.number).second)
                return Fail(error, at, "number " + std::to_string(entry.number) + " is used twice");
            entry.name = NumericJson::ReadText(e, "name");
            const Json::Value* printed = NumericJson::Member(e, "printed");
            entry.printed = printed && printed->isBool() ? printed->asBool() : (printed && NumericJson::AsFlag(*printed));
            const Json::Value* card = NumericJson::Member(e, "scorecard");
            entry.scorecard = card && card->isObject() ? *card : Json::Value(Json::objectValue);
            if (card && !card->isObject())
                return Fail(error, at, "\"scorecard\" must be an object");
            entry.title = NumericJson::ReadText(e, "title");
            entry.subtitle = NumericJson::ReadText(e, "subtitle");
            entry.caption = NumericJson::ReadText(e, "caption");
            if (const Json::Value* own = NumericJson::Member(e, "deals")) {
                if (!ReadDeals(*own, entry.deals, error, at, warnings))
                    return Fail(error, at, error);
            }
            section.entries.push_back(std::move(entry));
        }
        out.sections.push_back(std::move(section));
    }
    return true;
}

bool LoadTournamentFile(const std::string& path, Tournament& out, std::string& error,
                        std::vector<std::string>* warnings)
{
    // A tournament file with every hand of a large event is far beyond the
    // kiosk's small-file cap; it is still a file, never a FIFO or a device.
    constexpr size_t kTournamentFileCap = 256 * 1024 * 1024;
    const std::string text = ReadWholeFile(path, kTournamentFileCap);
    if (text.empty())
        return Fail(error, path, "cannot be read or is empty");
    Json::Value value;
    if (!NumericJson::Parse(text, value))
        return Fail(error, path, "is not valid JSON");
    std::vector<std::string> found;
    if (!TournamentFromJson(value, out, error, &found)) {
        error = path + ": " + error;
        return false;
    }
    if (warnings != nullptr)
        for (const std::string& w : found)
            warnings->push_back(path + ": " + w);
    return true;
}

std::string TournamentFileText(const Tournament& tournament)
{
    // Indented, one member a line, so that a director can edit it by hand.
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, TournamentToJson(tournament)) + "\n";
}

Json::Value TournamentToJson(const Tournament& tournament)
{
    Json::Value out(Json::objectValue);
    out["event"] = tournament.eventText;
    Json::Value sections(Json::arrayValue);
    for (const Section& s : tournament.sections) {
        Json::Value section(Json::objectValue);
        section["id"] = s.id;
        section["name"] = s.name;
        section["kind"] = KindName(s.kind);
        section["eventKind"] = s.eventKind;
        if (!s.caption.empty())
            section["caption"] = s.caption;
        if (!s.scoreLabel.empty())
            section["scoreLabel"] = s.scoreLabel;
        Json::Value deals(Json::arrayValue);
        for (const Json::Value& d : s.deals)
            deals.append(WriteDeal(d));
        section["deals"] = deals;
        Json::Value entries(Json::arrayValue);
        for (const Entry& e : s.entries) {
            Json::Value entry(Json::objectValue);
            entry["number"] = e.number;
            entry["name"] = e.name;
            if (e.printed)
                entry["printed"] = true;
            if (!e.title.empty())
                entry["title"] = e.title;
            if (!e.subtitle.empty())
                entry["subtitle"] = e.subtitle;
            if (!e.caption.empty())
                entry["caption"] = e.caption;
            if (e.deals.isArray()) {
                Json::Value own(Json::arrayValue);
                for (const Json::Value& d : e.deals)
                    own.append(WriteDeal(d));
                entry["deals"] = own;
            }
            entry["scorecard"] = e.scorecard;
            entries.append(entry);
        }
        section["entries"] = entries;
        sections.append(section);
    }
    out["sections"] = sections;
    return out;
}

} // namespace sim
