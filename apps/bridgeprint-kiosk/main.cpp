// The self-print kiosk: one maximized frame hosting the self-print desktop.
//
//   bridgeprint-kiosk [--pdf-folder DIR]
//
// --pdf-folder DIR prints every scorecard as a PDF file of its own into DIR
// instead of on a printer (demos and tests without a printing system).

#include "kiosk/KioskApp.h"
#include "platform/Fonts.h"
#include "print/PrintJob.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Qt has taken its own options out of the arguments by now.
    std::string pdfFolder;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--pdf-folder") && i + 1 < args.size()) {
            pdfFolder = args[++i].toStdString();
        } else if (args[i] == QStringLiteral("--help") || args[i] == QStringLiteral("-h")) {
            std::printf("usage: bridgeprint-kiosk [--pdf-folder DIR]\n"
                        "  --pdf-folder DIR  print each scorecard as its own PDF file in DIR\n");
            return 0;
        } else {
            std::fprintf(stderr, "bridgeprint-kiosk: unknown argument %s (try --help)\n",
                         args[i].toLocal8Bit().constData());
            return 2;
        }
    }
    // The kiosk names its faces as the tournament's printed material always
    // has; map them to the fonts installed here.
    InstallFontSubstitutions();
    // Page views print through the print job installed here.
    InstallPrintJob();
    KioskApp kiosk;
    if (!kiosk.InitInstance())
        return 0;
    kiosk.StartDurablePrinting(pdfFolder);
    return app.exec();
}
