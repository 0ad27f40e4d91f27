#include "model/FrameCompressor.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>
#include <lz4.h>
#include <zstd.h>

namespace kinetta
{
namespace
{

constexpr std::uint8_t kKindKey = 0;
constexpr std::uint8_t kKindDelta = 1;

// Fixed header in front of every encoded frame. A delta follows it with its
// tile indices (uint32 each, ascending), then the compressed tile pixels.
struct Header {
    std::uint8_t kind;
    std::uint8_t codec;
    std::uint16_t reserved;
    std::uint32_t tileCount;
    std::uint64_t rawBytes;
    std::uint64_t packedBytes;
};
static_assert(sizeof(Header) == 24);

struct ZstdDecoder {
    ZSTD_DCtx* context = ZSTD_createDCtx();
    ~ZstdDecoder() { ZSTD_freeDCtx(context); }
};

std::size_t tilesAlong(int pixels, int tile)
{
    return static_cast<std::size_t>((pixels + tile - 1) / tile);
}

// Unpacks exactly raw.size() bytes; false when the data does not give that.
bool unpack(FrameCodec codec, std::span<const std::uint8_t> packed, std::span<std::uint8_t> raw)
{
    if (raw.empty())
        return packed.empty();
    if (codec == FrameCodec::Lz4) {
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

struct FrameCompressor::ZstdContext {
    ZSTD_CCtx* context = ZSTD_createCCtx();
    ~ZstdContext() { ZSTD_freeCCtx(context); }
};

FrameCompressor::FrameCompressor(int width, int height, CompressorSettings settings)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_tilesX(static_cast<int>(tilesAlong(m_width, kFrameTileWidth))),
      m_tilesY(static_cast<int>(tilesAlong(m_height, kFrameTileHeight))), m_settings(settings),
      m_previous(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height)),
      m_changed(static_cast<std::size_t>(m_tilesX) * static_cast<std::size_t>(m_tilesY))
{
    if (m_settings.codec == FrameCodec::Zstd)
        m_zstd = std::make_unique<ZstdContext>();
}

FrameCompressor::~FrameCompressor() = default;

void FrameCompressor::restart()
{
    m_havePrevious = false;
}

EncodedFrame FrameCompressor::compress(std::span<const std::uint32_t> pixels)
{
    return compressFrame(pixels, nullptr);
}

EncodedFrame FrameCompressor::compress(std::vector<std::uint32_t>&& pixels)
{
    return compressFrame(pixels, &pixels);
}

EncodedFrame FrameCompressor::compressFrame(std::span<const std::uint32_t> pixels,
                                            std::vector<std::uint32_t>* owned)
{
    assert(pixels.size() == m_previous.size());
    if (!m_havePrevious || m_deltaRun >= m_settings.maxDeltaRun)
        return makeKeyframe(pixels, owned);
    // Past this many changed pixels the frame becomes a keyframe.
    const auto total = static_cast<double>(m_previous.size());
    const double limit = std::min(m_settings.keyframeChangeShare * total,
                                  m_settings.maxChangedFramesPerRun * total -
                                      static_cast<double>(m_changedSinceKeyframe));
    const std::size_t changed = markChangedTiles(pixels, limit);
    if (static_cast<double>(changed) > limit)
        return makeKeyframe(pixels, owned);
    return makeDelta(pixels, changed, owned);
}

std::size_t FrameCompressor::markChangedTiles(std::span<const std::uint32_t> pixels, double limit)
{
    std::fill(m_changed.begin(), m_changed.end(), std::uint8_t{0});
    const auto width = static_cast<std::size_t>(m_width);
    std::size_t changedPixels = 0;
    for (int ty = 0; ty < m_tilesY; ++ty) {
        const int y0 = ty * kFrameTileHeight;
        const int y1 = std::min(m_height, y0 + kFrameTileHeight);
        std::uint8_t* flags = m_changed.data() + static_cast<std::size_t>(ty * m_tilesX);
        int marked = 0;
        for (int y = y0; y < y1 && marked < m_tilesX; ++y) {
            const std::uint32_t* now = pixels.data() + static_cast<std::size_t>(y) * width;
            const std::uint32_t* before = m_previous.data() + static_cast<std::size_t>(y) * width;
            // Most rows of screen content are unchanged: one wide compare settles them.
            if (std::memcmp(now, before, width * sizeof(std::uint32_t)) == 0)
                continue;
            for (int tx = 0; tx < m_tilesX; ++tx) {
                if (flags[tx])
                    continue;
                const int x0 = tx * kFrameTileWidth;
                const int x1 = std::min(m_width, x0 + kFrameTileWidth);
                if (std::memcmp(now + x0, before + x0,
                                static_cast<std::size_t>(x1 - x0) * sizeof(std::uint32_t)) != 0) {
                    flags[tx] = 1;
                    ++marked;
                    changedPixels +=
                        static_cast<std::size_t>(x1 - x0) * static_cast<std::size_t>(y1 - y0);
                }
            }
        }
        // The frame will be a keyframe: the rest of the comparison is not needed.
        if (static_cast<double>(changedPixels) > limit)
            break;
    }
    return changedPixels;
}

EncodedFrame FrameCompressor::makeKeyframe(std::span<const std::uint32_t> pixels,
                                           std::vector<std::uint32_t>* owned)
{
    m_havePrevious = true;
    m_deltaRun = 0;
    m_changedSinceKeyframe = 0;

    EncodedFrame frame;
    frame.keyframe = true;
    frame.changedPixels = pixels.size();
    pack(frame, {reinterpret_cast<const std::uint8_t*>(pixels.data()), pixels.size_bytes()}, {});
    // A frame handed over becomes the reference as it is, saving a full copy.
    if (owned)
        m_previous.swap(*owned);
    else
        std::copy(pixels.begin(), pixels.end(), m_previous.begin());
    return frame;
}

EncodedFrame FrameCompressor::makeDelta(std::span<const std::uint32_t> pixels,
                                        std::size_t changedPixels,
                                        std::vector<std::uint32_t>* owned)
{
    ++m_deltaRun;
    m_changedSinceKeyframe += changedPixels;

    EncodedFrame frame;
    frame.keyframe = false;
    frame.changedPixels = changedPixels;
    m_scratch.resize(changedPixels);
    std::vector<std::uint32_t> tiles;
    const auto width = static_cast<std::size_t>(m_width);
    std::size_t k = 0;
    for (std::size_t t = 0; t < m_changed.size(); ++t) {
        if (!m_changed[t])
            continue;
        tiles.push_back(static_cast<std::uint32_t>(t));
        const int tx = static_cast<int>(t % static_cast<std::size_t>(m_tilesX));
        const int ty = static_cast<int>(t / static_cast<std::size_t>(m_tilesX));
        const int x0 = tx * kFrameTileWidth;
        const int x1 = std::min(m_width, x0 + kFrameTileWidth);
        const int y0 = ty * kFrameTileHeight;
        const int y1 = std::min(m_height, y0 + kFrameTileHeight);
        for (int y = y0; y < y1; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * width;
            for (int x = x0; x < x1; ++x) {
                const std::size_t i = row + static_cast<std::size_t>(x);
                m_scratch[k++] = pixels[i] ^ m_previous[i];
                if (!owned)
                    m_previous[i] = pixels[i];
            }
        }
    }
    assert(k == changedPixels);
    if (owned)
        m_previous.swap(*owned);

    const std::span<const std::uint8_t> raw(reinterpret_cast<const std::uint8_t*>(m_scratch.data()),
                                            m_scratch.size() * sizeof(std::uint32_t));
    pack(frame, raw, tiles);
    return frame;
}

void FrameCompressor::pack(EncodedFrame& frame, std::span<const std::uint8_t> raw,
                           std::span<const std::uint32_t> tiles)
{
    Header header{};
    header.kind = frame.keyframe ? kKindKey : kKindDelta;
    header.codec = static_cast<std::uint8_t>(m_settings.codec);
    header.tileCount = static_cast<std::uint32_t>(tiles.size());
    header.rawBytes = raw.size();
    std::size_t bound = 0;
    if (!raw.empty()) {
        bound = m_settings.codec == FrameCodec::Lz4
                    ? static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(raw.size())))
                    : ZSTD_compressBound(raw.size());
    }
    // Compressed into a buffer kept from frame to frame, then copied out at its
    // real size: allocating the worst case for every frame would leave the heap
    // full of frame-sized holes over a long recording.
    m_packed.resize(std::max(m_packed.size(), bound));
    std::size_t packed = 0;
    if (!raw.empty()) {
        char* out = reinterpret_cast<char*>(m_packed.data());
        if (m_settings.codec == FrameCodec::Lz4) {
            const int n = LZ4_compress_fast(reinterpret_cast<const char*>(raw.data()), out,
                                            static_cast<int>(raw.size()), static_cast<int>(bound),
                                            std::max(1, m_settings.level));
            assert(n > 0); // cannot fail with a bound-sized buffer
            packed = static_cast<std::size_t>(n);
        } else {
            const std::size_t n = ZSTD_compressCCtx(m_zstd->context, out, bound, raw.data(),
                                                    raw.size(), m_settings.level);
            assert(!ZSTD_isError(n));
            packed = n;
        }
    }
    header.packedBytes = packed;
    const std::size_t indexBytes = tiles.size_bytes();
    frame.bytes.resize(sizeof(Header) + indexBytes + packed);
    std::memcpy(frame.bytes.data(), &header, sizeof header);
    if (indexBytes > 0)
        std::memcpy(frame.bytes.data() + sizeof header, tiles.data(), indexBytes);
    if (packed > 0)
        std::memcpy(frame.bytes.data() + sizeof header + indexBytes, m_packed.data(), packed);
}

bool isKeyframe(std::span<const std::uint8_t> encoded)
{
    return encoded.size() >= sizeof(Header) && encoded[0] == kKindKey;
}

std::string decodeFrame(std::span<const std::uint8_t> encoded, int width, int height,
                        std::span<std::uint32_t> out)
{
    if (width < 0 || height < 0)
        return "frame size is negative";
    const std::size_t pixelCount =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (out.size() < pixelCount)
        return "output buffer too small for the frame";
    Header header;
    if (encoded.size() < sizeof header)
        return "stored frame is truncated";
    std::memcpy(&header, encoded.data(), sizeof header);
    if (header.codec > static_cast<std::uint8_t>(FrameCodec::Zstd) || header.kind > kKindDelta)
        return "stored frame has an unknown format";
    const auto codec = static_cast<FrameCodec>(header.codec);
    const std::size_t indexBytes =
        header.kind == kKindDelta ? std::size_t{header.tileCount} * sizeof(std::uint32_t) : 0;
    if (encoded.size() != sizeof header + indexBytes + header.packedBytes)
        return "stored frame has a wrong length";
    const std::span<const std::uint8_t> packed = encoded.subspan(sizeof header + indexBytes);

    if (header.kind == kKindKey) {
        if (header.rawBytes != pixelCount * sizeof(std::uint32_t))
            return "stored keyframe does not match the frame size";
        if (!unpack(
                codec, packed,
                {reinterpret_cast<std::uint8_t*>(out.data()), pixelCount * sizeof(std::uint32_t)}))
            return "stored keyframe is damaged";
        return {};
    }

    const std::size_t tilesX = tilesAlong(width, kFrameTileWidth);
    const std::size_t tileTotal = tilesX * tilesAlong(height, kFrameTileHeight);
    std::vector<std::uint32_t> tiles(header.tileCount);
    std::memcpy(tiles.data(), encoded.data() + sizeof header, indexBytes);
    std::size_t expectedPixels = 0;
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        if (tiles[i] >= tileTotal || (i > 0 && tiles[i] <= tiles[i - 1]))
            return "stored frame names a tile outside the frame";
        const std::size_t tx = tiles[i] % tilesX;
        const std::size_t ty = tiles[i] / tilesX;
        const std::size_t w = std::min<std::size_t>(
            kFrameTileWidth, static_cast<std::size_t>(width) - tx * kFrameTileWidth);
        const std::size_t h = std::min<std::size_t>(
            kFrameTileHeight, static_cast<std::size_t>(height) - ty * kFrameTileHeight);
        expectedPixels += w * h;
    }
    if (header.rawBytes != expectedPixels * sizeof(std::uint32_t))
        return "stored delta does not match its tiles";

    thread_local std::vector<std::uint32_t> scratch;
    scratch.resize(expectedPixels);
    if (!unpack(codec, packed,
                {reinterpret_cast<std::uint8_t*>(scratch.data()),
                 expectedPixels * sizeof(std::uint32_t)}))
        return "stored delta is damaged";

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
