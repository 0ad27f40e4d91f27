#include "ui/overlays/OverlayTexts.h"

#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

using namespace overlaytexts;

TEST(OverlayTextsTest, ElapsedTimeIsShownAndSpokenInMinutesAndSeconds)
{
    EXPECT_EQ(elapsedText(0), QStringLiteral("0:00"));
    EXPECT_EQ(elapsedText(59), QStringLiteral("0:59"));
    EXPECT_EQ(elapsedText(60), QStringLiteral("1:00"));
    EXPECT_EQ(elapsedText(725), QStringLiteral("12:05"));

    EXPECT_EQ(spokenElapsed(1), QStringLiteral("1 second"));
    EXPECT_EQ(spokenElapsed(59), QStringLiteral("59 seconds"));
    // From a minute on the seconds are spoken even when zero.
    EXPECT_EQ(spokenElapsed(60), QStringLiteral("1 minute 0 seconds"));
    EXPECT_EQ(spokenElapsed(61), QStringLiteral("1 minute 1 second"));
    EXPECT_EQ(spokenElapsed(125), QStringLiteral("2 minutes 5 seconds"));
    EXPECT_EQ(timerLabel(125), QStringLiteral("Recording time: 2 minutes 5 seconds"));
}

TEST(OverlayTextsTest, FramesAreEstimatedFromTheRateAndTruncated)
{
    EXPECT_EQ(estimatedFrames(7, 12.5), 87);
    EXPECT_EQ(estimatedFrames(0, 24), 0);
    // No digit grouping, however many frames.
    EXPECT_EQ(framesText(12345), QStringLiteral("~12345 frames"));
    EXPECT_EQ(fpsText(12.9), QStringLiteral("12 fps"));
    EXPECT_EQ(framesLabel(87, 12.5),
              QStringLiteral("Approximately 87 frames at 12 frames per second"));
    EXPECT_EQ(modeLabel(CaptureMode::window), QStringLiteral("Recording Window"));
}

TEST(OverlayTextsTest, CountdownRingDrainsByTheValueOverItsLength)
{
    EXPECT_DOUBLE_EQ(countdownFraction(3, 3), 1.0);
    EXPECT_DOUBLE_EQ(countdownFraction(2, 3), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(countdownFraction(1, 3), 1.0 / 3.0);
    // The divisor is never below one.
    EXPECT_DOUBLE_EQ(countdownFraction(1, 0), 1.0);
    EXPECT_DOUBLE_EQ(countdownFraction(1, 1), 1.0);
    EXPECT_EQ(countdownLabel(1), QStringLiteral("Recording starts in 1 second"));
    EXPECT_EQ(countdownLabel(2), QStringLiteral("Recording starts in 2 seconds"));
}

TEST(OverlayTextsTest, AutoStopProgressRemainingAndWarnings)
{
    EXPECT_EQ(autoStopRemaining(30, 20), 10);
    EXPECT_DOUBLE_EQ(autoStopProgress(30, 20), 2.0 / 3.0);
    EXPECT_EQ(autoStopText(10), QStringLiteral("Auto-stop in 10 seconds"));
    // Past the limit: nothing left, the bar full; no limit: an empty bar.
    EXPECT_EQ(autoStopRemaining(30, 45), 0);
    EXPECT_DOUBLE_EQ(autoStopProgress(30, 45), 1.0);
    EXPECT_DOUBLE_EQ(autoStopProgress(0, 12), 0.0);

    for (qint64 r = 0; r <= 30; ++r) {
        SCOPED_TRACE(r);
        const bool spoken = r == 10 || r == 5 || r == 3 || r == 2 || r == 1;
        EXPECT_EQ(autoStopWarning(r).has_value(), spoken);
    }
    EXPECT_EQ(autoStopWarning(5), QStringLiteral("Auto-stop in 5 seconds."));
    EXPECT_EQ(autoStopWarning(1), QStringLiteral("Auto-stop in 1 second."));
    EXPECT_EQ(autoStopText(1), QStringLiteral("Auto-stop in 1 second"));
}

} // namespace
} // namespace kinetta
