#include "model/TileDeltaCodec.h"

#include "model/TileDeltaDecoder.h"

#include <algorithm>
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

// The frame a compression made; a failed one fails the test.
EncodedFrame made(CompressResult result)
{
    EXPECT_TRUE(result.ok()) << result.message();
    return result.ok() ? std::move(result).value() : EncodedFrame{};
}

// Decodes one frame on top of out and tells whether it matches expected.
bool decodesTo(const EncodedFrame& frame, int width, int height, std::vector<std::uint32_t>& out,
               const std::vector<std::uint32_t>& expected)
{
    const Status<std::string> decoded = decodeTileDelta(frame.bytes, width, height, out);
    EXPECT_TRUE(decoded.ok()) << decoded.message();
    return decoded.ok() && out == expected;
}

// Compresses every frame and decodes the chain again, checking each frame.
std::vector<EncodedFrame> roundTrip(int width, int height,
                                    const std::vector<std::vector<std::uint32_t>>& frames,
                                    TileDeltaSettings settings = {})
{
    TileDeltaCodec compressor(width, height, settings);
    std::vector<EncodedFrame> encoded;
    std::vector<std::uint32_t> decoded(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        // Alternate between lending and handing over the pixels.
        encoded.push_back(made(i % 2 == 0
                                   ? compressor.compress(frames[i])
                                   : compressor.compress(std::vector<std::uint32_t>(frames[i]))));
        EXPECT_EQ(isKeyframe(encoded.back().bytes), encoded.back().keyframe);
        EXPECT_TRUE(decodesTo(encoded.back(), width, height, decoded, frames[i])) << "frame " << i;
    }
    return encoded;
}

void fillRect(std::vector<std::uint32_t>& pixels, int width, int x, int y, int w, int h,
              std::uint32_t colour)
{
    for (int row = y; row < y + h; ++row)
        std::fill_n(pixels.begin() + row * width + x, w, colour);
}

SharedPixels share(std::vector<std::uint32_t> pixels)
{
    auto owner = std::make_shared<const std::vector<std::uint32_t>>(std::move(pixels));
    return SharedPixels{*owner, owner, true};
}

} // namespace

TEST(TileDeltaCodec, RandomAndFlatFramesRoundTripWithEitherCodec)
{
    // Random frames change every tile; a flat one after them is small, and
    // the same again is an empty delta.
    std::vector<std::vector<std::uint32_t>> frames;
    for (std::uint32_t i = 0; i < 4; ++i)
        frames.push_back(randomPixels(131 * 37, i));
    frames.insert(frames.end(), 2, std::vector<std::uint32_t>(131 * 37, 0xff2d2d30));
    for (const TileDeltaSettings& settings :
         {TileDeltaSettings{.compression = BlockCompression::Lz4},
          {.compression = BlockCompression::Zstd, .level = 1}}) {
        const auto encoded = roundTrip(131, 37, frames, settings);
        for (std::size_t i = 0; i < 5; ++i)
            EXPECT_TRUE(encoded[i].keyframe) << i;
        EXPECT_LT(encoded[4].bytes.size(), 131u * 37u * 4u / 20u);
        EXPECT_FALSE(encoded[5].keyframe);
        EXPECT_EQ(encoded[5].changedPixels, 0u);
        EXPECT_LT(encoded[5].bytes.size(), 64u);
    }
}

TEST(TileDeltaCodec, SmallChangedRectanglesBecomeDeltasAtEveryEdge)
{
    // Sizes that are not whole tiles, with changes in the last partial tiles.
    const int width = 203;
    std::vector<std::uint32_t> pixels = randomPixels(203 * 77, 7);
    std::vector<std::vector<std::uint32_t>> frames{pixels};
    fillRect(pixels, width, 0, 0, 1, 1, 0xff000001);
    frames.push_back(pixels);
    fillRect(pixels, width, 200, 70, 3, 7, 0xff00ff00); // bottom-right corner
    frames.push_back(pixels);
    fillRect(pixels, width, 63, 15, 2, 2, 0xffff0000); // across four tiles
    frames.push_back(pixels);
    pixels[static_cast<std::size_t>(76 * width)] ^= 0x01000000; // alpha bit only
    frames.push_back(pixels);

    const auto encoded = roundTrip(width, 77, frames);
    EXPECT_TRUE(encoded[0].keyframe);
    const std::size_t changed[] = {64u * 16u, (203u - 192u) * (77u - 64u), 4u * 64u * 16u,
                                   64u * 13u};
    for (std::size_t i = 1; i < encoded.size(); ++i) {
        EXPECT_FALSE(encoded[i].keyframe) << i;
        EXPECT_EQ(encoded[i].changedPixels, changed[i - 1]) << i;
    }
}

TEST(TileDeltaCodec, KeyframesBoundTheWorkOfReadingAFrame)
{
    const int width = 256; // 4 x 4 tiles of 64 x 16
    std::vector<std::uint32_t> pixels(256 * 64, 0xff101010);
    TileDeltaCodec runLimited(width, 64, {.maxDeltaRun = 5});
    int keyframes = 0;
    for (int i = 0; i < 12; ++i)
        keyframes += made(runLimited.compress(pixels)).keyframe ? 1 : 0;
    EXPECT_EQ(keyframes, 2); // frames 0 and 6

    // Each frame changes one quarter of the tiles: with at most 1.5 frames of
    // change per run, every seventh frame starts over.
    TileDeltaCodec changeLimited(width, 64, {.maxChangedFramesPerRun = 1.5});
    std::vector<bool> key;
    for (int i = 0; i < 8; ++i) {
        fillRect(pixels, width, 0, 0, 256, 16, 0xff000000u + static_cast<std::uint32_t>(i));
        key.push_back(made(changeLimited.compress(pixels)).keyframe);
    }
    EXPECT_EQ(key, (std::vector<bool>{true, false, false, false, false, false, false, true}));

    // A frame that changes most of its tiles is a keyframe of its own.
    fillRect(pixels, width, 0, 0, 256, 48, 0xffabcdef);
    EXPECT_TRUE(made(changeLimited.compress(pixels)).keyframe);
}

TEST(TileDeltaCodec, DamagedDataIsReportedNotTrusted)
{
    const int width = 100;
    const int height = 40;
    std::vector<std::uint32_t> pixels = randomPixels(100 * 40, 3);
    TileDeltaCodec compressor(width, height);
    const EncodedFrame key = made(compressor.compress(share(pixels))); // opaque: sets a flag
    pixels[5] = 0;
    const EncodedFrame delta = made(compressor.compress(share(pixels)));
    ASSERT_FALSE(delta.keyframe);

    std::vector<std::uint32_t> out(pixels.size());
    std::vector<std::uint32_t> small(10);
    EXPECT_FALSE(decodeTileDelta(key.bytes, width + 1, height, out).ok()) << "wrong size accepted";
    EXPECT_FALSE(decodeTileDelta(key.bytes, width, height, small).ok());

    const std::vector<std::uint8_t> truncated(key.bytes.begin(), key.bytes.end() - 1);
    std::vector<std::uint8_t> unknownFlag = key.bytes; // flags are bytes 2-3 of the header
    unknownFlag[3] = 0x80;
    // A tile index past the frame's last tile (the index list follows the 24-byte header).
    std::vector<std::uint8_t> badTile = delta.bytes;
    const std::uint32_t farTile = 1000;
    std::memcpy(badTile.data() + 24, &farTile, sizeof farTile);
    std::vector<std::uint8_t> garbled = key.bytes;
    for (std::size_t i = 24; i < garbled.size(); ++i)
        garbled[i] = static_cast<std::uint8_t>(i * 37);
    for (const auto& damaged :
         {std::vector<std::uint8_t>(), truncated, unknownFlag, badTile, garbled})
        EXPECT_FALSE(decodeTileDelta(damaged, width, height, out).ok()) << damaged.size();
}

TEST(TileDeltaCodec, SharedPixelsAreKeptAsTheReferenceUntilTheNextFrameOrRestart)
{
    // Opaque shared frames: the top byte is padding that may change at will.
    const int width = 203;
    const int height = 77;
    const std::size_t count = 203u * 77u;
    const auto opaque = [](std::vector<std::uint32_t> pixels) {
        std::ranges::for_each(pixels, [](std::uint32_t& p) { p |= 0xff000000u; });
        return pixels;
    };
    std::vector<std::uint32_t> pixels = randomPixels(count, 11);
    TileDeltaCodec compressor(width, height);
    std::vector<std::uint32_t> decoded(count);
    std::vector<std::weak_ptr<const void>> owners; // of each shared frame in turn
    const auto compressShared = [&] {
        SharedPixels shared = share(pixels);
        owners.push_back(shared.owner);
        return made(compressor.compress(std::move(shared)));
    };

    const EncodedFrame key = compressShared();
    EXPECT_TRUE(key.keyframe);
    EXPECT_TRUE(decodesTo(key, width, height, decoded, opaque(pixels)));
    EXPECT_FALSE(owners[0].expired()) << "the reference must stay held";

    // Only top bytes change, plus one pixel at the bottom-right corner.
    for (auto& p : pixels)
        p ^= 0x5a000000u;
    pixels.back() ^= 0x00000101u;
    const EncodedFrame delta = compressShared();
    EXPECT_TRUE(owners[0].expired()) << "the earlier reference must be let go";
    ASSERT_FALSE(delta.keyframe);
    EXPECT_EQ(delta.changedPixels, (203u - 192u) * (77u - 64u));
    EXPECT_TRUE(decodesTo(delta, width, height, decoded, opaque(pixels)));

    // Lent pixels with their alpha after opaque ones start over with a keyframe
    // and are copied, letting the shared reference go.
    pixels[0] = 0x12345678;
    const EncodedFrame lent = made(compressor.compress(std::span<const std::uint32_t>(pixels)));
    EXPECT_TRUE(lent.keyframe);
    EXPECT_TRUE(owners[1].expired());
    EXPECT_TRUE(decodesTo(lent, width, height, decoded, pixels));
    pixels[count / 2] ^= 1;
    const EncodedFrame lentDelta =
        made(compressor.compress(std::span<const std::uint32_t>(pixels)));
    EXPECT_FALSE(lentDelta.keyframe);
    EXPECT_TRUE(decodesTo(lentDelta, width, height, decoded, pixels));

    // Shared again: restart lets it go.
    EXPECT_TRUE(compressShared().keyframe);
    compressor.restart();
    EXPECT_TRUE(owners[2].expired()) << "restart must let the reference go";
}

TEST(TileDeltaCodec, AnUnchangedFrameIsADeltaWithoutTilesThatDecodes)
{
    // No tiles to copy or index: nothing may be read from or written to a
    // buffer that was never allocated.
    const std::vector<std::uint32_t> pixels = randomPixels(70 * 20, 5);
    for (const TileDeltaSettings& settings :
         {TileDeltaSettings{.compression = BlockCompression::Lz4}, TileDeltaSettings{}}) {
        TileDeltaCodec compressor(70, 20, settings);
        std::vector<std::uint32_t> decoded(pixels.size());
        ASSERT_TRUE(decodesTo(made(compressor.compress(pixels)), 70, 20, decoded, pixels));
        const EncodedFrame same = made(compressor.compress(pixels));
        EXPECT_FALSE(same.keyframe);
        EXPECT_EQ(same.changedPixels, 0u);
        EXPECT_EQ(same.bytes.size(), 24u); // the header alone
        EXPECT_TRUE(decodesTo(same, 70, 20, decoded, pixels));
    }
}

TEST(TileDeltaCodec, ACodecFailureIsAnErrorAndTheNextFrameStartsOver)
{
    // Room for a flat frame's bytes but not for a delta of random tiles: the
    // top half of the frame (two of its four tiles).
    const std::vector<std::uint32_t> flat(64 * 32, 0xff336699u);
    std::vector<std::uint32_t> noise = randomPixels(64 * 32, 9);
    std::copy(flat.begin() + 64 * 16, flat.end(), noise.begin() + 64 * 16);
    for (const BlockCompression compression : {BlockCompression::Lz4, BlockCompression::Zstd}) {
        SCOPED_TRACE(static_cast<int>(compression));
        TileDeltaCodec compressor(64, 32, {.compression = compression, .packedCapacity = 256});
        std::vector<std::uint32_t> decoded(flat.size());
        ASSERT_TRUE(decodesTo(made(compressor.compress(flat)), 64, 32, decoded, flat));
        const CompressResult failed = compressor.compress(noise);
        ASSERT_FALSE(failed.ok());
        EXPECT_NE(failed.message().find(compression == BlockCompression::Lz4 ? "LZ4" : "zstd"),
                  std::string::npos)
            << failed.message();
        // The failed delta's tiles are in no one's chain, though the reference
        // took them in: a keyframe follows.
        std::vector<std::uint32_t> fresh(flat.size(), 0u);
        const EncodedFrame after = made(compressor.compress(flat));
        EXPECT_TRUE(after.keyframe);
        EXPECT_TRUE(decodesTo(after, 64, 32, fresh, flat));
    }
}
