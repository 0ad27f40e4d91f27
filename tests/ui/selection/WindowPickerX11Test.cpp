// The picker on a private X server with a window manager and real programs:
// it lists an xterm and an xclock with thumbnails; typing, then the arrows and
// Return, as xdotool sends them, choose the clock; the recording flow then
// records that window.
#include "PickerTestDoubles.h"
#include "app/FlowTestDoubles.h"
#include "app/ProcessUntil.h"
#include "app/RecordingFlow.h"
#include "capture/Compositing.h"
#include "capture/XvfbServer.h"
#include "ui/common/XcbApplication.h"
#include "capture/x11/X11CaptureSource.h"
#include "capture/x11/X11WindowIconReader.h"
#include "capture/x11/X11WindowListSource.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/icons/WindowIconLookup.h"
#include "ui/selection/WindowCard.h"
#include "ui/selection/WindowCardGrid.h"
#include "ui/selection/WindowPickerWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <memory>

namespace kinetta::test
{
namespace
{

using namespace std::chrono_literals;

class WindowPickerX11Test : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_server = std::make_unique<testing::XvfbServer>(1024, 768);
        if (!s_server->running() || !s_server->startWindowManager()) {
            s_unavailable = "Xvfb with openbox did not start";
            return;
        }
        s_app = kinetta::test::openXcbApplication(s_server->display(), "picker_x11_tests");
    }
    static void TearDownTestSuite()
    {
        s_app.reset();
        s_server.reset();
    }

    void SetUp() override
    {
        if (!s_unavailable.empty())
            GTEST_SKIP() << s_unavailable;
        for (const char* tool : {"xterm", "xclock", "xdotool"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed";
    }
    ~WindowPickerX11Test() override
    {
        for (QProcess* program : {&terminal, &clock}) {
            program->kill();
            program->waitForFinished(5000);
        }
    }

    void run(QProcess& process, const QString& program, const QStringList& arguments)
    {
        process.start(program, arguments);
        ASSERT_TRUE(process.waitForStarted(10000)) << program.toStdString();
    }
    void xdotool(const QStringList& arguments)
    {
        QProcess process;
        process.start(QStringLiteral("xdotool"), arguments);
        ASSERT_TRUE(process.waitForFinished(10000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }

    static inline std::unique_ptr<testing::XvfbServer> s_server;
    static inline std::unique_ptr<QApplication> s_app;
    static inline std::string s_unavailable;

    QProcess terminal;
    QProcess clock;
};

TEST_F(WindowPickerX11Test, ListsRealWindowsWithThumbnailsAndTheKeyboardChoosesOneToRecord)
{
    // Each in a colour of its own, so a thumbnail shows whose picture it is.
    run(terminal, "xterm",
        {"-title", "picker terminal", "-geometry", "80x24+10+10", "-bg", "#204080", "-e", "sh",
         "-c", "sleep 60"});
    run(clock, "xclock", {"-geometry", "220x220+600+10", "-bg", "#e0a030", "-update", "1"});

    RecordingSession session;
    session.setWindowListSource(std::make_shared<x11::X11WindowListSource>());
    const auto listed = [&](const QString& className) {
        for (const WindowInfo& window : session.availableWindows())
            if (window.className == className)
                return true;
        return false;
    };
    ASSERT_TRUE(processUntil([&] {
        session.refreshWindows();
        return listed("XTerm") && listed("XClock");
    }));

    VirtualScheduler scheduler;
    RecordingAnnouncer announcer;
    RecordingPort port;
    FakeRecorder recorder;
    FakeEncoder encoder;
    FakeDelivery delivery;
    RecordingFlow flow{{session, scheduler, port, recorder, encoder, delivery}};
    session.setUseCountdown(false);

    auto capture = std::make_shared<x11::X11CaptureSource>();
    WindowIconLookup icons(std::make_shared<x11::X11WindowIconReader>());
    int panelShown = 0;
    WindowPickerWindow picker(
        {{session, scheduler, announcer,
          [capture](std::uint32_t id) { return capture->windowSnapshot(id); }, &icons, true},
         [&] { ++panelShown; },
         compositingManagerRunning(s_server->display())});

    // The menu's "Record Window…" asks the shell for the picker.
    flow.recordWindow();
    ASSERT_TRUE(port.calls.contains("showWindowPicker"));
    picker.show();
    WindowPickerView* view = picker.view();
    ASSERT_TRUE(processUntil([&] {
        const auto cards = view->grid()->cardsInView();
        return cards.size() == 2 && cards[0]->hasThumbnail() && cards[1]->hasThumbnail();
    }));
    for (WindowCard* card : view->grid()->cardsInView()) {
        const std::optional<QImage> image = view->thumbnails().image(card->window().windowID);
        ASSERT_TRUE(image);
        const QRgb expected =
            card->window().className == "XTerm" ? qRgb(0x20, 0x40, 0x80) : qRgb(0xe0, 0xa0, 0x30);
        // The corner, away from the text and the clock's face.
        EXPECT_EQ(image->pixel(1, 1) & 0xffffffu, expected & 0xffffffu)
            << card->window().className.toStdString();
    }

    xdotool({"windowactivate", "--sync", QString::number(picker.window()->winId())});
    xdotool({"type", "--delay", "20", "XCL"});
    ASSERT_TRUE(processUntil([&] { return view->filteredWindows().size() == 1; }));
    EXPECT_EQ(view->searchQuery(), "XCL");
    xdotool({"key", "Down"});
    ASSERT_TRUE(processUntil([&] { return view->keyboardIndex() == 0; }));
    xdotool({"key", "Return"});
    ASSERT_TRUE(processUntil([&] { return session.selectedWindow().has_value(); }));
    EXPECT_EQ(session.selectedWindow()->className, "XClock");
    EXPECT_FALSE(picker.isOpen());
    EXPECT_TRUE(announcer.texts().back().startsWith("Window selected: XClock"));
    scheduler.advance(WindowPickerWindow::panelDelay);
    EXPECT_EQ(panelShown, 1);

    // From the panel the user records: the chosen window is what is recorded.
    flow.initiateRecording();
    scheduler.advance(RecordingFlow::startPause);
    ASSERT_EQ(recorder.requests.size(), 1u);
    EXPECT_EQ(recorder.requests[0].mode, CaptureMode::window);
    EXPECT_EQ(recorder.requests[0].selectedWindowID, session.selectedWindow()->windowID);
}

} // namespace
} // namespace kinetta::test
