// The overlays on a real X server without a compositing manager: what the
// screen shows under the countdown, and Escape typed as a user would.
#include "app/ProcessUntil.h"
#include "capture/Compositing.h"
#include "capture/XvfbServer.h"
#include "ui/common/XcbApplication.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/overlays/CountdownOverlayView.h"

#include <QApplication>
#include <QPalette>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace kinetta;
using kinetta::test::processUntil;

namespace
{

class OverlaysX11Test : public kinetta::test::XcbSuite
{
protected:
    static void SetUpTestSuite() { openDisplay("overlays_x11_tests"); }

    // A red window over the whole screen: the desktop the overlay covers.
    static std::unique_ptr<QWidget> showDesktop()
    {
        auto desktop = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint |
                                                              Qt::X11BypassWindowManagerHint);
        QPalette palette;
        palette.setColor(QPalette::Window, Qt::red);
        desktop->setPalette(palette);
        desktop->setAutoFillBackground(true);
        desktop->setGeometry(QGuiApplication::primaryScreen()->geometry());
        desktop->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(desktop.get()));
        return desktop;
    }

    // The screen as the X server holds it, at a point far from the overlay's centre.
    static QColor screenCorner()
    {
        QCoreApplication::processEvents();
        return QGuiApplication::primaryScreen()->grabWindow(0).toImage().pixelColor(3, 3);
    }

    VirtualScheduler scheduler;
    RecordingSession session;
};

TEST_F(OverlaysX11Test, WithoutCompositorTheCountdownShowsTheScreenNotBlack)
{
    ASSERT_FALSE(compositingManagerRunning(s_display->display()));
    const std::unique_ptr<QWidget> desktop = showDesktop();
    session.setCountdownValue(3);

    {
        // What the fallback is for: a translucent overlay here reads back black.
        CountdownOverlayView translucent(session, scheduler, true, OverlayBackdrop::translucent());
        translucent.setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        OverlayBackdrop::translucent().applyTo(translucent);
        translucent.setGeometry(QGuiApplication::primaryScreen()->geometry());
        translucent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&translucent));
        ASSERT_TRUE(processUntil([] { return screenCorner().red() < 20; }))
            << "a translucent window here is expected to show black";
    }
    // The still is taken when the overlay opens: let the desktop come back first.
    ASSERT_TRUE(processUntil([] { return screenCorner().red() > 200; }));

    const auto overlay = CountdownOverlayView::openOn(QGuiApplication::primaryScreen(), session,
                                                      scheduler, true, false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(overlay.get()));
    ASSERT_TRUE(processUntil([] { return screenCorner().red() > 200; }));
    const QColor corner = screenCorner();
    EXPECT_GT(corner.red(), 240);
    EXPECT_LT(corner.green(), 10);
    EXPECT_LT(corner.blue(), 10);
}

TEST_F(OverlaysX11Test, EscapeTypedOnTheKeyboardCancelsTheCountdown)
{
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        GTEST_SKIP() << "xdotool is not installed";
    session.setCountdownValue(3);
    const auto overlay = CountdownOverlayView::openOn(QGuiApplication::primaryScreen(), session,
                                                      scheduler, true, false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(overlay.get()));
    ASSERT_TRUE(processUntil([&] { return QApplication::focusWidget() != nullptr; }))
        << "the overlay did not take the keyboard";
    QProcess::execute(xdotool, {QStringLiteral("key"), QStringLiteral("Escape")});
    EXPECT_TRUE(processUntil([&] { return session.cancelCountdown(); }));
}

TEST_F(OverlaysX11Test, CompositingManagerIsSeenWhileItRuns)
{
    const QString xcompmgr = QStandardPaths::findExecutable(QStringLiteral("xcompmgr"));
    if (xcompmgr.isEmpty())
        GTEST_SKIP() << "xcompmgr is not installed";
    const std::string display = s_display->display();
    EXPECT_FALSE(compositingManagerRunning(display));
    QProcess manager;
    manager.start(xcompmgr, {QStringLiteral("-d"), QString::fromStdString(display)});
    ASSERT_TRUE(manager.waitForStarted());
    EXPECT_TRUE(processUntil([&] { return compositingManagerRunning(display); }));
    manager.terminate();
    manager.waitForFinished();
    EXPECT_TRUE(processUntil([&] { return !compositingManagerRunning(display); }));
    // A display that cannot be opened has none.
    EXPECT_FALSE(compositingManagerRunning(":4093"));
}

} // namespace
