#pragma once

#include "capture/XvfbServer.h"

#include <QApplication>
#include <gtest/gtest.h>
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

// A suite whose cases share one private Xvfb and the application on it; its
// cases skip where the server cannot start. A suite calls openDisplay from
// its SetUpTestSuite.
class XcbSuite : public ::testing::Test
{
protected:
    static void openDisplay(const char* programName, int width = 640, int height = 480)
    {
        s_display = std::make_unique<kinetta::testing::XvfbServer>(width, height);
        if (s_display->running())
            s_app = openXcbApplication(s_display->display(), programName);
    }

    static void TearDownTestSuite()
    {
        s_app.reset();
        s_display.reset();
    }

    void SetUp() override
    {
        if (!s_app)
            GTEST_SKIP() << "Xvfb did not start";
    }

    static inline std::unique_ptr<kinetta::testing::XvfbServer> s_display;
    static inline std::unique_ptr<QApplication> s_app;
};

} // namespace kinetta::test
