#pragma once
// What the reference scoring server knows about its tournament: sections of
// a team, pair or individual event, the entries that may print, and for each
// entry the scorecard that a print request returns. The scorecards are kept
// in the wire form of the scorecard messages, so the server sends exactly
// what the tournament file (or the built-in sample) holds.

#include <json/value.h>

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

enum class SectionKind { Team, Pair, Individual };

struct Entry {
    int32_t number = 0;   // team or pair number; negative for East-West pairs
    std::string name;
    bool printed = false;
    Json::Value scorecard; // message member "66": team object or {"_L":[...]}
    std::string title;     // pair/individual: "87"
    std::string subtitle;  // pair/individual: "88"
    std::string caption;   // team: "83"; empty takes the section's caption
    Json::Value deals;     // "85"; null takes the section's deals
};

struct Section {
    int32_t id = 0;
    std::string name;
    SectionKind kind = SectionKind::Team;
    int32_t eventKind = 0;
    std::string caption;    // team: "83"
    std::string scoreLabel; // team: "102"
    Json::Value deals{Json::arrayValue}; // "85": [{"1":board,"2":codes,"3":tricks}]
    std::vector<Entry> entries;
};

struct Tournament {
    std::string eventText; // "1" of every list reply
    std::vector<Section> sections;

    size_t EntryCount() const;
    Entry* Find(int32_t sectionId, int32_t number, Section** section = nullptr);
};

const char* KindName(SectionKind kind);

// Reads the tournament file format (docs/scoring-server.md). False with a
// readable `error` when the text is not a valid tournament.
// Members the format does not know and texts given as numbers do not stop the
// reading; each is described in `warnings` when given.
bool TournamentFromJson(const Json::Value& in, Tournament& out, std::string& error,
                        std::vector<std::string>* warnings = nullptr);
bool LoadTournamentFile(const std::string& path, Tournament& out, std::string& error,
                        std::vector<std::string>* warnings = nullptr);
// The tournament as an indented file a person can read and edit.
std::string TournamentFileText(const Tournament& tournament);
// Writes a tournament in the same format (the sample can be saved as a
// starting point for one's own file).
Json::Value TournamentToJson(const Tournament& tournament);

// The built-in sample: a team event in two sections and a pair event in two
// sections (one of 24 pairs), with full deals, trick tables and auctions.
Tournament SampleTournament();

} // namespace sim
