#include "gif/GifEncoder.h"
#include "gif/GifTestDecoder.h"
#include "gif/TestFrames.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace kinetta::gif
{
namespace
{

using testing::decodeGif;
using testing::noiseFrame;
using testing::Pixels;
using testing::solidFrame;
using testing::VectorSource;
using Options = GifEncoder::Options;
using Indices = std::vector<std::size_t>;

// Frames that differ everywhere, so each written image can be traced back.
std::vector<Pixels> distinctFrames(int count, int width = 4, int height = 3)
{
    std::vector<Pixels> frames;
    for (int i = 0; i < count; ++i)
        frames.push_back(solidFrame(width, height, 0x102030u * static_cast<std::uint32_t>(i + 1)));
    return frames;
}

// Which source frame each decoded image shows.
Indices shownFrames(const std::vector<std::uint8_t>& bytes, const std::vector<Pixels>& frames)
{
    const auto gif = decodeGif(bytes);
    EXPECT_TRUE(gif.has_value());
    Indices shown;
    if (!gif)
        return shown;
    for (const auto& image : gif->images) {
        std::size_t match = frames.size();
        for (std::size_t i = 0; i < frames.size(); ++i) {
            if (image.canvas == frames[i])
                match = i;
        }
        shown.push_back(match);
    }
    return shown;
}

TEST(FrameSelection, StrideKeepsFirstAndEveryNth)
{
    EXPECT_EQ(GifEncoder::selectFrames(5, Options(10, 0, 2)), (Indices{0, 2, 4}));
    EXPECT_EQ(GifEncoder::selectFrames(4, Options(10, 0, 3)), (Indices{0, 3}));
    EXPECT_EQ(GifEncoder::selectFrames(3, Options(10, 0, 1)), (Indices{0, 1, 2}));
    EXPECT_EQ(GifEncoder::selectFrames(1, Options(10, 0, 5)), (Indices{0}));
    EXPECT_EQ(GifEncoder::selectFrames(0, Options()), Indices{});
}

TEST(FrameSelection, SkipBelowOneKeepsEveryFrame)
{
    EXPECT_EQ(GifEncoder::selectFrames(3, Options(10, 0, 0)), (Indices{0, 1, 2}));
    EXPECT_EQ(GifEncoder::selectFrames(3, Options(10, 0, -4)), (Indices{0, 1, 2}));
}

TEST(FrameSelection, HugeStrideDoesNotOverflow)
{
    const auto huge = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(GifEncoder::selectFrames(3, Options(10, 0, huge)), (Indices{0}));
}

TEST(FrameSelection, BoomerangRepeatsInteriorBackwards)
{
    EXPECT_EQ(GifEncoder::selectFrames(3, Options(10, 0, 1, true)), (Indices{0, 1, 2, 1}));
    EXPECT_EQ(GifEncoder::selectFrames(4, Options(10, 0, 1, true)), (Indices{0, 1, 2, 3, 2, 1}));
    EXPECT_EQ(GifEncoder::selectFrames(2, Options(10, 0, 1, true)), (Indices{0, 1}));
    EXPECT_EQ(GifEncoder::selectFrames(1, Options(10, 0, 1, true)), (Indices{0}));
    EXPECT_EQ(GifEncoder::selectFrames(7, Options(10, 0, 2, true)), (Indices{0, 2, 4, 6, 4, 2}));
}

TEST(Delay, ConvertsSecondsToRoundedHundredths)
{
    EXPECT_EQ(GifEncoder::delayHundredths(Options()), 10);
    EXPECT_EQ(GifEncoder::delayHundredths(Options(10, 0, 2)), 20);
    EXPECT_EQ(GifEncoder::delayHundredths(Options(15)), 7);        // 6.67
    EXPECT_EQ(GifEncoder::delayHundredths(Options(30)), 3);        // 3.33
    EXPECT_EQ(GifEncoder::delayHundredths(Options(8)), 13);        // 12.5 rounds up
    EXPECT_EQ(GifEncoder::delayHundredths(Options(24, 0, 3)), 13); // 12.5
    EXPECT_EQ(GifEncoder::delayHundredths(Options(0.5)), 200);
}

TEST(Delay, NeverZeroNeverPastTheField)
{
    EXPECT_EQ(GifEncoder::delayHundredths(Options(1000)), 1);
    EXPECT_EQ(GifEncoder::delayHundredths(Options(0.001)), 65535);
    EXPECT_EQ(GifEncoder::delayHundredths(Options(10, 0, 0)), 10);
    EXPECT_EQ(GifEncoder::delayHundredths(Options(10, 0, -3)), 10);
}

TEST(Delay, RejectsRatesThatAreNotPositiveNumbers)
{
    for (double fps : {0.0, -10.0, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_EQ(GifEncoder::delayHundredths(Options(fps)), 0) << fps;
}

TEST(Contract, OptionsDefaults)
{
    const Options options;
    EXPECT_EQ(options.fps, 10);
    EXPECT_EQ(options.loopCount, 0);
    EXPECT_EQ(options.skipFrames, 1);
    EXPECT_FALSE(options.boomerang);
}

TEST(Contract, EmptyInputGivesNothing)
{
    const VectorSource source(4, 4, {});
    const EncodeResult result = GifEncoder::encode(source, Options());
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error(), EncodeError::EmptyInput);
    EXPECT_TRUE(result.bytes().empty());
}

TEST(Contract, MismatchedSizesGiveNothing)
{
    const VectorSource source({{4, 4}, {4, 4}, {5, 4}},
                              {solidFrame(4, 4, 1), solidFrame(4, 4, 2), solidFrame(5, 4, 3)});
    const EncodeResult result = GifEncoder::encode(source, Options());
    EXPECT_EQ(result.error(), EncodeError::SizeMismatch);
    EXPECT_NE(result.message().find("frame 3"), std::string::npos) << result.message();
    EXPECT_TRUE(result.bytes().empty());
}

TEST(Contract, ZeroAndOversizedFramesGiveNothing)
{
    const VectorSource empty({{0, 4}}, {Pixels{}});
    EXPECT_EQ(GifEncoder::encode(empty, Options()).error(), EncodeError::InvalidSize);
    const VectorSource wide({{70000, 1}}, {Pixels(70000, 0xFF000000u)});
    EXPECT_EQ(GifEncoder::encode(wide, Options()).error(), EncodeError::InvalidSize);
}

TEST(Contract, InvalidOptionsGiveNothing)
{
    const VectorSource source(2, 2, {solidFrame(2, 2, 7)});
    EXPECT_EQ(GifEncoder::encode(source, Options(0)).error(), EncodeError::InvalidOptions);
    EXPECT_EQ(GifEncoder::encode(source, Options(std::nan(""))).error(),
              EncodeError::InvalidOptions);
    EXPECT_EQ(GifEncoder::encode(source, Options(10, -1)).error(), EncodeError::InvalidOptions);
    EXPECT_EQ(GifEncoder::encode(source, Options(10, 65536)).error(), EncodeError::InvalidOptions);
    EXPECT_TRUE(GifEncoder::encode(source, Options(10, 65535)).ok());
}

TEST(Contract, OneFrameCarriesTheLoopCount)
{
    const VectorSource source(3, 2, {solidFrame(3, 2, 0x336699)});
    const EncodeResult result = GifEncoder::encode(source, Options());
    ASSERT_TRUE(result.ok()) << result.message();
    const auto gif = decodeGif(result.bytes());
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->width, 3);
    EXPECT_EQ(gif->height, 2);
    ASSERT_EQ(gif->images.size(), 1u);
    EXPECT_EQ(gif->loopCount, 0);
    EXPECT_EQ(gif->images[0].delayHundredths, 10);
    EXPECT_EQ(gif->images[0].canvas, solidFrame(3, 2, 0x336699));
}

TEST(Contract, LoopCountWrittenUnchanged)
{
    const VectorSource source(2, 2, distinctFrames(2, 2, 2));
    for (std::int64_t loops : {0, 1, 3, 65535}) {
        const EncodeResult result = GifEncoder::encode(source, Options(10, loops));
        ASSERT_TRUE(result.ok());
        const auto gif = decodeGif(result.bytes());
        ASSERT_TRUE(gif);
        EXPECT_EQ(gif->loopCount, loops);
    }
}

TEST(Contract, FiveFramesSkipTwoWritesEvenFramesAtDoubleDelay)
{
    const auto frames = distinctFrames(5);
    const VectorSource source(4, 3, frames);
    const EncodeResult result = GifEncoder::encode(source, Options(10, 0, 2));
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(shownFrames(result.bytes(), frames), (Indices{0, 2, 4}));
    const auto gif = decodeGif(result.bytes());
    for (const auto& image : gif->images)
        EXPECT_EQ(image.delayHundredths, 20);
}

TEST(Contract, FourFramesSkipThreeWritesFirstAndLast)
{
    const auto frames = distinctFrames(4);
    const VectorSource source(4, 3, frames);
    const EncodeResult result = GifEncoder::encode(source, Options(10, 0, 3));
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(shownFrames(result.bytes(), frames), (Indices{0, 3}));
}

TEST(Contract, BoomerangWritesForwardThenBackward)
{
    const auto frames = distinctFrames(7);
    const VectorSource four(4, 3, {frames.begin(), frames.begin() + 4});
    EXPECT_EQ(shownFrames(GifEncoder::encode(four, Options(10, 0, 1, true)).bytes(), frames),
              (Indices{0, 1, 2, 3, 2, 1}));
    const VectorSource seven(4, 3, frames);
    EXPECT_EQ(shownFrames(GifEncoder::encode(seven, Options(10, 0, 2, true)).bytes(), frames),
              (Indices{0, 2, 4, 6, 4, 2}));
    const VectorSource two(4, 3, {frames.begin(), frames.begin() + 2});
    EXPECT_EQ(shownFrames(GifEncoder::encode(two, Options(10, 0, 1, true)).bytes(), frames),
              (Indices{0, 1}));
}

TEST(Contract, SameDelayOnEveryFrame)
{
    const VectorSource source(4, 3, distinctFrames(6));
    const EncodeResult result = GifEncoder::encode(source, Options(15));
    ASSERT_TRUE(result.ok());
    const auto gif = decodeGif(result.bytes());
    ASSERT_TRUE(gif);
    ASSERT_EQ(gif->images.size(), 6u);
    for (const auto& image : gif->images)
        EXPECT_EQ(image.delayHundredths, 7);
}

TEST(Contract, UnreadableFrameFailsWithItsMessage)
{
    VectorSource source(4, 3, distinctFrames(5));
    source.failAt = 3;
    const EncodeResult result = GifEncoder::encode(source, Options(), {}, {.threads = 2});
    EXPECT_EQ(result.error(), EncodeError::SourceFailed);
    EXPECT_EQ(result.message(), "frame 4 is unreadable");
    EXPECT_TRUE(result.bytes().empty());
}

TEST(Contract, SkippedFramesAreNeverRead)
{
    VectorSource source(4, 3, distinctFrames(6));
    std::vector<std::size_t> reads;
    std::mutex mutex;
    source.onRead = [&](std::size_t index) {
        std::lock_guard lock(mutex);
        reads.push_back(index);
    };
    ASSERT_TRUE(GifEncoder::encode(source, Options(10, 0, 3)).ok());
    for (std::size_t index : reads)
        EXPECT_EQ(index % 3, 0u);
}

} // namespace
} // namespace kinetta::gif
