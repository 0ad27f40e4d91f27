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
// every colour of the recording when they fit, otherwise the first frame's
// colours; plus a transparent entry where there is room. Frames whose colours
// it holds need no table of their own.
struct GlobalPalette final {
    std::vector<std::uint32_t> colours;     // 0 marks the transparent entry
    int transparentIndex = -1;              // -1 when each frame picks its own
    bool holdsEveryColour = false;          // of the whole recording: no frame needs its own
    ColourMap indexOf;                      // exact colours of the table
    std::vector<std::uint8_t> firstIndices; // the first frame mapped to it, when lossy

    // The first frame's colours, or a quantised palette of it when it has more
    // than 255; the quantiser's failure otherwise.
    [[nodiscard]] static Result<GlobalPalette> fromFrame(std::span<const std::uint32_t> pixels,
                                                         FrameSize size,
                                                         const QuantiserSettings& settings);

    // Every colour of the recording (at most 256, opaque), with how many
    // pixels of the recording have each. Without a transparent entry: each
    // frame picks an entry it does not use.
    [[nodiscard]] static GlobalPalette fromRecording(std::span<const std::uint32_t> colours,
                                                     std::span<const std::uint64_t> pixelCounts);
};

} // namespace kinetta::gif
