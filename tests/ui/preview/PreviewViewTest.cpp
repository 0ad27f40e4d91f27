// The preview view joined up: the trim bar edits the model, the row applies
// and undoes the trim, the keys drive the player, the frame shown follows.
#include "ui/preview/PreviewView.h"

#include "PreviewTestDoubles.h"
#include "app/ProcessUntil.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/preview/PlaybackControls.h"
#include "ui/preview/SymbolButton.h"
#include "ui/preview/PreviewFrameView.h"
#include "ui/preview/TrimBar.h"

#include <QTest>
#include <gtest/gtest.h>

namespace kinetta::test
{
namespace
{

using namespace std::chrono_literals;

struct ViewFixture {
    explicit ViewFixture(int frames, bool reduceMotion)
    {
        session.setFps(10);
        session.setCapturedFrames(makeFrames(frames));
        view = std::make_unique<PreviewView>(session, scheduler, encoder, announcer, reduceMotion);
        view->resize(640, 480);
        view->show();
    }
    VirtualScheduler scheduler;
    VirtualEncoder encoder{scheduler};
    RecordingAnnouncer announcer;
    RecordingSession session;
    std::unique_ptr<PreviewView> view;
};

TEST(PreviewViewTest, TrimBarEditsApplyAndUndoThroughTheRowAndItsShortcuts)
{
    ViewFixture fixture(21, true);
    PreviewView& view = *fixture.view;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    EXPECT_EQ(fixture.encoder.started.size(), 1u);
    EXPECT_FALSE(view.model().player().isPlaying());
    EXPECT_EQ(view.controls()->statusText(), "Encoding…");
    fixture.scheduler.advance(50ms);
    EXPECT_EQ(view.controls()->statusText(), "Encoding… 50%");
    fixture.scheduler.advance(50ms);
    EXPECT_EQ(view.controls()->statusText(), "0 KB");

    TrimBar* bar = view.trimBar();
    const TrimBarGeometry geometry = bar->geometryNow();
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(2, 25));
    QTest::mouseMove(bar, QPoint(int(geometry.x(5)) + 1, 25));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(int(geometry.x(5)) + 1, 25));
    EXPECT_EQ(view.model().trimStart(), 5);
    EXPECT_EQ(view.model().player().currentFrame(), 5);
    EXPECT_EQ(bar->selection(), (TrimSelection{5, 20, 5}));
    EXPECT_EQ(view.controls()->frameText(), "Frame 1 / 16");
    EXPECT_EQ(view.controls()->timeText(), "0.0s / 1.6s");

    QTest::keyClick(&view, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(fixture.session.capturedFrames().size(), 16u);
    EXPECT_EQ(bar->frameCount(), 16);
    EXPECT_EQ(bar->selection(), (TrimSelection{0, 15, 0}));
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(fixture.session.capturedFrames().size(), 21u);
    EXPECT_EQ(
        fixture.announcer.texts().mid(1, 2),
        (QStringList{"Trim applied. 16 frames kept.", "Trim undone. All 21 frames restored."}));
}

TEST(PreviewViewTest, KeysDriveThePlayerAndTheFrameShownFollows)
{
    ViewFixture fixture(5, false);
    PreviewView& view = *fixture.view;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    EXPECT_TRUE(view.model().player().isPlaying());
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_FALSE(view.model().player().isPlaying());
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(view.model().player().currentFrame(), 2);
    // The time and frame count from the selection's start, spoken as one.
    EXPECT_EQ(view.controls()->timeText(), "0.2s / 0.5s");
    EXPECT_EQ(view.controls()->frameText(), "Frame 3 / 5");
    EXPECT_EQ(view.controls()->spokenTime(), "Frame 3 of 5, 0.2s of 0.5s");
    EXPECT_EQ(view.controls()->playButton()->accessibleName(), "Play GIF");
    ASSERT_TRUE(processUntil([&] { return view.frameView()->shownIndex() == 2; }));
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(view.model().player().currentFrame(), 1);

    // Hidden, the view stops playing and hears no keys.
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_TRUE(view.model().player().isPlaying());
    view.hide();
    EXPECT_FALSE(view.model().player().isPlaying());
}

// Frames decoded ahead come up within the call that asks for them; frames
// no longer wanted are not kept.
TEST(PreviewViewTest, FrameViewShowsFramesDecodedAheadAtOnce)
{
    PreviewFrameView view;
    view.resize(160, 120);
    view.setFrames(makeFrames(6));
    view.show();
    view.showFrame(0, {1, 2});
    ASSERT_TRUE(processUntil(
        [&] { return view.shownIndex() == 0 && view.isReady(1) && view.isReady(2); }));
    view.showFrame(1, {2});
    EXPECT_EQ(view.shownIndex(), 1);
    view.showFrame(2, {});
    EXPECT_EQ(view.shownIndex(), 2);
    EXPECT_FALSE(view.isReady(1));
    // Not decoded ahead: the frame before stays up until it arrives.
    view.showFrame(4, {});
    EXPECT_EQ(view.shownIndex(), 2);
    ASSERT_TRUE(processUntil([&] { return view.shownIndex() == 4; }));
}

} // namespace
} // namespace kinetta::test
