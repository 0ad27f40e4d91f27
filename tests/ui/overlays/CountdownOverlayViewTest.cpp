#include "ui/overlays/CountdownOverlayView.h"

#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/common/Announcer.h"
#include "ui/overlays/CountdownDial.h"
#include "ui/overlays/PaintedButton.h"
#include "ui/panel/Theme.h"
#include "ui/selection/KeyView.h"

#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

using namespace std::chrono_literals;

class CountdownOverlayViewTest : public ::testing::Test
{
protected:
    // Counts the session down as the recording flow does, one value a second.
    void countTo(qint64 value)
    {
        session.setCountdownValue(value);
        scheduler.advance(1000ms);
    }

    VirtualScheduler scheduler;
    RecordingSession session;
};

TEST_F(CountdownOverlayViewTest, RingAndLabelFollowTheCountdownValues)
{
    session.setCountdownSeconds(3);
    session.setCountdownValue(3);
    CountdownOverlayView view(session, scheduler, false);
    view.resize(1200, 800);
    CountdownDial* dial = view.dial();
    EXPECT_TRUE(dial->isVisibleTo(&view));
    EXPECT_DOUBLE_EQ(view.ringFraction(), 1.0);
    EXPECT_EQ(dial->accessibleName(), QStringLiteral("Recording starts in 3 seconds"));

    session.setCountdownValue(2);
    // The new number springs in; the ring moves over a second, linearly.
    scheduler.advance(48ms);
    EXPECT_GT(dial->numberProgress(), 0.0);
    EXPECT_LT(dial->numberProgress(), 1.0);
    scheduler.advance(448ms);
    EXPECT_NEAR(view.ringFraction(), 1.0 - (1.0 / 3.0) * 0.496, 0.01);
    scheduler.advance(504ms);
    EXPECT_DOUBLE_EQ(view.ringFraction(), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(dial->numberProgress(), 1.0);
    EXPECT_EQ(dial->accessibleName(), QStringLiteral("Recording starts in 2 seconds"));

    countTo(1);
    EXPECT_DOUBLE_EQ(view.ringFraction(), 1.0 / 3.0);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(dial);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Recording starts in 1 second"));

    // The flow clears the value at the end: ring and number go.
    session.setCountdownValue(std::nullopt);
    EXPECT_FALSE(dial->isVisibleTo(&view));
    EXPECT_TRUE(view.cancelButton()->isVisibleTo(&view));
}

TEST_F(CountdownOverlayViewTest, ReducedMotionMovesTheRingAtOnce)
{
    session.setCountdownSeconds(0);
    session.setCountdownValue(1);
    CountdownOverlayView view(session, scheduler, true);
    // A length of 0 divides by 1.
    EXPECT_DOUBLE_EQ(view.ringFraction(), 1.0);
    session.setCountdownSeconds(4);
    session.setCountdownValue(3);
    EXPECT_DOUBLE_EQ(view.ringFraction(), 0.75);
    EXPECT_DOUBLE_EQ(view.dial()->numberProgress(), 1.0);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

class SpokenTexts final : public Announcer
{
public:
    QStringList texts;
    void announceFrom(QObject*, const QString& text, int) override { texts << text; }
};

TEST_F(CountdownOverlayViewTest, EscapeAndTheCancelButtonRaiseTheCancelFlag)
{
    session.setCountdownValue(3);
    CountdownOverlayView view(session, scheduler, false);
    SpokenTexts spoken;
    view.setAnnouncer(&spoken);
    view.resize(1000, 700);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_TRUE(view.keyView()->hasFocus());

    QTest::keyClick(view.keyView(), Qt::Key_Escape);
    EXPECT_TRUE(session.cancelCountdown());

    session.setCancelCountdown(false);
    PaintedButton* cancel = view.cancelButton();
    EXPECT_EQ(cancel->accessibleName(), QStringLiteral("Cancel countdown"));
    EXPECT_EQ(cancel->accessibleDescription(),
              QStringLiteral("Stops the countdown and returns to the control panel"));
    // A click anywhere else says how to cancel, and cancels nothing.
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(session.cancelCountdown());
    EXPECT_EQ(spoken.texts,
              QStringList{QStringLiteral("Countdown in progress. Press Escape to cancel.")});
    QTest::mouseClick(cancel, Qt::LeftButton, {}, cancel->rect().center());
    EXPECT_TRUE(session.cancelCountdown());
    EXPECT_EQ(spoken.texts.size(), 1);
    // The click leaves the keyboard with the key view, so Escape still works.
    EXPECT_TRUE(view.keyView()->hasFocus());
    // The button lies under the ring, in the middle.
    EXPECT_GT(cancel->geometry().top(), view.dial()->geometry().bottom());
    EXPECT_NEAR(cancel->geometry().center().x(), view.width() / 2, 1);
}

TEST_F(CountdownOverlayViewTest, WithoutCompositorTheOverlayPaintsTheStillOrAnOpaqueFill)
{
    session.setCountdownValue(3);
    QImage still(QSize(600, 400), QImage::Format_ARGB32_Premultiplied);
    still.fill(QColor(200, 120, 40));
    CountdownOverlayView onStill(session, scheduler, false, OverlayBackdrop::still(still));
    onStill.resize(600, 400);
    const QImage shown = onStill.grab().toImage();
    // Far from the centre the screen shows through, barely darkened: never black.
    const QColor corner = shown.pixelColor(2, 2);
    EXPECT_NEAR(corner.red(), 200, 3);
    EXPECT_NEAR(corner.green(), 120, 3);
    EXPECT_NEAR(corner.blue(), 40, 3);

    CountdownOverlayView opaque(session, scheduler, false, OverlayBackdrop::still({}));
    opaque.resize(600, 400);
    const QColor fill = opaque.grab().toImage().pixelColor(2, 2);
    EXPECT_NEAR(fill.red(), Theme::panelBG().red(), 3);
    EXPECT_NEAR(fill.blue(), Theme::panelBG().blue(), 3);
    EXPECT_EQ(fill.alpha(), 255);
}

} // namespace
} // namespace kinetta
