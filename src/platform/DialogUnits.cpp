#include "platform/DialogUnits.h"

#include "platform/TouchStyle.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The average width of the Latin letters, rounded, as dialog templates
    // have always measured it.
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX = std::max(1, (letters / 26 + 1) / 2);
    baseY = std::max(1, metrics.height());
}

DialogUnits::DialogUnits(const QFont& font, int controlUnits, int targetPixels, int dialogUnits, int screenHeight)
    : DialogUnits(font)
{
    const int own = baseY;
    if (controlUnits > 0)
        while (controlUnits * baseY / 8 < targetPixels)
            ++baseY;
    if (screenHeight > 0 && dialogUnits > 0)
        baseY = std::min(baseY, screenHeight * 8 / dialogUnits);
    baseY = std::max(baseY, own);
}

DialogUnits DialogUnits::ForTouch(const QFont& font, int controlUnits, int dialogUnits)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int height = screen != nullptr ? screen->availableGeometry().height() : 0;
    return DialogUnits(font, controlUnits, TouchTargetPixelsInForce(), dialogUnits, height);
}

void DialogUnits::Place(QWidget* widget, int x, int y, int w, int h) const
{
    widget->setGeometry(Rect(x, y, w, h));
}

QFont TouchDialogFont(int pointSize)
{
    QFont font(QStringLiteral("Microsoft Sans Serif"));
    // A template point is drawn at two pixels: half again the size the
    // template would have on a 96-dpi desktop, so buttons take a fingertip.
    font.setPixelSize(pointSize * 2);
    return font;
}
