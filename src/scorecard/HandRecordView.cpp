#include "scorecard/HandRecordView.h"

#include "foundation/TextUtil.h"
#include "render/DrawPrimitives.h"
#include "tournament/BridgeBasics.h"

#include <algorithm>

namespace {

constexpr int32_t kTitleBandHeight = 1300;
constexpr int32_t kTitleFont = 620;
constexpr int32_t kDiagramsFont = 450;
constexpr int32_t kParFont = 380;
// The cells keep the scorecards' proportions (a quarter of the body wide,
// 4533 high on A4), which the diagram painter is laid out for; the height
// left over in a row holds the par line.
constexpr int32_t kCellHeight = 4533;
constexpr int32_t kParGap = 90;
constexpr int32_t kParHeight = 520;
constexpr Colour kTitleColour = Rgb(25, 48, 122);
constexpr Colour kParColour = Rgb(0, 64, 64);

} // namespace

void HandRecordView::SetHandRecords(HandRecordFile file, std::vector<BoardPar> pars)
{
    file_ = std::move(file);
    pars_ = std::move(pars);
    InvalidateClient();
}

std::u16string HandRecordView::ParText(const BoardPar& par, LangIndex lang)
{
    if (!par.known)
        return {};
    std::string text = PickLang("最佳定约||Par||<其它>", lang) + " ";
    if (par.score == 0 && par.contracts.empty())
        return Utf8ToWide(text + PickLang("四家不叫||passed out||<其它>", lang));
    text += par.score > 0 ? "NS +" + IntToString(par.score) : par.score < 0 ? "EW +" + IntToString(-par.score) : "0";
    if (!par.contracts.empty())
        text += ": " + par.contracts;
    return Utf8ToWide(text);
}

Rect HandRecordView::TitleBand(const Rect& body)
{
    return Rect{body.left, body.top, body.right, body.top + kTitleBandHeight};
}

Rect HandRecordView::CellRect(const Rect& body, int32_t k)
{
    const int32_t top = TitleBand(body).bottom;
    const int32_t w = body.Width() / 4;
    const int32_t pitch = (body.bottom - top) / 4;
    const int32_t col = k % 4, row = k / 4;
    return Rect{body.left + col * w, top + row * pitch, body.left + (col + 1) * w, top + row * pitch + kCellHeight};
}

Rect HandRecordView::ParRect(const Rect& body, int32_t k)
{
    const Rect cell = CellRect(body, k);
    return Rect{cell.left + 60, cell.bottom + kParGap, cell.right - 60, cell.bottom + kParGap + kParHeight};
}

void HandRecordView::PaintPage(Canvas& dc, const Rect& page, const Rect&, int32_t pageNumber, DrawMode mode)
{
    const Rect body = GetBodyRect(page, mode);
    const LangIndex lang = GetLanguage();
    {
        TextColourScope colour(dc, kTitleColour);
        std::string title = HandRecordTitle(file_);
        if (title.empty())
            title = PickLang("牌例||Hand records||<其它>", lang);
        DrawTextFitInFont(dc, DT_CENTER | DT_VCENTER | DT_SINGLELINE, Utf8ToWide(title),
                          FontSpec(kTitleFont, kPageFace), FontSource::Cache, TitleBand(body));
    }
    const size_t first = static_cast<size_t>(std::max(pageNumber - 1, 0)) * kDealsPerPage;
    FontScope font(dc, FontSpec(kDiagramsFont, kPageFace));
    for (size_t i = first; i < file_.boards.size() && i < first + kDealsPerPage; ++i) {
        const HandRecordBoard& board = file_.boards[i];
        const int32_t k = static_cast<int32_t>(i - first);
        BoardFacts facts;
        facts.dealer = board.dealer;
        facts.vulnerability = board.vulnerability;
        facts.firstCaller = board.auctionFirst >= 0 ? board.auctionFirst : board.dealer;
        DrawOneDiagram(dc, CellRect(body, k), board.deal, 0, lang, board.auction, std::string(), &facts);
        if (i < pars_.size() && pars_[i].known) {
            TextColourScope colour(dc, kParColour);
            DrawTextFitInFont(dc, DT_LEFT | DT_VCENTER | DT_SINGLELINE, ParText(pars_[i], lang),
                              FontSpec(kParFont, kPageFace), FontSource::Cache, ParRect(body, k));
        }
    }
}

std::u16string HandRecordView::GetPageTitle()
{
    const std::string title = HandRecordTitle(file_);
    const std::u16string words = LangTextW("牌例||Hand records||<其它>", GetLanguage());
    return title.empty() ? words : Utf8ToWide(title) + u" " + words;
}

int32_t HandRecordView::GetPageCount()
{
    const auto count = static_cast<int32_t>(file_.boards.size());
    return std::max(1, (count + kDealsPerPage - 1) / kDealsPerPage);
}
