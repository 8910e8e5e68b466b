#pragma once
// What the printing system (CUPS, through libcups) says about a printer and
// about the jobs the kiosk gave it, and handing it a finished PDF.
//
// Every call here talks to the scheduler over its socket and may wait for it
// (bounded by kCupsTimeoutMs); the kiosk asks from its printer watch thread,
// not from the GUI thread, except for the submission itself, which happens
// where printing always happened.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

inline constexpr int kCupsTimeoutMs = 5000;

// Why a printer cannot print now; None when it can.
enum class PrinterProblem {
    None,
    NoScheduler,  // no printing system answers
    NoPrinter,    // no printer chosen and no default destination
    NotFound,     // the chosen printer is not (or no longer) there
    NotAccepting, // the queue rejects jobs
    Stopped,      // the queue is stopped (paused, or stopped by an error)
    MediaEmpty,   // out of paper
    MediaJam,     // paper jam
    TonerEmpty,   // out of toner or ink
    DoorOpen,     // a door or cover is open
    Offline,      // the device does not answer
    NotChosen,    // the print dialog was cancelled and no printer is chosen
};

// The printer's state values as the printing system reports them.
enum class PrinterState { Unknown, Idle, Processing, Stopped };

struct PrinterStatus {
    std::string queue; // the queue asked about (the default destination resolved)
    bool found = false;
    bool accepting = false;
    PrinterState state = PrinterState::Unknown;
    std::vector<std::string> reasons; // printer-state-reasons, "none" left out
    std::string message;              // printer-state-message, as the driver put it
    PrinterProblem problem = PrinterProblem::NoScheduler;

    bool CanPrint() const { return problem == PrinterProblem::None; }
};

// The problem a printer in this state has. Reasons with a "-warning" or
// "-report" suffix (toner low, media low, ...) do not stop printing; those
// without a suffix or with "-error" do.
PrinterProblem ClassifyPrinter(bool found, bool accepting, PrinterState state, const std::vector<std::string>& reasons);
// A short English name of the problem for the journal ("media-empty", ...).
const char* PrinterProblemName(PrinterProblem problem);

// Asks the scheduler about `queue`; an empty queue means the default
// destination.
PrinterStatus QueryPrinterStatus(const std::string& queue);

// A job as the printing system reports it.
enum class PrintJobState { Pending, Held, Processing, Stopped, Cancelled, Aborted, Completed, NotFound, Unknown };
struct PrintJobStatus {
    PrintJobState state = PrintJobState::Unknown;
    std::string reasons; // job-state-reasons, comma-separated
};
PrintJobStatus QueryPrintJob(int32_t jobId);
// "pending", "completed", ...
const char* PrintJobStateName(PrintJobState state);
// The job is over without being printed and will not print by itself.
inline bool JobFailed(PrintJobState s)
{
    return s == PrintJobState::Cancelled || s == PrintJobState::Aborted || s == PrintJobState::NotFound;
}

// Lets a held job (held after a failed attempt, waiting for its retry time)
// go on at once. False with `error` set when the printing system refuses.
bool ReleasePrintJob(int32_t jobId, std::string& error);

// Starts `queue` again after it stopped (its error policy stops it when the
// device fails a job) and lets go of the jobs it holds, so that the job it
// stopped on prints, once, without anyone at a terminal: Resume-Printer,
// Release-Held-New-Jobs, and Release-Job for each job the queue itself holds
// (held for a retry after a failed attempt, or held on arrival while the
// queue held new jobs). A job someone held on purpose (job-hold-until set)
// stays held. Whether the queue accepts jobs is left as it is. An empty queue
// means the default destination. The whole call takes at most
// kCupsTimeoutMs and never asks for a password.
//
// The printing system lets only its administrators do this: with the
// scheduler's default policy, a user in one of its SystemGroup groups
// (lpadmin on Debian) asking over the local socket, who is known there by the
// socket's peer credentials. False with `error` set when it refuses (saying
// the user may not administer printers), when no printing system answers or
// the queue is not there.
bool ResumePrinterQueue(const std::string& queue, std::string& error);

// Options for a job, as name/value pairs ("sides", "two-sided-long-edge").
using PrintOptions = std::vector<std::pair<std::string, std::string>>;

// Hands the PDF file to `queue` as one job titled `title`. The job id, or 0
// with `error` set.
int32_t SubmitPdfJob(const std::string& queue, const std::string& pdfPath, const std::string& title,
                     const PrintOptions& options, std::string& error);
