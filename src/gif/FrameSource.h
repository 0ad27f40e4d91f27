#pragma once

#include "gif/Result.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace kinetta::gif
{

struct FrameSize {
    int width = 0;
    int height = 0;

    friend bool operator==(const FrameSize&, const FrameSize&) = default;
};

// The frames to encode, read one at a time so that the encoder never needs the
// whole recording decoded at once. readFrame() is called from worker threads,
// concurrently for different indices, and possibly more than once per index.
class FrameSource
{
public:
    virtual ~FrameSource() = default;

    [[nodiscard]] virtual std::size_t frameCount() const = 0;
    // Known without decoding the pixels.
    [[nodiscard]] virtual FrameSize frameSize(std::size_t index) const = 0;
    // Fills out with width*height pixels, rows top to bottom without padding,
    // each 0xAARRGGBB in native byte order. The alpha byte is ignored.
    [[nodiscard]] virtual Status<> readFrame(std::size_t index,
                                             std::span<std::uint32_t> out) const = 0;
};

} // namespace kinetta::gif
