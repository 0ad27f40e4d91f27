// The tray program on a Wayland desktop: the Qt platform it picks, and where
// its windows open when neither the tray nor the pointer tells a place.
#include "ShellFixture.h"
#include "app/shell/PopoverWindow.h"
#include "app/shell/QtPlatformChoice.h"
#include "app/ProcessUntil.h"
#include "ui/overlays/CountdownOverlayView.h"
#include "ui/overlays/ToastPresenter.h"
#include "ui/overlays/ToastView.h"
#include "ui/panel/ControlPanelView.h"
#include "ui/panel/PanelControls.h"
#include "ui/selection/WindowPickerWindow.h"
#include "ui/selection/AreaOverlay.h"
#include "ui/selection/AreaSelectorView.h"

#include <QCursor>
#include <QScreen>
#include <QTest>

namespace kinetta::test
{
namespace
{

TEST(QtPlatformChoice, PrefersXWaylandOnWaylandAndKeepsWhatTheUserSet)
{
    const auto all = [](const QByteArray&) { return true; };
    const auto onlyWayland = [](const QByteArray& plugin) { return plugin == "wayland"; };
    const auto none = [](const QByteArray&) { return false; };

    // An X11 session, or a platform set by the user: Qt decides as it would.
    EXPECT_TRUE(chooseQtPlatform({{}, "x11", ":0", {}}, all).platform.isEmpty());
    EXPECT_TRUE(chooseQtPlatform({"wayland-0", {}, ":0", "wayland"}, all).platform.isEmpty());
    // Wayland with XWayland: through XWayland; without it, a Wayland client.
    EXPECT_EQ(chooseQtPlatform({"wayland-0", {}, ":1", {}}, all).platform, "xcb");
    EXPECT_EQ(chooseQtPlatform({{}, "Wayland", ":1", {}}, all).platform, "xcb");
    EXPECT_EQ(chooseQtPlatform({"wayland-0", {}, {}, {}}, all).platform, "wayland");
    EXPECT_EQ(chooseQtPlatform({"wayland-0", {}, ":1", {}}, onlyWayland).platform, "wayland");
    // Neither plugin installed: nothing forced, and the reason says so.
    const QtPlatformChoice neither = chooseQtPlatform({"wayland-0", {}, ":1", {}}, none);
    EXPECT_TRUE(neither.platform.isEmpty());
    EXPECT_TRUE(neither.reason.contains("neither"));
}

// No tray geometry (as a StatusNotifierItem tray never gives) and no pointer:
// the panel, the HUD and the toasts open centred on the screen of the last
// interaction, wherever the stale pointer position says.
class PointerHiddenShellTest : public ShellTest
{
protected:
    PointerHiddenShellTest() { pointerHidden = true; }
};

TEST_F(PointerHiddenShellTest, PopoversAndToastsOpenCentredOnTheScreenOfTheLastInteraction)
{
    ASSERT_NE(screen, nullptr);
    const QRect available = screen->availableGeometry();
    QCursor::setPos(available.topLeft() + QPoint(3, 3));

    shell->handleStatusClick();
    PopoverWindow* panel = shell->panelPopover();
    ASSERT_TRUE(panel->isVisible());
    EXPECT_LE(qAbs(panel->geometry().center().x() - available.center().x()), 1);
    EXPECT_TRUE(available.contains(panel->geometry()));
    EXPECT_FALSE(panel->geometry().contains(QCursor::pos()));

    startRecording();
    shell->handleStatusClick();
    PopoverWindow* hud = shell->recordingPopover();
    ASSERT_TRUE(hud->isVisible());
    EXPECT_LE((hud->geometry().center() - available.center()).manhattanLength(), 2);

    shell->flow().stopRecording();
    recorder.completeStop(makeFrames(1));
    ToastView* toast = shell->toasts().current();
    ASSERT_NE(toast, nullptr);
    EXPECT_LE((toast->geometry().center() - available.center()).manhattanLength(), 2);
}

// Area mode where capture chooses the display: its picture is shown over the
// screen that shows it, the selector works on the picture, the countdown
// covers that screen, and the area reaches the recorder mapped onto the
// display's frame.
class StillAreaShellTest : public PointerHiddenShellTest
{
protected:
    StillAreaShellTest()
    {
        displayStill = [this](bool showsCursor) -> std::optional<CaptureResult<DisplayStill>> {
            stillCursors << showsCursor;
            if (stillError)
                return CaptureResult<DisplayStill>(CaptureError{*stillError});
            // A scaled monitor reported at its pixel size, pictured at it.
            const QRect frame(screen->geometry().topLeft(), screen->geometry().size() * 2);
            QImage image(frame.size(), QImage::Format_RGB32);
            image.fill(Qt::darkCyan);
            return CaptureResult<DisplayStill>(DisplayStill{{7, frame}, image});
        };
    }

    QList<bool> stillCursors;
    std::optional<QString> stillError;
};

TEST_F(StillAreaShellTest, TheAreaIsDrawnOnTheDisplaysPictureAndRecordedInItsFrame)
{
    session.setCaptureMode(CaptureMode::area);
    session.setShowCursor(false);
    session.setUseCountdown(true);
    session.setCountdownSeconds(1);
    shell->flow().initiateRecording();
    ASSERT_TRUE(processUntil([this] { return shell->areaOverlay().view() != nullptr; }));
    EXPECT_EQ(stillCursors, QList<bool>{false});
    AreaSelectorView* view = shell->areaOverlay().view();
    EXPECT_FALSE(view->backdrop().isTranslucent());
    EXPECT_EQ(view->backdrop().screenStill().size(), screen->geometry().size() * 2);
    EXPECT_EQ(view->geometry(), screen->geometry());

    // The selector's own keys: an arrow makes the default selection, Return takes it.
    QTest::keyClick(view, Qt::Key_Right);
    const QRectF chosen = *view->selection();
    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_NE(shell->countdownOverlay(), nullptr);
    EXPECT_EQ(shell->countdownOverlay()->geometry(), screen->geometry());
    scheduler.advance(RecordingFlow::countdownStep + RecordingFlow::startPause);
    ASSERT_EQ(recorder.requests.size(), 1u);
    const RecorderRequest& request = recorder.requests.front();
    EXPECT_EQ(request.mode, CaptureMode::area);
    EXPECT_EQ(request.selectedRect, chosen);
    ASSERT_TRUE(request.selectedScreen.has_value());
    EXPECT_DOUBLE_EQ(request.selectedScreen->devicePixelRatio, 2.0);
    EXPECT_EQ(request.selectedScreen->toDevice(chosen).size(), chosen.size() * 2);
}

TEST_F(StillAreaShellTest, ARefusedPictureLeavesTheReasonInThePanel)
{
    stillError = QStringLiteral("The screen-sharing request was declined.");
    session.setCaptureMode(CaptureMode::area);
    shell->flow().initiateRecording();
    ASSERT_TRUE(processUntil([this] { return session.errorMessage().has_value(); }));
    EXPECT_EQ(*session.errorMessage(), *stillError);
    EXPECT_EQ(shell->areaOverlay().view(), nullptr);
    EXPECT_TRUE(shell->panelPopover()->isVisible());
    EXPECT_EQ(shell->flow().phase(), RecordingFlow::Phase::idle);
    EXPECT_TRUE(recorder.requests.empty());
}

// No single windows on this desktop: the window section says so in one line,
// Window mode cannot start from the panel, and the menu's entry opens the
// panel with that line instead of a picker.
class NoWindowsShellTest : public PointerHiddenShellTest
{
protected:
    NoWindowsShellTest() { windowsUnavailable = QStringLiteral("No single windows here."); }
};

TEST_F(NoWindowsShellTest, WindowModeSaysItIsNotAvailable)
{
    shell->handleMenuAction(TrayAction::recordWindow);
    EXPECT_EQ(session.captureMode(), CaptureMode::window);
    EXPECT_FALSE(shell->windowPicker().isOpen());
    ControlPanelView* panel = shell->controlPanel();
    ASSERT_TRUE(shell->panelPopover()->isVisible());
    const ControlPanelView::Parts& parts = panel->parts();
    EXPECT_TRUE(parts.windowsNote->isVisibleTo(panel));
    EXPECT_EQ(parts.windowsNote->text(), windowsUnavailable);
    EXPECT_FALSE(parts.chooseWindow->isVisibleTo(panel));
    EXPECT_FALSE(panel->canRecord());
    EXPECT_EQ(announcer.texts().back(), windowsUnavailable);
    // A window chosen on another desktop does not make it recordable here.
    session.setSelectedWindow(WindowInfo{7, "App", "Title", QRectF(0, 0, 100, 100), 1, {}});
    EXPECT_FALSE(panel->canRecord());
    EXPECT_FALSE(parts.windowCard->isVisibleTo(panel));
}

// Where the desktop's chooser picks the window: the window section says so in
// one line, Window mode can start, and every way of starting it (the menu,
// the panel's button and its start) asks the chooser, off the GUI thread, and
// records the window it gives at its size; a refused chooser leaves the
// reason in the panel.
class WindowChooserShellTest : public PointerHiddenShellTest
{
protected:
    WindowChooserShellTest()
    {
        chooseWindow = [this](bool showsCursor) -> std::optional<CaptureResult<ShareableWindow>> {
            chooserCursors << showsCursor;
            if (chooserError)
                return CaptureResult<ShareableWindow>(CaptureError{*chooserError});
            return CaptureResult<ShareableWindow>(
                ShareableWindow{41, QRectF(0, 0, 90, 60), std::nullopt});
        };
    }

    QList<bool> chooserCursors;
    std::optional<QString> chooserError;
};

TEST_F(WindowChooserShellTest, EveryWindowStartAsksTheDesktopAndRecordsItsChoice)
{
    session.setShowCursor(false);
    session.setUseCountdown(false);
    shell->handleMenuAction(TrayAction::recordWindow);
    EXPECT_EQ(session.captureMode(), CaptureMode::window);
    EXPECT_FALSE(shell->windowPicker().isOpen());
    ASSERT_TRUE(processUntil([this] { return !recorder.pendingStarts.empty(); }));
    EXPECT_EQ(chooserCursors, QList<bool>{false});
    ASSERT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(recorder.requests.front().mode, CaptureMode::window);
    EXPECT_EQ(recorder.requests.front().selectedWindowID, 41u);
    recorder.completeStart();
    shell->flow().stopRecording();
    recorder.completeStop(makeFrames(1));

    // The panel: the chooser's line and button, never a stale chosen window.
    shell->showControlPanel();
    ControlPanelView* panel = shell->controlPanel();
    const ControlPanelView::Parts& parts = panel->parts();
    EXPECT_TRUE(parts.windowsNote->isVisibleTo(panel));
    EXPECT_EQ(parts.windowsNote->text(), TrayShell::kWindowChooserNote);
    EXPECT_TRUE(parts.chooseWindow->isVisibleTo(panel));
    EXPECT_FALSE(parts.windowCard->isVisibleTo(panel));
    EXPECT_TRUE(panel->canRecord());

    // The chooser declined: the permission text in the panel, nothing started.
    chooserError = errorDescription(RecordingError::permissionDenied);
    parts.chooseWindow->click();
    ASSERT_TRUE(processUntil([this] { return session.errorMessage().has_value(); }));
    EXPECT_EQ(*session.errorMessage(), *chooserError);
    EXPECT_EQ(chooserCursors.size(), 2);
    EXPECT_EQ(recorder.requests.size(), 1u);
    EXPECT_TRUE(shell->panelPopover()->isVisible());
    EXPECT_EQ(shell->flow().phase(), RecordingFlow::Phase::idle);
}

} // namespace
} // namespace kinetta::test
