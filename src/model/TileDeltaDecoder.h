#pragma once

#include "gif/Result.h"

#include <cstdint>
#include <span>
#include <string>

namespace kinetta
{

// Decodes a keyframe of the tile-delta codec into out (width*height values), or
// applies a delta to out, which must hold the frame before it. Fails with a
// message when the data is damaged.
[[nodiscard]] Status<std::string> decodeTileDelta(std::span<const std::uint8_t> encoded, int width,
                                                  int height, std::span<std::uint32_t> out);

} // namespace kinetta
