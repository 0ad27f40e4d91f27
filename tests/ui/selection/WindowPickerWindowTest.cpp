// The picker's window and the shell's calls around it: what choosing and
// cancelling leave in the session, what is said, and when the panel returns.
#include "ui/selection/WindowPickerWindow.h"

#include "PickerTestDoubles.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/selection/WindowCard.h"
#include "ui/selection/WindowCardGrid.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace kinetta::test
{
namespace
{

using namespace std::chrono_literals;

class WindowPickerWindowTest : public ::testing::Test
{
protected:
    WindowPickerWindowTest()
    {
        source->add(1, "xterm", "~");
        source->add(2, "xclock", "");
        session.setWindowListSource(source);
    }
    ~WindowPickerWindowTest() override
    {
        picker.reset();
        snapshots->releaseAll();
    }

    void open(bool compositing = false)
    {
        WindowPickerWindow::Services services{
            {session, scheduler, announcer,
             [gate = snapshots](std::uint32_t id) { return gate->capture(id); }, nullptr, true},
            [this] { ++panelShown; },
            compositing};
        picker = std::make_unique<WindowPickerWindow>(services);
        picker->show();
        QCoreApplication::processEvents();
    }
    void key(Qt::Key k) { QTest::keyClick(picker->view()->searchField(), k); }

    std::shared_ptr<FakeWindowSource> source = std::make_shared<FakeWindowSource>();
    std::shared_ptr<GatedSnapshots> snapshots = std::make_shared<GatedSnapshots>();
    RecordingSession session;
    VirtualScheduler scheduler;
    RecordingAnnouncer announcer;
    int panelShown = 0;
    std::unique_ptr<WindowPickerWindow> picker;
};

TEST_F(WindowPickerWindowTest, ChoosingStoresAnnouncesClosesAndBringsThePanelBackLater)
{
    open();
    QWidget* window = picker->window();
    ASSERT_TRUE(picker->isOpen());
    EXPECT_EQ(window->size(), QSize(540, 600));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window->windowFlags() & Qt::WindowType_Mask, Qt::Window); // a taskbar entry
    // No compositing: the corners are cut by a mask, not left black.
    EXPECT_FALSE(window->mask().contains(QPoint(0, 0)));
    EXPECT_FALSE(window->mask().contains(QPoint(539, 599)));
    EXPECT_TRUE(window->mask().contains(QPoint(270, 300)));
    EXPECT_TRUE(window->mask().contains(QPoint(270, 0)));

    QTest::keyClicks(picker->view()->searchField(), "clock");
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    ASSERT_TRUE(session.selectedWindow());
    EXPECT_EQ(session.selectedWindow()->windowID, 2u);
    EXPECT_EQ(announcer.spoken.back().text, "Window selected: xclock.");
    EXPECT_EQ(announcer.spoken.back().priority, 2000);
    EXPECT_FALSE(picker->isOpen());

    scheduler.advance(119ms);
    EXPECT_EQ(panelShown, 0);
    scheduler.advance(1ms);
    EXPECT_EQ(panelShown, 1);

    // Opened again: a fresh picker, its search empty, the selection marked.
    open();
    EXPECT_EQ(picker->view()->searchQuery(), "");
    EXPECT_TRUE(picker->view()->grid()->cardAt(0)->isSelected()); // xclock sorts first
    // Clicked with a search typed: closing clears the search and rebuilds the
    // grid from inside the card's own click.
    QTest::keyClicks(picker->view()->searchField(), "xt");
    QTest::mouseClick(picker->view()->grid()->cardAt(0), Qt::LeftButton);
    EXPECT_EQ(session.selectedWindow()->windowID, 1u);
    EXPECT_EQ(announcer.spoken.back().text, QString::fromUtf8("Window selected: xterm \u2014 ~."));
}

TEST_F(WindowPickerWindowTest, EscapeCancelsLeavingTheSelectionAndKeysAloneOnceClosed)
{
    session.setSelectedWindow(WindowInfo{1, "xterm", "~", {}, 0, {}});
    open(true);
    EXPECT_TRUE(picker->window()->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(picker->window()->mask().isEmpty());
    const std::size_t said = announcer.spoken.size();
    key(Qt::Key_Escape);
    EXPECT_FALSE(picker->isOpen());
    EXPECT_EQ(session.selectedWindow()->windowID, 1u);
    EXPECT_EQ(announcer.spoken.size(), said);
    scheduler.advance(WindowPickerWindow::panelDelay);
    EXPECT_EQ(panelShown, 1);

    // The closed picker's key filter is gone with it: keys reach other windows.
    QCoreApplication::processEvents(); // runs the deferred deletion
    EXPECT_EQ(picker->view(), nullptr);
    QLineEdit other;
    other.show();
    QTest::keyClicks(&other, "ab");
    QTest::keyClick(&other, Qt::Key_Left);
    EXPECT_EQ(other.cursorPosition(), 1);
}

} // namespace
} // namespace kinetta::test
