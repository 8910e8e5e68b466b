// The print flow of the desktop: a touch sends a print request, the server's
// reply is queued by the receive thread, and the 100 ms tick prints it.

#include "kiosk/CDlgInput_Password.h"
#include "kiosk/DesktopWnd_jovSelfPrint.h"
#include "platform/UiSeam.h"
#include "settings/CDlgAppendPrint.h"

void DesktopWnd_jovSelfPrint::StartReprint(bool fromButton)
{
    if (fromButton && desk.IsConnectionInProgress())
        return;
    if (desk.GetSettings().GetCodeRequired() && !AccessCodeGate())
        return;
    std::vector<SelfPrint_qiv::SignupOne_SelfPrint> entries;
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

// Printing the received scorecards needs the scorecard views; until they are
// part of the kiosk the queue is left alone and the tick goes on to its poll.
bool DesktopWnd_jovSelfPrint::PrintNextTeamJob()
{
    return false;
}

bool DesktopWnd_jovSelfPrint::PrintPairSlot()
{
    return false;
}

void DesktopWnd_jovSelfPrint::SelectPrinter() {}

void DesktopWnd_jovSelfPrint::PrintTestPage() {}
