// The control panel against its session: what it shows, what it writes and
// what it reports.
#include "PanelFixture.h"
#include "ui/panel/CaptureTargetViews.h"
#include "ui/panel/CounterControl.h"
#include "ui/panel/LoopCountRow.h"
#include "ui/panel/ModeChip.h"
#include "ui/panel/PanelBanners.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelSections.h"
#include "ui/panel/RecordButton.h"
#include "ui/panel/SliderRow.h"

#include <QEnterEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

using test::PanelFixture;
using test::sampleWindow;

bool shown(const QWidget* widget, const QWidget* panel)
{
    return widget->isVisibleTo(panel);
}

void clickAt(QWidget* widget, QPoint at)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
}

class ControlPanelViewTest : public ::testing::Test
{
protected:
    PanelFixture f;
};

TEST_F(ControlPanelViewTest, WindowModeWithoutAWindowMayNotRecord)
{
    f.session.setCaptureMode(CaptureMode::window);
    ControlPanelView& panel = f.make();
    const auto& p = f.parts();
    panel.show();
    EXPECT_FALSE(panel.canRecord());
    EXPECT_FALSE(p.record->isEnabled());
    EXPECT_EQ(p.record->accessibleDescription(), QStringLiteral("Select a window first"));
    EXPECT_TRUE(shown(p.chooseWindow, &panel));
    EXPECT_FALSE(shown(p.windowCard, &panel));
    EXPECT_FALSE(shown(p.outputSize, &panel)) << "no window, no size";

    QTest::keyClick(&panel, Qt::Key_Return);
    clickAt(p.record, p.record->buttonRect().center().toPoint());
    EXPECT_EQ(f.starts, 0);
    QTest::mouseClick(p.chooseWindow, Qt::LeftButton);
    EXPECT_EQ(f.chooses, 1);

    f.session.setSelectedWindow(sampleWindow());
    EXPECT_TRUE(p.record->isEnabled());
    EXPECT_EQ(p.record->accessibleDescription(), QStringLiteral("Begins a new GIF recording"));
    EXPECT_TRUE(shown(p.windowCard, &panel));
    EXPECT_FALSE(shown(p.chooseWindow, &panel));
    EXPECT_EQ(p.outputSize->sizeText(), QStringLiteral("640 × 400 px"));
    QTest::mouseClick(p.windowCard->changeButton(), Qt::LeftButton);
    EXPECT_EQ(f.chooses, 2);

    // Return records, with the keypad's Enter; with a modifier it does not.
    QTest::keyClick(&panel, Qt::Key_Return);
    QTest::keyClick(&panel, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(&panel, Qt::Key_Return, Qt::ShiftModifier);
    clickAt(p.record, p.record->buttonRect().center().toPoint());
    // The footer's padding around the button is not the button.
    clickAt(p.record, QPoint(3, 3));
    EXPECT_EQ(f.starts, 3);
}

TEST_F(ControlPanelViewTest, AreaShowsEitherTheEmptyCardOrTheSavedRow)
{
    ControlPanelView& panel = f.make();
    const auto& p = f.parts();
    panel.show();
    EXPECT_FALSE(shown(p.areaSection, &panel));

    f.session.setCaptureMode(CaptureMode::area);
    EXPECT_TRUE(shown(p.areaLabel, &panel));
    EXPECT_TRUE(shown(p.areaHint, &panel));
    EXPECT_FALSE(shown(p.savedArea, &panel));
    EXPECT_FALSE(shown(p.outputSize, &panel));
    EXPECT_TRUE(panel.canRecord()) << "Start draws the area";

    f.session.setSelectedRect(QRectF(100, 100, 801, 401));
    EXPECT_FALSE(shown(p.areaLabel, &panel));
    EXPECT_FALSE(shown(p.areaHint, &panel));
    EXPECT_TRUE(shown(p.savedArea, &panel));
    EXPECT_EQ(p.outputSize->sizeText(), QStringLiteral("401 × 201 px"));
    QTest::mouseClick(p.savedArea->reuseButton(), Qt::LeftButton);
    EXPECT_EQ(f.lastAreas, 1);

    f.session.setCaptureMode(CaptureMode::fullScreen);
    EXPECT_FALSE(shown(p.areaSection, &panel));
    EXPECT_FALSE(shown(p.windowSection, &panel));
    EXPECT_EQ(p.outputSize->sizeText(), QStringLiteral("1440 × 900 px"));
    EXPECT_EQ(p.outputSize->accessibleName(), QStringLiteral("Output dimensions: 1440 × 900 px"));

    f.session.setScale(1.0);
    EXPECT_EQ(p.outputSize->sizeText(), QStringLiteral("2880 × 1800 px"));
}

TEST_F(ControlPanelViewTest, NoScreenLeavesTheSizeLineOut)
{
    f.screen.reset();
    ControlPanelView& panel = f.make();
    EXPECT_FALSE(shown(f.parts().outputSize, &panel));
}

TEST_F(ControlPanelViewTest, SlidersShowTheirEndsAndWriteTheSession)
{
    ControlPanelView& panel = f.make();
    const auto& p = f.parts();
    panel.show();
    GradientSlider* fps = p.fps->slider();
    fps->setFocus();
    QTest::keyClick(fps, Qt::Key_Home);
    EXPECT_EQ(f.session.fps(), 5);
    EXPECT_EQ(fps->valueText(), QStringLiteral("5 fps"));
    QTest::keyClick(fps, Qt::Key_End);
    EXPECT_EQ(f.session.fps(), 24);
    EXPECT_EQ(fps->valueText(), QStringLiteral("24 fps"));
    QTest::keyClick(fps, Qt::Key_Left);
    EXPECT_EQ(f.session.fps(), 23);

    // A click on the track jumps to the step under the pointer.
    GradientSlider* scale = p.scale->slider();
    clickAt(scale, QPoint(scale->width() - 2, scale->height() / 2));
    EXPECT_EQ(f.session.scale(), 1.0);
    clickAt(scale, QPoint(8 + qRound((scale->width() - 16) * 2.0 / 3.0), scale->height() / 2));
    EXPECT_EQ(f.session.scale(), 0.75);
    EXPECT_EQ(scale->valueText(), QStringLiteral("75%"));

    // The session's own changes move the sliders without being written back.
    int writes = 0;
    QObject::connect(&f.session, &RecordingSession::fpsChanged, [&] { ++writes; });
    f.session.setFps(12);
    EXPECT_EQ(p.fps->value(), 12);
    EXPECT_EQ(writes, 1);
}

TEST_F(ControlPanelViewTest, CountersStopAtTheirBoundsAndSpeakTheirValue)
{
    f.session.setCountdownSeconds(2);
    f.session.setUseAutoStop(true);
    f.session.setAutoStopSeconds(290);
    ControlPanelView& panel = f.make();
    const auto& p = f.parts();
    panel.show();
    CounterControl* countdown = p.countdownSeconds;
    EXPECT_EQ(countdown->valueText(), QStringLiteral("2s"));

    clickAt(countdown, countdown->minusRect().center());
    EXPECT_EQ(f.session.countdownSeconds(), 1);
    EXPECT_FALSE(countdown->canDecrement());
    EXPECT_TRUE(countdown->canIncrement());
    EXPECT_EQ(countdown->spokenValue(), QStringLiteral("1 second"));
    clickAt(countdown, countdown->minusRect().center());
    EXPECT_EQ(f.session.countdownSeconds(), 1);

    f.session.setCountdownSeconds(29);
    clickAt(countdown, countdown->plusRect().center());
    EXPECT_EQ(f.session.countdownSeconds(), 30);
    EXPECT_FALSE(countdown->canIncrement());
    EXPECT_EQ(countdown->spokenValue(), QStringLiteral("30 seconds"));
    clickAt(countdown, countdown->plusRect().center());
    EXPECT_EQ(f.session.countdownSeconds(), 30);

    // Auto-stop steps by five and stops at 300.
    CounterControl* autoStop = p.autoStopSeconds;
    clickAt(autoStop, autoStop->plusRect().center());
    EXPECT_EQ(f.session.autoStopSeconds(), 295);
    clickAt(autoStop, autoStop->plusRect().center());
    EXPECT_EQ(f.session.autoStopSeconds(), 300);
    EXPECT_FALSE(autoStop->canIncrement());
    f.session.setAutoStopSeconds(7);
    clickAt(autoStop, autoStop->minusRect().center());
    EXPECT_EQ(f.session.autoStopSeconds(), 5) << "held to the lower bound, not 2";
    EXPECT_FALSE(autoStop->canDecrement());

    // The counters show only while their option is on.
    EXPECT_TRUE(shown(autoStop, &panel));
    QTest::mouseClick(p.autoStop, Qt::LeftButton);
    EXPECT_FALSE(f.session.useAutoStop());
    EXPECT_FALSE(shown(autoStop, &panel));
}

TEST_F(ControlPanelViewTest, LoopRowSelectsOnlyTheStoredChoice)
{
    f.session.setLoopCount(2);
    ControlPanelView& panel = f.make();
    panel.show();
    const auto& buttons = f.parts().loop->buttons();
    ASSERT_EQ(buttons.size(), 4u);
    for (const LoopButton* button : buttons)
        EXPECT_FALSE(button->isSelected()) << button->text().toStdString();
    EXPECT_EQ(f.session.loopCount(), 2) << "shown, not changed";

    f.session.setLoopCount(0);
    EXPECT_TRUE(buttons[0]->isSelected());
    EXPECT_EQ(buttons[0]->text(), QStringLiteral("∞"));

    QTest::mouseClick(buttons[2], Qt::LeftButton);
    EXPECT_EQ(f.session.loopCount(), 3);
    EXPECT_FALSE(buttons[0]->isSelected());
    EXPECT_TRUE(buttons[2]->isSelected());
}

TEST_F(ControlPanelViewTest, EveryControlWritesTheSession)
{
    ControlPanelView& panel = f.make();
    const auto& p = f.parts();
    panel.show();
    QTest::mouseClick(p.chips[2], Qt::LeftButton);
    EXPECT_EQ(f.session.captureMode(), CaptureMode::area);
    EXPECT_TRUE(p.chips[2]->isSelected());
    EXPECT_FALSE(p.chips[0]->isSelected());
    QTest::mouseClick(p.chips[1], Qt::LeftButton);
    EXPECT_EQ(f.session.captureMode(), CaptureMode::window);

    const struct {
        panel::Switch* toggle;
        bool (RecordingSession::*read)() const;
    } switches[] = {{p.countdown, &RecordingSession::useCountdown},
                    {p.autoStop, &RecordingSession::useAutoStop},
                    {p.showCursor, &RecordingSession::showCursor},
                    {p.autoCopy, &RecordingSession::autoCopy}};
    for (const auto& entry : switches) {
        SCOPED_TRACE(entry.toggle->text().toStdString());
        const bool before = (f.session.*entry.read)();
        EXPECT_EQ(entry.toggle->isChecked(), before);
        QTest::mouseClick(entry.toggle, Qt::LeftButton);
        EXPECT_EQ((f.session.*entry.read)(), !before);
        EXPECT_EQ(entry.toggle->isChecked(), !before);
    }
    // And the session's changes reach the switches.
    f.session.setShowCursor(true);
    EXPECT_TRUE(p.showCursor->isChecked());
    // The counter's keys step it like its buttons.
    f.session.setUseCountdown(true);
    p.countdownSeconds->setFocus();
    QTest::keyClick(p.countdownSeconds, Qt::Key_Up);
    EXPECT_EQ(f.session.countdownSeconds(), settings::kDefaultCountdownSeconds + 1);
}

TEST_F(ControlPanelViewTest, HeightIsReportedOnEveryChangeAndNeverZero)
{
    ControlPanelView& panel = f.make();
    ASSERT_EQ(f.heights.size(), 1);
    const int start = f.heights.last();
    EXPECT_GT(start, 0);
    EXPECT_EQ(panel.height(), start);
    EXPECT_EQ(panel.width(), ControlPanelView::kWidth);

    f.session.setCaptureMode(CaptureMode::window);
    ASSERT_EQ(f.heights.size(), 2);
    EXPECT_GT(f.heights.last(), start);
    f.session.setCaptureMode(CaptureMode::fullScreen);
    ASSERT_EQ(f.heights.size(), 3);
    EXPECT_EQ(f.heights.last(), start);
    // A change that leaves the height alone reports nothing.
    f.session.setFps(20);
    EXPECT_EQ(f.heights.size(), 3);

    f.session.setErrorMessage(QStringLiteral("Capture failed."));
    EXPECT_GT(f.heights.last(), start);
    f.session.setErrorMessage(std::nullopt);
    EXPECT_EQ(f.heights.last(), start);

    // Shown, the same: the report comes with the change, not a frame later.
    panel.show();
    f.session.setUseCountdown(false);
    const int withoutCounter = f.heights.last();
    EXPECT_LT(withoutCounter, start) << "the counter row is taller than a switch row";
    f.session.setCaptureMode(CaptureMode::area);
    EXPECT_GT(f.heights.last(), withoutCounter);
    EXPECT_EQ(panel.height(), f.heights.last());
    for (const int height : f.heights)
        EXPECT_GT(height, 0);
}

TEST_F(ControlPanelViewTest, ErrorBannerSpeaksAndOffersTheFixesForARefusedCapture)
{
    ControlPanelView& panel = f.make();
    const auto& p = f.parts();
    panel.show();
    EXPECT_FALSE(shown(p.errorBanner, &panel));
    EXPECT_TRUE(f.announcer.spoken.isEmpty());

    f.session.setErrorMessage(QStringLiteral("The window is gone."));
    ASSERT_EQ(f.announcer.spoken.size(), 1);
    EXPECT_EQ(f.announcer.spoken[0].text, QStringLiteral("The window is gone."));
    EXPECT_EQ(f.announcer.spoken[0].priority, Announcer::outcomePriority);
    EXPECT_TRUE(shown(p.errorBanner, &panel));
    EXPECT_EQ(p.errorBanner->text(), QStringLiteral("The window is gone."));
    EXPECT_FALSE(shown(p.errorBanner->settingsButton(), &panel));
    EXPECT_FALSE(shown(p.errorBanner->relaunchButton(), &panel));
    EXPECT_TRUE(shown(p.errorBanner->dismissButton(), &panel));

    f.session.setErrorMessage(
        QStringLiteral("Screen Recording permission denied.\n\nAllow it, then relaunch."));
    ASSERT_EQ(f.announcer.spoken.size(), 2);
    EXPECT_TRUE(f.announcer.spoken[1].text.startsWith(
        QStringLiteral("Screen Recording permission denied. Open")));
    EXPECT_EQ(p.errorBanner->text(), QStringLiteral("Screen Recording permission denied."));
    EXPECT_TRUE(shown(p.errorBanner->settingsButton(), &panel));
    QTest::mouseClick(p.errorBanner->settingsButton(), Qt::LeftButton);
    QTest::mouseClick(p.errorBanner->relaunchButton(), Qt::LeftButton);
    EXPECT_EQ(f.settings, 1);
    EXPECT_EQ(f.relaunches, 1);

    QTest::mouseClick(p.errorBanner->dismissButton(), Qt::LeftButton);
    EXPECT_FALSE(f.session.errorMessage().has_value());
    EXPECT_FALSE(shown(p.errorBanner, &panel));
    EXPECT_EQ(f.announcer.spoken.size(), 2) << "clearing says nothing";
}

TEST_F(ControlPanelViewTest, ErrorPresentAtOpeningIsShownNotSpokenAgain)
{
    f.session.setErrorMessage(QStringLiteral("Capture failed."));
    ControlPanelView& panel = f.make();
    EXPECT_TRUE(shown(f.parts().errorBanner, &panel));
    EXPECT_TRUE(f.announcer.spoken.isEmpty());
}

TEST_F(ControlPanelViewTest, HotKeyBannerReadsTheTrustWhenShownAndBeforeItsRepair)
{
    f.trusted = false;
    ControlPanelView& panel = f.make();
    const auto& p = f.parts();
    EXPECT_FALSE(panel.hotKeyGranted());
    EXPECT_TRUE(shown(p.hotKeyBanner, &panel));
    EXPECT_TRUE(p.hotKeyBanner->caption().contains(QStringLiteral("Ctrl+Shift+G")));
    EXPECT_FALSE(p.hotKeyBanner->caption().contains(QStringLiteral("⌘")));

    // Showing the panel asks again; still untrusted, the banner stays.
    const int queries = f.trustQueries;
    panel.show();
    EXPECT_EQ(f.trustQueries, queries + 1);
    EXPECT_TRUE(shown(p.hotKeyBanner, &panel));

    // The repair reads first, then calls out.
    f.trusted = true;
    QTest::mouseClick(p.hotKeyBanner->repairButton(), Qt::LeftButton);
    EXPECT_EQ(f.repairs, 1);
    EXPECT_TRUE(panel.hotKeyGranted());
    EXPECT_FALSE(shown(p.hotKeyBanner, &panel));

    // A trusted panel does not keep asking.
    panel.hide();
    panel.show();
    EXPECT_EQ(f.trustQueries, queries + 2);
}

TEST_F(ControlPanelViewTest, ControlQAndTheQuitButtonQuit)
{
    ControlPanelView& panel = f.make();
    panel.show();
    QTest::keyClick(&panel, Qt::Key_Q, Qt::ControlModifier);
    QTest::keyClick(&panel, Qt::Key_Q);
    EXPECT_EQ(f.quits, 1);
    QTest::mouseClick(f.parts().header->quitButton(), Qt::LeftButton);
    EXPECT_EQ(f.quits, 2);
    // Keys reach the panel from a focused control too.
    f.parts().chips[0]->setFocus();
    QTest::keyClick(f.parts().chips[0], Qt::Key_Return);
    EXPECT_EQ(f.starts, 1);
}

TEST_F(ControlPanelViewTest, ChosenWindowShowsItsApplicationIconOrTheDrawnOne)
{
    f.session.setCaptureMode(CaptureMode::window);
    f.make();
    ChosenWindowCard* card = f.parts().windowCard;
    f.session.setSelectedWindow(sampleWindow());
    ASSERT_EQ(f.iconRequests.size(), 1);
    EXPECT_EQ(f.iconRequests[0],
              std::make_pair(sampleWindow().windowID, ChosenWindowCard::kIconSize));
    EXPECT_FALSE(card->icon().isNull()) << "no icon of its own: the drawn glyph";

    f.iconToGive = QImage(26, 26, QImage::Format_ARGB32);
    f.iconToGive.fill(Qt::red);
    WindowInfo other = sampleWindow();
    other.windowID += 1;
    f.session.setSelectedWindow(other);
    EXPECT_EQ(card->icon().pixelColor(13, 13), QColor(Qt::red));
    // Settings changes do not look the icon up again.
    f.session.setFps(15);
    EXPECT_EQ(f.iconRequests.size(), 2);
}

TEST_F(ControlPanelViewTest, ModeChipsSpringToTheirNewSelection)
{
    // The first state is shown as it is, without a transition from defaults.
    f.session.setCaptureMode(CaptureMode::window);
    f.make(true);
    EXPECT_EQ(f.scheduler.pendingCount(), 0u);
    ModeChip* area = f.parts().chips[2];
    f.session.setCaptureMode(CaptureMode::area);
    EXPECT_TRUE(area->isSelected()) << "the state at once; the look follows";
    EXPECT_GT(f.scheduler.pendingCount(), 0u);
    f.scheduler.advance(std::chrono::milliseconds(1000));
    EXPECT_EQ(f.scheduler.pendingCount(), 0u) << "at rest within a second";
}

void enter(RecordButton* button)
{
    const QPointF inside = button->buttonRect().center();
    QEnterEvent event(inside, inside, button->mapToGlobal(inside));
    QApplication::sendEvent(button, &event);
}

void leave(RecordButton* button)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(button, &event);
}

TEST_F(ControlPanelViewTest, RecordButtonCastsItsHoverShadowOnTheScheduler)
{
    f.make(true);
    RecordButton* record = f.parts().record;
    enter(record);
    EXPECT_TRUE(record->isHovered());
    EXPECT_EQ(record->shadowOpacity(), 0) << "animated, not yet moved";
    f.scheduler.advance(std::chrono::milliseconds(2000));
    EXPECT_DOUBLE_EQ(record->shadowOpacity(), 0.5);
    EXPECT_DOUBLE_EQ(record->scale(), 1.015);
    leave(record);
    f.scheduler.advance(std::chrono::milliseconds(2000));
    EXPECT_EQ(record->shadowOpacity(), 0);
    EXPECT_EQ(record->scale(), 1);

    // No shadow while it may not record.
    f.session.setCaptureMode(CaptureMode::window);
    enter(record);
    f.scheduler.advance(std::chrono::milliseconds(2000));
    EXPECT_EQ(record->shadowOpacity(), 0);
}

TEST_F(ControlPanelViewTest, ReducedMotionShowsTheShadowAtOnceWithoutGrowing)
{
    f.make(true, true);
    RecordButton* record = f.parts().record;
    enter(record);
    EXPECT_DOUBLE_EQ(record->shadowOpacity(), 0.5);
    EXPECT_EQ(record->scale(), 1);
    EXPECT_EQ(f.scheduler.pendingCount(), 0u);
    f.session.setCaptureMode(CaptureMode::area);
    EXPECT_TRUE(f.parts().chips[2]->isSelected());
    EXPECT_EQ(f.scheduler.pendingCount(), 0u) << "the chips do not animate either";
}

} // namespace
} // namespace kinetta
