#pragma once

#include "gif/FrameSource.h"

#include <cstdint>
#include <optional>
#include <span>

namespace kinetta::gif
{

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The smallest rectangle holding every pixel that differs between two frames
// of one size, or nothing when they are equal.
[[nodiscard]] std::optional<Rect> changedRect(std::span<const std::uint32_t> current,
                                              std::span<const std::uint32_t> previous,
                                              FrameSize size);

} // namespace kinetta::gif
