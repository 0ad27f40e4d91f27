#include "ColourMap.h"

namespace kinetta::gif
{
namespace
{

inline std::uint32_t slotOf(std::uint32_t colour, std::uint32_t slots)
{
    return (colour * 2654435761u) >> 22 & (slots - 1);
}

} // namespace

void ColourMap::reset(int limit, int firstIndex)
{
    m_keys.fill(0);
    m_colours.clear();
    m_limit = limit;
    m_firstIndex = firstIndex;
    m_overflowed = false;
    m_lastColour = 0; // never a key: keys always carry an opaque alpha
    m_lastIndex = kNotFound;
}

int ColourMap::find(std::uint32_t colour) const
{
    std::uint32_t slot = slotOf(colour, kSlots);
    while (m_keys[slot] != 0) {
        if (m_keys[slot] == colour)
            return m_values[slot];
        slot = (slot + 1) & (kSlots - 1);
    }
    return kNotFound;
}

int ColourMap::lookupSlow(std::uint32_t colour)
{
    if (m_overflowed)
        return kNotFound;
    std::uint32_t slot = slotOf(colour, kSlots);
    while (m_keys[slot] != 0) {
        if (m_keys[slot] == colour) {
            m_lastColour = colour;
            m_lastIndex = m_values[slot];
            return m_lastIndex;
        }
        slot = (slot + 1) & (kSlots - 1);
    }
    if (static_cast<int>(m_colours.size()) >= m_limit) {
        m_overflowed = true;
        return kNotFound;
    }
    const int index = m_firstIndex + static_cast<int>(m_colours.size());
    m_keys[slot] = colour;
    m_values[slot] = static_cast<std::int16_t>(index);
    m_colours.push_back(colour);
    m_lastColour = colour;
    m_lastIndex = index;
    return index;
}

} // namespace kinetta::gif
