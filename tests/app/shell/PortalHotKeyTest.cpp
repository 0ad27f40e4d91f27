// The hotkey on a Wayland desktop, through the fake desktop portal on a
// private bus: Ctrl+Shift+G bound with GlobalShortcuts, its activation
// starting and stopping a recording, the repair binding afresh, and the
// panel's words where the portal offers no global shortcuts.
#include "ShellFixture.h"
#include "app/PortalHotKey.h"
#include "app/ProcessUntil.h"
#include "capture/portal/GlobalShortcuts.h"
#include "capture/portal/PortalRig.h"
#include "ui/panel/ControlPanelView.h"
#include "ui/panel/PanelBanners.h"
#include "ui/panel/PanelControls.h"

#include <QDBusArgument>
#include <QDBusMessage>

namespace kinetta::test
{
namespace
{

using testing::PortalRig;

// Presses the bound shortcut in the fake portal; how many sessions had it.
unsigned activate(PortalRig& rig, const QString& id)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        portal::kPortalService, portal::kPortalObject, QStringLiteral("org.kinetta.test.FakePortal"),
        QStringLiteral("ActivateShortcut"));
    message.setArguments({id});
    const QDBusMessage reply = rig.bus().call(message);
    return reply.arguments().isEmpty() ? 0 : reply.arguments().constFirst().toUInt();
}

// The shortcuts the last BindShortcuts asked for.
QList<portal::PortalShortcut> askedShortcuts(PortalRig& rig)
{
    portal::registerShortcutTypes();
    const QVariant asked =
        rig.lastOptions(QStringLiteral("GlobalShortcuts.BindShortcuts")).value("shortcuts");
    return qdbus_cast<QList<portal::PortalShortcut>>(qvariant_cast<QDBusArgument>(asked));
}

// The shell on a Wayland desktop whose portal has the modules given.
class PortalShellTest : public ShellTest
{
protected:
    explicit PortalShellTest(std::vector<std::string> modules = {"screencast", "globalshortcuts"})
        : rig(PortalRig::Options{std::move(modules), false})
    {
        pointerHidden = true;
        portalHotKey = [this](std::function<void()> activated) {
            return std::make_unique<PortalHotKey>(rig.bus(), std::move(activated));
        };
    }

    void SetUp() override
    {
        if (const QString missing = PortalRig::missingTools(false); !missing.isEmpty())
            GTEST_SKIP() << "missing: " << missing.toStdString();
        ASSERT_TRUE(rig.problem().isEmpty()) << rig.problem().toStdString();
        ShellTest::SetUp();
    }

    [[nodiscard]] bool settled()
    {
        return processUntil([this] {
            return shell->portalHotKey()->state() != PortalHotKey::State::registering;
        });
    }

    PortalRig rig;
};

TEST_F(PortalShellTest, BindsCtrlShiftGAndItsActivationStartsAndStopsARecording)
{
    ASSERT_NE(shell->portalHotKey(), nullptr);
    ASSERT_TRUE(settled());
    EXPECT_EQ(shell->portalHotKey()->state(), PortalHotKey::State::bound);
    EXPECT_EQ(rig.callCount(QStringLiteral("GlobalShortcuts.CreateSession")), 1u);
    const QList<portal::PortalShortcut> asked = askedShortcuts(rig);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked.front().id, PortalHotKey::kShortcutId);
    EXPECT_EQ(asked.front().properties.value("preferred_trigger").toString(), "CTRL+SHIFT+g");
    EXPECT_EQ(shell->portalHotKey()->triggerDescription(), "CTRL+SHIFT+g");
    EXPECT_FALSE(shell->controlPanel()->parts().hotKeyBanner->isVisibleTo(shell->controlPanel()));
    // Launching binds the hotkey and asks nothing of screen capture.
    EXPECT_EQ(rig.callCount(QStringLiteral("CreateSession")), 0u);
    EXPECT_EQ(rig.callCount(QStringLiteral("SelectSources")), 0u);
    EXPECT_EQ(rig.callCount(QStringLiteral("Start")), 0u);

    session.setCaptureMode(CaptureMode::fullScreen);
    ASSERT_EQ(activate(rig, PortalHotKey::kShortcutId), 1u);
    ASSERT_TRUE(processUntil([this] { return !recorder.pendingStarts.empty(); }));
    recorder.completeStart();
    ASSERT_TRUE(session.isRecording());

    ASSERT_EQ(activate(rig, PortalHotKey::kShortcutId), 1u);
    ASSERT_TRUE(processUntil([this] { return !recorder.pendingStops.empty(); }));
    recorder.completeStop(makeFrames(2));
    EXPECT_FALSE(session.isRecording());
    EXPECT_EQ(recorder.pendingStarts.size(), 0u);
}

TEST_F(PortalShellTest, HotKeyResetBindsAfreshInANewSessionAndARefusalShowsInTheBanner)
{
    ASSERT_TRUE(settled());
    // The desktop declines the next binding: the banner says so and offers
    // the way round.
    rig.setAnswer(QStringLiteral("GlobalShortcuts.BindShortcuts"), 1);
    shell->handleMenuAction(TrayAction::resetHotKeyPermission);
    ASSERT_TRUE(settled());
    EXPECT_EQ(shell->portalHotKey()->state(), PortalHotKey::State::failed);
    EXPECT_EQ(rig.callCount(QStringLiteral("GlobalShortcuts.BindShortcuts")), 2u);
    HotKeyBanner* banner = shell->controlPanel()->parts().hotKeyBanner;
    EXPECT_TRUE(banner->isVisibleTo(shell->controlPanel()));
    EXPECT_TRUE(banner->caption().contains("declined"));
    EXPECT_TRUE(banner->caption().contains("kinetta --toggle"));
    // The earlier session went with the reset: pressing reaches nothing.
    EXPECT_EQ(activate(rig, PortalHotKey::kShortcutId), 0u);

    // The banner's repair binds again, and the hotkey works.
    rig.setAnswer(QStringLiteral("GlobalShortcuts.BindShortcuts"), 0);
    banner->repairButton()->click();
    ASSERT_TRUE(settled());
    EXPECT_EQ(shell->portalHotKey()->state(), PortalHotKey::State::bound);
    EXPECT_FALSE(banner->isVisibleTo(shell->controlPanel()));
    EXPECT_EQ(rig.callCount(QStringLiteral("GlobalShortcuts.CreateSession")), 3u);
    EXPECT_EQ(activate(rig, PortalHotKey::kShortcutId), 1u);
    ASSERT_TRUE(processUntil([this] { return !recorder.pendingStarts.empty(); }));
}

// A portal without global shortcuts: the service says so, and the panel says
// how to bind `kinetta --toggle` in the desktop's settings instead.
class PortalWithoutShortcutsTest : public PortalShellTest
{
protected:
    PortalWithoutShortcutsTest() : PortalShellTest({"screencast"}) {}
};

TEST_F(PortalWithoutShortcutsTest, ThePanelSaysHowToBindTheToggleCommand)
{
    ASSERT_TRUE(settled());
    EXPECT_EQ(shell->portalHotKey()->state(), PortalHotKey::State::unavailable);
    EXPECT_FALSE(shell->hotKey().isTrusted());
    ControlPanelView* panel = shell->controlPanel();
    EXPECT_FALSE(panel->hotKeyGranted());
    HotKeyBanner* banner = panel->parts().hotKeyBanner;
    EXPECT_TRUE(banner->isVisibleTo(panel));
    EXPECT_EQ(banner->caption(), PortalHotKey::unavailableText());
    EXPECT_TRUE(banner->caption().contains("\u201Ckinetta --toggle\u201D"));
    EXPECT_TRUE(banner->caption().contains("shortcut settings"));
    // No session was left behind, and the toggle request still records.
    EXPECT_EQ(rig.callCount(QStringLiteral("GlobalShortcuts.CreateSession")), 0u);
    session.setCaptureMode(CaptureMode::fullScreen);
    shell->handleRequest(InstanceRequest::toggleRecording);
    EXPECT_EQ(recorder.pendingStarts.size(), 1u);
}

} // namespace
} // namespace kinetta::test
