#pragma once

#include <string>

namespace kinetta::x11
{

// Asks the X server who owns _NET_WM_CM_S<screen> for the connection's
// default screen, on a short connection of its own. False when the display
// cannot be opened.
[[nodiscard]] bool compositingManagerRunning(const std::string& displayName);

} // namespace kinetta::x11
