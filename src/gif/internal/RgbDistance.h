#pragma once

#include <cstdint>
#include <span>

namespace kinetta::gif
{

// The squared distance of two colours' red, green and blue (alpha ignored):
// the measure of how far a colour may be shown by another.
[[nodiscard]] inline int rgbDistanceSquared(std::uint32_t a, std::uint32_t b)
{
    const int dr = static_cast<int>((a >> 16) & 0xFF) - static_cast<int>((b >> 16) & 0xFF);
    const int dg = static_cast<int>((a >> 8) & 0xFF) - static_cast<int>((b >> 8) & 0xFF);
    const int db = static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF);
    return dr * dr + dg * dg + db * db;
}

struct NearestEntry {
    int index = -1; // -1 when the palette has no opaque entry
    int distanceSquared = 0;
};

// The first of the palette's opaque entries nearest to colour; entries of 0
// are transparent and skipped.
[[nodiscard]] inline NearestEntry nearestOpaqueEntry(std::uint32_t colour,
                                                     std::span<const std::uint32_t> palette)
{
    NearestEntry best;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        if (palette[i] == 0)
            continue;
        const int distance = rgbDistanceSquared(palette[i], colour);
        if (best.index < 0 || distance < best.distanceSquared)
            best = {static_cast<int>(i), distance};
    }
    return best;
}

} // namespace kinetta::gif
