#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace kinetta::testing
{
class TestClient;
}

namespace kinetta::test
{

// One window of the X server as another client sees it.
struct SeenWindow {
    xcb_window_t id = XCB_NONE;
    QString instance;      // WM_CLASS, first string
    QString windowClass;   // WM_CLASS, second string
    QString title;         // _NET_WM_NAME, else WM_NAME
    QRect geometry;        // on the root window
    bool viewable = false; // mapped, and every ancestor too
    bool overrideRedirect = false;
    QStringList types;                // _NET_WM_WINDOW_TYPE, as atom names
    xcb_window_t trayHost = XCB_NONE; // the tray window it is embedded in, if any
};

// Looks at the windows of a display from outside, as the window manager and
// the user's tools do: the whole tree, WM_CLASS, titles, places, pixels.
class DesktopWindows final
{
public:
    explicit DesktopWindows(const std::string& display);
    ~DesktopWindows();
    DesktopWindows(const DesktopWindows&) = delete;
    DesktopWindows& operator=(const DesktopWindows&) = delete;

    [[nodiscard]] bool connected() const;
    // Every window of the tree with a WM_CLASS, parents before children.
    [[nodiscard]] std::vector<SeenWindow> all();
    // The windows whose WM_CLASS instance is instance.
    [[nodiscard]] std::vector<SeenWindow> ofInstance(const QString& instance);
    // The viewable windows of instance that are not embedded in a tray:
    // the program's popovers, overlays and windows on screen.
    [[nodiscard]] std::vector<SeenWindow> shownWindowsOf(const QString& instance);
    // The windows of instance embedded in the tray host's window.
    [[nodiscard]] std::vector<SeenWindow> trayIconsOf(const QString& instance);
    // The windows the window manager lists for a taskbar (_NET_CLIENT_LIST).
    [[nodiscard]] std::vector<xcb_window_t> clientList();
    // Whether some client owns the selection (the tray's _NET_SYSTEM_TRAY_S0).
    [[nodiscard]] bool selectionOwned(const char* selection);
    // What the screen shows in rect of the root window.
    [[nodiscard]] QImage grab(const QRect& rect);
    [[nodiscard]] QImage grabScreen();
    [[nodiscard]] QSize screenSize() const;
    // Paints the root window's background in one colour.
    void paintBackground(std::uint32_t rgb);

private:
    void walk(xcb_window_t window, bool ancestorsViewable, xcb_window_t trayHost,
              std::vector<SeenWindow>& found);
    [[nodiscard]] std::optional<std::string> property(xcb_window_t window, xcb_atom_t name);
    [[nodiscard]] QStringList windowTypes(xcb_window_t window);

    std::unique_ptr<kinetta::testing::TestClient> m_client;
    xcb_atom_t m_netWmName = XCB_NONE;
    xcb_atom_t m_windowType = XCB_NONE;
};

} // namespace kinetta::test
