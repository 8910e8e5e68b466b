#include "platform/PrintSystem.h"

#include "platform/QPainterCanvas.h"
#include "platform/QtText.h"
#include "platform/UiSeam.h"

#include <QApplication>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A job on a Qt printer. The painter is opened with the first page, so a job
// without pages leaves no output behind.
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

    void EndDoc() override { canvas_.reset(); }

    int DpiX() const override { return printer_->logicalDpiX(); }
    int DpiY() const override { return printer_->logicalDpiY(); }

private:
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainterCanvas> canvas_;
};

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

PrintSystem*& InstalledSystem()
{
    static PrintSystem* system = nullptr;
    return system;
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

std::optional<PrintDialogAnswer> QtPrintSystem::RunPrintDialog(int32_t pageCount, const PrinterChoice& previous)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!previous.IsEmpty())
        ApplyChoice(previous, printer);
    // Owned by the active window, so that it opens above a kiosk screen that
    // stays on top in full screen instead of hiding behind it.
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    // No selection and no current page; a page range, collated copies and
    // Qt's PDF output (the "print to file" destination) are offered.
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintToFile);
    dialog.setMinMax(1, std::max(1, pageCount));
    dialog.setFromTo(1, std::max(1, pageCount));
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
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    ApplyChoice(choice, *printer);
    if (choice.driver == kDriverPdf) {
        if (!CanWriteFile(ToQString(choice.port)))
            return nullptr;
    } else {
        // Qt quietly turns an unknown printer into PDF output; a printer that
        // is not (or no longer) there cannot be opened.
        if (choice.device.empty() || printer->outputFormat() != QPrinter::NativeFormat || !printer->isValid())
            return nullptr;
    }
    return std::make_unique<QtPrintDocument>(std::move(printer));
}

PdfFilePrintSystem::PdfFilePrintSystem(std::string path, int32_t paperWidth, int32_t paperLength)
    : path_(std::move(path)), paperWidth_(paperWidth), paperLength_(paperLength)
{
}

std::optional<PrintDialogAnswer> PdfFilePrintSystem::RunPrintDialog(int32_t, const PrinterChoice&)
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

PrintSystem& Printing()
{
    static QtPrintSystem qtSystem;
    PrintSystem* installed = InstalledSystem();
    return installed != nullptr ? *installed : qtSystem;
}

void SetPrintSystem(PrintSystem* system)
{
    InstalledSystem() = system;
}
