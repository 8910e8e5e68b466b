#pragma once
// The records of one printed scorecard as the scoring server sends them, and
// the job in which a team scorecard waits for the printer. Plain values read
// from numeric-key JSON; the layouts and hand diagrams only read them. No
// window or drawing code lives here, so the records can be used (and tested)
// without a display.

#include "foundation/ReadStatus.h"
#include "tournament/Bids.h"
#include "tournament/Deals.h"

#include <json/value.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The most boards one scorecard may list. A session has a few dozen boards
// and even a scorecard over a whole multi-day event a few hundred; every
// board becomes grid rows, so a longer list is refused rather than laid out.
inline constexpr size_t kMaxScorecardBoards = 1000;
// The most lines a team scorecard's totals text may hold. Real totals have a
// handful (IMP, VP, penalties, carry-over); each line becomes a grid row.
inline constexpr size_t kMaxTotalsLines = 100;

// The result of one board in one room (team) or at one table (pair).
class BoardResult {
public:
    BoardResult() = default;
    virtual ~BoardResult() = default;
    BoardResult(const BoardResult&) = default;
    BoardResult& operator=(const BoardResult&) = default;
    BoardResult(BoardResult&&) = default;
    BoardResult& operator=(BoardResult&&) = default;

    virtual int32_t GetDeclarer() const { return declarer; }
    virtual void SetDeclarer(int32_t v) { declarer = v; }
    virtual int32_t GetReserved() const { return reserved; }
    virtual void SetReserved(int32_t v) { reserved = v; }
    virtual std::string GetContract() const { return contract; }
    virtual void SetContract(const std::string& v) { contract = v; }
    virtual std::string GetLead() const { return lead; }
    virtual void SetLead(const std::string& v) { lead = v; }
    virtual std::string GetResult() const { return result; }
    virtual void SetResult(const std::string& v) { result = v; }
    virtual int32_t GetNsScore() const { return nsScore; }
    virtual void SetNsScore(int32_t v) { nsScore = v; }
    virtual std::string GetAuction() const { return auction; }
    virtual void SetAuction(const std::string& v) { auction = v; }

    // Reads "1", "3", "5", "7", "9", "2"; anything missing reads as 0 or "".
    // An auction text of more than kMaxAuctionCalls calls is refused: the
    // auction stays empty and the status says why.
    ReadStatus FromJson(const Json::Value& in);
    // Writes the same members, leaving out zeros and empty texts.
    void ToJson(Json::Value& out) const;
    // The calls of the auction text.
    Auction AuctionCalls() const { return AuctionFromText(auction); }

private:
    int32_t declarer = 0;  // seat; a missing member reads as North
    int32_t reserved = -1; // not carried in JSON
    std::string contract;  // "2NTX", "3S", ... as sent
    std::string lead;
    std::string result;    // "=", "+1", "-1" as sent
    int32_t nsScore = 0;   // signed, from North-South's point of view
    std::string auction;   // two bytes per call
};

// The match totals of a team scorecard, e.g. "IMP,23,28;VP,7.67,12.33".
class TeamTotals {
public:
    class TeamTotal {
    public:
        TeamTotal() = default;
        TeamTotal(std::string labelText, std::string home, std::string away)
            : label(std::move(labelText)), homeValue(std::move(home)), awayValue(std::move(away))
        {
        }
        virtual ~TeamTotal() = default;
        TeamTotal(const TeamTotal&) = default;
        TeamTotal& operator=(const TeamTotal&) = default;
        TeamTotal(TeamTotal&&) = default;
        TeamTotal& operator=(TeamTotal&&) = default;

        virtual std::string GetLabel() const { return label; }
        virtual void SetLabel(const std::string& v) { label = v; }
        virtual std::string GetHomeValue() const { return homeValue; }
        virtual void SetHomeValue(const std::string& v) { homeValue = v; }
        virtual std::string GetAwayValue() const { return awayValue; }
        virtual void SetAwayValue(const std::string& v) { awayValue = v; }

    private:
        std::string label; // "IMP", "VP", ...
        std::string homeValue;
        std::string awayValue;
    };

    // Entries separated by ";", each "label,home,away" (the away value
    // keeps any further commas). A non-empty text replaces the list; an
    // empty one leaves it unchanged. A text of more than kMaxTotalsLines
    // entries is refused: the list is emptied and the status says why.
    ReadStatus ParseText(const std::string& text);
    // The list in the same text form.
    std::string ToText() const;

    size_t size() const { return lines.size(); }
    bool empty() const { return lines.empty(); }
    void clear() { lines.clear(); }
    void push_back(const TeamTotal& line) { lines.push_back(line); }
    const TeamTotal& operator[](size_t i) const { return lines[i]; }
    TeamTotal& operator[](size_t i) { return lines[i]; }
    std::vector<TeamTotal>::const_iterator begin() const { return lines.begin(); }
    std::vector<TeamTotal>::const_iterator end() const { return lines.end(); }

private:
    std::vector<TeamTotal> lines;
};

// One board of a team match.
class TeamBoard {
public:
    TeamBoard() = default;
    virtual ~TeamBoard() = default;
    TeamBoard(const TeamBoard&) = default;
    TeamBoard& operator=(const TeamBoard&) = default;
    TeamBoard(TeamBoard&&) = default;
    TeamBoard& operator=(TeamBoard&&) = default;

    virtual int32_t GetBoardNo() const { return boardNo; }
    virtual void SetBoardNo(int32_t v) { boardNo = v; }
    virtual std::string GetVulMark() const { return vulMark; }
    virtual void SetVulMark(const std::string& v) { vulMark = v; }
    virtual int32_t GetDiff() const { return diff; }
    virtual void SetDiff(int32_t v) { diff = v; }
    virtual std::string GetHomeImps() const { return homeImps; }
    virtual void SetHomeImps(const std::string& v) { homeImps = v; }
    virtual std::string GetAwayImps() const { return awayImps; }
    virtual void SetAwayImps(const std::string& v) { awayImps = v; }

    // Reads "1", "3", "7", "8", "9", then the room objects "5" and "6"; the
    // status is the first refusal of a room.
    ReadStatus FromJson(const Json::Value& in);
    void ToJson(Json::Value& out) const;

private:
    int32_t boardNo = 0;
    std::string vulMark; // " " none, "|" N-S, "-" E-W, "+" both, as sent

public:
    BoardResult openRoom;
    BoardResult closedRoom;

private:
    int32_t diff = 0;     // open-room score minus closed-room score, as sent
    std::string homeImps; // as sent; empty when none
    std::string awayImps;
};

// The whole team scorecard.
class TeamScorecard {
public:
    TeamScorecard() = default;
    virtual ~TeamScorecard() = default;
    TeamScorecard(const TeamScorecard&) = default;
    TeamScorecard& operator=(const TeamScorecard&) = default;
    TeamScorecard(TeamScorecard&&) = default;
    TeamScorecard& operator=(TeamScorecard&&) = default;

    virtual std::string GetHomeTeam() const { return homeTeam; }
    virtual void SetHomeTeam(const std::string& v) { homeTeam = v; }
    virtual std::string GetAwayTeam() const { return awayTeam; }
    virtual void SetAwayTeam(const std::string& v) { awayTeam = v; }
    virtual std::string GetOpenNorth() const { return openNorth; }
    virtual void SetOpenNorth(const std::string& v) { openNorth = v; }
    virtual std::string GetOpenSouth() const { return openSouth; }
    virtual void SetOpenSouth(const std::string& v) { openSouth = v; }
    virtual std::string GetOpenEast() const { return openEast; }
    virtual void SetOpenEast(const std::string& v) { openEast = v; }
    virtual std::string GetOpenWest() const { return openWest; }
    virtual void SetOpenWest(const std::string& v) { openWest = v; }
    virtual std::string GetClosedNorth() const { return closedNorth; }
    virtual void SetClosedNorth(const std::string& v) { closedNorth = v; }
    virtual std::string GetClosedSouth() const { return closedSouth; }
    virtual void SetClosedSouth(const std::string& v) { closedSouth = v; }
    virtual std::string GetClosedEast() const { return closedEast; }
    virtual void SetClosedEast(const std::string& v) { closedEast = v; }
    virtual std::string GetClosedWest() const { return closedWest; }
    virtual void SetClosedWest(const std::string& v) { closedWest = v; }

    // Reads the texts "1" ... "10", the totals "31" (an absent or empty
    // text keeps the totals already held) and the board array "_L". More
    // than kMaxScorecardBoards boards, or a board or totals text over its
    // cap, refuses the scorecard: boards and totals are left empty and the
    // status says why.
    ReadStatus FromJson(const Json::Value& in);
    void ToJson(Json::Value& out) const;

    std::vector<TeamBoard> boards; // in the order received

private:
    std::string homeTeam; // "number.name" as sent
    std::string awayTeam;
    std::string openNorth;
    std::string openSouth;
    std::string openEast;
    std::string openWest;
    std::string closedNorth;
    std::string closedSouth;
    std::string closedEast;
    std::string closedWest;

public:
    TeamTotals sums;
};

// One board of a pair or individual scorecard.
class PairBoard : public BoardResult {
public:
    PairBoard() = default;
    ~PairBoard() override = default;
    PairBoard(const PairBoard&) = default;
    PairBoard& operator=(const PairBoard&) = default;
    PairBoard(PairBoard&&) = default;
    PairBoard& operator=(PairBoard&&) = default;

    virtual int32_t GetBoardNo() const { return boardNo; }
    virtual void SetBoardNo(int32_t v) { boardNo = v; }
    virtual std::string GetBoardText() const { return boardText; }
    virtual void SetBoardText(const std::string& v) { boardText = v; }
    virtual std::string GetNsBoardScore() const { return nsBoardScore; }
    virtual void SetNsBoardScore(const std::string& v) { nsBoardScore = v; }
    virtual std::string GetEwBoardScore() const { return ewBoardScore; }
    virtual void SetEwBoardScore(const std::string& v) { ewBoardScore = v; }
    virtual std::string GetNsPlayers() const { return nsPlayers; }
    virtual void SetNsPlayers(const std::string& v) { nsPlayers = v; }
    virtual std::string GetEwPlayers() const { return ewPlayers; }
    virtual void SetEwPlayers(const std::string& v) { ewPlayers = v; }

    // The room members of the base, then "11", "13", "15" ... "18".
    ReadStatus FromJson(const Json::Value& in);
    void ToJson(Json::Value& out) const;

private:
    int32_t boardNo = 0;
    std::string boardText; // carried along, not displayed
    std::string nsBoardScore;
    std::string ewBoardScore;
    std::string nsPlayers;
    std::string ewPlayers;
};

using PairBoardList = std::vector<PairBoard>;

// Empties `boards` and appends one board per element of the array "_L" of
// `in`, in order. A missing "_L", or one that is not an array, leaves the
// list empty. More than kMaxScorecardBoards boards, or a board over its
// caps, is refused: the list is left empty and the status says why.
ReadStatus ReadPairBoards(PairBoardList& boards, const Json::Value& in);
// Writes the boards as the array "_L" of `out`.
void WritePairBoards(const PairBoardList& boards, Json::Value& out);

// One team scorecard waiting for the printer.
struct TeamScorecardJob {
    TeamScorecard scorecard; // the message's MsgKey::kScorecard
    DealList deals;          // MsgKey::kDeals
    int32_t eventKind = 0;   // MsgKey::kEventKind
    std::string caption;     // MsgKey::kCaption
    std::string scoreLabel;  // MsgKey::kScoreLabel

    // Fills the job from a team scorecard message; members that are missing
    // or of the wrong type read as empty. A message with a list over its cap
    // is refused whole: the job is left empty and the status says why.
    ReadStatus FromMessage(const Json::Value& message);
};

// One pair or individual scorecard waiting for the printer.
struct PairScorecardJob {
    PairBoardList boards;  // the boards under "_L" of MsgKey::kScorecard
    DealList deals;        // MsgKey::kDeals
    int32_t eventKind = 0; // MsgKey::kEventKind
    std::string title;     // MsgKey::kTitle
    std::string subtitle;  // MsgKey::kSubtitle

    // Fills the job from a pair or individual scorecard message, with the
    // same reading rules (and caps) as the team job.
    ReadStatus FromMessage(const Json::Value& message);
};

// A scorecard message of either kind, read.
struct ScorecardJob {
    enum class Kind { Team, Pair };
    Kind kind = Kind::Team;
    TeamScorecardJob team;
    PairScorecardJob pair;
};

// Reads a team (kMsgTeamScorecard) or a pair or individual
// (kMsgPairScorecard) scorecard message into `job`. Any other message id
// (a missing one reads as 0) returns false and leaves `job` unchanged, and so
// does a scorecard message refused for a list over its cap.
bool ReadScorecardMessage(const Json::Value& message, ScorecardJob& job);
// The same; `refusal` receives the reason when a scorecard message was
// refused, and is emptied otherwise.
bool ReadScorecardMessage(const Json::Value& message, ScorecardJob& job, std::string& refusal);
