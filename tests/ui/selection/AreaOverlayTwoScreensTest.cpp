// The area overlay on the second of two screens, that screen with two device
// pixels per point: the area recorded is exactly the area drawn there, not
// the same rectangle on the first screen. Needs Xorg with the dummy driver
// (as root); skipped with the reason where it cannot start.

#include "app/ProcessUntil.h"
#include "capture/TestClient.h"
#include "ui/selection/AreaRecordingRig.h"
#include "ui/selection/AreaSelectorView.h"
#include "ui/selection/DummyXorgServer.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <memory>

using namespace kinetta;
using kinetta::test::processUntil;
using kinetta::testing::quadrantCardColour;

namespace
{

// The second screen starts at x 800 in the root window, 1024 x 768 device
// pixels, 512 x 384 points.
constexpr int kSecondX = 800;
// The card on the second screen, in root-window device pixels.
constexpr int kCardX = kSecondX + 100, kCardY = 80, kCardWidth = 240, kCardHeight = 160;
// The area drawn, in the second screen's points, and the same in device pixels.
const QRectF kDrawnPoints(70, 55, 80, 50);
const QRect kDrawnDevice(kSecondX + 140, 110, 160, 100);

class AreaOverlayTwoScreensTest : public test::CardDesktopTest<kinetta::testing::DummyXorgServer>
{
protected:
    static void SetUpTestSuite()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xrandr")).isEmpty()) {
            s_unavailable = "xdotool or xrandr is not installed";
            return;
        }
        s_server = std::make_unique<kinetta::testing::DummyXorgServer>(800, 600, 1024, 768);
        if (!s_server->running()) {
            s_unavailable = s_server->failure();
            return;
        }
        qputenv("QT_SCREEN_SCALE_FACTORS", "DUMMY0=1;DUMMY1=2");
        s_desktop = std::make_unique<test::CardDesktop>(
            s_server->display(), "area_overlay_two_screens_tests",
            QRect(kCardX, kCardY, kCardWidth, kCardHeight));
        if (QGuiApplication::screens().size() != 2)
            s_unavailable = "Qt sees " + std::to_string(QGuiApplication::screens().size()) +
                            " screens on the dummy X server, not 2";
    }
};

TEST_F(AreaOverlayTwoScreensTest, AreaDrawnOnTheSecondScreenIsRecordedThere)
{
    QScreen* second = QGuiApplication::screens().at(1);
    ASSERT_EQ(second->geometry(), QRect(kSecondX, 0, 512, 384));
    ASSERT_EQ(second->devicePixelRatio(), 2);

    // The overlay opens on the screen under the pointer.
    ASSERT_TRUE(test::runXdotool(
        {QStringLiteral("mousemove"), QStringLiteral("1300"), QStringLiteral("500")}));
    ASSERT_TRUE(processUntil([&] { return QGuiApplication::screenAt(QCursor::pos()) == second; }));
    test::AreaRecordingRig rig;
    ASSERT_TRUE(rig.open());
    EXPECT_EQ(rig.overlay.view()->screen(), second);
    EXPECT_EQ(rig.overlay.view()->geometry(), second->geometry());

    ASSERT_TRUE(test::AreaRecordingRig::drag(
        kDrawnDevice.topLeft(),
        kDrawnDevice.topLeft() + QPoint(kDrawnDevice.width(), kDrawnDevice.height())));
    const auto recorded = rig.recordHalfASecond();
    ASSERT_TRUE(recorded);
    EXPECT_EQ(rig.session.selectedRect(), kDrawnPoints);
    EXPECT_EQ(rig.session.selectedScreen(), (ScreenPlacement{QRect(kSecondX, 0, 1024, 768), 2}));

    // Points times scale: 80 x 50, each pixel the mean of two by two device
    // pixels of the card.
    ASSERT_EQ(recorded->width, 80);
    ASSERT_EQ(recorded->height, 50);
    ASSERT_FALSE(recorded->images.empty());
    const auto channel = [](std::uint32_t colour, int shift) {
        return int(colour >> shift) & 0xff;
    };
    for (const auto& image : recorded->images) {
        int wrong = 0;
        for (int y = 0; y < recorded->height; ++y)
            for (int x = 0; x < recorded->width; ++x) {
                const std::uint32_t got = image.canvas[std::size_t(y) * recorded->width + x];
                for (const int shift : {0, 8, 16}) {
                    int sum = 0;
                    for (int dy = 0; dy < 2; ++dy)
                        for (int dx = 0; dx < 2; ++dx)
                            sum +=
                                channel(quadrantCardColour(kCardWidth, kCardHeight,
                                                           kDrawnDevice.x() - kCardX + 2 * x + dx,
                                                           kDrawnDevice.y() - kCardY + 2 * y + dy),
                                        shift);
                    wrong += std::abs(channel(got, shift) - sum / 4) > 4;
                }
            }
        EXPECT_EQ(wrong, 0);
    }
}

} // namespace
