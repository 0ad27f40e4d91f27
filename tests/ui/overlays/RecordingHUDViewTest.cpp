#include "ui/overlays/RecordingHUDView.h"

#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/common/Announcer.h"
#include "ui/overlays/AutoStopIndicator.h"
#include "ui/overlays/DiscardRow.h"
#include "ui/overlays/HudHeader.h"
#include "ui/overlays/PaintedButton.h"
#include "ui/overlays/PaintedElement.h"

#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

using namespace std::chrono_literals;

class RecordedAnnouncer final : public Announcer
{
public:
    struct Spoken {
        QString text;
        int priority;
        bool operator==(const Spoken&) const = default;
    };
    std::vector<Spoken> spoken;

    void announceFrom(QObject*, const QString& text, int priority) override
    {
        spoken.push_back({text, priority});
    }
};

void click(QAbstractButton* button)
{
    ASSERT_TRUE(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton, {}, button->contentsRect().center());
}

class RecordingHUDViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        session.setUseAutoStop(true);
        session.setAutoStopSeconds(30);
        session.setFps(10);
        hud = std::make_unique<RecordingHUDView>(
            session, scheduler, &announcer, false, [this] { ++stops; }, [this] { ++discards; });
        hud->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(hud.get()));
    }

    VirtualScheduler scheduler;
    RecordingSession session;
    RecordedAnnouncer announcer;
    std::unique_ptr<RecordingHUDView> hud;
    int stops = 0;
    int discards = 0;
};

TEST_F(RecordingHUDViewTest, SizeAndAutoStopRowFollowTheSetting)
{
    EXPECT_EQ(hud->size(), QSize(280, 352));
    EXPECT_TRUE(hud->autoStop()->isVisible());
    session.setUseAutoStop(false);
    EXPECT_EQ(hud->size(), QSize(280, 276));
    EXPECT_FALSE(hud->autoStop()->isVisible());
    // The buttons stay at the bottom, inside the content.
    EXPECT_LE(hud->discardRow()->geometry().bottom(), 276 - 14);
    EXPECT_LT(hud->stopButton()->contentsRect().translated(hud->stopButton()->pos()).bottom(),
              hud->discardRow()->geometry().top());
}

TEST_F(RecordingHUDViewTest, AccessibleTextsFollowTheSession)
{
    session.setCaptureMode(CaptureMode::window);
    session.setRecordingSeconds(59);
    EXPECT_EQ(hud->timerElement()->accessibleName(), QStringLiteral("Recording time: 59 seconds"));
    session.setRecordingSeconds(60);
    EXPECT_EQ(hud->timerElement()->accessibleName(),
              QStringLiteral("Recording time: 1 minute 0 seconds"));
    EXPECT_EQ(hud->framesElement()->accessibleName(),
              QStringLiteral("Approximately 600 frames at 10 frames per second"));
    EXPECT_EQ(hud->header()->modeCapsule()->accessibleName(), QStringLiteral("Recording Window"));

    session.setRecordingSeconds(20);
    AutoStopIndicator* autoStop = hud->autoStop();
    EXPECT_EQ(autoStop->element()->accessibleName(), QStringLiteral("Auto-stop in 10 seconds"));
    EXPECT_DOUBLE_EQ(autoStop->targetProgress(), 2.0 / 3.0);
    scheduler.advance(AutoStopIndicator::fillDuration);
    EXPECT_DOUBLE_EQ(autoStop->shownProgress(), 2.0 / 3.0);

    QAccessibleInterface* stop = QAccessible::queryAccessibleInterface(hud->stopButton());
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->role(), QAccessible::Button);
    EXPECT_EQ(stop->text(QAccessible::Name), QStringLiteral("Stop recording and save GIF"));
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(autoStop->element());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->role(), QAccessible::ProgressBar);
    ASSERT_NE(bar->valueInterface(), nullptr);
    EXPECT_DOUBLE_EQ(bar->valueInterface()->currentValue().toDouble(), 67);
    EXPECT_DOUBLE_EQ(bar->valueInterface()->maximumValue().toDouble(), 100);
    // The counter inside the ring comes down into place.
    EXPECT_DOUBLE_EQ(autoStop->digitProgress(), 1.0);
    session.setRecordingSeconds(21);
    scheduler.advance(AutoStopIndicator::digitDuration / 2);
    EXPECT_GT(autoStop->digitProgress(), 0.0);
    EXPECT_LT(autoStop->digitProgress(), 1.0);
    scheduler.advance(AutoStopIndicator::digitDuration / 2);
    EXPECT_DOUBLE_EQ(autoStop->digitProgress(), 1.0);
    EXPECT_DOUBLE_EQ(bar->valueInterface()->currentValue().toDouble(), 70);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(hud->timerElement())->role(),
              QAccessible::StaticText);
    // The header speaks "REC" and the mode; the dot and the shortcut badge are not elements.
    QAccessibleInterface* header = QAccessible::queryAccessibleInterface(hud->header());
    ASSERT_NE(header, nullptr);
    QStringList names;
    for (int i = 0; i < header->childCount(); ++i)
        names << header->child(i)->text(QAccessible::Name);
    EXPECT_EQ(names, (QStringList{QStringLiteral("REC"), QStringLiteral("Recording Window")}));

    click(hud->stopButton());
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(discards, 0);
}

TEST_F(RecordingHUDViewTest, AutoStopWarningsAreSpokenAtTheirThresholdsOnly)
{
    for (qint64 second = 1; second <= 32; ++second)
        session.setRecordingSeconds(second);
    const std::vector<RecordedAnnouncer::Spoken> expected = {
        {QStringLiteral("Auto-stop in 10 seconds."), Announcer::commentaryPriority},
        {QStringLiteral("Auto-stop in 5 seconds."), Announcer::commentaryPriority},
        {QStringLiteral("Auto-stop in 3 seconds."), Announcer::commentaryPriority},
        {QStringLiteral("Auto-stop in 2 seconds."), Announcer::commentaryPriority},
        {QStringLiteral("Auto-stop in 1 second."), Announcer::commentaryPriority},
    };
    EXPECT_EQ(announcer.spoken, expected);

    // A longer limit moves the remaining time: spoken again where it lands.
    announcer.spoken.clear();
    session.setAutoStopSeconds(42);
    EXPECT_EQ(announcer.spoken,
              (std::vector<RecordedAnnouncer::Spoken>{
                  {QStringLiteral("Auto-stop in 10 seconds."), Announcer::commentaryPriority}}));

    // Nothing is spoken with auto-stop off.
    announcer.spoken.clear();
    session.setUseAutoStop(false);
    session.setRecordingSeconds(0);
    for (qint64 second = 1; second <= 42; ++second)
        session.setRecordingSeconds(second);
    EXPECT_TRUE(announcer.spoken.empty());
}

TEST_F(RecordingHUDViewTest, DiscardNeedsTwoPressesAndFallsBackOnItsOwn)
{
    DiscardRow* row = hud->discardRow();
    EXPECT_EQ(row->discardRecordingButton()->accessibleDescription(),
              QStringLiteral("Shows a confirmation before discarding"));
    click(row->discardRecordingButton());
    EXPECT_TRUE(hud->discardArmed());
    ASSERT_EQ(announcer.spoken.size(), 1u);
    EXPECT_EQ(announcer.spoken[0].text,
              QStringLiteral("Discard confirmation. Tap Discard to delete recording, or Keep "
                             "Recording to continue."));
    EXPECT_EQ(announcer.spoken[0].priority, Announcer::outcomePriority);
    // Once the push is over only the armed row is there.
    scheduler.advance(DiscardRow::armDuration);
    EXPECT_FALSE(row->discardRecordingButton()->isVisible());
    EXPECT_EQ(row->keepButton()->accessibleDescription(),
              QStringLiteral("Cancel discard and continue recording"));
    EXPECT_EQ(row->discardButton()->accessibleDescription(),
              QStringLiteral("Discard recording without saving"));

    // Left alone, it returns to the first button after four seconds.
    scheduler.advance(4000ms - DiscardRow::armDuration);
    EXPECT_FALSE(hud->discardArmed());
    scheduler.advance(DiscardRow::disarmDuration);
    EXPECT_TRUE(row->discardRecordingButton()->isVisible());
    EXPECT_FALSE(row->discardButton()->isVisible());
    EXPECT_EQ(discards, 0);

    // Keep, then arm again: a fresh window; then the second press discards once.
    click(row->discardRecordingButton());
    scheduler.advance(3000ms);
    click(row->keepButton());
    EXPECT_FALSE(hud->discardArmed());
    scheduler.advance(DiscardRow::disarmDuration);
    click(row->discardRecordingButton());
    scheduler.advance(3500ms);
    EXPECT_TRUE(hud->discardArmed());
    click(row->discardButton());
    EXPECT_EQ(discards, 1);
    scheduler.advance(10s);
    EXPECT_EQ(discards, 1);
    EXPECT_EQ(stops, 0);
}

TEST(RecordingHUDViewMotionTest, TheDotPulsesOnlyWithMotion)
{
    VirtualScheduler scheduler;
    RecordingSession session;
    RecordingHUDView moving(
        session, scheduler, nullptr, false, [] {}, [] {});
    moving.show();
    EXPECT_TRUE(moving.header()->isPulsing());
    scheduler.advance(HudHeader::pulsePeriod / 2);
    const qreal halfway = moving.header()->pulsePhase();
    EXPECT_GT(halfway, 0.5); // eased out: most of the growth comes first
    EXPECT_LT(halfway, 1.0);
    // It starts over without reversing.
    scheduler.advance(HudHeader::pulsePeriod / 2 + 32ms);
    EXPECT_LT(moving.header()->pulsePhase(), halfway);
    moving.hide();
    EXPECT_FALSE(moving.header()->isPulsing());

    RecordingHUDView still(
        session, scheduler, nullptr, true, [] {}, [] {});
    still.show();
    EXPECT_FALSE(still.header()->isPulsing());
    EXPECT_DOUBLE_EQ(still.header()->pulsePhase(), 0.0);
    // Under reduced motion the discard row swaps without moving.
    still.discardRow()->discardRecordingButton()->click();
    EXPECT_EQ(still.discardRow()->keepButton()->x(), 0);
}

} // namespace
} // namespace kinetta
