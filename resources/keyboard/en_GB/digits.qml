// The page of a field that takes digits only (the print dialog's copies and
// page numbers): a pad of three columns with backspace, hide and enter in a
// fourth.
import QtQuick
import QtQuick.Layouts
import QtQuick.VirtualKeyboard
import QtQuick.VirtualKeyboard.Components
import QtQuick.VirtualKeyboard.Plugins

KeyboardLayout {
    inputMethod: PlainInputMethod {}
    inputMode: InputEngine.InputMode.Numeric
    keyWeight: 100
    KeyboardRow {
        Key { key: Qt.Key_7; text: "7" }
        Key { key: Qt.Key_8; text: "8" }
        Key { key: Qt.Key_9; text: "9" }
        BackspaceKey { }
    }
    KeyboardRow {
        Key { key: Qt.Key_4; text: "4" }
        Key { key: Qt.Key_5; text: "5" }
        Key { key: Qt.Key_6; text: "6" }
        HideKeyboardKey { }
    }
    KeyboardRow {
        Key { key: Qt.Key_1; text: "1" }
        Key { key: Qt.Key_2; text: "2" }
        Key { key: Qt.Key_3; text: "3" }
        Key { key: Qt.Key_Minus; text: "-" }
    }
    KeyboardRow {
        Key { key: Qt.Key_0; text: "0"; weight: 200 }
        Key { key: Qt.Key_Period; text: "." }
        EnterKey { }
    }
}
