#include "model/FrameCompressor.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>

using namespace kinetta;

namespace
{

std::vector<std::uint32_t> randomPixels(std::size_t count, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint32_t> pixels(count);
    for (auto& p : pixels)
        p = random();
    return pixels;
}

// Compresses every frame and decodes the chain again, checking each frame.
std::vector<EncodedFrame> roundTrip(int width, int height,
                                    const std::vector<std::vector<std::uint32_t>>& frames,
                                    CompressorSettings settings = {})
{
    FrameCompressor compressor(width, height, settings);
    std::vector<EncodedFrame> encoded;
    std::vector<std::uint32_t> decoded(static_cast<std::size_t>(width) *
                                       static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < frames.size(); ++i) {
        // Alternate between lending and handing over the pixels.
        if (i % 2 == 0)
            encoded.push_back(compressor.compress(frames[i]));
        else
            encoded.push_back(compressor.compress(std::vector<std::uint32_t>(frames[i])));
        EXPECT_EQ(isKeyframe(encoded.back().bytes), encoded.back().keyframe);
        const std::string error = decodeFrame(encoded.back().bytes, width, height, decoded);
        EXPECT_EQ(error, "") << "frame " << i;
        EXPECT_TRUE(decoded == frames[i]) << "frame " << i << " differs";
    }
    return encoded;
}

void fillRect(std::vector<std::uint32_t>& pixels, int width, int x, int y, int w, int h,
              std::uint32_t colour)
{
    for (int row = y; row < y + h; ++row)
        for (int col = x; col < x + w; ++col)
            pixels[static_cast<std::size_t>(row * width + col)] = colour;
}

} // namespace

TEST(FrameCompressor, RandomFramesRoundTripAsKeyframes)
{
    const int width = 131;
    const int height = 37;
    std::vector<std::vector<std::uint32_t>> frames;
    for (std::uint32_t i = 0; i < 4; ++i)
        frames.push_back(randomPixels(131 * 37, i));
    for (const EncodedFrame& frame : roundTrip(width, height, frames, {.codec = FrameCodec::Lz4}))
        EXPECT_TRUE(frame.keyframe); // every tile changes
    roundTrip(width, height, frames, {.codec = FrameCodec::Zstd, .level = 1});
}

TEST(FrameCompressor, FlatContentShrinksAndUnchangedFrameIsAnEmptyDelta)
{
    const std::vector<std::uint32_t> flat(1920 * 1080, 0xff2d2d30);
    const auto encoded = roundTrip(1920, 1080, {flat, flat});
    EXPECT_TRUE(encoded[0].keyframe);
    EXPECT_LT(encoded[0].bytes.size(), flat.size() * 4 / 200);
    EXPECT_FALSE(encoded[1].keyframe);
    EXPECT_EQ(encoded[1].changedPixels, 0u);
    EXPECT_LT(encoded[1].bytes.size(), 64u);
}

TEST(FrameCompressor, SmallChangedRectanglesBecomeDeltasAtEveryEdge)
{
    // Sizes that are not whole tiles, with changes in the last partial tiles.
    const int width = 203;
    const int height = 77;
    std::vector<std::vector<std::uint32_t>> frames;
    std::vector<std::uint32_t> pixels = randomPixels(203 * 77, 7);
    frames.push_back(pixels);
    fillRect(pixels, width, 0, 0, 1, 1, 0xff000001);
    frames.push_back(pixels);
    fillRect(pixels, width, 200, 70, 3, 7, 0xff00ff00); // bottom-right corner
    frames.push_back(pixels);
    fillRect(pixels, width, 63, 15, 2, 2, 0xffff0000); // across four tiles
    frames.push_back(pixels);
    pixels[static_cast<std::size_t>(76 * width)] ^= 0x01000000; // alpha bit only
    frames.push_back(pixels);

    const auto encoded = roundTrip(width, height, frames);
    EXPECT_TRUE(encoded[0].keyframe);
    EXPECT_EQ(encoded[1].changedPixels, 64u * 16u);
    EXPECT_EQ(encoded[2].changedPixels, (203u - 192u) * (77u - 64u));
    EXPECT_EQ(encoded[3].changedPixels, 4u * 64u * 16u);
    EXPECT_EQ(encoded[4].changedPixels, 64u * 13u);
    for (std::size_t i = 1; i < encoded.size(); ++i)
        EXPECT_FALSE(encoded[i].keyframe) << i;
}

TEST(FrameCompressor, KeyframesBoundTheWorkOfReadingAFrame)
{
    const int width = 256;
    const int height = 64; // 4 x 4 tiles
    std::vector<std::uint32_t> pixels(256 * 64, 0xff101010);
    FrameCompressor runLimited(width, height, {.maxDeltaRun = 5});
    int keyframes = 0;
    for (int i = 0; i < 12; ++i)
        keyframes += runLimited.compress(pixels).keyframe ? 1 : 0;
    EXPECT_EQ(keyframes, 2); // frames 0 and 6

    // Each frame changes one quarter of the tiles: with at most 1.5 frames of
    // change per run, every seventh frame starts over.
    FrameCompressor changeLimited(width, height, {.maxChangedFramesPerRun = 1.5});
    std::vector<bool> key;
    for (int i = 0; i < 8; ++i) {
        fillRect(pixels, width, 0, 0, 256, 16, 0xff000000u + static_cast<std::uint32_t>(i));
        key.push_back(changeLimited.compress(pixels).keyframe);
    }
    EXPECT_EQ(key, (std::vector<bool>{true, false, false, false, false, false, false, true}));

    // A frame that changes most of its tiles is a keyframe of its own.
    fillRect(pixels, width, 0, 0, 256, 48, 0xffabcdef);
    EXPECT_TRUE(changeLimited.compress(pixels).keyframe);

    changeLimited.restart();
    EXPECT_TRUE(changeLimited.compress(pixels).keyframe);
}

TEST(FrameCompressor, DamagedDataIsReportedNotTrusted)
{
    const int width = 100;
    const int height = 40;
    std::vector<std::uint32_t> pixels = randomPixels(100 * 40, 3);
    FrameCompressor compressor(width, height);
    const EncodedFrame key = compressor.compress(pixels);
    pixels[5] = 0;
    const EncodedFrame delta = compressor.compress(pixels);
    ASSERT_FALSE(delta.keyframe);

    std::vector<std::uint32_t> out(pixels.size());
    std::vector<std::uint8_t> truncated(key.bytes.begin(), key.bytes.end() - 1);
    EXPECT_NE(decodeFrame(truncated, width, height, out), "");
    EXPECT_NE(decodeFrame({}, width, height, out), "");
    EXPECT_NE(decodeFrame(key.bytes, width + 1, height, out), "") << "wrong size accepted";
    std::vector<std::uint32_t> small(10);
    EXPECT_NE(decodeFrame(key.bytes, width, height, small), "");

    // A tile index past the frame's last tile (the index list follows the
    // 24-byte header).
    std::vector<std::uint8_t> badTile = delta.bytes;
    const std::uint32_t farTile = 1000;
    std::memcpy(badTile.data() + 24, &farTile, sizeof farTile);
    EXPECT_NE(decodeFrame(badTile, width, height, out), "");

    std::vector<std::uint8_t> garbled = key.bytes;
    for (std::size_t i = 24; i < garbled.size(); ++i)
        garbled[i] = static_cast<std::uint8_t>(i * 37);
    EXPECT_NE(decodeFrame(garbled, width, height, out), "");
}

TEST(FrameCompressor, SharedPixelsAreKeptAsTheReferenceUntilTheNextFrameOrRestart)
{
    // Opaque shared frames: the top byte is padding that may change at will.
    const int width = 203;
    const int height = 77;
    const std::size_t count = 203u * 77u;
    auto share = [](std::vector<std::uint32_t> pixels) {
        auto owner = std::make_shared<const std::vector<std::uint32_t>>(std::move(pixels));
        return SharedPixels{*owner, owner, true};
    };
    auto opaque = [](std::vector<std::uint32_t> pixels) {
        for (auto& p : pixels)
            p |= 0xff000000u;
        return pixels;
    };
    std::vector<std::uint32_t> pixels = randomPixels(count, 11);
    FrameCompressor compressor(width, height);
    std::vector<std::uint32_t> decoded(count);

    SharedPixels first = share(pixels);
    std::weak_ptr<const void> firstOwner = first.owner;
    const EncodedFrame key = compressor.compress(std::move(first));
    EXPECT_TRUE(key.keyframe);
    ASSERT_EQ(decodeFrame(key.bytes, width, height, decoded), "");
    EXPECT_TRUE(decoded == opaque(pixels));
    EXPECT_FALSE(firstOwner.expired()) << "the reference must stay held";

    // Only top bytes change, plus one pixel at the bottom-right corner.
    for (auto& p : pixels)
        p ^= 0x5a000000u;
    pixels.back() ^= 0x00000101u;
    SharedPixels second = share(pixels);
    std::weak_ptr<const void> secondOwner = second.owner;
    const EncodedFrame delta = compressor.compress(std::move(second));
    EXPECT_TRUE(firstOwner.expired()) << "the earlier reference must be let go";
    ASSERT_FALSE(delta.keyframe);
    EXPECT_EQ(delta.changedPixels, (203u - 192u) * (77u - 64u));
    ASSERT_EQ(decodeFrame(delta.bytes, width, height, decoded), "");
    EXPECT_TRUE(decoded == opaque(pixels));

    // Lent pixels with their alpha after opaque ones start over with a keyframe
    // and are copied, letting the shared reference go.
    pixels[0] = 0x12345678;
    const EncodedFrame lent = compressor.compress(std::span<const std::uint32_t>(pixels));
    EXPECT_TRUE(lent.keyframe);
    EXPECT_TRUE(secondOwner.expired());
    ASSERT_EQ(decodeFrame(lent.bytes, width, height, decoded), "");
    EXPECT_TRUE(decoded == pixels);
    pixels[count / 2] ^= 1;
    const EncodedFrame lentDelta = compressor.compress(std::span<const std::uint32_t>(pixels));
    EXPECT_FALSE(lentDelta.keyframe);
    ASSERT_EQ(decodeFrame(lentDelta.bytes, width, height, decoded), "");
    EXPECT_TRUE(decoded == pixels);

    // Shared again: restart lets it go.
    SharedPixels third = share(pixels);
    std::weak_ptr<const void> thirdOwner = third.owner;
    EXPECT_TRUE(compressor.compress(std::move(third)).keyframe);
    compressor.restart();
    EXPECT_TRUE(thirdOwner.expired()) << "restart must let the reference go";
    // Handed over (kept as is) then lent: the lent delta is read against the
    // handed-over frame, and the copy made of it serves the next one.
    const EncodedFrame afterRestart = compressor.compress(std::vector<std::uint32_t>(pixels));
    EXPECT_TRUE(afterRestart.keyframe);
    pixels[7] ^= 0x10;
    const EncodedFrame lentOverShared = compressor.compress(std::span<const std::uint32_t>(pixels));
    ASSERT_FALSE(lentOverShared.keyframe);
    ASSERT_EQ(decodeFrame(afterRestart.bytes, width, height, decoded), "");
    ASSERT_EQ(decodeFrame(lentOverShared.bytes, width, height, decoded), "");
    EXPECT_TRUE(decoded == pixels);
    pixels[count - 1000] ^= 0x10;
    const EncodedFrame onOwnCopy = compressor.compress(std::span<const std::uint32_t>(pixels));
    ASSERT_FALSE(onOwnCopy.keyframe);
    ASSERT_EQ(decodeFrame(onOwnCopy.bytes, width, height, decoded), "");
    EXPECT_TRUE(decoded == pixels);
}

TEST(FrameCompressor, OpaqueFlagOfAKeyframeIsCheckedLikeTheRest)
{
    std::vector<std::uint32_t> pixels(64 * 16, 0x00102030);
    FrameCompressor compressor(64, 16);
    auto owner = std::make_shared<const std::vector<std::uint32_t>>(pixels);
    const EncodedFrame key = compressor.compress(SharedPixels{*owner, owner, true});
    std::vector<std::uint32_t> out(pixels.size());
    ASSERT_EQ(decodeFrame(key.bytes, 64, 16, out), "");
    EXPECT_EQ(out.front(), 0xff102030u);
    // Unknown flag bits (bytes 2-3 of the header) are damage.
    std::vector<std::uint8_t> unknown = key.bytes;
    unknown[3] = 0x80;
    EXPECT_NE(decodeFrame(unknown, 64, 16, out), "");
}
