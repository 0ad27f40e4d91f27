#pragma once

#include "model/Frame.h"

#include <cstddef>

namespace kinetta
{

// What a stopped recording hands over: one frame per frame slot of its rate,
// so that the frames' count matches the recorded time.
struct RecordedFrames {
    FrameList frames;
    // Slots whose grab was missed (late, or dropped while storing fell
    // behind). Each shows the frame before it again, sharing its storage, and
    // is counted in frames.
    std::size_t repeatedFrames = 0;
};

} // namespace kinetta
