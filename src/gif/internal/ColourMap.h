#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace kinetta::gif
{

// Maps up to `limit` distinct opaque colours (0xFFRRGGBB) to palette indices
// in first-seen order. Screen content mostly has few colours, so this decides
// cheaply whether a frame can be written without any loss.
class ColourMap final
{
public:
    static constexpr int kNotFound = -1;

    // firstIndex: index given to the first colour (1 when 0 is the transparent one).
    void reset(int limit, int firstIndex = 0);

    // The colour's index, adding it when new; kNotFound once the limit is passed.
    [[nodiscard]] int indexOf(std::uint32_t colour)
    {
        if (colour == m_lastColour)
            return m_lastIndex;
        return lookupSlow(colour);
    }
    // The colour's index without adding it, or kNotFound.
    [[nodiscard]] int find(std::uint32_t colour) const;

    // Colours in index order, starting at firstIndex.
    [[nodiscard]] const std::vector<std::uint32_t>& colours() const { return m_colours; }

private:
    int lookupSlow(std::uint32_t colour);

    static constexpr std::uint32_t kSlots = 1024;
    std::array<std::uint32_t, kSlots> m_keys{};
    std::array<std::int16_t, kSlots> m_values{};
    std::vector<std::uint32_t> m_colours;
    int m_limit = 256;
    int m_firstIndex = 0;
    bool m_overflowed = false;
    std::uint32_t m_lastColour = 0;
    int m_lastIndex = kNotFound;
};

} // namespace kinetta::gif
