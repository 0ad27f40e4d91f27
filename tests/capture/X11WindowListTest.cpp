#include "capture/TestClient.h"
#include "capture/XvfbServer.h"
#include "capture/x11/X11WindowListSource.h"
#include "model/RecordingSession.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace kinetta;
using namespace kinetta::testing;

constexpr std::uint32_t kOtherPid = 4000001; // the owner of the listed windows

TEST(X11WindowListTest, ListsManagedWindowsFrontToBackAndTheSessionFiltersAndFollowsThem)
{
    int argc = 1;
    char name[] = "x11_window_list_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    XvfbServer server(800, 600);
    ASSERT_TRUE(server.running());
    ASSERT_TRUE(server.startWindowManager());
    TestClient client(server.display());
    ASSERT_TRUE(client.connected());

    const auto window = [&](int width, int height, const char* appClass, const char* title,
                            std::optional<std::uint32_t> pid = kOtherPid) {
        return client.createWindow({.x = 10,
                                    .y = 10,
                                    .width = width,
                                    .height = height,
                                    .pid = pid,
                                    .windowClass = appClass,
                                    .title = title});
    };
    window(100, 50, "Small", "exactly the limit");
    const xcb_window_t big = window(101, 51, "Zeta", "big enough");
    const xcb_window_t newer = window(300, 200, "alpha", "lower case");
    window(300, 200, "Zeta", "");
    window(400, 300, "Mine", "own window", static_cast<std::uint32_t>(getpid()));
    // Older toolkits set no _NET_WM_PID; the X server still knows a local client's process.
    const xcb_window_t silent = window(200, 100, "Silent", "no pid", std::nullopt);
    client.createWindow({.pid = kOtherPid, .instance = "", .windowClass = ""});
    // An instance without a class names the owner but is no icon theme name.
    const xcb_window_t instanceOnly = client.createWindow(
        {.width = 150, .height = 80, .pid = kOtherPid, .instance = "only", .windowClass = ""});
    const xcb_window_t dock = client.createWindow(
        {.width = 300, .height = 60, .pid = kOtherPid, .type = "_NET_WM_WINDOW_TYPE_DOCK"});
    const xcb_window_t popup =
        client.createWindow({.x = 50, .y = 50, .pid = kOtherPid, .overrideRedirect = true});

    auto source = std::make_shared<x11::X11WindowListSource>(server.display());
    const auto entries = source->listWindows();
    ASSERT_TRUE(entries);
    const auto find = [&](xcb_window_t id) {
        return std::find_if(entries->begin(), entries->end(),
                            [&](const auto& entry) { return entry.windowID == id; });
    };
    EXPECT_EQ(find(popup), entries->end()); // no managed window at all
    ASSERT_NE(find(big), entries->end());
    ASSERT_NE(find(newer), entries->end());
    EXPECT_LT(find(newer), find(big)); // newest on top comes first
    EXPECT_TRUE(find(big)->ordinary);
    EXPECT_EQ(find(big)->bounds->size(), QSizeF(101, 51));
    EXPECT_EQ(find(big)->appName, QStringLiteral("Zeta"));
    EXPECT_EQ(find(big)->className, QStringLiteral("Zeta"));
    EXPECT_EQ(find(big)->title, QStringLiteral("big enough"));
    EXPECT_EQ(find(big)->pid, kOtherPid);
    ASSERT_NE(find(instanceOnly), entries->end());
    EXPECT_EQ(find(instanceOnly)->appName, QStringLiteral("only"));
    EXPECT_FALSE(find(instanceOnly)->className);
    ASSERT_NE(find(silent), entries->end());
    EXPECT_EQ(find(silent)->pid, static_cast<std::int64_t>(getpid()));
    if (find(dock) != entries->end()) {
        EXPECT_FALSE(find(dock)->ordinary);
    }

    // Only kOtherPid programs' ordinary windows above 100x50, sorted by owner then title.
    RecordingSession session;
    session.setWindowListSource(source);
    session.refreshWindows();
    QStringList listed;
    for (const WindowInfo& info : session.availableWindows())
        listed << info.appName + "/" + info.title;
    EXPECT_EQ(listed,
              (QStringList{"Unknown/", "Zeta/", "Zeta/big enough", "alpha/lower case", "only/"}));
    EXPECT_EQ(session.availableWindows()[3].className, QStringLiteral("alpha"));

    // A closed window leaves the list through the client list, and the selection with it.
    const WindowInfo zeta = session.availableWindows()[2];
    session.setSelectedWindow(zeta);
    QEventLoop loop;
    QObject::connect(&session, &RecordingSession::availableWindowsChanged, &loop,
                     &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit); // guard against a hang only
    client.destroyWindow(zeta.windowID);
    loop.exec();
    EXPECT_EQ(session.availableWindows().size(), 4u);
    EXPECT_FALSE(session.selectedWindow());
}
