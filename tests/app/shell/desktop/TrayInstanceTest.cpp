// Starting the tray program again, `kinetta --toggle`, and a desktop without
// a tray, run as the real program under Xvfb and openbox.

#include "app/ProcessUntil.h"
#include "app/shell/desktop/TrayDesktopTest.h"

#include <algorithm>

using namespace kinetta;
using namespace kinetta::test;

namespace
{

using TrayInstanceTest = TrayDesktopTest;

} // namespace

TEST_F(TrayInstanceTest, ASecondStartAddsNoIconAndOpensTheRunningPanel)
{
    if (!startDesktop({}))
        return;
    const std::optional<SeenWindow> icon = desktop->waitForTrayIcon();
    ASSERT_TRUE(icon);
    const std::set<xcb_window_t> before = shownWindowIds();

    EXPECT_EQ(desktop->runAgain({}), 0) << "the second start did not hand over and end";
    EXPECT_EQ(desktop->trayIcons().size(), 1u);
    EXPECT_TRUE(desktop->program().running());
    const std::optional<SeenWindow> panel = desktop->waitForWindow([&](const SeenWindow& window) {
        return !before.contains(window.id) && window.geometry.width() == kPanelWidth;
    });
    ASSERT_TRUE(panel) << "the running program did not open its panel" << shownWindowsText();
    EXPECT_GT(panel->geometry.top(), icon->geometry.bottom());
}

TEST_F(TrayInstanceTest, ToggleTwiceRecordsAndCopiesTheGif)
{
    if (!startWithCard(/*countdown*/ false, /*autoCopy*/ true))
        return;

    ASSERT_EQ(desktop->runAgain({QStringLiteral("--toggle")}), 0);
    ASSERT_TRUE(waitForRecording(/*countdown*/ false))
        << "the first toggle did not record" << shownWindowsText();
    ASSERT_EQ(desktop->runAgain({QStringLiteral("--toggle")}), 0);

    const std::optional<gif::testing::DecodedGif> gif = clipboardGif();
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->width, desktop->windows().screenSize().width());
    EXPECT_EQ(gif->height, desktop->windows().screenSize().height());
    expectFramesShowCard(*gif, kCard);
    EXPECT_EQ(desktop->trayIcons().size(), 1u);
}

TEST_F(TrayInstanceTest, WithoutATrayThePanelOpensAsANormalWindow)
{
    TrayDesktopOptions options;
    options.trayHost = false;
    if (!startDesktop(options))
        return;
    const std::optional<SeenWindow> panel = desktop->waitForWindow(
        [](const SeenWindow& window) { return window.title == QStringLiteral("Kinetta"); });
    ASSERT_TRUE(panel) << "no window titled Kinetta opened" << shownWindowsText();
    EXPECT_FALSE(panel->overrideRedirect);
    EXPECT_EQ(panel->geometry.width(), kPanelWidth);
    const std::vector<xcb_window_t> listed = desktop->windows().clientList();
    EXPECT_NE(std::find(listed.begin(), listed.end(), panel->id), listed.end())
        << "the panel window has no taskbar entry";
    EXPECT_TRUE(desktop->trayIcons().empty());
}
