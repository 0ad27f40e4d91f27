#pragma once

#include <QApplication>

namespace kinetta::test
{

// The one widget application of a test binary, made on first use and kept
// to the end (offscreen, as the test environment sets it).
inline QApplication& widgetApplication()
{
    static int argc = 3;
    static char name[] = "permissions_tests";
    static char first[] = "--first";
    static char second[] = "two words";
    static char* argv[] = {name, first, second, nullptr};
    static QApplication app(argc, argv);
    return app;
}

} // namespace kinetta::test
