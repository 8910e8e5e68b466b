#include "platform/DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The average width of the Latin letters, rounded, as dialog templates
    // have always measured it.
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX = std::max(1, (letters / 26 + 1) / 2);
    baseY = std::max(1, metrics.height());
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
