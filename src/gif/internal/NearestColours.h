#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kinetta::gif
{

// Maps colours to the nearest opaque entry of a palette (the same entry as
// nearestOpaqueEntry() picks), remembering the answers: a frame repeats its
// colours, so most pixels cost a lookup instead of a search of the palette.
// One instance per thread.
class NearestColours final
{
public:
    // palette: 0xAARRGGBB entries, 0 for a transparent one (never chosen);
    // at most 256. Forgets what was known for the palette before.
    void setPalette(std::span<const std::uint32_t> palette);

    // The nearest opaque entry's index, -1 when the palette has none.
    [[nodiscard]] int nearest(std::uint32_t colour)
    {
        const std::uint32_t key = colour | 0xFF000000u;
        const std::size_t slot = (key * 2654435761u) >> (32 - kSlotBits);
        if (m_keys[slot] == key)
            return m_values[slot];
        return search(key, slot);
    }

    // Fills indices with the nearest entry of each pixel; pixels whose keep
    // byte is 0 get transparentIndex instead. keep is empty or one byte per
    // pixel. False when a visible pixel has no opaque entry to take.
    [[nodiscard]] bool map(std::span<const std::uint32_t> pixels,
                           std::span<const std::uint8_t> keep, int transparentIndex,
                           std::span<std::uint8_t> indices);

private:
    [[nodiscard]] int search(std::uint32_t key, std::size_t slot);

    static constexpr std::size_t kEntries = 256;
    static constexpr unsigned kSlotBits = 17;
    // The opaque entries' channels apart, so the search is one pass over
    // each; unused places sit far outside the colour cube.
    alignas(64) std::int32_t m_red[kEntries] = {};
    alignas(64) std::int32_t m_green[kEntries] = {};
    alignas(64) std::int32_t m_blue[kEntries] = {};
    std::size_t m_opaqueCount = 0;
    std::uint8_t m_paletteIndex[kEntries] = {};
    // Answers by colour, one per slot: a colour that lands on a taken slot
    // replaces it.
    std::vector<std::uint32_t> m_keys;
    std::vector<std::int16_t> m_values;
};

} // namespace kinetta::gif
