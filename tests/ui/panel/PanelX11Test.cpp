// The panel driven as a person drives it: a real X server, the pointer and
// the keyboard moved by xdotool, and the session read back after each step.
#include "PanelFixture.h"
#include "app/ProcessUntil.h"
#include "capture/XvfbServer.h"
#include "ui/common/XcbApplication.h"
#include "ui/panel/CounterControl.h"
#include "ui/panel/ModeChip.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelSections.h"
#include "ui/panel/RecordButton.h"
#include "ui/panel/SliderRow.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace kinetta
{
namespace
{

using test::PanelFixture;
using test::processUntil;

class PanelX11Test : public test::XcbSuite
{
protected:
    // Tall enough for the whole panel with every section shown.
    static void SetUpTestSuite() { openDisplay("panel_x11_tests", 1024, 1024); }

    void SetUp() override
    {
        XcbSuite::SetUp();
        if (IsSkipped())
            return;
        m_xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (m_xdotool.isEmpty())
            GTEST_SKIP() << "xdotool is not installed";
    }

    void xdotool(const QStringList& arguments) const
    {
        ASSERT_EQ(QProcess::execute(m_xdotool, arguments), 0) << arguments.join(' ').toStdString();
    }

    // Moves the pointer to a point of widget and clicks there.
    void clickOn(const QWidget* widget, QPoint at) const
    {
        const QPoint global = widget->mapToGlobal(at);
        xdotool({QStringLiteral("mousemove"), QString::number(global.x()),
                 QString::number(global.y()), QStringLiteral("click"), QStringLiteral("1")});
    }
    void clickOn(const QWidget* widget) const { clickOn(widget, widget->rect().center()); }

    void key(const QString& keys) const { xdotool({QStringLiteral("key"), keys}); }

    QString m_xdotool;
    PanelFixture f;
};

TEST_F(PanelX11Test, ClicksAndKeysSetUpAndStartARecording)
{
    f.session.setCaptureMode(CaptureMode::fullScreen);
    f.session.setFps(10);
    f.session.setUseCountdown(true);
    f.session.setCountdownSeconds(3);
    ControlPanelView& panel = f.make();
    const auto& p = f.parts();
    panel.move(0, 0);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));

    // Window mode without a window: Return does not record, the card opens the picker.
    clickOn(p.chips[1]);
    ASSERT_TRUE(processUntil([&] { return f.session.captureMode() == CaptureMode::window; }));
    ASSERT_TRUE(processUntil([&] { return p.chooseWindow->isVisible(); }));
    clickOn(p.chooseWindow);
    ASSERT_TRUE(processUntil([&] { return f.chooses == 1; }));
    key(QStringLiteral("Return"));

    // Back to the full screen; the frame rate dragged to its upper end.
    clickOn(p.chips[0]);
    ASSERT_TRUE(processUntil([&] { return f.session.captureMode() == CaptureMode::fullScreen; }));
    const QWidget* slider = p.fps->slider();
    const QPoint from = slider->mapToGlobal(QPoint(slider->width() / 4, slider->height() / 2));
    const QPoint to = slider->mapToGlobal(QPoint(slider->width() + 40, slider->height() / 2));
    xdotool({QStringLiteral("mousemove"), QString::number(from.x()), QString::number(from.y()),
             QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove"),
             QString::number(to.x()), QString::number(to.y()), QStringLiteral("mouseup"),
             QStringLiteral("1")});
    EXPECT_TRUE(processUntil([&] { return f.session.fps() == 24; })) << f.session.fps();

    // The countdown's plus, twice; auto-copy switched on.
    clickOn(p.countdownSeconds, p.countdownSeconds->plusRect().center());
    clickOn(p.countdownSeconds, p.countdownSeconds->plusRect().center());
    EXPECT_TRUE(processUntil([&] { return f.session.countdownSeconds() == 5; }))
        << f.session.countdownSeconds();
    clickOn(p.autoCopy);
    EXPECT_TRUE(processUntil([&] { return f.session.autoCopy(); }));

    // Return records now; Ctrl+Q quits.
    EXPECT_EQ(f.starts, 0) << "Return recorded in window mode without a window";
    key(QStringLiteral("Return"));
    EXPECT_TRUE(processUntil([&] { return f.starts == 1; }));
    key(QStringLiteral("ctrl+q"));
    EXPECT_TRUE(processUntil([&] { return f.quits == 1; }));
}

} // namespace
} // namespace kinetta
