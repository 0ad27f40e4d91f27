// The area overlay on a real X server, wired to a real flow and recorder: a
// drag made with xdotool records exactly the rectangle drawn, with and
// without a compositing manager, and the dimmed overlay shows the screen
// beneath it either way.

#include "app/AsyncScreenRecorder.h"
#include "app/FlowTestDoubles.h"
#include "app/ProcessUntil.h"
#include "app/RecordingFlow.h"
#include "app/ThreadedGifEncoder.h"
#include "capture/CaptureBackend.h"
#include "capture/ScreenRecorder.h"
#include "capture/TestClient.h"
#include "capture/XvfbServer.h"
#include "capture/x11/X11CaptureSource.h"
#include "gif/GifTestDecoder.h"
#include "model/QtScheduler.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/common/Announcer.h"
#include "ui/selection/AreaOverlay.h"
#include "ui/selection/AreaSelectorView.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>

using namespace kinetta;
using kinetta::test::processUntil;
using kinetta::testing::quadrantCard;
using kinetta::testing::quadrantCardColour;

namespace
{

// The test card's place on the screen, and the drag made over it.
constexpr int kCardX = 100, kCardY = 80, kCardWidth = 240, kCardHeight = 160;
const QRectF kDrawn(140, 110, 160, 100);

class SilentAnnouncer final : public Announcer
{
public:
    void announceFrom(QObject* /*source*/, const QString& /*text*/, int /*priority*/) override {}
};

bool runXdotool(const QStringList& arguments)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    return processUntil([&] { return xdotool.state() == QProcess::NotRunning; }) &&
           xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

void wait(int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    processUntil([&] { return deadline.hasExpired(); });
}

class AreaOverlayX11Test : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            s_unavailable = "xdotool is not installed";
            return;
        }
        s_server = std::make_unique<kinetta::testing::XvfbServer>(640, 480);
        if (!s_server->running()) {
            s_unavailable = "Xvfb did not start";
            return;
        }
        qputenv("DISPLAY", QByteArray::fromStdString(s_server->display()));
        qputenv("QT_QPA_PLATFORM", "xcb");
        qunsetenv("KINETTA_CAPTURE");
        static int argc = 1;
        static char name[] = "area_overlay_x11_tests";
        static char* argv[] = {name, nullptr};
        s_app = std::make_unique<QApplication>(argc, argv);
        s_client = std::make_unique<kinetta::testing::TestClient>(s_server->display());
        s_client->createWindow(
            {.x = kCardX, .y = kCardY, .width = kCardWidth, .height = kCardHeight},
            quadrantCard(kCardWidth, kCardHeight));
    }
    static void TearDownTestSuite()
    {
        s_client.reset();
        s_app.reset();
        s_server.reset();
    }

    void SetUp() override
    {
        if (!s_unavailable.empty())
            GTEST_SKIP() << s_unavailable;
        session.setCaptureMode(CaptureMode::area);
        session.setUseCountdown(false);
        session.setAutoCopy(true);
        session.setFps(10);
        session.setScale(1.0);
        session.setShowCursor(false);
    }

    // Opens the overlay as the flow asks, drags over the card, and records
    // half a second; the GIF delivered.
    std::optional<gif::testing::DecodedGif> dragAndRecord()
    {
        flow.initiateRecording();
        EXPECT_EQ(port.count("showAreaOverlay"), 1);
        if (!overlay.show())
            return std::nullopt;
        AreaSelectorView* view = overlay.view();
        if (!QTest::qWaitForWindowExposed(view))
            return std::nullopt;
        EXPECT_TRUE(showsDimmedCard()) << "the overlay hides the screen beneath it";
        const QStringList drag = {
            QStringLiteral("mousemove"), QString::number(kDrawn.right()),
            QString::number(kDrawn.bottom()), QStringLiteral("mousedown"), QStringLiteral("1"),
            QStringLiteral("mousemove"), QStringLiteral("220"), QStringLiteral("160"),
            QStringLiteral("mousemove"), QString::number(kDrawn.left()),
            QString::number(kDrawn.top()), QStringLiteral("mouseup"), QStringLiteral("1")};
        if (!runXdotool(drag))
            return std::nullopt;
        return recordHalfASecond();
    }

    std::optional<gif::testing::DecodedGif> recordHalfASecond()
    {
        if (!processUntil([&] { return flow.phase() == RecordingFlow::Phase::recording; }))
            return std::nullopt;
        wait(500);
        const std::size_t delivered = delivery.copied.size() + delivery.saved.size();
        flow.stopRecording();
        if (!processUntil([&] {
                return delivery.copied.size() + delivery.saved.size() > delivered &&
                       flow.phase() == RecordingFlow::Phase::idle;
            }))
            return std::nullopt;
        const QByteArray& bytes =
            delivery.saved.empty() ? delivery.copied.back() : delivery.saved.back();
        return gif::testing::decodeGif(std::span(
            reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size()));
    }

    // The root window as the user sees it shows the card at 45 % under the
    // dimming, not black. With KINETTA_AREA_ROOT_SHOTS naming a folder, the
    // root window is saved there as <shotName>.png to look at.
    bool showsDimmedCard()
    {
        QImage root;
        const bool dimmed = processUntil([&] {
            root = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
            const QColor red = root.pixelColor(kCardX + 10, kCardY + 10);
            return std::abs(red.red() - 255 * 0.45) <= 3 && red.green() <= 3 && red.blue() <= 3;
        });
        const QString folder = qEnvironmentVariable("KINETTA_AREA_ROOT_SHOTS");
        if (!folder.isEmpty() && !shotName.isEmpty())
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
                        0xff000000u | quadrantCardColour(kCardWidth, kCardHeight,
                                                         x + int(kDrawn.x()) - kCardX,
                                                         y + int(kDrawn.y()) - kCardY);
                    wrong += image.canvas[std::size_t(y) * decoded.width + x] != expected;
                }
            EXPECT_EQ(wrong, 0);
        }
    }

    QString shotName;

    static inline std::unique_ptr<kinetta::testing::XvfbServer> s_server;
    static inline std::unique_ptr<QApplication> s_app;
    static inline std::unique_ptr<kinetta::testing::TestClient> s_client;
    static inline std::string s_unavailable;

    RecordingSession session;
    QtScheduler scheduler;
    test::RecordingPort port;
    // A pid of nobody's, so that the card (a window of this process) is recorded.
    AsyncScreenRecorder recorder{std::make_unique<ScreenRecorder>(
        std::make_shared<x11::X11CaptureSource>(), FrameStore::optionsFromEnvironment(),
        ScreenRecorder::Clock{}, 1)};
    ThreadedGifEncoder encoder;
    test::FakeDelivery delivery;
    RecordingFlow flow{{session, scheduler, port, recorder, encoder, delivery}};
    VirtualScheduler overlayScheduler;
    SilentAnnouncer announcer;
    AreaOverlay overlay{{overlayScheduler, announcer, session,
                         [this](QRectF area, ScreenPlacement screen) {
                             flow.beginRecording(area, screen);
                         },
                         translucentWindowsShowBeneath, false}};
};

TEST_F(AreaOverlayX11Test, DragRecordsThatRectangleWithoutACompositor)
{
    ASSERT_FALSE(translucentWindowsShowBeneath());
    shotName = QStringLiteral("area-root-without-compositor");
    const auto recorded = dragAndRecord();
    ASSERT_TRUE(recorded);
    expectDrawnPartOfCard(*recorded);
    EXPECT_EQ(session.selectedRect(), kDrawn);
    ASSERT_TRUE(session.selectedScreen());
    EXPECT_EQ(session.selectedScreen()->deviceGeometry, QRect(0, 0, 640, 480));

    // The last area, used again from the session, records the same place.
    flow.beginRecording();
    const auto again = recordHalfASecond();
    ASSERT_TRUE(again);
    expectDrawnPartOfCard(*again);
}

TEST_F(AreaOverlayX11Test, DragRecordsThatRectangleUnderACompositor)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xcompmgr")).isEmpty())
        GTEST_SKIP() << "xcompmgr is not installed";
    QProcess compositor;
    compositor.start(QStringLiteral("xcompmgr"), {});
    ASSERT_TRUE(processUntil([] { return translucentWindowsShowBeneath(); }))
        << "xcompmgr did not take the compositing selection";
    shotName = QStringLiteral("area-root-with-compositor");
    const auto recorded = dragAndRecord();
    compositor.terminate();
    compositor.waitForFinished(5000);
    ASSERT_TRUE(recorded);
    expectDrawnPartOfCard(*recorded);
}

} // namespace
