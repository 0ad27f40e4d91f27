#include "ui/selection/WindowGridNavigation.h"

#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

WindowInfo window(std::uint32_t id, QString app, QString title)
{
    WindowInfo info;
    info.windowID = id;
    info.appName = std::move(app);
    info.title = std::move(title);
    return info;
}

std::vector<std::uint32_t> ids(const std::vector<WindowInfo>& windows)
{
    std::vector<std::uint32_t> result;
    for (const WindowInfo& w : windows)
        result.push_back(w.windowID);
    return result;
}

TEST(WindowGridNavigationTest, ArrowsMoveFocusAsTheGridTableSays)
{
    const int left = -1, right = 1, up = -2, down = 2;
    struct Case {
        int count;
        std::optional<int> from;
        int step;
        std::optional<int> to;
    };
    const Case cases[] = {
        // Five cards, focus on the last (alone in its row).
        {5, 4, down, 4},
        {5, 4, right, 4},
        {5, 4, up, 2},
        {5, 4, left, 3},
        {5, 0, left, 0},
        {5, 0, up, 0},
        {5, 3, down, 4}, // clamped to the last card, not wrapped
        // Three cards, nothing focused yet.
        {3, std::nullopt, down, 1},
        {3, std::nullopt, up, 1},
        {3, std::nullopt, left, 2},
        {3, std::nullopt, right, 0},
        // One card: every key lands on it; Up from nothing clamps to 0.
        {1, std::nullopt, up, 0},
        {1, std::nullopt, down, 0},
        // No cards: nothing happens.
        {0, std::nullopt, right, std::nullopt},
        {0, std::nullopt, up, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(moveKeyboardIndex(c.from, c.step, c.count), c.to)
            << c.count << " cards, from " << c.from.value_or(-9) << " by " << c.step;
}

TEST(WindowGridNavigationTest, OnlyTheGridsKeysAreTaken)
{
    EXPECT_EQ(gridKeyFor(Qt::Key_Escape), GridKey::escape);
    EXPECT_EQ(gridKeyFor(Qt::Key_Return), GridKey::enter);
    EXPECT_EQ(gridKeyFor(Qt::Key_Enter), GridKey::enter);
    EXPECT_EQ(gridKeyFor(Qt::Key_Left), GridKey::left);
    EXPECT_EQ(gridKeyFor(Qt::Key_Right), GridKey::right);
    EXPECT_EQ(gridKeyFor(Qt::Key_Up), GridKey::up);
    EXPECT_EQ(gridKeyFor(Qt::Key_Down), GridKey::down);
    for (const int other : {Qt::Key_A, Qt::Key_Space, Qt::Key_Backspace, Qt::Key_Tab, Qt::Key_Home,
                            Qt::Key_PageDown, Qt::Key_Delete})
        EXPECT_FALSE(gridKeyFor(other)) << other;
}

TEST(WindowGridNavigationTest, SearchMatchesApplicationThenTitleIgnoringCaseAndSpaces)
{
    const std::vector<WindowInfo> windows = {
        window(1, "Browser", "Welcome Start Page"),
        window(2, "xterm", "build log"),
        window(3, "Files", "Logs"),
        window(4, "xclock", ""),
        window(5, "Editor", "notes about XTERM"),
    };
    EXPECT_EQ(ids(filterWindows(windows, "")), (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(ids(filterWindows(windows, "   ")), (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
    // Capitals and surrounding spaces: application names and titles in any case.
    EXPECT_EQ(ids(filterWindows(windows, "  XTERM ")), (std::vector<std::uint32_t>{2, 5}));
    // Titles alone still list, in the session's order.
    EXPECT_EQ(ids(filterWindows(windows, "LOG")), (std::vector<std::uint32_t>{2, 3}));
    // Inner spaces are part of the query.
    EXPECT_EQ(ids(filterWindows(windows, "start page")), (std::vector<std::uint32_t>{1}));
    EXPECT_TRUE(filterWindows(windows, "x term").empty());
    EXPECT_TRUE(filterWindows({}, "x").empty());
}

TEST(WindowGridNavigationTest, TextsSpokenAndShown)
{
    EXPECT_EQ(windowCountAnnouncement(0), "No windows found.");
    EXPECT_EQ(windowCountAnnouncement(1), "1 window available.");
    EXPECT_EQ(windowCountAnnouncement(3), "3 windows available.");
    EXPECT_EQ(windowCountAnnouncement(50), "50 windows available.");

    EXPECT_EQ(windowLabel(window(1, "xterm", "~/src")), QString::fromUtf8("xterm \u2014 ~/src"));
    EXPECT_EQ(windowLabel(window(1, "xclock", "")), "xclock");

    EXPECT_EQ(windowSizeText({10, 20, 1440.6, 900.4}), QString::fromUtf8("1440\u00D7900"));
    EXPECT_EQ(windowSizeText({0, 0, 101.99, 51.5}), QString::fromUtf8("101\u00D751"));
}

} // namespace
} // namespace kinetta
