#pragma once
// The kiosk's only top-level window. It hosts the desktop, refreshes its
// localized title five times a second, keeps system monitors closed while the
// kiosk is locked full screen, and guards closing.

#include "kiosk/FrameDesktop.h"

#include <QWidget>

#include <cstdint>
#include <string>

class MainFrame : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrameTimerIntervalMs = 200;

    explicit MainFrame(QWidget* parent = nullptr);
    ~MainFrame() override;

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

    // The title for `lang`: "自助打印 - 奎沃桥牌 V" and the version, and its English form.
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
