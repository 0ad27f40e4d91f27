// The global keys on a private X server: xdotool plays the user, the real key
// observer and a real flow (over a fake recorder) answer.
#include "FlowFixture.h"
#include "ProcessUntil.h"
#include "app/GlobalKeys.h"
#include "capture/TestClient.h"
#include "capture/XvfbServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace kinetta::test
{
namespace
{

QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "global_keys_x11_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

class GlobalKeysX11Test : public FlowTest
{
protected:
    void SetUp() override
    {
        application();
        ASSERT_TRUE(server.running());
        qputenv("DISPLAY", QByteArray::fromStdString(server.display()));
        qputenv("KINETTA_KEYS", "x11");
        ASSERT_TRUE(keys.install()) << keys.untrustedReason().toStdString();
        ASSERT_TRUE(keys.isTrusted());
        // Escape ends every script below: once it has arrived, every key
        // before it has been seen.
        keys.installEscapeMonitor();
    }

    [[nodiscard]] QProcessEnvironment onServer() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", QString::fromStdString(server.display()));
        return environment;
    }
    void xdotool(const QStringList& arguments)
    {
        QProcess process;
        process.setProcessEnvironment(onServer());
        process.start("xdotool", arguments);
        ASSERT_TRUE(process.waitForFinished(10000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }
    // Presses keys, then Escape, and waits until the Escape has come through.
    void pressAndSettle(const QStringList& keyNames)
    {
        session.setCancelCountdown(false);
        xdotool(QStringList{"key"} + keyNames + QStringList{"Escape"});
        ASSERT_TRUE(processUntil([this] { return session.cancelCountdown(); }));
        session.setCancelCountdown(false);
    }

    testing::XvfbServer server;
    GlobalKeys keys{flow, port, createKeyObserver, [] { return false; }};
};

TEST_F(GlobalKeysX11Test, HotkeyStartsThenStopsARecording)
{
    pressAndSettle({"ctrl+shift+g"});
    ASSERT_EQ(recorder.pendingStarts.size(), 1u);
    EXPECT_TRUE(port.calls.contains("closeControlPanel"));
    recorder.completeStart();
    ASSERT_EQ(flow.phase(), RecordingFlow::Phase::recording);
    pressAndSettle({"ctrl+shift+g"});
    EXPECT_EQ(recorder.stopCalls, 1);
}

TEST_F(GlobalKeysX11Test, NothingHappensWithCapsLockOn)
{
    pressAndSettle({"Caps_Lock", "ctrl+shift+g"});
    EXPECT_TRUE(recorder.pendingStarts.empty());
    pressAndSettle({"Caps_Lock", "ctrl+shift+g"});
    EXPECT_EQ(recorder.pendingStarts.size(), 1u);
}

TEST_F(GlobalKeysX11Test, KeyboardStaysFreeForOtherPrograms)
{
    // An observer that grabbed keys would make another client's grab fail.
    testing::TestClient other(server.display());
    ASSERT_TRUE(other.connected());
    xcb_connection_t* c = other.get();
    auto* reply =
        xcb_grab_keyboard_reply(c,
                                xcb_grab_keyboard(c, 0, other.root(), XCB_CURRENT_TIME,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                nullptr);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->status, XCB_GRAB_STATUS_SUCCESS);
    std::free(reply);
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    other.sync();
    pressAndSettle({"ctrl+shift+g"});
    EXPECT_EQ(recorder.pendingStarts.size(), 1u);
}

TEST_F(GlobalKeysX11Test, KeysStillReachTheFocusedTerminal)
{
    // The terminal writes the first line it is given to a file: what it
    // received is what was typed, the hotkey included.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString typed = folder.filePath("typed");
    QProcess terminal;
    terminal.setProcessEnvironment(onServer());
    terminal.start("xterm", {"-name", "kinetta-typing", "-e", "sh", "-c", "head -n 1 > \"$0\"",
                             typed});
    ASSERT_TRUE(terminal.waitForStarted(10000));
    xdotool({"search", "--sync", "--onlyvisible", "--classname", "kinetta-typing", "windowfocus",
             "--sync"});
    pressAndSettle({"ctrl+shift+g"});
    xdotool({"type", "seen"});
    xdotool({"key", "Return"});
    ASSERT_TRUE(terminal.waitForFinished(10000));
    QFile received(typed);
    ASSERT_TRUE(received.open(QIODevice::ReadOnly));
    EXPECT_TRUE(received.readAll().contains("seen"));
    EXPECT_EQ(recorder.pendingStarts.size(), 1u);
}

TEST_F(GlobalKeysX11Test, EscapeInAnotherWindowCancelsTheCountdown)
{
    testing::TestClient other(server.display());
    ASSERT_TRUE(other.connected());
    const xcb_window_t window = other.createWindow({});
    xcb_set_input_focus(other.get(), XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    other.sync();
    session.setUseCountdown(true);
    session.setCountdownSeconds(3);
    flow.beginRecording();
    ASSERT_EQ(flow.phase(), RecordingFlow::Phase::countingDown);
    xdotool({"key", "Escape"});
    ASSERT_TRUE(processUntil([this] { return session.cancelCountdown(); }));
    scheduler.advance(1s);
    EXPECT_EQ(flow.phase(), RecordingFlow::Phase::idle);
    EXPECT_TRUE(recorder.requests.empty());
}

} // namespace
} // namespace kinetta::test
