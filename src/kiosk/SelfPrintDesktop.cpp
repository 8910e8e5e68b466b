#include "kiosk/SelfPrintDesktop.h"

#include "foundation/Files.h"
#include "foundation/Product.h"
#include "foundation/TextUtil.h"
#include "kiosk/AccessCodeDialog.h"
#include "kiosk/DesktopPicture.h"
#include "kiosk/KioskPrinting.h"
#include "platform/DialogUnits.h"
#include "platform/QPainterCanvas.h"
#include "platform/QtText.h"
#include "platform/UiSeam.h"
#include "settings/SettingsDialog.h"

#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimerEvent>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

int32_t ScreenHeight()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->geometry().height();
    return 1080;
}

// The reprint button's font, made once for the process.
const QFont& ReprintButtonFont()
{
    static const QFont font = [] {
        QFont f(QStringLiteral("Microsoft Sans Serif"));
        f.setPixelSize(std::max(1, ReprintButtonFontHeight(ScreenHeight())));
        f.setWeight(QFont::Normal);
        return f;
    }();
    return font;
}

} // namespace

void SelfPrintDesktop::ForgetLastPress()
{
    lastPress.reset();
}

SelfPrintDesktop::SelfPrintDesktop(QWidget* frame, FrameServices services)
    : frameServices(std::move(services)), printSystem(std::make_unique<QtPrintSystem>()), printJob(*printSystem)
{
    SetRootServices(this);
    desk.LoadSettings();
    {
        std::lock_guard<std::mutex> lock(desk.DeskMutex());
        KioskSettings& settings = desk.SettingsLocked();
        if (settings.GetTitle().empty())
            settings.SetTitle(PickLang("当队名出现在列表中,可点击打印||When the team name appears in the list, you can "
                                       "click to print it[cn:当队名出现在列表中,方可点击打印]||<其它>",
                                       desk.GetLanguageLocked()));
    }
    // The receive thread asks for repaints; the window carries them out on
    // the GUI thread (a queued call is dropped once the window is gone).
    desk.SetRepaintRequest([this] {
        QMetaObject::invokeMethod(
            this, [this] { Repaint(); }, Qt::QueuedConnection);
    });
    CreateInWidget(frame, kDesktopWindowId);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    desktopTimer = startTimer(kTimerIntervalMs);
    show();
}

SelfPrintDesktop::~SelfPrintDesktop()
{
    if (desktopTimer != 0)
        killTimer(desktopTimer);
    // No repaint requests into a window that is going away, and no
    // scorecard into a spool that is going away.
    desk.SetRepaintRequest(nullptr);
    desk.AttachSpool(nullptr, nullptr, nullptr);
    printing.reset();
}

void SelfPrintDesktop::UsePrintSystem(std::unique_ptr<PrintSystem> system)
{
    printJob.SetSystem(*system);
    printSystem = std::move(system);
}

void SelfPrintDesktop::EnableDurablePrinting(const std::string& dataFolder, std::FILE* journalMirror)
{
    desk.AttachSpool(nullptr, nullptr, nullptr);
    printing.reset();
    // The watch thread asks for a repaint when the printer's state changes;
    // the call is queued to the GUI thread (and dropped once the window is
    // gone).
    printing = std::make_unique<KioskPrinting>(
        dataFolder, printJob,
        [this] {
            QMetaObject::invokeMethod(
                this, [this] { Repaint(); }, Qt::QueuedConnection);
        },
        journalMirror);
    KioskPrinting* service = printing.get();
    // A scorecard just spooled prints now, not at the next tick: the call is
    // queued to the GUI thread (and dropped once the window is gone).
    desk.AttachSpool(&printing->Spool(), &printing->Journal(), [this, service] {
        service->Poke();
        QMetaObject::invokeMethod(
            this, [this] { PrintSpooledNow(); }, Qt::QueuedConnection);
    });
    // The first touch should already know whether the printer can print.
    printing->WaitForPrinter(std::chrono::milliseconds(3000));
}

std::u16string SelfPrintDesktop::PrinterNote()
{
    if (!printing)
        return {};
    return KioskPrinting::BlockNote(printing->LastBlock(), GetLanguage());
}

FrameDesktop* CreateFrameDesktop(QWidget* frame, const FrameServices& services)
{
    return new SelfPrintDesktop(frame, services);
}

std::u16string SelfPrintDesktop::CreditLine()
{
    return CreditLineText();
}

std::u16string SelfPrintDesktop::EventTextW()
{
    return Utf8ToWide(desk.GetEventText());
}

LangIndex SelfPrintDesktop::GetLanguage()
{
    return desk.GetLanguage();
}

bool SelfPrintDesktop::AccessCodeGate()
{
    return RunAccessCodeGate(desk.IsSynchronized(), desk.GetSettings().GetAccessCode(), GetLanguage(), this);
}

std::u16string SelfPrintDesktop::GetCaption()
{
    return LangTextW("-设置-||-Setting-||<其它>", GetLanguage());
}

void SelfPrintDesktop::OnMenu(int32_t)
{
    ShowContextMenu();
}

int32_t SelfPrintDesktop::HitTestLocked(int32_t x, int32_t y)
{
    // Reprint is offered only in step with the server: before that the
    // access code it asks for has not been confirmed by anybody.
    return DesktopHitTest(ClientRect(), static_cast<int32_t>(desk.PrintableListLocked().size()),
                          desk.IsSynchronizedLocked() && desk.SettingsLocked().GetReprintAllowed(), x, y, page);
}

Rect SelfPrintDesktop::CellRect(int32_t i)
{
    std::lock_guard<std::mutex> lock(desk.DeskMutex());
    return DesktopCellRect(ClientRect(), static_cast<int32_t>(desk.PrintableListLocked().size()), i, page);
}

void SelfPrintDesktop::Repaint()
{
    InvalidateClient();
}

// --- painting -------------------------------------------------------------------

void SelfPrintDesktop::PaintPicture(Canvas& dc)
{
    std::lock_guard<std::mutex> lock(desk.DeskMutex());
    DesktopPictureInput in;
    in.client = ClientRect();
    in.synchronized = desk.IsSynchronizedLocked();
    if (in.synchronized && !backgroundLoaded) {
        background = CanvasPicture::FromResource(314);
        backgroundLoaded = true;
    }
    // The background is stretched to the client area once per size, not at
    // every repaint: drawn at its own size it is a plain copy, where a
    // smooth stretch of the whole screen costs more than everything else
    // on it.
    const Size clientSize{in.client.Width(), in.client.Height()};
    if (!background.IsNull() && clientSize.cx > 0 && clientSize.cy > 0 &&
        (fittedBackground.IsNull() || fittedBackground.PixelSize().cx != clientSize.cx ||
         fittedBackground.PixelSize().cy != clientSize.cy))
        fittedBackground = CanvasPicture::FromImage(
            background.Image()->scaled(clientSize.cx, clientSize.cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
            background.Name());
    in.background = fittedBackground.IsNull() ? &background : &fittedBackground;
    in.lang = desk.GetLanguageLocked();
    in.title = desk.SettingsLocked().GetTitle();
    // Only the entries on the page shown are copied. The page is clamped
    // here as the hit test clamps it, and kept clamped, so that a list that
    // shrank under it shows (and answers touches on) its last page.
    const SignupList& list = desk.PrintableListLocked();
    const DesktopPageLayout layout = ComputeDesktopPageLayout(in.client, static_cast<int32_t>(list.size()), page);
    page = layout.page;
    in.page = layout.page;
    in.listSize = static_cast<int32_t>(list.size());
    in.entries.assign(list.begin() + layout.first, list.begin() + layout.first + layout.count);
    in.reprintAllowed = desk.SettingsLocked().GetReprintAllowed();
    in.pressedIndex = pressedIndex;
    in.hoverIndex = hoverIndex;
    in.note = desk.CurrentNoteLocked(DeskState::NoteClock::now());
    // A printer that cannot print, or storage that cannot keep scorecards,
    // keeps its note up until it is fixed; it says more than "Printing
    // Scorecard" about a scorecard that waits for it.
    if (printing) {
        std::u16string printerNote = KioskPrinting::BlockNote(printing->LastBlock(), in.lang);
        if (!printerNote.empty())
            in.note = std::move(printerNote);
    }
    in.listCountdown = listCountdown;
    in.eventText = desk.EventTextLocked();
    if (!in.synchronized)
        in.status = StartupStatusText(startupState, unattendedAttempts, desk.SettingsLocked().GetServerIp(), in.lang);
    PaintDesktopPicture(dc, in);
}

void SelfPrintDesktop::paintEvent(QPaintEvent*)
{
    const QSize size = viewport()->size();
    if (size.isEmpty())
        return;
    // The whole picture is drawn off screen and copied in one step, so the
    // kiosk never flickers while the list changes.
    QImage picture(size, QImage::Format_RGB32);
    {
        QPainterCanvas dc(&picture);
        PaintPicture(dc);
    }
    QPainter painter(viewport());
    painter.drawImage(0, 0, picture);
}

void SelfPrintDesktop::resizeEvent(QResizeEvent* event)
{
    WindowBase::resizeEvent(event);
    if (reprintButton == nullptr) {
        reprintButton = new QPushButton(QStringLiteral("补 打"), viewport());
        reprintButton->setObjectName(QStringLiteral("reprintButton"));
        reprintButton->setFont(ReprintButtonFont());
        reprintButton->setFocusPolicy(Qt::NoFocus);
        connect(reprintButton, &QPushButton::clicked, this, [this] { StartReprint(); });
        reprintButton->hide();
    }
    const Rect r = ReprintButtonRect(ClientRect());
    reprintButton->setGeometry(r.left, r.top, r.Width(), r.Height());
    InvalidateClient();
}

// --- pointer input ------------------------------------------------------------------

void SelfPrintDesktop::OnPointerMove(int32_t x, int32_t y)
{
    int32_t hit;
    {
        std::lock_guard<std::mutex> lock(desk.DeskMutex());
        hit = HitTestLocked(x, y);
    }
    if (hit != hoverIndex) {
        hoverIndex = hit;
        Repaint();
    }
}

void SelfPrintDesktop::OnPointerPress(int32_t x, int32_t y)
{
    // One accepted press per 1.5 seconds: a shaky finger or a bouncing touch
    // screen must not send a second request.
    const int64_t now = MillisecondClock();
    if (lastPress && std::llabs(now - *lastPress) < kPressGuardMs)
        return;
    lastPress = now;
    int32_t hit;
    {
        std::lock_guard<std::mutex> lock(desk.DeskMutex());
        hit = HitTestLocked(x, y);
    }
    if (hit != pressedIndex) {
        pressedIndex = hit;
        Repaint();
    }
}

bool SelfPrintDesktop::ReleasePageButton(int32_t x, int32_t y)
{
    int32_t hit;
    DesktopPageLayout layout;
    {
        std::lock_guard<std::mutex> lock(desk.DeskMutex());
        hit = HitTestLocked(x, y);
        layout = ComputeDesktopPageLayout(ClientRect(), static_cast<int32_t>(desk.PrintableListLocked().size()), page);
    }
    const auto isPageButton = [](int32_t v) { return v == kPreviousPageIndex || v == kNextPageIndex; };
    if (!isPageButton(hit) && !isPageButton(pressedIndex))
        return false;
    // Turning a page asks nothing of the server, so it needs no connection.
    if (hit == pressedIndex)
        page = std::clamp(layout.page + (hit == kNextPageIndex ? 1 : -1), 0, layout.pageCount - 1);
    pressedIndex = -1;
    hoverIndex = -1;
    Repaint();
    return true;
}

void SelfPrintDesktop::OnPointerRelease(int32_t x, int32_t y)
{
    if (ReleasePageButton(x, y))
        return;
    if (!desk.IsSynchronized())
        return;
    int32_t hit;
    {
        std::lock_guard<std::mutex> lock(desk.DeskMutex());
        hit = HitTestLocked(x, y);
    }
    const int32_t pressed = pressedIndex;
    pressedIndex = -1;
    Repaint();
    // A request in progress does not refuse the touch: its print request
    // waits in line for that one and goes out right after it.
    if (hit < 0 || hit != pressed)
        return;
    if (hit == kReprintIndex)
        StartReprint();
    else
        PrintEntry(hit);
}

void SelfPrintDesktop::mouseMoveEvent(QMouseEvent* event)
{
    WindowBase::mouseMoveEvent(event);
    const QPoint p = event->position().toPoint();
    OnPointerMove(p.x(), p.y());
}

void SelfPrintDesktop::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        OnPointerPress(p.x(), p.y());
    else if (event->button() == Qt::RightButton)
        OnMenu(1);
}

void SelfPrintDesktop::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    OnPointerRelease(p.x(), p.y());
}

// --- the 100 ms tick ------------------------------------------------------------------

void SelfPrintDesktop::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == desktopTimer)
        OnTick();
    else
        WindowBase::timerEvent(event);
}

void SelfPrintDesktop::OnTick()
{
    // Printing shows a dialog or paints pages, and both let timer events in:
    // a tick that comes while one is still at work waits for the next.
    if (inTick)
        return;
    const TickScope scope(inTick);
    if (reprintButton != nullptr) {
        const QString caption = ToQString(LangTextW(" 补打 || Reprint ||<其它>", GetLanguage()));
        if (reprintButton->text() != caption)
            reprintButton->setText(caption);
        const bool offered = desk.IsSynchronized() && desk.GetSettings().GetReprintAllowed();
        if (reprintButton->isVisible() != offered)
            reprintButton->setVisible(offered);
    }
    KioskSettings typed;
    if (desk.TakeRefusedSettings(typed)) {
        if (startupState == StartupState::Confirming) {
            // The code given at start is wrong. Nobody is there to answer a
            // dialog: the screen says the director is needed, and asking
            // again with the same code would be refused again.
            startupState = StartupState::CodeRefused;
            unattendedCode.clear();
            std::fprintf(stderr,
                         "bridgeprint-kiosk: the scoring server refused the access code given at start; "
                         "waiting for the director\n");
            Repaint();
        } else {
            // Posted: the dialog runs its own loop, which must not sit inside
            // a timer tick.
            QMetaObject::invokeMethod(
                this, [this, typed] { OpenSettingsWith(typed, true); }, Qt::QueuedConnection);
        }
    }
    RunUnattendedStep();
    if (PrintNextTeamJob() || PrintPairSlot())
        return;
    if (printing && printing->Tick([this](const SpoolEntry& entry) { return PrintSpooled(entry); }))
        return;
    if (++tickCount < 10)
        return;
    tickCount = 0;
    if (desk.IsSynchronized() && !desk.IsConnectionInProgress()) {
        if (--listCountdown < 0) {
            listCountdown = 10;
            const KioskSettings settings = desk.GetSettings();
            desk.RequestSignupList(settings.GetPartialFilter(), false, settings.GetServerIp(),
                                   settings.GetAccessCode());
        }
    }
    Repaint();
}

void SelfPrintDesktop::PrintSpooledNow()
{
    if (!printing || inTick)
        return;
    const TickScope scope(inTick);
    printing->Tick([this](const SpoolEntry& entry) { return PrintSpooled(entry); });
}

// --- back in service without the director ---------------------------------------------

void SelfPrintDesktop::StartUnattended(const std::string& code)
{
    if (code.empty())
        return;
    if (desk.GetSettings().GetServerIp().empty()) {
        std::fprintf(stderr,
                     "bridgeprint-kiosk: an access code was given, but no settings have been confirmed on this "
                     "kiosk yet; waiting for the director\n");
        return;
    }
    unattendedCode = code;
    startupState = StartupState::Confirming;
    unattendedAttempts = 0;
    nextUnattendedAttempt = std::chrono::steady_clock::now();
}

SelfPrintDesktop::StartupState SelfPrintDesktop::GetStartupState() const
{
    return desk.IsSynchronized() ? StartupState::InService : startupState;
}

void SelfPrintDesktop::RunUnattendedStep()
{
    if (startupState != StartupState::Confirming)
        return;
    if (desk.IsSynchronized()) {
        startupState = StartupState::InService;
        unattendedCode.clear();
        std::fprintf(stderr, "bridgeprint-kiosk: the saved settings are confirmed (attempt %d); in service\n",
                     static_cast<int>(unattendedAttempts));
        Repaint();
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (desk.IsConnectionInProgress() || now < nextUnattendedAttempt)
        return;
    // The settings in force are the saved ones: confirming them with the
    // code is what the director's OK does with what the dialog shows.
    KioskSettings settings = desk.GetSettings();
    settings.SetAccessCode(unattendedCode);
    desk.SetPendingSettings(settings);
    desk.RequestSignupList(settings.GetPartialFilter(), true, settings.GetServerIp(), unattendedCode);
    ++unattendedAttempts;
    nextUnattendedAttempt = now + std::chrono::milliseconds(unattendedRetryMs);
    // The log gets the first attempt and then one line a minute, not one
    // every few seconds through a long outage.
    if (unattendedAttempts == 1 || unattendedAttempts % 12 == 0)
        std::fprintf(stderr, "bridgeprint-kiosk: confirming the saved settings with %s (attempt %d)\n",
                     settings.GetServerIp().c_str(), static_cast<int>(unattendedAttempts));
    Repaint();
}

std::u16string SelfPrintDesktop::StartupStatusText(StartupState state, int32_t attempts, const std::string& server,
                                                   LangIndex lang)
{
    switch (state) {
    case StartupState::InService: return {};
    case StartupState::WaitingForDirector:
        return LangTextW("等待裁判: 请在菜单中选择\"设置...\"并确认.||Waiting for the director: choose Settings... in "
                         "the menu and confirm them.||<其它>",
                         lang);
    case StartupState::CodeRefused:
        return LangTextW("启动时提供的接入码未被服务器接受, 等待裁判.||The access code given at start was not accepted "
                         "by the server; waiting for the director.||<其它>",
                         lang);
    case StartupState::Confirming: break;
    }
    // The count goes in first, so that nothing in the address is ever taken
    // for a placeholder.
    const std::string text = PickLang("正在与记分服务器 %1 确认设置 (第 %2 次)...||Confirming the saved settings with "
                                      "the scoring server %1 (attempt %2)...||<其它>",
                                      lang);
    return Utf8ToWide(ReplaceAll(ReplaceAll(text, "%2", std::to_string(std::max<int32_t>(attempts, 1))), "%1", server));
}

// --- context menu and kiosk controls ---------------------------------------------------

void SelfPrintDesktop::FillContextMenu(QMenu& menu)
{
    const LangIndex lang = GetLanguage();
    const bool synchronized = desk.IsSynchronized();
    auto add = [&](int id, const std::u16string& text) {
        QAction* action = menu.addAction(ToQString(text));
        action->setData(id);
        // Full screen locks the menu once the kiosk is in step with the
        // server. Before that no code has been confirmed, so the lock would
        // guard nothing (Exit asks for no code then either), and a kiosk
        // started full screen must still let the director confirm settings
        // and choose the printer.
        // Retrying (which also starts a stopped printer) stays offered,
        // behind the access code: on the day the director has nothing else
        // to start the printer with.
        action->setEnabled(id == MenuExit || id == MenuRetryPending || !fullScreen || !synchronized);
        return action;
    };
    add(MenuSettings, LangTextW("设置...||Settings...||<其它>", lang));
    add(MenuSelectPrinter, LangTextW("选择打印机...||Select printer...||<其它>", lang));
    add(MenuTestPage, LangTextW("打印测试页||Print test page||<其它>", lang));
    menu.addSeparator();
    if (printing) {
        // The director sees what is waiting and decides about it here.
        const std::u16string count = IntToWide(static_cast<int32_t>(printing->PendingCount()));
        add(MenuRetryPending, LangTextW("重试待打印||Retry pending prints||<其它>", lang) + u" (" + count + u")");
        add(MenuDiscardPending,
            LangTextW("放弃待打印||Discard pending prints||<其它>", lang) + u" (" + count + u")...");
    }
    add(MenuFullScreen, LangTextW("全屏||Full screen||<其它>", lang));
    menu.addSeparator();
    QAction* english = add(MenuEnglish, u"English(英文)");
    english->setCheckable(true);
    english->setChecked(desk.GetSettings().GetLangIndex() == 1);
    menu.addSeparator();
    add(MenuExit, LangTextW("退出||Exit||<其它>", lang));
}

void SelfPrintDesktop::ShowContextMenu()
{
    QMenu menu(this);
    // Read at arm's length; the rows get a finger's height from the
    // application's style.
    menu.setFont(TouchDialogFont(12));
    FillContextMenu(menu);
    QAction* chosen = Ui().TrackMenu(menu, QCursor::pos());
    if (chosen == nullptr || !chosen->isEnabled())
        return;
    RunMenuCommand(chosen->data().toInt());
}

void SelfPrintDesktop::RunMenuCommand(int id)
{
    switch (id) {
    case MenuSettings: OpenSettings(); break;
    case MenuSelectPrinter: SelectPrinter(); break;
    case MenuTestPage: PrintTestPage(); break;
    case MenuRetryPending: RetryPending(); break;
    case MenuDiscardPending: DiscardPending(); break;
    case MenuFullScreen: EnterFullScreen(); break;
    case MenuEnglish: SwitchLanguage(); break;
    case MenuExit:
        // Posted, so the menu has closed before the frame asks its question.
        if (frameServices.requestClose)
            QMetaObject::invokeMethod(
                this, [this] { frameServices.requestClose(); }, Qt::QueuedConnection);
        break;
    default: break;
    }
}

void SelfPrintDesktop::OpenSettings()
{
    OpenSettingsWith(desk.GetSettings());
}

void SelfPrintDesktop::OpenSettingsWith(const KioskSettings& shown, bool refused)
{
    SettingsDialog dialog(GetLanguage(), shown, this);
    // The note on the desktop is behind the dialog.
    if (refused)
        dialog.ShowRefusal(LangTextW(DeskState::kNoteSettingsRefused, GetLanguage()));
    if (Ui().RunDialog(dialog) != QDialog::Accepted)
        return;
    // Nothing takes effect here: the confirming reply puts the values in
    // force (and the reprint button follows then). A request in progress
    // only makes this one wait its turn.
    const KioskSettings confirmed = dialog.Settings();
    // The director has taken over from any unattended confirmation.
    if (startupState != StartupState::InService) {
        startupState = StartupState::WaitingForDirector;
        unattendedCode.clear();
    }
    desk.SetPendingSettings(confirmed);
    desk.RequestSignupList(confirmed.GetPartialFilter(), true, confirmed.GetServerIp(), confirmed.GetAccessCode());
}

void SelfPrintDesktop::EnterFullScreen()
{
    SetFullScreen(true);
    if (frameServices.blockTaskManager)
        frameServices.blockTaskManager();
    QWidget* top = window();
    top->raise();
    top->activateWindow();
    top->setWindowFlags(top->windowFlags() | Qt::WindowStaysOnTopHint);
    top->showNormal();
    // The frame is restyled 200 ms later, once it has come up on top; the
    // kiosk goes on meanwhile instead of sleeping.
    QTimer::singleShot(kFullScreenPauseMs, top, [top] {
        top->setWindowFlags(
            (top->windowFlags() | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) &
            ~(Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint));
        top->showFullScreen();
    });
}

void SelfPrintDesktop::SwitchLanguage()
{
    KioskSettings toSave;
    {
        std::lock_guard<std::mutex> lock(desk.DeskMutex());
        KioskSettings& settings = desk.SettingsLocked();
        settings.SetLangIndex(settings.GetLangIndex() == 1 ? 0 : 1);
        toSave = settings;
    }
    // Saved once the lock is let go; a file that cannot be written is said
    // on the screen, in the new language.
    desk.SaveSettings(toSave);
    RefreshCaption();
}

// --- print requests --------------------------------------------------------------------

void SelfPrintDesktop::PrintEntry(int32_t i)
{
    SignupEntry entry;
    {
        std::lock_guard<std::mutex> lock(desk.DeskMutex());
        entry = desk.PrintableListLocked().EntryAt(i);
    }
    if (PrintJournal* journal = desk.Journal())
        journal->Write(JournalEvent::kTouch,
                       PrintJournal::EntryFields(entry.Label(), entry.GetSectionId(), entry.GetTeamNumber()));
    // The server marks an entry printed when it is asked for it: while the
    // printer cannot print, it is not asked, and the entry stays printable.
    if (!PrinterReadyForTouch(entry.GetSectionId(), entry.GetTeamNumber()))
        return;
    desk.RequestPrint(entry.GetSectionId(), entry.GetTeamNumber());
}

bool SelfPrintDesktop::PrinterReadyForTouch(int32_t sectionId, int32_t teamNumber)
{
    if (!printing)
        return true;
    const KioskPrinting::Block block = printing->WhatBlocks();
    if (!block.Any())
        return true;
    desk.ShowNote(KioskPrinting::BlockNote(block, GetLanguage()));
    std::string label;
    {
        std::lock_guard<std::mutex> lock(desk.DeskMutex());
        label = desk.EntryLabelLocked(sectionId, teamNumber);
    }
    Json::Value fields = PrintJournal::EntryFields(label, sectionId, teamNumber);
    fields["reason"] = block.Name();
    printing->Journal().Write(JournalEvent::kRefused, fields);
    Repaint();
    return false;
}
