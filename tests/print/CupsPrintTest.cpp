// Printing through a real print scheduler: what the kiosk learns about the
// printer before a touch, and a job followed from submission to the paper.
// The scheduler is a private one (scripts/cups-private); without root or
// cupsd these tests skip.

#include "platform/CupsPrinters.h"
#include "platform/PrintSystem.h"
#include "platform/UiSeam.h"
#include "print/PrintJob.h"
#include "render/GridWindow.h"
#include "support/FixedRootServices.h"
#include "support/PrivateScheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

using Cell = Grid::Cell;
using Row = Grid::Row;

TEST(PrinterProblems, ComeFromTheQueueStateAndTheDeviceReasons)
{
    struct Case {
        const char* name;
        bool found;
        bool accepting;
        PrinterState state;
        std::vector<std::string> reasons;
        PrinterProblem expected;
    };
    const Case cases[] = {
        {"idle and ready", true, true, PrinterState::Idle, {}, PrinterProblem::None},
        {"printing", true, true, PrinterState::Processing, {"connecting-to-device"}, PrinterProblem::None},
        {"warnings do not stop it",
         true,
         true,
         PrinterState::Idle,
         {"toner-low-warning", "media-low-report"},
         PrinterProblem::None},
        {"gone", false, false, PrinterState::Unknown, {}, PrinterProblem::NotFound},
        {"rejecting jobs", true, false, PrinterState::Idle, {}, PrinterProblem::NotAccepting},
        {"stopped", true, true, PrinterState::Stopped, {"paused"}, PrinterProblem::Stopped},
        {"out of paper", true, true, PrinterState::Stopped, {"media-empty-error"}, PrinterProblem::MediaEmpty},
        {"out of paper, no suffix", true, true, PrinterState::Idle, {"media-empty"}, PrinterProblem::MediaEmpty},
        {"paper jam", true, true, PrinterState::Processing, {"media-jam-error"}, PrinterProblem::MediaJam},
        {"no toner", true, true, PrinterState::Idle, {"toner-empty-error"}, PrinterProblem::TonerEmpty},
        {"cover open", true, true, PrinterState::Idle, {"cover-open"}, PrinterProblem::DoorOpen},
        {"offline", true, true, PrinterState::Idle, {"offline-report", "offline"}, PrinterProblem::Offline},
        {"device fault beats the queue state",
         true,
         false,
         PrinterState::Stopped,
         {"media-jam"},
         PrinterProblem::MediaJam},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ClassifyPrinter(c.found, c.accepting, c.state, c.reasons), c.expected);
    }
}

namespace {

class CupsPrintTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        scheduler = new PrivateScheduler;
        whyNot = new std::string(scheduler->Start());
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
        root.themeColour = [](int32_t) { return kBlack; };
        printJob = std::make_unique<PrintJob>(qtPrinting);
        root.printer = printJob.get();
    }
    void TearDown() override
    {
        root.printer = nullptr;
        printJob.reset();
    }

    // Prints a one-page grid on the queue as a kiosk print (no dialog).
    PrintResult PrintOnQueue(const std::string& queue)
    {
        PrinterChoice& chosen = printJob->Chosen();
        chosen.driver = kDriverPrinter;
        chosen.device = std::u16string(queue.begin(), queue.end());
        chosen.setup.paperWidth = 2100;
        chosen.setup.paperLength = 2970;
        chosen.options = {{"sides", "one-sided"}};
        GridWindow view;
        view.SetRootServices(&root);
        view.CreateInWidget(nullptr, 90);
        view.resize(900, 700);
        Row header;
        header.AddCell(Cell("Board", 1.0f));
        Row row;
        row.AddCell(Cell("1", 0.0f));
        printJob->ClearLastResult();
        view.SetGrid(u"Scorecard", header, {row}, "", true);
        return printJob->LastResult();
    }

    // Polls the job until it is over (or 20 s passed).
    static PrintJobState WaitForJobEnd(int32_t job)
    {
        PrintJobState state = PrintJobState::Unknown;
        for (int i = 0; i < 200; ++i) {
            state = QueryPrintJob(job).state;
            if (state == PrintJobState::Completed || JobFailed(state) || state == PrintJobState::Stopped)
                return state;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return state;
    }

    // Polls the printer until it reports `problem` (or 20 s passed).
    static PrinterStatus WaitForProblem(PrinterProblem problem)
    {
        PrinterStatus status;
        for (int i = 0; i < 200; ++i) {
            status = QueryPrinterStatus(PrivateScheduler::kQueue);
            if (status.problem == problem)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return status;
    }

    static PrivateScheduler* scheduler;
    static std::string* whyNot;
    FixedRootServices root;
    QtPrintSystem qtPrinting;
    std::unique_ptr<PrintJob> printJob;
};

PrivateScheduler* CupsPrintTest::scheduler = nullptr;
std::string* CupsPrintTest::whyNot = nullptr;

} // namespace

TEST_F(CupsPrintTest, TellsWhyTheQueueCannotPrint)
{
    const std::string q = PrivateScheduler::kQueue;
    struct Case {
        const char* name;
        std::string command; // run against the scheduler first
        PrinterProblem expected;
    };
    const Case cases[] = {
        {"ready", "true", PrinterProblem::None},
        {"stopped by the director", "cupsdisable -r 'out of paper' " + q, PrinterProblem::Stopped},
        {"rejecting jobs", "cupsreject " + q, PrinterProblem::NotAccepting},
        {"deleted", "lpadmin -x " + q, PrinterProblem::NotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scheduler->Restore();
        scheduler->Cups(c.command);
        const PrinterStatus status = QueryPrinterStatus(q);
        EXPECT_EQ(status.problem, c.expected) << PrinterProblemName(status.problem);
        EXPECT_EQ(status.queue, q);
    }
    // The default destination is what an empty name asks about.
    scheduler->Restore();
    EXPECT_EQ(QueryPrinterStatus("").queue, q);
}

TEST_F(CupsPrintTest, NoSchedulerIsToldApartFromNoPrinter)
{
    const std::string saved = std::getenv("CUPS_SERVER");
    ::setenv("CUPS_SERVER", (scheduler->Folder() + "/no-such.sock").c_str(), 1);
    cupsSetServer(nullptr);
    const PrinterStatus status = QueryPrinterStatus("");
    ::setenv("CUPS_SERVER", saved.c_str(), 1);
    cupsSetServer(nullptr);
    EXPECT_EQ(status.problem, PrinterProblem::NoScheduler);

    scheduler->Cups(std::string("lpadmin -x ") + PrivateScheduler::kQueue);
    EXPECT_EQ(QueryPrinterStatus("").problem, PrinterProblem::NoPrinter);
}

TEST_F(CupsPrintTest, AJobIsFollowedFromSubmissionToCompletion)
{
    const PrintResult result = PrintOnQueue(PrivateScheduler::kQueue);
    ASSERT_EQ(result.kind, PrintResult::Kind::Sent);
    ASSERT_EQ(result.outcome.status, PrintOutcome::Status::Submitted) << result.outcome.error;
    EXPECT_GT(result.outcome.jobId, 0);
    EXPECT_EQ(result.outcome.printer, PrivateScheduler::kQueue);
    EXPECT_EQ(WaitForJobEnd(result.outcome.jobId), PrintJobState::Completed);
    ASSERT_TRUE(scheduler->WaitForPrinted(1));
    // The backend names the file after the job's title, the kiosk's job name.
    const std::string file = scheduler->Printed().front();
    EXPECT_NE(file.find("qivBridge_print_doc_"), std::string::npos) << file;
    const std::string info = tools::RunTool("pdfinfo '" + scheduler->PdfFolder() + "/" + file + "'");
    EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
}

TEST_F(CupsPrintTest, AJobTheDeviceFailsIsSeenFailedOrWaitingNeverCompleted)
{
    struct Case {
        const char* name;
        const char* policy; // the queue's printer-error-policy
        PrintJobState expected;
    };
    const Case cases[] = {
        {"the queue aborts the job", "abort-job", PrintJobState::Aborted},
        {"the queue stops with the job in it", "stop-printer", PrintJobState::Pending},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scheduler->Restore();
        scheduler->Cups(std::string("lpadmin -p ") + PrivateScheduler::kQueue + " -o printer-error-policy=" + c.policy);
        scheduler->Fault("fail");
        const PrintResult result = PrintOnQueue(PrivateScheduler::kQueue);
        ASSERT_EQ(result.outcome.status, PrintOutcome::Status::Submitted) << result.outcome.error;
        if (c.expected == PrintJobState::Aborted) {
            EXPECT_EQ(WaitForJobEnd(result.outcome.jobId), PrintJobState::Aborted);
        } else {
            EXPECT_EQ(WaitForProblem(PrinterProblem::Stopped).problem, PrinterProblem::Stopped);
            EXPECT_EQ(QueryPrintJob(result.outcome.jobId).state, PrintJobState::Pending);
        }
        EXPECT_TRUE(scheduler->Printed().empty());
        scheduler->Cups(std::string("cancel -a ") + PrivateScheduler::kQueue);
        scheduler->Cups(std::string("lpadmin -p ") + PrivateScheduler::kQueue +
                        " -o printer-error-policy=stop-printer");
    }
}

TEST_F(CupsPrintTest, AnOutOfPaperDeviceIsSaidUntilAJobGoesThrough)
{
    scheduler->Fault("media-empty");
    const PrintResult result = PrintOnQueue(PrivateScheduler::kQueue);
    ASSERT_EQ(result.outcome.status, PrintOutcome::Status::Submitted) << result.outcome.error;
    const PrinterStatus status = WaitForProblem(PrinterProblem::MediaEmpty);
    EXPECT_EQ(status.problem, PrinterProblem::MediaEmpty) << PrinterProblemName(status.problem);
    // The device says so before the queue stops; started again too early,
    // the queue would stop after it.
    for (int i = 0; i < 200 && QueryPrinterStatus(PrivateScheduler::kQueue).state != PrinterState::Stopped; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(QueryPrintJob(result.outcome.jobId).state, PrintJobState::Pending);

    // Paper back in, queue started again: the waiting job prints, once.
    scheduler->Fault("");
    scheduler->Cups(std::string("cupsenable ") + PrivateScheduler::kQueue);
    EXPECT_EQ(WaitForJobEnd(result.outcome.jobId), PrintJobState::Completed);
    EXPECT_EQ(WaitForProblem(PrinterProblem::None).problem, PrinterProblem::None);
    EXPECT_EQ(scheduler->Printed().size(), 1u);
}

TEST_F(CupsPrintTest, AChosenQueueThatHasGoneIsAnErrorNotAnotherQueue)
{
    // Another queue is the default; the chosen one is deleted.
    scheduler->Cups("lpadmin -p Other_PDF -E -v pdfdir:" + scheduler->PdfFolder() + " -P " + scheduler->Folder() +
                    "/kiosk-pdf.ppd");
    scheduler->Cups("lpadmin -d Other_PDF");
    scheduler->Cups(std::string("lpadmin -x ") + PrivateScheduler::kQueue);
    ScriptedUiSeam ui;
    const PrintResult result = PrintOnQueue(PrivateScheduler::kQueue);
    EXPECT_EQ(result.kind, PrintResult::Kind::CannotOpen);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, u"Unable to create printer, please check.");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(scheduler->Cups("lpstat -o").empty());
    EXPECT_TRUE(scheduler->Printed().empty());
    scheduler->Cups("lpadmin -x Other_PDF");
}
