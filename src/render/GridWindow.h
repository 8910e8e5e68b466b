#pragma once
// The grid window: an A4 page view holding a title, an optional subtitle and
// a grid (the header row and the body rows). It splits the rows into pages,
// paints them on screen and on paper with the same code, tracks the pointer
// over clickable cells and reports clicks. The scorecard windows derive from
// it and override some of its hooks.

#include "render/Grid.h"
#include "render/PageView.h"

#include <cstdint>
#include <string>
#include <vector>

class GridWindow : public PageView, public Grid {
public:
    GridWindow();
    ~GridWindow() override;

    // Takes a new grid: title, subtitle, copies of the header row and the
    // rows, lays it out on pages and resets the scroll range; then shows the
    // window, or with `printNow` prints it at once on the chosen printer.
    // Cells past the header's last column are dropped and column spans that
    // reach past it are shortened, so every cell shown lies under a column.
    void SetGrid(const std::u16string& title, const Row& header, const std::vector<Row>& rows,
                 const std::string& subtitle, bool printNow);

    // The clickable cell under a client point (pixels), as (row index in
    // `rows`, cell index); (-1, -1) when there is none.
    CellHit HitTest(int32_t x, int32_t y);

    // The subtitle band under the title band; empty without a subtitle.
    Rect GetSubtitleRect(const Rect& body);

    int32_t HoverRow() const { return hoverRow; }
    int32_t HoverCell() const { return hoverCell; }
    int32_t PressedRow() const { return pressedRow; }
    int32_t PressedCell() const { return pressedCell; }

    // --- hooks, in slot order -------------------------------------------------
    virtual std::u16string GetTitle() { return title; }
    virtual void SetTitle(const std::u16string& text) { title = text; }
    virtual std::string GetSubtitle() { return subtitle; }
    virtual void SetSubtitle(const std::string& text) { subtitle = text; }
    virtual int32_t GetTitleHeight() { return 1200; }
    virtual int32_t GetSubtitleHeight() { return subtitle.empty() ? 0 : 800; }
    // newHeight < 1 asks for the row height (the stored one for this
    // window's id, else the default); newHeight >= 1 stores it (a height
    // outside 500..3000 removes the stored one) and returns 0.
    virtual int32_t RowHeight(int32_t newHeight);
    virtual int32_t GetDefaultRowHeight() { return 1200; }
    virtual Rect GetTitleRect(const Rect& body);
    // The grid area of a page: the body below the title and subtitle bands.
    virtual Rect GetContentRect(int32_t page, DrawMode mode);
    // The header row is drawn at the top of every page.
    virtual bool RepeatsHeaderRow() { return true; }
    virtual void DrawTitle(Canvas& dc, const Rect& body, int32_t page, DrawMode mode);
    virtual void DrawAfterGrid(Canvas& dc, const Rect& body, DrawMode mode);
    virtual bool ShowsLastPageStamp() { return true; }
    // A click on a clickable cell. The base shows what was clicked in a
    // message box, as a reminder that a real grid handles it.
    virtual void OnCellClick(int32_t row, int32_t cell, const Click& click);

    // --- page view and window hooks ----------------------------------------------
    bool IsLandscape() override { return true; }
    bool UsesPrintColours() override { return false; }
    void PaintPage(Canvas& dc, const Rect& page, const Rect& visible, int32_t pageNumber, DrawMode mode) override;
    // The title, or the options caption while there is none.
    std::u16string GetPageTitle() override;
    int32_t GetPageCount() override { return PageCountOf(rows); }
    // Splits the rows into pages.
    void Relayout() override;

    // The stamp under the table of the last page: the product name and the
    // event text beside the square picture, `space` high at most.
    void DrawLastPageStamp(Canvas& dc, const Rect& page, int32_t space, DrawMode mode);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::u16string title;
    std::string subtitle;
    int32_t hoverRow = -1;
    int32_t hoverCell = -1;
    int32_t pressedRow = -1;
    int32_t pressedCell = -1;
};
