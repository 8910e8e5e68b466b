// The kiosk's durable printing against the reference server: a scorecard is
// spooled before it prints and leaves the spool only once printed; while the
// printer cannot print a touch is refused with a note and the entry stays
// printable; what waits prints by itself when the printer is back, also
// after a restart; and every step is in the print journal.
//
// The printer is a PDF folder (one file per job): taking the folder away is
// a printer that has gone. Faults of a real print scheduler are covered by
// the print tests and the kiosk session.

#include "DesktopServerFixture.h"

#include "kiosk/KioskPrinting.h"
#include "platform/PrintSystem.h"
#include "print/PrintJob.h"
#include "support/RunTool.h"

#include <json/reader.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class DurablePrint : public DesktopAgainstServer {
protected:
    void SetUp() override
    {
        DesktopAgainstServer::SetUp();
        pdfDir = folder.File("pdf");
        fs::create_directories(pdfDir);
        printers = std::make_unique<PdfFolderPrintSystem>(pdfDir + "/");
        data = folder.Path() + "/data/";
        StartPrinting();
        ConfirmSettings(kAccessCode);
        ASSERT_TRUE(desktop->Desk().IsSynchronized());
    }
    void TearDown() override
    {
        DesktopAgainstServer::TearDown();
        printers.reset();
    }

    // The folder is the printer, chosen from the start as the kiosk's
    // --pdf-folder chooses it.
    void StartPrinting()
    {
        desktop->UsePrintSystem(*printers);
        desktop->Jobs().Chosen() = printers->RunPrintDialog(1, PrinterChoice{}, PrintDialogContext{})->choice;
        desktop->EnableDurablePrinting(data, nullptr);
    }

    // The watch looks again and the desktop's tick has seen it.
    void LookAtPrinter()
    {
        ASSERT_TRUE(desktop->Printing()->WaitForPrinter(std::chrono::seconds(5)));
        for (int i = 0; i < 6; ++i)
            desktop->OnTick();
    }

    void TouchEntry(const SignupEntry& e)
    {
        desktop->ForgetLastPress();
        const auto list = desktop->Desk().GetPrintableList();
        for (size_t i = 0; i < list.size(); ++i) {
            if (list[i].GetSectionId() == e.GetSectionId() && list[i].GetTeamNumber() == e.GetTeamNumber()) {
                const Rect r = desktop->CellRect(int32_t(i));
                desktop->OnPointerPress((r.left + r.right) / 2, (r.top + r.bottom) / 2);
                desktop->OnPointerRelease((r.left + r.right) / 2, (r.top + r.bottom) / 2);
                ASSERT_TRUE(Settled());
                return;
            }
        }
        FAIL() << e.Label() << " is not on the screen";
    }

    bool Printable(const SignupEntry& e)
    {
        for (const auto& x : desktop->Desk().GetPrintableList())
            if (x.GetSectionId() == e.GetSectionId() && x.GetTeamNumber() == e.GetTeamNumber())
                return true;
        return false;
    }

    std::vector<std::string> Pdfs() const
    {
        std::vector<std::string> files;
        for (const auto& f : fs::directory_iterator(pdfDir))
            if (f.path().extension() == ".pdf")
                files.push_back(f.path().filename().string());
        return files;
    }

    // The events of the journal, in order.
    std::vector<std::string> Events() const
    {
        std::vector<std::string> events;
        std::ifstream in(data + "print-journal.jsonl");
        std::string line;
        while (std::getline(in, line)) {
            Json::Value v;
            std::istringstream text(line);
            std::string errors;
            if (Json::parseFromStream(Json::CharReaderBuilder(), text, &v, &errors))
                events.push_back(v["event"].asString());
        }
        return events;
    }

    static bool Has(const std::vector<std::string>& events, const std::string& e)
    {
        return std::find(events.begin(), events.end(), e) != events.end();
    }

    std::string pdfDir;
    std::string data;
    std::unique_ptr<PdfFolderPrintSystem> printers;
};

} // namespace

TEST_F(DurablePrint, ATouchIsSpooledPrintedOnceAndJournaled)
{
    const SignupEntry entry = desktop->Desk().GetPrintableList()[0];
    TouchEntry(entry);
    // Spooled on arrival, before any tick.
    ASSERT_EQ(desktop->Printing()->PendingCount(), 1u);
    EXPECT_TRUE(Pdfs().empty());

    desktop->OnTick();
    ASSERT_EQ(Pdfs().size(), 1u);
    EXPECT_EQ(desktop->Printing()->PendingCount(), 0u);
    // Named by time, job number and entry.
    const std::string pdf = Pdfs().front();
    EXPECT_NE(pdf.find("-job"), std::string::npos) << pdf;
    EXPECT_NE(tools::RunTool("pdftotext '" + pdfDir + "/" + pdf + "' -").find(entry.GetTeamName()), std::string::npos);
    EXPECT_EQ(fs::directory_iterator(data + "spool/done") != fs::directory_iterator(), true);

    for (int i = 0; i < 10; ++i)
        desktop->OnTick();
    EXPECT_EQ(Pdfs().size(), 1u) << "printed exactly once";
    const std::vector<std::string> events = Events();
    for (const char* e : {"touch", "request", "reply", "spooled", "submitted", "completed"})
        EXPECT_TRUE(Has(events, e)) << e;
}

TEST_F(DurablePrint, WhileThePrinterIsGoneATouchIsRefusedAndTheEntryStaysPrintable)
{
    const SignupEntry entry = desktop->Desk().GetPrintableList()[0];
    fs::remove_all(pdfDir);
    LookAtPrinter();
    EXPECT_EQ(desktop->Printing()->Problem(), PrinterProblem::NotFound);
    // The note stays up while the printer is gone.
    EXPECT_EQ(desktop->PrinterNote(), u"Printer not found, please tell the director(cn:找不到打印机,请通知裁判).");

    const size_t served = server->ConnectionsServed();
    TouchEntry(entry);
    EXPECT_EQ(server->ConnectionsServed(), served) << "no request while the printer cannot print";
    EXPECT_FALSE(server->IsPrinted(entry.GetSectionId(), entry.GetTeamNumber()));
    EXPECT_TRUE(Printable(entry));
    EXPECT_TRUE(Has(Events(), "refused"));

    // Back again: the note goes away by itself and the touch prints.
    fs::create_directories(pdfDir);
    LookAtPrinter();
    EXPECT_EQ(desktop->PrinterNote(), u"");
    TouchEntry(entry);
    desktop->OnTick();
    EXPECT_EQ(Pdfs().size(), 1u);
}

TEST_F(DurablePrint, AScorecardWhosePrinterWentAwayPrintsAfterARestartWhenItIsBack)
{
    const auto list = desktop->Desk().GetPrintableList();
    ASSERT_GE(list.size(), 2u);
    TouchEntry(list[0]);
    TouchEntry(list[1]);
    ASSERT_EQ(desktop->Printing()->PendingCount(), 2u);
    // The printer goes before the tick prints: both stay in the spool.
    fs::remove_all(pdfDir);
    LookAtPrinter();
    EXPECT_EQ(desktop->Printing()->PendingCount(), 2u);
    // The screen tells why they wait, not that they are printing.
    const auto texts = ScreenTexts();
    const std::u16string gone = u"Printer not found, please tell the director(cn:找不到打印机,请通知裁判).";
    EXPECT_NE(std::find(texts.begin(), texts.end(), gone), texts.end());
    EXPECT_EQ(std::find(texts.begin(), texts.end(), u"Printing Scorecard[cn:正在打印记分表]"), texts.end());

    // The kiosk is restarted; the printer is back.
    fs::create_directories(pdfDir);
    delete desktop;
    desktop = new SelfPrintDesktop(host.get(), FrameServices{});
    desktop->Desk().SetServerPort(server->Port());
    StartPrinting();
    LookAtPrinter();
    for (int i = 0; i < 20 && desktop->Printing()->PendingCount() > 0; ++i)
        desktop->OnTick();
    EXPECT_EQ(desktop->Printing()->PendingCount(), 0u);
    EXPECT_EQ(Pdfs().size(), 2u);
}

TEST_F(DurablePrint, EveryPairScorecardIsKeptNotOnlyTheNewest)
{
    // Two pair or individual scorecards arriving before a tick: the plain
    // slot would keep only the newer one.
    std::vector<SignupEntry> pairs;
    for (const auto& e : desktop->Desk().GetPrintableList())
        if (e.GetIsPair() && pairs.size() < 2)
            pairs.push_back(e);
    ASSERT_EQ(pairs.size(), 2u);
    TouchEntry(pairs[0]);
    TouchEntry(pairs[1]);
    for (int i = 0; i < 20 && desktop->Printing()->PendingCount() > 0; ++i)
        desktop->OnTick();
    EXPECT_EQ(Pdfs().size(), 2u);
}

TEST_F(DurablePrint, TheDirectorCanDiscardWhatWaits)
{
    const SignupEntry entry = desktop->Desk().GetPrintableList()[0];
    TouchEntry(entry);
    fs::remove_all(pdfDir);
    LookAtPrinter();
    ASSERT_EQ(desktop->Printing()->PendingCount(), 1u);
    ScriptedUiSeam ui;
    ui.messageAnswers.push_back(MessageBoxAnswer::Ok);
    desktop->DiscardPending();
    EXPECT_EQ(desktop->Printing()->PendingCount(), 0u);
    EXPECT_TRUE(Has(Events(), "discarded"));
    fs::create_directories(pdfDir);
    LookAtPrinter();
    EXPECT_TRUE(Pdfs().empty());
}

TEST_F(DurablePrint, AScorecardTheSpoolCannotTakeIsKeptPrintedOnceAndWrittenWhenTheFolderIsBack)
{
    const auto list = desktop->Desk().GetPrintableList();
    ASSERT_GE(list.size(), 2u);
    // The spool folder turns into a file between two looks at the storage:
    // the touch still goes out, and its scorecard arrives.
    fs::rename(data + "spool", data + "spool.away");
    std::ofstream(data + "spool") << "not a folder";
    TouchEntry(list[0]);
    ASSERT_EQ(desktop->Printing()->PendingCount(), 1u) << "kept in memory, never dropped";
    EXPECT_TRUE(Has(Events(), "kept"));
    EXPECT_FALSE(Has(Events(), "spooled"));

    // It prints from memory and is followed to the end, once.
    for (int i = 0; i < 10; ++i)
        desktop->OnTick();
    EXPECT_EQ(Pdfs().size(), 1u);
    EXPECT_EQ(desktop->Printing()->PendingCount(), 0u);
    // The kiosk has seen its storage fail: the screen says where, the journal
    // says what, and a touch asks nothing of the server.
    EXPECT_EQ(desktop->PrinterNote(), u"" + Utf8ToWide(data) + u"spool/ is not a folder or file the kiosk can keep its "
                                      u"print records in; please tell the director(cn:数据文件夹有误,请通知裁判).");
    EXPECT_TRUE(Has(Events(), "storage"));
    const size_t served = server->ConnectionsServed();
    TouchEntry(list[1]);
    EXPECT_EQ(server->ConnectionsServed(), served);
    EXPECT_TRUE(Printable(list[1]));

    // The folder is back: the printed scorecard reaches done/, where the
    // binder of the day finds it, with a "spooled" line for it.
    fs::remove(data + "spool");
    fs::rename(data + "spool.away", data + "spool");
    for (int i = 0; i < 25; ++i)
        desktop->OnTick();
    EXPECT_EQ(desktop->PrinterNote(), u"");
    size_t done = 0;
    for (const auto& f : fs::directory_iterator(data + "spool/done"))
        done += f.path().extension() == ".json";
    EXPECT_EQ(done, 1u);
    const std::vector<std::string> events = Events();
    EXPECT_EQ(std::count(events.begin(), events.end(), "spooled"), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "completed"), 1);
    EXPECT_EQ(Pdfs().size(), 1u) << "printed exactly once";
}

TEST_F(DurablePrint, SettingsThatCannotBeSavedSaySo)
{
    // Something that is not a file where the settings file goes.
    const std::string settingsFile = folder.File("Self_Print.txt");
    fs::remove(settingsFile);
    fs::create_directories(settingsFile);
    ConfirmSettings(kAccessCode);
    EXPECT_TRUE(desktop->Desk().IsSynchronized()) << "in force all the same";
    EXPECT_EQ(desktop->Desk().CurrentNote(),
              u"The settings are in force but could not be saved in " + Utf8ToWide(settingsFile) +
                  u", so a restart loses them; please tell the director(cn:设置无法保存,请通知裁判).");
    EXPECT_TRUE(Has(Events(), "settings"));
}
