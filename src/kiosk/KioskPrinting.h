#pragma once
// The kiosk's durable printing: every scorecard the server hands over waits
// in the print spool until the printing system reports it printed; the
// printer is watched so that a touch is refused (with a note saying why)
// while it cannot print, and whatever is waiting prints by itself once it
// can; every step goes into the print journal.
//
// An entry's way: spooled (waiting) -> submitted (the printing system's job)
// -> completed (moved to the spool's done/ folder). A job that is aborted,
// cancelled, or lost with its printer goes back to waiting and is printed
// again when the printer can print; a cancelled first print dialog holds the
// entry until the director chooses a printer or retries. Entries survive a
// restart: submitted ones are followed again, waiting ones print.
//
// GUI thread, except the spool and the journal, which the receive thread
// also writes to (both are thread-safe).

#include "foundation/LocText.h"
#include "platform/CupsPrinters.h"
#include "platform/PrintSystem.h"
#include "platform/PrinterWatch.h"
#include "print/PrintJob.h"
#include "print/PrintJournal.h"
#include "print/PrintSpool.h"
#include "print/StorageHealth.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class KioskPrinting {
public:
    // How long a failed attempt waits before the next one.
    static constexpr std::chrono::seconds kRetryPause{10};

    // Prints one spooled scorecard on the GUI thread and says what became of
    // it (the print job's LastResult).
    using PrintEntryFn = std::function<PrintResult(const SpoolEntry&)>;

    // The spool in `dataFolder` + "spool/", the journal in `dataFolder` +
    // "print-journal.jsonl". `changed` is called (on any thread) when what
    // the screen shows of printing may have changed.
    // `job` is the print job whose chosen printer is watched.
    KioskPrinting(const std::string& dataFolder, PrintJob& job, std::function<void()> changed,
                  std::FILE* journalMirror = stderr);
    ~KioskPrinting();
    KioskPrinting(const KioskPrinting&) = delete;
    KioskPrinting& operator=(const KioskPrinting&) = delete;

    PrintSpool& Spool() { return spool; }
    PrintJournal& Journal() { return journal; }

    // Watches the printer the next job will use: the chosen one, else the
    // printing system's default destination, or the PDF folder/file chosen.
    // Call again after the director chose a printer.
    void WatchChosenPrinter();
    // Waits (bounded) until the printer has been looked at once.
    bool WaitForPrinter(std::chrono::milliseconds timeout);

    // Why the printer cannot print now; None when it can.
    PrinterProblem Problem();
    // The note for a problem, in `lang`; "" for None.
    static std::u16string ProblemNote(PrinterProblem problem, LangIndex lang);
    // The localized triple of a problem's note (nullptr for None).
    static const char* ProblemNoteText(PrinterProblem problem);

    // The kiosk's own storage as last looked at (twice a second at most,
    // and after every scorecard that arrives).
    const StorageStatus& Storage() const { return storage; }
    // The note for a storage problem, naming the folder or file, in `lang`;
    // "" when the storage is fine.
    static std::u16string StorageNote(const StorageStatus& status, LangIndex lang);

    // What keeps a touch, a reprint or the test page from being sent now:
    // the kiosk's storage (a scorecard it cannot keep must not be asked for)
    // or the printer. Scorecards already pending print regardless of the
    // storage, from memory when they must.
    struct Block {
        StorageStatus storage;
        PrinterProblem printer = PrinterProblem::None;
        bool Any() const { return !storage.Ok() || printer != PrinterProblem::None; }
        // For the journal: "storage: <problem>" or the printer's problem.
        std::string Name() const;
    };
    Block WhatBlocks();
    // The block as the last tick saw it, without asking anything: for
    // painting, which must not wait for a disk or the printing system.
    const Block& LastBlock() const { return lastBlock; }
    static std::u16string BlockNote(const Block& block, LangIndex lang);

    // One step, on the desktop's tick: follows submitted jobs, and prints the
    // oldest waiting scorecard when the printer can print. True when it
    // printed one (one per tick, as before). The caller keeps it from being
    // entered again while `print` lets events in.
    bool Tick(const PrintEntryFn& print);

    // Something new is in the spool: the next tick looks at once (otherwise
    // the spool is looked at twice a second), at the storage too. Any
    // thread.
    void Poke()
    {
        poked = true;
        storageSuspect = true;
    }

    size_t PendingCount() { return spool.PendingCount(); }
    // Every pending entry that is not with the printing system prints again
    // at the next chance (held and paused ones included), and jobs the
    // printing system holds after a failed attempt are let go.
    void RetryAll();
    // Starts the watched printer's queue again when the printing system has
    // stopped it (its error policy stops it after a failed job), letting go
    // of the jobs it holds, without anyone at a terminal; journaled either
    // way. Nothing when the queue is not stopped. False with `error` (in
    // English, the printing system's reason) when it refused.
    bool ResumeStoppedPrinter(std::string& error);
    // Gives up every pending entry that is not with the printing system;
    // how many were discarded.
    size_t DiscardAll();

    // The journal fields of a spool entry.
    static Json::Value EntryFields(const SpoolEntry& entry);

private:
    // Looks at the storage, journals a change, and writes entries kept in
    // memory into the spool once it takes them again.
    void LookAtStorage();
    void FollowSubmittedJobs(const PrinterSnapshot& snapshot);
    bool PrintNextWaiting(const PrintEntryFn& print);
    void Fail(SpoolEntry& entry, const std::string& reason, SpoolState next);
    void NotifyChanged();
    // The printing system's ids of the spool's submitted entries.
    std::vector<int32_t> SubmittedJobs();

    PrintSpool spool;
    PrintJournal journal;
    PrintJob& job;
    std::function<void()> changed;
    std::unique_ptr<PrinterWatch> watch;
    PrinterChoice watched; // the choice the watch was set up for
    PrinterProblem lastProblem = PrinterProblem::None;
    bool lastProblemKnown = false;
    int ticks = 0;
    std::atomic<bool> poked{true};
    std::atomic<bool> storageSuspect{true};
    StorageStatus storage;
    Block lastBlock;
    bool storageKnown = false;
    int storageTicks = 0;
    std::map<std::string, std::chrono::steady_clock::time_point> pausedUntil;
};
