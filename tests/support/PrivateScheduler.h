#pragma once
// A private print scheduler for one test suite (scripts/cups-private): its
// own folder, socket and PDF queue, reached by setting CUPS_SERVER for this
// process. It needs root and cupsd; where they are missing, Start says why
// and the tests skip.

#include "support/RunTool.h"
#include "support/TempDir.h"

#include <cups/cups.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#ifndef BP_SOURCE_DIR
#error "BP_SOURCE_DIR must name the project's folder"
#endif

class PrivateScheduler {
public:
    static constexpr const char* kQueue = "Kiosk_PDF";

    ~PrivateScheduler() { Stop(); }

    // "" when the scheduler runs; otherwise why it cannot. Members of
    // `systemGroups` (group names separated by spaces, as the scheduler's
    // SystemGroup takes them) may administer its queue.
    std::string Start(const std::string& systemGroups = "root")
    {
        if (::geteuid() != 0)
            return "the private print scheduler needs root";
        if (std::system("command -v cupsd >/dev/null 2>&1") != 0)
            return "cupsd is not installed";
        if (!dir_.Valid())
            return "no temporary folder";
        ::chmod(dir_.Path().c_str(), 0755);
        root_ = dir_.Path() + "/cups";
        systemGroups_ = systemGroups;
        const std::string out = Script("start " + root_ + " 2>&1");
        if (out.find("CUPS_SERVER=") == std::string::npos)
            return "the private scheduler did not start: " + out;
        ::setenv("CUPS_SERVER", Socket().c_str(), 1);
        // libcups keeps the server per thread; this thread reads it again.
        cupsSetServer(nullptr);
        started_ = true;
        return {};
    }

    void Stop()
    {
        if (started_)
            Script("stop " + root_ + " >/dev/null 2>&1");
        started_ = false;
    }

    std::string Socket() const { return root_ + "/cups.sock"; }
    std::string PdfFolder() const { return root_ + "/pdf"; }
    std::string Folder() const { return root_; }

    // Runs a CUPS command line against this scheduler (lpadmin, cupsdisable,
    // ...); its output.
    std::string Cups(const std::string& command) const
    {
        return tools::RunTool("CUPS_SERVER=" + Socket() + " " + command + " 2>&1");
    }
    // Makes the queue's device misbehave ("fail", "media-empty", "slow 3";
    // "" behaves again).
    void Fault(const std::string& mode) const { Script("fault " + root_ + " '" + mode + "'"); }
    // Adds a queue that prints through a printer driver of the system's
    // CUPS packages (by default the generic PostScript one) to the AppSocket
    // port `port` on 127.0.0.1. "" when it is there; otherwise why not.
    std::string AddSocketQueue(const std::string& queue, uint16_t port, const std::string& model = "") const
    {
        const std::string out =
            Script("socket-queue " + root_ + " " + queue + " " + std::to_string(port) + " " + model + " 2>&1");
        return out.find("CUPS_PRIVATE_SOCKET_QUEUE=" + queue) != std::string::npos ? std::string() : out;
    }
    // The file the scheduler keeps a job's first document in while the job
    // waits in its queue (it is removed once the job is done).
    std::string SpooledDocument(int32_t job) const
    {
        char name[32];
        std::snprintf(name, sizeof name, "/spool/d%05d-001", int(job));
        return root_ + name;
    }
    // The last lines of the scheduler's log, for a failure message.
    std::string LogTail(int lines = 30) const
    {
        return tools::RunTool("tail -n " + std::to_string(lines) + " " + root_ + "/log/error_log 2>&1");
    }
    // Puts the queue back as it started: there, enabled, accepting, default.
    // No jobs left, no PDFs filed.
    void Restore() const
    {
        Fault("");
        Script("start " + root_ + " >/dev/null 2>&1");
        Cups("cancel -a -x");
        std::error_code ec;
        for (const auto& f : std::filesystem::directory_iterator(PdfFolder(), ec))
            std::filesystem::remove(f.path(), ec);
        std::filesystem::remove(root_ + "/filed", ec);
    }

    // The PDFs the queue has filed so far.
    std::vector<std::string> Printed() const
    {
        std::vector<std::string> files;
        std::error_code ec;
        for (const auto& f : std::filesystem::directory_iterator(PdfFolder(), ec))
            if (f.path().extension() == ".pdf")
                files.push_back(f.path().filename().string());
        return files;
    }
    // Waits until `count` PDFs have been filed (or `seconds` passed).
    bool WaitForPrinted(size_t count, int seconds = 20) const
    {
        for (int i = 0; i < seconds * 10; ++i) {
            if (Printed().size() >= count)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

private:
    // A scheduler started again by Restore keeps its system groups.
    std::string Script(const std::string& args) const
    {
        return tools::RunTool("CUPS_PRIVATE_SYSTEM_GROUP='" + systemGroups_ +
                              "' bash " BP_SOURCE_DIR "/scripts/cups-private " + args);
    }

    TempDir dir_{"bp-cups"};
    std::string root_;
    std::string systemGroups_ = "root";
    bool started_ = false;
};
