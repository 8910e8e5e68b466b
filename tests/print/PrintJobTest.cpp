#include "print/PrintJob.h"

#include "platform/RecordingCanvas.h"
#include "platform/UiSeam.h"
#include "render/GridWindow.h"
#include "support/FixedRootServices.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>

using Cell = Grid::Cell;
using Row = Grid::Row;

namespace {

// What a fake printer was asked to print.
struct PrintedJob {
    std::u16string name;
    PrinterChoice target;
    std::vector<std::unique_ptr<RecordingCanvas>> pages;
    bool ended = false;
};

class RecordingDocument : public PrintDocument {
public:
    explicit RecordingDocument(PrintedJob& job) : job_(job) {}
    void StartDoc(const std::u16string& name) override { job_.name = name; }
    Canvas& StartPage() override
    {
        job_.pages.push_back(std::make_unique<RecordingCanvas>(600, 600));
        return *job_.pages.back();
    }
    void EndPage() override {}
    PrintOutcome EndDoc() override
    {
        job_.ended = true;
        return {};
    }
    int DpiX() const override { return 600; }
    int DpiY() const override { return 600; }

private:
    PrintedJob& job_;
};

// A print system whose dialog answers from a queue (an empty queue cancels)
// and whose printers record the pages.
class FakePrintSystem : public PrintSystem {
public:
    std::optional<PrintDialogAnswer> RunPrintDialog(int32_t pageCount, const PrinterChoice&,
                                                    const PrintDialogContext&) override
    {
        dialogPageCounts.push_back(pageCount);
        if (answers.empty())
            return std::nullopt;
        std::optional<PrintDialogAnswer> a = answers.front();
        answers.pop_front();
        return a;
    }
    std::unique_ptr<PrintDocument> OpenPrinter(const PrinterChoice& choice) override
    {
        if (!printerWorks)
            return nullptr;
        jobs.push_back(std::make_unique<PrintedJob>());
        jobs.back()->target = choice;
        return std::make_unique<RecordingDocument>(*jobs.back());
    }

    std::deque<std::optional<PrintDialogAnswer>> answers;
    std::vector<int32_t> dialogPageCounts;
    std::vector<std::unique_ptr<PrintedJob>> jobs;
    bool printerWorks = true;
};

PrintDialogAnswer PrinterAnswer(const std::u16string& name, int32_t copies = 1)
{
    PrintDialogAnswer a;
    a.choice.driver = kDriverPrinter;
    a.choice.device = name;
    a.choice.setup.paperWidth = 2100;
    a.choice.setup.paperLength = 2970;
    a.choice.setup.copies = copies;
    return a;
}

class PrintJobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.printer = &printJob;
        root.themeColour = [](int32_t) { return kBlack; };
        root.creditLine = u" - by test";
        view.SetRootServices(&root);
        view.CreateInWidget(nullptr, 77);
        view.resize(800, 600);
        Row header;
        for (int c = 0; c < 3; ++c)
            header.AddCell(Cell("H", 1.0f));
        std::vector<Row> rows(30, header);
        view.SetGrid(u"Title", header, rows, "", false);
        view.SetFooterTimeForTests("2026-12-08 09:05");
    }

    FixedRootServices root;
    GridWindow view;
    FakePrintSystem printers;
    PrintJob printJob{printers};
    ScriptedUiSeam ui;
};

} // namespace

TEST(PaperMapping, StretchesTheA4PageOverTheSheet)
{
    struct Case {
        const char* name;
        int32_t w, l;
        double cmW, cmL;
        Size ext;
    } cases[] = {
        {"A4", 2100, 2970, 21.0, 29.7, {25400, 25400}},
        {"letter", 2159, 2794, 21.59, 27.94, {24705, 26999}},
        {"unknown 0 x 0", 0, 0, 21.0, 29.7, {25400, 25400}},
        {"too narrow", 599, 2970, 21.0, 29.7, {25400, 25400}},
        {"too short", 2100, 999, 21.0, 29.7, {25400, 25400}},
        {"A3", 2970, 4200, 29.7, 42.0, {17959, 17961}},
        {"larger than A3", 3000, 4200, 29.7, 42.0, {17959, 17961}},
        {"longer than A3", 2970, 4211, 29.7, 42.0, {17959, 17961}},
    };
    for (const Case& c : cases) {
        const PaperMapping m = MapPaperToA4(c.w, c.l);
        EXPECT_DOUBLE_EQ(m.widthCm, c.cmW) << c.name;
        EXPECT_DOUBLE_EQ(m.lengthCm, c.cmL) << c.name;
        EXPECT_EQ(m.windowExt, c.ext) << c.name;
    }
    EXPECT_EQ(PrintJobName(2), u"qivBridge print doc 2");
}

TEST_F(PrintJobTest, KioskPrintAsksOnceThenReusesThePrinter)
{
    printers.answers.push_back(PrinterAnswer(u"Front desk"));
    const int32_t number = printJob.NextJobNumber();

    printJob.PrintView(view, 1, PrintMode::OnChosen);
    ASSERT_EQ(printers.dialogPageCounts, std::vector<int32_t>{3});
    printJob.PrintView(view, 1, PrintMode::OnChosen);
    EXPECT_EQ(printers.dialogPageCounts.size(), 1u);  // no second dialog

    ASSERT_EQ(printers.jobs.size(), 2u);
    EXPECT_EQ(printers.jobs[0]->name, PrintJobName(number));
    EXPECT_EQ(printers.jobs[1]->name, PrintJobName(number + 1));
    EXPECT_EQ(printJob.NextJobNumber(), number + 2);
    for (const auto& job : printers.jobs) {
        EXPECT_EQ(job->target.device, u"Front desk");
        EXPECT_TRUE(job->target.setup.landscape);
        EXPECT_EQ(job->pages.size(), 3u);
        EXPECT_TRUE(job->ended);
    }
    EXPECT_TRUE(printJob.Chosen().setup.landscape);
}

TEST_F(PrintJobTest, PagesArePaintedInPrinterModeOnTheA4Mapping)
{
    PrintDialogAnswer letter = PrinterAnswer(u"P");
    letter.choice.setup.paperWidth = 2159;
    letter.choice.setup.paperLength = 2794;
    printers.answers.push_back(PrinterAnswer(u"P"));
    printers.answers.push_back(letter);
    printJob.PrintView(view, 1, PrintMode::WithDialog);
    printJob.PrintView(view, 1, PrintMode::WithDialog);
    ASSERT_EQ(printers.jobs.size(), 2u);

    const std::vector<std::unique_ptr<RecordingCanvas>>& pages = printers.jobs[0]->pages;
    ASSERT_EQ(pages.size(), 3u);
    for (size_t i = 0; i < pages.size(); ++i) {
        const std::u16string header = u"Title (Page" + IntToWide(static_cast<int32_t>(i + 1)) + u"/3) ";
        const CanvasCall* text = pages[i]->FindText(header);
        ASSERT_NE(text, nullptr) << i;
        EXPECT_EQ(text->state.mapping.mode, MapMode::Anisotropic);
        EXPECT_EQ(text->state.mapping.viewportExt, (Size{6000, 6000}));
        EXPECT_EQ(text->state.mapping.windowExt, (Size{25400, 25400}));
        EXPECT_EQ(text->state.bkMode, BkMode::Transparent);
        EXPECT_EQ(text->state.textColour, kBlack);
        // On paper every page lies at the sheet's corner: the header sits
        // between the top edge and the body (500 units in).
        EXPECT_EQ(text->rect, (Rect{500, 0, 500 + 28250, 500}));
        EXPECT_EQ(text->format, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
        EXPECT_NE(pages[i]->FindText(u" - by test (2026-12-08 09:05 printing)"), nullptr) << i;
    }
    const CanvasCall* onLetter = printers.jobs[1]->pages[0]->FindText(u"Title (Page1/3) ");
    ASSERT_NE(onLetter, nullptr);
    EXPECT_EQ(onLetter->state.mapping.windowExt, (Size{24705, 26999}));
}

TEST_F(PrintJobTest, DialogModesRangesAndCopies)
{
    const int32_t number = printJob.NextJobNumber();
    // Cancelled: nothing printed, no printer chosen.
    printJob.PrintView(view, 1, PrintMode::OnChosen);
    EXPECT_TRUE(printers.jobs.empty());
    EXPECT_TRUE(printJob.Chosen().IsEmpty());

    // Choose only: the printer is kept, nothing printed.
    printers.answers.push_back(PrinterAnswer(u"A", 3));
    printJob.PrintView(view, 1, PrintMode::ChooseOnly);
    EXPECT_TRUE(printers.jobs.empty());
    EXPECT_EQ(printJob.Chosen().device, u"A");

    // Three copies chosen in the dialog still print one: every caller asks
    // for 1. Other counts leave the dialog's number.
    printers.answers.push_back(PrinterAnswer(u"A", 3));
    printJob.PrintView(view, 1, PrintMode::WithDialog);
    ASSERT_EQ(printers.jobs.size(), 1u);
    EXPECT_EQ(printers.jobs[0]->target.setup.copies, 1);
    printers.answers.push_back(PrinterAnswer(u"A", 3));
    printJob.PrintView(view, 7, PrintMode::WithDialog);
    EXPECT_EQ(printers.jobs[1]->target.setup.copies, 3);

    // A page range: only those pages; a reversed range a job without pages.
    PrintDialogAnswer range = PrinterAnswer(u"B");
    range.pageRange = true;
    range.fromPage = 2;
    range.toPage = 3;
    printers.answers.push_back(range);
    printJob.PrintView(view, 1, PrintMode::WithDialog);
    ASSERT_EQ(printers.jobs.size(), 3u);
    ASSERT_EQ(printers.jobs[2]->pages.size(), 2u);
    EXPECT_NE(printers.jobs[2]->pages[0]->FindText(u"Title (Page2/3) "), nullptr);
    range.fromPage = 3;
    range.toPage = 2;
    printers.answers.push_back(range);
    printJob.PrintView(view, 1, static_cast<PrintMode>(9)); // an unnamed mode asks like WithDialog
    ASSERT_EQ(printers.jobs.size(), 4u);
    EXPECT_TRUE(printers.jobs[3]->pages.empty());
    EXPECT_TRUE(printers.jobs[3]->ended);
    EXPECT_EQ(printJob.NextJobNumber(), number + 4);

    // A later cancelled dialog keeps the previous printer.
    printJob.PrintView(view, 1, PrintMode::WithDialog);
    EXPECT_EQ(printJob.Chosen().device, u"B");
    EXPECT_EQ(printers.jobs.size(), 4u);
}

TEST_F(PrintJobTest, PrinterThatCannotBeOpenedIsReportedAndKept)
{
    printers.printerWorks = false;
    printers.answers.push_back(PrinterAnswer(u"Gone"));
    const int32_t number = printJob.NextJobNumber();
    printJob.PrintView(view, 1, PrintMode::OnChosen);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, u"Unable to create printer, please check.");
    EXPECT_EQ(printJob.NextJobNumber(), number);
    // The next kiosk print tries the same printer again, without a dialog.
    printers.printerWorks = true;
    printJob.PrintView(view, 1, PrintMode::OnChosen);
    EXPECT_EQ(printers.dialogPageCounts.size(), 1u);
    ASSERT_EQ(printers.jobs.size(), 1u);
    EXPECT_EQ(printers.jobs[0]->target.device, u"Gone");
}

TEST_F(PrintJobTest, TheDialogsWholeSetupIsRememberedAndGoesWithEverySilentJob)
{
    FakePrintSystem printers;
    printJob.SetSystem(printers);
    TempDir dir("bp-choice");
    printJob.SetChoiceFile(dir.File("Printer.json"));
    PrintDialogAnswer answer = PrinterAnswer(u"Hall_Laser", 2);
    answer.choice.options = {{"sides", "two-sided-long-edge"}, {"InputSlot", "Tray2"}, {"名", "值"}};
    printers.answers.push_back(answer);

    printJob.PrintView(view, 1, PrintMode::OnChosen); // the dialog: chosen and remembered
    printJob.PrintView(view, 1, PrintMode::OnChosen); // silent
    ASSERT_EQ(printers.jobs.size(), 2u);
    for (const auto& job : printers.jobs)
        EXPECT_EQ(job->target.options, answer.choice.options);
    EXPECT_EQ(printJob.LastResult().kind, PrintResult::Kind::Sent);

    // After a restart the remembered printer is chosen again, options and all.
    printJob.Chosen() = PrinterChoice{};
    ASSERT_TRUE(printJob.LoadChoice(dir.File("Printer.json")));
    const PrinterChoice& back = printJob.Chosen();
    EXPECT_EQ(back.driver, kDriverPrinter);
    EXPECT_EQ(back.device, u"Hall_Laser");
    EXPECT_EQ(back.setup.paperLength, 2970);
    EXPECT_EQ(back.options, answer.choice.options);
    printJob.SetChoiceFile("");

    // What cannot be read leaves the choice alone.
    for (const char* bad : {"", "[]", "{\"driver\":\"telex\"}", "{\"driver\":"}) {
        SCOPED_TRACE(bad);
        PrinterChoice c;
        EXPECT_FALSE(PrinterChoiceFromText(bad, c));
    }
}

TEST_F(PrintJobTest, ACancelledDialogAndAPrinterThatCannotOpenAreToldApart)
{
    FakePrintSystem printers;
    printJob.SetSystem(printers);
    ScriptedUiSeam ui;
    printJob.PrintView(view, 1, PrintMode::OnChosen); // no answer: cancelled
    EXPECT_EQ(printJob.LastResult().kind, PrintResult::Kind::Cancelled);

    printers.answers.push_back(PrinterAnswer(u"Gone"));
    printers.printerWorks = false;
    printJob.PrintView(view, 1, PrintMode::OnChosen);
    EXPECT_EQ(printJob.LastResult().kind, PrintResult::Kind::CannotOpen);
    EXPECT_EQ(ui.messages.size(), 1u) << "a print someone started says so in a box";

    // A spooled print is followed by the kiosk itself: no box nobody answers.
    printJob.SetNextLabel("A 1", false);
    printJob.PrintView(view, 1, PrintMode::OnChosen);
    EXPECT_EQ(printJob.LastResult().kind, PrintResult::Kind::CannotOpen);
    EXPECT_EQ(ui.messages.size(), 1u);
}
