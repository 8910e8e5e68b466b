#include "render/GridWindow.h"

#include "foundation/Product.h"
#include "platform/UiSeam.h"
#include "render/RowHeightStore.h"

#include <QMouseEvent>

GridWindow::GridWindow() = default;
GridWindow::~GridWindow() = default;

void GridWindow::SetGrid(const std::u16string& newTitle, const Row& header, const std::vector<Row>& newRows,
                         const std::string& newSubtitle, bool printNow)
{
    SetTitle(newTitle);
    SetSubtitle(newSubtitle);
    headerRow = header;
    rows = newRows;
    FitRowsToHeader(headerRow, rows);
    hoverRow = hoverCell = -1;
    pressedRow = pressedCell = -1;
    Relayout();
    UpdateScrollBar();
    InvalidateClient();
    if (!printNow)
        show();
    else
        Print(1, PrintMode::OnChosen);
}

void GridWindow::Relayout()
{
    const Rect c = GetContentRect(1, DrawMode::Screen);
    const int32_t h = RowHeight(0);
    PaginateRows(*this, c.Width(), c.Height(), h, RepeatsHeaderRow());
}

int32_t GridWindow::RowHeight(int32_t newHeight)
{
    RowHeightStore& store = ProcessRowHeightStore();
    if (newHeight < 1) {
        const int32_t h = store.Query(GetWndId());
        return h > 0 ? h : GetDefaultRowHeight();
    }
    store.Store(GetWndId(), newHeight, GetLanguage());
    return 0;
}

Rect GridWindow::GetTitleRect(const Rect& body)
{
    return TitleRectOf(body, GetTitleHeight());
}

Rect GridWindow::GetSubtitleRect(const Rect& body)
{
    const int32_t sh = GetSubtitleHeight();
    if (sh == 0)
        return Rect{};
    const Rect t = GetTitleRect(body);
    const int32_t top = t.top + t.Height();
    return Rect{t.left, top, t.right, top + sh};
}

Rect GridWindow::GetContentRect(int32_t page, DrawMode mode)
{
    const Rect body = GetBodyRect(GetPageRect(page, mode), mode);
    Rect c = body;
    c.top = GetTitleRect(body).bottom;
    const int32_t sh = GetSubtitleHeight();
    if (sh > 0)
        c.top += sh;
    return c;
}

std::u16string GridWindow::GetPageTitle()
{
    const std::u16string t = GetTitle();
    return t.empty() ? GetCaption() : t;
}

CellHit GridWindow::HitTest(int32_t x, int32_t y)
{
    const int32_t lx = ::PixelsToUnits(x, UnitsPer100PxX());
    const int32_t ly = ::PixelsToUnits(y + ScrollPosition(), UnitsPer100PxY());
    const int32_t n = GetPageCount();
    for (int32_t p = 1; p <= n; ++p) {
        if (!GetPageRect(p, DrawMode::Screen).Contains(lx, ly))
            continue;
        const Rect c = GetContentRect(p, DrawMode::Screen);
        return HitTestCellsOnPage(rows, p, c.left, c.top, lx, ly);
    }
    return CellHit{};
}

void GridWindow::OnCellClick(int32_t row, int32_t cell, const Click& click)
{
    const std::u16string text = u"请重载此函数\n行:" + IntToWide(row) + u" 列:" + IntToWide(cell) + u"\r\n" +
                                u" OnclickInfo=\r\n" + Utf8ToWide(click.ToString());
    Ui().ShowMessage(this, text, Utf8ToWide(ProductName(GetLanguage(), false)), MessageBoxStyle::Ok);
}

void GridWindow::paintEvent(QPaintEvent* event)
{
    if (ClientRect().Height() <= 9)
        return;
    // The corner buttons are child windows that paint themselves over the
    // view; they only have to exist.
    EnsureButtons();
    PageView::paintEvent(event);
}

void GridWindow::mouseMoveEvent(QMouseEvent* event)
{
    WindowBase::mouseMoveEvent(event);
    const QPoint pos = event->position().toPoint();
    const CellHit hit = HitTest(pos.x(), pos.y());
    if (hit.row != hoverRow || hit.cell != hoverCell) {
        hoverRow = hit.row;
        hoverCell = hit.cell;
        InvalidateClient();
    }
}

void GridWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        OnMenu(1);
        return;
    }
    WindowBase::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    const CellHit hit = HitTest(pos.x(), pos.y());
    pressedRow = hit.row;
    pressedCell = hit.cell;
}

void GridWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        WindowBase::mouseReleaseEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    const CellHit hit = HitTest(pos.x(), pos.y());
    const bool same = hit.row != -1 && hit.row == pressedRow && hit.cell == pressedCell;
    pressedRow = pressedCell = -1;
    if (!same)
        return;
    const Cell cell = (hit.row >= 0 && static_cast<size_t>(hit.row) < rows.size())
                          ? GetCell(rows[static_cast<size_t>(hit.row)], hit.cell)
                          : Cell("", 0.0f);
    const Click click = cell.OnClick();
    OnCellClick(hit.row, hit.cell, click);
}
