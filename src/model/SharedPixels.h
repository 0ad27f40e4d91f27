#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace kinetta
{

// Pixels kept alive, unchanged, by owner, so that the frame store's codec can
// keep them as its reference for the next frame instead of copying them
// (memory the display server wrote into, for instance).
struct SharedPixels {
    std::span<const std::uint32_t> pixels;
    std::shared_ptr<const void> owner;
    // The top byte of every pixel is padding: the frame is opaque (alpha 0xff)
    // whatever that byte holds.
    bool opaque = false;
};

} // namespace kinetta
