// The self-print kiosk: one maximized frame hosting the self-print desktop.

#include "kiosk/MainFrame.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    CjovBridgePrintApp kiosk;
    if (!kiosk.InitInstance())
        return 0;
    return app.exec();
}
