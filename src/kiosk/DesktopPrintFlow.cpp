// The print flow of the desktop: a touch sends a print request, the server's
// reply is queued by the receive thread, and the 100 ms tick prints it.

#include "kiosk/AccessCodeDialog.h"
#include "kiosk/SelfPrintDesktop.h"
#include "platform/UiSeam.h"
#include "print/PrintJob.h"
#include "scorecard/PairScorecardWindow.h"
#include "scorecard/TeamScorecardWindow.h"
#include "scorecard/TestPageSample.h"
#include "settings/TeamSelectionDialog.h"

void SelfPrintDesktop::StartReprint(bool fromButton)
{
    if (fromButton && desk.IsConnectionInProgress())
        return;
    if (desk.GetSettings().GetCodeRequired() && !AccessCodeGate())
        return;
    std::vector<SignupEntry> entries;
    {
        std::lock_guard<std::mutex> lock(desk.DeskMutex());
        entries.assign(desk.FullListLocked().begin(), desk.FullListLocked().end());
    }
    TeamSelectionDialog dialog(GetLanguage(), std::move(entries), this);
    if (Ui().RunDialog(dialog) != QDialog::Accepted)
        return;
    if (desk.IsConnectionInProgress()) {
        desk.ShowLocalizedNote(DeskState::kNoteNotSynchronized);
        return;
    }
    desk.RequestPrint(dialog.GetChosenSection(), dialog.GetChosenTeam());
}

namespace {

// No team job is being printed. Printing pumps window events, so a timer
// tick can arrive in the middle of a team print; it must not start a second
// team job then. Touched only on the GUI thread.
bool teamPrintIdle = true;

// Creates the view on first use as a hidden child of the desktop; while it
// is hidden it covers the desktop's whole client area.
template <class View>
View* EnsureView(View*& view, SelfPrintDesktop& desktop, int32_t id)
{
    if (view == nullptr) {
        view = new View();
        view->Create(&desktop, id);
    }
    if (!view->isVisible())
        view->setGeometry(desktop.viewport()->rect());
    return view;
}

} // namespace

TeamScorecardWindow* SelfPrintDesktop::EnsureTeamView()
{
    return EnsureView(teamView, *this, kTeamScorecardViewId);
}

PairScorecardWindow* SelfPrintDesktop::EnsurePairView()
{
    return EnsureView(pairView, *this, kPairScorecardViewId);
}

void SelfPrintDesktop::PlaceView(QWidget* view)
{
    const Rect r = ScorecardViewRect(ClientRect());
    view->setGeometry(r.left, r.top, r.Width(), r.Height());
}

bool SelfPrintDesktop::PrintNextTeamJob()
{
    if (!teamPrintIdle || desk.TeamJobCount() == 0)
        return false;
    teamPrintIdle = false;
    TeamScorecardJob job;
    if (!desk.TakeTeamJob(job)) {
        teamPrintIdle = true;
        return false;
    }
    TeamScorecardWindow* view = EnsureTeamView();
    PlaceView(view);
    view->BuildTeamScorecard(job, true);
    teamPrintIdle = true;
    return true;
}

bool SelfPrintDesktop::PrintPairSlot()
{
    PairScorecardJob pair;
    if (!desk.TakePairScorecard(pair))
        return false;
    PairScorecardWindow* view = EnsurePairView();
    PlaceView(view);
    view->BuildPairScorecard(pair, true);
    return true;
}

void SelfPrintDesktop::SelectPrinter()
{
    EnsurePairView()->Print(1, PrintMode::ChooseOnly);
}

void SelfPrintDesktop::PrintTestPage()
{
    TeamScorecardWindow* view = EnsureTeamView();
    PlaceView(view);
    view->BuildTeamScorecard(MakeTestPageJob(), true);
}
