#pragma once
// The common base of the two scorecard windows (team, and pair or
// individual): a grid window specialised for one printed portrait scorecard.
// It keeps the deals of the scorecard for the hand diagrams, a caption and
// the event kind; sizes the rows so that the grid stays above the diagrams;
// narrows the title band and the grid when diagrams stand beside it; draws
// the diagrams after the grid; and offers a Print/Close pop-up menu from the
// options button and from a right click.

#include "render/GridWindow.h"
#include "tournament/Deals.h"

#include <QPoint>

#include <cstdint>
#include <string>

// The window ids of the two scorecard views, the team view and the pair or
// individual view, wherever they are created.
inline constexpr int32_t kTeamScorecardViewId = 12579;
inline constexpr int32_t kPairScorecardViewId = 13589;

// The commands of the scorecard pop-up menu.
inline constexpr int32_t kScorecardMenuPrint = 1001;
inline constexpr int32_t kScorecardMenuClose = 1009;

class ScorecardWindow : public GridWindow {
public:
    ScorecardWindow();
    ~ScorecardWindow() override;

    // --- hooks added here, in slot order ----------------------------------------
    // The team window draws the seating boxes in place of the subtitle band.
    virtual bool HasPlayerBoxes() { return false; }
    virtual std::string GetScorecardCaption() { return caption; }
    virtual void SetScorecardCaption(const std::string& text) { caption = text; }
    virtual int32_t GetEventKind() { return eventKind; }
    virtual void SetEventKind(int32_t kind) { eventKind = kind; }
    virtual void DrawPlayerBoxes(Canvas& dc, const Rect& body, DrawMode mode);
    // The auction text of a board in the open or the closed room; "" when
    // there is none.
    virtual std::string GetAuctionText(int32_t board, bool closedRoom);

    // --- answers to the window, page view and grid hooks -------------------------
    void OnMenu(int32_t source) override;
    bool IsLandscape() override { return false; }
    bool UsesPrintColours() override { return true; }
    // The caption and the localized word "Scorecard".
    std::u16string GetPageTitle() override;
    bool UsesLargeHeaderFont() override { return true; }
    // Computed from the rows and deals; nothing is stored for scorecards.
    int32_t RowHeight(int32_t newHeight) override;
    Rect GetTitleRect(const Rect& body) override;
    Rect GetContentRect(int32_t page, DrawMode mode) override;
    void DrawAfterGrid(Canvas& dc, const Rect& body, DrawMode mode) override;
    // The stamp only when the page carries no hand diagrams.
    bool ShowsLastPageStamp() override;

    // All hand diagrams of the scorecard in the page body `area`.
    void DrawHandDiagrams(Canvas& dc, const Rect& area);

    // Where the diagrams go (a kHandLevel value) for the deals held.
    int32_t HandLevel() const;
    const DealList& GetDeals() const { return deals; }

    // Where the pop-up menu opens: the cursor's x, just below the options
    // button (which is created first when needed), in global coordinates.
    QPoint MenuAnchor();

protected:
    // The deals of the scorecard's boards, in the server's order.
    DealList deals;

private:
    std::string caption;
    int32_t eventKind = 0;
};
