#include "Quantiser.h"

#include "ColourMap.h"
#include "ReusedBlocks.h"
#include "RgbDistance.h"

#include <algorithm>
#include <libimagequant.h>
#include <memory>

namespace kinetta::gif
{
namespace
{

struct AttrDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct ImageDeleter {
    void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct ResultDeleter {
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

constexpr std::uint32_t kCountSlots = 8192;

liq_color toLiq(std::uint32_t colour)
{
    return {static_cast<unsigned char>(colour >> 16), static_cast<unsigned char>(colour >> 8),
            static_cast<unsigned char>(colour), 255};
}

} // namespace

void Quantiser::collectFlatColours(std::span<const std::uint32_t> pixels,
                                   std::span<const std::uint8_t> keep, int width)
{
    // Counts pixels that repeat their left neighbour: those form the flat
    // surfaces where dithering noise would show most.
    std::vector<std::uint32_t> keys(kCountSlots, 0);
    std::vector<std::uint32_t> counts(kCountSlots, 0);
    std::size_t used = 0;
    std::size_t kept = 0;
    const auto w = static_cast<std::size_t>(width);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (!keep.empty() && keep[i] == 0)
            continue;
        ++kept;
        if (i % w == 0 || pixels[i] != pixels[i - 1])
            continue;
        const std::uint32_t colour = pixels[i];
        std::uint32_t slot = (colour * 2654435761u) >> 19;
        while (keys[slot] != 0 && keys[slot] != colour)
            slot = (slot + 1) & (kCountSlots - 1);
        if (keys[slot] == 0) {
            if (used >= kCountSlots / 2)
                continue;
            keys[slot] = colour;
            ++used;
        }
        ++counts[slot];
    }
    m_flat.clear();
    const std::uint32_t threshold = std::max<std::uint32_t>(
        m_settings.minFlatPixels, static_cast<std::uint32_t>(kept / m_settings.flatShare));
    for (std::uint32_t slot = 0; slot < kCountSlots; ++slot) {
        if (keys[slot] != 0 && counts[slot] >= threshold)
            m_flat.emplace_back(keys[slot], counts[slot]);
    }
    std::sort(m_flat.begin(), m_flat.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    if (m_flat.size() > static_cast<std::size_t>(m_settings.maxFixedColours))
        m_flat.resize(static_cast<std::size_t>(m_settings.maxFixedColours));
}

Status<> Quantiser::quantise(std::span<const std::uint32_t> pixels,
                             std::span<const std::uint8_t> keep, int width, int height,
                             std::vector<std::uint8_t>& indices,
                             std::vector<std::uint32_t>& palette, int& transparentIndex,
                             int maxColours)
{
    const std::size_t count = pixels.size();
    m_rgba.resize(count * 4);
    bool anyTransparent = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t c = pixels[i];
        std::uint8_t* out = &m_rgba[i * 4];
        if (!keep.empty() && keep[i] == 0) {
            out[0] = out[1] = out[2] = out[3] = 0;
            anyTransparent = true;
            continue;
        }
        out[0] = static_cast<std::uint8_t>(c >> 16);
        out[1] = static_cast<std::uint8_t>(c >> 8);
        out[2] = static_cast<std::uint8_t>(c);
        out[3] = 255;
    }

    // Its frame-sized buffers are kept for the next frame on this thread.
    std::unique_ptr<liq_attr, AttrDeleter> attr(
        liq_attr_create_with_allocator(reusedBlocks::allocate, reusedBlocks::release));
    if (!attr)
        return failure("cannot create the quantiser");
    liq_set_max_colors(attr.get(), maxColours);
    liq_set_speed(attr.get(), m_settings.speed);
    std::unique_ptr<liq_image, ImageDeleter> image(
        liq_image_create_rgba(attr.get(), m_rgba.data(), width, height, 0));
    if (!image)
        return failure("cannot hand the frame to the quantiser");
    collectFlatColours(pixels, keep, width);
    for (const auto& [colour, pixelsOfColour] : m_flat) {
        (void)pixelsOfColour;
        if (liq_image_add_fixed_color(image.get(), toLiq(colour)) != LIQ_OK)
            break;
    }
    liq_result* rawResult = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &rawResult) != LIQ_OK || !rawResult)
        return failure("the quantiser failed");
    std::unique_ptr<liq_result, ResultDeleter> result(rawResult);
    indices.resize(count);
    // Without dithering each pixel takes its nearest entry, which is found
    // here far faster than by the quantiser's own mapping of every pixel.
    const bool dither = m_settings.ditherLevel > 0;
    if (dither) {
        liq_set_dithering_level(result.get(), m_settings.ditherLevel);
        if (liq_write_remapped_image(result.get(), image.get(), indices.data(), indices.size()) !=
            LIQ_OK)
            return failure("the quantiser could not map the frame");
    }
    const liq_palette* liqPalette = liq_get_palette(result.get());
    palette.clear();
    transparentIndex = -1;
    ColourMap exact;
    exact.reset(256);
    for (unsigned i = 0; i < liqPalette->count; ++i) {
        const liq_color& c = liqPalette->entries[i];
        if (c.a < 128) {
            palette.push_back(0);
            if (transparentIndex < 0)
                transparentIndex = static_cast<int>(i);
            continue;
        }
        const std::uint32_t colour = 0xFF000000u | (std::uint32_t{c.r} << 16) |
                                     (std::uint32_t{c.g} << 8) | std::uint32_t{c.b};
        palette.push_back(colour);
        if (exact.find(colour) == ColourMap::kNotFound)
            (void)exact.indexOf(colour);
    }
    if (anyTransparent && transparentIndex < 0) {
        if (palette.size() >= 256)
            return failure("the quantiser left no room for transparency");
        transparentIndex = static_cast<int>(palette.size());
        palette.push_back(0);
    }
    if (!dither) {
        m_nearest.setPalette(palette);
        if (!m_nearest.map(pixels, keep, transparentIndex, indices))
            return failure("the quantiser produced no visible colour");
        return {};
    }
    // The ColourMap assigned its own indices; map them back to palette slots.
    std::vector<std::uint8_t> slotOfExact(exact.colours().size());
    for (std::size_t k = 0; k < exact.colours().size(); ++k) {
        const auto it = std::find(palette.begin(), palette.end(), exact.colours()[k]);
        slotOfExact[k] = static_cast<std::uint8_t>(it - palette.begin());
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (!keep.empty() && keep[i] == 0) {
            indices[i] = static_cast<std::uint8_t>(transparentIndex);
            continue;
        }
        const int known = exact.find(pixels[i]);
        if (known != ColourMap::kNotFound) {
            indices[i] = slotOfExact[static_cast<std::size_t>(known)];
        } else if (palette[indices[i]] == 0) {
            // Never let a visible pixel fall through to the transparent entry.
            const int nearest = nearestOpaqueEntry(pixels[i], palette).index;
            if (nearest < 0)
                return failure("the quantiser produced no visible colour");
            indices[i] = static_cast<std::uint8_t>(nearest);
        }
    }
    return {};
}

} // namespace kinetta::gif
