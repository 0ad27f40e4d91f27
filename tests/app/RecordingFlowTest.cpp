#include "FlowFixture.h"

namespace kinetta::test
{
namespace
{

using Phase = RecordingFlow::Phase;
using Countdowns = std::vector<std::optional<std::int64_t>>;

class CountdownTest : public FlowTest
{
protected:
    void beginWithCountdown(qint64 seconds)
    {
        session.setUseCountdown(true);
        session.setCountdownSeconds(seconds);
        flow.beginRecording();
    }
};

struct CountdownCase {
    qint64 seconds;
    QStringList announced;
    Countdowns shown;
};

class CountdownLengthTest : public CountdownTest,
                            public ::testing::WithParamInterface<CountdownCase>
{
};

// Each value stays for a whole second; the first is announced in a sentence, the
// rest as bare numbers; the recorder is asked 0.15 s after the overlay closes.
TEST_P(CountdownLengthTest, ShowsEachValueForASecondThenStartsAfterThePause)
{
    const CountdownCase& c = GetParam();
    beginWithCountdown(c.seconds);
    for (qint64 value = c.seconds; value > 0; --value) {
        EXPECT_EQ(flow.phase(), Phase::countingDown);
        EXPECT_TRUE(port.escapeMonitorInstalled);
        scheduler.advance(999ms);
        EXPECT_EQ(session.countdownValue(), value);
        scheduler.advance(1ms);
    }
    EXPECT_FALSE(session.isCountingDown());
    EXPECT_EQ(session.countdownValue(), std::nullopt);
    EXPECT_FALSE(port.escapeMonitorInstalled);
    EXPECT_EQ(port.count("showCountdownOverlay"), 1);
    EXPECT_EQ(port.count("hideCountdownOverlay"), 1);
    scheduler.advance(149ms);
    EXPECT_TRUE(recorder.requests.empty());
    scheduler.advance(1ms);
    EXPECT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(port.announcementTexts(), c.announced);
    EXPECT_EQ(port.countdowns, c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, CountdownLengthTest,
    ::testing::Values(
        CountdownCase{3, {"Recording starts in 3 seconds.", "2", "1"}, {3, 2, 1, std::nullopt}},
        CountdownCase{1, {"Recording starts in 1 second."}, {1, std::nullopt}},
        CountdownCase{0, {"Recording starts in 0 seconds."}, {std::nullopt}},
        CountdownCase{-1, {"Recording starts in -1 seconds."}, {std::nullopt}}));

TEST_F(CountdownTest, CancelTakesEffectAtTheEndOfTheSecondInProgress)
{
    beginWithCountdown(3);
    scheduler.advance(1500ms);
    flow.cancelCountdown();
    scheduler.advance(499ms);
    EXPECT_TRUE(session.isCountingDown());
    EXPECT_EQ(session.countdownValue(), 2);
    scheduler.advance(1ms);
    EXPECT_FALSE(session.isCountingDown());
    EXPECT_FALSE(port.escapeMonitorInstalled);
    EXPECT_EQ(flow.phase(), Phase::idle);
    EXPECT_EQ(port.announcementTexts(),
              (QStringList{"Recording starts in 3 seconds.", "2", "Recording cancelled."}));
    scheduler.advance(10s);
    EXPECT_TRUE(recorder.requests.empty());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(CountdownTest, CancelInTheLastSecondWinsAndLeavesNoFlagForTheNextCountdown)
{
    beginWithCountdown(1);
    scheduler.advance(900ms);
    flow.cancelCountdownFromMenu();
    scheduler.advance(10s);
    EXPECT_TRUE(recorder.requests.empty());
    EXPECT_EQ(port.announcementTexts().last(), "Recording cancelled.");

    flow.cancelCountdownFromMenu();
    beginWithCountdown(2);
    scheduler.advance(2150ms);
    EXPECT_EQ(recorder.requests.size(), 1u);
}

TEST_F(FlowTest, StartRequestsAreIgnoredWhileCountingDownRecordingOrStopping)
{
    recordAndStop(2);
    const FrameList frames = session.capturedFrames();
    session.setUseCountdown(true);
    session.setCountdownSeconds(2);
    flow.beginRecording();
    flow.beginRecording(QRectF(1, 2, 3, 4));
    flow.initiateRecording();
    flow.recordScreen();
    flow.recordAgainFromMenu();
    EXPECT_EQ(port.count("closePreviewWindow"), 0);
    EXPECT_EQ(session.capturedFrames(), frames);
    scheduler.advance(5s);
    ASSERT_EQ(recorder.requests.size(), 2u);
    EXPECT_EQ(recorder.requests[1].selectedRect, std::nullopt);
    EXPECT_EQ(port.count("showCountdownOverlay"), 1);

    recorder.completeStart();
    const QStringList before = port.calls;
    flow.beginRecording();
    flow.recordScreen();
    flow.recordArea();
    flow.recordWindow();
    flow.recordAgainFromMenu();
    flow.stopRecording();
    flow.beginRecording();
    EXPECT_EQ(recorder.requests.size(), 2u);
    EXPECT_EQ(port.calls.mid(before.size()).filter("Window"), QStringList{});
    EXPECT_EQ(port.count("showAreaOverlay"), 0);
}

// An area drawn on a screen other than the first is recorded there, now and
// when the session's last area is used again.
TEST_F(FlowTest, AreaGoesToTheRecorderWithTheScreenItWasDrawnOn)
{
    session.setCaptureMode(CaptureMode::area);
    const ScreenPlacement second{QRect(1440, 0, 2560, 1600), 2};
    session.setSelectedRect(QRectF(0, 800, 200, 100));
    session.setSelectedScreen(second);
    flow.beginRecording();
    ASSERT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(recorder.requests[0].selectedRect, QRectF(0, 800, 200, 100));
    EXPECT_EQ(recorder.requests[0].selectedScreen, second);
    recorder.completeStart(QStringLiteral("x"));

    // A rectangle given without a screen lies on the first display, whatever
    // the session's last screen.
    flow.beginRecording(QRectF(5, 5, 50, 50));
    EXPECT_EQ(recorder.requests.back().selectedScreen, std::nullopt);
    recorder.completeStart(QStringLiteral("x"));
    const ScreenPlacement first{QRect(0, 0, 1440, 900), 1};
    flow.beginRecording(QRectF(5, 5, 50, 50), first);
    EXPECT_EQ(recorder.requests.back().selectedScreen, first);
}

TEST_F(FlowTest, RecorderGetsTheSessionsSettingsTheGivenRectangleAndTheWindow)
{
    session.setCaptureMode(CaptureMode::area);
    session.setFps(24);
    session.setScale(1.0);
    session.setShowCursor(false);
    session.setSelectedRect(QRectF(5, 5, 50, 50));
    flow.beginRecording(QRectF(0, 800, 200, 100));
    // Without a countdown the recorder is asked at once, silently.
    ASSERT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(port.count("showCountdownOverlay"), 0);
    EXPECT_TRUE(port.announcements.empty());
    EXPECT_EQ(recorder.requests[0], (RecorderRequest{CaptureMode::area, 24, 1.0, std::nullopt,
                                                     QRectF(0, 800, 200, 100), false,
                                                     std::nullopt}));
    recorder.completeStart(QStringLiteral("x"));
    flow.beginRecording();
    EXPECT_EQ(recorder.requests.back().selectedRect, QRectF(5, 5, 50, 50));
    recorder.completeStart(QStringLiteral("x"));

    session.setCaptureMode(CaptureMode::window);
    WindowInfo window;
    window.windowID = 0x2a00007;
    session.setSelectedWindow(window);
    flow.initiateRecording();
    ASSERT_EQ(recorder.requests.size(), 3u);
    EXPECT_EQ(recorder.requests[2].selectedWindowID, 0x2a00007u);
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

TEST_F(FlowTest, TimerCountsWholeSecondsAndSkipsTheTitleWhileThePopoverIsShown)
{
    session.setUseAutoStop(false);
    session.setAutoStopSeconds(2);
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
    // A limit that is switched off does not stop the recording.
    EXPECT_EQ(recorder.stopCalls, 0);
}

TEST_F(FlowTest, AutoStopsOnTheTickThatReachesTheLimit)
{
    session.setUseAutoStop(true);
    session.setAutoStopSeconds(30);
    startRecording();
    scheduler.advance(29s);
    EXPECT_EQ(recorder.stopCalls, 0);
    scheduler.advance(1s);
    EXPECT_EQ(recorder.stopCalls, 1);
    EXPECT_EQ(session.recordingSeconds(), 30);
    EXPECT_EQ(flow.phase(), Phase::stopping);
    scheduler.advance(5s);
    EXPECT_EQ(recorder.stopCalls, 1);
    EXPECT_EQ(session.recordingSeconds(), 30);
}

TEST_F(FlowTest, StopKeepsRecordingTrueUntilTheFramesArriveThenOpensThePreviewUntilRecordAgain)
{
    startRecording();
    flow.stopFromMenu();
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

    flow.recordAgainFromMenu();
    EXPECT_EQ(port.count("closePreviewWindow"), 1);
    EXPECT_TRUE(session.capturedFrames().empty());
    EXPECT_EQ(recorder.requests.size(), 2u);
}

// Stop and discard act once, on a running recording only; the first stop's frames are kept.
TEST_F(FlowTest, StopAndDiscardActOnceAndOnlyWhileRecording)
{
    flow.stopFromMenu();
    flow.discardFromMenu();
    EXPECT_EQ(recorder.stopCalls, 0);
    EXPECT_EQ(port.count("closeRecordingPopover"), 1);
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
    flow.stopRecording();
    flow.discardRecording();
    EXPECT_EQ(recorder.stopCalls, 1);
    EXPECT_EQ(session.capturedFrames(), frames);
}

TEST_F(FlowTest, DiscardFromTheMenuDropsTheFrames)
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

// With no screen the area overlay cannot open: the start fails at once with
// the reason in the panel, and no selector is announced.
TEST_F(FlowTest, AreaWithoutAScreenFailsTheStartWithTheReason)
{
    port.hasScreen = false;
    flow.recordArea();
    EXPECT_EQ(flow.phase(), RecordingFlow::Phase::idle);
    EXPECT_EQ(session.errorMessage(), RecordingFlow::noScreenText());
    EXPECT_EQ(port.announcementTexts(),
              QStringList{"Recording failed: " + RecordingFlow::noScreenText()});
    EXPECT_EQ(port.count("showControlPanel"), 1);
    EXPECT_TRUE(recorder.requests.empty());
}

TEST_F(FlowTest, MenuEntriesSetTheModeAndStart)
{
    flow.recordWindow();
    EXPECT_EQ(session.captureMode(), CaptureMode::window);
    EXPECT_EQ(port.count("showWindowPicker"), 1);
    flow.recordArea();
    EXPECT_EQ(session.captureMode(), CaptureMode::area);
    EXPECT_EQ(port.count("showAreaOverlay"), 1);
    EXPECT_EQ(port.announcementTexts(),
              QStringList{"Area selector open. Drag to define a recording area, or press Escape "
                          "to cancel."});
    EXPECT_TRUE(recorder.requests.empty());

    flow.recordScreen();
    EXPECT_EQ(session.captureMode(), CaptureMode::fullScreen);
    EXPECT_EQ(port.count("closeControlPanel"), 2);
    ASSERT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(recorder.requests[0].mode, CaptureMode::fullScreen);
}

TEST_F(FlowTest, StreamErrorWhileIdleOrCountingDownChangesNothing)
{
    ASSERT_TRUE(recorder.streamError);
    const QStringList before = port.calls;
    recorder.streamError(QStringLiteral("The display connection was lost."));
    EXPECT_EQ(session.errorMessage(), std::nullopt);
    EXPECT_EQ(port.calls, before);
    EXPECT_TRUE(port.titles.empty());

    session.setUseCountdown(true);
    flow.beginRecording();
    recorder.streamError(QStringLiteral("lost"));
    EXPECT_EQ(session.errorMessage(), std::nullopt);
    EXPECT_TRUE(session.isCountingDown());
    EXPECT_EQ(recorder.stopCalls, 0);
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
    // A second error once the stop has settled changes nothing more.
    recorder.streamError(QStringLiteral("again"));
    EXPECT_EQ(session.errorMessage(), "Recording stopped: The recorded window was closed.");
}

TEST_F(FlowTest, StreamErrorBeforeTheStartReplyStopsThatRecordingButNotTheNextOne)
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

    // An error before a start that fails is forgotten with it.
    flow.beginRecording();
    recorder.streamError(QStringLiteral("gone"));
    recorder.completeStart(QStringLiteral("No display found."));
    flow.beginRecording();
    recorder.completeStart();
    EXPECT_EQ(recorder.stopCalls, 1);
    EXPECT_TRUE(session.isRecording());
}

TEST_F(FlowTest, AnswersArrivingAfterTheFlowIsGoneAreDropped)
{
    session.setAutoCopy(true);
    auto starting = std::make_unique<RecordingFlow>(
        RecordingFlow::Services{session, scheduler, port, recorder, encoder, delivery});
    starting->beginRecording();
    starting.reset();
    recorder.completeStart();
    EXPECT_FALSE(session.isRecording());

    auto encoding = std::make_unique<RecordingFlow>(
        RecordingFlow::Services{session, scheduler, port, recorder, encoder, delivery});
    encoding->beginRecording();
    recorder.completeStart();
    encoding->stopRecording();
    recorder.completeStop(makeFrames(1));
    ASSERT_EQ(encoder.pending.size(), 1u);
    encoding.reset();
    EXPECT_TRUE(encoder.pending[0].job->isCancelled());
    encoder.finish(QByteArray(5, 'x'));
    EXPECT_TRUE(delivery.copied.empty());
}

} // namespace
} // namespace kinetta::test
