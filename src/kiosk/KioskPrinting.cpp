#include "kiosk/KioskPrinting.h"

#include "comm/ProtocolKeys.h"
#include "platform/PrintSystem.h"

#include <unistd.h>

#include <algorithm>
#include <utility>

namespace {

constexpr std::chrono::milliseconds kWatchInterval{2000};

// Nothing from the printing system yet, or a PDF folder/file destination:
// the printer is "there" when its folder can be written.
PrinterStatus FolderStatus(const std::string& folder)
{
    PrinterStatus status;
    status.queue = folder;
    status.found = !folder.empty() && ::access(folder.c_str(), W_OK | X_OK) == 0;
    status.accepting = status.found;
    status.state = PrinterState::Idle;
    status.problem = status.found ? PrinterProblem::None : PrinterProblem::NotFound;
    return status;
}

std::string FolderOf(const std::string& file)
{
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash + 1);
}

PrinterWatch::StatusProbe ProbeFor(const PrinterChoice& choice)
{
    const std::string port = WideToUtf8(choice.port);
    if (choice.driver == kDriverPdfFolder)
        return [port] { return FolderStatus(port); };
    if (choice.driver == kDriverPdf)
        return [folder = FolderOf(port)] { return FolderStatus(folder); };
    // A printer of the system, or none chosen yet: then the print dialog
    // will start from the default destination, which is what is watched.
    const std::string queue = choice.driver == kDriverPrinter ? WideToUtf8(choice.device) : std::string();
    return [queue] { return QueryPrinterStatus(queue); };
}

bool IsTeam(const SpoolEntry& e)
{
    return e.msgId == kMsgTeamScorecard;
}

} // namespace

KioskPrinting::KioskPrinting(const std::string& dataFolder, PrintJob& printJob, std::function<void()> changedFn,
                             std::FILE* journalMirror)
    : spool(dataFolder + "spool/"), journal(dataFolder + "print-journal.jsonl", journalMirror), job(printJob),
      changed(std::move(changedFn))
{
    watched = job.Chosen();
    watch = std::make_unique<PrinterWatch>(ProbeFor(watched), &QueryPrintJob, kWatchInterval, [this] {
        NotifyChanged();
    });
    Json::Value fields(Json::objectValue);
    fields["pending"] = static_cast<Json::UInt64>(spool.PendingCount());
    journal.Write(JournalEvent::kStart, fields);
    watch->WatchJobs(SubmittedJobs());
    LookAtStorage();
}

void KioskPrinting::NotifyChanged()
{
    if (changed)
        changed();
}

std::vector<int32_t> KioskPrinting::SubmittedJobs()
{
    std::vector<int32_t> jobs;
    for (const SpoolEntry& e : spool.Pending())
        if (e.state == SpoolState::Submitted)
            jobs.push_back(e.printJob);
    return jobs;
}

KioskPrinting::~KioskPrinting()
{
    // The watch thread calls `changed`; it stops before anything else goes.
    watch.reset();
}

void KioskPrinting::WatchChosenPrinter()
{
    watched = job.Chosen();
    watch->SetStatusProbe(ProbeFor(watched));
}

bool KioskPrinting::WaitForPrinter(std::chrono::milliseconds timeout)
{
    return watch->WaitForFreshLook(timeout);
}

Json::Value KioskPrinting::EntryFields(const SpoolEntry& entry)
{
    Json::Value fields = PrintJournal::EntryFields(entry.label, entry.sectionId, entry.teamNumber);
    fields["spool"] = entry.id;
    return fields;
}

PrinterProblem KioskPrinting::Problem()
{
    const PrinterSnapshot snapshot = watch->Latest();
    // Not looked at yet: a touch is not refused on a guess.
    PrinterProblem problem = snapshot.valid ? snapshot.printer.problem : PrinterProblem::None;
    if (problem == PrinterProblem::None && job.Chosen().IsEmpty()) {
        // The director cancelled the print dialog of the first print: until
        // a printer is chosen, further scorecards would only wait.
        for (const SpoolEntry& e : spool.Pending())
            if (e.state == SpoolState::Held)
                return PrinterProblem::NotChosen;
    }
    return problem;
}

const char* KioskPrinting::ProblemNoteText(PrinterProblem problem)
{
    switch (problem) {
    case PrinterProblem::None: return nullptr;
    case PrinterProblem::MediaEmpty:
        return "打印机缺纸,请通知裁判.||Printer out of paper, please tell the "
               "director(cn:打印机缺纸,请通知裁判).||<其它>";
    case PrinterProblem::MediaJam:
        return "打印机卡纸,请通知裁判.||Paper jam in the printer, please tell the director(cn:打印机卡纸,请通知裁判).||"
               "<其它>";
    case PrinterProblem::TonerEmpty:
        return "打印机墨粉用完,请通知裁判.||Printer out of toner, please tell the "
               "director(cn:打印机墨粉用完,请通知裁判)."
               "||<其它>";
    case PrinterProblem::DoorOpen:
        return "打印机盖未关好,请通知裁判.||Printer cover open, please tell the director(cn:打印机盖未关好,请通知裁判)."
               "||<其它>";
    case PrinterProblem::NoScheduler:
        return "打印服务未运行,请通知裁判.||Printing service not running, please tell the director(cn:"
               "打印服务未运行,请通知裁判).||<其它>";
    case PrinterProblem::NoPrinter:
    case PrinterProblem::NotFound:
        return "找不到打印机,请通知裁判.||Printer not found, please tell the director(cn:找不到打印机,请通知裁判).||"
               "<其它>";
    case PrinterProblem::NotChosen:
        return "未选择打印机,请通知裁判.||No printer chosen, please tell the director(cn:未选择打印机,请通知裁判).||"
               "<其它>";
    case PrinterProblem::NotAccepting:
    case PrinterProblem::Stopped:
    case PrinterProblem::Offline:
        return "打印机未就绪,请通知裁判.||Printer not ready, please tell the director(cn:打印机未就绪,请通知裁判).||"
               "<其它>";
    }
    return nullptr;
}

std::u16string KioskPrinting::ProblemNote(PrinterProblem problem, LangIndex lang)
{
    const char* text = ProblemNoteText(problem);
    return text != nullptr ? LangTextW(text, lang) : std::u16string();
}

void KioskPrinting::LookAtStorage()
{
    storageSuspect = false;
    storageTicks = 0;
    const StorageStatus now = CheckStorage(spool.Folder(), journal.Path());
    if (!storageKnown || !(now == storage)) {
        // Also on standard error, where the journal's lines are mirrored:
        // a journal that cannot be written still says it there.
        Json::Value fields(Json::objectValue);
        fields["state"] = StorageProblemName(now.problem);
        if (!now.Ok()) {
            fields["reason"] = now.detail;
            fields["path"] = now.path;
        }
        if (storageKnown || !now.Ok())
            journal.Write(JournalEvent::kStorage, fields);
        storage = now;
        lastBlock.storage = now;
        storageKnown = true;
        NotifyChanged();
    }
    if (!storage.Ok() || spool.KeptCount() == 0)
        return;
    std::string error;
    for (const SpoolEntry& written : spool.WriteKeptEntries(error)) {
        Json::Value fields = EntryFields(written);
        fields["from"] = "memory";
        journal.Write(JournalEvent::kSpooled, fields);
    }
    if (spool.KeptCount() > 0)
        storageSuspect = true; // the folder looked fine but did not take them: look again
    NotifyChanged();
}

std::string KioskPrinting::Block::Name() const
{
    if (!storage.Ok())
        return std::string("storage: ") + StorageProblemName(storage.problem);
    return PrinterProblemName(printer);
}

KioskPrinting::Block KioskPrinting::WhatBlocks()
{
    Block block;
    block.storage = storage;
    block.printer = Problem();
    return block;
}

std::u16string KioskPrinting::StorageNote(const StorageStatus& status, LangIndex lang)
{
    const char* text = nullptr;
    switch (status.problem) {
    case StorageProblem::None: return {};
    case StorageProblem::LowSpace:
        text = "数据文件夹 %1 已满,记分表无法保存,请通知裁判.||The kiosk's data folder %1 is full, so scorecards "
               "cannot be kept; please tell the director(cn:数据文件夹已满,请通知裁判).||<其它>";
        break;
    case StorageProblem::SpoolUnwritable:
    case StorageProblem::JournalUnwritable:
        text = "数据文件夹 %1 不能写入,请通知裁判.||The kiosk cannot write in %1; please tell the "
               "director(cn:数据文件夹不能写入,请通知裁判).||<其它>";
        break;
    case StorageProblem::SpoolNotAFolder:
    case StorageProblem::JournalNotAFile:
        text = "%1 不是打印记录可用的文件夹或文件,请通知裁判.||%1 is not a folder or file the kiosk can keep "
               "its print records in; please tell the director(cn:数据文件夹有误,请通知裁判).||<其它>";
        break;
    }
    std::u16string note = LangTextW(text, lang);
    const size_t at = note.find(u"%1");
    if (at != std::u16string::npos)
        note.replace(at, 2, Utf8ToWide(status.path));
    return note;
}

std::u16string KioskPrinting::BlockNote(const Block& block, LangIndex lang)
{
    if (!block.storage.Ok())
        return StorageNote(block.storage, lang);
    return ProblemNote(block.printer, lang);
}

bool KioskPrinting::Tick(const PrintEntryFn& print)
{
    // The storage every two seconds, and at once after a scorecard arrived.
    if (storageSuspect || ++storageTicks >= 20)
        LookAtStorage();
    // A printer chosen in a dialog since the last tick (the first print's,
    // or the director's) is the one to watch from now on.
    const PrinterChoice& chosen = job.Chosen();
    if (chosen.driver != watched.driver || chosen.device != watched.device || chosen.port != watched.port)
        WatchChosenPrinter();
    const PrinterSnapshot snapshot = watch->Latest();
    const PrinterProblem problem = Problem();
    lastBlock = Block{storage, problem};
    if (!lastProblemKnown || problem != lastProblem) {
        Json::Value fields(Json::objectValue);
        fields["state"] = PrinterProblemName(problem);
        fields["printer"] = snapshot.printer.queue;
        std::string reasons;
        for (const std::string& r : snapshot.printer.reasons)
            reasons += (reasons.empty() ? "" : ",") + r;
        if (!reasons.empty())
            fields["reason"] = reasons;
        if (lastProblemKnown || problem != PrinterProblem::None)
            journal.Write(JournalEvent::kPrinter, fields);
        lastProblem = problem;
        lastProblemKnown = true;
        NotifyChanged();
    }
    // The spool is read from disk; twice a second is soon enough unless a
    // scorecard has just arrived.
    if (++ticks < 5 && !poked.exchange(false))
        return false;
    ticks = 0;
    FollowSubmittedJobs(snapshot);
    if (problem != PrinterProblem::None)
        return false;
    const bool printed = PrintNextWaiting(print);
    if (printed)
        poked = true; // more may be waiting: the next tick looks again
    return printed;
}

void KioskPrinting::FollowSubmittedJobs(const PrinterSnapshot& snapshot)
{
    std::vector<int32_t> followed;
    for (SpoolEntry& entry : spool.Pending()) {
        if (entry.state != SpoolState::Submitted)
            continue;
        const auto seen = snapshot.jobs.find(entry.printJob);
        if (seen == snapshot.jobs.end()) {
            followed.push_back(entry.printJob); // not asked about yet
            continue;
        }
        const PrintJobState state = seen->second.state;
        if (state == PrintJobState::Completed) {
            Json::Value fields = EntryFields(entry);
            fields["job"] = entry.printJob;
            fields["printer"] = entry.printer;
            spool.MarkPrinted(entry.id);
            journal.Write(JournalEvent::kCompleted, fields);
            NotifyChanged();
        } else if (JobFailed(state)) {
            std::string reason = std::string("job ") + PrintJobStateName(state);
            if (!seen->second.reasons.empty())
                reason += " (" + seen->second.reasons + ")";
            Fail(entry, reason, SpoolState::Waiting);
        } else {
            // Pending, held or stopped with the printing system: it prints
            // by itself once the printer is back, and must not be sent twice.
            followed.push_back(entry.printJob);
        }
    }
    watch->WatchJobs(std::move(followed));
}

void KioskPrinting::Fail(SpoolEntry& entry, const std::string& reason, SpoolState next)
{
    Json::Value fields = EntryFields(entry);
    fields["reason"] = reason;
    fields["attempt"] = entry.attempts;
    if (entry.printJob > 0)
        fields["job"] = entry.printJob;
    if (!entry.printer.empty())
        fields["printer"] = entry.printer;
    entry.state = next;
    entry.printJob = 0;
    entry.lastError = reason;
    std::string error;
    if (!spool.Update(entry, error))
        fields["spoolError"] = error;
    journal.Write(JournalEvent::kFailed, fields);
    pausedUntil[entry.id] = std::chrono::steady_clock::now() + kRetryPause;
    NotifyChanged();
}

bool KioskPrinting::PrintNextWaiting(const PrintEntryFn& print)
{
    std::vector<SpoolEntry> pending = spool.Pending();
    // Team scorecards go before pair and individual ones, each in order of
    // arrival.
    std::stable_partition(pending.begin(), pending.end(), IsTeam);
    const auto now = std::chrono::steady_clock::now();
    for (SpoolEntry& entry : pending) {
        if (entry.state != SpoolState::Waiting)
            continue;
        const auto paused = pausedUntil.find(entry.id);
        if (paused != pausedUntil.end() && paused->second > now)
            continue;
        pausedUntil.erase(entry.id);

        if (entry.attempts > 0) {
            Json::Value fields = EntryFields(entry);
            fields["attempt"] = entry.attempts + 1;
            journal.Write(JournalEvent::kRetried, fields);
        }
        const PrintResult result = print(entry);

        switch (result.kind) {
        case PrintResult::Kind::Cancelled: Fail(entry, "print dialog cancelled", SpoolState::Held); return true;
        case PrintResult::Kind::CannotOpen: Fail(entry, "printer cannot be opened", SpoolState::Waiting); return true;
        case PrintResult::Kind::None:
        case PrintResult::Kind::ChosenOnly: Fail(entry, "nothing was printed", SpoolState::Waiting); return true;
        case PrintResult::Kind::Sent: break;
        }
        ++entry.attempts;
        const PrintOutcome& outcome = result.outcome;
        if (outcome.status == PrintOutcome::Status::Failed) {
            Fail(entry, outcome.error, SpoolState::Waiting);
            return true;
        }
        Json::Value fields = EntryFields(entry);
        fields["job"] = outcome.jobId;
        fields["printer"] = outcome.printer;
        fields["attempt"] = entry.attempts;
        fields["name"] = WideToUtf8(result.jobName);
        journal.Write(JournalEvent::kSubmitted, fields);
        if (outcome.status == PrintOutcome::Status::Completed) {
            spool.MarkPrinted(entry.id);
            fields.removeMember("attempt");
            fields.removeMember("name");
            journal.Write(JournalEvent::kCompleted, fields);
        } else {
            entry.state = SpoolState::Submitted;
            entry.printJob = outcome.jobId;
            entry.printer = outcome.printer;
            entry.lastError.clear();
            std::string error;
            if (!spool.Update(entry, error)) {
                Json::Value f = EntryFields(entry);
                f["reason"] = "spool: " + error;
                journal.Write(JournalEvent::kFailed, f);
            }
            std::vector<int32_t> jobs = SubmittedJobs();
            if (std::find(jobs.begin(), jobs.end(), outcome.jobId) == jobs.end())
                jobs.push_back(outcome.jobId); // followed even if the spool could not record it
            watch->WatchJobs(std::move(jobs));
        }
        NotifyChanged();
        return true;
    }
    return false;
}

void KioskPrinting::RetryAll()
{
    const PrinterSnapshot snapshot = watch->Latest();
    for (SpoolEntry& entry : spool.Pending()) {
        if (entry.state == SpoolState::Submitted) {
            // A job the printing system holds after a failed attempt would
            // wait for its own retry time; the director wants it now.
            const auto seen = snapshot.jobs.find(entry.printJob);
            std::string error;
            if (seen != snapshot.jobs.end() && seen->second.state == PrintJobState::Held &&
                ReleasePrintJob(entry.printJob, error)) {
                Json::Value fields = EntryFields(entry);
                fields["job"] = entry.printJob;
                journal.Write(JournalEvent::kRetried, fields);
            }
            continue;
        }
        pausedUntil.erase(entry.id);
        if (entry.state == SpoolState::Held) {
            entry.state = SpoolState::Waiting;
            std::string error;
            spool.Update(entry, error);
        }
    }
    watch->Refresh();
    NotifyChanged();
}

bool KioskPrinting::ResumeStoppedPrinter(std::string& error)
{
    const PrinterSnapshot snapshot = watch->Latest();
    // Stopped, whatever else the printer says (out of paper, say: the
    // paper the director has just put in clears that with the next job).
    if (!snapshot.valid || !snapshot.printer.found || snapshot.printer.state != PrinterState::Stopped)
        return true;
    // The queue the watch looks at: the chosen printer, or the default
    // destination the print dialog will start from.
    const std::string queue = snapshot.printer.queue;
    Json::Value fields(Json::objectValue);
    fields["printer"] = queue;
    const bool resumed = ResumePrinterQueue(queue, error);
    if (!resumed)
        fields["reason"] = error;
    journal.Write(JournalEvent::kResumed, fields);
    watch->Refresh();
    NotifyChanged();
    return resumed;
}

size_t KioskPrinting::DiscardAll()
{
    size_t discarded = 0;
    for (const SpoolEntry& entry : spool.Pending()) {
        if (entry.state == SpoolState::Submitted)
            continue;
        if (spool.Discard(entry.id)) {
            ++discarded;
            journal.Write(JournalEvent::kDiscarded, EntryFields(entry));
        }
        pausedUntil.erase(entry.id);
    }
    NotifyChanged();
    return discarded;
}
