#include "gif/FrameCompressor.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kinetta::gif
{
namespace
{

// Disposal "do not dispose": every frame draws over what is on screen, which
// is what makes transparent pixels show the previous frame.
constexpr std::uint8_t kDisposalKeep = 1;

// Squared RGB distance by which a flat area may be shown in another colour of
// the shared table.
constexpr int kFlatLimit = 6 * 6;

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

FrameCompressor::FrameCompressor(QuantiserSettings settings, const GlobalPalette* global)
    : m_settings(settings), m_quantiser(settings), m_globalPalette(global)
{
}

void FrameCompressor::appendMinimalFrame(int delayHundredths, std::vector<std::uint8_t>& out)
{
    // Nothing changed: one transparent pixel keeps the frame (and its delay).
    Candidate& c = m_transparent;
    if (m_globalPalette) {
        c.indices.assign(1, static_cast<std::uint8_t>(m_globalPalette->transparentIndex));
        c.palette = m_globalPalette->colours;
        c.transparentIndex = m_globalPalette->transparentIndex;
        c.usesGlobal = true;
    } else {
        c.indices.assign(1, 0);
        c.palette.assign(2, 0);
        c.palette[1] = 0xFF000000u;
        c.transparentIndex = 0;
        c.usesGlobal = false;
    }
    m_hasPrevious = true;
    m_keep.assign(1, 0);
    m_pixels.assign(1, 0);
    m_rect = Rect{0, 0, 1, 1};
    pack(c, false, false, c.packed);
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
    m_opaque.usesGlobal = false;
    m_opaque.dithered = false;
    m_transparent.valid = false;
    m_transparent.usesGlobal = false;
    m_transparent.dithered = false;

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

int FrameCompressor::nearestGlobal(std::uint32_t colour, int& distance)
{
    constexpr std::uint32_t kSlots = 8192;
    if (m_nearestKeys.empty()) {
        m_nearestKeys.assign(kSlots, 0);
        m_nearestValues.assign(kSlots, 0);
    }
    std::uint32_t slot = (colour * 2654435761u) >> 19;
    for (int probe = 0; probe < 16 && m_nearestKeys[slot] != 0; ++probe) {
        if (m_nearestKeys[slot] == colour) {
            distance = static_cast<int>(m_nearestValues[slot] >> 8);
            return static_cast<int>(m_nearestValues[slot] & 0xFF);
        }
        slot = (slot + 1) & (kSlots - 1);
    }
    int best = -1;
    int bestDistance = 0;
    const std::vector<std::uint32_t>& colours = m_globalPalette->colours;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        if (colours[i] == 0)
            continue;
        const int dr =
            static_cast<int>((colours[i] >> 16) & 0xFF) - static_cast<int>((colour >> 16) & 0xFF);
        const int dg =
            static_cast<int>((colours[i] >> 8) & 0xFF) - static_cast<int>((colour >> 8) & 0xFF);
        const int db = static_cast<int>(colours[i] & 0xFF) - static_cast<int>(colour & 0xFF);
        const int d = dr * dr + dg * dg + db * db;
        if (best < 0 || d < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = d;
        }
    }
    if (m_nearestKeys[slot] == 0) {
        m_nearestKeys[slot] = colour;
        m_nearestValues[slot] =
            static_cast<std::uint32_t>(bestDistance) << 8 | static_cast<std::uint32_t>(best);
    }
    distance = bestDistance;
    return best;
}

void FrameCompressor::buildGlobal()
{
    // Every changed pixel (or every pixel of a first frame) in the shared
    // table, exactly or by a colour close enough.
    m_global.valid = false;
    m_globalMixed.valid = false;
    if (!m_globalPalette)
        return;
    const std::size_t count = m_pixels.size();
    const auto t = static_cast<std::uint8_t>(m_globalPalette->transparentIndex);
    if (!m_hasPrevious && !m_globalPalette->firstIndices.empty()) {
        // The shared table was quantised from this frame: lossy, so not taken
        // when an exact table is possible and no colour error is allowed.
        if (m_settings.paletteDistance <= 0 && m_opaque.valid)
            return;
        m_global.indices = m_globalPalette->firstIndices;
    } else {
        std::fill(m_nearestKeys.begin(), m_nearestKeys.end(), 0);
        const int limit = m_settings.paletteDistance * m_settings.paletteDistance;
        const auto w = static_cast<std::size_t>(m_rect.width);
        m_global.indices.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            if (m_hasPrevious && m_keep[i] == 0) {
                m_global.indices[i] = t;
                continue;
            }
            int index = m_globalPalette->indexOf.find(m_pixels[i]);
            if (index == ColourMap::kNotFound) {
                // A flat area may only move by a shade too small to see: a
                // whole surface shifted further would show.
                const bool flat = i % w != 0 && i >= w && m_pixels[i] == m_pixels[i - 1] &&
                                  m_pixels[i] == m_pixels[i - w];
                int distance = 0;
                index = nearestGlobal(m_pixels[i], distance);
                if (index < 0 || distance > (flat ? kFlatLimit : limit))
                    return;
            }
            m_global.indices[i] = static_cast<std::uint8_t>(index);
        }
    }
    m_global.palette = m_globalPalette->colours;
    m_global.transparentIndex = m_hasPrevious ? m_globalPalette->transparentIndex : -1;
    m_global.usesGlobal = true;
    m_global.dithered = !m_hasPrevious && !m_globalPalette->firstIndices.empty();
    m_global.valid = true;
    if (m_hasPrevious) {
        buildMixed(m_global, m_globalMixed);
        m_globalMixed.usesGlobal = true;
    }
}

void FrameCompressor::buildMixed(const Candidate& transparent, Candidate& mixed) const
{
    // An unchanged pixel may repeat its left neighbour's index instead of being
    // transparent: the colour shown is the same and the run grows longer.
    mixed.indices = transparent.indices;
    mixed.palette = transparent.palette;
    mixed.transparentIndex = transparent.transparentIndex;
    mixed.valid = transparent.valid;
    mixed.usesGlobal = transparent.usesGlobal;
    mixed.dithered = transparent.dithered;
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

void FrameCompressor::buildSubstitutes(const Candidate& candidate)
{
    const std::vector<std::uint32_t>& palette = candidate.palette;
    const int limit = m_settings.lossyDistance * m_settings.lossyDistance;
    std::array<std::pair<int, std::uint8_t>, 256> near{};
    for (std::size_t a = 0; a < palette.size(); ++a) {
        std::size_t n = 0;
        if (palette[a] != 0) {
            for (std::size_t b = 0; b < palette.size(); ++b) {
                if (b == a || palette[b] == 0)
                    continue;
                const int dr = static_cast<int>((palette[a] >> 16) & 0xFF) -
                               static_cast<int>((palette[b] >> 16) & 0xFF);
                const int dg = static_cast<int>((palette[a] >> 8) & 0xFF) -
                               static_cast<int>((palette[b] >> 8) & 0xFF);
                const int db =
                    static_cast<int>(palette[a] & 0xFF) - static_cast<int>(palette[b] & 0xFF);
                const int d = dr * dr + dg * dg + db * db;
                if (d <= limit)
                    near[n++] = {d, static_cast<std::uint8_t>(b)};
            }
        }
        std::sort(near.begin(), near.begin() + static_cast<std::ptrdiff_t>(n));
        n = std::min<std::size_t>(n, LzwEncoder::Substitutes::kMax);
        m_substitutes.count[a] = static_cast<std::uint8_t>(n);
        for (std::size_t k = 0; k < n; ++k)
            m_substitutes.near[a][k] = near[k].second;
    }
    m_alternates.clear();
    if (candidate.transparentIndex < 0)
        return;
    // Unchanged pixels may show their own colour when the palette has it.
    ColourMap& paletteColours = m_opaqueColours;
    paletteColours.reset(256);
    std::vector<std::uint8_t> slots;
    for (std::size_t k = 0; k < palette.size(); ++k) {
        if (palette[k] != 0 && paletteColours.find(palette[k]) == ColourMap::kNotFound) {
            (void)paletteColours.indexOf(palette[k]);
            slots.push_back(static_cast<std::uint8_t>(k));
        }
    }
    m_alternates.resize(m_pixels.size());
    for (std::size_t i = 0; i < m_pixels.size(); ++i) {
        const int found = m_keep[i] != 0 ? ColourMap::kNotFound : paletteColours.find(m_pixels[i]);
        m_alternates[i] = found == ColourMap::kNotFound
                              ? std::int16_t{-1}
                              : static_cast<std::int16_t>(slots[static_cast<std::size_t>(found)]);
    }
}

void FrameCompressor::pack(Candidate& candidate, bool keepFullTable, bool mayMerge,
                           std::vector<std::uint8_t>& packed)
{
    candidate.minCodeSize = std::max(2, tableBits(candidate.palette.size()));
    if (mayMerge && m_settings.lossyDistance > 0 && candidate.palette.size() >= 3) {
        buildSubstitutes(candidate);
        m_lzw.compressLossy(candidate.indices, m_alternates, candidate.transparentIndex,
                            m_substitutes, m_rect.width, candidate.minCodeSize, packed,
                            keepFullTable);
    } else {
        m_lzw.compress(candidate.indices, candidate.minCodeSize, packed, keepFullTable);
    }
}

std::size_t FrameCompressor::tableBytes(const Candidate& candidate)
{
    return candidate.usesGlobal ? 0 : 3 * (std::size_t{1} << tableBits(candidate.palette.size()));
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
    if (candidate.usesGlobal) {
        out.push_back(0);
        LzwEncoder::appendImageData(candidate.packed, candidate.minCodeSize, out);
        return;
    }
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
    buildGlobal();
    // Quantise only what neither an exact table nor the shared one can show.
    if (!m_opaque.valid && !m_transparent.valid && !m_global.valid) {
        Candidate& target = m_hasPrevious ? m_transparent : m_opaque;
        if (!m_quantiser.quantise(m_pixels, m_keep, m_rect.width, m_rect.height, target.indices,
                                  target.palette, target.transparentIndex, error))
            return false;
        target.valid = true;
        target.usesGlobal = false;
        target.dithered = true;
    }
    m_mixed.valid = false;
    if (m_transparent.valid)
        buildMixed(m_transparent, m_mixed);

    // The layouts are ranked by their exact coding, which is cheap; only the
    // chosen one is then coded with colour merging and both table policies.
    Candidate* best = nullptr;
    std::size_t bestSize = 0;
    for (Candidate* candidate : {&m_global, &m_globalMixed, &m_opaque, &m_transparent, &m_mixed}) {
        if (!candidate->valid)
            continue;
        pack(*candidate, false, false, candidate->packed);
        const std::size_t total =
            LzwEncoder::imageDataSize(candidate->packed.size()) + tableBytes(*candidate);
        if (!best || total < bestSize) {
            best = candidate;
            bestSize = total;
        }
    }
    const bool merge = m_settings.lossyDistance > 0;
    if (merge)
        pack(*best, false, true, best->packed);
    // A table that can fill up: see whether keeping it beats starting anew.
    // Dithered noise never repeats enough for a kept table to pay.
    if (best->indices.size() >= 4096 && !best->dithered) {
        pack(*best, true, merge, m_packedAlternative);
        if (m_packedAlternative.size() < best->packed.size())
            best->packed.swap(m_packedAlternative);
    }
    appendImage(*best, m_rect, delayHundredths, out);
    return true;
}

} // namespace kinetta::gif
