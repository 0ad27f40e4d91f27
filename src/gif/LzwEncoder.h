#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kinetta::gif
{

// GIF-flavoured LZW (variable code width up to 12 bits, clear code on a full
// table). Keeps its dictionary between calls so a worker can reuse it.
class LzwEncoder final
{
public:
    LzwEncoder();

    // Replaces packed with the packed codes of indices (the GIF image data
    // before it is split into sub-blocks). Every index must be below
    // 1 << minCodeSize; minCodeSize is 2 to 8.
    void compress(std::span<const std::uint8_t> indices, int minCodeSize,
                  std::vector<std::uint8_t>& packed);

    // Appends the image data of one GIF image to out: the minimum code size byte,
    // the packed codes in sub-blocks of at most 255 bytes and the terminator.
    static void appendImageData(std::span<const std::uint8_t> packed, int minCodeSize,
                                std::vector<std::uint8_t>& out);
    // Bytes appendImageData() appends for that many packed bytes.
    [[nodiscard]] static std::size_t imageDataSize(std::size_t packedBytes);

    // compress() followed by appendImageData().
    void encode(std::span<const std::uint8_t> indices, int minCodeSize,
                std::vector<std::uint8_t>& out);

private:
    void resetTable();

    std::vector<std::uint32_t> m_keys;
    std::vector<std::uint16_t> m_codes;
    std::vector<std::uint8_t> m_packed;
};

} // namespace kinetta::gif
