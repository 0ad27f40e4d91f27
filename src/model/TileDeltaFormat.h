#pragma once

// The byte layout of one frame as the tile-delta codec stores it.

#include <cstddef>
#include <cstdint>
#include <span>

namespace kinetta
{

// The general-purpose block compressor under the tile-delta codec; the values
// are stored in every frame's header.
enum class BlockCompression : std::uint8_t { Lz4 = 0, Zstd = 1 };

// Tiles are 64 pixels wide and 16 rows tall (smaller at the right and bottom edge).
inline constexpr int kFrameTileWidth = 64;
inline constexpr int kFrameTileHeight = 16;

inline constexpr std::uint8_t kTileDeltaKeyframe = 0;
inline constexpr std::uint8_t kTileDeltaDelta = 1;
// The pixels' top byte was padding: decoded pixels are made opaque.
inline constexpr std::uint16_t kTileDeltaOpaque = 1;

// Fixed header in front of every encoded frame. A delta follows it with its
// tile indices (uint32 each, ascending), then the compressed tile pixels.
struct TileDeltaHeader {
    std::uint8_t kind;
    std::uint8_t compression;
    std::uint16_t flags;
    std::uint32_t tileCount;
    std::uint64_t rawBytes;
    std::uint64_t packedBytes;
};
static_assert(sizeof(TileDeltaHeader) == 24);

[[nodiscard]] inline std::size_t tilesAlong(int pixels, int tile)
{
    return static_cast<std::size_t>((pixels + tile - 1) / tile);
}

// Whether encoded bytes hold a keyframe (false for damaged data too).
[[nodiscard]] inline bool isKeyframe(std::span<const std::uint8_t> encoded)
{
    return encoded.size() >= sizeof(TileDeltaHeader) && encoded[0] == kTileDeltaKeyframe;
}

} // namespace kinetta
