#pragma once
// Keeps an eye on the printer the kiosk will print on and on the jobs it gave
// the printing system, from a thread of its own: asking the scheduler may
// wait (a busy or hung scheduler, a slow network printer), and the kiosk's
// screen must never wait with it. The GUI thread reads the latest answers.

#include "platform/CupsPrinters.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

struct PrinterSnapshot {
    bool valid = false;                     // false until the first look has finished
    PrinterStatus printer;                  // the printer as last seen
    std::map<int32_t, PrintJobStatus> jobs; // the watched jobs as last seen
};

class PrinterWatch {
public:
    using StatusProbe = std::function<PrinterStatus()>;
    using JobProbe = std::function<PrintJobStatus(int32_t)>;

    // Looks every `interval`, and at once when asked to. `changed` (may be
    // empty) is called on the watch thread after a look that changed
    // something; it must not block.
    PrinterWatch(StatusProbe status, JobProbe job, std::chrono::milliseconds interval,
                 std::function<void()> changed = {});
    // Stops the thread; waits for a look in progress to end.
    ~PrinterWatch();
    PrinterWatch(const PrinterWatch&) = delete;
    PrinterWatch& operator=(const PrinterWatch&) = delete;

    // Another printer to watch (the director chose one); looks at once.
    void SetStatusProbe(StatusProbe status);
    // The jobs to follow from now on; looks at once when a new one is among them.
    void WatchJobs(std::vector<int32_t> jobs);
    // Looks at once.
    void Refresh();
    PrinterSnapshot Latest() const;
    // Blocks until a look that started after this call has finished (tests,
    // and start-up, which wants to know the printer before the first touch).
    // False when `timeout` passed first.
    bool WaitForFreshLook(std::chrono::milliseconds timeout);

private:
    void Run();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable looked_;
    StatusProbe status_;
    JobProbe job_;
    std::function<void()> changed_;
    std::chrono::milliseconds interval_;
    std::vector<int32_t> jobs_;
    PrinterSnapshot latest_;
    uint64_t looksDone_ = 0;
    uint64_t looksStarted_ = 0;
    bool refresh_ = false;
    bool stop_ = false;
    std::thread thread_;
};
