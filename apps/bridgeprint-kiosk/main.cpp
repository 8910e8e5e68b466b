// The self-print kiosk: one maximized frame hosting the self-print desktop.

#include "kiosk/KioskApp.h"
#include "platform/Fonts.h"
#include "print/PrintJob.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The kiosk names its faces as the tournament's printed material always
    // has; map them to the fonts installed here.
    InstallFontSubstitutions();
    // Page views print through the print job installed here.
    InstallPrintJob();
    KioskApp kiosk;
    if (!kiosk.InitInstance())
        return 0;
    return app.exec();
}
