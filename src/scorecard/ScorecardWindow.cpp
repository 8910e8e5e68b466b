#include "scorecard/ScorecardWindow.h"

#include "platform/UiSeam.h"
#include "scorecard/HandDiagrams.h"
#include "scorecard/ScorecardLayout.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPushButton>

#include <algorithm>

ScorecardWindow::ScorecardWindow() = default;
ScorecardWindow::~ScorecardWindow() = default;

void ScorecardWindow::DrawPlayerBoxes(Canvas&, const Rect&, DrawMode)
{
}

std::string ScorecardWindow::GetAuctionText(int32_t, bool)
{
    return {};
}

int32_t ScorecardWindow::HandLevel() const
{
    return HandLevelFor(deals.size());
}

std::u16string ScorecardWindow::GetPageTitle()
{
    return Utf8ToWide(caption) + u" " + LangTextW("记分表||Scorecard[cn:记分表]||<其它>", GetLanguage());
}

int32_t ScorecardWindow::RowHeight(int32_t)
{
    const int32_t h = ScorecardRowHeight(rows.size(), deals.size());
    if (!HandsShownFor(deals.size()))
        return h;
    // The title, subtitle and repeated heading line stand above the rows
    // too: the lines that share the room down to the diagrams are the rows
    // and that heading line, so the rows shrink until the last one ends
    // above the diagrams.
    const Rect body = GetBodyRect(GetPageRect(1, DrawMode::Screen), DrawMode::Screen);
    const Rect content = GetContentRect(1, DrawMode::Screen);
    const size_t lines = rows.size() + (RepeatsHeaderRow() ? 1 : 0);
    return std::min(h, FittingRowHeight(HandDiagramsTop(body) - content.top, lines));
}

Rect ScorecardWindow::GetTitleRect(const Rect& body)
{
    return ScorecardTitleRect(body, GetTitleHeight(), HandLevel());
}

Rect ScorecardWindow::GetContentRect(int32_t page, DrawMode mode)
{
    return ScorecardContentRect(GridWindow::GetContentRect(page, mode), HandLevel());
}

void ScorecardWindow::DrawAfterGrid(Canvas& dc, const Rect& body, DrawMode mode)
{
    if (HasPlayerBoxes())
        DrawPlayerBoxes(dc, body, mode);
    else
        GridWindow::DrawAfterGrid(dc, body, mode);
    DrawHandDiagrams(dc, body);
}

bool ScorecardWindow::ShowsLastPageStamp()
{
    return !HandsShownFor(deals.size());
}

void ScorecardWindow::DrawHandDiagrams(Canvas& dc, const Rect& area)
{
    DrawHandDiagramsIn(dc, area, deals, GetEventKind(), GetLanguage(),
                       [this](int32_t board, bool closedRoom) { return GetAuctionText(board, closedRoom); });
}

QPoint ScorecardWindow::MenuAnchor()
{
    EnsureButtons();
    int y = QCursor::pos().y();
    if (const QPushButton* button = OptionsButton())
        y = button->mapToGlobal(QPoint(0, button->height())).y();
    return QPoint(QCursor::pos().x(), y);
}

void ScorecardWindow::OnMenu(int32_t)
{
    const LangIndex lang = GetLanguage();
    QMenu menu(this);
    QAction* print = menu.addAction(QString::fromStdU16String(LangTextW("打印...||Print...||<其它>", lang)));
    print->setData(kScorecardMenuPrint);
    menu.addSeparator();
    QAction* close = menu.addAction(
        QString::fromStdU16String(LangTextW("关闭(回到主窗口)||Close(Back to the main window)||<其它>", lang)));
    close->setData(kScorecardMenuClose);

    // The menu opens centred on the cursor's x, its top at the bottom edge
    // of the options button.
    QPoint at = MenuAnchor();
    at.rx() -= menu.sizeHint().width() / 2;
    const QAction* chosen = Ui().TrackMenu(menu, at);
    const int command = chosen ? chosen->data().toInt() : 0;
    if (command == kScorecardMenuPrint)
        Print(1, PrintMode::WithDialog);
    else if (command == kScorecardMenuClose)
        hide();
}
