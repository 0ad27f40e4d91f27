#pragma once

#include "app/AsyncScreenRecorder.h"
#include "app/FlowTestDoubles.h"
#include "app/RecordingFlow.h"
#include "app/ThreadedGifEncoder.h"
#include "gif/GifTestDecoder.h"
#include "model/QtScheduler.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/common/Announcer.h"
#include "ui/selection/AreaOverlay.h"

#include <QPoint>
#include <QRect>
#include <QStandardPaths>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>

class QApplication;

namespace kinetta::testing
{
class TestClient;
}

namespace kinetta::test
{

class SilentAnnouncer final : public Announcer
{
public:
    void announceFrom(QObject* /*source*/, const QString& /*text*/, int /*priority*/) override {}
};

// The area overlay wired to a real flow, recorder and encoder on the X
// display the application runs on, as the tray program wires them: area mode,
// no countdown, auto-copy into a fake clipboard, 10 frames a second at full
// scale, no cursor.
class AreaRecordingRig
{
public:
    AreaRecordingRig();

    // Opens the overlay the way the flow asks for it; false when it did not show.
    [[nodiscard]] bool open();
    // Presses at one point of the root window (device pixels), moves and
    // releases at another, through xdotool.
    [[nodiscard]] static bool drag(QPoint from, QPoint to);
    // Waits for the recording to run, records half a second and decodes the
    // GIF delivered.
    [[nodiscard]] std::optional<gif::testing::DecodedGif> recordHalfASecond();

    RecordingSession session;
    QtScheduler scheduler;
    RecordingPort port;
    AsyncScreenRecorder recorder;
    ThreadedGifEncoder encoder;
    FakeDelivery delivery;
    RecordingFlow flow{{session, scheduler, port, recorder, encoder, delivery}};
    VirtualScheduler overlayScheduler;
    SilentAnnouncer announcer;
    AreaOverlay overlay;
};

// What an X test binary keeps for its cases: the application on the test's
// own X display (through the xcb platform, with real capture) and a window
// showing the quadrant test card at a place of the root window.
class CardDesktop
{
public:
    CardDesktop(const std::string& display, const char* binaryName, QRect card);
    ~CardDesktop();
    CardDesktop(const CardDesktop&) = delete;
    CardDesktop& operator=(const CardDesktop&) = delete;

private:
    std::unique_ptr<QApplication> m_application;
    std::unique_ptr<testing::TestClient> m_client;
};

// The cases of an X test binary share one server and one desktop, set up by
// the suite; every case is skipped with the reason when they could not be.
template <typename Server> class CardDesktopTest : public ::testing::Test
{
protected:
    // Starts a 640 × 480 server with the card desktop on it, or keeps the
    // reason why not for every case to skip with.
    static void startCardDesktop(const char* binaryName, QRect card)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            s_unavailable = "xdotool is not installed";
            return;
        }
        s_server = std::make_unique<Server>(640, 480);
        if (!s_server->running()) {
            s_unavailable = "Xvfb did not start";
            return;
        }
        s_desktop = std::make_unique<CardDesktop>(s_server->display(), binaryName, card);
    }
    static void TearDownTestSuite()
    {
        s_desktop.reset();
        s_server.reset();
    }
    void SetUp() override
    {
        if (!s_unavailable.empty())
            GTEST_SKIP() << s_unavailable;
    }

    static inline std::unique_ptr<Server> s_server;
    static inline std::unique_ptr<CardDesktop> s_desktop;
    static inline std::string s_unavailable;
};

[[nodiscard]] bool runXdotool(const QStringList& arguments);
// Runs the event loop for this long.
void runEventsFor(int milliseconds);

} // namespace kinetta::test
