#include "SurveyedFrames.h"

#include <algorithm>

namespace kinetta::gif
{
namespace
{

constexpr std::uint32_t kLongestRun = 256; // what the top byte holds

} // namespace

SurveyedFrames::SurveyedFrames(const FrameSource& source, std::size_t budgetBytes)
    : m_source(source), m_budget(budgetBytes), m_runs(source.frameCount())
{
}

void SurveyedFrames::keep(std::size_t index, std::span<const std::uint32_t> pixels)
{
    if (index >= m_runs.size() || pixels.empty() || m_used.load() >= m_budget)
        return;
    std::vector<std::uint32_t> runs;
    std::uint32_t colour = pixels[0] & 0xFFFFFFu;
    std::uint32_t length = 0;
    for (const std::uint32_t pixel : pixels) {
        const std::uint32_t next = pixel & 0xFFFFFFu;
        if (next == colour && length < kLongestRun) {
            ++length;
            continue;
        }
        runs.push_back((length - 1) << 24 | colour);
        colour = next;
        length = 1;
    }
    runs.push_back((length - 1) << 24 | colour);
    runs.shrink_to_fit();
    const std::size_t bytes = runs.size() * sizeof(std::uint32_t);
    std::lock_guard lock(m_mutex);
    if (m_used.load() + bytes > m_budget || !m_runs[index].empty())
        return;
    m_used += bytes;
    m_runs[index] = std::move(runs);
}

Status<> SurveyedFrames::readFrame(std::size_t index, std::span<std::uint32_t> out) const
{
    if (index >= m_runs.size() || m_runs[index].empty())
        return m_source.readFrame(index, out);
    std::size_t at = 0;
    for (const std::uint32_t run : m_runs[index]) {
        const std::size_t length = (run >> 24) + 1;
        if (length > out.size() - at)
            return failure("frame " + std::to_string(index + 1) + " does not fit its buffer");
        std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(at), length,
                    0xFF000000u | (run & 0xFFFFFFu));
        at += length;
    }
    const FrameSize size = m_source.frameSize(index);
    if (at != static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height))
        return failure("frame " + std::to_string(index + 1) + " was kept at another size");
    return {};
}

} // namespace kinetta::gif
