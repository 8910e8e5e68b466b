#pragma once
// The kiosk's only screen: the tournament title, one touch button for every
// entry whose scorecard is ready, the footer, the reprint area, the note line
// and the countdown to the next list request. It is the root of every kiosk
// window (the language, the credit line and the event text come from here),
// it owns the server side of the kiosk (DeskState), and its 100 ms tick polls
// the scoring server and prints what has arrived.

#include "kiosk/DeskState.h"
#include "kiosk/DesktopLayout.h"
#include "kiosk/FrameDesktop.h"
#include "platform/Canvas.h"
#include "print/PrintJob.h"
#include "print/PrintSpool.h"
#include "render/RootServices.h"
#include "render/WindowBase.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

class KioskPrinting;
class QMenu;
class QPushButton;
class TeamScorecardWindow;
class PairScorecardWindow;

// The desktop's own operations on top of the window base.
class DesktopWindowBase : public WindowBase, public RootServices {
public:
    virtual bool IsFullScreen() const = 0;
    virtual void SetFullScreen(bool on) = 0;
};

class SelfPrintDesktop : public DesktopWindowBase, public FrameDesktop {
public:
    static constexpr int32_t kDesktopWindowId = 0xE900;
    static constexpr int kTimerIntervalMs = 100;
    static constexpr int64_t kPressGuardMs = 1500;
    // The frame comes up on top, then is restyled without its frame this
    // much later.
    static constexpr int kFullScreenPauseMs = 200;

    // Context-menu command ids.
    enum MenuId {
        MenuSettings = 2001,
        MenuSelectPrinter = 2003,
        MenuTestPage = 2005,
        MenuFullScreen = 2009,
        MenuRetryPending = 2011,
        MenuDiscardPending = 2013,
        MenuEnglish = 2021,
        MenuExit = 2999,
    };

    SelfPrintDesktop(QWidget* frame, FrameServices services);
    ~SelfPrintDesktop() override;

    DeskState& Desk() { return desk; }

    // Keeps every scorecard in a spool in `dataFolder` until the printing
    // system reports it printed, watches the printer, refuses touches while
    // it cannot print, and journals every step (see KioskPrinting). Without
    // this the desktop prints from memory, as a plain print flow.
    void EnableDurablePrinting(const std::string& dataFolder, std::FILE* journalMirror = stderr);
    KioskPrinting* Printing() { return printing.get(); }
    // The note for the printer's state; empty while it can print.
    std::u16string PrinterNote();

    // --- root services ------------------------------------------------------
    std::u16string CreditLine() override;
    std::u16string EventTextW() override;
    bool WantsHoverFocus() override { return true; }
    // The desktop's print job: its page views (the scorecards, the test page,
    // the printer choice) print through it.
    PagePrinter* Printer() override { return &printJob; }
    PrintJob& Jobs() { return printJob; }
    // Prints on `system` from now on (the kiosk's own is Qt's, over CUPS).
    void UsePrintSystem(std::unique_ptr<PrintSystem> system);
    // The same with a system the caller keeps alive as long as the desktop.
    void UsePrintSystem(PrintSystem& system) { printJob.SetSystem(system); }
    Colour GetThemeColour(int32_t) override { return Rgb(0, 0, 0); }
    LangIndex GetLanguage() override;
    bool IsFullScreen() const override { return fullScreen; }
    void SetFullScreen(bool on) override { fullScreen = on; }
    // Full screen and locked: the menu's Full screen, and --fullscreen once
    // the window is up.
    void EnterFullScreen();
    int32_t GetListCountdown() const { return listCountdown; }
    void SetListCountdown(int32_t v) { listCountdown = v; }
    int32_t GetHoverIndex() const { return hoverIndex; }
    void SetHoverIndex(int32_t v) { hoverIndex = v; }
    int32_t GetPressedIndex() const { return pressedIndex; }
    void SetPressedIndex(int32_t v) { pressedIndex = v; }

    // --- what the frame asks --------------------------------------------------
    QWidget* Widget() override { return this; }
    bool AccessCodeGate() override;

    // --- window base hooks ------------------------------------------------------
    std::u16string GetCaption() override;
    void OnMenu(int32_t source) override;

    // Hit test in client pixels on the page shown: an entry index,
    // kPreviousPageIndex, kNextPageIndex, kReprintIndex or -1. The caller
    // holds deskMutex.
    int32_t HitTestLocked(int32_t x, int32_t y);
    // Entry i's button on the page shown; empty when it is on another page.
    Rect CellRect(int32_t i);
    // The page of a long list that is shown. It stays while the list
    // changes; painting and hit testing clamp it to the list's pages with
    // the same computation, so a touch finds the button that is drawn.
    int32_t GetPage() const { return page; }
    void SetPage(int32_t v) { page = v; }
    void ShowNote(const std::u16string& text) { desk.ShowNote(text); }

    // --- pointer input, as the window receives it (client pixels) ---------------
    void OnPointerMove(int32_t x, int32_t y);
    void OnPointerPress(int32_t x, int32_t y);
    void OnPointerRelease(int32_t x, int32_t y);

    // Forgets the last accepted press, so that the next press is accepted
    // however soon it comes (tests touching one entry after another).
    void ForgetLastPress();

    // One tick of the 100 ms timer.
    void OnTick();

    // --- back in service without the director ------------------------------------
    // How the kiosk stands with the server before it is in step with it.
    enum class StartupState {
        WaitingForDirector, // the director confirms the settings in the dialog
        Confirming,         // confirming the saved settings with the given code
        CodeRefused,        // the server refused the given code; the director takes over
        InService,          // in step with the server
    };
    // Time between two unattended confirmations while the server does not
    // answer (each one is itself bounded by the connect and reply limits).
    static constexpr int kUnattendedRetryMs = 5000;
    // From the next tick on, confirms the saved settings with `code` as the
    // director's OK in the settings dialog would, again every
    // kUnattendedRetryMs until the server answers: after a crash or a power
    // cut the kiosk is back in service with no one there. Saved settings
    // without a server address have never been confirmed: nothing is sent
    // then, and the screen says it waits for the director. The director's
    // own OK in the settings dialog ends the unattended attempts.
    void StartUnattended(const std::string& code);
    StartupState GetStartupState() const;
    void SetUnattendedRetryMs(int ms) { unattendedRetryMs = ms; }
    int32_t UnattendedAttempts() const { return unattendedAttempts; }
    // The line the screen shows while the kiosk is not in step with the
    // server; empty in service.
    static std::u16string StartupStatusText(StartupState state, int32_t attempts, const std::string& server,
                                            LangIndex lang);

    // --- context menu and kiosk controls ----------------------------------------
    // Builds the menu; the chosen command is carried out by RunMenuCommand.
    void ShowContextMenu();
    void FillContextMenu(QMenu& menu);
    void RunMenuCommand(int id);
    void OpenSettings();
    // The settings dialog showing `shown` (the settings in force, or what
    // was typed before the server refused it).
    // `refused`: the server did not take the code typed last; the dialog
    // says so itself.
    void OpenSettingsWith(const KioskSettings& shown, bool refused = false);
    void SwitchLanguage();

    // --- print flow ---------------------------------------------------------------
    void PrintEntry(int32_t i);
    // From the reprint push button or the director's menu alike. Offered only
    // once the kiosk is in step with the server.
    void StartReprint();
    bool PrintNextTeamJob();
    bool PrintPairSlot();
    void SelectPrinter();
    void PrintTestPage();
    // Prints one spooled scorecard now (KioskPrinting's tick calls it).
    PrintResult PrintSpooled(const SpoolEntry& entry);
    void RetryPending();
    void DiscardPending();
    TeamScorecardWindow* EnsureTeamView();
    PairScorecardWindow* EnsurePairView();

    QPushButton* ReprintButton() const { return reprintButton; }
    // The picture of the client area as the window paints it.
    void PaintPicture(Canvas& dc);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void PlaceView(QWidget* view);
    // False (with a note and a journal line) while the printer cannot print.
    bool PrinterReadyForTouch(int32_t sectionId, int32_t teamNumber);
    void Repaint();
    // Handles a release that belongs to a page button (pressed or released
    // there): turns the page when press and release meet on the same one.
    bool ReleasePageButton(int32_t x, int32_t y);
    // Prints what waits in the spool now (a scorecard just arrived), as the
    // tick would at its next turn.
    void PrintSpooledNow();
    // One step of the unattended confirmation (see StartUnattended).
    void RunUnattendedStep();

    FrameServices frameServices;
    DeskState desk;
    bool fullScreen = false;
    std::string unattendedCode;
    StartupState startupState = StartupState::WaitingForDirector;
    int32_t unattendedAttempts = 0;
    int unattendedRetryMs = kUnattendedRetryMs;
    std::chrono::steady_clock::time_point nextUnattendedAttempt{};
    int32_t listCountdown = 10;
    int32_t hoverIndex = -1;
    int32_t pressedIndex = -1;
    int32_t page = 0;
    int desktopTimer = 0;
    int tickCount = 0;
    // A tick (or a print the spool asked for) is at work: the one guard
    // against a tick arriving while printing lets events in.
    bool inTick = false;
    struct TickScope {
        explicit TickScope(bool& flag) : flag(flag) { flag = true; }
        ~TickScope() { flag = false; }
        TickScope(const TickScope&) = delete;
        TickScope& operator=(const TickScope&) = delete;
        bool& flag;
    };
    // The last accepted press (none yet: the first press is accepted).
    std::optional<int64_t> lastPress;
    QPushButton* reprintButton = nullptr;
    CanvasPicture background;
    CanvasPicture fittedBackground; // background at the client area's size
    bool backgroundLoaded = false;
    TeamScorecardWindow* teamView = nullptr;
    PairScorecardWindow* pairView = nullptr;
    // Declared before the print job, which prints on it.
    std::unique_ptr<PrintSystem> printSystem;
    PrintJob printJob;
    std::unique_ptr<KioskPrinting> printing;
};
