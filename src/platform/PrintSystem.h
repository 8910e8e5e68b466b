#pragma once
// The print system: choosing a printer in the print dialog, and opening a
// print job on the chosen printer whose pages are painted on a Canvas.
//
// The kiosk uses Qt's print dialog to choose one of the printing system's
// (CUPS) destinations and its options. A job is painted into a PDF file laid
// out as the printer's own pages and handed to the printing system through
// libcups, which gives back the job's id, so the kiosk can follow the job to
// the end (Qt's printers keep that id to themselves). The dialog offers no
// "print to file": every scorecard would silently overwrite one file.
//
// Tests and the headless renderer install a PDF-file destination instead,
// which needs no dialog: its "dialog" answers at once with the file it was
// given. Demos and tests without a printing system use a PDF folder: one
// file per job. A print job (print/PrintJob.h) is made on the one to use.

#include "foundation/LocText.h"
#include "platform/Canvas.h"
#include "platform/CupsPrinters.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class QPrinter;

// Paper, orientation and copies of a chosen printer: the part of a printer's
// settings that a print job reads and changes.
struct PrinterSetup {
    // The sheet as the printer reports it, in tenths of a millimetre, the
    // short side first whatever the orientation (A4: 2100 x 2970). 0 when
    // the printer did not say.
    int32_t paperWidth = 0;
    int32_t paperLength = 0;
    bool landscape = false;
    int32_t copies = 1;
    bool collate = true;
};

// A chosen printer. `driver` tells the kind of destination: kDriverPrinter
// for a printer of the system (`device` is its queue name), kDriverPdf for
// PDF output (`port` is the file) and kDriverPdfFolder for one PDF file per
// job (`port` is the folder). Empty until a printer has been chosen.
struct PrinterChoice {
    std::u16string driver;
    std::u16string device;
    std::u16string port;
    PrinterSetup setup;
    // Everything else chosen in the dialog for a printer of the system
    // (two-sided, colour, paper source, the driver's own options), as the
    // printing system's job options; used again for every silent job.
    PrintOptions options;

    bool IsEmpty() const { return driver.empty(); }
};

inline const std::u16string kDriverPrinter = u"printer";
inline const std::u16string kDriverPdf = u"pdf";
inline const std::u16string kDriverPdfFolder = u"pdf-folder";

// What became of a job once its pages were sent.
struct PrintOutcome {
    enum class Status {
        Completed, // written out (a PDF file), or nothing to print
        Submitted, // the printing system has it as job `jobId`; it may still fail
        Failed,    // nothing was printed; `error` says why
    };
    Status status = Status::Completed;
    int32_t jobId = 0;
    std::string printer; // the queue, or the file written
    std::string error;
};

// What the print dialog answered when it was confirmed.
struct PrintDialogAnswer {
    PrinterChoice choice;
    // The operator limited the job to pages fromPage..toPage.
    bool pageRange = false;
    int32_t fromPage = 1;
    int32_t toPage = 1;
};

// Why the print dialog is shown, and in which language the kiosk speaks: to
// print a document now, or only to choose the printer for later jobs, when
// its title and confirming button say so and nothing is printed.
enum class PrintDialogPurpose { Print, ChoosePrinter };
struct PrintDialogContext {
    PrintDialogPurpose purpose = PrintDialogPurpose::Print;
    LangIndex lang = kLangChinese;
};

// One print job on an opened printer. Pages are painted between StartPage
// and EndPage on the canvas StartPage returns (a fresh device state on each
// page: the caller sets its mapping per page). A job in which no page was
// started produces no output.
class PrintDocument {
public:
    virtual ~PrintDocument();
    // The job's number and the entry it prints (a PDF folder names its files
    // after them); called before StartDoc.
    virtual void Describe(int32_t /*jobNumber*/, const std::string& /*entryLabel*/) {}
    // Names the job (the spooler's job name, the title of a PDF file).
    virtual void StartDoc(const std::u16string& jobName) = 0;
    virtual Canvas& StartPage() = 0;
    virtual void EndPage() = 0;
    // Sends the job; the document is finished afterwards.
    virtual PrintOutcome EndDoc() = 0;
    // The printer's resolution.
    virtual int DpiX() const = 0;
    virtual int DpiY() const = 0;
};

class PrintSystem {
public:
    virtual ~PrintSystem();
    // Shows the print dialog for a document of pages 1..pageCount, starting
    // from the previous choice when there is one. Nothing when cancelled.
    virtual std::optional<PrintDialogAnswer> RunPrintDialog(int32_t pageCount, const PrinterChoice& previous,
                                                            const PrintDialogContext& context) = 0;
    // Opens the printer for one job, or null when it cannot be opened (the
    // printer is gone, the file cannot be written).
    virtual std::unique_ptr<PrintDocument> OpenPrinter(const PrinterChoice& choice) = 0;
};

// Qt's print dialog (run through the UI seam, so tests can answer it); jobs
// on a printer of the system go through a PDF laid out as that printer's
// pages and libcups, jobs to a file through Qt's PDF output.
class QtPrintSystem : public PrintSystem {
public:
    std::optional<PrintDialogAnswer> RunPrintDialog(int32_t pageCount, const PrinterChoice& previous,
                                                    const PrintDialogContext& context) override;
    std::unique_ptr<PrintDocument> OpenPrinter(const PrinterChoice& choice) override;

    // The choice a configured Qt printer stands for.
    static PrinterChoice ChoiceFromPrinter(const QPrinter& printer);
    // Configures a Qt printer for a choice (destination, paper, orientation,
    // copies). For PDF output the page starts at the sheet's corner; on a
    // printer of the system at the corner of its printable area, as the
    // printer's own coordinates do.
    static void ApplyChoice(const PrinterChoice& choice, QPrinter& printer);
};

// A PDF file as the only printer: the dialog is answered at once, without a
// person, with the file and the paper given here (A4 unless told). Printing
// then writes the file through Qt's PDF output.
class PdfFilePrintSystem : public QtPrintSystem {
public:
    explicit PdfFilePrintSystem(std::string path, int32_t paperWidth = 2100, int32_t paperLength = 2970);

    std::optional<PrintDialogAnswer> RunPrintDialog(int32_t pageCount, const PrinterChoice& previous,
                                                    const PrintDialogContext& context) override;

    const std::string& Path() const { return path_; }
    // The file the next dialog answers with. A printer already chosen keeps
    // its file: jobs that print on the chosen printer (kiosk prints) go on
    // writing there until the dialog is asked again.
    void SetPath(std::string path) { path_ = std::move(path); }
    // How often the dialog was asked for.
    int DialogsRun() const { return dialogsRun_; }

private:
    std::string path_;
    int32_t paperWidth_;
    int32_t paperLength_;
    int dialogsRun_ = 0;
};

// A PDF folder as the only printer: the dialog is answered at once with the
// folder, and each job becomes a file of its own in it,
// "<yyyymmdd-hhmmss>-job<number>-<entry>.pdf", written under a temporary
// name and renamed when complete. For demos and tests without a printing
// system.
class PdfFolderPrintSystem : public QtPrintSystem {
public:
    explicit PdfFolderPrintSystem(std::string folder);
    std::optional<PrintDialogAnswer> RunPrintDialog(int32_t pageCount, const PrinterChoice& previous,
                                                    const PrintDialogContext& context) override;
    const std::string& Folder() const { return folder_; }

private:
    std::string folder_;
};

// The name a PDF folder gives a job's file.
std::string PdfFolderFileName(const std::string& timestamp, int32_t jobNumber, const std::string& entryLabel);

