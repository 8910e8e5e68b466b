#include "scorecard/ScorecardRecords.h"

#include "comm/ProtocolKeys.h"
#include "foundation/NumericJson.h"
#include "foundation/TextUtil.h"

using namespace NumericJson;

// ---------------------------------------------------------------------------
// BoardResult

void BoardResult::FromJson(const Json::Value& in)
{
    SetDeclarer(ReadInt(in, "1"));
    SetContract(ReadText(in, "3"));
    SetLead(ReadText(in, "5"));
    SetResult(ReadText(in, "7"));
    SetNsScore(ReadInt(in, "9"));
    SetAuction(ReadText(in, "2"));
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

void TeamTotals::ParseText(const std::string& text)
{
    if (text.empty())
        return;
    lines.clear();
    // The readers move along the text instead of erasing its front, so the
    // whole text is read in time linear in its length.
    for (TokenReader entries(text, ";"); !entries.AtEnd();) {
        TokenReader fields(entries.Next(), ",");
        std::string label(fields.Next());
        std::string home(fields.Next());
        lines.emplace_back(std::move(label), std::move(home), std::string(fields.Rest()));
    }
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

void TeamBoard::FromJson(const Json::Value& in)
{
    SetBoardNo(ReadInt(in, "1"));
    SetVulMark(ReadText(in, "3"));
    SetDiff(ReadInt(in, "7"));
    SetHomeImps(ReadText(in, "8"));
    SetAwayImps(ReadText(in, "9"));
    openRoom.FromJson(ReadObject(in, "5"));
    closedRoom.FromJson(ReadObject(in, "6"));
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

void TeamScorecard::FromJson(const Json::Value& in)
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
    sums.ParseText(ReadText(in, "31"));

    boards.clear();
    const Json::Value& list = ReadArray(in, "_L");
    boards.reserve(list.size());
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        TeamBoard board;
        board.FromJson(list[i]); // an element that is not an object reads as an empty board
        boards.push_back(std::move(board));
    }
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

void PairBoard::FromJson(const Json::Value& in)
{
    BoardResult::FromJson(in);
    SetBoardNo(ReadInt(in, "11"));
    SetBoardText(ReadText(in, "13"));
    SetNsBoardScore(ReadText(in, "15"));
    SetEwBoardScore(ReadText(in, "16"));
    SetNsPlayers(ReadText(in, "17"));
    SetEwPlayers(ReadText(in, "18"));
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

void ReadPairBoards(PairBoardList& boards, const Json::Value& in)
{
    boards.clear();
    const Json::Value& list = ReadArray(in, "_L");
    boards.reserve(list.size());
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        PairBoard board;
        board.FromJson(list[i]);
        boards.push_back(std::move(board));
    }
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

void TeamScorecardJob::FromMessage(const Json::Value& message)
{
    scorecard = TeamScorecard();
    scorecard.FromJson(ReadObject(message, MsgKey::kScorecard));
    deals.FromJson(ReadArray(message, MsgKey::kDeals));
    eventKind = ReadInt(message, MsgKey::kEventKind);
    caption = ReadText(message, MsgKey::kCaption);
    scoreLabel = ReadText(message, MsgKey::kScoreLabel);
}

void PairScorecardJob::FromMessage(const Json::Value& message)
{
    ReadPairBoards(boards, ReadObject(message, MsgKey::kScorecard));
    deals.FromJson(ReadArray(message, MsgKey::kDeals));
    eventKind = ReadInt(message, MsgKey::kEventKind);
    title = ReadText(message, MsgKey::kTitle);
    subtitle = ReadText(message, MsgKey::kSubtitle);
}

bool ReadScorecardMessage(const Json::Value& message, ScorecardJob& job)
{
    switch (ReadInt(message, MsgKey::kId)) {
    case kMsgTeamScorecard:
        job.kind = ScorecardJob::Kind::Team;
        job.team.FromMessage(message);
        return true;
    case kMsgPairScorecard:
        job.kind = ScorecardJob::Kind::Pair;
        job.pair.FromMessage(message);
        return true;
    default: return false;
    }
}
