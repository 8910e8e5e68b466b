#pragma once
// The kiosk's only top-level window. It hosts the desktop, refreshes its
// localized title five times a second, keeps system monitors closed while the
// kiosk is locked full screen, and guards closing.

#include "kiosk/FrameDesktop.h"

#include <QWidget>

#include <cstdint>
#include <string>

class CMainFrame : public QWidget {
    Q_OBJECT
public:
    static constexpr int FrameTimerId = 6277;
    static constexpr int FrameTimerIntervalMs = 200;

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // False when the desktop could not be created.
    bool Created() const { return desktop != nullptr; }
    FrameDesktop* Desktop() const { return desktop; }

    bool BlockTaskManager() const { return blockTaskManager; }
    void SetBlockTaskManager() { blockTaskManager = true; }

    // One tick of the frame timer: title refresh and, in kiosk mode, the
    // task-manager sweep.
    void OnTimer();
    // How often the title text was actually changed (the refresh skips
    // unchanged titles).
    int TitleUpdates() const { return titleUpdates; }

    // The title for `lang`: "自助打印 - 奎沃桥牌 V7.26.15" and its English form.
    static std::u16string TitleText(LangIndex lang);

protected:
    void closeEvent(QCloseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    bool blockTaskManager = false;
    FrameDesktop* desktop = nullptr;
    int frameTimer = 0;
    int titleUpdates = 0;
};

// Start-up of the kiosk process: the single-instance check, the process
// settings, the frame. Returns the frame to show, or null when the process is
// to end at once (a second instance, or a frame that could not be made).
class SingleInstanceLock;
class CjovBridgePrintApp {
public:
    static constexpr const char* MutexName = "SingleClientFlag-jovBridgePrint";

    CjovBridgePrintApp();
    ~CjovBridgePrintApp();

    bool InitInstance();
    CMainFrame* MainFrame() const { return frame; }

    // The refusal text for a second instance on a system with `codePage`.
    static std::u16string AlreadyRunningText(int codePage);
    // Where the lock lives (tests point it elsewhere).
    static void SetLockPathForTesting(const std::string& path);

private:
    SingleInstanceLock* lock = nullptr;
    CMainFrame* frame = nullptr;
};
