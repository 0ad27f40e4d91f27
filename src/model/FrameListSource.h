#pragma once

#include "gif/FrameSource.h"
#include "model/Frame.h"

namespace kinetta
{

// Lets the GIF encoder read a recording's frames one at a time, so frames kept
// compressed are decoded only while they are being encoded.
class FrameListSource final : public gif::FrameSource
{
public:
    // Copies the list, which shares the stored frames.
    explicit FrameListSource(FrameList frames) : m_frames(std::move(frames)) {}

    [[nodiscard]] std::size_t frameCount() const override { return m_frames.size(); }
    [[nodiscard]] gif::FrameSize frameSize(std::size_t index) const override;
    [[nodiscard]] Status<> readFrame(std::size_t index,
                                     std::span<std::uint32_t> out) const override;

private:
    FrameList m_frames;
};

} // namespace kinetta
