#include "platform/CupsPrinters.h"

#include <cups/cups.h>
#include <cups/ipp.h>

#include <array>
#include <chrono>
#include <cstring>
#include <memory>

namespace {

struct HttpClose {
    void operator()(http_t* http) const { httpClose(http); }
};
struct IppDelete {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Http = std::unique_ptr<http_t, HttpClose>;
using Ipp = std::unique_ptr<ipp_t, IppDelete>;

// A connection to the scheduler that gives up after `timeoutMs`, or null
// when none answers.
Http ConnectScheduler(int timeoutMs = kCupsTimeoutMs)
{
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, timeoutMs, nullptr);
    if (http != nullptr)
        httpSetTimeout(http, timeoutMs / 1000.0, nullptr, nullptr);
    return Http(http);
}

bool SchedulerGone(ipp_status_t status)
{
    return status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE || status == IPP_STATUS_ERROR_INTERNAL;
}

// The default destination's name, or "".
std::string DefaultQueue(http_t* http, ipp_status_t& status)
{
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_DEFAULT);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
    Ipp response(cupsDoRequest(http, request, "/"));
    status = cupsLastError();
    if (!response)
        return {};
    ipp_attribute_t* name = ippFindAttribute(response.get(), "printer-name", IPP_TAG_NAME);
    return name != nullptr ? std::string(ippGetString(name, 0, nullptr)) : std::string();
}

std::string StripSeverity(const std::string& reason, bool& blocking)
{
    static const std::array<const char*, 3> suffixes{"-error", "-warning", "-report"};
    for (const char* suffix : suffixes) {
        const size_t n = std::strlen(suffix);
        if (reason.size() > n && reason.compare(reason.size() - n, n, suffix) == 0) {
            blocking = std::strcmp(suffix, "-error") == 0;
            return reason.substr(0, reason.size() - n);
        }
    }
    blocking = true;
    return reason;
}

// A request about the queue `queue`, made as the kiosk's user.
ipp_t* NewPrinterRequest(ipp_op_t op, const std::string& queue)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     queue.c_str());
    ipp_t* request = ippNewRequest(op);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return request;
}

// A request about one of our jobs, made as its owner.
ipp_t* NewJobRequest(ipp_op_t op, int32_t jobId)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/jobs/%d", jobId);
    ipp_t* request = ippNewRequest(op);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return request;
}

// The kiosk has nobody to type a password. libcups would otherwise ask on
// the process's terminal (the kiosk service's is tty7, under its X server)
// and wait there for ever; without one, a scheduler that wants a password is
// a refusal at once.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*)
{
    return nullptr;
}

// Refuses password requests on this thread while it lives. libcups keeps the
// callback per thread; nothing else in the kiosk sets one, so the default is
// put back afterwards.
class NoPasswordPrompt {
public:
    NoPasswordPrompt() { cupsSetPasswordCB2(NoPassword, nullptr); }
    ~NoPasswordPrompt() { cupsSetPasswordCB2(nullptr, nullptr); }
    NoPasswordPrompt(const NoPasswordPrompt&) = delete;
    NoPasswordPrompt& operator=(const NoPasswordPrompt&) = delete;
};

// One time limit for a call made of several exchanges: each exchange may
// wait only for what is left of it.
class Deadline {
public:
    explicit Deadline(int ms) : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms)) {}
    int LeftMs() const
    {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now()).count();
        return left > 0 ? static_cast<int>(left) : 0;
    }
    // Gives the connection what is left; false when nothing is.
    bool Bound(http_t* http) const
    {
        const int left = LeftMs();
        if (left <= 0)
            return false;
        httpSetTimeout(http, left / 1000.0, nullptr, nullptr);
        return true;
    }

private:
    std::chrono::steady_clock::time_point end_;
};

// Sends an administrative request about a queue; the scheduler's status.
ipp_status_t DoAdminRequest(http_t* http, ipp_t* request)
{
    // The administrative operations live under /admin/, as for the
    // scheduler's own command-line tools.
    Ipp response(cupsDoRequest(http, request, "/admin/"));
    return cupsLastError();
}

// Why the scheduler did not do `what` to `queue`, in words for the director.
std::string ResumeFailure(ipp_status_t status, const char* what, const std::string& queue)
{
    const std::string user = cupsUser();
    switch (status) {
    case IPP_STATUS_ERROR_FORBIDDEN:
        return "the printing system refused to " + std::string(what) + " " + queue + ": the user " + user +
               " may not administer printers (it is not in the scheduler's SystemGroup, lpadmin on Debian)";
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
        return "the printing system refused to " + std::string(what) + " " + queue + ": it wants the user " + user +
               " to give a password, which the kiosk does not have (without one it knows a user only on its "
               "local socket)";
    case IPP_STATUS_ERROR_NOT_FOUND: return "there is no printer " + queue;
    default: break;
    }
    if (SchedulerGone(status))
        return "no printing system answers";
    const char* why = cupsLastErrorString();
    return "the printing system could not " + std::string(what) + " " + queue + ": " +
           (why != nullptr && *why != '\0' ? why : ippErrorString(status));
}

// The jobs on `queue` that the queue itself holds: held, though the job did
// not ask to be (job-hold-until no-hold). A failed attempt under the
// retry-job policy leaves a job so until its retry time, and so does a job
// that arrived while the queue held new jobs: releasing the queue's hold on
// new jobs does not release those.
std::vector<int32_t> JobsTheQueueHolds(http_t* http, const std::string& queue, ipp_status_t& status)
{
    std::vector<int32_t> held;
    ipp_t* request = NewPrinterRequest(IPP_OP_GET_JOBS, queue);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "not-completed");
    static const char* const wanted[] = {"job-id", "job-state", "job-hold-until"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, wanted);
    Ipp response(cupsDoRequest(http, request, "/"));
    status = cupsLastError();
    if (!response || status > IPP_STATUS_OK_CONFLICTING)
        return held;
    int32_t id = 0;
    int state = 0;
    std::string holdUntil;
    // The jobs come one after another, each group ended by a separator.
    auto finishJob = [&] {
        if (id > 0 && state == IPP_JSTATE_HELD && holdUntil == "no-hold")
            held.push_back(id);
        id = 0;
        state = 0;
        holdUntil.clear();
    };
    for (ipp_attribute_t* a = ippFirstAttribute(response.get()); a != nullptr; a = ippNextAttribute(response.get())) {
        const char* name = ippGetName(a);
        if (name == nullptr) {
            finishJob();
            continue;
        }
        if (ippGetGroupTag(a) != IPP_TAG_JOB)
            continue;
        if (std::strcmp(name, "job-id") == 0)
            id = ippGetInteger(a, 0);
        else if (std::strcmp(name, "job-state") == 0)
            state = ippGetInteger(a, 0);
        else if (std::strcmp(name, "job-hold-until") == 0) {
            const char* value = ippGetString(a, 0, nullptr);
            holdUntil = value != nullptr ? value : "";
        }
    }
    finishJob();
    return held;
}

} // namespace

PrinterProblem ClassifyPrinter(bool found, bool accepting, PrinterState state, const std::vector<std::string>& reasons)
{
    if (!found)
        return PrinterProblem::NotFound;
    // A device fault says more to the person at the printer than the queue
    // state it caused, so it is looked at first.
    for (const std::string& raw : reasons) {
        bool blocking = true;
        const std::string reason = StripSeverity(raw, blocking);
        if (!blocking)
            continue;
        if (reason == "media-empty" || reason == "media-needed" || reason == "input-tray-missing")
            return PrinterProblem::MediaEmpty;
        if (reason == "media-jam")
            return PrinterProblem::MediaJam;
        if (reason == "toner-empty" || reason == "marker-supply-empty" || reason == "marker-waste-full")
            return PrinterProblem::TonerEmpty;
        if (reason == "door-open" || reason == "cover-open" || reason == "interlock-open")
            return PrinterProblem::DoorOpen;
        if (reason == "offline" || reason == "shutdown" || reason == "timed-out")
            return PrinterProblem::Offline;
    }
    if (!accepting)
        return PrinterProblem::NotAccepting;
    if (state == PrinterState::Stopped)
        return PrinterProblem::Stopped;
    return PrinterProblem::None;
}

const char* PrinterProblemName(PrinterProblem problem)
{
    switch (problem) {
    case PrinterProblem::None: return "ready";
    case PrinterProblem::NoScheduler: return "no-scheduler";
    case PrinterProblem::NoPrinter: return "no-printer";
    case PrinterProblem::NotFound: return "not-found";
    case PrinterProblem::NotAccepting: return "not-accepting";
    case PrinterProblem::Stopped: return "stopped";
    case PrinterProblem::MediaEmpty: return "media-empty";
    case PrinterProblem::MediaJam: return "media-jam";
    case PrinterProblem::TonerEmpty: return "toner-empty";
    case PrinterProblem::DoorOpen: return "door-open";
    case PrinterProblem::Offline: return "offline";
    case PrinterProblem::NotChosen: return "not-chosen";
    }
    return "unknown";
}

PrinterStatus QueryPrinterStatus(const std::string& queue)
{
    PrinterStatus status;
    status.queue = queue;
    Http http = ConnectScheduler();
    if (!http) {
        status.problem = PrinterProblem::NoScheduler;
        return status;
    }
    if (status.queue.empty()) {
        ipp_status_t ipp = IPP_STATUS_OK;
        status.queue = DefaultQueue(http.get(), ipp);
        if (status.queue.empty()) {
            status.problem = SchedulerGone(ipp) ? PrinterProblem::NoScheduler : PrinterProblem::NoPrinter;
            return status;
        }
    }

    ipp_t* request = NewPrinterRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, status.queue);
    static const char* const wanted[] = {"printer-state", "printer-state-reasons", "printer-is-accepting-jobs",
                                         "printer-state-message"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 4, nullptr, wanted);
    Ipp response(cupsDoRequest(http.get(), request, "/"));
    const ipp_status_t ipp = cupsLastError();
    if (!response || ipp > IPP_STATUS_OK_CONFLICTING) {
        status.problem = SchedulerGone(ipp) ? PrinterProblem::NoScheduler : PrinterProblem::NotFound;
        return status;
    }
    status.found = true;
    if (ipp_attribute_t* a = ippFindAttribute(response.get(), "printer-state", IPP_TAG_ENUM)) {
        switch (ippGetInteger(a, 0)) {
        case IPP_PSTATE_IDLE: status.state = PrinterState::Idle; break;
        case IPP_PSTATE_PROCESSING: status.state = PrinterState::Processing; break;
        case IPP_PSTATE_STOPPED: status.state = PrinterState::Stopped; break;
        default: break;
        }
    }
    if (ipp_attribute_t* a = ippFindAttribute(response.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN))
        status.accepting = ippGetBoolean(a, 0) != 0;
    if (ipp_attribute_t* a = ippFindAttribute(response.get(), "printer-state-reasons", IPP_TAG_KEYWORD)) {
        for (int i = 0; i < ippGetCount(a); ++i) {
            const char* reason = ippGetString(a, i, nullptr);
            if (reason != nullptr && std::strcmp(reason, "none") != 0)
                status.reasons.emplace_back(reason);
        }
    }
    if (ipp_attribute_t* a = ippFindAttribute(response.get(), "printer-state-message", IPP_TAG_TEXT))
        status.message = ippGetString(a, 0, nullptr);
    status.problem = ClassifyPrinter(true, status.accepting, status.state, status.reasons);
    return status;
}

PrintJobStatus QueryPrintJob(int32_t jobId)
{
    PrintJobStatus status;
    Http http = ConnectScheduler();
    if (!http || jobId <= 0)
        return status;
    ipp_t* request = NewJobRequest(IPP_OP_GET_JOB_ATTRIBUTES, jobId);
    static const char* const wanted[] = {"job-state", "job-state-reasons"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, wanted);
    Ipp response(cupsDoRequest(http.get(), request, "/"));
    const ipp_status_t ipp = cupsLastError();
    if (ipp == IPP_STATUS_ERROR_NOT_FOUND) {
        status.state = PrintJobState::NotFound;
        return status;
    }
    if (!response || ipp > IPP_STATUS_OK_CONFLICTING)
        return status;
    if (ipp_attribute_t* a = ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM)) {
        switch (ippGetInteger(a, 0)) {
        case IPP_JSTATE_PENDING: status.state = PrintJobState::Pending; break;
        case IPP_JSTATE_HELD: status.state = PrintJobState::Held; break;
        case IPP_JSTATE_PROCESSING: status.state = PrintJobState::Processing; break;
        case IPP_JSTATE_STOPPED: status.state = PrintJobState::Stopped; break;
        case IPP_JSTATE_CANCELED: status.state = PrintJobState::Cancelled; break;
        case IPP_JSTATE_ABORTED: status.state = PrintJobState::Aborted; break;
        case IPP_JSTATE_COMPLETED: status.state = PrintJobState::Completed; break;
        default: break;
        }
    }
    if (ipp_attribute_t* a = ippFindAttribute(response.get(), "job-state-reasons", IPP_TAG_KEYWORD)) {
        for (int i = 0; i < ippGetCount(a); ++i) {
            if (i > 0)
                status.reasons += ',';
            status.reasons += ippGetString(a, i, nullptr);
        }
    }
    return status;
}

const char* PrintJobStateName(PrintJobState state)
{
    switch (state) {
    case PrintJobState::Pending: return "pending";
    case PrintJobState::Held: return "held";
    case PrintJobState::Processing: return "processing";
    case PrintJobState::Stopped: return "stopped";
    case PrintJobState::Cancelled: return "cancelled";
    case PrintJobState::Aborted: return "aborted";
    case PrintJobState::Completed: return "completed";
    case PrintJobState::NotFound: return "not-found";
    case PrintJobState::Unknown: return "unknown";
    }
    return "unknown";
}

bool ReleasePrintJob(int32_t jobId, std::string& error)
{
    Http http = ConnectScheduler();
    if (!http) {
        error = "no printing system answers";
        return false;
    }
    ipp_t* request = NewJobRequest(IPP_OP_RELEASE_JOB, jobId);
    Ipp response(cupsDoRequest(http.get(), request, "/jobs"));
    if (cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        error = cupsLastErrorString();
        return false;
    }
    return true;
}

bool ResumePrinterQueue(const std::string& queue, std::string& error)
{
    const Deadline deadline(kCupsTimeoutMs);
    const NoPasswordPrompt noPassword;
    Http http = ConnectScheduler(deadline.LeftMs());
    if (!http) {
        error = "no printing system answers";
        return false;
    }
    std::string name = queue;
    if (name.empty()) {
        ipp_status_t ipp = IPP_STATUS_OK;
        if (deadline.Bound(http.get()))
            name = DefaultQueue(http.get(), ipp);
        else
            ipp = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
        if (name.empty()) {
            error = SchedulerGone(ipp) ? "no printing system answers"
                                       : "no printer is chosen and there is no default destination";
            return false;
        }
    }

    // Started first: the job the queue stopped on waits in it as pending and
    // prints as soon as the queue runs.
    static const std::array<std::pair<ipp_op_t, const char*>, 2> steps{{
        {IPP_OP_RESUME_PRINTER, "resume"},
        {IPP_OP_RELEASE_HELD_NEW_JOBS, "release the jobs held by"},
    }};
    for (const auto& [op, what] : steps) {
        if (!deadline.Bound(http.get())) {
            error = "the printing system did not answer in time to " + std::string(what) + " " + name;
            return false;
        }
        const ipp_status_t ipp = DoAdminRequest(http.get(), NewPrinterRequest(op, name));
        if (ipp > IPP_STATUS_OK_CONFLICTING) {
            error = ResumeFailure(ipp, what, name);
            return false;
        }
    }

    if (!deadline.Bound(http.get())) {
        error = "the printing system did not answer in time to list the jobs of " + name;
        return false;
    }
    ipp_status_t ipp = IPP_STATUS_OK;
    const std::vector<int32_t> held = JobsTheQueueHolds(http.get(), name, ipp);
    if (ipp > IPP_STATUS_OK_CONFLICTING) {
        error = ResumeFailure(ipp, "list the jobs of", name);
        return false;
    }
    for (const int32_t job : held) {
        if (!deadline.Bound(http.get())) {
            error = "the printing system did not answer in time to release the jobs of " + name;
            return false;
        }
        Ipp response(cupsDoRequest(http.get(), NewJobRequest(IPP_OP_RELEASE_JOB, job), "/jobs"));
        const ipp_status_t released = cupsLastError();
        // A job that went on by itself (its retry time came) or was cancelled
        // meanwhile needs no release.
        if (released > IPP_STATUS_OK_CONFLICTING && released != IPP_STATUS_ERROR_NOT_POSSIBLE &&
            released != IPP_STATUS_ERROR_NOT_FOUND) {
            error = ResumeFailure(released, ("release job " + std::to_string(job) + " of").c_str(), name);
            return false;
        }
    }
    return true;
}

int32_t SubmitPdfJob(const std::string& queue, const std::string& pdfPath, const std::string& title,
                     const PrintOptions& options, std::string& error)
{
    Http http = ConnectScheduler();
    if (!http) {
        error = "no printing system answers";
        return 0;
    }
    cups_option_t* cupsOptions = nullptr;
    int count = 0;
    for (const auto& [name, value] : options)
        count = cupsAddOption(name.c_str(), value.c_str(), count, &cupsOptions);
    const int job = cupsPrintFile2(http.get(), queue.c_str(), pdfPath.c_str(), title.c_str(), count, cupsOptions);
    cupsFreeOptions(count, cupsOptions);
    if (job <= 0) {
        const char* why = cupsLastErrorString();
        error = why != nullptr && *why != '\0' ? why : "the printing system refused the job";
        return 0;
    }
    return job;
}
