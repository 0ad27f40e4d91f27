// The preview window opened on a recording made by the real recorder on a
// private X server: a trim made on the trim bar, applied with Ctrl+Return and
// saved with S writes a GIF of exactly the kept frames, showing the window
// that was recorded.

#include "PreviewTestDoubles.h"
#include "SaveWithKey.h"
#include "app/AtomicFileWriter.h"
#include "app/ProcessUntil.h"
#include "capture/TestClient.h"
#include "capture/XvfbServer.h"
#include "ui/preview/DragOutFiles.h"
#include "ui/preview/PreviewActions.h"
#include "ui/preview/PreviewModel.h"
#include "ui/preview/PreviewView.h"
#include "ui/preview/PreviewWindow.h"
#include "ui/preview/TrimBar.h"
#include "ui/selection/AreaRecordingRig.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace kinetta;

namespace
{

constexpr int kCardX = 100, kCardY = 80, kCardWidth = 240, kCardHeight = 160;
// Inside the card's top-left quadrant, which is one colour.
const QRect kDrawn(110, 90, 100, 60);

// Drags on the trim bar from one frame's place to another's.
void dragOnTrimBar(TrimBar& bar, int fromFrame, int toFrame)
{
    const TrimBarGeometry geometry = bar.geometryNow();
    const int y = bar.height() / 2;
    const QPoint from(qRound(geometry.x(fromFrame)), y);
    const QPoint to(qRound(geometry.x(toFrame)), y);
    QTest::mousePress(&bar, Qt::LeftButton, {}, from);
    QTest::mouseMove(&bar, (from + to) / 2);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, to);
}

class PreviewRecordingX11Test : public test::CardDesktopTest<kinetta::testing::XvfbServer>
{
protected:
    static void SetUpTestSuite()
    {
        startCardDesktop("preview_recording_x11_tests",
                         QRect(kCardX, kCardY, kCardWidth, kCardHeight));
    }
};

TEST_F(PreviewRecordingX11Test, ATrimOfARealRecordingSavesTheKeptFramesOfTheRecordedWindow)
{
    test::AreaRecordingRig rig;
    ASSERT_TRUE(rig.open());
    ASSERT_TRUE(
        test::AreaRecordingRig::drag(kDrawn.bottomRight() + QPoint(1, 1), kDrawn.topLeft()));
    ASSERT_TRUE(rig.recordHalfASecond());
    const int recorded = int(rig.session.capturedFrames().size());
    ASSERT_GE(recorded, 4) << "too few frames recorded to trim both ends";

    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    test::RecordingAnnouncer announcer;
    AtomicFileWriter writer;
    DragOutFiles dragFiles(temp.filePath(QStringLiteral("drag")), writer);
    PreviewWindow window(rig.session, {rig.scheduler, rig.encoder, announcer, rig.delivery, writer,
                                       dragFiles, false});
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    PreviewModel& model = window.view()->model();
    const auto encoded = [&] {
        return test::processUntil(
            [&] { return !model.isEncoding() && model.gifData().has_value(); });
    };
    ASSERT_TRUE(encoded());

    TrimBar& bar = *window.view()->trimBar();
    ASSERT_EQ(bar.frameCount(), recorded);
    dragOnTrimBar(bar, 0, 1);
    dragOnTrimBar(bar, recorded - 1, recorded - 2);
    ASSERT_EQ(model.trimStart(), 1);
    ASSERT_EQ(model.trimEnd(), recorded - 2);
    QTest::keyClick(&window, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(encoded());

    const auto decoded = test::saveWithKey(window, temp.filePath(QStringLiteral("trimmed.gif")));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->images.size(), std::size_t(recorded - 2));
    ASSERT_EQ(decoded->width, kDrawn.width());
    ASSERT_EQ(decoded->height, kDrawn.height());
    const std::uint32_t cardColour =
        0xff000000u |
        kinetta::testing::quadrantCardColour(kCardWidth, kCardHeight, kDrawn.x() - kCardX + 5,
                                             kDrawn.y() - kCardY + 5);
    for (const auto& image : decoded->images) {
        const auto other = std::count_if(image.canvas.begin(), image.canvas.end(),
                                         [&](std::uint32_t pixel) { return pixel != cardColour; });
        EXPECT_EQ(other, 0) << "pixels not of the recorded window";
    }
    EXPECT_EQ(window.actions().toastMessage(), QStringLiteral("Saved!"));
}

} // namespace
