#include "gif/FrameCompressor.h"

#include <algorithm>
#include <cstring>

namespace kinetta::gif
{
namespace
{

// Disposal "do not dispose": every frame draws over what is on screen, which
// is what makes transparent pixels show the previous frame.
constexpr std::uint8_t kDisposalKeep = 1;

void putU16(std::vector<std::uint8_t>& out, int value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

int tableBits(std::size_t colours)
{
    int bits = 1;
    while ((std::size_t{1} << bits) < colours)
        ++bits;
    return bits;
}

void appendControl(std::vector<std::uint8_t>& out, int delayHundredths, int transparentIndex)
{
    out.push_back(0x21);
    out.push_back(0xF9);
    out.push_back(4);
    out.push_back(
        static_cast<std::uint8_t>((kDisposalKeep << 2) | (transparentIndex >= 0 ? 1 : 0)));
    putU16(out, delayHundredths);
    out.push_back(static_cast<std::uint8_t>(transparentIndex >= 0 ? transparentIndex : 0));
    out.push_back(0);
}

} // namespace

std::optional<Rect> changedRect(std::span<const std::uint32_t> current,
                                std::span<const std::uint32_t> previous, FrameSize size)
{
    const auto w = static_cast<std::size_t>(size.width);
    const auto h = static_cast<std::size_t>(size.height);
    const std::size_t rowBytes = w * sizeof(std::uint32_t);
    auto rowDiffers = [&](std::size_t y) {
        return std::memcmp(current.data() + y * w, previous.data() + y * w, rowBytes) != 0;
    };
    std::size_t top = 0;
    while (top < h && !rowDiffers(top))
        ++top;
    if (top == h)
        return std::nullopt;
    std::size_t bottom = h - 1;
    while (bottom > top && !rowDiffers(bottom))
        --bottom;
    std::size_t left = w;
    std::size_t end = 0; // one past the rightmost differing column
    for (std::size_t y = top; y <= bottom; ++y) {
        const std::uint32_t* a = current.data() + y * w;
        const std::uint32_t* b = previous.data() + y * w;
        for (std::size_t x = 0; x < left; ++x) {
            if (a[x] != b[x]) {
                left = x;
                break;
            }
        }
        for (std::size_t x = w; x > end; --x) {
            if (a[x - 1] != b[x - 1]) {
                end = x;
                break;
            }
        }
    }
    return Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(end - left),
                static_cast<int>(bottom - top + 1)};
}

FrameCompressor::FrameCompressor(QuantiserSettings settings) : m_quantiser(settings) {}

void FrameCompressor::appendMinimalFrame(int delayHundredths, std::vector<std::uint8_t>& out)
{
    // Nothing changed: one transparent pixel keeps the frame (and its delay).
    Candidate& c = m_transparent;
    c.indices.assign(1, 0);
    c.palette.assign(2, 0);
    c.palette[1] = 0xFF000000u;
    c.transparentIndex = 0;
    pack(c);
    appendImage(c, Rect{0, 0, 1, 1}, delayHundredths, out);
}

void FrameCompressor::extractRect(std::span<const std::uint32_t> current,
                                  std::span<const std::uint32_t> previous, FrameSize size,
                                  const Rect& rect)
{
    const auto w = static_cast<std::size_t>(size.width);
    const auto rw = static_cast<std::size_t>(rect.width);
    m_pixels.resize(rw * static_cast<std::size_t>(rect.height));
    m_keep.resize(previous.empty() ? 0 : m_pixels.size());
    for (int row = 0; row < rect.height; ++row) {
        const std::size_t src =
            static_cast<std::size_t>(rect.y + row) * w + static_cast<std::size_t>(rect.x);
        const std::size_t dst = static_cast<std::size_t>(row) * rw;
        std::memcpy(m_pixels.data() + dst, current.data() + src, rw * sizeof(std::uint32_t));
        if (!previous.empty()) {
            for (std::size_t x = 0; x < rw; ++x)
                m_keep[dst + x] = current[src + x] != previous[src + x] ? 1 : 0;
        }
    }
}

void FrameCompressor::buildExact()
{
    const std::size_t count = m_pixels.size();
    m_opaque.valid = false;
    m_transparent.valid = false;

    m_opaqueColours.reset(256);
    m_opaque.indices.resize(count);
    bool fits = true;
    for (std::size_t i = 0; i < count; ++i) {
        const int index = m_opaqueColours.indexOf(m_pixels[i]);
        if (index < 0) {
            fits = false;
            break;
        }
        m_opaque.indices[i] = static_cast<std::uint8_t>(index);
    }
    if (fits) {
        m_opaque.palette = m_opaqueColours.colours();
        m_opaque.transparentIndex = -1;
        m_opaque.valid = true;
    }

    if (!m_hasPrevious)
        return;
    m_changedColours.reset(255, 1);
    m_transparent.indices.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (m_keep[i] == 0) {
            m_transparent.indices[i] = 0;
            continue;
        }
        const int index = m_changedColours.indexOf(m_pixels[i]);
        if (index < 0)
            return;
        m_transparent.indices[i] = static_cast<std::uint8_t>(index);
    }
    m_transparent.palette.assign(1, 0);
    m_transparent.palette.insert(m_transparent.palette.end(), m_changedColours.colours().begin(),
                                 m_changedColours.colours().end());
    m_transparent.transparentIndex = 0;
    m_transparent.valid = true;
}

void FrameCompressor::buildMixed(const Candidate& transparent, Candidate& mixed) const
{
    // An unchanged pixel may repeat its left neighbour's index instead of being
    // transparent: the colour shown is the same and the run grows longer.
    mixed.indices = transparent.indices;
    mixed.palette = transparent.palette;
    mixed.transparentIndex = transparent.transparentIndex;
    mixed.valid = transparent.valid;
    const auto t = static_cast<std::uint8_t>(transparent.transparentIndex);
    const auto w = static_cast<std::size_t>(m_rect.width);
    const std::size_t count = m_pixels.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (m_keep[i] != 0 || i % w == 0)
            continue;
        if (mixed.indices[i - 1] != t && m_pixels[i] == m_pixels[i - 1])
            mixed.indices[i] = mixed.indices[i - 1];
    }
}

void FrameCompressor::pack(Candidate& candidate)
{
    candidate.minCodeSize = std::max(2, tableBits(candidate.palette.size()));
    m_lzw.compress(candidate.indices, candidate.minCodeSize, candidate.packed);
}

void FrameCompressor::appendImage(const Candidate& candidate, const Rect& rect, int delayHundredths,
                                  std::vector<std::uint8_t>& out) const
{
    appendControl(out, delayHundredths, candidate.transparentIndex);
    const int bits = tableBits(candidate.palette.size());
    out.push_back(0x2C);
    putU16(out, rect.x);
    putU16(out, rect.y);
    putU16(out, rect.width);
    putU16(out, rect.height);
    out.push_back(static_cast<std::uint8_t>(0x80 | (bits - 1)));
    const std::size_t entries = std::size_t{1} << bits;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint32_t c = i < candidate.palette.size() ? candidate.palette[i] : 0;
        out.push_back(static_cast<std::uint8_t>(c >> 16));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c));
    }
    LzwEncoder::appendImageData(candidate.packed, candidate.minCodeSize, out);
}

bool FrameCompressor::compress(std::span<const std::uint32_t> current,
                               std::span<const std::uint32_t> previous, FrameSize size,
                               int delayHundredths, std::vector<std::uint8_t>& out,
                               std::string& error)
{
    m_hasPrevious = !previous.empty();
    if (m_hasPrevious) {
        const std::optional<Rect> rect = changedRect(current, previous, size);
        if (!rect) {
            appendMinimalFrame(delayHundredths, out);
            return true;
        }
        m_rect = *rect;
    } else {
        m_rect = Rect{0, 0, size.width, size.height};
    }
    extractRect(current, previous, size, m_rect);
    buildExact();
    if (!m_opaque.valid && !m_transparent.valid) {
        Candidate& target = m_hasPrevious ? m_transparent : m_opaque;
        if (!m_quantiser.quantise(m_pixels, m_keep, m_rect.width, m_rect.height, target.indices,
                                  target.palette, target.transparentIndex, error))
            return false;
        target.valid = true;
    }
    m_mixed.valid = false;
    if (m_transparent.valid)
        buildMixed(m_transparent, m_mixed);

    const Candidate* best = nullptr;
    std::size_t bestSize = 0;
    for (Candidate* candidate : {&m_opaque, &m_transparent, &m_mixed}) {
        if (!candidate->valid)
            continue;
        pack(*candidate);
        const std::size_t total = LzwEncoder::imageDataSize(candidate->packed.size()) +
                                  3 * (std::size_t{1} << tableBits(candidate->palette.size()));
        if (!best || total < bestSize) {
            best = candidate;
            bestSize = total;
        }
    }
    appendImage(*best, m_rect, delayHundredths, out);
    return true;
}

} // namespace kinetta::gif
