// Printing a grid of several pages end to end into PDF files, read back with
// pdfinfo and pdftotext.

#include "print/PrintJob.h"

#include "platform/UiSeam.h"
#include "render/GridWindow.h"
#include "support/FixedRootServices.h"
#include "support/RunTool.h"
#include "support/TempDir.h"

#include <QPrintDialog>
#include <QPrinter>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <regex>
#include <string>
#include <unistd.h>

using Cell = Grid::Cell;
using Row = Grid::Row;

namespace {

class PortraitGrid : public GridWindow {
public:
    bool IsLandscape() override { return false; }
};

using tools::RunTool;

// The value of one "Key: value" line of pdfinfo.
std::string InfoField(const std::string& info, const std::string& key)
{
    const size_t at = info.find(key + ":");
    if (at == std::string::npos)
        return {};
    size_t start = info.find_first_not_of(' ', at + key.size() + 1);
    const size_t end = info.find('\n', start);
    return info.substr(start, end - start);
}

class PdfPrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.Valid());
        root.themeColour = [](int32_t) { return kBlack; };
        root.creditLine = u" - by example.org  V7.26.15";
        root.eventText = u"Club Pairs";
        root.printer = &printJob;
    }
    void TearDown() override
    {
        if (std::getenv("BP_KEEP_PRINTS") != nullptr)
            dir.Keep();
    }

    // Fills `view` with a grid of `rows` rows under the given title.
    void Fill(GridWindow& view, size_t rows, bool printNow)
    {
        view.SetRootServices(&root);
        view.CreateInWidget(nullptr, 90);
        view.resize(900, 700);
        Row header;
        header.AddCell(Cell("Board", 1.0f));
        header.AddCell(Cell("Contract", 2.0f));
        header.AddCell(Cell("Score", 1.0f));
        std::vector<Row> body;
        for (size_t r = 0; r < rows; ++r) {
            Row row;
            row.AddCell(Cell(std::to_string(r + 1), 0.0f));
            row.AddCell(Cell("4S", 0.0f));
            row.AddCell(Cell("420", 0.0f));
            body.push_back(row);
        }
        view.SetGrid(u"Scorecard", header, body, "", printNow);
    }

    FixedRootServices root;
    TempDir dir{"bp-print"};
    // The kiosk's own print system, unless a test prints on another.
    QtPrintSystem qtPrinting;
    PrintJob printJob{qtPrinting};
};

} // namespace

TEST_F(PdfPrintTest, KioskPrintWritesEveryPageWithItsHeaderAndFooter)
{
    const std::string pdf = dir.File("landscape.pdf");
    PdfFilePrintSystem file(pdf);
    printJob.SetSystem(file);
    const int32_t number = printJob.NextJobNumber();

    GridWindow view;
    Fill(view, 30, true);  // landscape: 13 rows a page, so 3 pages
    ASSERT_EQ(view.GetPageCount(), 3);
    EXPECT_EQ(file.DialogsRun(), 1);

    const std::string info = RunTool("pdfinfo '" + pdf + "' 2>&1");
    EXPECT_EQ(InfoField(info, "Pages"), "3") << info;
    EXPECT_EQ(InfoField(info, "Title"), "qivBridge print doc " + std::to_string(number)) << info;
    EXPECT_NE(InfoField(info, "Page size").find("842 x 595 pts (A4)"), std::string::npos) << info;

    const std::string text = RunTool("pdftotext -layout '" + pdf + "' - 2>&1");
    for (int p = 1; p <= 3; ++p)
        EXPECT_NE(text.find("Scorecard (Page" + std::to_string(p) + "/3)"), std::string::npos) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\(\d{4}-\d\d-\d\d \d\d:\d\d printing\))"))) << text;
    EXPECT_NE(text.find("- by example.org V7.26.15 ("), std::string::npos) << text;

    // The next kiosk print reuses the printer: no dialog, the next number.
    view.SetGrid(u"Second", view.headerRow, view.rows, "", true);
    EXPECT_EQ(file.DialogsRun(), 1);
    EXPECT_EQ(InfoField(RunTool("pdfinfo '" + pdf + "'"), "Title"), "qivBridge print doc " + std::to_string(number + 1));
}

TEST_F(PdfPrintTest, PortraitViewPrintsPortraitPages)
{
    const std::string pdf = dir.File("portrait.pdf");
    PdfFilePrintSystem file(pdf);
    printJob.SetSystem(file);
    PortraitGrid view;
    Fill(view, 45, false);  // portrait: 20 rows a page
    view.Print(1, PrintMode::WithDialog);
    const std::string info = RunTool("pdfinfo '" + pdf + "' 2>&1");
    EXPECT_EQ(InfoField(info, "Pages"), "3") << info;
    EXPECT_NE(InfoField(info, "Page size").find("595 x 842 pts (A4)"), std::string::npos) << info;
    EXPECT_NE(RunTool("pdftotext '" + pdf + "' -").find("Scorecard (Page3/3)"), std::string::npos);
}

TEST_F(PdfPrintTest, UnwritableFileIsReportedAsAPrinterThatCannotBeCreated)
{
    ScriptedUiSeam ui;
    PdfFilePrintSystem file(dir.File("no-such-folder/out.pdf"));
    printJob.SetSystem(file);
    GridWindow view;
    const int32_t number = printJob.NextJobNumber();
    Fill(view, 3, true);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, u"Unable to create printer, please check.");
    EXPECT_EQ(printJob.NextJobNumber(), number);
}

TEST_F(PdfPrintTest, QtPrintDialogChoosesThePdfOutput)
{
    // The kiosk's own print system: the dialog runs through the UI seam, which
    // answers it here as an operator picking a file would.
    const std::string pdf = dir.File("dialog.pdf");
    ScriptedUiSeam ui;
    ui.dialogHandlers.push_back([](QDialog&) { return int(QDialog::Rejected); });
    ui.dialogHandlers.push_back([&pdf](QDialog& d) {
        auto* dialog = dynamic_cast<QPrintDialog*>(&d);
        if (dialog == nullptr)
            return int(QDialog::Rejected);
        // The kiosk's dialog offers no "print to file"; a test can still
        // point its printer at a file.
        EXPECT_FALSE(dialog->testOption(QAbstractPrintDialog::PrintToFile));
        dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog->printer()->setOutputFileName(QString::fromStdString(pdf));
        return int(QDialog::Accepted);
    });

    GridWindow view;
    Fill(view, 3, false);
    view.Print(1, PrintMode::OnChosen); // cancelled
    EXPECT_TRUE(printJob.Chosen().IsEmpty());
    EXPECT_NE(access(pdf.c_str(), F_OK), 0);

    view.Print(1, PrintMode::OnChosen);
    EXPECT_EQ(ui.dialogsRun, 2);
    EXPECT_EQ(printJob.Chosen().driver, kDriverPdf);
    EXPECT_EQ(InfoField(RunTool("pdfinfo '" + pdf + "' 2>&1"), "Pages"), "1");

    // A printer the system does not know cannot be opened.
    QtPrintSystem qt;
    PrinterChoice gone;
    gone.driver = kDriverPrinter;
    gone.device = u"no-such-printer-here";
    EXPECT_EQ(qt.OpenPrinter(gone), nullptr);
}
