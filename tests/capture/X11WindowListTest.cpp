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

namespace
{

constexpr std::uint32_t kOtherPid = 4000001;

struct WindowListFixture : ::testing::Test {
    XvfbServer server{800, 600};
    std::unique_ptr<TestClient> client;

    void SetUp() override
    {
        ASSERT_TRUE(server.running());
        ASSERT_TRUE(server.startWindowManager());
        client = std::make_unique<TestClient>(server.display());
        ASSERT_TRUE(client->connected());
    }

    xcb_window_t window(int width, int height, const char* appClass, const char* title,
                        std::optional<std::uint32_t> pid = kOtherPid)
    {
        WindowSpec spec;
        spec.x = 10;
        spec.y = 10;
        spec.width = width;
        spec.height = height;
        spec.windowClass = appClass;
        if (title)
            spec.title = title;
        spec.pid = pid;
        return client->createWindow(spec);
    }
};

int argc = 1;
char name[] = "x11_window_list_tests";
char* argv[] = {name, nullptr};

QCoreApplication& application()
{
    static QCoreApplication app(argc, argv);
    return app;
}

} // namespace

TEST_F(WindowListFixture, SourceReportsWhatTheWindowManagerKnowsFrontToBack)
{
    const xcb_window_t first = window(101, 51, "Beta", "one");
    WindowSpec dock;
    dock.width = 300;
    dock.height = 60;
    dock.type = "_NET_WM_WINDOW_TYPE_DOCK";
    dock.pid = kOtherPid;
    const xcb_window_t dockWindow = client->createWindow(dock);
    WindowSpec popup = solidWindow(50, 50, 300, 200, 0);
    popup.overrideRedirect = true;
    popup.pid = kOtherPid;
    const xcb_window_t popupWindow = client->createWindow(popup);
    const xcb_window_t last = window(200, 120, "Alpha", "two");

    x11::X11WindowListSource source(server.display());
    const auto entries = source.listWindows();
    ASSERT_TRUE(entries);
    std::vector<xcb_window_t> ids;
    for (const auto& entry : *entries)
        ids.push_back(entry.windowID);
    // The override-redirect popup is no managed window at all.
    EXPECT_EQ(std::count(ids.begin(), ids.end(), popupWindow), 0);
    const auto find = [&](xcb_window_t id) {
        return std::find_if(entries->begin(), entries->end(),
                            [&](const auto& entry) { return entry.windowID == id; });
    };
    ASSERT_NE(find(first), entries->end());
    ASSERT_NE(find(last), entries->end());
    // Newest on top: front to back puts it first.
    EXPECT_LT(find(last) - entries->begin(), find(first) - entries->begin());
    EXPECT_TRUE(find(first)->ordinary);
    EXPECT_EQ(find(first)->bounds->size(), QSizeF(101, 51));
    EXPECT_EQ(find(first)->appName, QStringLiteral("Beta"));
    EXPECT_EQ(find(first)->title, QStringLiteral("one"));
    EXPECT_EQ(find(first)->pid, kOtherPid);
    if (find(dockWindow) != entries->end()) {
        EXPECT_FALSE(find(dockWindow)->ordinary);
    }
}

TEST_F(WindowListFixture, SessionFiltersSortsAndFollowsTheClientList)
{
    application();
    window(100, 50, "Small", "exactly the limit");
    window(101, 51, "Zeta", "big enough");
    window(300, 200, "alpha", "lower case");
    window(300, 200, "Zeta", "");
    window(400, 300, "Mine", "own window", static_cast<std::uint32_t>(getpid()));
    WindowSpec untitled;
    untitled.width = 300;
    untitled.height = 200;
    untitled.pid = kOtherPid;
    untitled.windowClass = "";
    untitled.instance = "";
    client->createWindow(untitled);
    WindowSpec dock;
    dock.width = 300;
    dock.height = 60;
    dock.type = "_NET_WM_WINDOW_TYPE_DOCK";
    dock.pid = kOtherPid;
    client->createWindow(dock);

    RecordingSession session;
    session.setWindowListSource(std::make_shared<x11::X11WindowListSource>(server.display()));
    session.refreshWindows();
    QStringList listed;
    for (const WindowInfo& info : session.availableWindows())
        listed << info.appName + "/" + info.title;
    EXPECT_EQ(listed, (QStringList{"Unknown/", "Zeta/", "Zeta/big enough", "alpha/lower case"}));

    // A new window reaches the session through the client list.
    const WindowInfo zeta = session.availableWindows()[2];
    session.setSelectedWindow(zeta);
    QEventLoop loop;
    QObject::connect(&session, &RecordingSession::availableWindowsChanged, &loop,
                     &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit); // guard against a hang only
    client->destroyWindow(zeta.windowID);
    loop.exec();
    EXPECT_EQ(session.availableWindows().size(), 3u);
    EXPECT_FALSE(session.selectedWindow());
}

TEST_F(WindowListFixture, ProcessOfAWindowWithoutPidComesFromTheServer)
{
    // Older toolkits set no _NET_WM_PID; the X server still knows a local client's process.
    const xcb_window_t silent = window(200, 100, "Silent", "no pid", std::nullopt);
    x11::X11WindowListSource source(server.display());
    const auto entries = source.listWindows();
    ASSERT_TRUE(entries);
    const auto found = std::find_if(entries->begin(), entries->end(),
                                    [&](const auto& entry) { return entry.windowID == silent; });
    ASSERT_NE(found, entries->end());
    EXPECT_EQ(found->pid, static_cast<std::int64_t>(getpid()));
}
