#include "ui/overlays/PopupPlacement.h"

#include "ui/overlays/MouseScreen.h"

#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

// A 1920 × 1080 screen; the panel holding the tray takes 32 points on one side.
const QRect screen(0, 0, 1920, 1080);
const QSize toast(300, 44);

TEST(PopupPlacementTest, ToastOpensOnTheScreenSideOfTheTrayWhereverTheTrayIs)
{
    struct Case {
        const char* name;
        QRect icon;
        QRect available;
        TrayEdge edge;
        QRect expected;
    } cases[] = {
        // Far edge 54 past the icon's near edge: 44 high gives a gap of 10.
        {"top", {1700, 4, 24, 24}, {0, 32, 1920, 1048}, TrayEdge::top, {1561, 38, 300, 44}},
        {"bottom",
         {1700, 1052, 24, 24},
         {0, 0, 1920, 1048},
         TrayEdge::bottom,
         {1561, 998, 300, 44}},
        // Beside a side tray the toast is wider than the reach: the least gap.
        {"left", {4, 500, 24, 24}, {32, 0, 1888, 1080}, TrayEdge::left, {34, 489, 300, 44}},
        {"right", {1892, 500, 24, 24}, {0, 0, 1888, 1080}, TrayEdge::right, {1586, 489, 300, 44}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(trayEdgeOf(c.icon, screen, c.available), c.edge);
        const QRect placed = placeToast(c.icon, toast, screen, c.available);
        EXPECT_EQ(placed, c.expected);
        EXPECT_TRUE(c.available.contains(placed));
        EXPECT_FALSE(placed.intersects(c.icon));
    }
}

TEST(PopupPlacementTest, PlacementStaysInsideTheAvailableArea)
{
    // An icon in the corner, nearer the side than the top, still belongs to
    // the top panel; centring would push the toast off the screen.
    const QRect available(0, 32, 1920, 1048);
    const QRect corner = placeToast({1900, 4, 20, 24}, toast, screen, available);
    EXPECT_TRUE(available.contains(corner)) << corner.x() << "," << corner.y();
    EXPECT_EQ(corner.right(), available.right());

    // A second screen to the right of the first, tray at its top left.
    const QRect second(1920, 0, 1280, 1024);
    const QRect secondAvailable(1920, 28, 1280, 996);
    const QRect onSecond = placeToast({1922, 2, 22, 22}, toast, second, secondAvailable);
    EXPECT_TRUE(secondAvailable.contains(onSecond));
    EXPECT_EQ(onSecond.left(), secondAvailable.left());

    // The pointer as the anchor when the tray tells nothing (and no panel
    // reserves room): below it in the upper half, above it in the lower.
    const QRect high(QPoint(1910, 20), QSize(1, 1));
    const QRect belowPointer = placeToast(high, toast, screen, screen);
    EXPECT_EQ(trayEdgeOf(high, screen, screen), TrayEdge::top);
    EXPECT_TRUE(screen.contains(belowPointer));
    EXPECT_GT(belowPointer.top(), high.bottom());
    const QRect low(QPoint(700, 900), QSize(1, 1));
    EXPECT_EQ(trayEdgeOf(low, screen, screen), TrayEdge::bottom);
    EXPECT_LT(placeToast(low, toast, screen, screen).bottom(), low.top());

    // Larger than the area: its top-left corner stays visible.
    const QRect tiny(0, 0, 200, 30);
    EXPECT_EQ(keepInside(QRect(50, 10, 300, 44), tiny).topLeft(), tiny.topLeft());
}

TEST(PopupPlacementTest, PopoverKeepsItsGapOnEverySide)
{
    const QSize hud(280, 352);
    const QRect top = placeBesideTray({900, 4, 24, 24}, hud, screen, {0, 32, 1920, 1048}, 4);
    EXPECT_EQ(top.top(), 32);
    EXPECT_EQ(top.left(), 911 - 140);
    const QRect bottom = placeBesideTray({900, 1052, 24, 24}, hud, screen, screen, 4);
    EXPECT_EQ(bottom.bottom(), 1052 - 1 - 4);
    const QRect left = placeBesideTray({4, 500, 24, 24}, hud, screen, {32, 0, 1888, 1080}, 4);
    EXPECT_EQ(left.left(), 28 + 4);
}

// On a 1024 × 600 screen a popover of the room's height, placed beside the
// tray, ends at the available area's far edge and leaves the icon uncovered.
TEST(PopupPlacementTest, RoomBesideTheTrayIsWhatAPopoverFillsWithoutCoveringTheIcon)
{
    const QRect low(0, 0, 1024, 600);
    struct Case {
        const char* name;
        QRect icon;
        QRect available;
        int room;
    } cases[] = {
        // The gap counts from the icon, whose panel ends 2 points lower.
        {"top", {900, 2, 24, 24}, {0, 28, 1024, 572}, 600 - 26 - 6},
        {"bottom", {900, 574, 24, 24}, {0, 0, 1024, 572}, 574 - 6},
        // A tray that reserves no room: the icon lies inside the area.
        {"top, no room reserved", {900, 2, 24, 24}, low, 600 - 26 - 6},
        {"left", {2, 300, 24, 24}, {28, 0, 996, 600}, 600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int room = roomBesideTray(c.icon, low, c.available, 6);
        EXPECT_EQ(room, c.room);
        const QRect placed = placeBesideTray(c.icon, {300, room}, low, c.available, 6);
        EXPECT_TRUE(c.available.contains(placed));
        EXPECT_FALSE(placed.intersects(c.icon));
    }
}

TEST(MouseScreenTest, OverlaysOpenOnTheScreenUnderThePointer)
{
    const QList<QRect> two = {{0, 0, 1440, 900}, {1440, 0, 1920, 1080}};
    EXPECT_EQ(mouseScreenIndex(two, {2000, 500}, 0), 1);
    EXPECT_EQ(mouseScreenIndex(two, {10, 10}, 1), 0);
    // On the shared edge the first screen in the system's order wins.
    const QList<QRect> touching = {{0, 0, 1441, 900}, {1440, 0, 1920, 1080}};
    EXPECT_EQ(mouseScreenIndex(touching, {1440, 300}, 1), 0);
    // Off every screen: the primary, else the first; none without screens.
    EXPECT_EQ(mouseScreenIndex(two, {5000, 5000}, 1), 1);
    EXPECT_EQ(mouseScreenIndex(two, {5000, 5000}, std::nullopt), 0);
    EXPECT_EQ(mouseScreenIndex({}, {0, 0}, std::nullopt), std::nullopt);
}

} // namespace
} // namespace kinetta
