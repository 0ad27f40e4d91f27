#pragma once

#include <QByteArray>
#include <functional>

namespace kinetta
{

// The variables of the environment that tell what kind of desktop session
// the program runs in. Read once at start; tests build their own.
struct SessionEnvironment {
    QByteArray waylandDisplay;
    QByteArray sessionType;
    QByteArray x11Display;
    // Set by the user or the desktop: the Qt platform to use.
    QByteArray qtPlatform;

    [[nodiscard]] static SessionEnvironment fromProcess();
};

// A Wayland session: the compositor owns window placement, the pointer and
// the keyboard. Programs cannot read the pointer outside their own windows,
// observe keys meant for others or list others' windows, and capture goes
// through the desktop portal, even where an X server (XWayland) is offered
// beside it: that server only sees the programs that use it.
[[nodiscard]] bool isWaylandSession(const SessionEnvironment& environment);
[[nodiscard]] bool isWaylandSession();

} // namespace kinetta
