#pragma once

#include "capture/CaptureSource.h"
#include "model/WindowListSource.h"

#include <QImage>
#include <cstdint>
#include <memory>
#include <optional>

namespace kinetta
{

// The one place that picks the capture platform. KINETTA_CAPTURE=x11 or =null
// forces a choice; otherwise X11 when this build has it and DISPLAY is set.
[[nodiscard]] std::shared_ptr<CaptureSource> createCaptureSource();
[[nodiscard]] std::shared_ptr<WindowListSource> createWindowListSource();

// A still image of one window's contents at point resolution, for the window
// picker. Nothing when the window has closed or cannot be read; never an error.
// Safe to call from any thread.
[[nodiscard]] std::optional<QImage> captureWindowSnapshot(std::uint32_t windowID);

} // namespace kinetta
