#pragma once

#include "ColourMap.h"
#include "gif/FrameSource.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace kinetta::gif
{

// The frames the colour survey has read, kept as runs of colour up to a
// budget of bytes, in front of the source they came from: the writing then
// reads them from memory instead of decoding them again. Screen content runs
// about 20 pixels a run, so a 1920x1080 frame takes some 400 KB. Frames not
// kept are read from the source.
class SurveyedFrames final : public FrameSource
{
public:
    SurveyedFrames(const FrameSource& source, std::size_t budgetBytes);

    // Keeps frame index's pixels while the budget allows; safe to call from
    // several threads for different frames, all before the first readFrame().
    void keep(std::size_t index, std::span<const std::uint32_t> pixels);
    [[nodiscard]] std::size_t keptBytes() const { return m_used; }

    // Weighs, by their index in colours, how much the frames of sequence
    // need each colour: a frame shares the pixels it draws anew (those that
    // differ from the frame before it, every pixel of the first) equally
    // among the colours it draws them in, so that the colours of frames of
    // few colours weigh most. Only frames kept, after a frame kept, count.
    // False, with counts untouched, when none does or a colour is not in
    // colours.
    [[nodiscard]] bool weighColours(std::span<const std::size_t> sequence,
                                    const ColourMap& colours,
                                    std::array<std::uint64_t, 256>& counts) const;

    [[nodiscard]] std::size_t frameCount() const override { return m_source.frameCount(); }
    [[nodiscard]] FrameSize frameSize(std::size_t index) const override
    {
        return m_source.frameSize(index);
    }
    // A kept frame's pixels come back opaque (the alpha byte 0xFF).
    [[nodiscard]] Status<> readFrame(std::size_t index,
                                     std::span<std::uint32_t> out) const override;

private:
    const FrameSource& m_source;
    std::size_t m_budget;
    std::mutex m_mutex;
    std::atomic<std::size_t> m_used = 0;
    // Per frame: each run's length less one in the top byte, its colour below.
    std::vector<std::vector<std::uint32_t>> m_runs;
};

} // namespace kinetta::gif
