#pragma once
// The hand records of a session as printed pages: sixteen deals a page (four
// across and four down, the size the scorecards draw them), or eight (two
// across) or four (two across and two down) drawn larger. Each is drawn by
// the scorecards' own hand-diagram painter (hands, board number with dealer
// and vulnerability, trick table with 10 to 13 in digits, high-card points,
// the auction when known) with the par of the deal on a line beneath it. A
// title band at the top of each page names the event.

#include "render/PageView.h"
#include "scorecard/HandDiagrams.h"
#include "tournament/HandRecords.h"

#include <cstdint>
#include <string>
#include <vector>

// The window id of the hand-record view.
inline constexpr int32_t kHandRecordViewId = 14597;

// The par of one board as printed under its diagram: known only where the
// trick table is.
struct BoardPar {
    bool known = false;
    int32_t score = 0;     // for North-South
    std::string contracts; // e.g. "4S N, 4S S"; empty when passed out
};

class HandRecordView : public PageView {
public:
    // 16, 8 or 4 (anything else is taken as 16).
    void SetDealsPerPage(int32_t count);
    int32_t DealsPerPage() const { return dealsPerPage_; }

    // The boards to print (trick texts filled in where known) and the par of
    // each, index for index (missing entries print no par).
    void SetHandRecords(HandRecordFile file, std::vector<BoardPar> pars);

    // The text of the par line of a board; "" when its par is not known.
    static std::u16string ParText(const BoardPar& par, LangIndex lang);
    // Where deal k (from 0) of a page of sixteen goes in the page body, and
    // where its par line goes. Fewer deals a page draw the same cell and par
    // line magnified by `scale` (DealPlace), the pair centred in its slot.
    static Rect CellRect(const Rect& body, int32_t k);
    static Rect ParRect(const Rect& body, int32_t k);
    static Rect TitleBand(const Rect& body);
    struct DealPlace {
        Rect cell;           // the cell at sixteen a page, moved to `origin`
        Rect par;            // its par line, likewise
        Point origin;        // where the cell's top left corner is drawn
        int32_t scale = 1000; // thousandths: how much larger it is drawn
    };
    static DealPlace PlaceOfDeal(const Rect& body, int32_t dealsPerPage, int32_t k);

    bool IsLandscape() override { return false; }
    bool UsesPrintColours() override { return true; }
    // Hand records on Letter are drawn smaller, not squeezed.
    bool KeepsProportionsOnPaper() override { return true; }
    void PaintPage(Canvas& dc, const Rect& page, const Rect& visible, int32_t pageNumber, DrawMode mode) override;
    // The event's title and the localized words "Hand records".
    std::u16string GetPageTitle() override;
    int32_t GetPageCount() override;

private:
    HandRecordFile file_;
    std::vector<BoardPar> pars_;
    int32_t dealsPerPage_ = 16;
};
