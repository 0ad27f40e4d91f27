#include "SurveyedFrames.h"

#include <algorithm>
#include <bit>

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

bool SurveyedFrames::weighColours(std::span<const std::size_t> sequence,
                                  const ColourMap& colours,
                                  std::array<std::uint64_t, 256>& counts) const
{
    const auto isKept = [&](std::size_t index) {
        return index < m_runs.size() && !m_runs[index].empty();
    };
    bool weighed = false;
    std::array<std::uint64_t, 256> changed{};
    std::array<std::uint64_t, 256> frame{};
    const auto add = [&](std::uint32_t run, std::uint64_t length) {
        const int k = colours.find(0xFF000000u | (run & 0xFFFFFFu));
        if (k == ColourMap::kNotFound)
            return false;
        frame[static_cast<std::size_t>(k)] += length;
        return true;
    };
    // A frame's colours, were they the table's first entries, would save it
    // as many bits a pixel as their indices (and one more for transparency)
    // need fewer than the whole table's: that saving is shared among them.
    const auto tableBits = std::bit_width(colours.colours().size());
    const auto flush = [&] {
        std::uint64_t pixels = 0;
        std::size_t used = 0;
        for (const std::uint64_t n : frame) {
            pixels += n;
            used += n != 0 ? 1 : 0;
        }
        const auto saved = static_cast<std::uint64_t>(tableBits - std::bit_width(used));
        for (std::size_t k = 0; k < frame.size(); ++k) {
            if (frame[k] != 0)
                changed[k] += pixels * saved * 256 / used;
        }
        frame.fill(0);
    };
    for (std::size_t f = 0; f < sequence.size(); ++f) {
        if (f > 0)
            flush();
        if (!isKept(sequence[f]) || (f > 0 && !isKept(sequence[f - 1])))
            continue;
        weighed = true;
        const std::vector<std::uint32_t>& now = m_runs[sequence[f]];
        if (f == 0) {
            for (const std::uint32_t run : now) {
                if (!add(run, (run >> 24) + 1))
                    return false;
            }
            continue;
        }
        // Both frames' runs side by side, a stretch at a time where neither
        // changes colour.
        const std::vector<std::uint32_t>& before = m_runs[sequence[f - 1]];
        std::size_t a = 0;
        std::size_t b = 0;
        std::uint32_t leftA = (before[0] >> 24) + 1;
        std::uint32_t leftB = (now[0] >> 24) + 1;
        while (a < before.size() && b < now.size()) {
            const std::uint32_t stretch = std::min(leftA, leftB);
            if (((before[a] ^ now[b]) & 0xFFFFFFu) != 0 && !add(now[b], stretch))
                return false;
            leftA -= stretch;
            leftB -= stretch;
            if (leftA == 0 && ++a < before.size())
                leftA = (before[a] >> 24) + 1;
            if (leftB == 0 && ++b < now.size())
                leftB = (now[b] >> 24) + 1;
        }
    }
    flush();
    if (weighed)
        counts = changed;
    return weighed;
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
