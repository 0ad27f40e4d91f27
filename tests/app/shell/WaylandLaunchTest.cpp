// The real program in a Wayland session (the fake desktop portal on a private
// bus, no compositor needed offscreen): at launch it binds its hotkey and asks
// nothing of screen capture; the first recording is what asks.
#include "app/ProcessUntil.h"
#include "capture/portal/PortalRig.h"
#include "app/shell/desktop/PrivateHome.h"
#include "app/shell/desktop/ProgramProcess.h"

#include <gtest/gtest.h>

namespace kinetta::test
{
namespace
{

using testing::PortalRig;

TEST(WaylandLaunch, AsksForScreenCaptureAtTheFirstRecordingNotAtLaunch)
{
    if (const QString missing = PortalRig::missingTools(false); !missing.isEmpty())
        GTEST_SKIP() << "missing: " << missing.toStdString();
    PortalRig rig(PortalRig::Options{{"screencast", "globalshortcuts"}, false});
    ASSERT_TRUE(rig.problem().isEmpty()) << rig.problem().toStdString();
    PrivateHome home;
    ASSERT_TRUE(home.usable());
    QProcessEnvironment environment = home.applyTo(QProcessEnvironment::systemEnvironment());
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=%1/bus")
                           .arg(QString::fromStdString(rig.runtimeFolder())));
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("kinetta-test-none"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.remove(QStringLiteral("DISPLAY"));

    ProgramProcess program;
    ASSERT_TRUE(program.start(QStringLiteral(KINETTA_EXECUTABLE), {}, environment));
    const auto started = program.waitForErrorLine(
        {QStringLiteral("tray icon shown"), QStringLiteral("no system tray")}, 20000);
    ASSERT_TRUE(started.has_value()) << program.errorOutput().toStdString();
    EXPECT_TRUE(program.errorOutput().contains("Qt platform: QT_QPA_PLATFORM is set"));
    ASSERT_TRUE(processUntil([&] {
        return rig.callCount(QStringLiteral("GlobalShortcuts.BindShortcuts")) == 1;
    })) << program.errorOutput().toStdString();
    EXPECT_EQ(rig.callCount(QStringLiteral("CreateSession")), 0u);
    EXPECT_EQ(rig.callCount(QStringLiteral("SelectSources")), 0u);
    EXPECT_EQ(rig.callCount(QStringLiteral("Start")), 0u);

    // `kinetta --toggle` hands the start to the running program, which asks now.
    ProgramProcess toggle;
    ASSERT_TRUE(
        toggle.start(QStringLiteral(KINETTA_EXECUTABLE), {QStringLiteral("--toggle")}, environment));
    EXPECT_EQ(toggle.waitForExit(20000), 0);
    ASSERT_TRUE(processUntil([&] { return rig.callCount(QStringLiteral("Start")) == 1; }))
        << program.errorOutput().toStdString();
    EXPECT_EQ(rig.lastOptions(QStringLiteral("SelectSources")).value("persist_mode").toUInt(), 2u);
}

} // namespace
} // namespace kinetta::test
