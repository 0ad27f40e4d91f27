#pragma once

#include "capture/x11/XcbConnection.h"

#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace kinetta::x11
{

// One top-level application window as the window manager lists it.
struct X11Window {
    xcb_window_t id = XCB_NONE;
    bool viewable = false;
    bool overrideRedirect = false;
    // Normal or dialog type (or none given), not override-redirect, not hidden.
    bool ordinary = false;
    std::optional<QRect> bounds; // root coordinates
    std::optional<std::int64_t> pid;
    std::optional<QString> appName;   // WM_CLASS class, else its instance
    std::optional<QString> className; // WM_CLASS class
    std::optional<QString> title;   // _NET_WM_NAME, else WM_NAME
};

// The application windows, front to back: the window manager's stacking list,
// or the root's mapped children when no window manager runs. Nothing when the
// list cannot be read.
[[nodiscard]] std::optional<std::vector<X11Window>>
listApplicationWindows(const XcbConnection& connection);

struct TopLevelWindow {
    xcb_window_t id = XCB_NONE; // the frame when a window manager adds one
    QRect bounds;               // root coordinates, frame and border included
};

// The mapped top-level windows owned by process pid, bottom to top.
[[nodiscard]] std::vector<TopLevelWindow> windowsOfProcess(const XcbConnection& connection,
                                                           std::int64_t pid);

// The window's inside in root coordinates; nothing when it is gone.
[[nodiscard]] std::optional<QRect> windowRootBounds(const XcbConnection& connection,
                                                    xcb_window_t window);

} // namespace kinetta::x11
