#include "model/FrameListSource.h"

#include <string>

namespace kinetta
{

gif::FrameSize FrameListSource::frameSize(std::size_t index) const
{
    if (index >= m_frames.size())
        return {};
    const Frame& frame = m_frames[index];
    return {frame.width(), frame.height()};
}

Status<> FrameListSource::readFrame(std::size_t index, std::span<std::uint32_t> out) const
{
    if (index >= m_frames.size())
        return failure("frame " + std::to_string(index + 1) + " does not exist");
    const Frame& frame = m_frames[index];
    if (frame.isNull())
        return failure("frame " + std::to_string(index + 1) + " is empty");
    if (out.size() < frame.pixelCount())
        return failure("frame " + std::to_string(index + 1) + " does not fit its buffer");
    frame.readPixels(out);
    return {};
}

} // namespace kinetta
