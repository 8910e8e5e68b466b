#include "scorecard/ScorecardGrids.h"

#include "foundation/TextUtil.h"

namespace {

using Row = Grid::Row;
using Cell = Grid::Cell;

// Border bits used by the scorecards.
constexpr int32_t kThinTop = 0x2;
constexpr int32_t kThinRight = 0x4;
constexpr int32_t kThinBottom = 0x8;
constexpr int32_t kThickTop = 0x200;
constexpr int32_t kThickRight = 0x400;
constexpr int32_t kDefaultBorders = kThinRight | kThinBottom;

constexpr int32_t kAlignLeft = 0;

Cell MakeCell(const std::string& text, float weight, int32_t colourIndex = 1, int32_t borders = kDefaultBorders)
{
    Cell c(text, weight);
    c.SetColourIndex(colourIndex);
    c.SetBorderFlags(borders);
    return c;
}

// A cell covered by the spanning cell to its left.
Cell CoveredCell(float weight)
{
    Cell c("", weight);
    c.SetColumnSpan(-1);
    return c;
}

Cell SpanningCell(const std::string& text, float weight, int32_t span, int32_t colourIndex, int32_t borders)
{
    Cell c = MakeCell(text, weight, colourIndex, borders);
    c.SetColumnSpan(span);
    return c;
}

Row HeadingRowA(LangIndex lang)
{
    const float* w = kTeamColumnWeights;
    Row row;
    row.SetKind(RowKind::Heading);
    Cell no = MakeCell(PickLang("No.||No.||<其它>", lang), w[0], 1, kThickRight | kThinBottom);
    no.SetRowSpan(2);
    row.AddCell(no);
    row.AddCell(SpanningCell(PickLang("开室||Open||<其它>", lang), w[1], 4, 1, kThickRight | kThinBottom));
    for (int i = 2; i <= 4; ++i)
        row.AddCell(CoveredCell(w[i]));
    row.AddCell(SpanningCell(PickLang("闭室||Closed||<其它>", lang), w[5], 4, 1, kThickRight | kThinBottom));
    for (int i = 6; i <= 8; ++i)
        row.AddCell(CoveredCell(w[i]));
    row.AddCell(SpanningCell(PickLang("主队||Home||<其它>", lang), w[9], 2, kHomeColourIndex, kDefaultBorders));
    row.AddCell(CoveredCell(w[10]));
    row.AddCell(SpanningCell(PickLang("客队||Away||<其它>", lang), w[11], 2, kAwayColourIndex, kDefaultBorders));
    row.AddCell(CoveredCell(w[12]));
    return row;
}

Row HeadingRowB(const std::string& scoreLabel, LangIndex lang)
{
    const float* w = kTeamColumnWeights;
    const std::string contract = PickLang("定约||Contract||<其它>", lang);
    const std::string lead = PickLang("首攻||Lead||<其它>", lang);
    const std::string diff = PickLang("分差||Diff.||<其它>", lang);
    Row row;
    row.SetKind(RowKind::Heading);
    Cell no("", w[0]);
    no.SetRowSpan(-1);
    row.AddCell(no);
    // The colours follow the seating: home North-South in the open room,
    // East-West in the closed room.
    row.AddCell(MakeCell(contract, w[1]));
    row.AddCell(MakeCell(lead, w[2]));
    row.AddCell(MakeCell(" NS ", w[3], kHomeColourIndex));
    row.AddCell(MakeCell(" EW ", w[4], kAwayColourIndex, kThickRight | kThinBottom));
    row.AddCell(MakeCell(contract, w[5]));
    row.AddCell(MakeCell(lead, w[6]));
    row.AddCell(MakeCell(" NS ", w[7], kAwayColourIndex));
    row.AddCell(MakeCell(" EW ", w[8], kHomeColourIndex, kThickRight | kThinBottom));
    row.AddCell(MakeCell(diff, w[9]));
    row.AddCell(MakeCell(scoreLabel, w[10]));
    row.AddCell(MakeCell(diff, w[11]));
    row.AddCell(MakeCell(scoreLabel, w[12]));
    return row;
}

Row BoardRow(const TeamBoard& b)
{
    const BoardResult& o = b.openRoom;
    const BoardResult& c = b.closedRoom;
    Row row;
    row.SetKind(RowKind::Board);

    Cell number = MakeCell(IntToString(b.GetBoardNo()), 0.0f, 1, kThickRight | kThinBottom);
    number.SetSubText(b.GetVulMark());
    row.AddCell(number);

    // The open-room contract stands left-aligned after its seat letter, the
    // closed-room one centred in the space after it.
    Cell openContract = MakeCell(o.GetContract() + o.GetResult(), 0.0f);
    openContract.SetSeat(o.GetDeclarer());
    openContract.SetAlign(kAlignLeft);
    row.AddCell(openContract);
    row.AddCell(MakeCell(o.GetLead(), 0.0f));
    row.AddCell(MakeCell(PositiveScoreText(o.GetNsScore()), 0.0f, kHomeColourIndex));
    row.AddCell(MakeCell(NegativeScoreText(o.GetNsScore()), 0.0f, kAwayColourIndex, kThickRight | kThinBottom));

    Cell closedContract = MakeCell(c.GetContract() + c.GetResult(), 0.0f);
    closedContract.SetSeat(c.GetDeclarer());
    row.AddCell(closedContract);
    row.AddCell(MakeCell(c.GetLead(), 0.0f));
    row.AddCell(MakeCell(PositiveScoreText(c.GetNsScore()), 0.0f, kAwayColourIndex));
    row.AddCell(MakeCell(NegativeScoreText(c.GetNsScore()), 0.0f, kHomeColourIndex, kThickRight | kThinBottom));

    row.AddCell(MakeCell(PositiveScoreText(b.GetDiff()), 0.0f, kHomeColourIndex));
    row.AddCell(MakeCell(b.GetHomeImps(), 0.0f, kHomeColourIndex));
    row.AddCell(MakeCell(NegativeScoreText(b.GetDiff()), 0.0f, kAwayColourIndex));
    row.AddCell(MakeCell(b.GetAwayImps(), 0.0f, kAwayColourIndex));
    return row;
}

// One totals line. The first one opens the totals with thick top edges; the
// blank seven columns at its left later hold the seating boxes.
Row TotalsRow(const TeamTotals::TeamTotal& s, bool first)
{
    Row row;
    row.SetKind(RowKind::Totals);
    row.AddCell(SpanningCell(" ", 0.0f, 7, 1, first ? (kThickTop | kThickRight) : kThickRight));
    for (int i = 1; i <= 6; ++i)
        row.AddCell(CoveredCell(0.0f));
    row.AddCell(SpanningCell(s.GetLabel(), 0.0f, 2, 1, first ? (kThickTop | kThinRight) : (kThinTop | kThinRight)));
    row.AddCell(CoveredCell(0.0f));
    const int32_t valueBorders = first ? (kThickTop | kDefaultBorders) : kDefaultBorders;
    row.AddCell(SpanningCell(s.GetHomeValue(), 0.0f, 2, kHomeColourIndex, valueBorders));
    row.AddCell(CoveredCell(0.0f));
    row.AddCell(SpanningCell(s.GetAwayValue(), 0.0f, 2, kAwayColourIndex, valueBorders));
    row.AddCell(CoveredCell(0.0f));
    return row;
}

} // namespace

// 4, 11.25, 5, 5.625 and 4.5 parts of 78.
const float kTeamColumnWeights[13] = {5.128205f, 14.423077f, 6.410256f, 7.211538f, 7.211538f,
                                      14.423077f, 6.410256f, 7.211538f, 7.211538f, 6.410256f,
                                      5.769230f, 6.410256f, 5.769230f};

const float kPairColumnWeights[10] = {13.0f, 13.0f, 4.0f, 7.0f, 4.0f, 4.0f, 4.6f, 4.6f, 3.8f, 3.8f};

std::string PositiveScoreText(int32_t score)
{
    return score > 0 ? IntToString(score) : std::string();
}

std::string NegativeScoreText(int32_t score)
{
    // Negated in 64 bits: the most negative score has no positive 32-bit twin.
    return score < 0 ? std::to_string(-static_cast<int64_t>(score)) : std::string();
}

ScorecardGrid BuildTeamScorecardGrid(const TeamScorecard& data, const std::string& scoreLabel, LangIndex lang)
{
    ScorecardGrid grid;
    grid.header = HeadingRowA(lang);
    grid.rows.push_back(grid.header);
    grid.rows.push_back(HeadingRowB(scoreLabel, lang));
    for (const TeamBoard& b : data.boards)
        grid.rows.push_back(BoardRow(b));
    bool first = true;
    for (const auto& s : data.sums) {
        grid.rows.push_back(TotalsRow(s, first));
        first = false;
    }
    return grid;
}

ScorecardGrid BuildPairScorecardGrid(const PairBoardList& boards, LangIndex lang)
{
    const float* w = kPairColumnWeights;
    const std::string headings[10] = {"NS players",
                                      "EW players",
                                      PickLang("No.||No.||<其它>", lang),
                                      PickLang("定约||Contract||<其它>", lang),
                                      PickLang("首攻||Lead||<其它>", lang),
                                      PickLang("结果||Rs.||<其它>", lang),
                                      " NS ",
                                      " EW ",
                                      "NS",
                                      "EW"};
    ScorecardGrid grid;
    for (int i = 0; i < 10; ++i) {
        Cell c(headings[i], w[i]);
        if (i < 2)
            c.SetAlign(kAlignLeft);
        if (i >= 8)
            c.SetSubText(PickLang("比分||score||<其它>", lang));
        grid.header.AddCell(c);
    }
    for (const PairBoard& b : boards) {
        Row row;
        row.SetKind(RowKind::Board);
        const std::string texts[10] = {b.GetNsPlayers(),
                                       b.GetEwPlayers(),
                                       IntToString(b.GetBoardNo()),
                                       b.GetContract(),
                                       b.GetLead(),
                                       b.GetResult(),
                                       PositiveScoreText(b.GetNsScore()),
                                       NegativeScoreText(b.GetNsScore()),
                                       b.GetNsBoardScore(),
                                       b.GetEwBoardScore()};
        for (int i = 0; i < 10; ++i) {
            Cell c(texts[i], 0.0f);
            if (i < 2)
                c.SetAlign(kAlignLeft);
            row.AddCell(c);
        }
        grid.rows.push_back(row);
    }
    return grid;
}
