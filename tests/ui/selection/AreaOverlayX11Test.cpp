// The area overlay on a real X server, wired to a real flow and recorder: a
// drag made with xdotool records exactly the rectangle drawn, with and
// without a compositing manager, and the dimmed overlay shows the screen
// beneath it either way.

#include "app/ProcessUntil.h"
#include "capture/Compositing.h"
#include "capture/TestClient.h"
#include "capture/XvfbServer.h"
#include "ui/selection/AreaRecordingRig.h"
#include "ui/selection/AreaSelectorView.h"

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>

using namespace kinetta;
using kinetta::test::processUntil;
using kinetta::testing::quadrantCardColour;

namespace
{

// The test card's place on the screen, and the area drawn over it.
constexpr int kCardX = 100, kCardY = 80, kCardWidth = 240, kCardHeight = 160;
const QRect kDrawn(140, 110, 160, 100);

class AreaOverlayX11Test : public test::CardDesktopTest<kinetta::testing::XvfbServer>
{
protected:
    static void SetUpTestSuite()
    {
        startCardDesktop("area_overlay_x11_tests", QRect(kCardX, kCardY, kCardWidth, kCardHeight));
    }

    void SetUp() override
    {
        CardDesktopTest::SetUp();
        if (!IsSkipped())
            rig = std::make_unique<test::AreaRecordingRig>();
    }

    // Opens the overlay, checks that it shows the screen beneath, drags over
    // the card from the bottom right to the top left, and records.
    std::optional<gif::testing::DecodedGif> dragAndRecord(const QString& shotName)
    {
        if (!rig->open())
            return std::nullopt;
        EXPECT_TRUE(showsDimmedCard(shotName)) << "the overlay hides the screen beneath it";
        if (!test::AreaRecordingRig::drag(
                kDrawn.topLeft() + QPoint(kDrawn.width(), kDrawn.height()), kDrawn.topLeft()))
            return std::nullopt;
        return rig->recordHalfASecond();
    }

    // The root window as the user sees it shows the card at 45 % under the
    // dimming, not black. With KINETTA_AREA_ROOT_SHOTS naming a folder, the
    // root window is saved there as <shotName>.png to look at.
    static bool showsDimmedCard(const QString& shotName)
    {
        QImage root;
        const bool dimmed = processUntil([&] {
            root = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
            const QColor red = root.pixelColor(kCardX + 10, kCardY + 10);
            return std::abs(red.red() - 255 * 0.45) <= 3 && red.green() <= 3 && red.blue() <= 3;
        });
        const QString folder = qEnvironmentVariable("KINETTA_AREA_ROOT_SHOTS");
        if (!folder.isEmpty())
            root.save(folder + QLatin1Char('/') + shotName + QStringLiteral(".png"));
        return dimmed;
    }

    // Every frame shows exactly the part of the card that was drawn over.
    static void expectDrawnPartOfCard(const gif::testing::DecodedGif& decoded)
    {
        ASSERT_EQ(decoded.width, kDrawn.width());
        ASSERT_EQ(decoded.height, kDrawn.height());
        ASSERT_FALSE(decoded.images.empty());
        for (const auto& image : decoded.images) {
            int wrong = 0;
            for (int y = 0; y < decoded.height; ++y)
                for (int x = 0; x < decoded.width; ++x) {
                    const std::uint32_t expected =
                        0xff000000u |
                        quadrantCardColour(kCardWidth, kCardHeight, x + kDrawn.x() - kCardX,
                                           y + kDrawn.y() - kCardY);
                    wrong += image.canvas[std::size_t(y) * decoded.width + x] != expected;
                }
            EXPECT_EQ(wrong, 0);
        }
    }

    std::unique_ptr<test::AreaRecordingRig> rig;
};

TEST_F(AreaOverlayX11Test, DragRecordsThatRectangleWithoutACompositor)
{
    ASSERT_FALSE(compositingManagerRunning());
    const auto recorded = dragAndRecord(QStringLiteral("area-root-without-compositor"));
    ASSERT_TRUE(recorded);
    expectDrawnPartOfCard(*recorded);
    EXPECT_EQ(rig->session.selectedRect(), QRectF(kDrawn));
    ASSERT_TRUE(rig->session.selectedScreen());
    EXPECT_EQ(rig->session.selectedScreen()->deviceGeometry, QRect(0, 0, 640, 480));

    // The last area, used again from the session, records the same place.
    rig->flow.beginRecording();
    const auto again = rig->recordHalfASecond();
    ASSERT_TRUE(again);
    expectDrawnPartOfCard(*again);
}

TEST_F(AreaOverlayX11Test, DragRecordsThatRectangleUnderACompositor)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xcompmgr")).isEmpty())
        GTEST_SKIP() << "xcompmgr is not installed";
    QProcess compositor;
    compositor.start(QStringLiteral("xcompmgr"), {});
    ASSERT_TRUE(processUntil([] { return compositingManagerRunning(); }))
        << "xcompmgr did not take the compositing selection";
    const auto recorded = dragAndRecord(QStringLiteral("area-root-with-compositor"));
    compositor.terminate();
    compositor.waitForFinished(5000);
    ASSERT_TRUE(recorded);
    expectDrawnPartOfCard(*recorded);
}

// The overlay takes the keyboard itself (the window manager is bypassed):
// an arrow key makes the centred rectangle, Return records it, Escape closes.
TEST_F(AreaOverlayX11Test, KeysReachTheOverlayToRecordOrCancel)
{
    const auto openWithFocus = [&] {
        return rig->open() && processUntil([&] {
                   return QGuiApplication::focusWindow() == rig->overlay.view()->windowHandle();
               });
    };
    ASSERT_TRUE(openWithFocus());
    ASSERT_TRUE(test::runXdotool(
        {QStringLiteral("key"), QStringLiteral("Right"), QStringLiteral("Return")}));
    const auto recorded = rig->recordHalfASecond();
    ASSERT_TRUE(recorded);
    // 70 % of 640 x 480, centred.
    const QRect expected(96, 72, 448, 336);
    EXPECT_EQ(rig->session.selectedRect(), QRectF(expected));
    ASSERT_EQ(recorded->width, expected.width());
    ASSERT_EQ(recorded->height, expected.height());
    const auto& canvas = recorded->images.back().canvas;
    for (const QPoint at : {QPoint(kCardX + 5, kCardY + 5), QPoint(kCardX + 200, kCardY + 20),
                            QPoint(kCardX + 20, kCardY + 150)})
        EXPECT_EQ(
            canvas[std::size_t(at.y() - expected.y()) * expected.width() + at.x() - expected.x()],
            0xff000000u |
                quadrantCardColour(kCardWidth, kCardHeight, at.x() - kCardX, at.y() - kCardY));

    // Escape closes the overlay; nothing starts and the last area stays.
    const std::size_t requests = rig->delivery.saved.size() + rig->delivery.copied.size();
    ASSERT_TRUE(openWithFocus());
    ASSERT_TRUE(test::runXdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
    ASSERT_TRUE(processUntil([&] { return rig->overlay.view() == nullptr; }));
    test::runEventsFor(200);
    EXPECT_EQ(rig->flow.phase(), RecordingFlow::Phase::idle);
    EXPECT_EQ(rig->delivery.saved.size() + rig->delivery.copied.size(), requests);
    EXPECT_EQ(rig->session.selectedRect(), QRectF(expected));
}

} // namespace
