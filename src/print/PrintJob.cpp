#include "print/PrintJob.h"

#include "foundation/LocText.h"
#include "foundation/Product.h"
#include "platform/UiSeam.h"
#include "render/PagePainter.h"

namespace {

int32_t& JobCounter()
{
    static int32_t counter = 1;
    return counter;
}

} // namespace

PrinterChoice& ProcessPrinterChoice()
{
    static PrinterChoice choice;
    return choice;
}

int32_t NextPrintJobNumber()
{
    return JobCounter();
}

std::u16string PrintJobName(int32_t number)
{
    return u"qivBridge print doc " + IntToWide(number);
}

PaperMapping MapPaperToA4(int32_t paperWidthTenthsMm, int32_t paperLengthTenthsMm)
{
    PaperMapping m;
    double w = paperWidthTenthsMm / 100.0;
    double l = paperLengthTenthsMm / 100.0;
    if (w < 6.0 || l < 10.0) {
        w = 21.0;
        l = 29.7;
    } else if (w > 29.71 || l > 42.1) {
        w = 29.7;
        l = 42.0;
    }
    m.widthCm = w;
    m.lengthCm = l;
    m.windowExt = Size{static_cast<int32_t>(21.0 / w * 25400), static_cast<int32_t>(29.7 / l * 25400)};
    return m;
}

void Print(PageView& view, int32_t copies, PrintMode printMode)
{
    const int32_t n = view.GetPageCount();
    int32_t first = 1;
    int32_t last = n;
    PrinterChoice& chosen = ProcessPrinterChoice();

    if (chosen.IsEmpty() || printMode != PrintMode::OnChosen) {
        const std::optional<PrintDialogAnswer> answer = Printing().RunPrintDialog(n, chosen);
        if (!answer)
            return;
        if (answer->pageRange) {
            first = answer->fromPage;
            last = answer->toPage;
        }
        chosen = answer->choice;
    }
    if (printMode == PrintMode::ChooseOnly)
        return;
    if (copies == 1 || copies == 2)
        chosen.setup.copies = copies;
    PrintPages(view, chosen.driver, chosen.device, chosen.port, first, last, chosen.setup);
}

void PrintPages(PageView& view, const std::u16string& driver, const std::u16string& device, const std::u16string& port,
                int32_t first, int32_t last, PrinterSetup& setup)
{
    const PaperMapping paper = MapPaperToA4(setup.paperWidth, setup.paperLength);
    setup.landscape = view.IsLandscape();

    const PrinterChoice target{driver, device, port, setup};
    std::unique_ptr<PrintDocument> doc = Printing().OpenPrinter(target);
    if (!doc) {
        const LangIndex lang = view.GetLanguage();
        Ui().ShowMessage(&view, LangTextW("不能创建打印机,请检查.||Unable to create printer, please check.||<其它>", lang),
                         Utf8ToWide(ProductName(lang, false)), MessageBoxStyle::Ok);
        return;
    }

    const int32_t number = JobCounter()++;
    doc->StartDoc(PrintJobName(number));

    for (int32_t p = first; p <= last; ++p) {
        PaintPrintedPage(view, doc->StartPage(), p, doc->DpiX(), doc->DpiY(), paper.windowExt);
        doc->EndPage();
    }
    doc->EndDoc();
}

void InstallPrintJob()
{
    SetPageViewPrintHandler(&Print);
}
