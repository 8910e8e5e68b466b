#include "platform/PrinterWatch.h"

#include <algorithm>
#include <utility>

namespace {

bool SameStatus(const PrinterStatus& a, const PrinterStatus& b)
{
    return a.queue == b.queue && a.found == b.found && a.accepting == b.accepting && a.state == b.state &&
           a.reasons == b.reasons && a.problem == b.problem;
}

bool SameJobs(const std::map<int32_t, PrintJobStatus>& a, const std::map<int32_t, PrintJobStatus>& b)
{
    if (a.size() != b.size())
        return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
        if (i->first != j->first || i->second.state != j->second.state)
            return false;
    }
    return true;
}

} // namespace

PrinterWatch::PrinterWatch(StatusProbe status, JobProbe job, std::chrono::milliseconds interval,
                           std::function<void()> changed)
    : status_(std::move(status)), job_(std::move(job)), changed_(std::move(changed)), interval_(interval)
{
    thread_ = std::thread([this] { Run(); });
}

PrinterWatch::~PrinterWatch()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void PrinterWatch::SetStatusProbe(StatusProbe status)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        status_ = std::move(status);
        refresh_ = true;
    }
    wake_.notify_all();
}

void PrinterWatch::WatchJobs(std::vector<int32_t> jobs)
{
    bool fresh = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const int32_t id : jobs)
            fresh = fresh || std::find(jobs_.begin(), jobs_.end(), id) == jobs_.end();
        jobs_ = std::move(jobs);
        refresh_ = refresh_ || fresh;
    }
    if (fresh)
        wake_.notify_all();
}

void PrinterWatch::Refresh()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        refresh_ = true;
    }
    wake_.notify_all();
}

PrinterSnapshot PrinterWatch::Latest() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return latest_;
}

bool PrinterWatch::WaitForFreshLook(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex_);
    const uint64_t target = looksStarted_ + 1;
    refresh_ = true;
    wake_.notify_all();
    return looked_.wait_for(lock, timeout, [&] { return looksDone_ >= target || stop_; }) && !stop_;
}

void PrinterWatch::Run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        StatusProbe status = status_;
        JobProbe job = job_;
        const std::vector<int32_t> jobs = jobs_;
        refresh_ = false;
        ++looksStarted_;
        lock.unlock();

        // The scheduler is asked without the lock: the GUI thread must be
        // able to read the last answers while a look waits.
        PrinterSnapshot next;
        next.valid = true;
        if (status)
            next.printer = status();
        for (const int32_t id : jobs)
            next.jobs[id] = job ? job(id) : PrintJobStatus{};

        lock.lock();
        const bool changed =
            !latest_.valid || !SameStatus(latest_.printer, next.printer) || !SameJobs(latest_.jobs, next.jobs);
        latest_ = std::move(next);
        ++looksDone_;
        looked_.notify_all();
        if (changed && changed_) {
            std::function<void()> notify = changed_;
            lock.unlock();
            notify();
            lock.lock();
        }
        wake_.wait_for(lock, interval_, [&] { return stop_ || refresh_; });
    }
}
