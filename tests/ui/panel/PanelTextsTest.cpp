// The texts and motions the control panel derives, apart from its widgets.
#include "ui/panel/PanelTexts.h"

#include "support/VirtualScheduler.h"
#include "ui/panel/Transition.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

WindowInfo windowOfSize(qreal width, qreal height)
{
    WindowInfo window;
    window.windowID = 7;
    window.frame = QRectF(10, 20, width, height);
    return window;
}

TEST(PanelTextsTest, OutputSizeCountsDevicePixelsForTheScreenAndPointsOtherwise)
{
    const ScreenMetrics retina{QSizeF(1440, 900), 2.0};
    EXPECT_EQ(outputSizeText(CaptureMode::fullScreen, retina, std::nullopt, std::nullopt, 0.5),
              QStringLiteral("1440 × 900 px"));
    // The window and the area are in points: the ratio does not enter.
    EXPECT_EQ(
        outputSizeText(CaptureMode::window, retina, windowOfSize(1280, 800), std::nullopt, 0.5),
        QStringLiteral("640 × 400 px"));
    EXPECT_EQ(outputSizeText(CaptureMode::area, retina, std::nullopt, QRectF(5, 5, 801, 401), 0.5),
              QStringLiteral("401 × 201 px"));
    // Halves round away from zero at every scale, not to even.
    EXPECT_EQ(outputSizeText(CaptureMode::area, retina, std::nullopt, QRectF(0, 0, 10, 2), 0.25),
              QStringLiteral("3 × 1 px"));
    EXPECT_EQ(outputSizeText(CaptureMode::fullScreen, ScreenMetrics{QSizeF(1366, 768), 1.25},
                             std::nullopt, std::nullopt, 0.75),
              QStringLiteral("1281 × 720 px"));
}

TEST(PanelTextsTest, OutputSizeIsLeftOutWithoutWhatTheModeNeeds)
{
    const ScreenMetrics screen{QSizeF(1920, 1080), 1.0};
    EXPECT_FALSE(outputSizeText(CaptureMode::window, screen, std::nullopt, QRectF(0, 0, 5, 5), 1));
    EXPECT_FALSE(outputSizeText(CaptureMode::area, screen, windowOfSize(5, 5), std::nullopt, 1));
    // No screen at all: nothing, whatever the mode.
    EXPECT_FALSE(
        outputSizeText(CaptureMode::fullScreen, std::nullopt, std::nullopt, std::nullopt, 1));
    EXPECT_FALSE(
        outputSizeText(CaptureMode::area, std::nullopt, std::nullopt, QRectF(0, 0, 5, 5), 1));
}

TEST(PanelTextsTest, SliderAndCounterValuesReadAsShownAndSpoken)
{
    EXPECT_EQ(framesPerSecondText(5), QStringLiteral("5 fps"));
    EXPECT_EQ(framesPerSecondText(24), QStringLiteral("24 fps"));
    EXPECT_EQ(scalePercentText(0.75), QStringLiteral("75%"));
    EXPECT_EQ(scalePercentText(0.25), QStringLiteral("25%"));
    EXPECT_EQ(scalePercentText(1.0), QStringLiteral("100%"));

    EXPECT_EQ(spokenCounterValue(1, QStringLiteral("s")), QStringLiteral("1 second"));
    EXPECT_EQ(spokenCounterValue(0, QStringLiteral("s")), QStringLiteral("0 seconds"));
    EXPECT_EQ(spokenCounterValue(30, QStringLiteral("s")), QStringLiteral("30 seconds"));
    EXPECT_EQ(spokenCounterValue(4, QStringLiteral("px")), QStringLiteral("4 px"));
}

TEST(PanelTextsTest, LoopChoicesAndErrorTexts)
{
    QStringList labels;
    QStringList names;
    for (const qint64 count : kLoopChoices) {
        labels << loopChoiceLabel(count);
        names << loopChoiceAccessibleName(count);
    }
    EXPECT_EQ(labels, (QStringList{"∞", "1×", "3×", "5×"}));
    EXPECT_EQ(names,
              (QStringList{"Loop indefinitely", "Loop once", "Loop 3 times", "Loop 5 times"}));

    const QString refusal = QStringLiteral("Screen Recording permission denied.\n\nAllow it.");
    EXPECT_TRUE(isScreenCaptureRefusal(refusal));
    EXPECT_EQ(errorBannerText(refusal), QStringLiteral("Screen Recording permission denied."));
    EXPECT_TRUE(errorAnnouncement(refusal).startsWith(
        QStringLiteral("Screen Recording permission denied. Open")));
    const QString other = QStringLiteral("No display found.");
    EXPECT_FALSE(isScreenCaptureRefusal(other));
    EXPECT_EQ(errorBannerText(other), other);
    EXPECT_EQ(errorAnnouncement(other), other);
}

TEST(TransitionTest, MovesOnSchedulerTimeAndJumpsWithReducedMotion)
{
    VirtualScheduler scheduler;
    int steps = 0;
    Transition eased(0, Motion::easeInOut(0.15), [&] { ++steps; });
    eased.setScheduler(&scheduler, false);
    eased.setTarget(1);
    EXPECT_EQ(eased.value(), 0);
    scheduler.advance(std::chrono::milliseconds(80));
    EXPECT_GT(eased.value(), 0.2);
    EXPECT_LT(eased.value(), 0.8);
    scheduler.advance(std::chrono::milliseconds(100));
    EXPECT_EQ(eased.value(), 1);
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "a settled transition stops ticking";
    EXPECT_GE(steps, 9);

    // A bouncy spring passes its target before it rests on it.
    Transition spring(0, Motion::spring(0.25, 0.65), {});
    spring.setScheduler(&scheduler, false);
    spring.setTarget(1);
    double highest = 0;
    for (int i = 0; i < 100 && scheduler.pendingCount() > 0; ++i) {
        scheduler.advance(Transition::kTick);
        highest = std::max(highest, spring.value());
    }
    EXPECT_GT(highest, 1.0);
    EXPECT_EQ(spring.value(), 1);

    Transition reduced(0, Motion::spring(0.25, 0.65), {});
    reduced.setScheduler(&scheduler, true);
    reduced.setTarget(1);
    EXPECT_EQ(reduced.value(), 1);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

} // namespace
} // namespace kinetta
