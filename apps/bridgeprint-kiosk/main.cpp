// The self-print kiosk: one maximized frame hosting the self-print desktop.
//
//   bridgeprint-kiosk [--fullscreen] [--data-dir DIR] [--pdf-folder DIR]
//                     [--access-code-file FILE]
//
// The command line is read before the application object is made, so that
// --help and --version need no display. --pdf-folder DIR prints every
// scorecard as a PDF file of its own into DIR instead of on a printer (demos
// and tests without a printing system).

#include "foundation/AccessCodeCredential.h"
#include "foundation/DataFolderChoice.h"
#include "kiosk/KioskApp.h"
#include "kiosk/KioskOptions.h"
#include "platform/Fonts.h"
#include "platform/TouchStyle.h"
#include "platform/VirtualKeyboard.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const KioskOptions options = ParseKioskOptions(std::vector<std::string>(argv, argv + argc));
    switch (options.action) {
    case KioskOptions::Action::Help: std::fputs(KioskUsageText().c_str(), stdout); return 0;
    case KioskOptions::Action::Version: std::fputs(KioskVersionText().c_str(), stdout); return 0;
    case KioskOptions::Action::Refuse: std::fprintf(stderr, "%s\n", options.error.c_str()); return 2;
    case KioskOptions::Action::Run: break;
    }

    // Where settings, spool and journal live is settled before anything reads
    // or writes them. A folder that cannot be written is reported, on the
    // terminal now and on screen once the window is up, but the kiosk still
    // starts: it can print, and the person at it learns what to fix.
    const DataFolderChoice data = ChooseDataFolder(DataFolderRequestOfThisRun(options.dataDir));
    UseDataFolder(data.folder);
    if (!data.usable)
        std::fprintf(stderr, "bridgeprint-kiosk: %s; settings and print records will not be kept\n",
                     data.problem.c_str());

    // The application object keeps referring to its arguments: they live as
    // long as main does.
    std::vector<std::string> toolkitArgs = options.toolkitArgs;
    std::vector<char*> toolkitArgv;
    for (std::string& arg : toolkitArgs)
        toolkitArgv.push_back(arg.data());
    toolkitArgv.push_back(nullptr);
    int toolkitArgc = static_cast<int>(toolkitArgs.size());
    // The kiosk PC has a touch screen and no keyboard: the virtual keyboard
    // runs inside the kiosk (no session bus, any display server). The input
    // method is read when the application object is made.
    ChooseVirtualKeyboard();
    QApplication app(toolkitArgc, toolkitArgv.data());
    // Menus, buttons, fields and list rows a fingertip can hit.
    InstallTouchStyle();
    // The keyboard covers the lower half of the screen; the field being
    // filled moves up out of its way.
    InstallKeyboardAvoidance();

    // The kiosk names its faces as the tournament's printed material always
    // has; map them to the fonts installed here.
    InstallFontSubstitutions();
    KioskApp kiosk;
    if (!kiosk.InitInstance())
        return 0;
    kiosk.StartDurablePrinting(options.pdfFolder);
    // With the access code at hand the kiosk puts itself back in service;
    // without it the screen says it waits for the director. A file named on
    // the command line is one a person made, and must be private to the
    // kiosk's user; the service manager's credential is private by design.
    const AccessCodeCredential credential = ReadAccessCodeCredential(
        AccessCodeCredentialPath(options.accessCodeFile, std::getenv("CREDENTIALS_DIRECTORY")),
        !options.accessCodeFile.empty());
    if (!credential.problem.empty())
        std::fprintf(stderr, "bridgeprint-kiosk: the access code is not used: %s; waiting for the director\n",
                     credential.problem.c_str());
    if (credential.Usable())
        kiosk.StartUnattended(credential.code);
    if (!data.usable)
        QTimer::singleShot(0, &app, [&kiosk, &data] { kiosk.ReportUnusableDataFolder(data.folder); });
    // Once the window is up, the same way the menu's Full screen goes.
    if (options.fullScreen)
        QTimer::singleShot(0, &app, [&kiosk] { kiosk.EnterFullScreen(); });
    return app.exec();
}
