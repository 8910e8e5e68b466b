#include "scorecard/ScorecardRecords.h"

#include "comm/ProtocolKeys.h"
#include "foundation/NumericJson.h"
#include "foundation/TextUtil.h"

using namespace NumericJson;

// ---------------------------------------------------------------------------
// BoardResult

ReadStatus BoardResult::FromJson(const Json::Value& in)
{
    SetDeclarer(ReadInt(in, "1"));
    SetContract(ReadText(in, "3"));
    SetLead(ReadText(in, "5"));
    SetResult(ReadText(in, "7"));
    SetNsScore(ReadInt(in, "9"));
    std::string auctionText = ReadText(in, "2");
    // Two bytes per call; an incomplete last pair is not a call.
    ReadStatus status = CheckListSize("the auction calls of a board", auctionText.size() / 2, kMaxAuctionCalls);
    if (!status.ok)
        auctionText.clear();
    SetAuction(auctionText);
    return status;
}

void BoardResult::ToJson(Json::Value& out) const
{
    out = Json::Value(Json::objectValue);
    WriteInt(out, "1", GetDeclarer());
    WriteText(out, "3", GetContract());
    WriteText(out, "5", GetLead());
    WriteText(out, "7", GetResult());
    WriteInt(out, "9", GetNsScore());
    WriteText(out, "2", GetAuction());
}

// ---------------------------------------------------------------------------
// TeamTotals

ReadStatus TeamTotals::ParseText(const std::string& text)
{
    if (text.empty())
        return ReadStatus::Accepted();
    lines.clear();
    // Counted before anything is built, so an over-long text costs one walk.
    ReadStatus status =
        CheckListSize("the totals lines of the team scorecard", CountTokens(text, ";"), kMaxTotalsLines);
    if (!status.ok)
        return status;
    // The readers move along the text instead of erasing its front, so the
    // whole text is read in time linear in its length.
    for (TokenReader entries(text, ";"); !entries.AtEnd();) {
        TokenReader fields(entries.Next(), ",");
        std::string label(fields.Next());
        std::string home(fields.Next());
        lines.emplace_back(std::move(label), std::move(home), std::string(fields.Rest()));
    }
    return status;
}

std::string TeamTotals::ToText() const
{
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += ";";
        text += lines[i].GetLabel() + "," + lines[i].GetHomeValue() + "," + lines[i].GetAwayValue();
    }
    return text;
}

// ---------------------------------------------------------------------------
// TeamBoard

ReadStatus TeamBoard::FromJson(const Json::Value& in)
{
    SetBoardNo(ReadInt(in, "1"));
    SetVulMark(ReadText(in, "3"));
    SetDiff(ReadInt(in, "7"));
    SetHomeImps(ReadText(in, "8"));
    SetAwayImps(ReadText(in, "9"));
    ReadStatus open = openRoom.FromJson(ReadObject(in, "5"));
    ReadStatus closed = closedRoom.FromJson(ReadObject(in, "6"));
    return open.ok ? closed : open;
}

void TeamBoard::ToJson(Json::Value& out) const
{
    out = Json::Value(Json::objectValue);
    WriteInt(out, "1", GetBoardNo());
    WriteText(out, "3", GetVulMark());
    WriteInt(out, "7", GetDiff());
    WriteText(out, "8", GetHomeImps());
    WriteText(out, "9", GetAwayImps());
    Json::Value room;
    openRoom.ToJson(room);
    if (room.size() > 0)
        out["5"] = room;
    closedRoom.ToJson(room);
    if (room.size() > 0)
        out["6"] = room;
}

// ---------------------------------------------------------------------------
// TeamScorecard

ReadStatus TeamScorecard::FromJson(const Json::Value& in)
{
    SetHomeTeam(ReadText(in, "1"));
    SetAwayTeam(ReadText(in, "2"));
    SetOpenNorth(ReadText(in, "3"));
    SetOpenSouth(ReadText(in, "4"));
    SetOpenEast(ReadText(in, "5"));
    SetOpenWest(ReadText(in, "6"));
    SetClosedNorth(ReadText(in, "7"));
    SetClosedSouth(ReadText(in, "8"));
    SetClosedEast(ReadText(in, "9"));
    SetClosedWest(ReadText(in, "10"));
    boards.clear();
    ReadStatus status = sums.ParseText(ReadText(in, "31"));
    const Json::Value& list = ReadArray(in, "_L");
    if (status.ok)
        status = CheckListSize("the boards of the team scorecard", list.size(), kMaxScorecardBoards);
    if (!status.ok) {
        sums.clear();
        return status;
    }
    boards.reserve(list.size());
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        TeamBoard board;
        status = board.FromJson(list[i]); // an element that is not an object reads as an empty board
        if (!status.ok) {
            boards.clear();
            sums.clear();
            return status;
        }
        boards.push_back(std::move(board));
    }
    return status;
}

void TeamScorecard::ToJson(Json::Value& out) const
{
    out = Json::Value(Json::objectValue);
    WriteText(out, "1", GetHomeTeam());
    WriteText(out, "2", GetAwayTeam());
    WriteText(out, "3", GetOpenNorth());
    WriteText(out, "4", GetOpenSouth());
    WriteText(out, "5", GetOpenEast());
    WriteText(out, "6", GetOpenWest());
    WriteText(out, "7", GetClosedNorth());
    WriteText(out, "8", GetClosedSouth());
    WriteText(out, "9", GetClosedEast());
    WriteText(out, "10", GetClosedWest());
    WriteText(out, "31", sums.ToText());
    Json::Value list(Json::arrayValue);
    for (const TeamBoard& board : boards) {
        Json::Value element;
        board.ToJson(element);
        list.append(std::move(element));
    }
    out["_L"] = std::move(list);
}

// ---------------------------------------------------------------------------
// PairBoard

ReadStatus PairBoard::FromJson(const Json::Value& in)
{
    ReadStatus status = BoardResult::FromJson(in);
    SetBoardNo(ReadInt(in, "11"));
    SetBoardText(ReadText(in, "13"));
    SetNsBoardScore(ReadText(in, "15"));
    SetEwBoardScore(ReadText(in, "16"));
    SetNsPlayers(ReadText(in, "17"));
    SetEwPlayers(ReadText(in, "18"));
    return status;
}

void PairBoard::ToJson(Json::Value& out) const
{
    BoardResult::ToJson(out);
    WriteInt(out, "11", GetBoardNo());
    WriteText(out, "13", GetBoardText());
    WriteText(out, "15", GetNsBoardScore());
    WriteText(out, "16", GetEwBoardScore());
    WriteText(out, "17", GetNsPlayers());
    WriteText(out, "18", GetEwPlayers());
}

ReadStatus ReadPairBoards(PairBoardList& boards, const Json::Value& in)
{
    boards.clear();
    const Json::Value& list = ReadArray(in, "_L");
    ReadStatus status = CheckListSize("the boards of the pair scorecard", list.size(), kMaxScorecardBoards);
    if (!status.ok)
        return status;
    boards.reserve(list.size());
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        PairBoard board;
        status = board.FromJson(list[i]);
        if (!status.ok) {
            boards.clear();
            return status;
        }
        boards.push_back(std::move(board));
    }
    return status;
}

void WritePairBoards(const PairBoardList& boards, Json::Value& out)
{
    if (!out.isObject())
        out = Json::Value(Json::objectValue);
    Json::Value list(Json::arrayValue);
    for (const PairBoard& board : boards) {
        Json::Value element;
        board.ToJson(element);
        list.append(std::move(element));
    }
    out["_L"] = std::move(list);
}

// ---------------------------------------------------------------------------
// TeamScorecardJob

ReadStatus TeamScorecardJob::FromMessage(const Json::Value& message)
{
    scorecard = TeamScorecard();
    ReadStatus status = scorecard.FromJson(ReadObject(message, MsgKey::kScorecard));
    if (status.ok)
        status = deals.FromJson(ReadArray(message, MsgKey::kDeals));
    if (!status.ok) {
        // Nothing of a refused message is kept: half of it would print as a
        // scorecard that looks complete and is not.
        *this = TeamScorecardJob();
        return status;
    }
    eventKind = ReadInt(message, MsgKey::kEventKind);
    caption = ReadText(message, MsgKey::kCaption);
    scoreLabel = ReadText(message, MsgKey::kScoreLabel);
    return status;
}

ReadStatus PairScorecardJob::FromMessage(const Json::Value& message)
{
    ReadStatus status = ReadPairBoards(boards, ReadObject(message, MsgKey::kScorecard));
    if (status.ok)
        status = deals.FromJson(ReadArray(message, MsgKey::kDeals));
    if (!status.ok) {
        *this = PairScorecardJob();
        return status;
    }
    eventKind = ReadInt(message, MsgKey::kEventKind);
    title = ReadText(message, MsgKey::kTitle);
    subtitle = ReadText(message, MsgKey::kSubtitle);
    return status;
}

bool ReadScorecardMessage(const Json::Value& message, ScorecardJob& job, std::string& refusal)
{
    refusal.clear();
    ScorecardJob read;
    ReadStatus status;
    switch (ReadInt(message, MsgKey::kId)) {
    case kMsgTeamScorecard:
        read.kind = ScorecardJob::Kind::Team;
        status = read.team.FromMessage(message);
        break;
    case kMsgPairScorecard:
        read.kind = ScorecardJob::Kind::Pair;
        status = read.pair.FromMessage(message);
        break;
    default: return false;
    }
    if (!status.ok) {
        refusal = std::move(status.reason);
        return false;
    }
    job = std::move(read);
    return true;
}

bool ReadScorecardMessage(const Json::Value& message, ScorecardJob& job)
{
    std::string refusal;
    return ReadScorecardMessage(message, job, refusal);
}
