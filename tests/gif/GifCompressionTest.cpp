#include "gif/GifEncoder.h"
#include "gif/GifTestDecoder.h"
#include "gif/TestFrames.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <random>

namespace kinetta::gif
{
namespace
{

using testing::DecodedGif;
using testing::decodeGif;
using testing::gradientFrame;
using testing::noiseFrame;
using testing::Pixels;
using testing::solidFrame;
using testing::VectorSource;
using Options = GifEncoder::Options;

DecodedGif encodeAndDecode(const VectorSource& source, const Options& options = {},
                           const EncodeSettings& settings = {})
{
    const EncodeResult result = GifEncoder::encode(source, options, {}, settings);
    EXPECT_TRUE(result.ok()) << result.message();
    std::string error;
    const auto gif = decodeGif(result.bytes(), &error);
    EXPECT_TRUE(gif.has_value()) << error;
    return gif.value_or(DecodedGif{});
}

// Exactness is promised when no colour error is allowed.
DecodedGif encodeLossless(const VectorSource& source, const Options& options = {})
{
    return encodeAndDecode(source, options, {.lossless = true});
}

void expectExact(const DecodedGif& gif, const std::vector<Pixels>& frames)
{
    ASSERT_EQ(gif.images.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i)
        EXPECT_TRUE(gif.images[i].canvas == frames[i]) << "frame " << i;
}

int channelError(std::uint32_t a, std::uint32_t b, int shift)
{
    return std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
}

// Draws a filled rectangle in a copy of frame.
Pixels withRect(Pixels frame, int width, int x0, int y0, int w, int h, std::uint32_t colour)
{
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            frame[static_cast<std::size_t>(y * width + x)] = 0xFF000000u | colour;
    return frame;
}

TEST(Exact, FewColoursRoundTripWithoutLoss)
{
    std::vector<Pixels> frames;
    for (std::uint32_t seed = 1; seed <= 4; ++seed)
        frames.push_back(noiseFrame(37, 23, 16, seed));
    expectExact(encodeLossless(VectorSource(37, 23, frames)), frames);
}

TEST(Exact, FullPaletteAndLongRunsExerciseTheCodeTable)
{
    // 256 colours of noise fill the LZW table many times over; the solid
    // frame gives the longest strings.
    std::vector<Pixels> frames = {noiseFrame(301, 211, 256, 7), solidFrame(301, 211, 0x123456),
                                  noiseFrame(301, 211, 3, 9), noiseFrame(301, 211, 2, 11)};
    expectExact(encodeLossless(VectorSource(301, 211, frames)), frames);
}

TEST(Exact, EveryColourCountDecodes)
{
    for (int colours : {1, 2, 3, 4, 5, 8, 9, 16, 17, 32, 33, 64, 65, 128, 129, 255, 256}) {
        const std::vector<Pixels> frames = {
            noiseFrame(64, 50, colours, static_cast<std::uint32_t>(colours)),
            noiseFrame(64, 50, colours, 1000u + static_cast<std::uint32_t>(colours))};
        SCOPED_TRACE(colours);
        expectExact(encodeLossless(VectorSource(64, 50, frames)), frames);
    }
}

TEST(Exact, TinyAndOddSizes)
{
    for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {3, 2}, {1, 17}, {17, 1}, {97, 13}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        std::vector<Pixels> frames = {noiseFrame(w, h, 5, 1), noiseFrame(w, h, 5, 2),
                                      noiseFrame(w, h, 5, 2), noiseFrame(w, h, 200, 3)};
        expectExact(encodeLossless(VectorSource(w, h, frames)), frames);
    }
}

TEST(InterFrame, ChangedRectangleOnlyWithTransparentUnchangedPixels)
{
    const Pixels base = noiseFrame(80, 60, 12, 5);
    Pixels next = base;
    next[static_cast<std::size_t>(20 * 80 + 30)] = 0xFFABCDEFu;
    next[static_cast<std::size_t>(33 * 80 + 41)] = 0xFF010203u;
    const std::vector<Pixels> frames = {base, next};
    const DecodedGif gif = encodeLossless(VectorSource(80, 60, frames));
    expectExact(gif, frames);
    ASSERT_EQ(gif.images.size(), 2u);
    EXPECT_EQ(gif.images[0].width, 80);
    const auto& second = gif.images[1];
    EXPECT_EQ(second.left, 30);
    EXPECT_EQ(second.top, 20);
    EXPECT_EQ(second.width, 12);
    EXPECT_EQ(second.height, 14);
    EXPECT_GE(second.transparentIndex, 0);
    EXPECT_EQ(second.disposal, 1);
}

TEST(InterFrame, UnchangedFrameIsMinimalButKept)
{
    const Pixels frame = noiseFrame(50, 40, 30, 3);
    const std::vector<Pixels> frames = {frame, frame, frame};
    const DecodedGif gif = encodeLossless(VectorSource(50, 40, frames));
    expectExact(gif, frames);
    ASSERT_EQ(gif.images.size(), 3u);
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(gif.images[i].width * gif.images[i].height, 1);
        EXPECT_GE(gif.images[i].transparentIndex, 0);
        EXPECT_EQ(gif.images[i].delayHundredths, 10);
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
    for (std::size_t i = frames.size() - 2; i >= 1; --i)
        expected.push_back(frames[i]);
    expectExact(gif, expected);
}

TEST(InterFrame, AlphaByteIsIgnored)
{
    Pixels a = solidFrame(6, 6, 0x404040);
    Pixels b = a;
    for (auto& p : b)
        p &= 0x00FFFFFFu; // same colours, alpha cleared
    const DecodedGif gif = encodeLossless(VectorSource(6, 6, {a, b}));
    ASSERT_EQ(gif.images.size(), 2u);
    EXPECT_EQ(gif.images[1].width * gif.images[1].height, 1);
    EXPECT_EQ(gif.images[1].canvas, a);
}

TEST(Lossy, ManyColoursStayClose)
{
    std::vector<Pixels> frames;
    for (int i = 0; i < 3; ++i)
        frames.push_back(gradientFrame(160, 120, i * 40));
    const DecodedGif gif = encodeAndDecode(VectorSource(160, 120, frames));
    ASSERT_EQ(gif.images.size(), frames.size());
    for (std::size_t f = 0; f < frames.size(); ++f) {
        double total = 0;
        int worst = 0;
        for (std::size_t i = 0; i < frames[f].size(); ++i) {
            for (int shift : {0, 8, 16}) {
                const int e = channelError(gif.images[f].canvas[i], frames[f][i], shift);
                total += e;
                worst = std::max(worst, e);
            }
        }
        const double mean = total / (3.0 * static_cast<double>(frames[f].size()));
        EXPECT_LT(mean, 4.0) << "frame " << f;
        EXPECT_LT(worst, 48) << "frame " << f;
    }
}

TEST(Lossy, FlatAreasNextToGradientsStayExact)
{
    // A UI-like frame: flat panels and text-like strokes beside a photo-like
    // gradient. The flat colours must come out exactly, without dither noise.
    Pixels frame = gradientFrame(200, 100, 0);
    frame = withRect(frame, 200, 0, 0, 90, 100, 0xFAFAFA);
    frame = withRect(frame, 200, 10, 10, 70, 20, 0x2B579A);
    for (int x = 12; x < 78; x += 3)
        frame = withRect(frame, 200, x, 40, 1, 8, 0x222222);
    const DecodedGif gif = encodeAndDecode(VectorSource(200, 100, {frame}));
    ASSERT_EQ(gif.images.size(), 1u);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 90; ++x) {
            const auto i = static_cast<std::size_t>(y * 200 + x);
            ASSERT_EQ(gif.images[0].canvas[i], frame[i]) << x << "," << y;
        }
    }
}

TEST(Lossy, ChangedRegionOverManyColoursComposes)
{
    const Pixels first = gradientFrame(128, 96, 0);
    const Pixels second = withRect(first, 128, 40, 30, 20, 10, 0x00FF00);
    const DecodedGif gif = encodeAndDecode(VectorSource(128, 96, {first, second}));
    ASSERT_EQ(gif.images.size(), 2u);
    // Outside the new rectangle the second canvas shows the first image.
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 128; ++x) {
            const auto i = static_cast<std::size_t>(y * 128 + x);
            const bool inside = x >= 40 && x < 60 && y >= 30 && y < 40;
            if (inside)
                EXPECT_EQ(gif.images[1].canvas[i], 0xFF00FF00u);
            else
                EXPECT_EQ(gif.images[1].canvas[i], gif.images[0].canvas[i]);
        }
    }
    EXPECT_LE(gif.images[1].width, 20);
    EXPECT_LE(gif.images[1].height, 10);
}

// A gradient with pixel-level jitter, as downscaled screen content has: about a
// hundred close shades, the kind of content where merging near colours saves
// the most.
std::vector<Pixels> shadedFrames(int width, int height)
{
    std::vector<Pixels> frames;
    std::mt19937 random(42);
    std::uniform_int_distribution<int> jitter(0, 2);
    for (int f = 0; f < 4; ++f) {
        Pixels frame(static_cast<std::size_t>(width * height));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const auto s = static_cast<std::uint32_t>((x + f) % width + jitter(random));
                frame[static_cast<std::size_t>(y * width + x)] =
                    0xFF000000u | (30 + s) << 16 | (40 + s / 2) << 8 | (60 + s / 4);
            }
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

double worstDistance(const DecodedGif& gif, const std::vector<Pixels>& frames)
{
    double worst = 0;
    for (std::size_t f = 0; f < frames.size() && f < gif.images.size(); ++f) {
        for (std::size_t i = 0; i < frames[f].size(); ++i) {
            const double d = std::sqrt(
                static_cast<double>(channelError(gif.images[f].canvas[i], frames[f][i], 0) *
                                        channelError(gif.images[f].canvas[i], frames[f][i], 0) +
                                    channelError(gif.images[f].canvas[i], frames[f][i], 8) *
                                        channelError(gif.images[f].canvas[i], frames[f][i], 8) +
                                    channelError(gif.images[f].canvas[i], frames[f][i], 16) *
                                        channelError(gif.images[f].canvas[i], frames[f][i], 16)));
            worst = std::max(worst, d);
        }
    }
    return worst;
}

TEST(Lossless, CloseShadesThatFitStayExact)
{
    const auto frames = shadedFrames(120, 40);
    const DecodedGif gif = encodeAndDecode(VectorSource(120, 40, frames), {}, {.lossless = true});
    expectExact(gif, frames);
}

TEST(Lossless, RecordingThatFitsOneTableIsExactByDefault)
{
    // Close shades that merging would fold together, but few enough colours
    // for one table over the whole recording.
    const auto frames = shadedFrames(120, 40);
    const VectorSource source(120, 40, frames);
    expectExact(encodeAndDecode(source), frames);
    const auto exact = GifEncoder::encode(source, {}, {}, {.lossless = true});
    EXPECT_EQ(GifEncoder::encode(source, {}, {}, {}).bytes(), exact.bytes());
}

TEST(Lossless, DefaultMergesCloseShadesWithinABoundPastOneTable)
{
    // A last frame with a gradient takes the recording past 256 colours.
    auto frames = shadedFrames(120, 40);
    frames.push_back(gradientFrame(120, 40, 0));
    const VectorSource source(120, 40, frames);
    const DecodedGif gif = encodeAndDecode(source);
    ASSERT_EQ(gif.images.size(), frames.size());
    // At most the shared table's reach plus the compressor's.
    EXPECT_LE(worstDistance(gif, frames), 52.0);
    const auto exact = GifEncoder::encode(source, {}, {}, {.lossless = true});
    const auto merged = GifEncoder::encode(source, {}, {}, {});
    EXPECT_LT(merged.bytes().size(), exact.bytes().size());
}

TEST(Lossless, FlatSurfacesKeepTheirColourByDefault)
{
    // Each frame a new flat colour a short step from the last, with some
    // antialiasing-like shades around: the surfaces must not snap to a colour
    // already in the shared table.
    std::vector<Pixels> frames;
    for (std::uint32_t step = 0; step < 4; ++step) {
        Pixels frame = solidFrame(64, 48, 0x204060u + step * 0x0C0000u);
        for (int x = 0; x < 64; x += 5)
            frame = withRect(frame, 64, x, 20, 1, 3, 0x808080u + static_cast<std::uint32_t>(x));
        frames.push_back(std::move(frame));
    }
    const DecodedGif gif = encodeAndDecode(VectorSource(64, 48, frames));
    ASSERT_EQ(gif.images.size(), frames.size());
    for (std::size_t f = 0; f < frames.size(); ++f) {
        EXPECT_EQ(gif.images[f].canvas[0], frames[f][0]) << f;
        EXPECT_EQ(gif.images[f].canvas[47 * 64 + 63], frames[f][47 * 64 + 63]) << f;
    }
}

TEST(Threads, SameBytesWhateverTheThreadCount)
{
    std::vector<Pixels> frames;
    for (int i = 0; i < 9; ++i) {
        frames.push_back(i % 3 == 0 ? gradientFrame(90, 70, i * 11)
                                    : withRect(gradientFrame(90, 70, 0), 90, i, i, 10, 10, 0xFF));
    }
    const VectorSource source(90, 70, frames);
    const auto one = GifEncoder::encode(source, Options(), {}, {.threads = 1});
    ASSERT_TRUE(one.ok());
    for (unsigned threads : {2u, 3u, 8u}) {
        const auto many = GifEncoder::encode(source, Options(), {}, {.threads = threads});
        ASSERT_TRUE(many.ok());
        EXPECT_TRUE(many.bytes() == one.bytes()) << threads << " threads";
    }
}

TEST(Progress, ReportsEveryFrameInOrder)
{
    const VectorSource source(8, 8,
                              {solidFrame(8, 8, 1), solidFrame(8, 8, 2), solidFrame(8, 8, 3)});
    std::vector<std::pair<std::size_t, std::size_t>> calls;
    const auto result =
        GifEncoder::encode(source, Options(10, 0, 1, true), [&](auto done, auto total) {
            calls.emplace_back(done, total);
            return true;
        });
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(calls,
              (std::vector<std::pair<std::size_t, std::size_t>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));
}

TEST(Progress, FalseCancelsAndGivesNothing)
{
    std::vector<Pixels> frames;
    for (int i = 0; i < 40; ++i)
        frames.push_back(noiseFrame(30, 30, 8, static_cast<std::uint32_t>(i)));
    const VectorSource source(30, 30, frames);
    std::size_t calls = 0;
    const auto result = GifEncoder::encode(source, Options(), [&](std::size_t done, std::size_t) {
        ++calls;
        return done < 5;
    });
    EXPECT_EQ(result.error(), EncodeError::Cancelled);
    EXPECT_TRUE(result.bytes().empty());
    EXPECT_EQ(calls, 5u);
}

TEST(Memory, ReadsStayWithinASmallWindowOfWrittenFrames)
{
    std::vector<Pixels> frames;
    // More colours than one table holds, as on screen, so nothing is read
    // ahead to see whether the recording could be written exactly.
    for (int i = 0; i < 60; ++i)
        frames.push_back(noiseFrame(32, 32, 1000, static_cast<std::uint32_t>(i)));
    VectorSource source(32, 32, frames);
    std::mutex mutex;
    std::size_t written = 0;
    std::size_t furthestAhead = 0;
    source.onRead = [&](std::size_t index) {
        std::lock_guard lock(mutex);
        furthestAhead = std::max(furthestAhead, index - std::min(index, written));
    };
    const unsigned threads = 2;
    const auto result = GifEncoder::encode(source, Options(),
                                           [&](std::size_t done, std::size_t) {
                                               std::lock_guard lock(mutex);
                                               written = done;
                                               return true;
                                           },
                                           {.threads = threads});
    ASSERT_TRUE(result.ok());
    // Two frames in flight per thread, plus the one being written.
    EXPECT_LE(furthestAhead, 2 * threads + 1);
}

} // namespace
} // namespace kinetta::gif
