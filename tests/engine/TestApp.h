#pragma once
// A QCoreApplication for the tests that deliver posted events. One instance
// per test program, created on first use and kept to the end.

#include <QCoreApplication>

inline QCoreApplication* EnsureTestApp() {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "engine_tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication* pApp = new QCoreApplication(argc, argv);
        return pApp;
    }
    return QCoreApplication::instance();
}
