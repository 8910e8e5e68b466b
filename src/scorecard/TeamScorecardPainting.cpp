#include "scorecard/TeamScorecardPainting.h"

#include "render/DrawPrimitives.h"
#include "scorecard/ScorecardGrids.h"

#include <algorithm>

namespace {

constexpr unsigned kSingleLine = DT_SINGLELINE;
// The room between the header's picture and the home team's label.
constexpr int32_t kPictureGap = 60;

} // namespace

void DrawTeamHeader(Canvas& dc, const Rect& header, const std::string& homeTeam, const std::string& awayTeam,
                    Colour homeColour, Colour awayColour, const CanvasPicture& picture)
{
    const int32_t height = header.Height();
    const int32_t fontH = (std::min(height, 800) * 76) / 100;
    const int32_t centre = (header.left + header.right) / 2;
    // The picture stands at the left end of the band; the home team's label
    // starts after it (and shrinks to what is left when it is long) so that
    // the picture never covers the team number at the label's start.
    const int32_t side = (height * 150) / 100;
    const Rect pictureRect{header.left + 60, header.top, header.left + 60 + side, header.top + side};
    const int32_t homeLeft = picture.IsNull() ? header.left : pictureRect.right + kPictureGap;
    if (fontH >= 1) {
        FontScope font(dc, FontSpec(fontH, kPageFace));
        const std::u16string vs = u" vs ";
        dc.DrawTextIn(vs, header, DT_CENTER | DT_VCENTER | kSingleLine);
        const int32_t w = dc.TextExtent(vs).cx;
        {
            TextColourScope colour(dc, homeColour);
            DrawTextFit(dc, DT_RIGHT | DT_VCENTER | kSingleLine, Utf8ToWide(homeTeam), kPageFace, fontH, false,
                        kNoColour, Rect{homeLeft, header.top, centre - w / 2, header.bottom});
        }
        TextColourScope colour(dc, awayColour);
        DrawTextFit(dc, DT_LEFT | DT_VCENTER | kSingleLine, Utf8ToWide(awayTeam), kPageFace, fontH, false, kNoColour,
                    Rect{centre + w / 2, header.top, header.right, header.bottom});
    }
    if (picture.IsNull())
        return;
    const StretchMode previous = dc.SetStretchMode(StretchMode::Halftone);
    dc.DrawPicture(picture, pictureRect);
    dc.SetStretchMode(previous);
}

Rect SeatingArea(const std::vector<Grid::Row>& rows, int32_t originX, int32_t originY)
{
    Rect area;
    for (const auto& row : rows) {
        if (row.GetKind() != RowKind::Totals || row.Cells().empty())
            continue;
        area = UnionRect(area, row.Cells()[0].GetRect().Moved(originX, originY));
    }
    if (area.Height() > 2000) {
        const int32_t cut = (area.Height() - 2000) / 2;
        area.top += cut;
        area.bottom -= cut;
    }
    return area;
}

void DrawSeatingBoxes(Canvas& dc, const Rect& area, const TeamScorecard& data, LangIndex lang, Colour frameColour,
                      Colour homeColour, Colour awayColour)
{
    if (area.IsEmpty())
        return;
    const int32_t f = (area.Height() * 30) / 100;
    const int32_t d = (area.Width() * 2) / 100;
    const int32_t cx = (area.left + area.right) / 2;
    // The home team sits North-South in the open room and East-West in the
    // closed room.
    DrawSeatingBox(dc, Rect{area.left, area.top, cx - d, area.bottom}, true,
                   {data.GetOpenNorth(), data.GetOpenSouth(), data.GetOpenEast(), data.GetOpenWest()}, f, lang,
                   frameColour, homeColour, awayColour);
    DrawSeatingBox(dc, Rect{cx + d, area.top, area.right, area.bottom}, false,
                   {data.GetClosedNorth(), data.GetClosedSouth(), data.GetClosedEast(), data.GetClosedWest()}, f,
                   lang, frameColour, awayColour, homeColour);
}

void DrawSeatingBox(Canvas& dc, const Rect& x, bool openRoom, const SeatingNames& names, int32_t fontHeight,
                    LangIndex lang, Colour frameColour, Colour nsColour, Colour ewColour)
{
    if (fontHeight < 1)
        return;
    FontScope font(dc, FontSpec(fontHeight, kPageFace));
    const Rect inner = CentreRect(Rect{0, 0, (x.Width() * 20) / 100, (x.Height() * 30) / 100}, x);
    RoundRectFill(dc, kNoColour, frameColour, 10, 3, inner);
    {
        TextColourScope colour(dc, frameColour);
        const std::string label =
            openRoom ? PickLang(" 开室 || Open ||<其它>", lang) : PickLang(" 闭室 || Close ||<其它>", lang);
        DrawTextFit(dc, DT_CENTER | DT_VCENTER | kSingleLine, Utf8ToWide(label), kPageFace, fontHeight, false,
                    kNoColour, inner);
    }
    auto name = [&](const std::string& text, unsigned format, const Rect& r, Colour colour) {
        TextColourScope scope(dc, colour);
        DrawTextFit(dc, format | kSingleLine, Utf8ToWide(text), kPageFace, fontHeight, false, kNoColour, r);
    };
    name(names.north, DT_CENTER | DT_BOTTOM, Rect{x.left, x.top, x.right, inner.top}, nsColour);
    name(names.south, DT_CENTER | DT_TOP, Rect{x.left, inner.bottom, x.right, x.bottom}, nsColour);
    name(" " + names.east, DT_LEFT | DT_VCENTER, Rect{inner.right, x.top, x.right, x.bottom}, ewColour);
    name(names.west + " ", DT_RIGHT | DT_VCENTER, Rect{x.left, x.top, inner.left, x.bottom}, ewColour);
}
