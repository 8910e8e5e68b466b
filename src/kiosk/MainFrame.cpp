#include "kiosk/MainFrame.h"

#include "foundation/Product.h"
#include "platform/ProcessServices.h"
#include "platform/UiSeam.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStackedLayout>
#include <QTimerEvent>

#include <cstdio>

namespace {

QString ToQString(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::string& LockPathOverride()
{
    static std::string path;
    return path;
}

} // namespace

CMainFrame::CMainFrame(QWidget* parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("qivBridgePrint"));
    // The desktop fills the whole client area, as the frame's only child.
    auto* layout = new QStackedLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FrameServices services;
    services.blockTaskManager = [this] { SetBlockTaskManager(); };
    services.requestClose = [this] { close(); };
    desktop = CreateFrameDesktop(this, services);
    if (desktop == nullptr)
        return;
    layout->addWidget(desktop->Widget());
    frameTimer = startTimer(FrameTimerIntervalMs);
}

CMainFrame::~CMainFrame() = default;

std::u16string CMainFrame::TitleText(LangIndex lang)
{
    return Utf8ToWide(PickLang("自助打印||Self service printing[cn:自助打印]||<其它>", lang) + " - " +
                      ProductName(lang, true));
}

void CMainFrame::OnTimer()
{
    if (desktop == nullptr)
        return;
    const LangIndex lang = desktop->GetLanguage();
    const QString title = ToQString(TitleText(lang));
    if (title != windowTitle()) {
        setWindowTitle(title);
        ++titleUpdates;
    }
    if (blockTaskManager)
        KillFirstProcessNamed(TaskManagerNames());
}

void CMainFrame::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == frameTimer)
        OnTimer();
    else
        QWidget::timerEvent(event);
}

void CMainFrame::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (desktop != nullptr)
        desktop->Widget()->setFocus();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (desktop != nullptr) {
        const LangIndex lang = desktop->GetLanguage();
        if (desktop->IsFullScreen()) {
            if (!desktop->AccessCodeGate()) {
                event->ignore();
                return;
            }
        } else {
            const std::u16string question =
                Utf8ToWide(PickLang("你要退出么?||Do you want to exit?||<其它>", lang) + std::string(16, ' '));
            const int answer = Ui().ShowMessage(this, question, u"qivBridgePrint",
                                                MessageBoxStyle::OkCancel | MessageBoxStyle::IconQuestion |
                                                    MessageBoxStyle::DefaultButton2);
            if (answer != MessageBoxAnswer::Ok) {
                event->ignore();
                return;
            }
        }
    }
    if (frameTimer != 0) {
        killTimer(frameTimer);
        frameTimer = 0;
    }
    event->accept();
}

CjovBridgePrintApp::CjovBridgePrintApp() = default;

CjovBridgePrintApp::~CjovBridgePrintApp()
{
    delete frame;
    delete lock;
}

std::u16string CjovBridgePrintApp::AlreadyRunningText(int codePage)
{
    return codePage == 936 ? u"jovBridgePrint 已经运行." : u"jovBridgePrint already running?";
}

void CjovBridgePrintApp::SetLockPathForTesting(const std::string& path)
{
    LockPathOverride() = path;
}

bool CjovBridgePrintApp::InitInstance()
{
    const std::string lockPath =
        LockPathOverride().empty() ? SingleInstanceLockPath(MutexName) : LockPathOverride();
    lock = new SingleInstanceLock(lockPath);
    if (!lock->Held()) {
        const std::u16string text = AlreadyRunningText(OemCodePage());
        // Also on the terminal, for whoever started the kiosk from a shell.
        std::fprintf(stderr, "%s\n", WideToUtf8(text).c_str());
        Ui().ShowMessage(nullptr, text, u"qivBridgePrint", MessageBoxStyle::Ok);
        return false;
    }
    IgnoreBrokenPipes();

    frame = new CMainFrame;
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
