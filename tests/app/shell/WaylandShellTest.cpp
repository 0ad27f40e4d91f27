// The tray program on a Wayland desktop: the Qt platform it picks, and where
// its windows open when neither the tray nor the pointer tells a place.
#include "ShellFixture.h"
#include "app/shell/PopoverWindow.h"
#include "app/shell/QtPlatformChoice.h"
#include "ui/overlays/ToastPresenter.h"
#include "ui/overlays/ToastView.h"

#include <QCursor>
#include <QScreen>

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

} // namespace
} // namespace kinetta::test
