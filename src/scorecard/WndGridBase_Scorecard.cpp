#include "scorecard/WndGridBase_Scorecard.h"

#include "platform/UiSeam.h"
#include "scorecard/HandDiagrams.h"
#include "scorecard/ScorecardLayout.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPushButton>

WndGridBase_Scorecard::WndGridBase_Scorecard() = default;
WndGridBase_Scorecard::~WndGridBase_Scorecard() = default;

void WndGridBase_Scorecard::DrawPlayerBoxes(Canvas&, const Rect&, int32_t) {}

std::string WndGridBase_Scorecard::GetAuctionText(int32_t, bool)
{
    return {};
}

int32_t WndGridBase_Scorecard::HandLevel() const
{
    return HandLevelFor(deals.size());
}

std::u16string WndGridBase_Scorecard::GetPageTitle()
{
    return Utf8ToWide(caption) + u" " + LangTextW("记分表||Scorecard[cn:记分表]||<其它>", GetLanguage());
}

int32_t WndGridBase_Scorecard::RowHeight(int32_t)
{
    return ScorecardRowHeight(rows.size(), deals.size());
}

Rect WndGridBase_Scorecard::GetTitleRect(const Rect& body)
{
    return ScorecardTitleRect(body, GetTitleHeight(), HandLevel());
}

Rect WndGridBase_Scorecard::GetContentRect(int32_t page, int32_t mode)
{
    return ScorecardContentRect(BridgeWnd_Grid_base::GetContentRect(page, mode), HandLevel());
}

void WndGridBase_Scorecard::DrawAfterGrid(Canvas& dc, const Rect& body, int32_t mode)
{
    if (HasPlayerBoxes())
        DrawPlayerBoxes(dc, body, mode);
    else
        BridgeWnd_Grid_base::DrawAfterGrid(dc, body, mode);
    DrawHandDiagrams(dc, body);
}

bool WndGridBase_Scorecard::ShowsLastPageStamp()
{
    return !HandsShownFor(deals.size());
}

void WndGridBase_Scorecard::DrawHandDiagrams(Canvas& dc, const Rect& area)
{
    DrawHandDiagramsIn(dc, area, deals, GetEventKind(), GetLanguage(),
                       [this](int32_t board, bool closedRoom) { return GetAuctionText(board, closedRoom); });
}

QPoint WndGridBase_Scorecard::MenuAnchor()
{
    EnsureButtons();
    int y = QCursor::pos().y();
    if (const QPushButton* button = OptionsButton())
        y = button->mapToGlobal(QPoint(0, button->height())).y();
    return QPoint(QCursor::pos().x(), y);
}

void WndGridBase_Scorecard::OnMenu(int32_t)
{
    const LangIndex lang = GetLanguage();
    QMenu menu(this);
    QAction* print = menu.addAction(QString::fromStdU16String(LangTextW("打印...||Print...||<其它>", lang)));
    print->setData(kScorecardMenuPrint);
    menu.addSeparator();
    QAction* close =
        menu.addAction(QString::fromStdU16String(LangTextW("关闭(回到主窗口)||Close(Back to the main window)||<其它>", lang)));
    close->setData(kScorecardMenuClose);

    // The menu opens centred on the cursor's x, its top at the bottom edge
    // of the options button.
    QPoint at = MenuAnchor();
    at.rx() -= menu.sizeHint().width() / 2;
    const QAction* chosen = Ui().TrackMenu(menu, at);
    const int command = chosen ? chosen->data().toInt() : 0;
    if (command == kScorecardMenuPrint)
        Print(1, 1);
    else if (command == kScorecardMenuClose)
        hide();
}
