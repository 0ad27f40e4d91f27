#include "model/TileDeltaCodec.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>
#include <lz4.h>
#include <zstd.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kinetta
{
namespace
{

// Compared and kept bits of two pixels in a 64-bit word.
std::uint64_t pixelMask(bool opaque)
{
    return opaque ? 0x00ffffff00ffffffu : ~std::uint64_t{0};
}

// Whether count pixels differ in the bits of mask. Memory bound: 64 bytes of
// each side per step, ORed together, with one test per run.
bool differ(const std::uint32_t* a, const std::uint32_t* b, std::size_t count, std::uint64_t mask)
{
    std::uint64_t diff = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    __m128i acc = _mm_setzero_si128();
    const auto* va = reinterpret_cast<const __m128i*>(a);
    const auto* vb = reinterpret_cast<const __m128i*>(b);
    for (; i + 16 <= count; i += 16, va += 4, vb += 4) {
        const __m128i d0 = _mm_xor_si128(_mm_loadu_si128(va), _mm_loadu_si128(vb));
        const __m128i d1 = _mm_xor_si128(_mm_loadu_si128(va + 1), _mm_loadu_si128(vb + 1));
        const __m128i d2 = _mm_xor_si128(_mm_loadu_si128(va + 2), _mm_loadu_si128(vb + 2));
        const __m128i d3 = _mm_xor_si128(_mm_loadu_si128(va + 3), _mm_loadu_si128(vb + 3));
        acc = _mm_or_si128(acc, _mm_or_si128(_mm_or_si128(d0, d1), _mm_or_si128(d2, d3)));
    }
    diff = static_cast<std::uint64_t>(_mm_cvtsi128_si64(acc)) |
           static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(acc, acc)));
#endif
    for (; i + 2 <= count; i += 2) {
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a + i, sizeof x);
        std::memcpy(&y, b + i, sizeof y);
        diff |= x ^ y;
    }
    if (i < count)
        diff |= a[i] ^ b[i];
    return (diff & mask) != 0;
}

// out = (a ^ b) & mask for count pixels.
void xorMasked(std::uint32_t* __restrict out, const std::uint32_t* __restrict a,
               const std::uint32_t* __restrict b, std::size_t count, std::uint32_t mask)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i m = _mm_set1_epi32(static_cast<int>(mask));
    for (; i + 4 <= count; i += 4) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_and_si128(_mm_xor_si128(x, y), m));
    }
#endif
    for (; i < count; ++i)
        out[i] = (a[i] ^ b[i]) & mask;
}

} // namespace

struct TileDeltaCodec::ZstdContext {
    ZSTD_CCtx* context = ZSTD_createCCtx();
    ~ZstdContext() { ZSTD_freeCCtx(context); }
};

TileDeltaCodec::TileDeltaCodec(int width, int height, TileDeltaSettings settings)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_tilesX(static_cast<int>(tilesAlong(m_width, kFrameTileWidth))),
      m_tilesY(static_cast<int>(tilesAlong(m_height, kFrameTileHeight))), m_settings(settings),
      m_changed(static_cast<std::size_t>(m_tilesX) * static_cast<std::size_t>(m_tilesY))
{
    if (m_settings.compression == BlockCompression::Zstd)
        m_zstd = std::make_unique<ZstdContext>();
}

TileDeltaCodec::~TileDeltaCodec() = default;

void TileDeltaCodec::restart()
{
    m_havePrevious = false;
    // Shared pixels may be a buffer their owner wants back.
    m_referenceOwner.reset();
    m_reference = {};
}

CompressResult TileDeltaCodec::compress(std::span<const std::uint32_t> pixels)
{
    return compressFrame(SharedPixels{pixels, nullptr, false});
}

CompressResult TileDeltaCodec::compress(std::vector<std::uint32_t>&& pixels)
{
    auto owner = std::make_shared<const std::vector<std::uint32_t>>(std::move(pixels));
    const std::span<const std::uint32_t> view(*owner);
    return compressFrame(SharedPixels{view, std::move(owner), false});
}

CompressResult TileDeltaCodec::compress(SharedPixels pixels)
{
    return compressFrame(pixels);
}

CompressResult TileDeltaCodec::compressFrame(const SharedPixels& pixels)
{
    assert(pixels.pixels.size() == static_cast<std::size_t>(m_width) * m_height);
    if (!m_havePrevious || m_deltaRun >= m_settings.maxDeltaRun ||
        pixels.opaque != m_referenceOpaque)
        return makeKeyframe(pixels);
    // Past this many changed pixels the frame becomes a keyframe.
    const auto total = static_cast<double>(pixels.pixels.size());
    const double limit = std::min(m_settings.keyframeChangeShare * total,
                                  m_settings.maxChangedFramesPerRun * total -
                                      static_cast<double>(m_changedSinceKeyframe));
    const std::size_t changed = findChanges(pixels, limit);
    if (static_cast<double>(changed) > limit)
        return makeKeyframe(pixels);
    return makeDelta(pixels, changed);
}

std::size_t TileDeltaCodec::findChanges(const SharedPixels& pixels, double limit)
{
    std::fill(m_changed.begin(), m_changed.end(), std::uint8_t{0});
    m_tiles.clear();
    const std::uint64_t mask = pixelMask(pixels.opaque);
    // Lent pixels over our own copy: only the changed tiles of the copy need updating.
    const bool inPlace = !pixels.owner && !m_referenceOwner && !m_copy.empty();
    const auto width = static_cast<std::size_t>(m_width);
    std::size_t changedPixels = 0;
    for (int ty = 0; ty < m_tilesY; ++ty) {
        const int y0 = ty * kFrameTileHeight;
        const int y1 = std::min(m_height, y0 + kFrameTileHeight);
        std::uint8_t* flags = m_changed.data() + static_cast<std::size_t>(ty * m_tilesX);
        int marked = 0;
        // Each pixel of both frames is read at most once here; a changed tile's
        // further rows are left for the gathering below.
        for (int y = y0; y < y1 && marked < m_tilesX; ++y) {
            const std::uint32_t* now = pixels.pixels.data() + static_cast<std::size_t>(y) * width;
            const std::uint32_t* before = m_reference.data() + static_cast<std::size_t>(y) * width;
            for (int tx = 0; tx < m_tilesX; ++tx) {
                if (flags[tx])
                    continue;
                const int x0 = tx * kFrameTileWidth;
                const int x1 = std::min(m_width, x0 + kFrameTileWidth);
                if (differ(now + x0, before + x0, static_cast<std::size_t>(x1 - x0), mask)) {
                    flags[tx] = 1;
                    ++marked;
                }
            }
        }
        if (marked == 0)
            continue;
        // Gathered while this band of rows is still in the cache.
        const std::size_t bandStart = changedPixels;
        for (int tx = 0; tx < m_tilesX; ++tx) {
            if (flags[tx])
                changedPixels += static_cast<std::size_t>(
                                     std::min(m_width - tx * kFrameTileWidth, kFrameTileWidth)) *
                                 static_cast<std::size_t>(y1 - y0);
        }
        // The frame will be a keyframe: the rest is not needed.
        if (static_cast<double>(changedPixels) > limit)
            break;
        if (m_scratch.size() < changedPixels)
            m_scratch.resize(std::max(changedPixels, m_scratch.size() * 2));
        std::uint32_t* out = m_scratch.data() + bandStart;
        for (int tx = 0; tx < m_tilesX; ++tx) {
            if (!flags[tx])
                continue;
            m_tiles.push_back(static_cast<std::uint32_t>(ty * m_tilesX + tx));
            const auto x0 = static_cast<std::size_t>(tx * kFrameTileWidth);
            const auto w =
                static_cast<std::size_t>(std::min(m_width - tx * kFrameTileWidth, kFrameTileWidth));
            for (int y = y0; y < y1; ++y) {
                const std::size_t row = static_cast<std::size_t>(y) * width + x0;
                xorMasked(out, pixels.pixels.data() + row, m_reference.data() + row, w,
                          static_cast<std::uint32_t>(mask));
                if (inPlace)
                    std::memcpy(m_copy.data() + row, pixels.pixels.data() + row,
                                w * sizeof(std::uint32_t));
                out += w;
            }
        }
    }
    return changedPixels;
}

void TileDeltaCodec::keepReference(const SharedPixels& pixels, bool copied)
{
    m_referenceOpaque = pixels.opaque;
    if (pixels.owner) {
        // Kept as they are, saving a full copy; a copy of our own is not needed now.
        m_referenceOwner = pixels.owner;
        m_reference = pixels.pixels;
        if (!m_copy.empty())
            std::vector<std::uint32_t>().swap(m_copy);
        return;
    }
    if (!copied)
        m_copy.assign(pixels.pixels.begin(), pixels.pixels.end());
    m_referenceOwner.reset();
    m_reference = m_copy;
}

CompressResult TileDeltaCodec::makeKeyframe(const SharedPixels& pixels)
{
    EncodedFrame frame;
    frame.keyframe = true;
    frame.changedPixels = pixels.pixels.size();
    Status<std::string> packed = pack(
        frame,
        {reinterpret_cast<const std::uint8_t*>(pixels.pixels.data()), pixels.pixels.size_bytes()},
        {}, pixels.opaque);
    if (!packed.ok()) {
        restart();
        return Failure{packed.message()};
    }
    m_havePrevious = true;
    m_deltaRun = 0;
    m_changedSinceKeyframe = 0;
    keepReference(pixels, false);
    return frame;
}

CompressResult TileDeltaCodec::makeDelta(const SharedPixels& pixels, std::size_t changedPixels)
{
    ++m_deltaRun;
    m_changedSinceKeyframe += changedPixels;

    EncodedFrame frame;
    frame.keyframe = false;
    frame.changedPixels = changedPixels;
    // findChanges() gathered the tiles and brought our own copy up to date.
    keepReference(pixels, !pixels.owner && !m_referenceOwner && !m_copy.empty());
    const std::span<const std::uint8_t> raw(reinterpret_cast<const std::uint8_t*>(m_scratch.data()),
                                            changedPixels * sizeof(std::uint32_t));
    Status<std::string> packed = pack(frame, raw, m_tiles, pixels.opaque);
    if (!packed.ok()) {
        // The reference already holds this frame, which nobody will have: the
        // next frame must not be a delta on top of it.
        restart();
        return Failure{packed.message()};
    }
    return frame;
}

Status<std::string> TileDeltaCodec::pack(EncodedFrame& frame, std::span<const std::uint8_t> raw,
                                         std::span<const std::uint32_t> tiles, bool opaque)
{
    TileDeltaHeader header{};
    header.kind = frame.keyframe ? kTileDeltaKeyframe : kTileDeltaDelta;
    header.compression = static_cast<std::uint8_t>(m_settings.compression);
    header.flags = opaque ? kTileDeltaOpaque : 0;
    header.tileCount = static_cast<std::uint32_t>(tiles.size());
    header.rawBytes = raw.size();
    std::size_t bound = 0;
    if (!raw.empty()) {
        if (m_settings.compression == BlockCompression::Lz4) {
            if (raw.size() > static_cast<std::size_t>(LZ4_MAX_INPUT_SIZE))
                return failure("the frame is too large for LZ4");
            bound = static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(raw.size())));
        } else {
            bound = ZSTD_compressBound(raw.size());
            if (ZSTD_isError(bound))
                return failure("the frame is too large for zstd");
        }
        if (m_settings.packedCapacity > 0)
            bound = std::min(bound, m_settings.packedCapacity);
    }
    // Compressed into a buffer kept from frame to frame, then copied out at its
    // real size: allocating the worst case for every frame would leave the heap
    // full of frame-sized holes over a long recording.
    m_packed.resize(std::max(m_packed.size(), bound));
    std::size_t packed = 0;
    if (!raw.empty()) {
        char* out = reinterpret_cast<char*>(m_packed.data());
        if (m_settings.compression == BlockCompression::Lz4) {
            const int n = LZ4_compress_fast(reinterpret_cast<const char*>(raw.data()), out,
                                            static_cast<int>(raw.size()), static_cast<int>(bound),
                                            std::max(1, m_settings.level));
            if (n <= 0)
                return failure("LZ4 could not compress the frame");
            packed = static_cast<std::size_t>(n);
        } else {
            if (!m_zstd->context)
                return failure("zstd could not allocate its compression context");
            const std::size_t n = ZSTD_compressCCtx(m_zstd->context, out, bound, raw.data(),
                                                    raw.size(), m_settings.level);
            if (ZSTD_isError(n))
                return failure(std::string("zstd could not compress the frame: ") +
                               ZSTD_getErrorName(n));
            packed = n;
        }
    }
    header.packedBytes = packed;
    const std::size_t indexBytes = tiles.size_bytes();
    frame.bytes.resize(sizeof(TileDeltaHeader) + indexBytes + packed);
    std::memcpy(frame.bytes.data(), &header, sizeof header);
    if (indexBytes > 0)
        std::memcpy(frame.bytes.data() + sizeof header, tiles.data(), indexBytes);
    if (packed > 0)
        std::memcpy(frame.bytes.data() + sizeof header + indexBytes, m_packed.data(), packed);
    return {};
}

} // namespace kinetta
