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
// Between magnified deals, at least: below a par line, and beside a cell.
constexpr int32_t kRowGap = 400;
constexpr int32_t kColumnGap = 400;

// While in scope, what is drawn is magnified `scale` thousandths about
// `origin`, which stays where it is on the page.
class MagnifyScope {
public:
    MagnifyScope(Canvas& dc, Point origin, int32_t scale) : dc_(dc), saved_(dc.GetMapping())
    {
        if (scale == 1000)
            return;
        Mapping m = saved_;
        if (m.mode == MapMode::Text) {
            m.windowExt = {1, 1};
            m.viewportExt = {1, 1};
        }
        m.mode = MapMode::Anisotropic;
        m.viewportOrg = saved_.LogicalToDevice(origin);
        m.windowOrg = origin;
        m.windowExt = {m.windowExt.cx * 1000, m.windowExt.cy * 1000};
        m.viewportExt = {m.viewportExt.cx * scale, m.viewportExt.cy * scale};
        dc_.SetMapping(m);
    }
    ~MagnifyScope()
    {
        if (!(dc_.GetMapping() == saved_))
            dc_.SetMapping(saved_);
    }
    MagnifyScope(const MagnifyScope&) = delete;
    MagnifyScope& operator=(const MagnifyScope&) = delete;

private:
    Canvas& dc_;
    const Mapping saved_;
};

} // namespace

void HandRecordView::SetDealsPerPage(int32_t count)
{
    dealsPerPage_ = count == 8 || count == 4 ? count : 16;
    InvalidateClient();
}

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

HandRecordView::DealPlace HandRecordView::PlaceOfDeal(const Rect& body, int32_t dealsPerPage, int32_t k)
{
    DealPlace place;
    if (dealsPerPage != 8 && dealsPerPage != 4) {
        place.cell = CellRect(body, k);
        place.par = ParRect(body, k);
        place.origin = Point{place.cell.left, place.cell.top};
        return place;
    }
    // Two across; four or two down. The cell and its par line grow together
    // until they fill the slot's width or its height less a gap.
    const int32_t rows = dealsPerPage / 2;
    const int32_t top = TitleBand(body).bottom;
    const int32_t slotW = body.Width() / 2;
    const int32_t pitch = (body.bottom - top) / rows;
    const Rect standard = CellRect(body, 0);
    const int32_t cellW = standard.Width();
    const int32_t blockH = kCellHeight + kParGap + kParHeight;
    const int64_t byWidth = int64_t{slotW - kColumnGap} * 1000 / cellW;
    const int64_t byHeight = int64_t{pitch - kRowGap} * 1000 / blockH;
    place.scale = static_cast<int32_t>(std::max<int64_t>(1000, std::min(byWidth, byHeight)));
    const int32_t col = k % 2, row = k / 2;
    const auto scaled = [&](int32_t v) { return static_cast<int32_t>(int64_t{v} * place.scale / 1000); };
    place.origin = Point{body.left + col * slotW + (slotW - scaled(cellW)) / 2,
                         top + row * pitch + (pitch - scaled(blockH)) / 2};
    place.cell = Rect{place.origin.x, place.origin.y, place.origin.x + cellW, place.origin.y + kCellHeight};
    place.par = Rect{place.cell.left + 60, place.cell.bottom + kParGap, place.cell.right - 60,
                     place.cell.bottom + kParGap + kParHeight};
    return place;
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
    const auto perPage = static_cast<size_t>(dealsPerPage_);
    const size_t first = static_cast<size_t>(std::max(pageNumber - 1, 0)) * perPage;
    FontScope font(dc, FontSpec(kDiagramsFont, kPageFace));
    for (size_t i = first; i < file_.boards.size() && i < first + perPage; ++i) {
        const HandRecordBoard& board = file_.boards[i];
        const DealPlace place = PlaceOfDeal(body, dealsPerPage_, static_cast<int32_t>(i - first));
        const MagnifyScope magnified(dc, place.origin, place.scale);
        BoardFacts facts;
        facts.dealer = board.dealer;
        facts.vulnerability = board.vulnerability;
        facts.firstCaller = board.auctionFirst >= 0 ? board.auctionFirst : board.dealer;
        facts.trickDigits = true;
        DrawOneDiagram(dc, place.cell, board.deal, 0, lang, board.auction, std::string(), &facts);
        if (i < pars_.size() && pars_[i].known) {
            TextColourScope colour(dc, kParColour);
            DrawTextFitInFont(dc, DT_LEFT | DT_VCENTER | DT_SINGLELINE, ParText(pars_[i], lang),
                              FontSpec(kParFont, kPageFace), FontSource::Cache, place.par);
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
    return std::max(1, (count + dealsPerPage_ - 1) / dealsPerPage_);
}
