#include "kiosk/MainFrame.h"

#include "foundation/Product.h"
#include "platform/ProcessServices.h"
#include "platform/QtText.h"
#include "platform/UiSeam.h"

#include <QCloseEvent>
#include <QStackedLayout>
#include <QTimerEvent>

MainFrame::MainFrame(QWidget* parent) : QWidget(parent)
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
    frameTimer = startTimer(kFrameTimerIntervalMs);
}

MainFrame::~MainFrame() = default;

std::u16string MainFrame::TitleText(LangIndex lang)
{
    return Utf8ToWide(PickLang("自助打印||Self service printing[cn:自助打印]||<其它>", lang) + " - " +
                      ProductName(lang, true));
}

void MainFrame::OnTimer()
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

void MainFrame::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == frameTimer)
        OnTimer();
    else
        QWidget::timerEvent(event);
}

void MainFrame::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (desktop != nullptr)
        desktop->Widget()->setFocus();
}

void MainFrame::closeEvent(QCloseEvent* event)
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
