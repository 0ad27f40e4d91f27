// The command line in a Wayland session whose desktop portal offers single
// windows: window mode asks the portal's chooser and records the chosen window
// at its size; window ids and the window list mean nothing there.
#include "app/shell/desktop/PrivateHome.h"
#include "capture/portal/PortalRig.h"
#include "capture/portal/TestVideoSource.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace kinetta::test
{
namespace
{

using testing::PortalRig;
using testing::TestVideoSource;

struct Finished {
    int status = -1;
    QString err;
};

Finished runToEnd(QProcess& process)
{
    // Finished already is not finishing now.
    if (process.state() != QProcess::NotRunning) {
        EXPECT_TRUE(process.waitForFinished(30000));
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError())};
}

TEST(WaylandWindowCommand, WindowModeRecordsTheWindowTheDesktopChooses)
{
    if (const QString missing = PortalRig::missingTools(true); !missing.isEmpty())
        GTEST_SKIP() << "missing: " << missing.toStdString();
    PortalRig::Options withWindows;
    withWindows.windowSources = true;
    PortalRig rig(withWindows);
    ASSERT_TRUE(rig.problem().isEmpty()) << rig.problem().toStdString();
    const QSize size(96, 64);
    TestVideoSource window(rig.connectPipeWire(), size);
    ASSERT_NE(window.node(), 0u);
    rig.setWindowStream(window.node(), size.width(), size.height());
    PrivateHome home;
    ASSERT_TRUE(home.usable());
    QProcessEnvironment environment = home.applyTo(QProcessEnvironment::systemEnvironment());
    environment.insert(
        QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
        QStringLiteral("unix:path=%1/bus").arg(QString::fromStdString(rig.runtimeFolder())));
    environment.insert(QStringLiteral("KINETTA_CAPTURE"), QStringLiteral("portal"));
    const auto start = [&](QProcess& process, const QStringList& arguments) {
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KINETTA_EXECUTABLE), arguments);
    };

    const QString output = home.home() + QStringLiteral("/window.gif");
    QProcess record;
    start(record, {"record", "--mode", "window", "--fps", "10", "--scale", "1", "--duration", "1",
                   "--no-countdown", "-o", output});
    // The window keeps changing while it is recorded.
    for (int n = 0; record.state() != QProcess::NotRunning && n < 600; ++n) {
        window.show(n % 8);
        record.waitForFinished(50);
    }
    const Finished recorded = runToEnd(record);
    ASSERT_EQ(recorded.status, 0) << recorded.err.toStdString();
    EXPECT_EQ(rig.lastOptions(QStringLiteral("SelectSources")).value("types").toUInt(), 2u);
    EXPECT_EQ(rig.callCount(QStringLiteral("Start")), 1u);
    QFile gif(output);
    ASSERT_TRUE(gif.open(QIODevice::ReadOnly));
    const QByteArray header = gif.read(10);
    ASSERT_EQ(header.size(), 10);
    // The logical screen: the window at its size (scale 1).
    const auto word = [&](int at) {
        return static_cast<unsigned char>(header[at]) |
               (static_cast<unsigned char>(header[at + 1]) << 8);
    };
    EXPECT_EQ(word(6), size.width());
    EXPECT_EQ(word(8), size.height());

    QProcess byId;
    start(byId, {"record", "--window", "5", "-o", home.home() + QStringLiteral("/id.gif")});
    const Finished refused = runToEnd(byId);
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("leave out --window")))
        << refused.err.toStdString();
    QProcess list;
    start(list, {"windows"});
    const Finished listed = runToEnd(list);
    EXPECT_EQ(listed.status, 1);
    EXPECT_TRUE(listed.err.contains(QStringLiteral("record --mode window")))
        << listed.err.toStdString();
}

} // namespace
} // namespace kinetta::test
