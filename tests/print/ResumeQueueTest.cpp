// Resuming a stopped queue from the kiosk, as the unprivileged user it runs
// as. The private scheduler keeps the default policy for administering
// printers (an authenticated user in a SystemGroup group) and, as Debian does
// with "root lpadmin", names two groups: root and nogroup. That makes nobody
// (primary group nogroup) an administrator, as the package makes bpkiosk one
// through lpadmin, and leaves daemon out; no account is made. The helper
// resume-queue is run as those users with setpriv, so the scheduler knows
// them by the socket's peer credentials. Without root, cupsd or those users
// the tests skip.

#include "platform/CupsPrinters.h"
#include "support/PrivateScheduler.h"
#include "support/RunTool.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#ifndef BP_RESUME_QUEUE
#error "BP_RESUME_QUEUE must name the resume-queue helper"
#endif

namespace {

// Why these users cannot stand for a member and a non-member of the system
// group here; "" when they can.
std::string WhyNotTheseUsers()
{
    // Each look-up answers in a buffer the next one overwrites.
    const passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr)
        return "the user nobody is needed";
    const gid_t nobodyGroup = nobody->pw_gid;
    const passwd* daemon = ::getpwnam("daemon");
    if (daemon == nullptr)
        return "the user daemon is needed";
    const gid_t daemonGroup = daemon->pw_gid;
    const group* nogroup = ::getgrnam("nogroup");
    if (nogroup == nullptr)
        return "the group nogroup is needed";
    if (nobodyGroup != nogroup->gr_gid)
        return "nobody's primary group is not nogroup";
    if (daemonGroup == nogroup->gr_gid)
        return "daemon's primary group is nogroup";
    for (char** member = nogroup->gr_mem; *member != nullptr; ++member)
        if (std::string(*member) == "daemon")
            return "daemon is a member of nogroup";
    if (std::system("command -v setpriv >/dev/null 2>&1 && command -v script >/dev/null 2>&1") != 0)
        return "setpriv or script is not installed (util-linux, bsdutils)";
    return {};
}

class ResumeQueueTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        scheduler = new PrivateScheduler;
        whyNot = new std::string(WhyNotTheseUsers());
        if (whyNot->empty())
            *whyNot = scheduler->Start("root nogroup");
    }
    static void TearDownTestSuite()
    {
        delete scheduler;
        delete whyNot;
        scheduler = nullptr;
        whyNot = nullptr;
    }

    void SetUp() override
    {
        if (!whyNot->empty())
            GTEST_SKIP() << *whyNot;
        scheduler->Restore();
        // The build folder need not be open to other users; the scheduler's
        // folder is (its filters run as lp).
        helper = scheduler->Folder() + "/resume-queue";
        std::error_code ec;
        std::filesystem::copy_file(BP_RESUME_QUEUE, helper, std::filesystem::copy_options::overwrite_existing, ec);
        ASSERT_FALSE(ec) << ec.message();
        std::filesystem::permissions(helper, std::filesystem::perms(0755), ec);
        ASSERT_FALSE(ec) << ec.message();
        document = scheduler->Folder() + "/scorecard.txt";
        std::ofstream(document) << "Board 1  N 4S= +420\n";
    }

    // A job submitted with lp (as root), and its id; 0 when refused.
    int32_t Submit(const std::string& lpOptions = "") const
    {
        const std::string out =
            scheduler->Cups(std::string("lp -d ") + PrivateScheduler::kQueue + " " + lpOptions + " " + document);
        const std::string marker = std::string("request id is ") + PrivateScheduler::kQueue + "-";
        const size_t at = out.find(marker);
        EXPECT_NE(at, std::string::npos) << out;
        return at == std::string::npos ? 0 : std::atoi(out.c_str() + at + marker.size());
    }

    struct Outcome {
        int exit = -1;
        std::string output;
    };
    // The helper run as `user`:`group` with no other groups and at most
    // `seconds`; what it printed and its exit status (124: it did not end).
    // With `terminal` it has one, where libcups would ask for a password.
    Outcome ResumeAs(const char* user, const char* group, const std::string& queue, const std::string& env = "",
                     bool terminal = false, int seconds = 20) const
    {
        std::string command = "'" + helper + "' '" + queue + "'";
        if (terminal)
            command = "script -qec \"" + command + "\" /dev/null";
        const std::string out =
            tools::RunTool("timeout " + std::to_string(seconds) + " setsid -w setpriv --reuid=" + user +
                           " --regid=" + group + " --clear-groups env HOME=/ CUPS_SERVER='" + scheduler->Socket() +
                           "' " + env + " " + command + " </dev/null 2>&1; echo \"exit=$?\"");
        Outcome outcome;
        const size_t at = out.rfind("exit=");
        if (at != std::string::npos) {
            outcome.exit = std::atoi(out.c_str() + at + 5);
            outcome.output = out.substr(0, at);
        }
        return outcome;
    }

    // Polls until `done` holds (or 20 s passed); whether it held.
    template <typename Done>
    static bool WaitUntil(Done done)
    {
        for (int i = 0; i < 200; ++i) {
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return done();
    }

    // Submits a job the device fails, waits until the queue's error policy
    // has dealt with it (the job in `expected`), and lets the device behave
    // again.
    int32_t FailOneJob(PrintJobState expected)
    {
        scheduler->Fault("fail");
        const int32_t job = Submit();
        EXPECT_TRUE(WaitUntil([&] {
            const bool stopped = QueryPrinterStatus(PrivateScheduler::kQueue).state == PrinterState::Stopped;
            const PrintJobState state = QueryPrintJob(job).state;
            return state == expected && (expected != PrintJobState::Pending || stopped);
        })) << "job "
            << job << " is " << PrintJobStateName(QueryPrintJob(job).state);
        scheduler->Fault("");
        return job;
    }

    // How often the queue's device filed `job` (the backend adds a line for
    // each time; a job printed twice would still leave one file).
    int TimesPrinted(int32_t job) const
    {
        char name[32];
        std::snprintf(name, sizeof name, "job-%05d-", job);
        std::ifstream filed(scheduler->Folder() + "/filed");
        std::string line;
        int times = 0;
        while (std::getline(filed, line))
            if (line.rfind(name, 0) == 0)
                ++times;
        return times;
    }

    static PrivateScheduler* scheduler;
    static std::string* whyNot;
    std::string helper;
    std::string document;
};

PrivateScheduler* ResumeQueueTest::scheduler = nullptr;
std::string* ResumeQueueTest::whyNot = nullptr;

} // namespace

TEST_F(ResumeQueueTest, OnlyAMemberOfTheSystemGroupResumesTheStoppedQueue)
{
    struct Case {
        const char* name;
        const char* user;
        const char* group;
        std::string queue;
        bool resumes;
    };
    const Case cases[] = {
        {"nobody, in nogroup", "nobody", "nogroup", PrivateScheduler::kQueue, true},
        {"nobody, naming no queue: the default destination", "nobody", "nogroup", "", true},
        {"daemon, in no system group", "daemon", "daemon", PrivateScheduler::kQueue, false},
        // The peer credentials count, not the groups the process holds.
        {"daemon, running with nogroup as its group", "daemon", "nogroup", PrivateScheduler::kQueue, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scheduler->Restore();
        const int32_t job = FailOneJob(PrintJobState::Pending);
        ASSERT_TRUE(scheduler->Printed().empty());

        const Outcome outcome = ResumeAs(c.user, c.group, c.queue);
        if (c.resumes) {
            EXPECT_EQ(outcome.exit, 0) << outcome.output;
            EXPECT_EQ(outcome.output, "resumed\n");
            EXPECT_TRUE(WaitUntil([&] { return QueryPrintJob(job).state == PrintJobState::Completed; }))
                << PrintJobStateName(QueryPrintJob(job).state);
            const PrinterStatus status = QueryPrinterStatus(PrivateScheduler::kQueue);
            EXPECT_EQ(status.problem, PrinterProblem::None) << PrinterProblemName(status.problem);
            EXPECT_EQ(status.state, PrinterState::Idle);
            EXPECT_TRUE(status.accepting);
            // Once: one file, one line in the page log, even a while later.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            EXPECT_EQ(scheduler->Printed().size(), 1u);
            EXPECT_EQ(TimesPrinted(job), 1);
        } else {
            EXPECT_EQ(outcome.exit, 1) << outcome.output;
            EXPECT_NE(outcome.output.find(std::string("the user ") + c.user + " may not administer printers"),
                      std::string::npos)
                << outcome.output;
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
            const PrinterStatus status = QueryPrinterStatus(PrivateScheduler::kQueue);
            EXPECT_EQ(status.state, PrinterState::Stopped);
            EXPECT_EQ(QueryPrintJob(job).state, PrintJobState::Pending) << PrintJobStateName(QueryPrintJob(job).state);
            EXPECT_TRUE(scheduler->Printed().empty());
        }
    }
}

TEST_F(ResumeQueueTest, AJobHeldForARetryPrintsAndAJobHeldOnPurposeStaysHeld)
{
    // Under the retry-job policy the queue does not stop: it holds the
    // failed job until its retry time, minutes away.
    scheduler->Cups(std::string("lpadmin -p ") + PrivateScheduler::kQueue + " -o printer-error-policy=retry-job");
    const int32_t retried = FailOneJob(PrintJobState::Held);
    const int32_t kept = Submit("-H indefinite");
    ASSERT_EQ(QueryPrintJob(kept).state, PrintJobState::Held) << PrintJobStateName(QueryPrintJob(kept).state);

    const Outcome outcome = ResumeAs("nobody", "nogroup", PrivateScheduler::kQueue);
    EXPECT_EQ(outcome.exit, 0) << outcome.output;
    EXPECT_TRUE(WaitUntil([&] { return QueryPrintJob(retried).state == PrintJobState::Completed; }))
        << PrintJobStateName(QueryPrintJob(retried).state);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(TimesPrinted(retried), 1);
    EXPECT_EQ(QueryPrintJob(kept).state, PrintJobState::Held) << PrintJobStateName(QueryPrintJob(kept).state);
    EXPECT_EQ(scheduler->Printed().size(), 1u);
}

TEST_F(ResumeQueueTest, SaysWhyItCouldNotResume)
{
    // Over the socket the scheduler knows a user by its peer credentials
    // only when the user named is the one asking; otherwise it wants a
    // password. The kiosk has none and gives up at once, even where a
    // terminal could be asked (the scheduler's own tools ask there and wait).
    const Outcome wantsPassword = ResumeAs("nobody", "nogroup", PrivateScheduler::kQueue, "CUPS_USER=daemon", true, 10);
    EXPECT_EQ(wantsPassword.exit, 1) << wantsPassword.output;
    EXPECT_EQ(wantsPassword.output.find("Password"), std::string::npos) << wantsPassword.output;
    EXPECT_NE(wantsPassword.output.find("wants the user daemon to give a password"), std::string::npos)
        << wantsPassword.output;

    struct Case {
        const char* name;
        std::string server;  // CUPS_SERVER; "" keeps the scheduler's
        std::string command; // run against the scheduler first
        std::string queue;
        std::string error;
    };
    const Case cases[] = {
        {"no scheduler", scheduler->Folder() + "/no-such.sock", "true", PrivateScheduler::kQueue,
         "no printing system answers"},
        {"no such queue", "", "true", "No_Such_Queue", "there is no printer No_Such_Queue"},
        {"no default destination", "", std::string("lpadmin -x ") + PrivateScheduler::kQueue, "",
         "no printer is chosen and there is no default destination"},
    };
    const std::string saved = std::getenv("CUPS_SERVER");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scheduler->Restore();
        scheduler->Cups(c.command);
        ::setenv("CUPS_SERVER", c.server.empty() ? saved.c_str() : c.server.c_str(), 1);
        cupsSetServer(nullptr);
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(ResumePrinterQueue(c.queue, error));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kCupsTimeoutMs + 1000));
        EXPECT_EQ(error, c.error);
        ::setenv("CUPS_SERVER", saved.c_str(), 1);
        cupsSetServer(nullptr);
    }
}
