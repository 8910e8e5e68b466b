#pragma once
// The print job: turns the pages of an A4 page view into a job on the chosen
// printer. The printer is chosen once in the print dialog and reused for
// every later job, so the kiosk prints a scorecard without a dialog. Pages
// are painted by the view's own page painting in printer mode, mapped so that one unit is 0.01 mm on A4 paper (other paper gets the A4
// page stretched to it).

#include "platform/PrintSystem.h"
#include "render/PageView.h"

#include <cstdint>
#include <functional>
#include <string>

// How the A4 page is put on the sheet: the sheet in centimetres after the
// paper rules (too small or unknown: A4; larger than A3: A3), and the window
// extent that stretches the A4 page over it for a viewport extent of
// (dpiX * 10, dpiY * 10).
struct PaperMapping {
    double widthCm = 21.0;
    double lengthCm = 29.7;
    Size windowExt{25400, 25400};
    double leftCm = 0.0; // where the page's left edge stands on the sheet
    // The page's top left corner on a device of (dpiX, dpiY) dots per inch.
    Point DeviceOrigin(int32_t dpiX, int32_t dpiY) const;
};
PaperMapping MapPaperToA4(int32_t paperWidthTenthsMm, int32_t paperLengthTenthsMm);
// The same sheet with the A4 page at one scale both ways, as large as fits
// and centred across (on Letter, 94 % with 9 mm either side).
PaperMapping MapPaperToA4Proportionally(int32_t paperWidthTenthsMm, int32_t paperLengthTenthsMm);

// What a print job's last Print did, for the kiosk's spool: whether a
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

// The file form of a printer choice (a JSON object with readable keys).
std::string PrinterChoiceToText(const PrinterChoice& choice);
bool PrinterChoiceFromText(const std::string& text, PrinterChoice& choice);

// "qivBridge print doc " and the number.
std::u16string PrintJobName(int32_t number);

// The print job of a program: the printer it prints on (chosen once in the
// print dialog, then reused for every later job without one), the numbers
// of its jobs, and what the last job did. The root of a window tree hands
// it to its page views (RootServices::Printer); the kiosk's desktop and the
// renderer each own one, on the print system they were given.
class PrintJob : public PagePrinter {
public:
    explicit PrintJob(PrintSystem& system);

    PrintSystem& System() { return system; }
    // Prints on `system` from now on; the chosen printer is kept.
    void SetSystem(PrintSystem& other) { system = other; }

    // The view's Print. A mode that is none of the named ones asks like
    // PrintMode::WithDialog. copies 1 or 2 set the printer's copy count;
    // other values leave it as the dialog set it.
    void PrintView(PageView& view, int32_t copies, PrintMode printMode) override;

    // Prints pages first..last of the view on the printer (driver, device,
    // port) with its settings `setup`, whose orientation it sets from the
    // view. When the printer cannot be opened, says so in a message box (as
    // SetNextLabel allows) and prints nothing.
    void PrintPages(PageView& view, const std::u16string& driver, const std::u16string& device,
                    const std::u16string& port, int32_t first, int32_t last, PrinterSetup& setup);

    // What the last job did. GUI thread only.
    const PrintResult& LastResult() const { return lastResult; }
    // Forgets the last result (before a print whose result is wanted).
    void ClearLastResult() { lastResult = PrintResult{}; }
    // The entry the next job prints (a PDF folder names its file after it);
    // used by the next job only. With `askOnFailure` false a printer that
    // cannot be opened is only reported in LastResult, without the message
    // box: the kiosk's spool keeps such a job, says so on the screen and
    // prints it again by itself, and a box nobody answers would stop the
    // kiosk.
    void SetNextLabel(std::string label, bool askOnFailure = true);

    // Where the chosen printer is remembered across restarts: once set, a
    // printer confirmed in the dialog is written there. Empty: not
    // remembered.
    void SetChoiceFile(std::string path) { choiceFile = std::move(path); }
    // Reads the remembered printer into the choice; false (and the choice
    // left as it was) when there is none or it cannot be read.
    bool LoadChoice(const std::string& path);

    // The printer chosen (empty until the first dialog is confirmed); each
    // job changes its orientation and copies.
    PrinterChoice& Chosen() { return chosen; }
    const PrinterChoice& Chosen() const { return chosen; }
    // The number the next job will get (starts at 1).
    int32_t NextJobNumber() const { return jobCounter; }

private:
    void RememberChoice();

    std::reference_wrapper<PrintSystem> system;
    PrinterChoice chosen;
    int32_t jobCounter = 1;
    PrintResult lastResult;
    std::string nextLabel;
    bool nextAskOnFailure = true;
    std::string choiceFile;
};
