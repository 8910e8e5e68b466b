#pragma once
// Start-up of the kiosk process: the single-instance check, the process
// settings, the frame. InitInstance leaves the frame shown, or returns false
// when the process is to end at once (a second instance, or a frame that
// could not be made).

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
    MainFrame* Frame() const { return frame; }

    // The refusal text for a second instance on a system with `codePage`.
    static std::u16string AlreadyRunningText(int codePage);
    // Where the lock lives (tests point it elsewhere).
    static void SetLockPathForTesting(const std::string& path);

private:
    SingleInstanceLock* lock = nullptr;
    MainFrame* frame = nullptr;
};
