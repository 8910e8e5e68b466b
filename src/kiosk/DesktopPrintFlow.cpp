// The print flow of the desktop: a touch sends a print request, the server's
// reply is queued by the receive thread, and the 100 ms tick prints it.

#include "kiosk/CDlgInput_Password.h"
#include "kiosk/DesktopWnd_jovSelfPrint.h"
#include "platform/UiSeam.h"
#include "print/PrintJob.h"
#include "scorecard/TestPageSample.h"
#include "scorecard/PairScorecardWindow.h"
#include "scorecard/TeamScorecardWindow.h"
#include "settings/CDlgAppendPrint.h"

void DesktopWnd_jovSelfPrint::StartReprint(bool fromButton)
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
    CDlgAppendPrint dialog(GetLanguage(), std::move(entries), this);
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
View* EnsureView(View*& view, DesktopWnd_jovSelfPrint& desktop, int32_t id)
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

TeamScorecardWindow* DesktopWnd_jovSelfPrint::EnsureTeamView()
{
    return EnsureView(teamView, *this, TeamViewId);
}

PairScorecardWindow* DesktopWnd_jovSelfPrint::EnsurePairView()
{
    return EnsureView(pairView, *this, PairViewId);
}

void DesktopWnd_jovSelfPrint::PlaceView(QWidget* view)
{
    const Rect r = ScorecardViewRect(ClientRect());
    view->setGeometry(r.left, r.top, r.Width(), r.Height());
}

bool DesktopWnd_jovSelfPrint::PrintNextTeamJob()
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
    view->BuildTeamScorecard(job.scorecard, job.deals, job.eventKind, job.scoreLabel, job.caption, true);
    teamPrintIdle = true;
    return true;
}

bool DesktopWnd_jovSelfPrint::PrintPairSlot()
{
    DeskState::PairScorecard pair;
    if (!desk.TakePairScorecard(pair))
        return false;
    PairScorecardWindow* view = EnsurePairView();
    PlaceView(view);
    view->BuildPairScorecard(pair.boards, pair.deals, pair.eventKind, pair.title, pair.subtitle, true);
    return true;
}

void DesktopWnd_jovSelfPrint::SelectPrinter()
{
    EnsurePairView()->Print(1, kPrintChooseOnly);
}

void DesktopWnd_jovSelfPrint::PrintTestPage()
{
    const TeamScorecardJob job = MakeTestPageJob();
    TeamScorecardWindow* view = EnsureTeamView();
    PlaceView(view);
    view->BuildTeamScorecard(job.scorecard, job.deals, job.eventKind, job.scoreLabel, job.caption, true);
}
