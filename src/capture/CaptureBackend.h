#pragma once

#include "capture/CaptureSource.h"
#include "capture/WindowIconReader.h"
#include "model/WindowListSource.h"

#include <functional>
#include <memory>
#include <optional>

namespace kinetta
{

// The one place that picks the capture platform. KINETTA_CAPTURE=x11, =portal
// or =null forces a choice; otherwise the desktop portal in a Wayland session
// (WAYLAND_DISPLAY set, or XDG_SESSION_TYPE=wayland) when this build has
// PipeWire, else X11 when this build has it and DISPLAY is set. Window lists
// and icons come from X11 only.
[[nodiscard]] std::shared_ptr<CaptureSource> createCaptureSource();
[[nodiscard]] std::shared_ptr<WindowListSource> createWindowListSource();
[[nodiscard]] std::shared_ptr<WindowIconReader> createWindowIconReader();
// Whether the desktop, not a list of Kinetta's, chooses the single window to
// record (the desktop portal's chooser, CaptureSource::chooseWindow). Asks the
// portal: not on the GUI thread once it runs.
[[nodiscard]] bool desktopChoosesWindows();
// Why single windows cannot be recorded here; nothing where they can (or
// where capture itself is unavailable, which says so on use).
[[nodiscard]] std::optional<QString> windowCaptureUnavailable();
// Forgets the screen-sharing choice kept for the desktop portal (so that the
// next recording asks again); empty when capture does not go through the portal.
[[nodiscard]] std::function<void()> screenConsentForgetter();

} // namespace kinetta
