#pragma once

#include <string>

namespace kinetta::x11
{

// Whether a compositing manager runs on the display's screen (the selection
// _NET_WM_CM_S<screen> has an owner). Without one, translucent windows show
// black where they should show what lies beneath. False when the display
// cannot be opened. displayName empty: $DISPLAY.
[[nodiscard]] bool compositingManagerRunning(const std::string& displayName);

} // namespace kinetta::x11
