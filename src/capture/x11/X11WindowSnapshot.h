#pragma once

#include <QImage>
#include <cstdint>
#include <optional>
#include <string>

namespace kinetta::x11
{

// One still image of a window's own contents (no frame), one pixel per pixel.
// Nothing when the window is gone or cannot be read.
[[nodiscard]] std::optional<QImage> captureWindowSnapshot(const std::string& displayName,
                                                          std::uint32_t windowID);

} // namespace kinetta::x11
