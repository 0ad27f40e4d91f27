#include "model/MemoryPreferencesStore.h"
#include "model/RecordingSession.h"
#include "model/SignalLog.h"

#include <gtest/gtest.h>

using namespace kinetta;

TEST(SessionState, StateFieldsPublishOnChangeAndAreNeverStored)
{
    auto store = std::make_shared<MemoryPreferencesStore>();
    RecordingSession session(store);
    SignalLog recording(&session, &RecordingSession::isRecordingChanged);
    SignalLog countdown(&session, &RecordingSession::countdownValueChanged);
    SignalLog frames(&session, &RecordingSession::capturedFramesChanged);
    SignalLog error(&session, &RecordingSession::errorMessageChanged);
    SignalLog rect(&session, &RecordingSession::selectedRectChanged);

    session.setIsRecording(true);
    session.setIsRecording(true);
    session.setCountdownValue(3);
    session.setCountdownValue(std::nullopt);
    session.setCapturedFrames({Frame::fromPixels(1, 1, {0xff000000})});
    session.setErrorMessage(QStringLiteral("Boom"));
    session.setSelectedRect(QRectF(1, 2, 3, 4));
    session.setRecordingSeconds(5);
    session.setCancelCountdown(true);
    session.setIsCountingDown(true);

    EXPECT_EQ(recording.count(), 1);
    EXPECT_EQ(countdown.count(), 2);
    EXPECT_EQ(frames.count(), 1);
    EXPECT_EQ(error.count(), 1);
    EXPECT_EQ(rect.count(), 1);
    EXPECT_EQ(session.capturedFrames().size(), 1u);
    EXPECT_EQ(session.selectedRect(), QRectF(1, 2, 3, 4));
    for (const char* key : {"isRecording", "countdownValue", "capturedFrames", "errorMessage",
                            "selectedRect", "recordingSeconds", "cancelCountdown"})
        EXPECT_FALSE(store->contains(QString::fromLatin1(key))) << key;
}

TEST(SessionState, SelectingTheSameWindowWithANewTitleIsAChange)
{
    RecordingSession session;
    SignalLog selected(&session, &RecordingSession::selectedWindowChanged);
    SignalLog windows(&session, &RecordingSession::availableWindowsChanged);
    WindowInfo window{7, QStringLiteral("Editor"), QStringLiteral("a.txt"), QRectF(0, 0, 200, 100),
                      42};
    session.setSelectedWindow(window);
    session.setSelectedWindow(window);
    window.title = QStringLiteral("b.txt");
    session.setSelectedWindow(window);
    session.setAvailableWindows({window});
    window.frame = QRectF(5, 5, 200, 100);
    session.setAvailableWindows({window});
    EXPECT_EQ(selected.count(), 2);
    EXPECT_EQ(windows.count(), 2);
    EXPECT_EQ(session.selectedWindow()->title, QStringLiteral("b.txt"));
}

TEST(SessionState, PropertiesAreReachableByName)
{
    RecordingSession session;
    EXPECT_TRUE(session.setProperty("fps", 12.0));
    EXPECT_EQ(session.fps(), 12.0);
    EXPECT_EQ(session.property("countdownSeconds").toLongLong(), 3);
    EXPECT_EQ(session.property("captureMode").value<CaptureMode>(), CaptureMode::fullScreen);
    EXPECT_TRUE(session.setProperty("isRecording", true));
    EXPECT_TRUE(session.isRecording());
}
