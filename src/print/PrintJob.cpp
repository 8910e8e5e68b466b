#include "print/PrintJob.h"

#include "foundation/Files.h"
#include "foundation/LocText.h"
#include "foundation/Product.h"
#include "platform/UiSeam.h"
#include "render/PagePainter.h"

#include <json/reader.h>
#include <json/value.h>
#include <json/writer.h>

#include <algorithm>
#include <cmath>
#include <memory>


PrintJob::PrintJob(PrintSystem& printSystem) : system(printSystem) {}

void PrintJob::SetNextLabel(std::string label, bool askOnFailure)
{
    nextLabel = std::move(label);
    nextAskOnFailure = askOnFailure;
}

void PrintJob::RememberChoice()
{
    if (choiceFile.empty())
        return;
    // A file that cannot be written costs only the memory of the choice
    // after a restart; printing goes on.
    WriteWholeFile(choiceFile, PrinterChoiceToText(chosen), 1);
}

std::string PrinterChoiceToText(const PrinterChoice& choice)
{
    Json::Value v(Json::objectValue);
    v["driver"] = WideToUtf8(choice.driver);
    v["device"] = WideToUtf8(choice.device);
    v["port"] = WideToUtf8(choice.port);
    v["paperWidth"] = choice.setup.paperWidth;
    v["paperLength"] = choice.setup.paperLength;
    v["copies"] = choice.setup.copies;
    v["collate"] = choice.setup.collate;
    Json::Value options(Json::arrayValue);
    for (const auto& [name, value] : choice.options) {
        Json::Value pair(Json::arrayValue);
        pair.append(name);
        pair.append(value);
        options.append(pair);
    }
    v["options"] = options;
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "  ";
    writer["emitUTF8"] = true;
    return Json::writeString(writer, v) + "\n";
}

bool PrinterChoiceFromText(const std::string& text, PrinterChoice& choice)
{
    Json::Value v;
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    if (text.empty() || !reader->parse(text.data(), text.data() + text.size(), &v, &errors) || !v.isObject())
        return false;
    auto str = [&](const char* key) { return v[key].isString() ? v[key].asString() : std::string(); };
    auto num = [&](const char* key, int32_t fallback) { return v[key].isInt() ? v[key].asInt() : fallback; };
    PrinterChoice read;
    read.driver = Utf8ToWide(str("driver"));
    read.device = Utf8ToWide(str("device"));
    read.port = Utf8ToWide(str("port"));
    if (read.driver != kDriverPrinter && read.driver != kDriverPdf && read.driver != kDriverPdfFolder)
        return false;
    read.setup.paperWidth = num("paperWidth", 0);
    read.setup.paperLength = num("paperLength", 0);
    read.setup.copies = num("copies", 1);
    read.setup.collate = v["collate"].isBool() ? v["collate"].asBool() : true;
    const Json::Value& options = v["options"];
    if (options.isArray()) {
        for (const Json::Value& pair : options) {
            if (pair.isArray() && pair.size() == 2 && pair[0].isString() && pair[1].isString())
                read.options.emplace_back(pair[0].asString(), pair[1].asString());
        }
    }
    choice = std::move(read);
    return true;
}

bool PrintJob::LoadChoice(const std::string& path)
{
    PrinterChoice choice;
    if (!PrinterChoiceFromText(ReadWholeFile(path), choice))
        return false;
    chosen = std::move(choice);
    return true;
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

PaperMapping MapPaperToA4Proportionally(int32_t paperWidthTenthsMm, int32_t paperLengthTenthsMm)
{
    PaperMapping m = MapPaperToA4(paperWidthTenthsMm, paperLengthTenthsMm);
    const double scale = std::min(m.widthCm / 21.0, m.lengthCm / 29.7);
    const auto extent = static_cast<int32_t>(25400 / scale);
    m.windowExt = Size{extent, extent};
    m.leftCm = (m.widthCm - 21.0 * scale) / 2.0;
    return m;
}

Point PaperMapping::DeviceOrigin(int32_t dpiX, int32_t) const
{
    return Point{static_cast<int32_t>(std::lround(leftCm / 2.54 * dpiX)), 0};
}

void PrintJob::PrintView(PageView& view, int32_t copies, PrintMode printMode)
{
    const int32_t n = view.GetPageCount();
    int32_t first = 1;
    int32_t last = n;

    if (chosen.IsEmpty() || printMode != PrintMode::OnChosen) {
        const PrintDialogContext context{
            printMode == PrintMode::ChooseOnly ? PrintDialogPurpose::ChoosePrinter : PrintDialogPurpose::Print,
            view.GetLanguage()};
        const std::optional<PrintDialogAnswer> answer = system.get().RunPrintDialog(n, chosen, context);
        if (!answer) {
            lastResult = PrintResult{PrintResult::Kind::Cancelled, {}, {}};
            nextLabel.clear();
            nextAskOnFailure = true;
            return;
        }
        if (answer->pageRange) {
            first = answer->fromPage;
            last = answer->toPage;
        }
        chosen = answer->choice;
        RememberChoice();
    }
    if (printMode == PrintMode::ChooseOnly) {
        lastResult = PrintResult{PrintResult::Kind::ChosenOnly, {}, {}};
        nextLabel.clear();
        nextAskOnFailure = true;
        return;
    }
    if (copies == 1 || copies == 2)
        chosen.setup.copies = copies;
    PrintPages(view, chosen.driver, chosen.device, chosen.port, first, last, chosen.setup);
}

void PrintJob::PrintPages(PageView& view, const std::u16string& driver, const std::u16string& device,
                          const std::u16string& port, int32_t first, int32_t last, PrinterSetup& setup)
{
    const PaperMapping paper = view.KeepsProportionsOnPaper()
                                   ? MapPaperToA4Proportionally(setup.paperWidth, setup.paperLength)
                                   : MapPaperToA4(setup.paperWidth, setup.paperLength);
    setup.landscape = view.IsLandscape();

    PrinterChoice target{driver, device, port, setup, {}};
    // The options chosen in the dialog belong to the chosen printer.
    if (chosen.driver == driver && chosen.device == device && chosen.port == port)
        target.options = chosen.options;
    const std::string label = std::move(nextLabel);
    const bool ask = nextAskOnFailure;
    nextLabel.clear();
    nextAskOnFailure = true;
    std::unique_ptr<PrintDocument> doc = system.get().OpenPrinter(target);
    if (!doc) {
        lastResult = PrintResult{PrintResult::Kind::CannotOpen, {}, {}};
        if (!ask)
            return;
        const LangIndex lang = view.GetLanguage();
        Ui().ShowMessage(&view, LangTextW("不能创建打印机,请检查.||Unable to create printer, please check.||<其它>", lang),
                         Utf8ToWide(ProductName(lang, false)), MessageBoxStyle::Ok);
        return;
    }

    const int32_t number = jobCounter++;
    const std::u16string jobName = PrintJobName(number);
    doc->Describe(number, label);
    doc->StartDoc(jobName);

    for (int32_t p = first; p <= last; ++p) {
        PaintPrintedPage(view, doc->StartPage(), p, doc->DpiX(), doc->DpiY(), paper.windowExt,
                         paper.DeviceOrigin(doc->DpiX(), doc->DpiY()));
        doc->EndPage();
    }
    lastResult = PrintResult{PrintResult::Kind::Sent, doc->EndDoc(), jobName};
}
