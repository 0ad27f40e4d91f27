#include "ShellFixture.h"
#include "app/ProcessUntil.h"
#include "app/shell/PopoverWindow.h"
#include "app/shell/StatusAppearance.h"
#include "app/shell/TrayStatusItem.h"
#include "ui/overlays/CountdownOverlayView.h"
#include "ui/overlays/PaintedButton.h"
#include "ui/overlays/RecordingHUDView.h"
#include "ui/overlays/ToastPresenter.h"
#include "ui/overlays/ToastView.h"
#include "ui/panel/ControlPanelView.h"
#include "ui/panel/PanelBanners.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelSections.h"
#include "ui/panel/RecordButton.h"
#include "ui/preview/PreviewWindow.h"
#include "ui/selection/AreaOverlay.h"
#include "ui/selection/AreaSelectorView.h"
#include "ui/selection/WindowPickerWindow.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

namespace kinetta::test
{
namespace
{

using namespace std::chrono_literals;

// The flow's requests for windows open, replace and drop the real ones.
TEST_F(ShellTest, FlowRequestsOpenAndDropTheirWindows)
{
    shell->showCountdownOverlay();
    ASSERT_NE(shell->countdownOverlay(), nullptr);
    EXPECT_TRUE(shell->countdownOverlay()->isVisible());
    EXPECT_EQ(shell->countdownOverlay()->geometry(), screen->geometry());
    shell->hideCountdownOverlay();
    EXPECT_EQ(shell->countdownOverlay(), nullptr);

    ASSERT_TRUE(shell->showAreaOverlay());
    ASSERT_NE(shell->areaOverlay().view(), nullptr);
    shell->areaOverlay().close();

    // Every top-level window of the program is named, for the desktop checks.
    shell->handleStatusClick();
    shell->showWindowPicker();
    shell->showToast({QStringLiteral("Encoding GIF…"), QStringLiteral("gearshape.fill"),
                      QStringLiteral("7C3AED"), false, ToastKind::encoding});
    ASSERT_TRUE(shell->showAreaOverlay());
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible()) {
            EXPECT_FALSE(window->objectName().isEmpty()) << window->metaObject()->className();
        }
    }
    shell->areaOverlay().close();
    shell->windowPicker().close();
    shell->hideToast();

    shell->showControlPanel();
    ASSERT_TRUE(shell->panelPopover()->isVisible());
    shell->showWindowPicker();
    EXPECT_FALSE(shell->panelPopover()->isVisible());
    EXPECT_TRUE(shell->windowPicker().isOpen());
    shell->windowPicker().close();

    // A second toast replaces the first.
    shell->showToast({QStringLiteral("Encoding GIF…"), QStringLiteral("gearshape.fill"),
                      QStringLiteral("7C3AED"), false, ToastKind::encoding});
    ToastView* first = shell->toasts().current();
    ASSERT_NE(first, nullptr);
    shell->showToast({QStringLiteral("GIF copied to clipboard · 1 KB"),
                      QStringLiteral("checkmark.circle.fill"), QString(), true, ToastKind::copied});
    ASSERT_NE(shell->toasts().current(), nullptr);
    EXPECT_EQ(shell->toasts().current()->toast().message, "GIF copied to clipboard · 1 KB");
    scheduler.advance(ToastPresenter::dismissDelay);
    EXPECT_EQ(shell->toasts().current(), nullptr);
}

// Closing the preview, whichever way, empties the frames and drops the window.
TEST_F(ShellTest, PreviewOpensAfterAStopWithoutAutoCopyAndItsCloseEmptiesTheFrames)
{
    session.setAutoCopy(false);
    startRecording();
    shell->flow().stopRecording();
    recorder.completeStop(makeFrames(3));
    ASSERT_NE(shell->previewWindow(), nullptr);
    EXPECT_TRUE(shell->previewWindow()->isVisible());
    EXPECT_EQ(session.capturedFrames().size(), 3u);

    shell->previewWindow()->close();
    EXPECT_TRUE(session.capturedFrames().empty());
    EXPECT_EQ(shell->previewWindow(), nullptr);

    // Record Again from the menu closes a preview that is open.
    session.setCapturedFrames(makeFrames(2));
    shell->showPreviewWindow();
    ASSERT_NE(shell->previewWindow(), nullptr);
    shell->handleMenuAction(TrayAction::recordAgain);
    EXPECT_EQ(shell->previewWindow(), nullptr);
    EXPECT_TRUE(session.capturedFrames().empty());
    EXPECT_EQ(recorder.pendingStarts.size(), 1u);
}

// The panel popover is 300 wide at every height; the HUD's height follows auto-stop.
TEST_F(ShellTest, PopoverSizes)
{
    shell->handleStatusClick();
    PopoverWindow* panel = shell->panelPopover();
    ASSERT_TRUE(panel->isVisible());
    const int before = panel->height();
    session.setCaptureMode(CaptureMode::area);
    session.setUseCountdown(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(panel->width(), 300);
    EXPECT_NE(panel->height(), before);
    shell->handleStatusClick();
    EXPECT_FALSE(panel->isVisible());

    session.setUseCountdown(false);
    session.setUseAutoStop(true);
    startRecording();
    shell->handleStatusClick();
    EXPECT_TRUE(shell->recordingPopover()->isVisible());
    EXPECT_EQ(shell->recordingPopover()->size(), QSize(280, 352));
    shell->handleStatusClick();
    EXPECT_FALSE(shell->recordingPopover()->isVisible());
    session.setUseAutoStop(false);
    shell->handleStatusClick();
    EXPECT_EQ(shell->recordingPopover()->size(), QSize(280, 276));
}

// During the countdown a click or a later start opens nothing and says how to cancel; the icon
// shows the number and its tool tip says it.
TEST_F(ShellTest, ClickDuringTheCountdownSpeaksTheHintAndOpensNothing)
{
    session.setUseCountdown(true);
    session.setCountdownSeconds(3);
    shell->flow().beginRecording();
    ASSERT_TRUE(session.isCountingDown());
    ASSERT_NE(shell->countdownOverlay(), nullptr);
    EXPECT_EQ(shell->statusItem().appearance(), StatusAppearance::countingDown(3));
    EXPECT_TRUE(shell->globalKeys().isEscapeMonitorInstalled());

    announcer.spoken.clear();
    shell->handleStatusClick();
    shell->handleRequest(InstanceRequest::showPanel); // a later bare start likewise
    EXPECT_EQ(announcer.texts(),
              (QStringList{TrayShell::kCountdownHint, TrayShell::kCountdownHint}));
    EXPECT_FALSE(shell->panelPopover()->isVisible());
    EXPECT_FALSE(shell->recordingPopover()->isVisible());

    scheduler.advance(1s);
    EXPECT_EQ(shell->statusItem().appearance(), StatusAppearance::countingDown(2));
    shell->handleMenuAction(TrayAction::cancelCountdown);
    scheduler.advance(1s);
    EXPECT_FALSE(session.isCountingDown());
    EXPECT_EQ(shell->countdownOverlay(), nullptr);
    EXPECT_FALSE(shell->globalKeys().isEscapeMonitorInstalled());
    EXPECT_EQ(shell->statusItem().appearance(), StatusAppearance::countdownEnded());
    EXPECT_TRUE(recorder.pendingStarts.empty());
}

// The icon shows the time while recording, except under the open HUD; closing
// the HUD shows it again at once, and the end of the recording clears it.
TEST_F(ShellTest, StatusIconFollowsTheRecording)
{
    EXPECT_EQ(shell->statusItem().appearance(), StatusAppearance::idle());
    startRecording();
    scheduler.advance(2s);
    EXPECT_EQ(shell->statusItem().appearance(), StatusAppearance::recording(2));
    shell->handleStatusClick();
    ASSERT_TRUE(shell->isRecordingPopoverShown());
    scheduler.advance(3s);
    EXPECT_EQ(shell->statusItem().appearance(), StatusAppearance::recording(2));
    shell->handleStatusClick();
    EXPECT_EQ(shell->statusItem().appearance(), StatusAppearance::recording(5));
    // Likewise when a press elsewhere closes it.
    shell->handleStatusClick();
    scheduler.advance(1s);
    PopoverWindow* hudPopover = shell->recordingPopover();
    QTest::mousePress(hudPopover, Qt::LeftButton, {}, QPoint(-30, -30));
    EXPECT_FALSE(hudPopover->isVisible());
    EXPECT_EQ(shell->statusItem().appearance(), StatusAppearance::recording(6));

    scheduler.advance(TrayShell::reopenGuard);
    shell->handleStatusClick();
    shell->hud()->stopButton()->click();
    EXPECT_FALSE(shell->isRecordingPopoverShown());
    recorder.completeStop(makeFrames(2));
    EXPECT_EQ(shell->statusItem().appearance(), StatusAppearance::idle());
    EXPECT_EQ(encoder.pending.size(), 1u);
}

// Every menu entry reaches the flow or the permissions service.
TEST_F(ShellTest, MenuActionsDriveTheFlow)
{
    shell->handleMenuAction(TrayAction::recordScreen);
    ASSERT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(recorder.requests[0].mode, CaptureMode::fullScreen);
    recorder.completeStart();
    shell->handleMenuAction(TrayAction::discardRecording);
    ASSERT_EQ(recorder.stopCalls, 1);
    recorder.completeStop(makeFrames(2));
    EXPECT_TRUE(session.capturedFrames().empty());
    EXPECT_TRUE(encoder.pending.empty());

    shell->handleMenuAction(TrayAction::recordArea);
    EXPECT_EQ(session.captureMode(), CaptureMode::area);
    EXPECT_NE(shell->areaOverlay().view(), nullptr);
    shell->areaOverlay().close();

    shell->handleMenuAction(TrayAction::recordWindow);
    EXPECT_EQ(session.captureMode(), CaptureMode::window);
    EXPECT_TRUE(shell->windowPicker().isOpen());
    shell->windowPicker().close();

    shell->handleMenuAction(TrayAction::recordScreen);
    recorder.completeStart();
    shell->handleMenuAction(TrayAction::stopRecording);
    EXPECT_EQ(recorder.stopCalls, 2);

    shell->handleMenuAction(TrayAction::reportIssue);
    ASSERT_TRUE(processUntil([&] { return events.contains("open kinetta.app"); }));
    shell->handleMenuAction(TrayAction::quit);
    EXPECT_EQ(events.last(), "quit");
    // The program's end stops observing the global keys.
    ASSERT_TRUE(shell->globalKeys().isTrusted());
    shell->terminate();
    EXPECT_FALSE(shell->globalKeys().isTrusted());
}

// The menu is built for the state of the moment, from the tray's own menu.
TEST_F(ShellTest, MenuIsBuiltAfreshAtEachOpening)
{
    QMenu* menu = shell->statusItem().contextMenu();
    ASSERT_NE(menu, nullptr);
    const auto texts = [menu] {
        QStringList all;
        for (QAction* action : menu->actions())
            all << action->text();
        return all;
    };
    Q_EMIT menu->aboutToShow();
    EXPECT_TRUE(texts().contains("Record Screen"));
    EXPECT_TRUE(texts().contains("Kinetta 1.0 (abc)"));
    startRecording();
    Q_EMIT menu->aboutToShow();
    EXPECT_FALSE(texts().contains("Record Screen"));
    ASSERT_TRUE(texts().contains("Stop Recording"));
    for (QAction* action : menu->actions())
        if (action->text() == "Stop Recording")
            action->trigger();
    EXPECT_EQ(recorder.stopCalls, 1);
}

// The hotkey's toggle, asked for by a later `kinetta --toggle`.
TEST_F(ShellTest, ToggleRequestStartsAndStopsLikeTheHotkey)
{
    shell->showControlPanel();
    shell->handleRequest(InstanceRequest::toggleRecording);
    EXPECT_FALSE(shell->panelPopover()->isVisible());
    ASSERT_EQ(recorder.pendingStarts.size(), 1u);
    recorder.completeStart();
    // A bare start meanwhile opens the HUD, which can stop it, not the panel.
    shell->handleRequest(InstanceRequest::showPanel);
    EXPECT_TRUE(shell->isRecordingPopoverShown());
    EXPECT_FALSE(shell->panelPopover()->isVisible());
    shell->handleRequest(InstanceRequest::toggleRecording);
    EXPECT_EQ(recorder.stopCalls, 1);
    recorder.completeStop(makeFrames(1));
    shell->handleRequest(InstanceRequest::showPanel);
    EXPECT_TRUE(shell->panelPopover()->isVisible());
}

// A capture that ends by itself stops a running recording with the reason in
// the panel, and is dropped while idle.
TEST_F(ShellTest, StreamErrorStopsOnlyARunningRecording)
{
    ASSERT_TRUE(recorder.streamError);
    recorder.streamError(QStringLiteral("The display went away."));
    EXPECT_FALSE(session.errorMessage().has_value());
    EXPECT_EQ(recorder.stopCalls, 0);

    startRecording();
    recorder.streamError(QStringLiteral("The display went away."));
    EXPECT_EQ(recorder.stopCalls, 1);
    EXPECT_EQ(session.errorMessage(), "Recording stopped: The display went away.");
}

// With no screen the overlays have nothing to cover: nothing crashes, an area
// recording is refused with the reason in the panel, and the countdown goes
// on in the icon alone.
TEST_F(ShellTest, WithoutAScreenThePanelSaysWhy)
{
    screen = nullptr;
    shell->handleMenuAction(TrayAction::recordArea);
    EXPECT_EQ(shell->areaOverlay().view(), nullptr);
    EXPECT_EQ(session.errorMessage(), RecordingFlow::noScreenText());
    EXPECT_TRUE(shell->panelPopover()->isVisible());
    const auto& parts = shell->controlPanel()->parts();
    EXPECT_TRUE(parts.errorBanner->isVisibleTo(shell->controlPanel()));
    EXPECT_EQ(parts.errorBanner->text(), RecordingFlow::noScreenText());
    EXPECT_TRUE(announcer.texts().contains("Recording failed: " + RecordingFlow::noScreenText()));
    EXPECT_TRUE(recorder.pendingStarts.empty());

    session.setCaptureMode(CaptureMode::fullScreen);
    session.setUseCountdown(true);
    session.setCountdownSeconds(1);
    shell->flow().beginRecording();
    EXPECT_EQ(shell->countdownOverlay(), nullptr);
    EXPECT_EQ(shell->statusItem().appearance(), StatusAppearance::countingDown(1));
    scheduler.advance(1s + RecordingFlow::startPause);
    EXPECT_EQ(recorder.pendingStarts.size(), 1u);
}

// A press outside the popover on the icon closes it; the click the tray
// reports for that press must not open it again.
TEST_F(ShellTest, ClickThatClosedThePopoverDoesNotReopenIt)
{
    shell->handleStatusClick();
    PopoverWindow* panel = shell->panelPopover();
    ASSERT_TRUE(panel->isVisible());
    const QPoint outside = panel->mapToGlobal(QPoint(-20, -20));
    QTest::mousePress(panel, Qt::LeftButton, {}, panel->mapFromGlobal(outside));
    EXPECT_FALSE(panel->isVisible());
    shell->handleStatusClick();
    EXPECT_FALSE(panel->isVisible());
    shell->handleStatusClick();
    EXPECT_TRUE(panel->isVisible());

    // A later click, once the press is long gone, is a click of its own.
    QTest::mousePress(panel, Qt::LeftButton, {}, panel->mapFromGlobal(outside));
    scheduler.advance(TrayShell::reopenGuard);
    shell->handleStatusClick();
    EXPECT_TRUE(panel->isVisible());
}

// A relaunch lets go of the single instance before the new process starts.
TEST_F(ShellTest, RelaunchReleasesTheInstanceFirst)
{
    acceptConfirmations = false;
    shell->handleMenuAction(TrayAction::resetScreenPermission);
    EXPECT_EQ(events, QStringList{"confirm"});
    acceptConfirmations = true;
    events.clear();
    shell->handleMenuAction(TrayAction::resetScreenPermission);
    ASSERT_TRUE(processUntil([&] { return events.contains("quit"); }));
    EXPECT_EQ(events, (QStringList{"confirm", "release", "startDetached", "quit"}));
}

// The hotkey's trust: the banner shows when the observer cannot be installed.
class UntrustedShellTest : public ShellTest
{
protected:
    UntrustedShellTest() { observerAvailable = false; }
};

TEST_F(UntrustedShellTest, PanelShowsTheHotKeyBannerUntilARepairWorks)
{
    ControlPanelView* panel = shell->controlPanel();
    EXPECT_FALSE(panel->hotKeyGranted());
    observerAvailable = true;
    shell->handleStatusClick();
    EXPECT_TRUE(panel->hotKeyGranted());
}

// Without a tray the panel and the HUD are windows with a taskbar entry, the
// menu sits in the panel's header, and closing the panel while idle quits.
class NoTrayShellTest : public ShellTest
{
protected:
    NoTrayShellTest() : ShellTest(false) {}
};

TEST_F(NoTrayShellTest, PanelAndHudOpenAsWindows)
{
    session.setAutoCopy(false);
    PopoverWindow* panel = shell->panelPopover();
    EXPECT_EQ(panel->style(), PopoverWindow::Style::window);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->windowTitle(), "Kinetta");
    EXPECT_FALSE(panel->windowFlags().testFlag(Qt::Popup));

    panel::TextButton* menuButton = shell->controlPanel()->parts().header->menuButton();
    ASSERT_TRUE(menuButton->isVisibleTo(panel));
    menuButton->click();
    ASSERT_NE(shell->headerMenu(), nullptr);
    QStringList texts;
    for (QAction* action : shell->headerMenu()->actions())
        texts << action->text();
    EXPECT_TRUE(texts.contains("Record Screen"));
    shell->headerMenu()->close();

    // Starting puts the panel out of the way, in the taskbar; the HUD opens.
    shell->controlPanel()->parts().record->click();
    ASSERT_EQ(recorder.pendingStarts.size(), 1u);
    recorder.completeStart();
    EXPECT_TRUE(panel->isMinimized());
    EXPECT_TRUE(shell->recordingPopover()->isVisible());
    EXPECT_EQ(shell->recordingPopover()->style(), PopoverWindow::Style::window);
    // Closing either window while recording keeps it in the taskbar.
    QSignalSpy quits(shell.get(), &TrayShell::quitRequested);
    panel->close();
    EXPECT_EQ(quits.count(), 0);
    EXPECT_TRUE(panel->isMinimized());
    shell->recordingPopover()->close();
    EXPECT_TRUE(shell->recordingPopover()->isMinimized());
    shell->flow().stopRecording();
    recorder.completeStop(makeFrames(1));
    EXPECT_FALSE(shell->recordingPopover()->isVisible());
    // Back once the recording is over; closing it while the preview is open
    // keeps it, and once nothing else is open quits.
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->isMinimized());
    ASSERT_NE(shell->previewWindow(), nullptr);
    panel->close();
    EXPECT_EQ(quits.count(), 0);
    shell->previewWindow()->close();
    panel->close();
    EXPECT_EQ(quits.count(), 1);

    // A cancelled area brings the panel back too.
    shell->showControlPanel();
    shell->handleMenuAction(TrayAction::recordArea);
    EXPECT_TRUE(panel->isMinimized());
    QTest::keyClick(shell->areaOverlay().view(), Qt::Key_Escape);
    EXPECT_FALSE(panel->isMinimized());
}

} // namespace
} // namespace kinetta::test
