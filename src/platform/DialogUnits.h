#pragma once
// Dialogs are laid out in dialog units of their font, as the kiosk's dialog
// tables give them: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height. The kiosk picks a
// font large enough to be used with a finger.

#include <QFont>
#include <QRect>

class QWidget;

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int X(int units) const { return units * baseX / 4; }
    int Y(int units) const { return units * baseY / 8; }
    QRect Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }
    // Places `widget` at the dialog-unit rectangle.
    void Place(QWidget* widget, int x, int y, int w, int h) const;

    int BaseX() const { return baseX; }
    int BaseY() const { return baseY; }

private:
    int baseX = 1;
    int baseY = 1;
};

// The dialog font for a template font of `pointSize` points, enlarged for a
// touch screen.
QFont TouchDialogFont(int pointSize);
