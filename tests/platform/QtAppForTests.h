#pragma once
// Fonts, images and painters need an application object. Test binaries link
// gtest_main, so the first test that needs one creates it for the whole run.

#include <QApplication>

#include "platform/Fonts.h"

inline void EnsureQtApp()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "bp-tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own globals (input devices, print
    // support) may already be gone, and tearing the application down after
    // them crashes the test process once a test has sent input events or
    // opened a print dialog.
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
    InstallFontSubstitutions();
}
