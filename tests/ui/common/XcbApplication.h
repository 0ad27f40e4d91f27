#pragma once

#include <QApplication>
#include <memory>
#include <string>

namespace kinetta::test
{

// This program's QApplication on the X server at display (a private Xvfb or
// Xorg of the test's own), through Qt's xcb platform. One per binary: make it
// in SetUpTestSuite, after the server runs.
inline std::unique_ptr<QApplication> openXcbApplication(const std::string& display,
                                                        const char* programName)
{
    qputenv("DISPLAY", QByteArray::fromStdString(display));
    qputenv("QT_QPA_PLATFORM", "xcb");
    // QApplication keeps argc and argv for its whole life.
    static int argc = 1;
    static std::string name;
    name = programName;
    static char* argv[] = {name.data(), nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

} // namespace kinetta::test
