#pragma once
// Dialogs are laid out in dialog units of their font, as the kiosk's dialog
// tables give them: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height. The kiosk picks a
// font large enough to read at arm's length, and stretches the vertical unit
// where the dialog's lowest control would otherwise be too low for a finger:
// every control keeps its place in the arrangement, only taller.

#include <QFont>
#include <QRect>

class QScreen;
class QWidget;

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    // The units of `font`, the vertical one stretched so that a control
    // `controlUnits` high is at least `targetPixels` high, but no further than
    // lets a dialog `dialogUnits` high stand on a screen `screenHeight` pixels
    // high (0: no limit). Never shorter than the font's own unit.
    DialogUnits(const QFont& font, int controlUnits, int targetPixels, int dialogUnits, int screenHeight);
    // The same for the touch height in force (TouchTargetPixelsInForce) and
    // the primary screen's available height.
    static DialogUnits ForTouch(const QFont& font, int controlUnits, int dialogUnits);

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
