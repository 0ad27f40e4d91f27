#pragma once

#include <QRectF>
#include <QString>

#include <cstdint>

namespace kinetta {

// One recordable window. The window id is the identity: two records of the same
// window compare equal even when its title or bounds have changed since.
struct WindowInfo {
    std::uint32_t windowID = 0;
    QString appName;
    QString title;
    QRectF frame; // global display coordinates, origin top-left
    std::int32_t pid = 0;
    QString className; // WM_CLASS class; empty when the window names none

    friend bool operator==(const WindowInfo& a, const WindowInfo& b)
    {
        return a.windowID == b.windowID;
    }
};

} // namespace kinetta
