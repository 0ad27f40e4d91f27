#include "gif/TestFrames.h"

#include <cmath>
#include <cstdlib>
#include <mutex>

namespace kinetta::gif
{
namespace
{

using namespace testing;

// Exactness is promised when no colour error is allowed.
DecodedGif encodeLossless(const FrameSource& source, const Options& options = {})
{
    return encodeAndDecode(source, options, {.lossless = true});
}

struct ColourError {
    double meanChannel = 0;
    int worstChannel = 0;
    double worstDistance = 0; // in RGB
};

ColourError colourError(const Pixels& got, const Pixels& want)
{
    ColourError e;
    for (std::size_t i = 0; i < want.size(); ++i) {
        int squares = 0;
        for (int shift : {0, 8, 16}) {
            const int d = std::abs(static_cast<int>((got[i] >> shift) & 0xFF) -
                                   static_cast<int>((want[i] >> shift) & 0xFF));
            e.meanChannel += d;
            e.worstChannel = std::max(e.worstChannel, d);
            squares += d * d;
        }
        e.worstDistance = std::max(e.worstDistance, std::sqrt(static_cast<double>(squares)));
    }
    e.meanChannel /= 3.0 * static_cast<double>(want.size());
    return e;
}

TEST(Exact, EveryColourCountRoundTrips)
{
    for (int colours : {1, 2, 3, 4, 5, 8, 9, 16, 17, 32, 33, 64, 65, 128, 129, 255, 256}) {
        SCOPED_TRACE(colours);
        const auto seed = static_cast<std::uint32_t>(colours);
        const std::vector<Pixels> frames = {noiseFrame(64, 50, colours, seed),
                                            noiseFrame(64, 50, colours, 1000u + seed)};
        expectExact(encodeLossless(VectorSource(64, 50, frames)), frames);
    }
}

TEST(Exact, FullCodeTablesAndLongRunsRoundTrip)
{
    // 256 colours of noise fill the LZW table many times over; the solid
    // frame gives the longest strings.
    const std::vector<Pixels> frames = {noiseFrame(301, 211, 256, 7),
                                        solidFrame(301, 211, 0x123456), noiseFrame(301, 211, 3, 9),
                                        noiseFrame(301, 211, 2, 11)};
    expectExact(encodeLossless(VectorSource(301, 211, frames)), frames);
}

TEST(Exact, TinyAndOddSizesRoundTrip)
{
    for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {3, 2}, {1, 17}, {17, 1}, {97, 13}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        // The repeated frame is written as an unchanged one.
        const std::vector<Pixels> frames = {noiseFrame(w, h, 5, 1), noiseFrame(w, h, 5, 2),
                                            noiseFrame(w, h, 5, 2), noiseFrame(w, h, 200, 3)};
        expectExact(encodeLossless(VectorSource(w, h, frames)), frames);
    }
}

TEST(Exact, ImagesOfAMillionPixelsRankedOnBandsOfRowsRoundTrip)
{
    // Large changed rectangles, with unchanged pixels scattered through them
    // and a height that leaves a short last band; the recording fits one
    // table; the second does not, though each of its frames does.
    constexpr int kWidth = 1024;
    constexpr int kHeight = 1100;
    const Pixels text = noiseFrame(kWidth, kHeight, 6, 1);
    Pixels moved = text;
    for (std::size_t i = 0; i < moved.size(); i += 3)
        moved[i] = moved[(i + 1) % moved.size()];
    const std::vector<Pixels> frames = {text, moved, withRect(moved, kWidth, 0, 0, kWidth, 700, 0xFF)};
    expectExact(encodeAndDecode(VectorSource(kWidth, kHeight, frames)), frames);
    Pixels shifted = noiseFrame(kWidth, kHeight, 200, 3);
    for (std::uint32_t& pixel : shifted)
        pixel ^= 1; // 200 colours more
    const std::vector<Pixels> apart = {noiseFrame(kWidth, kHeight, 200, 2), shifted, moved};
    expectExact(encodeLossless(VectorSource(kWidth, kHeight, apart)), apart);
}

TEST(InterFrame, ChangesAreTransparentRectanglesAndUnchangedFramesOnePixel)
{
    const Pixels base = noiseFrame(80, 60, 12, 5);
    Pixels changed = base;
    changed[20 * 80 + 30] = 0xFFABCDEFu;
    changed[33 * 80 + 41] = 0xFF010203u;
    Pixels alphaCleared = changed; // the same colours: alpha is ignored
    for (auto& p : alphaCleared)
        p &= 0x00FFFFFFu;
    const DecodedGif gif =
        encodeLossless(VectorSource(80, 60, {base, changed, changed, alphaCleared}));
    expectExact(gif, {base, changed, changed, changed});
    ASSERT_EQ(gif.images.size(), 4u);
    EXPECT_EQ(gif.images[0].width, 80);
    const auto& rect = gif.images[1];
    EXPECT_EQ(std::tuple(rect.left, rect.top, rect.width, rect.height), std::tuple(30, 20, 12, 14));
    EXPECT_EQ(rect.disposal, 1);
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_GE(gif.images[i].transparentIndex, 0) << i;
        EXPECT_EQ(gif.images[i].delayHundredths, 10) << i;
        EXPECT_EQ(gif.images[i].width * gif.images[i].height, i == 1 ? 12 * 14 : 1) << i;
    }
}

TEST(InterFrame, MovingShapesOverManyFramesCompose)
{
    std::vector<Pixels> frames;
    Pixels canvas = solidFrame(120, 90, 0xF0F0F0);
    for (int i = 0; i < 12; ++i) {
        canvas = withRect(canvas, 120, (i * 9) % 100, (i * 5) % 70, 15, 12,
                          0x112233u * static_cast<std::uint32_t>(i + 1));
        frames.push_back(canvas);
    }
    // Boomerang plays the frames back over a canvas that holds later content.
    const DecodedGif gif = encodeLossless(VectorSource(120, 90, frames), Options(10, 0, 1, true));
    std::vector<Pixels> expected = frames;
    expected.insert(expected.end(), frames.rbegin() + 1, frames.rend() - 1);
    expectExact(gif, expected);
}

TEST(Lossy, ManyColoursStayClose)
{
    std::vector<Pixels> frames;
    for (int i = 0; i < 3; ++i)
        frames.push_back(gradientFrame(160, 120, i * 40));
    const DecodedGif gif = encodeAndDecode(VectorSource(160, 120, frames));
    ASSERT_EQ(gif.images.size(), frames.size());
    for (std::size_t f = 0; f < frames.size(); ++f) {
        const ColourError e = colourError(gif.images[f].canvas, frames[f]);
        EXPECT_LT(e.meanChannel, 4.0) << "frame " << f;
        EXPECT_LT(e.worstChannel, 48) << "frame " << f;
    }
}

TEST(Lossy, FlatAreasNextToGradientsStayExact)
{
    // A UI-like frame: flat panels and text-like strokes beside a photo-like
    // gradient. The flat colours must come out exactly, without dither noise.
    Pixels frame = withRect(gradientFrame(200, 100, 0), 200, 0, 0, 90, 100, 0xFAFAFA);
    frame = withRect(frame, 200, 10, 10, 70, 20, 0x2B579A);
    for (int x = 12; x < 78; x += 3)
        frame = withRect(frame, 200, x, 40, 1, 8, 0x222222);
    const DecodedGif gif = encodeAndDecode(VectorSource(200, 100, {frame}));
    ASSERT_EQ(gif.images.size(), 1u);
    for (int y = 0; y < 100; ++y) {
        const auto row = frame.begin() + y * 200;
        ASSERT_TRUE(std::equal(row, row + 90, gif.images[0].canvas.begin() + y * 200)) << y;
    }
}

TEST(Lossy, ChangedRegionOverManyColoursComposes)
{
    const Pixels first = gradientFrame(128, 96, 0);
    const DecodedGif gif = encodeAndDecode(
        VectorSource(128, 96, {first, withRect(first, 128, 40, 30, 20, 10, 0x00FF00)}));
    ASSERT_EQ(gif.images.size(), 2u);
    // Outside the new rectangle the second canvas shows the first image.
    EXPECT_TRUE(gif.images[1].canvas ==
                withRect(gif.images[0].canvas, 128, 40, 30, 20, 10, 0x00FF00));
    EXPECT_LE(gif.images[1].width, 20);
    EXPECT_LE(gif.images[1].height, 10);
}

// A gradient with pixel-level jitter, as downscaled screen content has: about a
// hundred close shades, the kind of content where merging near colours saves
// the most.
std::vector<Pixels> shadedFrames(int width, int height)
{
    std::vector<Pixels> frames(4);
    std::mt19937 random(42);
    std::uniform_int_distribution<int> jitter(0, 2);
    for (int f = 0; f < 4; ++f) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const auto s = static_cast<std::uint32_t>((x + f) % width + jitter(random));
                frames[f].push_back(0xFF000000u | (30 + s) << 16 | (40 + s / 2) << 8 |
                                    (60 + s / 4));
            }
        }
    }
    return frames;
}

TEST(Lossless, CloseShadesExactInOneTableMergedWithinABoundPastIt)
{
    // Close shades that merging would fold together, but few enough colours
    // for one table over the whole recording: exact by default.
    auto frames = shadedFrames(120, 40);
    const VectorSource fits(120, 40, frames);
    expectExact(encodeAndDecode(fits), frames);
    EXPECT_EQ(GifEncoder::encode(fits, {}).bytes(),
              GifEncoder::encode(fits, {}, {}, {.lossless = true}).bytes());

    // A last frame with a gradient takes the recording past 256 colours.
    frames.push_back(gradientFrame(120, 40, 0));
    const VectorSource past(120, 40, frames);
    const DecodedGif gif = encodeAndDecode(past);
    ASSERT_EQ(gif.images.size(), frames.size());
    // At most the shared table's reach plus the compressor's.
    for (std::size_t f = 0; f < frames.size(); ++f)
        EXPECT_LE(colourError(gif.images[f].canvas, frames[f]).worstDistance, 52.0) << f;
    EXPECT_LT(GifEncoder::encode(past, {}).bytes().size(),
              GifEncoder::encode(past, {}, {}, {.lossless = true}).bytes().size());
}

TEST(Lossless, FlatSurfacesKeepTheirColourByDefault)
{
    // Each frame a new flat colour a short step from the last, with some
    // antialiasing-like shades around: the surfaces must not snap to a colour
    // already in the shared table. A last gradient frame takes the recording
    // past one table, where near colours may be merged.
    std::vector<Pixels> frames;
    for (std::uint32_t step = 0; step < 4; ++step) {
        Pixels frame = solidFrame(64, 48, 0x204060u + step * 0x0C0000u);
        for (int x = 0; x < 64; x += 5)
            frame = withRect(frame, 64, x, 20, 1, 3, 0x808080u + static_cast<std::uint32_t>(x));
        frames.push_back(std::move(frame));
    }
    frames.push_back(gradientFrame(64, 48, 0));
    const DecodedGif gif = encodeAndDecode(VectorSource(64, 48, frames));
    ASSERT_EQ(gif.images.size(), frames.size());
    for (std::size_t f = 0; f < 4; ++f) {
        EXPECT_EQ(gif.images[f].canvas[0], frames[f][0]) << f;
        EXPECT_EQ(gif.images[f].canvas[47 * 64 + 63], frames[f][47 * 64 + 63]) << f;
    }
}

TEST(Pipeline, SameBytesForAnyThreadCountProgressInOrderFewFramesReadCancels)
{
    // More colours than one table holds, as on screen, so nothing is read
    // ahead to see whether the recording could be written exactly.
    std::vector<Pixels> frames;
    for (int i = 0; i < 15; ++i) {
        frames.push_back(i % 3 == 0 ? gradientFrame(90, 70, i * 11)
                                    : withRect(gradientFrame(90, 70, 0), 90, i, i, 10, 10, 0xFF));
    }
    VectorSource source(90, 70, frames);
    using Calls = std::vector<std::pair<std::size_t, std::size_t>>;
    Calls calls;
    Calls expected;
    for (std::size_t done = 0; done <= 28; ++done) // boomerang: 15 forward, 13 back
        expected.emplace_back(done, 28);
    std::mutex mutex;
    std::size_t furthestAhead = 0;
    source.onRead = [&](std::size_t index) {
        const std::lock_guard lock(mutex);
        const std::size_t written = calls.empty() ? 0 : calls.back().first;
        furthestAhead = std::max(furthestAhead, index - std::min(index, written));
    };
    const auto progress = [&](std::size_t done, std::size_t total) {
        const std::lock_guard lock(mutex);
        calls.emplace_back(done, total);
        return true;
    };
    const Options boomerang(10, 0, 1, true);
    const auto one = GifEncoder::encode(source, boomerang, progress, {.threads = 1});
    ASSERT_TRUE(one.ok());
    EXPECT_EQ(calls, expected);
    for (unsigned threads : {2u, 3u, 8u}) {
        SCOPED_TRACE(::testing::Message() << threads << " threads");
        calls.clear();
        furthestAhead = 0;
        const auto many = GifEncoder::encode(source, boomerang, progress, {.threads = threads});
        EXPECT_TRUE(many.bytes() == one.bytes());
        EXPECT_EQ(calls, expected);
        // Two frames in flight per thread, plus the one being written.
        EXPECT_LE(furthestAhead, 2 * threads + 1);
    }

    // Progress returning false cancels, and there is no file.
    calls.clear();
    const auto cancelled =
        GifEncoder::encode(source, boomerang, [&](std::size_t done, std::size_t total) {
            return progress(done, total) && done < 5;
        });
    EXPECT_EQ(cancelled.error(), EncodeError::Cancelled);
    EXPECT_TRUE(cancelled.bytes().empty());
    EXPECT_EQ(calls.size(), 6u); // 0 to 5 done
}

} // namespace
} // namespace kinetta::gif
