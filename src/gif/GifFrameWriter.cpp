#include "GifFrameWriter.h"

#include "GifByteWriter.h"
#include "RgbDistance.h"

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

// Unchanged pixels in a row of fewer than this many may be redrawn rather
// than left transparent.
constexpr std::size_t kShortRun = 16;
constexpr std::size_t kLongRun = 32;

// Layouts of an image of at least kSampledPixels are ranked by coding a band
// of kSampleBand rows in every kSampleStride, each band on its own: a quarter
// of the work, and on full-size screen content the same sizes give or take a
// few bytes. Smaller images are ranked whole: there bands chose worse.
constexpr std::size_t kSampledPixels = std::size_t{1} << 20;
constexpr std::size_t kSampleBand = 16;
constexpr std::size_t kSampleStride = 64;

void appendControl(GifByteWriter& out, int delayHundredths, int transparentIndex)
{
    out.byte(0x21);
    out.byte(0xF9);
    out.byte(4);
    out.byte(static_cast<std::uint8_t>((kDisposalKeep << 2) | (transparentIndex >= 0 ? 1 : 0)));
    out.word(delayHundredths);
    out.byte(static_cast<std::uint8_t>(transparentIndex >= 0 ? transparentIndex : 0));
    out.byte(0);
}

// A number with the highest index's top bit, which is all the code size
// depends on: the indices ORed, eight at a time.
std::uint8_t highestIndexBits(std::span<const std::uint8_t> indices, int transparentIndex)
{
    std::uint64_t bits = static_cast<std::uint64_t>(std::max(transparentIndex, 0));
    std::size_t i = 0;
    for (; i + 8 <= indices.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, indices.data() + i, 8);
        bits |= word;
    }
    for (; i < indices.size(); ++i)
        bits |= indices[i];
    for (int shift = 32; shift >= 8; shift /= 2)
        bits |= bits >> shift;
    return static_cast<std::uint8_t>(bits);
}

} // namespace

GifFrameWriter::GifFrameWriter(QuantiserSettings settings, const GlobalPalette* global)
    : m_settings(settings), m_quantiser(settings), m_globalPalette(global)
{
}

void GifFrameWriter::appendMinimalFrame(int delayHundredths, std::vector<std::uint8_t>& out)
{
    // Nothing changed: one transparent pixel keeps the frame (and its delay).
    // Any index of the shared table can be the transparent one.
    Candidate& c = m_transparent;
    if (m_globalPalette) {
        c.indices.assign(1, 0);
        c.palette = m_globalPalette->colours;
        c.transparentIndex = 0;
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
    pack(c, {}, false, c.packed);
    const std::size_t start = out.size();
    appendImage(c, Rect{0, 0, 1, 1}, delayHundredths, out);
    m_levelTotals.clear();
    noteLevelBytes(out.size() - start);
}

void GifFrameWriter::extractRect(std::span<const std::uint32_t> current,
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
        // Flat as the whole frame shows it: the rectangle's edges have
        // neighbours outside it, and transparency hides some inside.
        if (!m_settings.lowerLevels.empty()) {
            m_flatPixels.resize(m_pixels.size());
            for (std::size_t x = 0; x < rw; ++x) {
                const std::size_t at = src + x;
                m_flatPixels[dst + x] = at % w != 0 && at >= w && current[at] == current[at - 1] &&
                                                current[at] == current[at - w]
                                            ? 1
                                            : 0;
            }
        }
        if (!previous.empty()) {
            for (std::size_t x = 0; x < rw; ++x)
                m_keep[dst + x] = current[src + x] != previous[src + x] ? 1 : 0;
        }
    }
}

void GifFrameWriter::buildExact()
{
    const std::size_t count = m_pixels.size();
    m_opaque.valid = false;
    m_opaque.usesGlobal = false;
    m_opaque.quantised = false;
    m_transparent.valid = false;
    m_transparent.usesGlobal = false;
    m_transparent.quantised = false;

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

NearestEntry GifFrameWriter::nearestGlobal(std::uint32_t colour)
{
    constexpr std::uint32_t kSlots = 8192;
    if (m_nearestKeys.empty()) {
        m_nearestKeys.assign(kSlots, 0);
        m_nearestValues.assign(kSlots, 0);
    }
    std::uint32_t slot = (colour * 2654435761u) >> 19;
    for (int probe = 0; probe < 16 && m_nearestKeys[slot] != 0; ++probe) {
        if (m_nearestKeys[slot] == colour)
            return {static_cast<int>(m_nearestValues[slot] & 0xFF),
                    static_cast<int>(m_nearestValues[slot] >> 8)};
        slot = (slot + 1) & (kSlots - 1);
    }
    const NearestEntry best = nearestOpaqueEntry(colour, m_globalPalette->colours);
    if (m_nearestKeys[slot] == 0) {
        m_nearestKeys[slot] = colour;
        m_nearestValues[slot] = static_cast<std::uint32_t>(best.distanceSquared) << 8 |
                                static_cast<std::uint32_t>(best.index);
    }
    return best;
}

void GifFrameWriter::buildGlobal()
{
    // Every changed pixel (or every pixel of a first frame) in the shared
    // table, exactly or by a colour close enough.
    m_global.valid = false;
    m_globalMixed.valid = false;
    m_globalOpaque.valid = false;
    m_globalRuns.valid = false;
    m_globalLongRuns.valid = false;
    if (!m_globalPalette)
        return;
    const std::size_t count = m_pixels.size();
    int t = m_globalPalette->transparentIndex;
    if (m_globalPalette->holdsEveryColour) {
        t = mapToCompleteTable();
    } else if (!m_hasPrevious && !m_globalPalette->firstIndices.empty()) {
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
            if (m_hasPrevious && m_keep[i] == 0 && t >= 0) {
                m_global.indices[i] = static_cast<std::uint8_t>(t);
                continue;
            }
            int index = m_globalPalette->indexOf.find(m_pixels[i]);
            if (index == ColourMap::kNotFound) {
                // A flat area may only move by a shade too small to see: a
                // whole surface shifted further would show.
                const bool flat = i % w != 0 && i >= w && m_pixels[i] == m_pixels[i - 1] &&
                                  m_pixels[i] == m_pixels[i - w];
                const NearestEntry nearest = nearestGlobal(m_pixels[i]);
                if (nearest.index < 0 ||
                    nearest.distanceSquared > (flat ? std::min(kFlatLimit, limit) : limit))
                    return;
                index = nearest.index;
            }
            m_global.indices[i] = static_cast<std::uint8_t>(index);
        }
    }
    m_global.palette = m_globalPalette->colours;
    m_global.transparentIndex = m_hasPrevious ? t : -1;
    m_global.usesGlobal = true;
    m_global.quantised = !m_hasPrevious && !m_globalPalette->firstIndices.empty();
    m_global.valid = true;
    if (m_hasPrevious && t >= 0) {
        buildMixed(m_global, m_globalMixed);
        m_globalMixed.usesGlobal = true;
    }
}

int GifFrameWriter::mapToCompleteTable()
{
    // The table holds every colour, so each pixel has its index. Any entry
    // the changed pixels leave unused can be the frame's transparent one: the
    // lowest keeps the indices, and so the codes, small.
    const std::size_t count = m_pixels.size();
    m_global.indices.resize(count);
    std::array<bool, 256> used{};
    for (std::size_t i = 0; i < count; ++i) {
        // Runs of one colour are common: the index of the pixel before first.
        const auto index =
            i > 0 && m_pixels[i] == m_pixels[i - 1]
                ? m_global.indices[i - 1]
                : static_cast<std::uint8_t>(m_globalPalette->indexOf.find(m_pixels[i]));
        m_global.indices[i] = index;
        if (!m_hasPrevious || m_keep[i] != 0)
            used[index] = true;
    }
    if (!m_hasPrevious)
        return -1;
    const std::size_t entries = std::size_t{1}
                                << GifByteWriter::tableBits(m_globalPalette->colours.size());
    std::size_t t = 0;
    while (t < entries && used[t])
        ++t;
    // Redrawing unchanged pixels in their own colour can make the longer
    // strings: that layout is ranked too.
    m_globalOpaque.indices = m_global.indices;
    m_globalOpaque.palette = m_globalPalette->colours;
    m_globalOpaque.transparentIndex = -1;
    m_globalOpaque.usesGlobal = true;
    m_globalOpaque.quantised = false;
    m_globalOpaque.valid = true;
    if (t == entries)
        return -1; // every entry shows a changed pixel: unchanged ones are redrawn
    for (std::size_t i = 0; i < count; ++i) {
        if (m_keep[i] == 0)
            m_global.indices[i] = static_cast<std::uint8_t>(t);
    }
    // Or transparent only along runs of unchanged pixels long enough to make
    // long strings of their own; shorter ones are redrawn with the changes
    // around them. Which length pays depends on the content: two are ranked.
    buildRuns(kShortRun, static_cast<int>(t), m_globalRuns);
    buildRuns(kLongRun, static_cast<int>(t), m_globalLongRuns);
    return static_cast<int>(t);
}

void GifFrameWriter::buildRuns(std::size_t shortRun, int transparentIndex, Candidate& runs) const
{
    runs.indices = m_global.indices;
    const auto w = static_cast<std::size_t>(m_rect.width);
    const std::size_t count = m_pixels.size();
    for (std::size_t row = 0; row < count; row += w) {
        for (std::size_t x = 0; x < w;) {
            if (m_keep[row + x] != 0) {
                ++x;
                continue;
            }
            std::size_t end = x;
            while (end < w && m_keep[row + end] == 0)
                ++end;
            if (end - x < shortRun)
                std::copy(m_globalOpaque.indices.begin() + static_cast<std::ptrdiff_t>(row + x),
                          m_globalOpaque.indices.begin() + static_cast<std::ptrdiff_t>(row + end),
                          runs.indices.begin() + static_cast<std::ptrdiff_t>(row + x));
            x = end;
        }
    }
    runs.palette = m_globalPalette->colours;
    runs.transparentIndex = transparentIndex;
    runs.usesGlobal = true;
    runs.quantised = false;
    runs.valid = true;
}

void GifFrameWriter::buildMixed(const Candidate& transparent, Candidate& mixed) const
{
    // An unchanged pixel may repeat its left neighbour's index instead of being
    // transparent: the colour shown is the same and the run grows longer.
    mixed.indices = transparent.indices;
    mixed.palette = transparent.palette;
    mixed.transparentIndex = transparent.transparentIndex;
    mixed.valid = transparent.valid;
    mixed.usesGlobal = transparent.usesGlobal;
    mixed.quantised = transparent.quantised;
    const auto t = static_cast<std::uint8_t>(transparent.transparentIndex);
    const auto w = static_cast<std::size_t>(m_rect.width);
    const std::size_t count = m_pixels.size();
    for (std::size_t row = 0; row < count; row += w) {
        for (std::size_t i = row + 1; i < row + w; ++i) {
            if (m_keep[i] == 0 && mixed.indices[i - 1] != t && m_pixels[i] == m_pixels[i - 1])
                mixed.indices[i] = mixed.indices[i - 1];
        }
    }
}

void GifFrameWriter::buildStandIns(const Candidate& candidate, bool merge)
{
    // Only indices the code size can express may stand in for another.
    const std::size_t reach = std::size_t{1} << candidate.minCodeSize;
    const std::vector<std::uint32_t>& palette = candidate.palette;
    const std::size_t entries = std::min(palette.size(), reach);
    const int limit = merge ? m_lossy.distance * m_lossy.distance : -1;
    std::array<std::pair<int, std::uint8_t>, 256> near{};
    const auto kept =
        static_cast<std::size_t>(std::clamp(m_lossy.substitutes, 0, LzwEncoder::Substitutes::kMax));
    m_substitutes.stride = kept;
    const int flatLimit = std::min(m_lossy.flatDistance, m_lossy.distance);
    const int flatLimitSquared = merge ? flatLimit * flatLimit : -1;
    for (std::size_t a = 0; a < entries; ++a) {
        std::size_t n = 0;
        if (merge && palette[a] != 0) {
            for (std::size_t b = 0; b < entries; ++b) {
                if (b == a || palette[b] == 0)
                    continue;
                const int d = rgbDistanceSquared(palette[a], palette[b]);
                if (d <= limit)
                    near[n++] = {d, static_cast<std::uint8_t>(b)};
            }
        }
        std::sort(near.begin(), near.begin() + static_cast<std::ptrdiff_t>(n));
        n = std::min(n, kept);
        m_substitutes.count[a] = static_cast<std::uint8_t>(n);
        std::size_t flat = 0;
        while (flat < n && near[flat].first <= flatLimitSquared)
            ++flat;
        m_substitutes.flatCount[a] = static_cast<std::uint8_t>(flat);
        for (std::size_t k = 0; k < n; ++k)
            m_substitutes.near[a * kept + k] = near[k].second;
    }
    m_alternates.clear();
    if (candidate.transparentIndex < 0 || !m_hasPrevious)
        return;
    // Unchanged pixels may show their own colour when the palette has it.
    ColourMap& paletteColours = m_opaqueColours;
    paletteColours.reset(256);
    std::vector<std::uint8_t> slots;
    for (std::size_t k = 0; k < entries; ++k) {
        if (palette[k] != 0 && paletteColours.find(palette[k]) == ColourMap::kNotFound) {
            (void)paletteColours.indexOf(palette[k]);
            slots.push_back(static_cast<std::uint8_t>(k));
        }
    }
    m_alternates.resize(m_pixels.size());
    std::uint32_t lastColour = 0; // no pixel's: every pixel is opaque
    std::int16_t lastSlot = -1;
    for (std::size_t i = 0; i < m_pixels.size(); ++i) {
        if (m_keep[i] != 0) {
            m_alternates[i] = -1;
            continue;
        }
        if (m_pixels[i] != lastColour) {
            const int found = paletteColours.find(m_pixels[i]);
            lastColour = m_pixels[i];
            lastSlot = found == ColourMap::kNotFound
                           ? std::int16_t{-1}
                           : static_cast<std::int16_t>(slots[static_cast<std::size_t>(found)]);
        }
        m_alternates[i] = lastSlot;
    }
}

void GifFrameWriter::pack(Candidate& candidate, LzwEncoder::Choices choices, bool mayMerge,
                          std::vector<std::uint8_t>& packed, std::size_t firstRow,
                          std::size_t rowCount, std::size_t giveUpAt)
{
    // The codes need only cover the indices used, whatever the table's size;
    // the same for every band of the image.
    if (firstRow == 0)
        candidate.minCodeSize =
            std::max(2, GifByteWriter::tableBits(std::size_t{highestIndexBits(
                                                     candidate.indices, candidate.transparentIndex)} +
                                                 1));
    const bool merge = mayMerge && m_lossy.distance > 0 && candidate.palette.size() >= 3;
    // A transparent pixel may as well show its own colour where that makes a
    // longer string: the same picture either way.
    const bool flexible = m_hasPrevious && candidate.transparentIndex >= 0;
    if (merge || flexible) {
        // The layouts on the shared table have the same stand-ins: built once.
        const StandInsKey key{candidate.usesGlobal ? static_cast<const void*>(m_globalPalette)
                                                   : &candidate,
                              candidate.minCodeSize, candidate.transparentIndex, merge, m_lossy};
        if (key != m_standInsKey) {
            buildStandIns(candidate, merge);
            m_standInsKey = key;
        }
    }
    const auto w = static_cast<std::size_t>(m_rect.width);
    const std::size_t first = std::min(firstRow * w, candidate.indices.size());
    const std::size_t count = std::min(rowCount, (candidate.indices.size() - first) / w) * w;
    const auto indices = std::span<const std::uint8_t>(candidate.indices).subspan(first, count);
    if (merge || flexible) {
        const auto alternates =
            m_alternates.empty() ? std::span<const std::int16_t>()
                                 : std::span<const std::int16_t>(m_alternates).subspan(first, count);
        const auto flats = m_levelPass
                               ? std::span<const std::uint8_t>(m_flatPixels).subspan(first, count)
                               : std::span<const std::uint8_t>();
        m_lzw.compressLossy(indices, alternates, candidate.transparentIndex, m_substitutes,
                            m_rect.width, candidate.minCodeSize, packed, choices, giveUpAt, flats);
    } else {
        m_lzw.compress(indices, candidate.minCodeSize, packed, choices, giveUpAt);
    }
    candidate.filledTable = m_lzw.filledTable();
}

std::size_t GifFrameWriter::tableBytes(const Candidate& candidate)
{
    return candidate.usesGlobal ? 0 : GifByteWriter::tableBytes(candidate.palette.size());
}

void GifFrameWriter::appendImage(const Candidate& candidate, const Rect& rect, int delayHundredths,
                                 std::vector<std::uint8_t>& bytes) const
{
    GifByteWriter out(bytes);
    appendControl(out, delayHundredths, candidate.transparentIndex);
    out.byte(0x2C);
    out.word(rect.x);
    out.word(rect.y);
    out.word(rect.width);
    out.word(rect.height);
    if (candidate.usesGlobal) {
        out.byte(0);
    } else {
        out.byte(static_cast<std::uint8_t>(
            0x80 | (GifByteWriter::tableBits(candidate.palette.size()) - 1)));
        out.colourTable(candidate.palette);
    }
    out.imageData(candidate.packed, candidate.minCodeSize);
}

Status<> GifFrameWriter::write(std::span<const std::uint32_t> current,
                               std::span<const std::uint32_t> previous, FrameSize size,
                               int delayHundredths, std::vector<std::uint8_t>& out)
{
    m_hasPrevious = !previous.empty();
    m_standInsKey = {};
    m_lossy = {m_settings.lossyDistance, m_settings.flatLossyDistance, m_settings.lossySubstitutes};
    if (m_hasPrevious) {
        const std::optional<Rect> rect = changedRect(current, previous, size);
        if (!rect) {
            appendMinimalFrame(delayHundredths, out);
            return {};
        }
        m_rect = *rect;
    } else {
        m_rect = Rect{0, 0, size.width, size.height};
    }
    extractRect(current, previous, size, m_rect);
    // A shared table holding every colour of the recording shows every frame
    // exactly: a table of the frame's own would only repeat some of it.
    if (m_globalPalette && m_globalPalette->holdsEveryColour) {
        m_opaque.valid = false;
        m_transparent.valid = false;
    } else {
        buildExact();
    }
    buildGlobal();
    // Quantise only what neither an exact table nor the shared one can show.
    if (!m_opaque.valid && !m_transparent.valid && !m_global.valid) {
        Candidate& target = m_hasPrevious ? m_transparent : m_opaque;
        if (Status<> quantised =
                m_quantiser.quantise(m_pixels, m_keep, m_rect.width, m_rect.height, target.indices,
                                     target.palette, target.transparentIndex);
            !quantised.ok())
            return quantised;
        target.valid = true;
        target.usesGlobal = false;
        target.quantised = true;
    }
    m_mixed.valid = false;
    // Without an unchanged pixel the mixed layout would repeat the other.
    if (m_transparent.valid && std::find(m_keep.begin(), m_keep.end(), 0) != m_keep.end())
        buildMixed(m_transparent, m_mixed);

    // The layouts are ranked by their exact coding, which is cheap; only the
    // chosen one is then coded with colour merging and both table policies.
    // A lone layout needs no ranking.
    std::array<Candidate*, 8> valid{};
    std::size_t validCount = 0;
    for (Candidate* candidate : {&m_global, &m_globalMixed, &m_globalOpaque, &m_globalRuns,
                                 &m_globalLongRuns, &m_opaque, &m_transparent, &m_mixed}) {
        if (candidate->valid)
            valid[validCount++] = candidate;
    }
    // Layouts are ranked with redrawn unchanged pixels free to turn
    // transparent, which lets the string choices decide where transparency
    // pays.
    Candidate* best = valid[0];
    std::size_t bestSize = 0;
    const LzwEncoder::Choices ranking{.redrawnMayVanish = true};
    const auto rows = static_cast<std::size_t>(m_rect.height);
    const bool sampled = validCount > 1 && m_pixels.size() >= kSampledPixels;
    std::size_t sampledRows = 0;
    for (std::size_t row = 0; sampled && row < rows; row += kSampleStride)
        sampledRows += std::min(kSampleBand, rows - row);
    // A layout stops being coded once it cannot come out smaller than the
    // best so far: its total only grows with its bytes.
    for (std::size_t k = 0; validCount > 1 && k < validCount; ++k) {
        Candidate* candidate = valid[k];
        std::size_t total = tableBytes(*candidate);
        const bool bounded = k > 0 && total < bestSize;
        if (sampled) {
            std::size_t bytes = 0;
            for (std::size_t row = 0; row < rows; row += kSampleStride) {
                if (bounded && total + bytes * rows / sampledRows >= bestSize)
                    break;
                pack(*candidate, ranking, false, m_packedAlternative, row, kSampleBand);
                bytes += m_packedAlternative.size();
            }
            total += bytes * rows / sampledRows;
        } else {
            // The image data holds at least the packed bytes.
            pack(*candidate, ranking, false, candidate->packed, 0, SIZE_MAX,
                 bounded ? bestSize - total : SIZE_MAX);
            total += GifByteWriter::imageDataSize(candidate->packed.size());
        }
        if (k == 0 || total < bestSize) {
            best = candidate;
            bestSize = total;
        }
    }
    // The chosen layout is coded with colour merging where allowed, then
    // under the other string and table choices, keeping the smallest. A
    // quantised frame is left as it is: its near colours make strings too
    // short and too varied for a kept table or a look ahead to pay.
    const bool merge = m_settings.lossyDistance > 0;
    // What best->packed was coded with.
    LzwEncoder::Choices choices = ranking;
    if (merge || validCount == 1 || sampled) {
        choices = {};
        pack(*best, choices, merge, best->packed);
    }
    if (!best->quantised) {
        // A trial is dropped as soon as it cannot come out smaller.
        const auto tryChoices = [&](LzwEncoder::Choices trial) {
            pack(*best, trial, merge, m_packedAlternative, 0, SIZE_MAX, best->packed.size());
            if (m_packedAlternative.size() < best->packed.size()) {
                best->packed.swap(m_packedAlternative);
                choices = trial;
            }
        };
        // A table that never filled gives the same codes under every policy.
        using FullTable = LzwEncoder::Choices::FullTable;
        for (const FullTable other : {FullTable::Keep, FullTable::ClearWhenStale}) {
            if (!best->filledTable)
                break;
            LzwEncoder::Choices trial = choices;
            trial.fullTable = other;
            tryChoices(trial);
        }
        // Worth its pass on images smaller than those ranked on bands; on
        // larger ones it saved a few bytes a frame, like looking ahead below.
        if (m_hasPrevious && best->transparentIndex >= 0 && !sampled) {
            LzwEncoder::Choices trial = choices;
            trial.redrawnMayVanish = !choices.redrawnMayVanish;
            tryChoices(trial);
        }
        // Looking ahead costs about two more passes: on images ranked on
        // bands, that is a quarter of the encode for 0.3% of their bytes,
        // which full-size recordings cannot afford.
        if (!sampled) {
            choices.lookAhead = true;
            tryChoices(choices);
        }
    }
    m_levelTotals.clear();
    if (!m_settings.lowerLevels.empty())
        tryLowerLevels(best, choices);
    const std::size_t start = out.size();
    appendImage(*best, m_rect, delayHundredths, out);
    noteLevelBytes(out.size() - start);
    return {};
}

} // namespace kinetta::gif
