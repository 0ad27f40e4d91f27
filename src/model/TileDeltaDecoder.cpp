#include "model/TileDeltaDecoder.h"

#include "model/TileDeltaFormat.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <lz4.h>
#include <vector>
#include <zstd.h>

namespace kinetta
{
namespace
{

struct ZstdDecoder {
    ZSTD_DCtx* context = ZSTD_createDCtx();
    ~ZstdDecoder() { ZSTD_freeDCtx(context); }
};

// Unpacks exactly raw.size() bytes; false when the data does not give that.
bool unpack(BlockCompression compression, std::span<const std::uint8_t> packed,
            std::span<std::uint8_t> raw)
{
    if (raw.empty())
        return packed.empty();
    if (compression == BlockCompression::Lz4) {
        if (packed.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
            raw.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
            return false;
        const int n = LZ4_decompress_safe(
            reinterpret_cast<const char*>(packed.data()), reinterpret_cast<char*>(raw.data()),
            static_cast<int>(packed.size()), static_cast<int>(raw.size()));
        return n >= 0 && static_cast<std::size_t>(n) == raw.size();
    }
    thread_local ZstdDecoder decoder;
    const std::size_t n =
        ZSTD_decompressDCtx(decoder.context, raw.data(), raw.size(), packed.data(), packed.size());
    return !ZSTD_isError(n) && n == raw.size();
}

} // namespace

Status<std::string> decodeTileDelta(std::span<const std::uint8_t> encoded, int width, int height,
                                    std::span<std::uint32_t> out)
{
    if (width < 0 || height < 0)
        return failure("frame size is negative");
    const std::size_t pixelCount =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (out.size() < pixelCount)
        return failure("output buffer too small for the frame");
    TileDeltaHeader header;
    if (encoded.size() < sizeof header)
        return failure("stored frame is truncated");
    std::memcpy(&header, encoded.data(), sizeof header);
    if (header.compression > static_cast<std::uint8_t>(BlockCompression::Zstd) ||
        header.kind > kTileDeltaDelta || (header.flags & ~kTileDeltaOpaque) != 0)
        return failure("stored frame has an unknown format");
    const auto compression = static_cast<BlockCompression>(header.compression);
    const std::size_t indexBytes =
        header.kind == kTileDeltaDelta ? std::size_t{header.tileCount} * sizeof(std::uint32_t) : 0;
    if (encoded.size() != sizeof header + indexBytes + header.packedBytes)
        return failure("stored frame has a wrong length");
    const std::span<const std::uint8_t> packed = encoded.subspan(sizeof header + indexBytes);

    if (header.kind == kTileDeltaKeyframe) {
        if (header.rawBytes != pixelCount * sizeof(std::uint32_t))
            return failure("stored keyframe does not match the frame size");
        if (!unpack(
                compression, packed,
                {reinterpret_cast<std::uint8_t*>(out.data()), pixelCount * sizeof(std::uint32_t)}))
            return failure("stored keyframe is damaged");
        if (header.flags & kTileDeltaOpaque) {
            for (std::size_t i = 0; i < pixelCount; ++i)
                out[i] |= 0xff000000u;
        }
        return {};
    }

    const std::size_t tilesX = tilesAlong(width, kFrameTileWidth);
    const std::size_t tileTotal = tilesX * tilesAlong(height, kFrameTileHeight);
    std::vector<std::uint32_t> tiles(header.tileCount);
    // An unchanged frame has no tiles, and an empty vector may have no storage.
    if (indexBytes > 0)
        std::memcpy(tiles.data(), encoded.data() + sizeof header, indexBytes);
    std::size_t expectedPixels = 0;
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        if (tiles[i] >= tileTotal || (i > 0 && tiles[i] <= tiles[i - 1]))
            return failure("stored frame names a tile outside the frame");
        const std::size_t tx = tiles[i] % tilesX;
        const std::size_t ty = tiles[i] / tilesX;
        const std::size_t w = std::min<std::size_t>(
            kFrameTileWidth, static_cast<std::size_t>(width) - tx * kFrameTileWidth);
        const std::size_t h = std::min<std::size_t>(
            kFrameTileHeight, static_cast<std::size_t>(height) - ty * kFrameTileHeight);
        expectedPixels += w * h;
    }
    if (header.rawBytes != expectedPixels * sizeof(std::uint32_t))
        return failure("stored delta does not match its tiles");

    thread_local std::vector<std::uint32_t> scratch;
    scratch.resize(expectedPixels);
    if (!unpack(compression, packed,
                {reinterpret_cast<std::uint8_t*>(scratch.data()),
                 expectedPixels * sizeof(std::uint32_t)}))
        return failure("stored delta is damaged");

    const std::uint32_t* source = scratch.data();
    for (const std::uint32_t t : tiles) {
        const std::size_t x0 = (t % tilesX) * kFrameTileWidth;
        const std::size_t y0 = (t / tilesX) * kFrameTileHeight;
        const std::size_t x1 =
            std::min<std::size_t>(static_cast<std::size_t>(width), x0 + kFrameTileWidth);
        const std::size_t y1 =
            std::min<std::size_t>(static_cast<std::size_t>(height), y0 + kFrameTileHeight);
        for (std::size_t y = y0; y < y1; ++y) {
            std::uint32_t* row = out.data() + y * static_cast<std::size_t>(width);
            for (std::size_t x = x0; x < x1; ++x)
                row[x] ^= *source++;
        }
    }
    return {};
}

} // namespace kinetta
