#pragma once

#include "NearestColours.h"
#include "gif/Result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kinetta::gif
{

// One lower quality's freedoms, tried on a frame after those of the best
// quality (see GifFrameWriter).
struct LowerQualityLevel {
    // As QuantiserSettings::lossyDistance and flatLossyDistance.
    int lossyDistance = 0;
    int flatLossyDistance = 0;

    friend bool operator==(const LowerQualityLevel&, const LowerQualityLevel&) = default;
};

struct QuantiserSettings {
    int speed = 8;             // libimagequant speed, 1 (best) to 10 (fastest)
    // 0 none, 1 full error diffusion. None by default: on screen content and
    // video alike it scores higher SSIM and PSNR, makes smaller files and
    // maps a frame in about half the time.
    float ditherLevel = 0.0f;
    int maxFixedColours = 48;  // flat colours kept exactly
    // A colour is kept exactly when at least this many of its pixels repeat
    // their left neighbour, and at least one in flatShare of all pixels do.
    std::uint32_t minFlatPixels = 32;
    std::size_t flatShare = 500;
    // Largest RGB distance by which compression may move a pixel's colour to
    // continue a longer string; 0 compresses without any loss.
    int lossyDistance = 20;
    // How many of the nearest colours within lossyDistance compression tries
    // in place of each: more find longer strings, each costing lookups.
    int lossySubstitutes = 24;
    // The same as lossyDistance for a pixel in a flat area: 0 keeps those exact.
    int flatLossyDistance = 0;
    // Largest RGB distance at which a frame's colour may be shown by the
    // nearest entry of the table shared by all frames.
    int paletteDistance = 32;
    // Lower qualities, best first: each frame is also coded under each, and
    // the smallest coding of all is kept, so a list that adds a level never
    // makes a frame larger.
    std::vector<LowerQualityLevel> lowerLevels;
};

// Reduces an image of more than 256 colours to a palette. Large flat areas keep
// their exact colour and pixels whose colour made it into the palette are never
// dithered, so UI surfaces and text stay clean even where error diffusion is
// asked for.
class Quantiser final
{
public:
    explicit Quantiser(QuantiserSettings settings = {}) : m_settings(settings) {}

    // pixels: width*height colours 0xFFRRGGBB. keep: empty, or one byte per
    // pixel, 0 where the pixel is to be transparent. Fills indices (one per
    // pixel) and palette (0xAARRGGBB, alpha 0 for the transparent entry);
    // transparentIndex is -1 when no pixel is transparent. The buffers are
    // the caller's so that they are reused from frame to frame.
    [[nodiscard]] Status<> quantise(std::span<const std::uint32_t> pixels,
                                    std::span<const std::uint8_t> keep, int width, int height,
                                    std::vector<std::uint8_t>& indices,
                                    std::vector<std::uint32_t>& palette, int& transparentIndex,
                                    int maxColours = 256);

private:
    void collectFlatColours(std::span<const std::uint32_t> pixels,
                            std::span<const std::uint8_t> keep, int width);

    QuantiserSettings m_settings;
    std::vector<std::uint8_t> m_rgba;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_flat; // colour, count
    NearestColours m_nearest;
};

} // namespace kinetta::gif
