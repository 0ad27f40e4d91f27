#pragma once

#include <string>

namespace kinetta
{

// Whether a compositing manager runs on the display, so that translucent
// windows show what lies beneath them. On X11 one owns _NET_WM_CM_S<screen>;
// without one, translucency shows as black and overlays paint a still of the
// screen instead. False without a display, with capture switched off
// (KINETTA_CAPTURE=null) or in a build without X11. displayName empty: $DISPLAY.
[[nodiscard]] bool compositingManagerRunning(const std::string& displayName = {});

} // namespace kinetta
