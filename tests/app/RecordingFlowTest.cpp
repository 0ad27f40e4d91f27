#include "FlowFixture.h"

namespace kinetta::test
{
namespace
{

using Phase = RecordingFlow::Phase;

class CountdownTest : public FlowTest
{
protected:
    void beginWithCountdown(qint64 seconds)
    {
        session.setUseCountdown(true);
        session.setCountdownSeconds(seconds);
        port.calls.clear();
        flow.beginRecording();
    }
};

TEST_F(CountdownTest, ThreeSecondsShowsEachValueForOneSecondThenStartsAfterThePause)
{
    beginWithCountdown(3);
    EXPECT_EQ(flow.phase(), Phase::countingDown);
    EXPECT_TRUE(session.isCountingDown());
    EXPECT_EQ(session.countdownValue(), 3);
    EXPECT_TRUE(port.escapeMonitorInstalled);
    EXPECT_EQ(port.announcementTexts(), QStringList{"Recording starts in 3 seconds."});

    scheduler.advance(999ms);
    EXPECT_EQ(session.countdownValue(), 3);
    scheduler.advance(1ms);
    EXPECT_EQ(session.countdownValue(), 2);
    scheduler.advance(1s);
    EXPECT_EQ(session.countdownValue(), 1);
    EXPECT_EQ(port.announcementTexts(), (QStringList{"Recording starts in 3 seconds.", "2", "1"}));

    scheduler.advance(1s);
    EXPECT_FALSE(session.isCountingDown());
    EXPECT_EQ(session.countdownValue(), std::nullopt);
    EXPECT_FALSE(port.escapeMonitorInstalled);
    EXPECT_EQ(port.count("hideCountdownOverlay"), 1);
    EXPECT_TRUE(recorder.requests.empty());
    scheduler.advance(149ms);
    EXPECT_TRUE(recorder.requests.empty());
    scheduler.advance(1ms);
    ASSERT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(port.countdowns, (std::vector<std::optional<std::int64_t>>{3, 2, 1, std::nullopt}));

    recorder.completeStart();
    EXPECT_TRUE(session.isRecording());
    EXPECT_EQ(port.announcementTexts().last(), "Recording started. Press Control Shift G to stop.");
}

TEST_F(CountdownTest, OneSecondSaysSecondAndAnnouncesNoBareNumber)
{
    beginWithCountdown(1);
    EXPECT_EQ(port.announcementTexts(), QStringList{"Recording starts in 1 second."});
    scheduler.advance(1s);
    EXPECT_FALSE(session.isCountingDown());
    EXPECT_TRUE(recorder.requests.empty());
    scheduler.advance(150ms);
    EXPECT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(port.announcementTexts(), QStringList{"Recording starts in 1 second."});
}

TEST_F(CountdownTest, ZeroOpensAndClosesTheOverlayAtOnceAndStartsAfterThePause)
{
    beginWithCountdown(0);
    EXPECT_EQ(port.count("showCountdownOverlay"), 1);
    EXPECT_EQ(port.count("hideCountdownOverlay"), 1);
    EXPECT_FALSE(session.isCountingDown());
    EXPECT_EQ(port.countdowns, (std::vector<std::optional<std::int64_t>>{std::nullopt}));
    EXPECT_EQ(port.announcementTexts(), QStringList{"Recording starts in 0 seconds."});
    scheduler.advance(149ms);
    EXPECT_TRUE(recorder.requests.empty());
    scheduler.advance(1ms);
    EXPECT_EQ(recorder.requests.size(), 1u);
}

TEST_F(CountdownTest, NegativeLengthCountsNothingAndStartsAfterThePause)
{
    beginWithCountdown(-1);
    EXPECT_EQ(port.announcementTexts(), QStringList{"Recording starts in -1 seconds."});
    EXPECT_EQ(session.countdownValue(), std::nullopt);
    scheduler.advance(150ms);
    EXPECT_EQ(recorder.requests.size(), 1u);
}

TEST_F(CountdownTest, WithoutCountdownTheRecorderStartsAtOnce)
{
    session.setUseCountdown(false);
    flow.beginRecording();
    EXPECT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(port.count("showCountdownOverlay"), 0);
    EXPECT_TRUE(port.announcements.empty());
}

TEST_F(CountdownTest, CancelTakesEffectAtTheEndOfTheSecondInProgress)
{
    beginWithCountdown(3);
    scheduler.advance(1500ms);
    flow.cancelCountdown();
    EXPECT_TRUE(session.isCountingDown());
    scheduler.advance(499ms);
    EXPECT_TRUE(session.isCountingDown());
    EXPECT_EQ(session.countdownValue(), 2);
    scheduler.advance(1ms);
    EXPECT_FALSE(session.isCountingDown());
    EXPECT_FALSE(session.cancelCountdown());
    EXPECT_FALSE(port.escapeMonitorInstalled);
    EXPECT_EQ(flow.phase(), Phase::idle);
    EXPECT_EQ(port.announcementTexts(),
              (QStringList{"Recording starts in 3 seconds.", "2", "Recording cancelled."}));
    scheduler.advance(10s);
    EXPECT_TRUE(recorder.requests.empty());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(CountdownTest, CancelDuringTheLastSecondStillCancels)
{
    beginWithCountdown(1);
    scheduler.advance(900ms);
    flow.cancelCountdownFromMenu();
    scheduler.advance(10s);
    EXPECT_TRUE(recorder.requests.empty());
    EXPECT_EQ(port.announcementTexts().last(), "Recording cancelled.");
}

TEST_F(CountdownTest, StaleCancelFlagDoesNotCancelTheNextCountdown)
{
    flow.cancelCountdownFromMenu();
    beginWithCountdown(2);
    scheduler.advance(2150ms);
    EXPECT_EQ(recorder.requests.size(), 1u);
}

TEST_F(CountdownTest, StartRequestsDuringCountdownAreIgnored)
{
    beginWithCountdown(2);
    flow.beginRecording(QRectF(1, 2, 3, 4));
    flow.initiateRecording();
    flow.recordScreen();
    scheduler.advance(5s);
    ASSERT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(recorder.requests[0].selectedRect, std::nullopt);
    EXPECT_EQ(port.count("showCountdownOverlay"), 1);
}

TEST_F(FlowTest, RecorderGetsTheSessionsSettingsAndTheGivenRectangle)
{
    session.setCaptureMode(CaptureMode::area);
    session.setFps(24);
    session.setScale(1.0);
    session.setShowCursor(false);
    session.setSelectedRect(QRectF(5, 5, 50, 50));
    flow.beginRecording(QRectF(0, 800, 200, 100));
    ASSERT_EQ(recorder.requests.size(), 1u);
    const RecorderRequest& request = recorder.requests[0];
    EXPECT_EQ(request.mode, CaptureMode::area);
    EXPECT_EQ(request.fps, 24);
    EXPECT_EQ(request.scale, 1.0);
    EXPECT_FALSE(request.showCursor);
    EXPECT_EQ(request.selectedRect, QRectF(0, 800, 200, 100));
    recorder.completeStart(QStringLiteral("x"));

    flow.beginRecording();
    EXPECT_EQ(recorder.requests.back().selectedRect, QRectF(5, 5, 50, 50));
}

TEST_F(FlowTest, AreaModeOpensTheOverlayAndWaitsForItsSelection)
{
    session.setCaptureMode(CaptureMode::area);
    flow.initiateRecording();
    EXPECT_EQ(port.count("showAreaOverlay"), 1);
    EXPECT_TRUE(recorder.requests.empty());
    EXPECT_EQ(port.announcementTexts(),
              QStringList{"Area selector open. Drag to define a recording area, or press Escape "
                          "to cancel."});
}

TEST_F(FlowTest, WindowModePassesTheSelectedWindow)
{
    session.setCaptureMode(CaptureMode::window);
    WindowInfo window;
    window.windowID = 0x2a00007;
    session.setSelectedWindow(window);
    flow.initiateRecording();
    ASSERT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(recorder.requests[0].selectedWindowID, 0x2a00007u);
}

TEST_F(FlowTest, StartFailureShowsTheMessageSpeaksTheFirstLineAndStaysIdle)
{
    flow.beginRecording();
    recorder.completeStart(QStringLiteral("Screen Recording permission denied.\n\nAllow it."));
    EXPECT_EQ(flow.phase(), Phase::idle);
    EXPECT_FALSE(session.isRecording());
    EXPECT_EQ(session.errorMessage(), "Screen Recording permission denied.\n\nAllow it.");
    EXPECT_EQ(port.announcementTexts(),
              QStringList{"Recording failed: Screen Recording permission denied."});
    EXPECT_EQ(port.count("showControlPanel"), 1);
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    flow.beginRecording();
    EXPECT_EQ(recorder.requests.size(), 2u);
}

TEST_F(FlowTest, StartFailureWithoutLineFeedSpeaksItAll)
{
    EXPECT_EQ(RecordingFlow::startFailedText(QStringLiteral("No window selected.")),
              "Recording failed: No window selected.");
    EXPECT_EQ(RecordingFlow::startFailedText(QStringLiteral("\nrest")), "Recording failed: ");
}

TEST_F(FlowTest, TimerCountsWholeSecondsAndSkipsTheTitleWhileThePopoverIsShown)
{
    startRecording();
    scheduler.advance(999ms);
    EXPECT_EQ(session.recordingSeconds(), 0);
    scheduler.advance(1ms);
    EXPECT_EQ(session.recordingSeconds(), 1);
    port.recordingPopoverShown = true;
    scheduler.advance(1s);
    port.recordingPopoverShown = false;
    scheduler.advance(1s);
    EXPECT_EQ(session.recordingSeconds(), 3);
    EXPECT_EQ(port.titles, (std::vector<std::int64_t>{1, 3}));
}

TEST_F(FlowTest, AutoStopsOnTheTickThatReachesTheLimit)
{
    session.setUseAutoStop(true);
    session.setAutoStopSeconds(30);
    startRecording();
    scheduler.advance(29s);
    EXPECT_EQ(recorder.stopCalls, 0);
    EXPECT_EQ(session.recordingSeconds(), 29);
    scheduler.advance(1s);
    EXPECT_EQ(recorder.stopCalls, 1);
    EXPECT_EQ(session.recordingSeconds(), 30);
    EXPECT_EQ(flow.phase(), Phase::stopping);
    scheduler.advance(5s);
    EXPECT_EQ(recorder.stopCalls, 1);
    EXPECT_EQ(session.recordingSeconds(), 30);
}

TEST_F(FlowTest, WithoutAutoStopTheRecordingRunsOn)
{
    session.setUseAutoStop(false);
    session.setAutoStopSeconds(30);
    startRecording();
    scheduler.advance(120s);
    EXPECT_EQ(recorder.stopCalls, 0);
    EXPECT_EQ(session.recordingSeconds(), 120);
}

TEST_F(FlowTest, StopKeepsRecordingTrueUntilTheFramesArriveThenOpensThePreview)
{
    startRecording();
    flow.stopRecording();
    EXPECT_TRUE(session.isRecording());
    EXPECT_EQ(port.count("showPreviewWindow"), 0);
    const FrameList frames = makeFrames(3);
    recorder.completeStop(frames);
    EXPECT_FALSE(session.isRecording());
    EXPECT_EQ(session.capturedFrames(), frames);
    EXPECT_EQ(port.announcementTexts().last(), "Recording stopped. 3 frames captured.");
    EXPECT_EQ(port.count("showPreviewWindow"), 1);
    EXPECT_EQ(port.count("updateStatusIcon idle"), 2);
    EXPECT_EQ(port.count("updateStatusIcon recording"), 1);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(FlowTest, SecondStopOrDiscardWhileStoppingDoesNotOverwriteTheFrames)
{
    startRecording();
    flow.stopRecording();
    flow.stopRecording();
    flow.discardRecording();
    flow.stopFromMenu();
    flow.discardFromPopover();
    EXPECT_EQ(recorder.stopCalls, 1);
    const FrameList frames = makeFrames(4);
    recorder.completeStop(frames);
    EXPECT_EQ(session.capturedFrames(), frames);
    EXPECT_EQ(port.count("showPreviewWindow"), 1);
    EXPECT_FALSE(port.announcementTexts().contains("Recording discarded."));
}

TEST_F(FlowTest, StopWhileIdleLeavesThePreviewsFramesAlone)
{
    recordAndStop(2);
    const FrameList kept = session.capturedFrames();
    flow.stopRecording();
    flow.discardRecording();
    EXPECT_EQ(recorder.stopCalls, 1);
    EXPECT_EQ(session.capturedFrames(), kept);
}

TEST_F(FlowTest, DiscardDropsTheFrames)
{
    startRecording();
    flow.discardFromMenu();
    EXPECT_EQ(port.count("closeRecordingPopover"), 2);
    recorder.completeStop(makeFrames(5));
    EXPECT_FALSE(session.isRecording());
    EXPECT_TRUE(session.capturedFrames().empty());
    EXPECT_EQ(port.announcementTexts().last(), "Recording discarded.");
    EXPECT_EQ(port.count("showPreviewWindow"), 0);
}

TEST_F(FlowTest, NoFramesWithoutAutoCopyOpensNothing)
{
    recordAndStop(0);
    EXPECT_EQ(port.announcementTexts().last(), "Recording stopped. 0 frames captured.");
    EXPECT_EQ(port.count("showPreviewWindow"), 0);
}

TEST_F(FlowTest, StartRequestsWhileRecordingOrStoppingAreIgnored)
{
    startRecording();
    flow.beginRecording();
    flow.recordScreen();
    flow.recordArea();
    flow.recordWindow();
    flow.recordAgainFromMenu();
    flow.stopRecording();
    flow.beginRecording();
    EXPECT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(port.count("showWindowPicker"), 0);
    EXPECT_EQ(port.count("closePreviewWindow"), 0);
}

TEST_F(FlowTest, MenuEntriesSetTheModeAndStart)
{
    flow.recordWindow();
    EXPECT_EQ(session.captureMode(), CaptureMode::window);
    EXPECT_EQ(port.count("showWindowPicker"), 1);
    EXPECT_TRUE(recorder.requests.empty());

    flow.recordArea();
    EXPECT_EQ(session.captureMode(), CaptureMode::area);
    EXPECT_EQ(port.count("showAreaOverlay"), 1);
    EXPECT_TRUE(recorder.requests.empty());

    flow.recordScreen();
    EXPECT_EQ(session.captureMode(), CaptureMode::fullScreen);
    EXPECT_EQ(port.count("closeControlPanel"), 2);
    ASSERT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(recorder.requests[0].mode, CaptureMode::fullScreen);
}

TEST_F(FlowTest, RecordAgainDuringACountdownKeepsThePreview)
{
    recordAndStop(2);
    const FrameList frames = session.capturedFrames();
    session.setUseCountdown(true);
    flow.beginRecording();
    flow.recordAgainFromMenu();
    EXPECT_EQ(port.count("closePreviewWindow"), 0);
    EXPECT_EQ(session.capturedFrames(), frames);
}

TEST_F(FlowTest, StopFromMenuOnlyWhileRecording)
{
    flow.stopFromMenu();
    flow.discardFromMenu();
    EXPECT_EQ(recorder.stopCalls, 0);
    EXPECT_EQ(port.count("closeRecordingPopover"), 1);
    startRecording();
    flow.stopFromMenu();
    EXPECT_EQ(recorder.stopCalls, 1);
}

TEST_F(FlowTest, RecordAgainClosesThePreviewAndStartsOver)
{
    recordAndStop(2);
    flow.recordAgainFromMenu();
    EXPECT_EQ(port.count("closePreviewWindow"), 1);
    EXPECT_TRUE(session.capturedFrames().empty());
    EXPECT_EQ(recorder.requests.size(), 2u);
}

TEST_F(FlowTest, StreamErrorWhileIdleChangesNothing)
{
    ASSERT_TRUE(recorder.streamError);
    const QStringList before = port.calls;
    recorder.streamError(QStringLiteral("The display connection was lost."));
    EXPECT_EQ(session.errorMessage(), std::nullopt);
    EXPECT_EQ(recorder.stopCalls, 0);
    EXPECT_EQ(port.calls, before);
}

TEST_F(FlowTest, StreamErrorWhileRecordingStopsAndDeliversLikeAUserStop)
{
    startRecording();
    recorder.streamError(QStringLiteral("The recorded window was closed."));
    EXPECT_EQ(recorder.stopCalls, 1);
    EXPECT_EQ(session.errorMessage(), "Recording stopped: The recorded window was closed.");
    const FrameList frames = makeFrames(2);
    recorder.completeStop(frames);
    EXPECT_EQ(session.capturedFrames(), frames);
    EXPECT_EQ(port.count("showPreviewWindow"), 1);
    // A second error while the stop is settled changes nothing more.
    recorder.streamError(QStringLiteral("again"));
    EXPECT_EQ(session.errorMessage(), "Recording stopped: The recorded window was closed.");
}

TEST_F(FlowTest, StreamErrorBeforeTheStartHasComeBackStopsTheNewRecording)
{
    flow.beginRecording();
    recorder.streamError(QStringLiteral("The window was closed."));
    EXPECT_EQ(session.errorMessage(), std::nullopt);
    recorder.completeStart();
    EXPECT_EQ(recorder.stopCalls, 1);
    EXPECT_EQ(session.errorMessage(), "Recording stopped: The window was closed.");
    recorder.completeStop(makeFrames(1));
    EXPECT_FALSE(session.isRecording());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(FlowTest, StreamErrorBeforeAFailedStartIsForgotten)
{
    flow.beginRecording();
    recorder.streamError(QStringLiteral("gone"));
    recorder.completeStart(QStringLiteral("No display found."));
    flow.beginRecording();
    recorder.completeStart();
    EXPECT_EQ(recorder.stopCalls, 0);
    EXPECT_TRUE(session.isRecording());
}

TEST_F(FlowTest, StreamErrorDuringCountdownIsDropped)
{
    session.setUseCountdown(true);
    session.setCountdownSeconds(3);
    flow.beginRecording();
    recorder.streamError(QStringLiteral("lost"));
    EXPECT_EQ(session.errorMessage(), std::nullopt);
    EXPECT_TRUE(session.isCountingDown());
}

TEST_F(FlowTest, AnswersArrivingAfterTheFlowIsGoneAreDropped)
{
    auto flowOnHeap = std::make_unique<RecordingFlow>(
        RecordingFlow::Services{session, scheduler, port, recorder, encoder, delivery});
    flowOnHeap->beginRecording();
    // The fixture's flow has not asked for anything; only the heap flow has.
    ASSERT_EQ(recorder.pendingStarts.size(), 1u);
    flowOnHeap.reset();
    recorder.completeStart();
    EXPECT_FALSE(session.isRecording());
}

} // namespace
} // namespace kinetta::test
