// The page a server address or an access code opens on: the digits across
// the top, below them the signs that addresses, codes and partial-print
// filters are written with, and the way to the letters at the bottom left.
// Every key has a fixed share of its row, so the page is laid out the same
// way on every screen and every time it is shown. What is touched is what
// is typed: no word is guessed or corrected on any page.
import QtQuick
import QtQuick.Layouts
import QtQuick.VirtualKeyboard
import QtQuick.VirtualKeyboard.Components
import QtQuick.VirtualKeyboard.Plugins

KeyboardLayout {
    inputMethod: PlainInputMethod {}
    keyWeight: 100
    KeyboardRow {
        Key { key: Qt.Key_1; text: "1" }
        Key { key: Qt.Key_2; text: "2" }
        Key { key: Qt.Key_3; text: "3" }
        Key { key: Qt.Key_4; text: "4" }
        Key { key: Qt.Key_5; text: "5" }
        Key { key: Qt.Key_6; text: "6" }
        Key { key: Qt.Key_7; text: "7" }
        Key { key: Qt.Key_8; text: "8" }
        Key { key: Qt.Key_9; text: "9" }
        Key { key: Qt.Key_0; text: "0" }
    }
    KeyboardRow {
        Key { key: Qt.Key_At; text: "@" }
        Key { key: Qt.Key_NumberSign; text: "#" }
        Key { key: Qt.Key_AsciiTilde; text: "~" }
        Key { key: Qt.Key_Semicolon; text: ";" }
        Key { key: Qt.Key_Colon; text: ":" }
        Key { key: Qt.Key_Minus; text: "-" }
        Key { key: Qt.Key_Underscore; text: "_" }
        Key { key: Qt.Key_Slash; text: "/" }
        Key { key: Qt.Key_ParenLeft; text: "(" }
        Key { key: Qt.Key_ParenRight; text: ")" }
    }
    KeyboardRow {
        Key { key: Qt.Key_Asterisk; text: "*" }
        Key { key: Qt.Key_Percent; text: "%" }
        Key { key: Qt.Key_Ampersand; text: "&" }
        Key { key: Qt.Key_Plus; text: "+" }
        Key { key: Qt.Key_Equal; text: "=" }
        Key { key: Qt.Key_Apostrophe; text: "'" }
        Key { key: Qt.Key_Exclam; text: "!" }
        Key { key: Qt.Key_Question; text: "?" }
        BackspaceKey { weight: 200 }
    }
    KeyboardRow {
        SymbolModeKey { weight: 150; displayText: "ABC" }
        Key { key: Qt.Key_Comma; text: "," }
        SpaceKey { weight: 350 }
        Key { key: Qt.Key_Period; text: "." }
        HideKeyboardKey { }
        EnterKey { weight: 200 }
    }
}
