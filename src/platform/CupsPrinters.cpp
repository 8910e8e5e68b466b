#include "platform/CupsPrinters.h"

#include <cups/cups.h>
#include <cups/ipp.h>

#include <array>
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

// A connection to the scheduler that gives up after kCupsTimeoutMs, or null
// when none answers.
Http ConnectScheduler()
{
    http_t* http =
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kCupsTimeoutMs, nullptr);
    if (http != nullptr)
        httpSetTimeout(http, kCupsTimeoutMs / 1000.0, nullptr, nullptr);
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

    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     status.queue.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
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
