#pragma once

#include <QRectF>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kinetta {

// One window as the platform's window list reports it. A field the platform
// could not read is left empty; the session decides what to do with it.
struct WindowListEntry {
    std::uint32_t windowID = 0;
    std::optional<std::int64_t> pid;
    // An ordinary application window: not a dock, desktop, menu, tooltip,
    // notification, splash or override-redirect window.
    bool ordinary = false;
    std::optional<QRectF> bounds; // global coordinates, origin top-left
    std::optional<QString> appName;
    std::optional<QString> title;
    std::optional<QString> className; // WM_CLASS class, for the icon theme
};

// Where the list of windows comes from (EWMH on X11; a fake in tests).
class WindowListSource {
public:
    virtual ~WindowListSource() = default;
    // Front to back. Nothing when the list cannot be read at all.
    [[nodiscard]] virtual std::optional<std::vector<WindowListEntry>> listWindows() = 0;
    // Called on the main thread each time the set of windows changes.
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

} // namespace kinetta
