#pragma once
// The touch screen's keyboard: the in-process virtual keyboard chosen before
// the application object is made, asked for by the dialogs, and a watcher
// that keeps the focused field of a dialog above it. The kiosk PC has no
// hardware keyboard, so every field the director fills depends on this.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <Qt>

#include <string>

// The input method module of the virtual keyboard.
inline constexpr const char* kVirtualKeyboardModule = "qtvirtualkeyboard";
// The keyboard's pages, compiled into the program: letters, digits with the
// signs of addresses and filters, and a digit pad. Every key has a fixed share
// of its row, so no key lies off the screen or over another at any screen
// size (the keyboard's own pages size some keys from others' widths, which
// are not always known yet when a page is first laid out).
inline constexpr const char* kKeyboardLayoutPath = "qrc:/keyboard";

// What the keyboard offers for each kind of field the director fills. An
// address or a code is typed exactly: no capital put in front, no word
// guessed, digits on the first page. The code is not shown, not learned and
// not offered again. A partial-print filter names sections in capitals.
inline constexpr Qt::InputMethodHints kAddressFieldHints =
    Qt::ImhNoAutoUppercase | Qt::ImhNoPredictiveText | Qt::ImhPreferLatin | Qt::ImhPreferNumbers;
inline constexpr Qt::InputMethodHints kCodeFieldHints = Qt::ImhNoAutoUppercase | Qt::ImhNoPredictiveText |
                                                        Qt::ImhPreferLatin | Qt::ImhPreferNumbers |
                                                        Qt::ImhSensitiveData | Qt::ImhHiddenText;
inline constexpr Qt::InputMethodHints kFilterFieldHints =
    Qt::ImhNoPredictiveText | Qt::ImhPreferLatin | Qt::ImhPreferUppercase;

// Where the virtual keyboard's input context plugin lives under a plugins folder.
std::string VirtualKeyboardPluginFile(const std::string& pluginsFolder);

// The input method module to put into QT_IM_MODULE before the application
// object is made: the virtual keyboard when QT_IM_MODULE is not set at all
// (`current` is null) and its plugin is installed; empty when the environment
// is to stay as it is. A value the user set, even an empty one, wins.
std::string InputMethodModuleToSet(const char* current, bool pluginInstalled);

// Applies InputMethodModuleToSet to this process: reads QT_IM_MODULE, looks
// for the plugin under Qt's plugins folder and sets the variable, and points
// the keyboard at the kiosk's own pages unless QT_VIRTUALKEYBOARD_LAYOUT_PATH
// says otherwise. Call before the application object is made. True when it
// chose the virtual keyboard.
bool ChooseVirtualKeyboard();

// Whether the input method in force is the virtual keyboard (QT_IM_MODULE
// names it, set by ChooseVirtualKeyboard or by the user).
bool VirtualKeyboardInUse();

// Focuses `field` and raises the virtual keyboard for it. False, with nothing
// shown, when the virtual keyboard is not the input method in force.
bool ShowVirtualKeyboardFor(QWidget* field);

// Where a window must stand so that the focused field in it is not covered by
// the keyboard. All rectangles are in screen coordinates: `frame` is the
// window with its decorations at the place it stands when no keyboard is up,
// `field` the focused field at that same place, `keyboard` the keyboard (empty
// when none is shown), `screen` the screen's available area. When the field
// would be hidden the window goes up until its bottom sits above the
// keyboard's top. A window too tall for that stops at the screen's top, or,
// when its field would still be covered there, goes just high enough for the
// field to be seen: the field being typed into matters more than the
// window's top. A field clear of the keyboard leaves the window where it is.
QPoint PlaceAboveKeyboard(const QRect& frame, const QRect& field, const QRect& keyboard, const QRect& screen);

// Moves the window holding the focused text field up while the virtual
// keyboard would cover that field, and puts it back where it was when the
// keyboard goes away or focus moves to another window. One is installed for
// the whole application; it watches the input method and focus changes.
class KeyboardAvoidance : public QObject {
    Q_OBJECT
public:
    explicit KeyboardAvoidance(QObject* parent = nullptr);

    // Looks at the keyboard and the focused field now and moves windows.
    void Update();

    // The window moved up, or null when none is.
    QWidget* LiftedWindow() const { return lifted; }

private:
    void PutBack();

    QPointer<QWidget> lifted;
    QPoint liftedFrom;
    bool keyboardUp = false;
};

// Installs one KeyboardAvoidance on the application (a second call does
// nothing). Needs the application object.
void InstallKeyboardAvoidance();
