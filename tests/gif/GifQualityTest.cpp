#include "gif/TestFrames.h"

#include <random>

namespace kinetta::gif
{
namespace
{

using namespace testing;

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr int kDriftWidth = 48;
constexpr int kDriftHeight = 36;

// Noise over a ramp of about a hundred shades, as a scaled-down photo shows:
// the colours fit one table, and neighbours differ by small steps that
// merging near colours can join. The second frame redraws a band, the third
// every pixel, so transparent and redrawn pixels are both coded.
std::vector<Pixels> jitteredRamp()
{
    std::mt19937 random(11);
    std::uniform_int_distribution<int> jitter(0, 19);
    const auto shade = [&](int x) {
        const int v = x / 2 + jitter(random);
        return 0xFF000000u | static_cast<std::uint32_t>((2 * v) << 16 | (v + 20) << 8 | (200 - v));
    };
    std::vector<Pixels> frames(3, Pixels(kWidth * kHeight));
    for (std::size_t i = 0; i < frames[0].size(); ++i)
        frames[0][i] = shade(static_cast<int>(i % kWidth));
    frames[1] = frames[0];
    for (std::size_t i = 30 * kWidth; i < 70 * kWidth; ++i)
        frames[1][i] = shade(static_cast<int>(i % kWidth));
    for (std::size_t i = 0; i < frames[2].size(); ++i)
        frames[2][i] = shade(static_cast<int>(i % kWidth));
    return frames;
}

// Frames of kWidth pixels a row, or of kDriftWidth for drifting().
EncodeResult encodeAt(const std::vector<Pixels>& frames, int quality, bool lossless = false)
{
    const int width = frames[0].size() == std::size_t{kWidth} * kHeight ? kWidth : kDriftWidth;
    return GifEncoder::encode(
        VectorSource(width, static_cast<int>(frames[0].size()) / width, frames), {}, {},
        {.lossless = lossless, .quality = quality});
}

int rgbDistanceSquared(std::uint32_t a, std::uint32_t b)
{
    int sum = 0;
    for (int shift : {0, 8, 16}) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        sum += d * d;
    }
    return sum;
}

TEST(Quality, AtOneHundredTheDefaultBytesWithATableFittingRecordingExact)
{
    const std::vector<Pixels> frames = jitteredRamp();
    const EncodeResult byDefault =
        GifEncoder::encode(VectorSource(kWidth, kHeight, frames), Options());
    const EncodeResult best = encodeAt(frames, 100);
    ASSERT_TRUE(byDefault.ok() && best.ok()) << best.message();
    EXPECT_TRUE(best.bytes() == byDefault.bytes());
    const auto gif = decodeGif(best.bytes());
    ASSERT_TRUE(gif.has_value());
    expectExact(*gif, frames);

    // lossless outranks a lower quality.
    const EncodeResult exact = encodeAt(frames, 30, true);
    ASSERT_TRUE(exact.ok()) << exact.message();
    const auto exactGif = decodeGif(exact.bytes());
    ASSERT_TRUE(exactGif.has_value());
    expectExact(*exactGif, frames);
}

// The ramp with a flat panel of one of its shades: its pixels (those equal
// to their left and upper neighbours) may move only by the flat bound.
std::vector<Pixels> rampWithPanel()
{
    std::vector<Pixels> frames = jitteredRamp();
    for (Pixels& frame : frames) {
        const std::uint32_t panel = frames[0][20 * kWidth + 80];
        frame = withRect(frame, kWidth, 40, 20, 80, 60, panel);
    }
    return frames;
}

// A smooth picture of far more than 256 colours that drifts, so that every
// frame is quantised to a table of its own.
std::vector<Pixels> drifting()
{
    std::vector<Pixels> frames;
    for (int phase : {0, 9, 18})
        frames.push_back(gradientFrame(kDriftWidth, kDriftHeight, phase));
    return frames;
}

TEST(Quality, EveryPixelStaysWithinTheBoundsOfItsLevelAndTheBoundsAreUsed)
{
    // The recording fits one table, so each pixel's table colour is its own.
    const std::vector<Pixels> frames = rampWithPanel();
    int lowestWorst = 0;
    for (const GifEncoder::QualityLevel& level : GifEncoder::qualityLevels) {
        const int quality = level.quality;
        if (quality == GifEncoder::maxQuality)
            continue;
        SCOPED_TRACE(::testing::Message() << "quality " << quality);
        const EncodeResult result = encodeAt(frames, quality);
        ASSERT_TRUE(result.ok()) << result.message();
        std::string error;
        const auto gif = decodeGif(result.bytes(), &error);
        ASSERT_TRUE(gif.has_value()) << error;
        ASSERT_EQ(gif->images.size(), frames.size());
        const int bound = GifEncoder::lossyDistance(quality);
        const int flatBound = GifEncoder::flatLossyDistance(quality);
        int worst = 0;
        // Flat in every frame so far: an unchanged pixel keeps the colour it
        // was drawn in while it was not flat yet.
        std::vector<bool> flatSoFar(frames[0].size(), true);
        for (std::size_t f = 0; f < frames.size(); ++f) {
            const Pixels& frame = frames[f];
            for (std::size_t i = 0; i < frame.size(); ++i) {
                flatSoFar[i] = flatSoFar[i] && i >= kWidth && i % kWidth != 0 &&
                               frame[i - 1] == frame[i] && frame[i - kWidth] == frame[i];
                const bool flat = flatSoFar[i];
                const int d = rgbDistanceSquared(gif->images[f].canvas[i], frame[i]);
                ASSERT_LE(d, (flat ? flatBound * flatBound : bound * bound))
                    << "frame " << f << " pixel " << i << (flat ? " (flat)" : "");
                worst = std::max(worst, d);
            }
        }
        lowestWorst = worst;
    }
    // The larger bounds are taken where they pay: the lowest quality moves
    // some pixel further than the best quality may.
    const int atBest = GifEncoder::lossyDistance(GifEncoder::maxQuality);
    EXPECT_GT(lowestWorst, atBest * atBest);
}

TEST(Quality, NoLowerQualityMakesALargerFile)
{
    // At every quality from 100 down to 1 on a small recording quantised
    // frame by frame, and every fifth on a larger one that fits one table.
    for (const auto& [name, frames, step] :
         {std::tuple{"drifting", drifting(), 1}, std::tuple{"ramp", rampWithPanel(), 5}}) {
        SCOPED_TRACE(name);
        std::size_t previous = SIZE_MAX;
        std::size_t best = 0;
        for (int quality = GifEncoder::maxQuality; quality >= GifEncoder::minQuality;
             quality -= quality == GifEncoder::maxQuality ? 1 : step) {
            const EncodeResult result = encodeAt(frames, quality);
            ASSERT_TRUE(result.ok()) << result.message();
            ASSERT_LE(result.bytes().size(), previous) << "quality " << quality;
            previous = result.bytes().size();
            if (quality == GifEncoder::maxQuality)
                best = previous;
        }
        // Each lever pays on this content: well under the best quality's file.
        EXPECT_LT(previous * 3, best * 2);
    }
}

TEST(Quality, EachLevelIsAStepOfItsOwnAndAQualityBetweenWorksAsTheLevelBelow)
{
    const std::vector<Pixels> frames = rampWithPanel();
    std::vector<std::uint8_t> above;
    int aboveQuality = GifEncoder::maxQuality + 1;
    for (const GifEncoder::QualityLevel& level : GifEncoder::qualityLevels) {
        SCOPED_TRACE(::testing::Message() << "quality " << level.quality);
        const EncodeResult atLevel = encodeAt(frames, level.quality);
        ASSERT_TRUE(atLevel.ok()) << atLevel.message();
        if (!above.empty()) {
            EXPECT_LT(atLevel.bytes().size(), above.size());
        }
        if (level.quality + 2 < aboveQuality) {
            const EncodeResult between = encodeAt(frames, level.quality + 2);
            ASSERT_TRUE(between.ok()) << between.message();
            EXPECT_TRUE(between.bytes() == atLevel.bytes());
        }
        above = atLevel.bytes();
        aboveQuality = level.quality;
    }
}

TEST(Quality, LowQualitiesShowQuantisedFramesInFewerColours)
{
    const std::vector<Pixels> frames = drifting();
    const EncodeResult best = encodeAt(frames, 100);
    const EncodeResult low = encodeAt(frames, 20);
    ASSERT_TRUE(best.ok() && low.ok());
    const auto bestGif = decodeGif(best.bytes());
    const auto lowGif = decodeGif(low.bytes());
    ASSERT_TRUE(bestGif.has_value() && lowGif.has_value());
    ASSERT_EQ(bestGif->images.size(), lowGif->images.size());
    // Frames after the first carry tables of their own; at a low quality at
    // least one of them is smaller, and its codes narrower.
    bool fewer = false;
    for (std::size_t f = 1; f < lowGif->images.size(); ++f) {
        if (lowGif->images[f].localTableSize != 0 &&
            lowGif->images[f].localTableSize < bestGif->images[f].localTableSize &&
            lowGif->images[f].minCodeSize < bestGif->images[f].minCodeSize)
            fewer = true;
    }
    EXPECT_TRUE(fewer);
}

TEST(Quality, OutsideOneToOneHundredIsRefused)
{
    const std::vector<Pixels> frames{solidFrame(8, 8, 0x336699)};
    for (int quality : {0, -5, 101}) {
        const EncodeResult result =
            GifEncoder::encode(VectorSource(8, 8, frames), {}, {}, {.quality = quality});
        EXPECT_EQ(result.error(), EncodeError::InvalidOptions) << quality;
        EXPECT_NE(result.message().find("quality"), std::string::npos) << result.message();
    }
    EXPECT_TRUE(GifEncoder::encode(VectorSource(8, 8, frames), {}, {}, {.quality = 1}).ok());
}

} // namespace
} // namespace kinetta::gif
