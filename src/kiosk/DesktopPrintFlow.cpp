// The print flow of the desktop: a touch sends a print request, the server's
// reply is queued by the receive thread, and the 100 ms tick prints it.

#include "foundation/Product.h"
#include "kiosk/AccessCodeDialog.h"
#include "kiosk/KioskPrinting.h"
#include "kiosk/SelfPrintDesktop.h"
#include "platform/UiSeam.h"
#include "print/PrintJob.h"
#include "scorecard/PairScorecardWindow.h"
#include "scorecard/TeamScorecardWindow.h"
#include "scorecard/TestPageSample.h"
#include "settings/TeamSelectionDialog.h"

void SelfPrintDesktop::StartReprint()
{
    // Before the first confirmation nobody has checked an access code, and
    // the gate would let anyone through: no reprint until then.
    if (!desk.IsSynchronized())
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
    const int32_t section = dialog.GetChosenSection();
    const int32_t team = dialog.GetChosenTeam();
    if (PrintJournal* journal = desk.Journal()) {
        std::string label;
        {
            std::lock_guard<std::mutex> lock(desk.DeskMutex());
            label = desk.EntryLabelLocked(section, team);
        }
        journal->Write(JournalEvent::kReprint, PrintJournal::EntryFields(label, section, team));
    }
    if (!PrinterReadyForTouch(section, team))
        return;
    desk.RequestPrint(section, team);
}

namespace {

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
    TeamScorecardJob job;
    if (!desk.TakeTeamJob(job))
        return false;
    TeamScorecardWindow* view = EnsureTeamView();
    PlaceView(view);
    view->BuildTeamScorecard(job, true);
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
    printJob.ClearLastResult();
    EnsurePairView()->Print(1, PrintMode::ChooseOnly);
    if (printing && printJob.LastResult().kind == PrintResult::Kind::ChosenOnly) {
        // Scorecards held for a printer print on the one just chosen.
        printing->WatchChosenPrinter();
        printing->RetryAll();
    }
}

void SelfPrintDesktop::PrintTestPage()
{
    // Refused like a touch while the printer or the kiosk's storage cannot
    // take it: queued behind a held job it would come out at some later,
    // unknown time. Without a printer chosen it goes on: its print dialog
    // is where one is chosen.
    if (printing) {
        const KioskPrinting::Block block = printing->WhatBlocks();
        if (block.Any() && !(block.storage.Ok() && block.printer == PrinterProblem::NotChosen)) {
            desk.ShowNote(KioskPrinting::BlockNote(block, GetLanguage()));
            Json::Value fields(Json::objectValue);
            fields["reason"] = "refused: " + block.Name();
            printing->Journal().Write(JournalEvent::kTestPage, fields);
            Repaint();
            return;
        }
    }
    TeamScorecardWindow* view = EnsureTeamView();
    PlaceView(view);
    printJob.ClearLastResult();
    printJob.SetNextLabel("test-page");
    view->BuildTeamScorecard(MakeTestPageJob(), true);
    if (!printing)
        return;
    const PrintResult& result = printJob.LastResult();
    Json::Value fields(Json::objectValue);
    switch (result.kind) {
    case PrintResult::Kind::Sent:
        fields["printer"] = result.outcome.printer;
        if (result.outcome.jobId > 0)
            fields["job"] = result.outcome.jobId;
        if (result.outcome.status == PrintOutcome::Status::Failed)
            fields["reason"] = result.outcome.error;
        break;
    case PrintResult::Kind::Cancelled: fields["reason"] = "print dialog cancelled"; break;
    case PrintResult::Kind::CannotOpen: fields["reason"] = "printer cannot be opened"; break;
    default: break;
    }
    printing->Journal().Write(JournalEvent::kTestPage, fields);
}

PrintResult SelfPrintDesktop::PrintSpooled(const SpoolEntry& entry)
{
    ScorecardJob job;
    if (!ReadScorecardMessage(entry.message, job)) {
        PrintResult unreadable;
        unreadable.kind = PrintResult::Kind::Sent;
        unreadable.outcome.status = PrintOutcome::Status::Failed;
        unreadable.outcome.error = "the spooled message is not a scorecard";
        return unreadable;
    }
    printJob.ClearLastResult();
    printJob.SetNextLabel(entry.label, false);
    if (job.kind == ScorecardJob::Kind::Team) {
        TeamScorecardWindow* view = EnsureTeamView();
        PlaceView(view);
        view->BuildTeamScorecard(job.team, true);
    } else {
        PairScorecardWindow* view = EnsurePairView();
        PlaceView(view);
        view->BuildPairScorecard(job.pair, true);
    }
    return printJob.LastResult();
}

void SelfPrintDesktop::RetryPending()
{
    if (!printing)
        return;
    // Locked, it is the director's: a player may not stop or start printing.
    if (fullScreen && desk.IsSynchronized() && !AccessCodeGate())
        return;
    // A queue the printing system stopped after a failed job holds what the
    // kiosk gave it; it is started again here, where there is no terminal.
    std::string error;
    if (!printing->ResumeStoppedPrinter(error)) {
        std::u16string note =
            LangTextW("打印系统拒绝重新启动打印机: %1||The printing system refused to start the printer again: %1||<其它>",
                      GetLanguage());
        note.replace(note.find(u"%1"), 2, Utf8ToWide(error));
        desk.ShowNote(note);
        Repaint();
    }
    printing->RetryAll();
}

void SelfPrintDesktop::DiscardPending()
{
    if (!printing || printing->PendingCount() == 0)
        return;
    const LangIndex lang = GetLanguage();
    const std::u16string question =
        LangTextW("放弃所有待打印的记分表?||Discard every pending scorecard? They will not be printed.||<其它>", lang);
    if (Ui().ShowMessage(this, question, Utf8ToWide(ProductName(lang, false)),
                         MessageBoxStyle::OkCancel | MessageBoxStyle::IconQuestion | MessageBoxStyle::DefaultButton2) !=
        MessageBoxAnswer::Ok)
        return;
    printing->DiscardAll();
}
