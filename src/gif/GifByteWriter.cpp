#include "GifByteWriter.h"

#include <algorithm>

namespace kinetta::gif
{

void GifByteWriter::word(int value)
{
    m_out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    m_out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void GifByteWriter::ascii(std::string_view text)
{
    for (const char c : text)
        m_out.push_back(static_cast<std::uint8_t>(c));
}

void GifByteWriter::colourTable(std::span<const std::uint32_t> colours)
{
    const std::size_t entries = std::size_t{1} << tableBits(colours.size());
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint32_t c = i < colours.size() ? colours[i] : 0;
        m_out.push_back(static_cast<std::uint8_t>(c >> 16));
        m_out.push_back(static_cast<std::uint8_t>(c >> 8));
        m_out.push_back(static_cast<std::uint8_t>(c));
    }
}

void GifByteWriter::imageData(std::span<const std::uint8_t> packed, int minCodeSize)
{
    m_out.reserve(m_out.size() + imageDataSize(packed.size()));
    m_out.push_back(static_cast<std::uint8_t>(minCodeSize));
    for (std::size_t pos = 0; pos < packed.size(); pos += 255) {
        const std::size_t chunk = std::min<std::size_t>(255, packed.size() - pos);
        m_out.push_back(static_cast<std::uint8_t>(chunk));
        m_out.insert(m_out.end(), packed.begin() + static_cast<std::ptrdiff_t>(pos),
                     packed.begin() + static_cast<std::ptrdiff_t>(pos + chunk));
    }
    m_out.push_back(0);
}

int GifByteWriter::tableBits(std::size_t colours)
{
    int bits = 1;
    while ((std::size_t{1} << bits) < colours)
        ++bits;
    return bits;
}

std::size_t GifByteWriter::tableBytes(std::size_t colours)
{
    return 3 * (std::size_t{1} << tableBits(colours));
}

std::size_t GifByteWriter::imageDataSize(std::size_t packedBytes)
{
    return 1 + packedBytes + (packedBytes + 254) / 255 + 1;
}

} // namespace kinetta::gif
