#pragma once

#include <string>

namespace kinetta::x11
{

// Whether a compositing manager owns the screen's _NET_WM_CM_S<n> selection,
// so translucent windows blend instead of showing black. False when the
// display cannot be reached.
[[nodiscard]] bool compositingManagerRunning(const std::string& displayName);

} // namespace kinetta::x11
