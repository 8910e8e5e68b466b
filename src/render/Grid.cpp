#include "render/Grid.h"

#include "foundation/IntMath.h"

#include <cmath>
#include <limits>

namespace {

// Float to int32 truncating towards zero, as the column layout has always
// done, but safe for values no int32 can hold: NaN gives 0 and anything out
// of range is pinned to the nearest limit (a plain cast would be undefined).
int32_t TruncToInt32(float v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0f)
        return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0f)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// The weight a header column counts with. A header whose weights do not add
// up to a usable positive total (all zero, negative, NaN or infinite) would
// make every width a division by zero or garbage; such a table is shown with
// equal columns instead, which keeps every cell readable.
struct ColumnWeights {
    explicit ColumnWeights(const Grid::Row& header) : cells(header.Cells())
    {
        for (const auto& c : cells)
            total += c.GetWidthWeight();
        if (!(total > 0.0f) || !std::isfinite(total)) {
            equal = true;
            total = static_cast<float>(cells.size());
        }
    }
    float At(size_t i) const
    {
        if (i >= cells.size())
            return 0.0f;
        return equal ? 1.0f : cells[i].GetWidthWeight();
    }

    const std::vector<Grid::Cell>& cells;
    float total = 0.0f;
    bool equal = false;
};

} // namespace

std::string Grid::Click::ToString() const
{
    return "ID_onClick=" + std::to_string(GetClickId());
}

Grid::Cell::Cell()
{
    ResetCell(*this);
}

Grid::Cell::Cell(const std::string& text, float widthWeight)
{
    ResetCell(*this);
    SetText(text);
    SetWidthWeight(widthWeight);
}

void Grid::ResetCell(Cell& cell)
{
    cell.text.clear();
    cell.colourIndex = 1;
    cell.align = 1;
    cell.subText.clear();
    cell.borderFlags = 12;
    cell.widthWeight = 0.0f;
    cell.columnSpan = 0;
    cell.rowSpan = 0;
    cell.highlight = 0;
    cell.onClick.SetClickId(0);
    cell.rect = Rect{};
}

Grid::Cell Grid::GetCell(const Row& row, int32_t i)
{
    if (i < 0 || static_cast<size_t>(i) >= row.Cells().size())
        return Cell("", 0.0f);
    return row.Cells()[static_cast<size_t>(i)];
}

void Grid::LayoutRow(Row& row, const Rect& r, const Row& header)
{
    row.SetRect(r);
    const ColumnWeights weights(header);
    const float width = static_cast<float>(static_cast<int64_t>(r.right) - r.left);

    float acc = 0.0f;
    std::vector<Cell>& cells = row.Cells();
    for (size_t i = 0; i < cells.size(); ++i) {
        Cell& cell = cells[i];
        Rect cr;
        if (cell.GetColumnSpan() >= 0) {
            const size_t n = cell.GetColumnSpan() > 0 ? static_cast<size_t>(cell.GetColumnSpan()) : 1;
            // Columns past the header's end add nothing: a span is cut at the
            // table's right edge, and a cell beyond it gets no width.
            float w = 0.0f;
            for (size_t k = i; k < i + n && k < weights.cells.size(); ++k)
                w += weights.At(k);
            const float a = acc;
            const float share = weights.total > 0.0f ? (width * w) / weights.total : 0.0f;
            acc = a + share;
            const int64_t left = static_cast<int64_t>(r.left) + TruncToInt32(a);
            cr.left = ClampToInt32(left);
            cr.right = ClampToInt32(left + TruncToInt32(share));
            cr.top = r.top;
            cr.bottom = r.bottom;
            if (cell.GetRowSpan() > 1) {
                const int64_t lineHeight = static_cast<int64_t>(cr.bottom) - cr.top;
                cr.bottom = ClampToInt32(cr.top + cell.GetRowSpan() * lineHeight);
            }
        }
        cell.SetRect(cr);
    }
}

Grid::RowSpanInfo Grid::MaxRowSpan(const Row& row)
{
    RowSpanInfo info;
    for (const Cell& cell : row.Cells()) {
        if (cell.GetRowSpan() > info.span)
            info.span = cell.GetRowSpan();
        if (cell.GetRowSpan() < 0)
            info.anyCovered = true;
    }
    return info;
}

bool Grid::HasRowSpans(const std::vector<Row>& rows)
{
    for (const Row& row : rows)
        for (const Cell& cell : row.Cells())
            if (cell.GetRowSpan() > 1)
                return true;
    return false;
}

void Grid::FitRowsToHeader(const Row& header, std::vector<Row>& rows)
{
    const size_t columns = header.Cells().size();
    for (Row& row : rows) {
        std::vector<Cell>& cells = row.Cells();
        if (cells.size() > columns)
            cells.resize(columns);
        for (size_t i = 0; i < cells.size(); ++i) {
            const int32_t span = cells[i].GetColumnSpan();
            const size_t room = columns - i;
            if (span > 1 && static_cast<size_t>(span) > room)
                cells[i].SetColumnSpan(static_cast<int32_t>(room));
        }
    }
}
