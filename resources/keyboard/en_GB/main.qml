// The letters page: the usual rows of letters, shift and backspace beside
// the third, and the same bottom row as the digits page, whose key leads
// there. Every key has a fixed share of its row, so the page is laid out the
// same way on every screen and every time it is shown.
import QtQuick
import QtQuick.Layouts
import QtQuick.VirtualKeyboard
import QtQuick.VirtualKeyboard.Components
import QtQuick.VirtualKeyboard.Plugins

KeyboardLayout {
    inputMethod: PlainInputMethod {}
    inputMode: InputEngine.InputMode.Latin
    keyWeight: 100
    KeyboardRow {
        Key { key: Qt.Key_Q; text: "q" }
        Key { key: Qt.Key_W; text: "w" }
        Key { key: Qt.Key_E; text: "e" }
        Key { key: Qt.Key_R; text: "r" }
        Key { key: Qt.Key_T; text: "t" }
        Key { key: Qt.Key_Y; text: "y" }
        Key { key: Qt.Key_U; text: "u" }
        Key { key: Qt.Key_I; text: "i" }
        Key { key: Qt.Key_O; text: "o" }
        Key { key: Qt.Key_P; text: "p" }
    }
    KeyboardRow {
        FillerKey { weight: 50 }
        Key { key: Qt.Key_A; text: "a" }
        Key { key: Qt.Key_S; text: "s" }
        Key { key: Qt.Key_D; text: "d" }
        Key { key: Qt.Key_F; text: "f" }
        Key { key: Qt.Key_G; text: "g" }
        Key { key: Qt.Key_H; text: "h" }
        Key { key: Qt.Key_J; text: "j" }
        Key { key: Qt.Key_K; text: "k" }
        Key { key: Qt.Key_L; text: "l" }
        FillerKey { weight: 50 }
    }
    KeyboardRow {
        ShiftKey { weight: 150 }
        Key { key: Qt.Key_Z; text: "z" }
        Key { key: Qt.Key_X; text: "x" }
        Key { key: Qt.Key_C; text: "c" }
        Key { key: Qt.Key_V; text: "v" }
        Key { key: Qt.Key_B; text: "b" }
        Key { key: Qt.Key_N; text: "n" }
        Key { key: Qt.Key_M; text: "m" }
        BackspaceKey { weight: 150 }
    }
    KeyboardRow {
        SymbolModeKey { weight: 150; displayText: "123" }
        Key { key: Qt.Key_Comma; text: "," }
        SpaceKey { weight: 350 }
        Key { key: Qt.Key_Period; text: "." }
        HideKeyboardKey { }
        EnterKey { weight: 200 }
    }
}
