// From a player's touch to the printed page: the kiosk screen against the
// reference server on loopback, printing into PDF files so that every page
// can be read back with pdftotext.

#include "DesktopServerFixture.h"

#include "foundation/LocText.h"
#include "kiosk/AccessCodeDialog.h"
#include "print/PrintJob.h"
#include "scorecard/ScorecardWindow.h"
#include "scorecard/TestPageSample.h"
#include "settings/TeamSelectionDialog.h"
#include "support/RunTool.h"

#include <QListWidget>

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>

namespace {

using tools::RunTool;

std::string PdfText(const std::string& pdf)
{
    return RunTool("pdftotext '" + pdf + "' - 2>&1");
}

int PdfPages(const std::string& pdf)
{
    const std::string info = RunTool("pdfinfo '" + pdf + "' 2>&1");
    const size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

// The printer of these tests: the print dialog answers at once, and every
// job goes into a file of its own, numbered in the order the jobs were
// opened.
class NumberedPdfPrinting : public PdfFilePrintSystem {
public:
    explicit NumberedPdfPrinting(std::filesystem::path dir)
        : PdfFilePrintSystem((dir / "chosen.pdf").string()), dir(std::move(dir))
    {
    }

    std::unique_ptr<PrintDocument> OpenPrinter(const PrinterChoice& choice) override
    {
        if (whilePrinting)
            whilePrinting();
        files.push_back((dir / ("job-" + std::to_string(files.size() + 1) + ".pdf")).string());
        PrinterChoice numbered = choice;
        numbered.port = Utf8ToWide(files.back());
        return QtPrintSystem::OpenPrinter(numbered);
    }

    std::vector<std::string> files;
    std::function<void()> whilePrinting;

private:
    std::filesystem::path dir;
};

class PrintFlow : public DesktopAgainstServer {
protected:
    void SetUp() override
    {
        DesktopAgainstServer::SetUp();
        printer = std::make_unique<NumberedPdfPrinting>(folder.Path());
        desktop->UsePrintSystem(*printer);
    }
    void TearDown() override
    {
        DesktopAgainstServer::TearDown();
        printer.reset();
    }

    // The index in the printable list of the first entry that `match`
    // accepts, or -1.
    int32_t Find(const std::function<bool(const SignupEntry&)>& match)
    {
        const auto list = desktop->Desk().GetPrintableList();
        for (size_t i = 0; i < list.size(); ++i)
            if (match(list[i]))
                return static_cast<int32_t>(i);
        return -1;
    }
    SignupEntry Entry(int32_t i) { return desktop->Desk().GetPrintableList()[size_t(i)]; }

    // A finger on button i and off again.
    void Touch(int32_t i)
    {
        const Rect r = desktop->CellRect(i);
        const int32_t x = (r.left + r.right) / 2;
        const int32_t y = (r.top + r.bottom) / 2;
        desktop->OnPointerPress(x, y);
        desktop->OnPointerRelease(x, y);
    }

    // A touch on the entry (past the press guard of an earlier touch), and
    // the server's reply handled.
    void TouchAndSettle(const SignupEntry& e)
    {
        desktop->ForgetLastPress();
        const int32_t i = Find([&](const auto& x) {
            return x.GetSectionId() == e.GetSectionId() && x.GetTeamNumber() == e.GetTeamNumber();
        });
        ASSERT_GE(i, 0) << e.GetTeamName() << " is not on the screen";
        Touch(i);
        ASSERT_TRUE(Settled());
    }

    void ExpectPrinted(size_t job, const std::string& name)
    {
        ASSERT_GT(printer->files.size(), job);
        const std::string& pdf = printer->files[job];
        EXPECT_EQ(PdfPages(pdf), 1) << pdf;
        EXPECT_NE(PdfText(pdf).find(name), std::string::npos) << name << " is not on page " << job + 1;
    }

    static bool IsTeam(const SignupEntry& e) { return e.GetSectionId() != 3; }
    static bool IsPair(const SignupEntry& e) { return e.GetSectionId() == 3; }

    // The view that printed: a hidden child with its id, over the screen
    // less its top sixteenth.
    void ExpectPrintedBy(int32_t viewId)
    {
        const auto* view = desktop->findChild<QWidget*>(QString::number(viewId));
        ASSERT_NE(view, nullptr) << viewId;
        const Rect r = ScorecardViewRect(desktop->ClientRect());
        EXPECT_EQ(view->geometry(), QRect(r.left, r.top, r.Width(), r.Height()));
        EXPECT_FALSE(view->isVisible());
    }

    std::unique_ptr<NumberedPdfPrinting> printer;
};

} // namespace

TEST_F(PrintFlow, ATouchSendsOneRequestAndTheReplyPrintsOnePageOnTheNextTick)
{
    ConfirmSettings(kAccessCode);
    ASSERT_TRUE(desktop->Desk().IsSynchronized());
    const int32_t i = Find(IsTeam);
    ASSERT_GE(i, 0);
    const auto entry = Entry(i);
    const size_t before = server->ConnectionsServed();
    const size_t shown = desktop->Desk().GetPrintableList().size();

    // Two quick touches: the second comes inside the press guard and while
    // the first request is still out.
    Touch(i);
    Touch(i);
    ASSERT_TRUE(Settled());
    EXPECT_EQ(server->ConnectionsServed() - before, 1u);
    EXPECT_TRUE(server->IsPrinted(entry.GetSectionId(), entry.GetTeamNumber()));
    EXPECT_EQ(desktop->Desk().GetPrintableList().size(), shown - 1);
    EXPECT_EQ(desktop->Desk().TeamJobCount(), 1u);
    EXPECT_TRUE(printer->files.empty()) << "nothing prints before the tick";

    desktop->OnTick();
    ExpectPrinted(0, entry.GetTeamName());
    ExpectPrintedBy(kTeamScorecardViewId);
    EXPECT_EQ(desktop->Desk().TeamJobCount(), 0u);
    EXPECT_EQ(printer->DialogsRun(), 1) << "the first print of the process asks for the printer";
    desktop->OnTick();
    EXPECT_EQ(printer->files.size(), 1u);
}

TEST_F(PrintFlow, RepliesPrintInArrivalOrderOneATickTeamsBeforePairsAndOnlyTheFirstAsks)
{
    ConfirmSettings(kAccessCode);
    ASSERT_TRUE(desktop->Desk().IsSynchronized());
    const auto list = desktop->Desk().GetPrintableList();
    std::vector<SignupEntry> teams;
    for (const auto& e : list)
        if (IsTeam(e) && teams.size() < 3)
            teams.push_back(e);
    const int32_t p = Find(IsPair);
    ASSERT_EQ(teams.size(), 3u);
    ASSERT_GE(p, 0);
    const auto pair = Entry(p);

    // The pair's reply comes first, then three team replies, all before the
    // next tick.
    TouchAndSettle(pair);
    TouchAndSettle(teams[2]);
    TouchAndSettle(teams[0]);
    TouchAndSettle(teams[1]);
    ASSERT_EQ(desktop->Desk().TeamJobCount(), 3u);
    ASSERT_TRUE(desktop->Desk().IsPairPending());

    const std::vector<std::string> expected = {teams[2].GetTeamName(), teams[0].GetTeamName(),
                                               teams[1].GetTeamName(), pair.GetTeamName()};
    for (size_t tick = 0; tick < expected.size(); ++tick) {
        desktop->OnTick();
        ASSERT_EQ(printer->files.size(), tick + 1) << "tick " << tick + 1;
        ExpectPrinted(tick, expected[tick]);
    }
    EXPECT_FALSE(desktop->Desk().IsPairPending());
    ExpectPrintedBy(kPairScorecardViewId);
    EXPECT_EQ(printer->DialogsRun(), 1) << "later prints go to the chosen printer without a dialog";
}

TEST_F(PrintFlow, ATickWhileATeamScorecardPrintsStartsNoOtherTeamJob)
{
    ConfirmSettings(kAccessCode);
    const auto list = desktop->Desk().GetPrintableList();
    std::vector<SignupEntry> teams;
    for (const auto& e : list)
        if (IsTeam(e) && teams.size() < 2)
            teams.push_back(e);
    ASSERT_EQ(teams.size(), 2u);
    TouchAndSettle(teams[0]);
    TouchAndSettle(teams[1]);

    // Printing pumps events: a tick arrives in the middle of the first job.
    size_t jobsDuringPrint = 0;
    size_t filesDuringPrint = 0;
    bool ticked = false;
    printer->whilePrinting = [&] {
        if (ticked)
            return;
        ticked = true;
        desktop->OnTick();
        jobsDuringPrint = desktop->Desk().TeamJobCount();
        filesDuringPrint = printer->files.size();
    };
    desktop->OnTick();
    ASSERT_TRUE(ticked);
    EXPECT_EQ(jobsDuringPrint, 1u);
    EXPECT_EQ(filesDuringPrint, 0u);
    ASSERT_EQ(printer->files.size(), 1u);
    ExpectPrinted(0, teams[0].GetTeamName());

    desktop->OnTick();
    ASSERT_EQ(printer->files.size(), 2u);
    ExpectPrinted(1, teams[1].GetTeamName());
}

TEST_F(PrintFlow, TheTestPagePrintsWithoutAServerAndLeavesTheListsAlone)
{
    ConfirmSettings(kAccessCode);
    const size_t shown = desktop->Desk().GetPrintableList().size();
    const size_t full = desktop->Desk().GetFullList().size();
    server.reset();

    desktop->RunMenuCommand(SelfPrintDesktop::MenuTestPage);
    ASSERT_EQ(printer->files.size(), 1u);
    ExpectPrinted(0, "1轮");
    EXPECT_NE(PdfText(printer->files[0]).find("IMP"), std::string::npos);
    EXPECT_EQ(desktop->Desk().GetPrintableList().size(), shown);
    EXPECT_EQ(desktop->Desk().GetFullList().size(), full);
    EXPECT_EQ(desktop->Desk().TeamJobCount(), 0u);
    EXPECT_FALSE(desktop->Desk().IsConnectionInProgress());
}

TEST_F(PrintFlow, ChoosingThePrinterFromTheMenuPrintsNothingAndLaterPrintsDoNotAsk)
{
    ConfirmSettings(kAccessCode);
    desktop->RunMenuCommand(SelfPrintDesktop::MenuSelectPrinter);
    EXPECT_EQ(printer->DialogsRun(), 1);
    EXPECT_TRUE(printer->files.empty());
    EXPECT_FALSE(desktop->Jobs().Chosen().IsEmpty());

    desktop->RunMenuCommand(SelfPrintDesktop::MenuTestPage);
    EXPECT_EQ(printer->files.size(), 1u);
    EXPECT_EQ(printer->DialogsRun(), 1);
}

namespace {

// The director picks the row of `name` in the reprint dialog and presses OK.
int ChooseInReprintDialog(QDialog& d, const std::string& name)
{
    auto* dialog = dynamic_cast<TeamSelectionDialog*>(&d);
    if (dialog == nullptr) {
        ADD_FAILURE() << "expected the reprint dialog";
        return QDialog::Rejected;
    }
    QListWidget* list = dialog->List();
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->text().contains(QString::fromStdString(name))) {
            list->setCurrentRow(row);
            list->item(row)->setSelected(true);
            break;
        }
    dialog->OnOK();
    return dialog->result();
}

int AnswerAccessCode(QDialog& d, const std::string& code)
{
    auto* dialog = dynamic_cast<AccessCodeDialog*>(&d);
    if (dialog == nullptr) {
        ADD_FAILURE() << "expected the access code dialog";
        return QDialog::Rejected;
    }
    dialog->CodeBox()->setText(QString::fromStdString(code));
    dialog->OnOK();
    return dialog->result();
}

} // namespace

TEST_F(PrintFlow, TheDirectorReprintsAnEntryWithoutTheCodeWhenNoneIsRequired)
{
    ConfirmSettings(kAccessCode);
    const auto entry = Entry(Find(IsTeam));
    TouchAndSettle(entry);
    desktop->OnTick();
    ASSERT_EQ(printer->files.size(), 1u);

    ScriptedUiSeam ui;
    ui.dialogHandlers.push_back([&](QDialog& d) { return ChooseInReprintDialog(d, entry.GetTeamName()); });
    desktop->StartReprint();
    ASSERT_TRUE(Settled());
    EXPECT_EQ(ui.dialogsRun, 1);
    desktop->OnTick();
    ASSERT_EQ(printer->files.size(), 2u);
    ExpectPrinted(1, entry.GetTeamName());
}

TEST_F(PrintFlow, WithTheCodeRequiredOnlyTheRightCodeOpensTheReprintDialog)
{
    ConfirmSettings(kAccessCode);
    {
        std::lock_guard<std::mutex> lock(desktop->Desk().DeskMutex());
        desktop->Desk().SettingsLocked().SetCodeRequired(true);
    }
    const auto entry = Entry(Find(IsPair));

    ScriptedUiSeam ui;
    ui.messageAnswers.push_back(1);
    ui.dialogHandlers.push_back([](QDialog& d) { return AnswerAccessCode(d, "0000"); });
    desktop->StartReprint();
    EXPECT_EQ(ui.dialogsRun, 1) << "a wrong code shows no reprint dialog";
    EXPECT_FALSE(desktop->Desk().IsConnectionInProgress());

    ui.dialogHandlers.push_back([](QDialog& d) { return AnswerAccessCode(d, kAccessCode); });
    ui.dialogHandlers.push_back([&](QDialog& d) { return ChooseInReprintDialog(d, entry.GetTeamName()); });
    desktop->StartReprint();
    ASSERT_TRUE(Settled());
    EXPECT_EQ(ui.dialogsRun, 3);
    desktop->OnTick();
    ASSERT_EQ(printer->files.size(), 1u);
    ExpectPrinted(0, entry.GetTeamName());
}
