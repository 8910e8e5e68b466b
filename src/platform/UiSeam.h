#pragma once
// Everything that waits for a person goes through this seam: message boxes,
// modal dialogs and pop-up menus. The kiosk uses the real, blocking
// implementation; tests install a scripted one that answers at once, so that
// no test can hang on a modal window.

#include <QPoint>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class QWidget;
class QDialog;
class QMenu;
class QAction;

namespace MessageBoxStyle {
// The classic message-box style bits the kiosk uses.
inline constexpr unsigned Ok = 0x0;
inline constexpr unsigned OkCancel = 0x1;
inline constexpr unsigned IconQuestion = 0x20;
inline constexpr unsigned IconWarning = 0x30;
inline constexpr unsigned DefaultButton2 = 0x100;
} // namespace MessageBoxStyle

namespace MessageBoxAnswer {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
} // namespace MessageBoxAnswer

class UiSeam {
public:
    virtual ~UiSeam() = default;
    // Shows a modal message box; returns MessageBoxAnswer::Ok or ::Cancel.
    virtual int ShowMessage(QWidget* parent, const std::u16string& text, const std::u16string& caption,
                            unsigned style) = 0;
    // Runs `dialog` modally; returns its result code (QDialog::Accepted or
    // QDialog::Rejected).
    virtual int RunDialog(QDialog& dialog) = 0;
    // Shows `menu` at the global point `at`; returns the chosen action or null.
    virtual QAction* TrackMenu(QMenu& menu, const QPoint& at) = 0;
};

// The seam in force (the interactive one unless a test installed another).
UiSeam& Ui();
// Installs `seam` (not owned); null restores the interactive seam.
void SetUiSeam(UiSeam* seam);

// A seam for tests: answers from queues set up in advance and records what it
// was shown. An empty queue answers Cancel / Rejected / no action.
class ScriptedUiSeam : public UiSeam {
public:
    struct Shown {
        std::u16string text;
        std::u16string caption;
        unsigned style = 0;
    };

    ScriptedUiSeam();
    ~ScriptedUiSeam() override;

    int ShowMessage(QWidget* parent, const std::u16string& text, const std::u16string& caption,
                    unsigned style) override;
    int RunDialog(QDialog& dialog) override;
    QAction* TrackMenu(QMenu& menu, const QPoint& at) override;

    std::deque<int> messageAnswers;
    // Each handler gets the dialog before it would be shown and returns the
    // result code; it may fill the dialog's controls first.
    std::deque<std::function<int(QDialog&)>> dialogHandlers;
    // Each handler gets the menu and returns the action to choose (or null).
    std::deque<std::function<QAction*(QMenu&)>> menuHandlers;

    std::vector<Shown> messages;
    int dialogsRun = 0;
    int menusShown = 0;
};
