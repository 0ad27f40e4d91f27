// The picture an area is drawn on where the portal chooses the monitor: the
// shared monitor's current picture, pixel-exact, and the recording that
// follows runs in the same portal session, without asking again.
#include "capture/portal/CollectingOutput.h"
#include "capture/portal/PortalCaptureSource.h"
#include "capture/portal/PortalRig.h"
#include "capture/portal/TestVideoSource.h"
#include "model/MemoryPreferencesStore.h"

#include <QCoreApplication>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace kinetta::portal
{
namespace
{

using testing::CollectingOutput;
using testing::PortalRig;
using testing::TestVideoSource;

const QSize kMonitor(120, 80);

std::vector<std::uint32_t> pixelsOf(const QImage& image)
{
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        pixels.insert(pixels.end(), row, row + image.width());
    }
    return pixels;
}

TEST(PortalDisplayStill, IsTheMonitorsPictureAndTheRecordingKeepsItsSession)
{
    static int argc = 1;
    static char name[] = "portal_capture_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
    if (const QString missing = PortalRig::missingTools(true); !missing.isEmpty())
        GTEST_SKIP() << "needs " << missing.toStdString();
    PortalRig rig;
    ASSERT_TRUE(rig.problem().isEmpty()) << rig.problem().toStdString();
    TestVideoSource monitor(rig.connectPipeWire(), kMonitor);
    ASSERT_NE(monitor.node(), 0u);
    rig.setStream(monitor.node(), kMonitor.width(), kMonitor.height(), 40, 0);
    PortalCaptureSource capture(rig.bus(), std::make_shared<MemoryPreferencesStore>(),
                                std::chrono::seconds(10));

    // The picture is taken while the test's monitor keeps showing picture 4,
    // as a compositor sends a picture when a stream starts.
    std::optional<CaptureResult<DisplayStill>> still;
    std::atomic<bool> done = false;
    std::thread taking([&] {
        still = capture.displayStill(false);
        done = true;
    });
    while (!done) {
        monitor.show(4);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    taking.join();
    ASSERT_TRUE(still.has_value());
    ASSERT_TRUE(still->ok()) << still->error().message.toStdString();
    EXPECT_EQ(still->value().display.frame, QRect(QPoint(40, 0), kMonitor));
    EXPECT_EQ(pixelsOf(still->value().image), TestVideoSource::picture(4, kMonitor));
    EXPECT_EQ(rig.lastOptions(QStringLiteral("SelectSources")).value("cursor_mode").toUInt(), 1u);

    // The recording with the same cursor choice takes that session over.
    CollectingOutput output;
    StreamConfiguration configuration;
    configuration.frameRate = 30;
    configuration.outputSize = QSize(40, 20);
    configuration.showsCursor = false;
    configuration.sourceRect = QRectF(10, 10, 40, 20);
    auto stream = capture.startStream(configuration, output);
    ASSERT_TRUE(stream.ok()) << stream.error().message.toStdString();
    EXPECT_EQ(rig.callCount(QStringLiteral("Start")), 1u);
    bool arrived = false;
    for (int attempt = 0; attempt < 50 && !arrived; ++attempt) {
        monitor.show(5);
        arrived = output.waitFor([](auto& images, auto&) { return !images.empty(); },
                                 std::chrono::milliseconds(200));
    }
    EXPECT_TRUE(arrived);
    stream.value()->stop();
}

} // namespace
} // namespace kinetta::portal
