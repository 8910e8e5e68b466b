#pragma once
// Sizes for a fingertip. The kiosk PC has a touch screen and no mouse: every
// control the director touches (menu rows, buttons, text fields, check boxes,
// list rows) must be about 9 mm high. The kiosk's own dialogs are placed in
// dialog units stretched for that (DialogUnits::ForTouch); everything Qt lays
// out by itself (menus, message boxes, the print dialog) gets it from the
// application's style, which reports the touch height as the least a control
// needs.

#include <QProxyStyle>

class QScreen;

// How tall a control must be on a screen of `dotsPerInch` physical
// resolution: 9 mm, and never less than 48 pixels (9 mm on the usual kiosk
// screens of 130 dots an inch). A resolution that is not believable, as that
// of a screen that reports no size or a made-up one, gives the 48 pixels.
int TouchTargetPixels(double dotsPerInch);
// The same for `screen` (the primary screen when null; 48 without any).
int TouchTargetPixels(const QScreen* screen);

// The application's style, with every control at least `targetPixels` high
// and check boxes' and radio buttons' marks large enough to see under a
// finger. Separators stay thin.
class TouchStyle : public QProxyStyle {
    Q_OBJECT
public:
    explicit TouchStyle(int targetPixels);

    int TargetPixels() const { return target; }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;

private:
    int target;
};

// Makes a TouchStyle for the primary screen the application's style. Needs the
// application object; a second call changes nothing.
void InstallTouchStyle();
// The touch height in force: the installed TouchStyle's, or the primary
// screen's TouchTargetPixels when none is installed.
int TouchTargetPixelsInForce();
