#include "platform/VirtualKeyboard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>

namespace {

TEST(VirtualKeyboardChoice, OnlyAnUnsetVariableAndAnInstalledPluginChooseIt)
{
    EXPECT_EQ(InputMethodModuleToSet(nullptr, true), "qtvirtualkeyboard");
    EXPECT_EQ(InputMethodModuleToSet(nullptr, false), "");
    // Whatever the user set wins, an empty value (no input method) included.
    EXPECT_EQ(InputMethodModuleToSet("", true), "");
    EXPECT_EQ(InputMethodModuleToSet("ibus", true), "");
    EXPECT_EQ(VirtualKeyboardPluginFile("/usr/lib/qt6/plugins"),
              "/usr/lib/qt6/plugins/platforminputcontexts/libqtvirtualkeyboardplugin.so");
}

// A 1280x800 screen whose keyboard covers the lower half.
const QRect kScreen(0, 0, 1280, 800);
const QRect kKeyboard(0, 400, 1280, 400);

TEST(PlaceAboveKeyboard, MovesOnlyAsFarAsTheRuleSays)
{
    struct Case {
        const char* what;
        QRect frame;
        QRect field;
        QRect keyboard;
        QPoint expected;
    };
    const Case cases[] = {
        {"no keyboard", {100, 500, 400, 200}, {120, 650, 200, 30}, {}, {100, 500}},
        {"field clear of the keyboard", {100, 150, 400, 300}, {120, 170, 200, 30}, kKeyboard, {100, 150}},
        {"field's last row on the keyboard's first", {100, 100, 400, 400}, {120, 370, 200, 31}, kKeyboard, {100, 0}},
        {"bottom goes just above the keyboard", {100, 300, 400, 250}, {120, 500, 200, 30}, kKeyboard, {100, 150}},
        {"too tall: stops at the screen's top", {100, 300, 400, 450}, {120, 420, 200, 30}, kKeyboard, {100, 0}},
        {"too tall, field low: just high enough for it",
         {128, 117, 1005, 486},
         {435, 526, 311, 42},
         kKeyboard,
         {128, -51}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QPoint at = PlaceAboveKeyboard(c.frame, c.field, c.keyboard, kScreen);
        EXPECT_EQ(at, c.expected);
        if (!c.keyboard.isEmpty() && at != c.frame.topLeft()) {
            // The field, carried with its window, ends clear of the keyboard.
            const QRect moved = c.field.translated(at - c.frame.topLeft());
            EXPECT_LT(moved.bottom(), c.keyboard.top());
        }
    }
}

TEST(PlaceAboveKeyboard, NeverMovesAWindowDown)
{
    // A window already standing high whose field reaches under the keyboard
    // (a very tall field) keeps its place rather than going lower.
    EXPECT_EQ(PlaceAboveKeyboard({0, 0, 400, 300}, {0, 350, 100, 100}, kKeyboard, kScreen), QPoint(0, 0));
}

TEST(VirtualKeyboardUse, ShowingAsksForTheVirtualKeyboardOnly)
{
    // Under test the kiosk's input method choice is not made: without the
    // virtual keyboard in force, Show OSK must fall back to a program.
    qputenv("QT_IM_MODULE", "");
    EXPECT_FALSE(VirtualKeyboardInUse());
    QLineEdit field;
    EXPECT_FALSE(ShowVirtualKeyboardFor(&field));
    qputenv("QT_IM_MODULE", kVirtualKeyboardModule);
    EXPECT_TRUE(VirtualKeyboardInUse());
    qunsetenv("QT_IM_MODULE");
}

TEST(KeyboardAvoidance, LeavesWindowsAloneWithoutAKeyboard)
{
    QDialog dialog;
    auto* field = new QLineEdit(&dialog);
    field->setGeometry(10, 150, 100, 20);
    dialog.setGeometry(50, 500, 300, 200);
    dialog.show();
    field->setFocus();
    const QPoint before = dialog.pos();
    KeyboardAvoidance avoidance;
    avoidance.Update();
    EXPECT_EQ(avoidance.LiftedWindow(), nullptr);
    EXPECT_EQ(dialog.pos(), before);
    InstallKeyboardAvoidance();
    InstallKeyboardAvoidance();
    EXPECT_EQ(qApp->findChildren<KeyboardAvoidance*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
}

} // namespace
