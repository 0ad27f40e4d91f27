// The preview's model on virtual time: playback, trimming, optimizing,
// bouncing and the encodes they start.
#include "ui/preview/PreviewModel.h"

#include "PreviewTestDoubles.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

namespace kinetta::test
{
namespace
{

using namespace std::chrono_literals;

class PreviewModelTest : public testing::Test
{
protected:
    // A preview of `count` frames at 10 fps, shown.
    void open(int count, bool reduceMotion = false)
    {
        session.setFps(10);
        session.setCapturedFrames(makeFrames(count));
        model =
            std::make_unique<PreviewModel>(session, scheduler, encoder, announcer, reduceMotion);
        model->appear();
    }
    // Lets the running encode finish.
    void finishEncode() { scheduler.advance(encoder.duration); }
    // The frames shown on each of `ticks` timer ticks at 10 fps and 1×.
    std::vector<int> framesShown(int ticks)
    {
        std::vector<int> shown;
        for (int i = 0; i < ticks; ++i) {
            scheduler.advance(100ms);
            shown.push_back(model->player().currentFrame());
        }
        return shown;
    }

    VirtualScheduler scheduler;
    VirtualEncoder encoder{scheduler};
    RecordingAnnouncer announcer;
    RecordingSession session;
    std::unique_ptr<PreviewModel> model;
};

TEST_F(PreviewModelTest, OpensOnTheWholeRecordingEncodesOnceAndPlaysUnlessMotionIsReduced)
{
    open(6);
    EXPECT_EQ(model->trimStart(), 0);
    EXPECT_EQ(model->trimEnd(), 5);
    EXPECT_FALSE(model->isTrimmed());
    EXPECT_EQ(model->trimSummary(), "Drag handles to trim");
    EXPECT_EQ(model->captureDimensions(), QStringLiteral("4 × 3"));
    ASSERT_EQ(encoder.started.size(), 1u);
    EXPECT_EQ(encoder.started[0].request.frames, session.capturedFrames());
    EXPECT_EQ(encoder.started[0].request.skipFrames, 1);
    EXPECT_TRUE(model->isEncoding());
    EXPECT_TRUE(model->player().isPlaying());

    scheduler.advance(50ms);
    EXPECT_EQ(model->encodeProgress(), 50);
    finishEncode();
    EXPECT_FALSE(model->isEncoding());
    EXPECT_FALSE(model->encodeProgress());
    ASSERT_TRUE(model->gifData());
    EXPECT_EQ(announcer.spoken, (std::vector<std::pair<QString, int>>{{"GIF ready. 0 KB.", 2000}}));

    PreviewModel paused(session, scheduler, encoder, announcer, true);
    paused.appear();
    EXPECT_FALSE(paused.player().isPlaying());
    EXPECT_EQ(paused.player().currentFrame(), 0);
}

TEST_F(PreviewModelTest, OneFrameOpensPausedAndNeitherPlaysNorSteps)
{
    open(1);
    EXPECT_FALSE(model->player().isPlaying());
    model->togglePlayback();
    EXPECT_FALSE(model->player().isPlaying());
    model->stepForward();
    EXPECT_EQ(model->player().currentFrame(), 0);
    model->stepBackward();
    EXPECT_EQ(model->player().currentFrame(), 0);
    EXPECT_EQ(model->currentTimeStr(), "0.0s");
    EXPECT_FALSE(model->isTrimmed());
}

TEST_F(PreviewModelTest, LoopsOrBouncesWithinTheSelection)
{
    open(8);
    model->setTrimStart(2);
    model->setTrimEnd(5);
    EXPECT_EQ(model->player().currentFrame(), 2);
    EXPECT_EQ(model->currentTimeStr(), "0.0s");
    EXPECT_EQ(framesShown(6), (std::vector<int>{3, 4, 5, 2, 3, 4}));
    model->goToStart();
    model->toggleBoomerang();
    EXPECT_FALSE(model->player().isPlaying());
    model->togglePlayback();
    EXPECT_EQ(framesShown(8), (std::vector<int>{3, 4, 5, 4, 3, 2, 3, 4}));
    // What the frame view decodes ahead is what the ticks go on to show.
    EXPECT_EQ(model->player().upcomingFrames(4), (std::vector<int>{5, 4, 3, 2}));
    EXPECT_EQ(framesShown(4), (std::vector<int>{5, 4, 3, 2}));
    EXPECT_EQ(model->currentTimeStr(), "0.0s");
    EXPECT_EQ(model->trimSummary(), "4 frames selected  (0.4s)");
    model->togglePlayback();
    EXPECT_TRUE(model->player().upcomingFrames(3).empty());
}

TEST_F(PreviewModelTest, TimerIntervalFollowsRateAndSpeed)
{
    EXPECT_DOUBLE_EQ(GifPlayer::intervalSeconds(10, 2), 0.05);
    EXPECT_DOUBLE_EQ(GifPlayer::intervalSeconds(0, 1), 1.0);
    EXPECT_DOUBLE_EQ(GifPlayer::intervalSeconds(10, 0), 1.0);
    EXPECT_EQ(GifPlayer::timerInterval(24, 2), 21ms);

    open(4);
    model->setSpeed(2.0);
    scheduler.advance(49ms);
    EXPECT_EQ(model->player().currentFrame(), 0);
    scheduler.advance(1ms);
    EXPECT_EQ(model->player().currentFrame(), 1);

    session.setFps(0);
    model->player().pause();
    model->player().setFps(0);
    model->setSpeed(1.0);
    model->togglePlayback();
    scheduler.advance(999ms);
    EXPECT_EQ(model->player().currentFrame(), 1);
    scheduler.advance(1ms);
    EXPECT_EQ(model->player().currentFrame(), 2);
}

TEST_F(PreviewModelTest, MovingAHandlePastTheShownFrameTakesItAlong)
{
    open(10, true);
    model->player().setCurrentFrame(4);
    model->setTrimStart(6);
    EXPECT_EQ(model->player().currentFrame(), 6);
    EXPECT_EQ(model->player().trimStart(), 6);
    model->setTrimStart(3);
    EXPECT_EQ(model->player().currentFrame(), 6);
    model->setTrimEnd(4);
    EXPECT_EQ(model->player().currentFrame(), 4);
    EXPECT_EQ(model->player().trimEnd(), 4);
    model->stepForward();
    EXPECT_EQ(model->player().currentFrame(), 4);
    model->goToStart();
    EXPECT_EQ(model->player().currentFrame(), 3);
    model->goToEnd();
    EXPECT_EQ(model->player().currentFrame(), 4);
}

TEST_F(PreviewModelTest, LargeFileStartsAboveThreeMillionBytesAndIsAnnouncedOnce)
{
    encoder.size = 3000000;
    open(4);
    finishEncode();
    EXPECT_FALSE(model->isLargeFile());

    encoder.size = 3000001;
    model->toggleBoomerang();
    finishEncode();
    EXPECT_TRUE(model->isLargeFile());
    EXPECT_EQ(
        announcer.spoken.back(),
        (std::pair<QString, int>{"GIF is 2.9 MB. Click Optimize to reduce file size.", 1500}));
    const auto spokenBefore = announcer.spoken.size();
    model->optimize();
    EXPECT_FALSE(model->isLargeFile());
    finishEncode();
    // Optimized data never counts as large, so nothing more about the size.
    EXPECT_FALSE(model->isLargeFile());
    EXPECT_EQ(announcer.spoken.size(), spokenBefore + 1);
    EXPECT_EQ(announcer.spoken.back().first, "GIF ready. 2.9 MB.");
}

TEST_F(PreviewModelTest, OptimizeThenUndoBringsTheBytesBackWithoutEncoding)
{
    encoder.size = 4000000;
    open(6, true);
    finishEncode();
    const QByteArray full = *model->gifData();

    encoder.size = 2000000;
    model->optimize();
    EXPECT_EQ(model->skipFrames(), 2);
    EXPECT_TRUE(model->isOptimized());
    ASSERT_EQ(encoder.started.size(), 2u);
    EXPECT_EQ(encoder.started[1].request.skipFrames, 2);
    // Playback still steps every frame at the recording's rate.
    model->togglePlayback();
    EXPECT_EQ(framesShown(3), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(model->gifData()->size(), 2000000);
    model->undoOptimize();
    EXPECT_EQ(model->gifData(), full);
    EXPECT_EQ(model->skipFrames(), 1);
    EXPECT_FALSE(model->isOptimized());
    EXPECT_EQ(encoder.started.size(), 2u);
    EXPECT_TRUE(model->isLargeFile());
}

// Fault mended: undoing while the optimized encode still ran let its result
// land later over the bytes brought back.
TEST_F(PreviewModelTest, UndoWhileOptimizingKeepsTheOptimizedResultOut)
{
    encoder.size = 4000000;
    open(6, true);
    finishEncode();
    const QByteArray full = *model->gifData();
    model->optimize();
    scheduler.advance(30ms);
    model->undoOptimize();
    EXPECT_FALSE(model->isEncoding());
    encoder.size = 10;
    finishEncode();
    EXPECT_EQ(model->gifData(), full);
    EXPECT_EQ(model->skipFrames(), 1);
}

TEST_F(PreviewModelTest, BoomerangAfterOptimizeLeavesNoUndo)
{
    encoder.size = 4000000;
    open(6, true);
    finishEncode();
    model->optimize();
    finishEncode();
    model->toggleBoomerang();
    EXPECT_FALSE(model->isOptimized());
    EXPECT_EQ(model->skipFrames(), 1);
    EXPECT_FALSE(model->gifData());
    const auto encodes = encoder.started.size();
    model->undoOptimize();
    EXPECT_EQ(encoder.started.size(), encodes);
    EXPECT_TRUE(encoder.started.back().request.boomerang);
    EXPECT_EQ(encoder.started.back().request.skipFrames, 1);
}

TEST_F(PreviewModelTest, TrimTwiceThenUndoRestoresTheFirstTrimSharingTheFrames)
{
    open(10, true);
    finishEncode();
    const FrameList all = session.capturedFrames();
    model->setTrimStart(2);
    model->setTrimEnd(7);
    model->applyTrim();
    const FrameList firstTrim = session.capturedFrames();
    EXPECT_EQ(firstTrim, FrameList(all.begin() + 2, all.begin() + 8));
    EXPECT_EQ(model->trimStart(), 0);
    EXPECT_EQ(model->trimEnd(), 5);
    EXPECT_EQ(model->player().trimEnd(), 5);
    EXPECT_FALSE(model->gifData());
    EXPECT_TRUE(model->canUndoTrim());
    EXPECT_EQ(encoder.started.back().request.frames, firstTrim);

    model->setTrimStart(1);
    model->setTrimEnd(1);
    model->player().setCurrentFrame(1);
    model->applyTrim();
    EXPECT_EQ(session.capturedFrames(), FrameList{all[3]});
    EXPECT_EQ(model->player().currentFrame(), 0);
    // Trimmed to one frame: nothing to play, nothing more to trim.
    model->togglePlayback();
    EXPECT_FALSE(model->player().isPlaying());
    EXPECT_FALSE(model->isTrimmed());

    model->undoTrim();
    EXPECT_EQ(session.capturedFrames(), firstTrim);
    EXPECT_FALSE(model->canUndoTrim());
    EXPECT_EQ(model->trimEnd(), 5);
    finishEncode();
    EXPECT_EQ(announcer.texts(),
              (QStringList{"GIF ready. 0 KB.", "Trim applied. 6 frames kept.",
                           "Trim applied. 1 frames kept.", "Trim undone. All 6 frames restored.",
                           "GIF ready. 0 KB."}));
    EXPECT_EQ(announcer.spoken[1].second, 2000);
    EXPECT_EQ(announcer.spoken[3].second, 2000);

    // Nothing to undo, nothing trimmed: both do nothing.
    const auto encodes = encoder.started.size();
    model->undoTrim();
    model->applyTrim();
    EXPECT_EQ(encoder.started.size(), encodes);
}

TEST_F(PreviewModelTest, AnEmptyRecordingOffersNothing)
{
    open(0);
    EXPECT_TRUE(encoder.started.empty());
    EXPECT_FALSE(model->isEncoding());
    EXPECT_FALSE(model->player().isPlaying());
    EXPECT_FALSE(model->captureDimensions());
    EXPECT_EQ(model->trimEnd(), 0);
    EXPECT_EQ(model->trimmedCount(), 1);
    model->applyTrim();
    model->optimize();
    model->togglePlayback();
    model->stepForward();
    EXPECT_TRUE(encoder.started.empty());
    EXPECT_FALSE(model->player().isPlaying());
    EXPECT_EQ(model->player().currentFrame(), 0);
    EXPECT_TRUE(announcer.spoken.empty());
}

TEST_F(PreviewModelTest, AFailedEncodeShowsItsErrorUntilDismissedOrReplaced)
{
    encoder.fail = true;
    open(3, true);
    finishEncode();
    EXPECT_FALSE(model->gifData());
    EXPECT_FALSE(model->isEncoding());
    const QString error = "GIF encoding failed. the disk is on fire.";
    EXPECT_EQ(model->encodeError(), error);
    EXPECT_EQ(announcer.spoken.back(), (std::pair<QString, int>{"Encoding error: " + error, 2000}));
    model->dismissEncodeError();
    EXPECT_FALSE(model->encodeError());

    encoder.fail = false;
    model->setTrimEnd(1);
    model->applyTrim();
    EXPECT_FALSE(model->encodeError());
    finishEncode();
    EXPECT_TRUE(model->gifData());
}

// Fault mended: every edit started its own encode, none was cancelled, and
// whichever finished last set the GIF (a slow early encode overwrote a newer
// one) while the first to finish already said encoding was over.
TEST_F(PreviewModelTest, ANewerEncodeCancelsTheRunningOneWhoseResultNeverLands)
{
    encoder.size = 4000000;
    encoder.duration = 1000ms;
    open(10, true);
    scheduler.advance(1000ms);

    model->optimize(); // slow: 1000 ms
    scheduler.advance(100ms);
    encoder.duration = 200ms;
    encoder.size = 777;
    model->toggleBoomerang(); // quick: done at 300 ms
    model->setTrimStart(1);
    model->applyTrim(); // done at 300 ms too, supersedes the bounce
    EXPECT_EQ(encoder.runningCount(), 1u);
    EXPECT_TRUE(encoder.started.back().request.boomerang);
    EXPECT_EQ(encoder.started.back().request.frames.size(), 9u);

    scheduler.advance(99ms);
    EXPECT_FALSE(model->encodeProgress());
    scheduler.advance(1ms);
    EXPECT_EQ(model->encodeProgress(), 50);
    EXPECT_TRUE(model->isEncoding());
    scheduler.advance(100ms);
    EXPECT_FALSE(model->isEncoding());
    EXPECT_EQ(model->gifData(), QByteArray(777, 'g'));

    // The slow optimized encode would have answered now.
    scheduler.advance(1000ms);
    EXPECT_EQ(model->gifData(), QByteArray(777, 'g'));
    EXPECT_FALSE(model->encodeError());
    EXPECT_EQ(model->skipFrames(), 1);
    EXPECT_EQ(announcer.texts().count("GIF ready. 0 KB."), 1);
}

TEST_F(PreviewModelTest, AModelGoneBeforeItsEncodeAnswersIsLeftAlone)
{
    open(3, true);
    model.reset();
    EXPECT_EQ(encoder.runningCount(), 0u);
    finishEncode();
    EXPECT_TRUE(announcer.spoken.empty());
}

} // namespace
} // namespace kinetta::test
