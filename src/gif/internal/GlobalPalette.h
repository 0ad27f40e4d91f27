#pragma once

#include "ColourMap.h"
#include "Quantiser.h"
#include "gif/FrameSource.h"
#include "gif/Result.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kinetta::gif
{

// A colour table shared by every frame, written once in the file's header:
// the first frame's colours plus a transparent entry. Frames whose colours it
// holds need no table of their own.
struct GlobalPalette final {
    std::vector<std::uint32_t> colours; // 0 marks the transparent entry
    int transparentIndex = -1;
    ColourMap indexOf;                      // exact colours of the table
    std::vector<std::uint8_t> firstIndices; // the first frame mapped to it, when lossy

    // The first frame's colours, or a quantised palette of it when it has more
    // than 255; the quantiser's failure otherwise.
    [[nodiscard]] static Result<GlobalPalette> fromFrame(std::span<const std::uint32_t> pixels,
                                                         FrameSize size,
                                                         const QuantiserSettings& settings);
};

} // namespace kinetta::gif
