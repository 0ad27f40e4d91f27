#pragma once

#include "capture/CaptureSource.h"
#include "capture/WindowIconReader.h"
#include "model/WindowListSource.h"

#include <memory>

namespace kinetta
{

// The one place that picks the capture platform. KINETTA_CAPTURE=x11 or =null
// forces a choice; otherwise X11 when this build has it and DISPLAY is set.
[[nodiscard]] std::shared_ptr<CaptureSource> createCaptureSource();
[[nodiscard]] std::shared_ptr<WindowListSource> createWindowListSource();
[[nodiscard]] std::shared_ptr<WindowIconReader> createWindowIconReader();

} // namespace kinetta
