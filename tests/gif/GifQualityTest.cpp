#include "gif/TestFrames.h"

#include <random>

namespace kinetta::gif
{
namespace
{

using namespace testing;

constexpr int kWidth = 160;
constexpr int kHeight = 120;

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

EncodeResult encodeAt(const std::vector<Pixels>& frames, int quality, bool lossless = false)
{
    return GifEncoder::encode(VectorSource(kWidth, kHeight, frames), {}, {},
                              {.lossless = lossless, .quality = quality});
}

int rgbDistanceSquared(std::uint32_t a, std::uint32_t b)
{
    int sum = 0;
    for (int shift : {0, 8, 16}) {
        const int d =
            static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
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

TEST(Quality, EveryPixelStaysWithinTheBoundOfItsColourAndTheBoundIsUsed)
{
    for (int quality = GifEncoder::maxQuality; quality > GifEncoder::minQuality; --quality)
        ASSERT_LT(GifEncoder::lossyDistance(quality), GifEncoder::lossyDistance(quality - 1));

    // The recording fits one table, so each pixel's table colour is its own.
    const std::vector<Pixels> frames = jitteredRamp();
    int previousWorst = 0;
    for (int quality : {90, 75, 50, 30}) {
        SCOPED_TRACE(::testing::Message() << "quality " << quality);
        const EncodeResult result = encodeAt(frames, quality);
        ASSERT_TRUE(result.ok()) << result.message();
        std::string error;
        const auto gif = decodeGif(result.bytes(), &error);
        ASSERT_TRUE(gif.has_value()) << error;
        ASSERT_EQ(gif->images.size(), frames.size());
        const int bound = GifEncoder::lossyDistance(quality);
        int worst = 0;
        for (std::size_t f = 0; f < frames.size(); ++f) {
            for (std::size_t i = 0; i < frames[f].size(); ++i) {
                const int d = rgbDistanceSquared(gif->images[f].canvas[i], frames[f][i]);
                ASSERT_LE(d, bound * bound) << "frame " << f << " pixel " << i;
                worst = std::max(worst, d);
            }
        }
        // The larger bound is taken where it pays: a lower quality moves
        // some pixel further than the best quality may.
        const int atBest = GifEncoder::lossyDistance(GifEncoder::maxQuality);
        EXPECT_GT(worst, atBest * atBest);
        EXPECT_GE(worst, previousWorst);
        previousWorst = worst;
    }
}

TEST(Quality, FlatAreasMoveLessThanTheRest)
{
    // A flat panel of one of the ramp's shades, inside the noise: its pixels
    // (those equal to their left and upper neighbours) take only the smaller
    // bound, the noise around it the larger one.
    Pixels frame = jitteredRamp().front();
    const std::uint32_t panel = frame[20 * kWidth + 80];
    frame = withRect(frame, kWidth, 40, 20, 80, 60, panel);
    for (int quality : {90, 75, 50, 30}) {
        SCOPED_TRACE(::testing::Message() << "quality " << quality);
        const EncodeResult result = encodeAt({frame}, quality);
        ASSERT_TRUE(result.ok()) << result.message();
        const auto gif = decodeGif(result.bytes());
        ASSERT_TRUE(gif.has_value() && gif->images.size() == 1);
        const Pixels& shown = gif->images[0].canvas;
        const int flatBound = GifEncoder::flatLossyDistance(quality);
        const int bound = GifEncoder::lossyDistance(quality);
        int worstFlat = 0;
        int worstElsewhere = 0;
        for (std::size_t i = 0; i < frame.size(); ++i) {
            const bool flat = i >= kWidth && i % kWidth != 0 && frame[i - 1] == frame[i] &&
                              frame[i - kWidth] == frame[i];
            const int d = rgbDistanceSquared(shown[i], frame[i]);
            int& worst = flat ? worstFlat : worstElsewhere;
            worst = std::max(worst, d);
        }
        EXPECT_LE(worstFlat, flatBound * flatBound);
        EXPECT_LE(worstElsewhere, bound * bound);
        EXPECT_GT(worstElsewhere, flatBound * flatBound);
    }
}

TEST(Quality, FilesShrinkAsQualityFalls)
{
    const std::vector<Pixels> frames = jitteredRamp();
    std::size_t previous = SIZE_MAX;
    std::size_t best = 0;
    for (int quality : {100, 90, 75, 50, 30}) {
        const EncodeResult result = encodeAt(frames, quality);
        ASSERT_TRUE(result.ok()) << result.message();
        EXPECT_LT(result.bytes().size(), previous) << "quality " << quality;
        previous = result.bytes().size();
        if (quality == 100)
            best = previous;
    }
    // Merging pays on this content: well under half the exact file.
    EXPECT_LT(previous * 3, best);
}

TEST(Quality, OutsideOneToOneHundredIsRefused)
{
    const std::vector<Pixels> frames{solidFrame(8, 8, 0x336699)};
    for (int quality : {0, -5, 101}) {
        const EncodeResult result = GifEncoder::encode(VectorSource(8, 8, frames), {}, {},
                                                       {.quality = quality});
        EXPECT_EQ(result.error(), EncodeError::InvalidOptions) << quality;
        EXPECT_NE(result.message().find("quality"), std::string::npos) << result.message();
    }
    EXPECT_TRUE(GifEncoder::encode(VectorSource(8, 8, frames), {}, {}, {.quality = 1}).ok());
}

} // namespace
} // namespace kinetta::gif
