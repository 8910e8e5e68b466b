#include "platform/VirtualKeyboard.h"

#include <QApplication>
#include <QFileInfo>
#include <QInputMethod>
#include <QLibraryInfo>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

std::string VirtualKeyboardPluginFile(const std::string& pluginsFolder)
{
    return pluginsFolder + "/platforminputcontexts/libqtvirtualkeyboardplugin.so";
}

std::string InputMethodModuleToSet(const char* current, bool pluginInstalled)
{
    // Set but empty means "no input method" to Qt: the user chose that.
    if (current != nullptr || !pluginInstalled)
        return {};
    return kVirtualKeyboardModule;
}

bool ChooseVirtualKeyboard()
{
    if (!qEnvironmentVariableIsSet("QT_VIRTUALKEYBOARD_LAYOUT_PATH"))
        qputenv("QT_VIRTUALKEYBOARD_LAYOUT_PATH", kKeyboardLayoutPath);
    const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    const bool installed = QFileInfo::exists(QString::fromStdString(VirtualKeyboardPluginFile(plugins.toStdString())));
    const std::string module =
        InputMethodModuleToSet(qEnvironmentVariableIsSet("QT_IM_MODULE") ? "" : nullptr, installed);
    if (module.empty())
        return false;
    qputenv("QT_IM_MODULE", QByteArray::fromStdString(module));
    return true;
}

bool VirtualKeyboardInUse()
{
    return qEnvironmentVariable("QT_IM_MODULE") == QLatin1String(kVirtualKeyboardModule);
}

bool ShowVirtualKeyboardFor(QWidget* field)
{
    if (field == nullptr || !VirtualKeyboardInUse())
        return false;
    field->setFocus(Qt::OtherFocusReason);
    QGuiApplication::inputMethod()->show();
    return true;
}

QPoint PlaceAboveKeyboard(const QRect& frame, const QRect& field, const QRect& keyboard, const QRect& screen)
{
    if (keyboard.isEmpty() || !field.intersects(keyboard))
        return frame.topLeft();
    int top = keyboard.top() - frame.height();
    if (top < screen.top()) {
        // Too tall for the room above the keyboard: the top of the screen,
        // or, when the field would still be covered there, just high enough
        // for the field. What goes off the top comes back with the window
        // when the keyboard goes away.
        const int fieldClear = keyboard.top() - (field.bottom() + 1 - frame.top());
        top = std::min(screen.top(), fieldClear);
    }
    // Only ever up: a field already clear of the keyboard does not get here.
    top = std::min(top, frame.top());
    return {frame.left(), top};
}

namespace {

// The keyboard's own window asks to stay on top, which only a window manager
// honours; the kiosk's frame entering full screen is raised above it. Raised
// each time it comes up: a window of no widget that asks to stay on top.
void RaiseKeyboardWindow()
{
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (!window->isVisible() || !window->flags().testFlag(Qt::WindowStaysOnTopHint))
            continue;
        const bool ofWidget = std::any_of(widgets.begin(), widgets.end(),
                                          [window](const QWidget* w) { return w->windowHandle() == window; });
        if (!ofWidget)
            window->raise();
    }
}

} // namespace

KeyboardAvoidance::KeyboardAvoidance(QObject* parent) : QObject(parent)
{
    QInputMethod* im = QGuiApplication::inputMethod();
    connect(im, &QInputMethod::visibleChanged, this, &KeyboardAvoidance::Update);
    connect(im, &QInputMethod::keyboardRectangleChanged, this, &KeyboardAvoidance::Update);
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        connect(app, &QApplication::focusChanged, this, &KeyboardAvoidance::Update);
}

void KeyboardAvoidance::PutBack()
{
    if (lifted && lifted->pos() != liftedFrom)
        lifted->move(liftedFrom);
    lifted = nullptr;
}

void KeyboardAvoidance::Update()
{
    const QInputMethod* im = QGuiApplication::inputMethod();
    QWidget* focus = QApplication::focusWidget();
    QWidget* window = focus != nullptr ? focus->window() : nullptr;
    // The keyboard reports where it stands on the screen.
    const QRect keyboard = im->isVisible() ? im->keyboardRectangle().toAlignedRect() : QRect();
    // A window that fills the screen cannot go anywhere; only dialogs move.
    const bool movable = window != nullptr && window->isVisible() && !window->isFullScreen() &&
                         !window->isMaximized() && focus->testAttribute(Qt::WA_InputMethodEnabled);
    if (!keyboard.isEmpty() && !keyboardUp)
        RaiseKeyboardWindow();
    keyboardUp = !keyboard.isEmpty();
    if (keyboard.isEmpty() || !movable) {
        PutBack();
        return;
    }
    if (lifted != window) {
        PutBack();
        lifted = window;
        liftedFrom = window->pos();
    }
    // Judge from where the window stood before the keyboard came, so that a
    // keyboard changing its height moves the window again from there.
    const QPoint back = liftedFrom - window->pos();
    const QRect field = QRect(focus->mapToGlobal(QPoint(0, 0)), focus->size()).translated(back);
    QRect frame = window->frameGeometry();
    frame.moveTopLeft(liftedFrom);
    const QScreen* screen = window->screen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : frame;
    const QPoint target = PlaceAboveKeyboard(frame, field, keyboard, area);
    if (target != window->pos())
        window->move(target);
}

void InstallKeyboardAvoidance()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || app->findChild<KeyboardAvoidance*>(QString(), Qt::FindDirectChildrenOnly) != nullptr)
        return;
    new KeyboardAvoidance(app);
}
