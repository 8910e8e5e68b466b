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
    static QApplication app(argc, argv);
    InstallFontSubstitutions();
}
