#pragma once
// What the main frame needs of the window it hosts: the language in force,
// whether the kiosk is locked full screen, and the access-code gate. The frame
// relies on nothing else, so the desktop can change without touching it.

#include "foundation/LocText.h"

#include <functional>

class QWidget;

class FrameDesktop {
public:
    virtual ~FrameDesktop() = default;
    virtual QWidget* Widget() = 0;
    virtual LangIndex GetLanguage() = 0;
    virtual bool IsFullScreen() const = 0;
    // Asks for the access code where one is needed; true lets the action go on.
    virtual bool AccessCodeGate() = 0;
};

// Services the frame offers its desktop.
struct FrameServices {
    // Switches the task-manager sweep on (there is no way to switch it off).
    std::function<void()> blockTaskManager;
    // Closes the frame as its close box would, with the same questions.
    std::function<void()> requestClose;
};

// Creates the desktop window as a child of `frame`.
FrameDesktop* CreateFrameDesktop(QWidget* frame, const FrameServices& services);
