#include "kiosk/KioskApp.h"

#include "foundation/Files.h"
#include "foundation/LocText.h"
#include "foundation/Product.h"
#include "kiosk/MainFrame.h"
#include "kiosk/SelfPrintDesktop.h"
#include "platform/PrintSystem.h"
#include "platform/ProcessServices.h"
#include "platform/UiSeam.h"
#include "print/PrintJob.h"

#include <QGuiApplication>
#include <QScreen>

#include <cstdio>

namespace {

std::string& LockPathOverride()
{
    static std::string path;
    return path;
}

} // namespace

KioskApp::KioskApp() = default;

KioskApp::~KioskApp()
{
    delete frame;
    delete lock;
}

std::u16string KioskApp::AlreadyRunningText(int codePage)
{
    return codePage == 936 ? u"jovBridgePrint 已经运行." : u"jovBridgePrint already running?";
}

void KioskApp::SetLockPathForTesting(const std::string& path)
{
    LockPathOverride() = path;
}

bool KioskApp::InitInstance()
{
    const std::string lockPath = LockPathOverride().empty() ? SingleInstanceLockPath(kMutexName) : LockPathOverride();
    lock = new SingleInstanceLock(lockPath);
    if (!lock->Held()) {
        const std::u16string text = AlreadyRunningText(OemCodePage());
        // Also on the terminal, for whoever started the kiosk from a shell.
        std::fprintf(stderr, "%s\n", WideToUtf8(text).c_str());
        Ui().ShowMessage(nullptr, text, u"qivBridgePrint", MessageBoxStyle::Ok);
        return false;
    }
    IgnoreBrokenPipes();
    // A save cut short (the kiosk killed, the power gone) leaves its
    // temporary file beside the real one, which is intact. Cleared here,
    // once this kiosk knows it is the only one, before anything is saved.
    for (const std::string& name : RemoveStaleTempFiles(DataFolder()))
        std::fprintf(stderr, "qivBridgePrint: removed %s%s left by an interrupted save\n", DataFolder().c_str(),
                     name.c_str());

    frame = new MainFrame;
    if (!frame->Created()) {
        std::fprintf(stderr, "qivBridgePrint: the desktop window could not be created\n");
        return false;
    }
    frame->OnTimer(); // the title in the right language from the first paint on
    // Without a window manager "maximized" means nothing: cover the screen's
    // available area first, then ask for the maximized state.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        frame->setGeometry(screen->availableGeometry());
    frame->showMaximized();
    return true;
}

void KioskApp::StartDurablePrinting(const std::string& pdfFolder)
{
    auto* desktop = frame != nullptr ? dynamic_cast<SelfPrintDesktop*>(frame->Desktop()) : nullptr;
    if (desktop == nullptr)
        return;
    const std::string data = DataFolder();
    if (!pdfFolder.empty()) {
        auto folder = std::make_unique<PdfFolderPrintSystem>(pdfFolder.back() == '/' ? pdfFolder : pdfFolder + "/");
        // The folder is the printer: no dialog is ever needed.
        desktop->Jobs().Chosen() = folder->RunPrintDialog(1, PrinterChoice{}, PrintDialogContext{})->choice;
        desktop->UsePrintSystem(std::move(folder));
    } else {
        const std::string remembered = data + "Printer.json";
        desktop->Jobs().SetChoiceFile(remembered);
        desktop->Jobs().LoadChoice(remembered);
    }
    desktop->EnableDurablePrinting(data);
}

void KioskApp::EnterFullScreen()
{
    if (auto* desktop = frame != nullptr ? dynamic_cast<SelfPrintDesktop*>(frame->Desktop()) : nullptr)
        desktop->EnterFullScreen();
}

void KioskApp::StartUnattended(const std::string& code)
{
    if (auto* desktop = frame != nullptr ? dynamic_cast<SelfPrintDesktop*>(frame->Desktop()) : nullptr)
        desktop->StartUnattended(code);
}

std::u16string KioskApp::UnusableDataFolderText(const std::string& folder, LangIndex lang)
{
    const std::u16string text =
        LangTextW("数据文件夹 %1 不能写入, 设置和打印记录都不会保存. 请让管理员把该文件夹改为可写, "
                  "或者用 --data-dir 指定一个可写的文件夹后重新启动.||"
                  "The data folder %1 cannot be written, so no settings or print records will be kept. "
                  "Have the folder made writable, or restart the kiosk with --data-dir and a folder it can "
                  "write.||<其它>",
                  lang);
    const std::u16string name = Utf8ToWide(folder);
    std::u16string out = text;
    const size_t at = out.find(u"%1");
    if (at != std::u16string::npos)
        out.replace(at, 2, name);
    return out;
}

void KioskApp::ReportUnusableDataFolder(const std::string& folder)
{
    const std::u16string text = UnusableDataFolderText(folder, DefaultLanguageForCodePage(OemCodePage()));
    Ui().ShowMessage(frame, text, u"qivBridgePrint", MessageBoxStyle::Ok);
}
