#pragma once
// Start-up of the kiosk process: the single-instance check, the process
// settings, the frame. InitInstance leaves the frame shown, or returns false
// when the process is to end at once (a second instance, or a frame that
// could not be made).

#include "foundation/LocText.h"

#include <string>

class MainFrame;
class SingleInstanceLock;

class KioskApp {
public:
    static constexpr const char* kMutexName = "SingleClientFlag-jovBridgePrint";

    KioskApp();
    ~KioskApp();
    KioskApp(const KioskApp&) = delete;
    KioskApp& operator=(const KioskApp&) = delete;

    bool InitInstance();
    // Prints through the spool, the printer watch and the journal in the
    // data folder. The printer is the one remembered from an earlier run
    // (the file "Printer.json" in the data folder), or, with `pdfFolder`
    // set, one PDF file per job in that folder (demos and tests without a
    // printing system). Call after InitInstance.
    void StartDurablePrinting(const std::string& pdfFolder);
    MainFrame* Frame() const { return frame; }
    // Full screen and locked, as the context menu's Full screen does. Call
    // once the window is up (after InitInstance).
    void EnterFullScreen();
    // Confirms the saved settings with `code` by itself, retrying until the
    // server answers (SelfPrintDesktop::StartUnattended).
    void StartUnattended(const std::string& code);
    // Tells the person at the kiosk, in a message box, that `folder` cannot
    // keep its data and what to do about it.
    void ReportUnusableDataFolder(const std::string& folder);

    // The text of that message in `lang`, naming `folder`.
    static std::u16string UnusableDataFolderText(const std::string& folder, LangIndex lang);

    // The refusal text for a second instance on a system with `codePage`.
    static std::u16string AlreadyRunningText(int codePage);
    // Where the lock lives (tests point it elsewhere).
    static void SetLockPathForTesting(const std::string& path);

private:
    SingleInstanceLock* lock = nullptr;
    MainFrame* frame = nullptr;
};
