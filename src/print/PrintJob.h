#pragma once
// The print job: turns the pages of an A4 page view into a job on the chosen
// printer. The printer is chosen once in the print dialog and reused for
// every later job of the process, so the kiosk prints a scorecard without a
// dialog. Pages are painted by the view's own page painting in printer mode,
// mapped so that one unit is 0.01 mm on A4 paper (other paper gets the A4
// page stretched to it).

#include "platform/PrintSystem.h"
#include "render/PageView.h"

#include <cstdint>
#include <string>

// The view's Print. A mode that is none of the named ones asks like
// PrintMode::WithDialog.
// copies 1 or 2 set the printer's copy count; other values leave it as the
// dialog set it.
void Print(PageView& view, int32_t copies, PrintMode printMode);

// Prints pages first..last of the view on the printer (driver, device,
// port) with its settings `setup`, whose orientation it sets from the view.
// When the printer cannot be opened, says so in a message box and prints
// nothing.
void PrintPages(PageView& view, const std::u16string& driver, const std::u16string& device, const std::u16string& port,
                int32_t first, int32_t last, PrinterSetup& setup);

// How the A4 page is put on the sheet: the sheet in centimetres after the
// paper rules (too small or unknown: A4; larger than A3: A3), and the window
// extent that stretches the A4 page over it for a viewport extent of
// (dpiX * 10, dpiY * 10).
struct PaperMapping {
    double widthCm = 21.0;
    double lengthCm = 29.7;
    Size windowExt{25400, 25400};
};
PaperMapping MapPaperToA4(int32_t paperWidthTenthsMm, int32_t paperLengthTenthsMm);

// What the last Print of the process did, for the kiosk's spool: whether a
// job went out and what the printing system made of it. GUI thread only.
struct PrintResult {
    enum class Kind {
        None,       // nothing asked yet
        Cancelled,  // the print dialog was cancelled: nothing printed
        ChosenOnly, // the dialog only chose the printer
        CannotOpen, // the printer could not be opened: nothing printed
        Sent,       // the job went out; `outcome` tells how it ended
    };
    Kind kind = Kind::None;
    PrintOutcome outcome;
    std::u16string jobName;
};
const PrintResult& LastPrintResult();
// Forgets the last result (before a print whose result is wanted).
void ClearLastPrintResult();
// The entry the next job prints (a PDF folder names its file after it);
// used by the next job only. With `askOnFailure` false a printer that cannot
// be opened is only reported in LastPrintResult, without the message box: the
// kiosk's spool keeps such a job, says so on the screen and prints it again
// by itself, and a box nobody answers would stop the kiosk.
void SetNextPrintLabel(std::string label, bool askOnFailure = true);

// Where the chosen printer is remembered across restarts: once set, a
// printer confirmed in the dialog is written there. Empty: not remembered.
void SetPrinterChoiceFile(std::string path);
// Reads the remembered printer into the process's choice; false (and the
// choice left as it was) when there is none or it cannot be read.
bool LoadPrinterChoice(const std::string& path);
// The file form of a printer choice (a JSON object with readable keys).
std::string PrinterChoiceToText(const PrinterChoice& choice);
bool PrinterChoiceFromText(const std::string& text, PrinterChoice& choice);

// "qivBridge print doc " and the number.
std::u16string PrintJobName(int32_t number);

// The printer chosen for the process (empty until the first dialog is
// confirmed); each job changes its orientation and copies.
PrinterChoice& ProcessPrinterChoice();
// The number the next job will get (starts at 1).
int32_t NextPrintJobNumber();

// Makes every page view print through this print job. Called once at
// start-up by each program that prints.
void InstallPrintJob();
