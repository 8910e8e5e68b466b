#pragma once
// The grid model: a table before it is laid out and drawn. The header row's
// cells define the columns (their width weights), and every body row holds
// one cell per column with its texts, colours, borders, spans and click
// information. The scorecard builders fill a grid and hand it to a grid
// window, which lays the rows out on A4 pages and draws them.
//
// Texts are UTF-8; coordinates are page units (0.01 mm) relative to the
// top-left corner of a page's content rectangle. Toolkit-free.

#include "platform/Geometry.h"

#include <cstdint>
#include <string>
#include <vector>

// What a body row is. Painting shades heading rows and stripes board rows;
// the team scorecard finds its totals rows by kind.
enum class RowKind : int32_t { Board = 0, Heading = 1, Totals = 2 };

class Grid {
public:
    // What a click on a cell carries to the click handler. A cell is
    // clickable when its click id is greater than 0.
    class Click {
    public:
        virtual ~Click() = default;

        virtual int32_t GetClickId() const { return clickId; }
        virtual void SetClickId(int32_t v) { clickId = v; }
        virtual std::string GetClickText() const { return clickText; }
        virtual void SetClickText(const std::string& v) { clickText = v; }
        virtual int32_t GetClickParam1() const { return clickParam1; }
        virtual void SetClickParam1(int32_t v) { clickParam1 = v; }
        virtual int32_t GetClickParam2() const { return clickParam2; }
        virtual void SetClickParam2(int32_t v) { clickParam2 = v; }
        virtual int32_t GetClickParam3() const { return clickParam3; }
        virtual void SetClickParam3(int32_t v) { clickParam3 = v; }

        // "ID_onClick=" followed by the click id in decimal.
        std::string ToString() const;

    private:
        int32_t clickId = 0;
        std::string clickText;
        int32_t clickParam1 = 0;
        int32_t clickParam2 = 0;
        int32_t clickParam3 = 0;
    };

    class Cell {
    public:
        // A default cell: empty text, weight 0.
        Cell();
        Cell(const std::string& text, float widthWeight);
        virtual ~Cell() = default;

        virtual std::string GetText() const { return text; }
        virtual void SetText(const std::string& v) { text = v; }
        virtual int32_t GetColourIndex() const { return colourIndex; }
        virtual void SetColourIndex(int32_t v) { colourIndex = v; }
        virtual int32_t GetAlign() const { return align; }
        virtual void SetAlign(int32_t v) { align = v; }
        virtual std::string GetSubText() const { return subText; }
        virtual void SetSubText(const std::string& v) { subText = v; }
        virtual std::string GetExtraText() const { return extraText; }
        virtual void SetExtraText(const std::string& v) { extraText = v; }
        virtual std::string GetBadgeText() const { return badgeText; }
        virtual void SetBadgeText(const std::string& v) { badgeText = v; }
        virtual std::string GetLeadText() const { return leadText; }
        virtual void SetLeadText(const std::string& v) { leadText = v; }
        virtual int32_t GetSeat() const { return seat; }
        virtual void SetSeat(int32_t v) { seat = v; }
        virtual int32_t GetBorderFlags() const { return borderFlags; }
        virtual void SetBorderFlags(int32_t v) { borderFlags = v; }
        virtual float GetWidthWeight() const { return widthWeight; }
        virtual void SetWidthWeight(float v) { widthWeight = v; }
        virtual int32_t GetColumnSpan() const { return columnSpan; }
        virtual void SetColumnSpan(int32_t v) { columnSpan = v; }
        virtual int32_t GetRowSpan() const { return rowSpan; }
        virtual void SetRowSpan(int32_t v) { rowSpan = v; }
        virtual int32_t GetHighlight() const { return highlight; }
        virtual void SetHighlight(int32_t v) { highlight = v; }

        const Click& OnClick() const { return onClick; }
        Click& OnClick() { return onClick; }
        Rect GetRect() const { return rect; }
        void SetRect(const Rect& r) { rect = r; }

    private:
        friend class Grid;

        std::string text;
        int32_t colourIndex = 1;
        int32_t align = 1;
        std::string subText;
        std::string extraText;
        std::string badgeText;
        std::string leadText;
        int32_t seat = -1;
        int32_t borderFlags = 12;
        float widthWeight = 0.0f;
        int32_t columnSpan = 0;
        int32_t rowSpan = 0;
        int32_t highlight = 0;
        Click onClick;
        Rect rect;
    };

    class Row {
    public:
        virtual ~Row() = default;

        virtual RowKind GetKind() const { return kind; }
        virtual void SetKind(RowKind v) { kind = v; }
        virtual int32_t GetPage() const { return page; }
        virtual void SetPage(int32_t v) { page = v; }
        virtual int32_t GetSerial() const { return serial; }
        virtual void SetSerial(int32_t v) { serial = v; }
        virtual int32_t GetLine() const { return line; }
        virtual void SetLine(int32_t v) { line = v; }

        Rect GetRect() const { return rect; }
        void SetRect(const Rect& r) { rect = r; }
        const std::vector<Cell>& Cells() const { return cells; }
        std::vector<Cell>& Cells() { return cells; }
        void AddCell(const Cell& cell) { cells.push_back(cell); }

    private:
        RowKind kind = RowKind::Board;
        int32_t page = 1;
        int32_t serial = 1;
        int32_t line = 1;
        Rect rect;
        std::vector<Cell> cells;
    };

    struct RowSpanInfo {
        int32_t span = 1;        // the largest rowSpan of the row, at least 1
        bool anyCovered = false; // some cell is covered from above
    };

    // Back to the values of a fresh cell, except the texts that carry no
    // layout (extra, badge, lead), the seat and the click text and params.
    static void ResetCell(Cell& cell);
    // A copy of cell i, or a default cell when i is outside the row.
    static Cell GetCell(const Row& row, int32_t i);
    // Sets the row's rectangle to `r` and each cell's rectangle from the
    // header's column weights (see the definition for the rules on grids
    // whose header does not fit their rows).
    static void LayoutRow(Row& row, const Rect& r, const Row& header);
    static RowSpanInfo MaxRowSpan(const Row& row);
    // True when some cell of `rows` spans more than one line.
    static bool HasRowSpans(const std::vector<Row>& rows);

    // Drops the cells of each row that start past the header's last column
    // and shortens column spans that reach past it, so that every cell left
    // lies under a column of the header. A grid window applies it to the grid
    // it is given; a grid built as intended is left unchanged.
    static void FitRowsToHeader(const Row& header, std::vector<Row>& rows);

    Row headerRow;
    std::vector<Row> rows;
};
