#include "NearestColours.h"

#include <algorithm>

namespace kinetta::gif
{
namespace
{

// Far enough outside the colour cube that no colour is nearer to it than to
// a real entry, near enough that the squared distances fit 32 bits.
constexpr std::int32_t kNowhere = 4096;

} // namespace

void NearestColours::setPalette(std::span<const std::uint32_t> palette)
{
    m_opaqueCount = 0;
    for (std::size_t i = 0; i < palette.size() && i < kEntries; ++i) {
        const std::uint32_t colour = palette[i];
        if (colour == 0)
            continue;
        m_red[m_opaqueCount] = static_cast<std::int32_t>((colour >> 16) & 0xFF);
        m_green[m_opaqueCount] = static_cast<std::int32_t>((colour >> 8) & 0xFF);
        m_blue[m_opaqueCount] = static_cast<std::int32_t>(colour & 0xFF);
        m_paletteIndex[m_opaqueCount] = static_cast<std::uint8_t>(i);
        ++m_opaqueCount;
    }
    std::fill(m_red + m_opaqueCount, m_red + kEntries, kNowhere);
    std::fill(m_green + m_opaqueCount, m_green + kEntries, kNowhere);
    std::fill(m_blue + m_opaqueCount, m_blue + kEntries, kNowhere);
    // No key is 0: every key carries an opaque alpha.
    m_keys.assign(std::size_t{1} << kSlotBits, 0);
    m_values.resize(std::size_t{1} << kSlotBits);
}

int NearestColours::search(std::uint32_t key, std::size_t slot)
{
    int found = -1;
    if (m_opaqueCount != 0) {
        const std::int32_t r = static_cast<std::int32_t>((key >> 16) & 0xFF);
        const std::int32_t g = static_cast<std::int32_t>((key >> 8) & 0xFF);
        const std::int32_t b = static_cast<std::int32_t>(key & 0xFF);
        // A fixed count of independent distances, which compilers vectorise;
        // then the first of the smallest, as the palette orders them.
        std::int32_t distances[kEntries];
        for (std::size_t i = 0; i < kEntries; ++i) {
            const std::int32_t dr = m_red[i] - r;
            const std::int32_t dg = m_green[i] - g;
            const std::int32_t db = m_blue[i] - b;
            distances[i] = dr * dr + dg * dg + db * db;
        }
        const std::int32_t* best = std::min_element(distances, distances + m_opaqueCount);
        found = m_paletteIndex[best - distances];
    }
    m_keys[slot] = key;
    m_values[slot] = static_cast<std::int16_t>(found);
    return found;
}

bool NearestColours::map(std::span<const std::uint32_t> pixels,
                         std::span<const std::uint8_t> keep, int transparentIndex,
                         std::span<std::uint8_t> indices)
{
    std::uint32_t last = 0;
    int lastIndex = -1;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (!keep.empty() && keep[i] == 0) {
            indices[i] = static_cast<std::uint8_t>(transparentIndex);
            continue;
        }
        // Runs of one colour are common: the answer for the last pixel first.
        const std::uint32_t colour = pixels[i] | 0xFF000000u;
        if (colour != last || lastIndex < 0) {
            lastIndex = nearest(colour);
            if (lastIndex < 0)
                return false;
            last = colour;
        }
        indices[i] = static_cast<std::uint8_t>(lastIndex);
    }
    return true;
}

} // namespace kinetta::gif
