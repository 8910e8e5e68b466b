#pragma once
// One QApplication per test process, made on first use (tests run on the
// offscreen platform).

#include <QApplication>

#include <cstdlib>

inline QApplication& EnsureQtApp()
{
    static int argc = 1;
    static char name[] = "bridgeprint-tests";
    static char* argv[] = {name, nullptr};
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}
