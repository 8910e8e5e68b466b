// The main of every test program that draws, opens windows or prints: fonts,
// images, painters and widgets need an application object, so one is made
// here before any test runs, on the offscreen platform unless the caller
// chose another, with the font substitutions every kiosk program installs.

#include "platform/Fonts.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    // Never destroyed: at exit Qt's own globals (input devices, print
    // support) may already be gone, and tearing the application down after
    // them crashes the test process once a test has sent input events or
    // opened a print dialog. It keeps a reference to its argument count, so
    // that count lives as long as it does.
    static int appArgc = argc;
    new QApplication(appArgc, argv);
    InstallFontSubstitutions();
    return RUN_ALL_TESTS();
}
