#include "render/WindowBase.h"
#include "platform/QtText.h"

#include <QAbstractSlider>
#include <QFont>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace {

// Used when the kiosk has no screen to measure (no application object yet).
constexpr int32_t kFallbackScreenHeight = 1080;

// The font of every corner button of every window, made with the first
// button and kept for the life of the process.
const QFont& ButtonFont()
{
    static const QFont font = [] {
        QFont f(QStringLiteral("Microsoft Sans Serif"));
        f.setPixelSize(std::max(1, ButtonFontPixelHeight(ScreenUnit())));
        f.setWeight(QFont::Normal);
        return f;
    }();
    return font;
}

DefaultRootServices& FallbackServices()
{
    static DefaultRootServices services;
    return services;
}

} // namespace

int32_t ScreenUnitFor(int32_t screenHeight)
{
    return (screenHeight * 32) / 1000;
}

int32_t ScreenUnit()
{
    int32_t height = kFallbackScreenHeight;
    if (qGuiApp != nullptr)
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            height = screen->geometry().height();
    return ScreenUnitFor(height);
}

int32_t ButtonFontPixelHeight(int32_t screenUnit)
{
    return (screenUnit * 78) / 100;
}

CornerButtonRects LayoutCornerButtonRects(const Rect& client, int32_t u, int32_t placement, bool hasCloseButton,
                                          bool wideOptionsButton)
{
    CornerButtonRects out;
    const int32_t p = placement == 0 ? 1 : placement;
    Rect strip{client.right - (3 * u) / 2, 0, client.right, 0};
    if (p == 1) {
        strip.top = client.top;
        strip.bottom = client.top + u;
    } else {
        strip.bottom = client.bottom;
        strip.top = client.bottom - u;
    }
    if (hasCloseButton) {
        out.close = strip;
        const int32_t w = strip.Width();
        strip.right = strip.left;
        strip.left -= w;
    }
    if (placement != 0) {
        const int32_t w = ((wideOptionsButton ? 70 : 45) * u) / 10;
        out.options = Rect{strip.right - w, strip.top, strip.right, strip.bottom};
    }
    return out;
}

WindowBase::WindowBase()
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setRange(0, 0);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setGeometry(0, 0, 10, 10);
    QObject::connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
                     [this](int action) { OnScrollAction(action); });
    hide();
}

WindowBase::~WindowBase() = default;

bool WindowBase::Create(WindowBase* parent, int32_t id)
{
    parentWnd = parent;
    if (parent != nullptr)
        setParent(parent->viewport());
    FinishCreate(id);
    return true;
}

bool WindowBase::CreateInWidget(QWidget* host, int32_t id)
{
    parentWnd = nullptr;
    setParent(host);
    FinishCreate(id);
    return true;
}

void WindowBase::FinishCreate(int32_t id)
{
    wndId = id;
    setObjectName(QString::number(id));
    setGeometry(0, 0, 10, 10);
    hide();
    RefreshCaption();
}

WindowBase* WindowBase::GetRootWindow()
{
    WindowBase* w = this;
    // A cycle of owner links would be a wiring error; stop rather than spin.
    for (int guard = 0; w->parentWnd != nullptr && guard < 1000; ++guard)
        w = w->parentWnd;
    return w;
}

RootServices& WindowBase::Services()
{
    WindowBase* root = GetRootWindow();
    if (root->rootServices != nullptr)
        return *root->rootServices;
    return FallbackServices();
}

LangIndex WindowBase::GetLanguage()
{
    return Services().GetLanguage();
}

void WindowBase::EnsureButtons()
{
    if (OptionsButtonPlacement() != 0 && optionsButton == nullptr) {
        optionsButton = new QPushButton(QStringLiteral("操作"), viewport());
        optionsButton->setObjectName(QStringLiteral("optionsButton"));
        optionsButton->setGeometry(10, 20, 70, 60);
        optionsButton->setFont(ButtonFont());
        optionsButton->setFocusPolicy(Qt::NoFocus);
        QObject::connect(optionsButton, &QPushButton::clicked, this, [this] { OnOptionsButton(); });
        optionsButton->show();
    }
    if (HasCloseButton() && closeButton == nullptr) {
        closeButton = new QPushButton(QStringLiteral("X"), viewport());
        closeButton->setObjectName(QStringLiteral("closeButton"));
        closeButton->setGeometry(10, 20, 70, 60);
        closeButton->setFont(ButtonFont());
        QObject::connect(closeButton, &QPushButton::clicked, this, [this] { OnCloseButton(); });
        closeButton->show();
    }
}

void WindowBase::RefreshCaption()
{
    if (OptionsButtonPlacement() != 0) {
        EnsureButtons();
        optionsButton->setText(ToQString(GetCaption()));
    }
    InvalidateClient();
}

std::u16string WindowBase::GetCaption()
{
    return LangTextW("-操作-||Options||<其它>", GetLanguage());
}

void WindowBase::LayoutButtons()
{
    EnsureButtons();
    const CornerButtonRects r = LayoutCornerButtonRects(ClientRect(), ScreenUnit(), OptionsButtonPlacement(),
                                                        HasCloseButton(), IsWideOptionsButton());
    if (HasCloseButton() && closeButton != nullptr)
        closeButton->setGeometry(r.close.left, r.close.top, r.close.Width(), r.close.Height());
    if (OptionsButtonPlacement() != 0 && optionsButton != nullptr)
        optionsButton->setGeometry(r.options.left, r.options.top, r.options.Width(), r.options.Height());
}

Rect WindowBase::ClientRect() const
{
    const QRect r = viewport()->rect();
    return Rect{0, 0, r.width(), r.height()};
}

int32_t WindowBase::ScrollPosition() const
{
    return verticalScrollBar()->value();
}

int32_t WindowBase::ScrollLimit() const
{
    return verticalScrollBar()->maximum();
}

void WindowBase::UpdateScrollBar()
{
    const int32_t h = ClientRect().Height();
    const int32_t n = std::max(GetContentHeight(), h);
    QScrollBar* bar = verticalScrollBar();
    if (n < bar->value())
        bar->setValue(0);
    // The bar scrolls over the part of the content below the first screen:
    // with content that fits, the limit is 0 and nothing scrolls.
    bar->setPageStep(std::max(1, h));
    bar->setRange(0, std::max(0, n - h));
    InvalidateClient();
}

void WindowBase::OnScrollAction(int action)
{
    QScrollBar* bar = verticalScrollBar();
    const int32_t h = ClientRect().Height();
    const int32_t line = h / 16;
    const int32_t page = (h * 90) / 100;
    const int32_t pos = bar->value();
    int32_t target = bar->sliderPosition();
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: target = pos - line; break;
    case QAbstractSlider::SliderSingleStepAdd: target = pos + line; break;
    case QAbstractSlider::SliderPageStepSub: target = pos - page; break;
    case QAbstractSlider::SliderPageStepAdd: target = pos + page; break;
    default:
        // Top, bottom and thumb tracking: the bar's own position.
        return;
    }
    bar->setSliderPosition(std::clamp(target, bar->minimum(), bar->maximum()));
}

void WindowBase::InvalidateClient()
{
    viewport()->update();
}

void WindowBase::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), QColor(128, 128, 128));
}

void WindowBase::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    LayoutButtons();
    InvalidateClient();
}

void WindowBase::mouseMoveEvent(QMouseEvent* event)
{
    if (!hasFocus() && Services().WantsHoverFocus())
        setFocus(Qt::MouseFocusReason);
    QAbstractScrollArea::mouseMoveEvent(event);
}

void WindowBase::wheelEvent(QWheelEvent* event)
{
    event->accept();
    const int32_t limit = ScrollLimit();
    const int delta = event->angleDelta().y();
    if (limit <= 0 || delta == 0)
        return;
    const int32_t step = ClientRect().Height() / 16;
    const int32_t pos = ScrollPosition() + (delta < 0 ? step : -step);
    verticalScrollBar()->setValue(std::clamp(pos, 0, limit));
    InvalidateClient();
}

void WindowBase::scrollContentsBy(int, int)
{
    // The whole view is repainted from the new position; nothing is moved.
    InvalidateClient();
}
