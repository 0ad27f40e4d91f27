#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kinetta::gif
{

// Appends the GIF format's pieces to a byte vector: little-endian words,
// colour tables with the size fields that describe them, and image data in
// sub-blocks. The file header and every frame's blocks are written through it.
class GifByteWriter final
{
public:
    explicit GifByteWriter(std::vector<std::uint8_t>& out) : m_out(out) {}

    void byte(std::uint8_t value) { m_out.push_back(value); }
    // 16 bits, low byte first.
    void word(int value);
    void ascii(std::string_view text);
    // The colours (0x..RRGGBB), padded with black to the 1 << tableBits()
    // entries that the table's size field announces.
    void colourTable(std::span<const std::uint32_t> colours);
    // The minimum code size, the packed LZW codes in sub-blocks of at most 255
    // bytes, and the terminator.
    void imageData(std::span<const std::uint8_t> packed, int minCodeSize);

    // Bits per index of the smallest table holding that many colours (1 to 8);
    // a table's size field holds this less one.
    [[nodiscard]] static int tableBits(std::size_t colours);
    // Bytes colourTable() appends for that many colours.
    [[nodiscard]] static std::size_t tableBytes(std::size_t colours);
    // Bytes imageData() appends for that many packed bytes.
    [[nodiscard]] static std::size_t imageDataSize(std::size_t packedBytes);

private:
    std::vector<std::uint8_t>& m_out;
};

} // namespace kinetta::gif
