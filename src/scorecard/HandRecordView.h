#pragma once
// The hand records of a session as printed pages: up to sixteen deals a page,
// four across and four down, each drawn by the scorecards' own hand-diagram
// painter (hands, board number with dealer and vulnerability, trick table,
// high-card points, the auction when known) with the par of the deal on a
// line beneath it. A title band at the top of each page names the event.

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
    static constexpr int32_t kDealsPerPage = 16;

    // The boards to print (trick texts filled in where known) and the par of
    // each, index for index (missing entries print no par).
    void SetHandRecords(HandRecordFile file, std::vector<BoardPar> pars);

    // The text of the par line of a board; "" when its par is not known.
    static std::u16string ParText(const BoardPar& par, LangIndex lang);
    // Where deal k (from 0) of a page goes in the page body, and where its
    // par line goes.
    static Rect CellRect(const Rect& body, int32_t k);
    static Rect ParRect(const Rect& body, int32_t k);
    static Rect TitleBand(const Rect& body);

    bool IsLandscape() override { return false; }
    bool UsesPrintColours() override { return true; }
    void PaintPage(Canvas& dc, const Rect& page, const Rect& visible, int32_t pageNumber, DrawMode mode) override;
    // The event's title and the localized words "Hand records".
    std::u16string GetPageTitle() override;
    int32_t GetPageCount() override;

private:
    HandRecordFile file_;
    std::vector<BoardPar> pars_;
};
