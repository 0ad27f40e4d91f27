#include "capture/TestClient.h"
#include "capture/XvfbServer.h"
#include "capture/x11/X11WindowIconReader.h"
#include "ui/icons/WindowIconLookup.h"

#include <QGuiApplication>
#include <QPixmap>
#include <gtest/gtest.h>

using namespace kinetta;
using namespace kinetta::testing;

namespace
{

// A w × h image whose pixel (x, y) is base + y * w + x.
void appendIcon(std::vector<std::uint32_t>& values, std::uint32_t width, std::uint32_t height,
                std::uint32_t base)
{
    values.push_back(width);
    values.push_back(height);
    for (std::uint32_t i = 0; i < width * height; ++i)
        values.push_back(base + i);
}

} // namespace

TEST(WindowIconX11Test, AWindowsOwnIconsGiveTheRightSizeAndOthersFallBackToTheTheme)
{
    int argc = 1;
    char name[] = "ui_x11_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv); // offscreen: the lookup needs no display of Qt's
    XvfbServer server;
    ASSERT_TRUE(server.running());
    TestClient client(server.display());
    ASSERT_TRUE(client.connected());

    std::vector<std::uint32_t> icon;
    appendIcon(icon, 16, 16, 0x40000000);
    appendIcon(icon, 48, 32, 0x80000000); // wider than tall
    const xcb_window_t withIcon = client.createWindow({.windowClass = "Painter", .icon = icon});
    const xcb_window_t without = client.createWindow({.windowClass = "Viewer"});

    QStringList asked;
    WindowIconLookup lookup(std::make_shared<x11::X11WindowIconReader>(server.display()),
                            [&](const QString& themeName) {
                                asked << themeName;
                                if (themeName != QStringLiteral("viewer"))
                                    return QIcon();
                                QPixmap pixmap(32, 32);
                                pixmap.fill(Qt::yellow);
                                return QIcon(pixmap);
                            });
    WindowInfo painter;
    painter.windowID = withIcon;
    painter.className = QStringLiteral("Painter");
    WindowInfo viewer;
    viewer.windowID = without;
    viewer.className = QStringLiteral("Viewer");

    const auto icons = lookup.icons({painter, viewer}, 13, 2.0); // 26 pixels
    ASSERT_EQ(icons.size(), 2u);
    EXPECT_EQ(icons[0].origin, WindowIconOrigin::Window);
    ASSERT_EQ(icons[0].image.size(), QSize(48, 32));
    for (const QPoint at : {QPoint(0, 0), QPoint(47, 0), QPoint(5, 7), QPoint(47, 31)})
        EXPECT_EQ(icons[0].image.pixel(at),
                  0x80000000u + static_cast<unsigned>(at.y() * 48 + at.x()));
    EXPECT_EQ(icons[1].origin, WindowIconOrigin::Theme);
    EXPECT_EQ(icons[1].image.pixel(10, 10), qRgb(255, 255, 0));
    EXPECT_EQ(asked, (QStringList{"Viewer", "viewer"})); // never asked for the window with one

    // At 16 pixels the small image fits exactly.
    const WindowIcon small = lookup.icon(painter, 16, 1.0);
    ASSERT_EQ(small.image.size(), QSize(16, 16));
    EXPECT_EQ(small.image.pixel(15, 15), 0x40000000u + 255u);

    // A window gone from the display has no icon left to read.
    client.destroyWindow(withIcon);
    lookup.forget(withIcon);
    EXPECT_EQ(lookup.icon(painter, 16, 1.0).origin, WindowIconOrigin::Drawn);
}
