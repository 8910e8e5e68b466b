#include "platform/PrintSystem.h"

#include "platform/DialogUnits.h"
#include "platform/QPainterCanvas.h"
#include "platform/QtText.h"
#include "platform/UiSeam.h"

#include <QApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinter>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <utility>

namespace {

// Sets the text of a dialog's confirming button each time the dialog is
// shown.
class ConfirmButtonText : public QObject {
public:
    ConfirmButtonText(QDialog& dialog, QString text) : QObject(&dialog), text(std::move(text))
    {
        dialog.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* buttons = watched->findChild<QDialogButtonBox*>())
                if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
                    ok->setText(text);
        return false;
    }

private:
    QString text;
};

void RenameWhenShown(QDialog& dialog, const QString& text)
{
    new ConfirmButtonText(dialog, text);
}

// A job painted through a Qt printer. The painter is opened with the first
// page, so a job without pages leaves no output behind. What EndDoc does
// with the finished output is the subclass's.
class QtPrintDocument : public PrintDocument {
public:
    explicit QtPrintDocument(std::unique_ptr<QPrinter> printer) : printer_(std::move(printer)) {}
    ~QtPrintDocument() override { canvas_.reset(); }

    void StartDoc(const std::u16string& jobName) override { printer_->setDocName(ToQString(jobName)); }

    Canvas& StartPage() override
    {
        if (!canvas_)
            canvas_ = std::make_unique<QPainterCanvas>(printer_.get());
        else
            printer_->newPage();
        return *canvas_;
    }

    void EndPage() override {}

    PrintOutcome EndDoc() override
    {
        const bool painted = canvas_ != nullptr;
        canvas_.reset();
        PrintOutcome outcome;
        outcome.printer = printer_->outputFileName().toStdString();
        if (painted && printer_->printerState() == QPrinter::Error) {
            outcome.status = PrintOutcome::Status::Failed;
            outcome.error = "the PDF file " + outcome.printer + " could not be written";
        }
        return outcome;
    }

    int DpiX() const override { return printer_->logicalDpiX(); }
    int DpiY() const override { return printer_->logicalDpiY(); }

protected:
    bool Painted() const { return canvas_ != nullptr; }
    QPrinter& Printer() { return *printer_; }
    std::unique_ptr<QPainterCanvas>& CanvasSlot() { return canvas_; }

private:
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainterCanvas> canvas_;
};

// A job for a printer of the system: the pages go into a temporary PDF laid
// out as the printer's own pages (its paper and printable area), which is
// handed to the printing system through libcups with the options chosen in
// the dialog. Submitting it ourselves gives the job's id, and it goes to the
// queue that was chosen or nowhere: never quietly to another one.
class CupsPrintDocument : public QtPrintDocument {
public:
    CupsPrintDocument(std::unique_ptr<QPrinter> pdf, std::string queue, std::string tempPath, PrintOptions options)
        : QtPrintDocument(std::move(pdf)), queue_(std::move(queue)), tempPath_(std::move(tempPath)),
          options_(std::move(options))
    {
    }
    ~CupsPrintDocument() override { std::remove(tempPath_.c_str()); }

    void StartDoc(const std::u16string& jobName) override
    {
        title_ = ToQString(jobName).toStdString();
        QtPrintDocument::StartDoc(jobName);
    }

    PrintOutcome EndDoc() override
    {
        const bool painted = Painted();
        CanvasSlot().reset();
        PrintOutcome outcome;
        outcome.printer = queue_;
        if (!painted)
            return outcome; // no pages, nothing to send
        if (Printer().printerState() == QPrinter::Error) {
            outcome.status = PrintOutcome::Status::Failed;
            outcome.error = "the pages could not be written to " + tempPath_;
            return outcome;
        }
        std::string error;
        const int32_t job = SubmitPdfJob(queue_, tempPath_, title_, options_, error);
        if (job <= 0) {
            outcome.status = PrintOutcome::Status::Failed;
            outcome.error = error;
            return outcome;
        }
        outcome.status = PrintOutcome::Status::Submitted;
        outcome.jobId = job;
        return outcome;
    }

private:
    std::string queue_;
    std::string tempPath_;
    PrintOptions options_;
    std::string title_;
};

// A job that becomes a file of its own in a PDF folder, named when the job
// is described and moved into place only when complete.
class PdfFolderDocument : public QtPrintDocument {
public:
    PdfFolderDocument(std::unique_ptr<QPrinter> pdf, std::string folder)
        : QtPrintDocument(std::move(pdf)), folder_(std::move(folder))
    {
    }
    ~PdfFolderDocument() override
    {
        if (!partPath_.empty())
            std::remove(partPath_.c_str());
    }

    void Describe(int32_t jobNumber, const std::string& entryLabel) override
    {
        const std::string stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")).toStdString();
        finalPath_ = folder_ + PdfFolderFileName(stamp, jobNumber, entryLabel);
        partPath_ = finalPath_ + ".part";
        Printer().setOutputFileName(QString::fromStdString(partPath_));
    }

    PrintOutcome EndDoc() override
    {
        if (finalPath_.empty())
            Describe(0, std::string());
        const bool painted = Painted();
        CanvasSlot().reset();
        PrintOutcome outcome;
        outcome.printer = finalPath_;
        if (!painted)
            return outcome;
        if (Printer().printerState() == QPrinter::Error || std::rename(partPath_.c_str(), finalPath_.c_str()) != 0) {
            outcome.status = PrintOutcome::Status::Failed;
            outcome.error = "the PDF file " + finalPath_ + " could not be written";
            return outcome;
        }
        partPath_.clear();
        return outcome;
    }

private:
    std::string folder_;
    std::string finalPath_;
    std::string partPath_;
};

// The options the dialog left on a printer of the system, as job options:
// the paper, copies, two-sided printing and the driver's own options.
PrintOptions OptionsFromPrinter(const QPrinter& printer)
{
    PrintOptions options;
    switch (printer.duplex()) {
    case QPrinter::DuplexNone: options.emplace_back("sides", "one-sided"); break;
    case QPrinter::DuplexLongSide: options.emplace_back("sides", "two-sided-long-edge"); break;
    case QPrinter::DuplexShortSide: options.emplace_back("sides", "two-sided-short-edge"); break;
    case QPrinter::DuplexAuto: break;
    }
    if (printer.colorMode() == QPrinter::GrayScale)
        options.emplace_back("print-color-mode", "monochrome");
    // Qt keeps the options of the dialog's printer properties (paper
    // source, colour model, resolution, ...) on its print engine under this
    // key, as name/value pairs.
    const QPrintEngine::PrintEnginePropertyKey cupsOptionsKey = QPrintEngine::PrintEnginePropertyKey(0xfe00);
    if (QPrintEngine* engine = printer.printEngine()) {
        const QStringList pairs = engine->property(cupsOptionsKey).toStringList();
        for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
            const std::string name = pairs[i].toStdString();
            auto same = [&](const auto& o) { return o.first == name; };
            options.erase(std::remove_if(options.begin(), options.end(), same), options.end());
            options.emplace_back(name, pairs[i + 1].toStdString());
        }
    }
    return options;
}

// A temporary file for a job's PDF; "" when none can be made.
std::string MakeTempPdf()
{
    std::string path = QDir::tempPath().toStdString() + "/bridgeprint-job-XXXXXX.pdf";
    const int fd = mkstemps(path.data(), 4);
    if (fd < 0)
        return {};
    ::close(fd);
    return path;
}

// True when a PDF file can be written at `path`.
bool CanWriteFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        return false;
    return !file.exists() || (file.isFile() && file.isWritable());
}

} // namespace

PrintDocument::~PrintDocument() = default;
PrintSystem::~PrintSystem() = default;

PrinterChoice QtPrintSystem::ChoiceFromPrinter(const QPrinter& printer)
{
    PrinterChoice c;
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        c.driver = kDriverPdf;
        c.port = ToU16(printer.outputFileName());
    } else {
        c.driver = kDriverPrinter;
        c.device = ToU16(printer.printerName());
    }
    const QPageLayout layout = printer.pageLayout();
    const QSizeF mm = layout.pageSize().size(QPageSize::Millimeter);
    if (mm.isValid()) {
        const double shortSide = std::min(mm.width(), mm.height());
        const double longSide = std::max(mm.width(), mm.height());
        c.setup.paperWidth = static_cast<int32_t>(std::lround(shortSide * 10.0));
        c.setup.paperLength = static_cast<int32_t>(std::lround(longSide * 10.0));
    }
    c.setup.landscape = layout.orientation() == QPageLayout::Landscape;
    c.setup.copies = printer.copyCount();
    c.setup.collate = printer.collateCopies();
    if (c.driver == kDriverPrinter)
        c.options = OptionsFromPrinter(printer);
    return c;
}

void QtPrintSystem::ApplyChoice(const PrinterChoice& choice, QPrinter& printer)
{
    if (choice.driver == kDriverPdf) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(ToQString(choice.port));
    } else {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(ToQString(choice.device));
    }
    const PrinterSetup& s = choice.setup;
    const QPageSize paper = (s.paperWidth > 0 && s.paperLength > 0)
                                ? QPageSize(QSizeF(s.paperWidth / 10.0, s.paperLength / 10.0), QPageSize::Millimeter,
                                            QString(), QPageSize::FuzzyMatch)
                                : QPageSize(QPageSize::A4);
    printer.setPageSize(paper);
    printer.setPageOrientation(s.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setCopyCount(std::max(1, s.copies));
    printer.setCollateCopies(s.collate);
    if (choice.driver == kDriverPdf) {
        printer.setFullPage(true);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    } else {
        printer.setFullPage(false);
    }
}

std::optional<PrintDialogAnswer> QtPrintSystem::RunPrintDialog(int32_t pageCount, const PrinterChoice& previous,
                                                               const PrintDialogContext& context)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!previous.IsEmpty())
        ApplyChoice(previous, printer);
    // Owned by the active window, so that it opens above a kiosk screen that
    // stays on top in full screen instead of hiding behind it.
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    // No selection and no current page; a page range and collated copies
    // are offered. No "print to file": the kiosk prints unattended, and a
    // file chosen once would be overwritten by every later scorecard.
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCollateCopies);
    dialog.setMinMax(1, std::max(1, pageCount));
    dialog.setFromTo(1, std::max(1, pageCount));
    // Read at arm's length; the controls get a finger's height from the
    // application's style.
    dialog.setFont(TouchDialogFont(12));
    if (context.purpose == PrintDialogPurpose::ChoosePrinter) {
        dialog.setWindowTitle(ToQString(LangTextW("选择打印机||Select printer||<其它>", context.lang)));
        // Qt's dialog names its button after printing; here it only chooses.
        // Named when the dialog is shown, after the dialog has set up its
        // own texts.
        const QString choose = ToQString(LangTextW("选用此打印机||Use this printer||<其它>", context.lang));
        RenameWhenShown(dialog, choose);
    }
    if (Ui().RunDialog(dialog) != QDialog::Accepted)
        return std::nullopt;

    PrintDialogAnswer answer;
    answer.choice = ChoiceFromPrinter(printer);
    if (printer.printRange() == QPrinter::PageRange) {
        answer.pageRange = true;
        answer.fromPage = printer.fromPage();
        answer.toPage = printer.toPage();
    }
    return answer;
}

std::unique_ptr<PrintDocument> QtPrintSystem::OpenPrinter(const PrinterChoice& choice)
{
    if (choice.driver == kDriverPdf) {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        ApplyChoice(choice, *printer);
        if (!CanWriteFile(ToQString(choice.port)))
            return nullptr;
        return std::make_unique<QtPrintDocument>(std::move(printer));
    }
    if (choice.driver == kDriverPdfFolder) {
        std::string folder = ToQString(choice.port).toStdString();
        if (!folder.empty() && folder.back() != '/')
            folder += '/';
        const QFileInfo info(QString::fromStdString(folder));
        if (folder.empty() || !info.isDir() || !info.isWritable())
            return nullptr;
        PrinterChoice pdf = choice;
        pdf.driver = kDriverPdf;
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        ApplyChoice(pdf, *printer);
        return std::make_unique<PdfFolderDocument>(std::move(printer), folder);
    }

    // Qt quietly turns an unknown printer into PDF output; a printer that is
    // not (or no longer) there cannot be opened.
    QPrinter native(QPrinter::HighResolution);
    ApplyChoice(choice, native);
    if (choice.device.empty() || native.outputFormat() != QPrinter::NativeFormat || !native.isValid() ||
        native.printerName() != ToQString(choice.device))
        return nullptr;
    const std::string temp = MakeTempPdf();
    if (temp.empty())
        return nullptr;
    // The PDF gets the printer's pages: its paper, orientation and printable
    // area, so that the page lands where the printer's own coordinates put it.
    auto pdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
    pdf->setOutputFormat(QPrinter::PdfFormat);
    pdf->setOutputFileName(QString::fromStdString(temp));
    pdf->setFullPage(false);
    pdf->setPageLayout(native.pageLayout());
    PrintOptions options = choice.options;
    const QString media = native.pageLayout().pageSize().key();
    if (!media.isEmpty())
        options.insert(options.begin(), {"media", media.toStdString()});
    if (choice.setup.copies > 1) {
        options.emplace_back("copies", std::to_string(choice.setup.copies));
        options.emplace_back("Collate", choice.setup.collate ? "True" : "False");
    }
    return std::make_unique<CupsPrintDocument>(std::move(pdf), ToQString(choice.device).toStdString(), temp,
                                               std::move(options));
}

PdfFilePrintSystem::PdfFilePrintSystem(std::string path, int32_t paperWidth, int32_t paperLength)
    : path_(std::move(path)), paperWidth_(paperWidth), paperLength_(paperLength)
{
}

std::optional<PrintDialogAnswer> PdfFilePrintSystem::RunPrintDialog(int32_t, const PrinterChoice&,
                                                                    const PrintDialogContext&)
{
    ++dialogsRun_;
    PrintDialogAnswer answer;
    answer.choice.driver = kDriverPdf;
    answer.choice.device = u"PDF";
    answer.choice.port = ToU16(QString::fromStdString(path_));
    answer.choice.setup.paperWidth = paperWidth_;
    answer.choice.setup.paperLength = paperLength_;
    return answer;
}

PdfFolderPrintSystem::PdfFolderPrintSystem(std::string folder) : folder_(std::move(folder))
{
}

std::optional<PrintDialogAnswer> PdfFolderPrintSystem::RunPrintDialog(int32_t, const PrinterChoice&,
                                                                      const PrintDialogContext&)
{
    PrintDialogAnswer answer;
    answer.choice.driver = kDriverPdfFolder;
    answer.choice.device = u"PDF folder";
    answer.choice.port = ToU16(QString::fromStdString(folder_));
    answer.choice.setup.paperWidth = 2100;
    answer.choice.setup.paperLength = 2970;
    return answer;
}

std::string PdfFolderFileName(const std::string& timestamp, int32_t jobNumber, const std::string& entryLabel)
{
    // Letters, digits and a few marks of the entry survive; everything else
    // (spaces, slashes, Chinese) becomes "_", so the name is safe anywhere.
    std::string entry;
    for (const char c : entryLabel) {
        const bool plain =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '.';
        entry += plain ? c : '_';
    }
    if (entry.size() > 40)
        entry.resize(40);
    std::string name = timestamp + "-job" + std::to_string(jobNumber);
    if (!entry.empty())
        name += "-" + entry;
    return name + ".pdf";
}


