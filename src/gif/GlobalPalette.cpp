#include "GlobalPalette.h"

#include <algorithm>

namespace kinetta::gif
{

Result<GlobalPalette> GlobalPalette::fromFrame(std::span<const std::uint32_t> pixels,
                                               FrameSize size, const QuantiserSettings& settings)
{
    GlobalPalette palette;
    palette.indexOf.reset(255);
    bool exact = true;
    for (const std::uint32_t pixel : pixels) {
        if (palette.indexOf.indexOf(pixel) == ColourMap::kNotFound) {
            exact = false;
            break;
        }
    }
    if (exact) {
        palette.colours = palette.indexOf.colours();
    } else {
        // Every later frame draws on this table, so it keeps many more flat
        // colours exactly than a single frame's table would.
        QuantiserSettings shared = settings;
        shared.speed = 7; // one palette for every frame: worth a slower search
        shared.maxFixedColours = 224;
        shared.minFlatPixels = 8;
        shared.flatShare = std::size_t{1} << 30;
        Quantiser quantiser(shared);
        int transparent = -1;
        if (Status<> quantised =
                quantiser.quantise(pixels, {}, size.width, size.height, palette.firstIndices,
                                   palette.colours, transparent, 255);
            !quantised.ok())
            return Failure{quantised.message()};
        // The quantiser may repeat a colour; keep one entry per colour.
        palette.indexOf.reset(255);
        std::vector<std::uint8_t> slot(palette.colours.size());
        for (std::size_t k = 0; k < palette.colours.size(); ++k)
            slot[k] = static_cast<std::uint8_t>(palette.indexOf.indexOf(palette.colours[k]));
        palette.colours = palette.indexOf.colours();
        for (std::uint8_t& index : palette.firstIndices)
            index = slot[index];
    }
    palette.transparentIndex = static_cast<int>(palette.colours.size());
    palette.colours.push_back(0);
    return palette;
}

GlobalPalette GlobalPalette::fromRecording(std::span<const std::uint32_t> colours,
                                           std::span<const std::uint64_t> pixelCounts)
{
    // The most common colours first: a frame that uses only those needs
    // narrower codes. Transparency takes an entry each frame leaves unused.
    std::vector<std::size_t> order(colours.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    // Ties go by colour, so the order does not depend on the order seen.
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return pixelCounts[a] != pixelCounts[b] ? pixelCounts[a] > pixelCounts[b]
                                                : colours[a] < colours[b];
    });
    GlobalPalette palette;
    palette.indexOf.reset(256);
    for (const std::size_t k : order)
        (void)palette.indexOf.indexOf(colours[k]);
    palette.colours = palette.indexOf.colours();
    palette.holdsEveryColour = true;
    return palette;
}

} // namespace kinetta::gif
