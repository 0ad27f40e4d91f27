#include "gif/TestFrames.h"

#include <map>

namespace kinetta::gif
{
namespace
{

using namespace testing;

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr std::size_t kFrames = 40;

// A smooth picture of many colours drifting a little every frame, with a
// noisy band that moves: every frame is quantised and changes, so lower
// qualities and dropped frames both shrink the file.
std::vector<Pixels> drift()
{
    std::vector<Pixels> frames;
    for (std::size_t f = 0; f < kFrames; ++f) {
        Pixels frame = gradientFrame(kWidth, kHeight, static_cast<int>(5 * f));
        const Pixels noise = noiseFrame(kWidth, 8, 64, static_cast<std::uint32_t>(f));
        std::copy(noise.begin(), noise.end(), frame.begin() + (f % 5) * 8 * kWidth);
        frames.push_back(std::move(frame));
    }
    return frames;
}

struct Fitted {
    EncodeResult result;
    std::vector<EncodePass> passes;
};

Fitted encodeWithin(const std::vector<Pixels>& frames, std::size_t maxBytes, int quality = 100,
                    const ProgressCallback& progress = {})
{
    std::vector<EncodePass> passes;
    EncodeSettings settings{.quality = quality, .maxBytes = maxBytes};
    settings.passStarted = [&passes](const EncodePass& pass) { passes.push_back(pass); };
    EncodeResult result =
        GifEncoder::encode(VectorSource(kWidth, kHeight, frames), {}, progress, settings);
    return {std::move(result), std::move(passes)};
}

EncodeResult plainEncode(const std::vector<Pixels>& frames, int quality, std::int64_t skip = 1)
{
    return GifEncoder::encode(VectorSource(kWidth, kHeight, frames), Options(10, 0, skip), {},
                              {.quality = quality});
}

std::size_t countOf(const std::vector<EncodePass>& passes, EncodePass::Kind kind)
{
    return static_cast<std::size_t>(std::count_if(
        passes.begin(), passes.end(), [kind](const EncodePass& p) { return p.kind == kind; }));
}

// The file at every level, as a plain encode makes it.
std::map<int, std::vector<std::uint8_t>> everyLevel(const std::vector<Pixels>& frames)
{
    std::map<int, std::vector<std::uint8_t>> files;
    for (const GifEncoder::QualityLevel& level : GifEncoder::qualityLevels) {
        const EncodeResult result = plainEncode(frames, level.quality);
        EXPECT_TRUE(result.ok()) << result.message();
        files[level.quality] = result.bytes();
    }
    return files;
}

TEST(SizeTarget, TheBestQualityThatFitsAfterAnEstimateAndAtMostTwoFullEncodes)
{
    const std::vector<Pixels> frames = drift();
    const auto files = everyLevel(frames);
    ASSERT_LT(files.at(10).size() * 3, files.at(100).size() * 2) << "the clip barely shrinks";
    for (const int target : {100, 85, 70, 40, 10}) {
        const std::size_t limit = files.at(target).size();
        int expected = 0;
        for (const auto& [quality, bytes] : files) {
            if (bytes.size() <= limit)
                expected = std::max(expected, quality);
        }
        SCOPED_TRACE(::testing::Message() << "limit " << limit << ", best fitting " << expected);
        const Fitted fitted = encodeWithin(frames, limit);
        ASSERT_TRUE(fitted.result.ok()) << fitted.result.message();
        EXPECT_EQ(fitted.result.quality(), expected);
        EXPECT_TRUE(fitted.result.bytes() == files.at(expected));
        EXPECT_FALSE(fitted.result.droppedFrames());
        EXPECT_EQ(fitted.result.skipFrames(), 1);
        ASSERT_FALSE(fitted.passes.empty());
        EXPECT_EQ(fitted.passes.front().kind, EncodePass::Kind::Estimate);
        // The sample is coded at the quality asked for first, and down to
        // the lowest only when that does not fit.
        EXPECT_EQ(fitted.passes.front().quality, GifEncoder::maxQuality);
        EXPECT_GE(countOf(fitted.passes, EncodePass::Kind::Estimate), 1u);
        EXPECT_LE(countOf(fitted.passes, EncodePass::Kind::Estimate), 2u);
        EXPECT_GE(countOf(fitted.passes, EncodePass::Kind::Encode), 1u);
        EXPECT_LE(countOf(fitted.passes, EncodePass::Kind::Encode), 2u);
        for (std::size_t k = 0; k < fitted.passes.size(); ++k) {
            EXPECT_EQ(fitted.passes[k].number, static_cast<int>(k + 1));
            EXPECT_GE(fitted.passes[k].count, fitted.passes[k].number);
        }
    }

    // The quality asked for is the ceiling, and lossless keeps it exact.
    const Fitted capped = encodeWithin(frames, files.at(100).size() * 2, 50);
    ASSERT_TRUE(capped.result.ok());
    EXPECT_EQ(capped.result.quality(), 50);
    EXPECT_TRUE(capped.result.bytes() == files.at(50));
    // A quality between levels is its level below, as in a plain encode.
    const Fitted between = encodeWithin(frames, files.at(100).size() * 2, 97);
    ASSERT_TRUE(between.result.ok()) << between.result.message();
    EXPECT_EQ(between.result.quality(), 95);
    EXPECT_TRUE(between.result.bytes() == files.at(95));
}

TEST(SizeTarget, FramesAreDroppedOnlyWhenTheLowestQualityIsTooLarge)
{
    const std::vector<Pixels> frames = drift();
    const EncodeResult lowest = plainEncode(frames, GifEncoder::minQuality);
    ASSERT_TRUE(lowest.ok());
    const std::size_t limit = lowest.bytes().size() - 1;
    const Fitted fitted = encodeWithin(frames, limit);
    ASSERT_TRUE(fitted.result.ok()) << fitted.result.message();
    EXPECT_TRUE(fitted.result.droppedFrames());
    const std::int64_t stride = fitted.result.skipFrames();
    EXPECT_GE(stride, 2);
    EXPECT_LE(fitted.result.bytes().size(), limit);
    EXPECT_EQ(fitted.result.quality(), GifEncoder::qualityLevels.back().quality);
    // The same file as dropping those frames by hand, and no more were dropped
    // than needed.
    const EncodeResult byHand = plainEncode(frames, GifEncoder::minQuality, stride);
    ASSERT_TRUE(byHand.ok());
    EXPECT_TRUE(byHand.bytes() == fitted.result.bytes());
    if (stride > 2) {
        const EncodeResult fewerDropped = plainEncode(frames, GifEncoder::minQuality, stride / 2);
        EXPECT_GT(fewerDropped.bytes().size(), limit);
    }
    EXPECT_GE(countOf(fitted.passes, EncodePass::Kind::FewerFrames), 1u);
    EXPECT_EQ(fitted.passes.back().kind, EncodePass::Kind::FewerFrames);
    EXPECT_EQ(fitted.passes.back().skipFrames, stride);
    EXPECT_EQ(fitted.passes.back().count, fitted.passes.back().number);
}

TEST(SizeTarget, WhenNothingFitsTheErrorTellsTheSmallestSizeReached)
{
    const std::vector<Pixels> frames = drift();
    // The smallest file is the first frame alone, at the lowest quality.
    std::int64_t stride = 2;
    while (static_cast<std::size_t>(stride) < kFrames)
        stride *= 2;
    const EncodeResult oneFrame = plainEncode(frames, GifEncoder::minQuality, stride);
    ASSERT_TRUE(oneFrame.ok());
    const std::size_t limit = oneFrame.bytes().size() - 1;
    const Fitted fitted = encodeWithin(frames, limit);
    EXPECT_EQ(fitted.result.error(), EncodeError::TooLarge);
    EXPECT_TRUE(fitted.result.bytes().empty());
    const std::string& message = fitted.result.message();
    EXPECT_NE(message.find(std::to_string(oneFrame.bytes().size()) + " bytes"), std::string::npos)
        << message;
    EXPECT_NE(message.find(std::to_string(limit)), std::string::npos) << message;
    EXPECT_NE(message.find("one frame in " + std::to_string(stride)), std::string::npos) << message;
}

TEST(SizeTarget, ShortRecordingsBadSettingsAndCancelling)
{
    // A recording short enough to be its own sample is estimated exactly:
    // one encode of every frame when the estimate says it fits.
    const std::vector<Pixels> all = drift();
    const std::vector<Pixels> few(all.begin(), all.begin() + 6);
    const EncodeResult atSixty = plainEncode(few, 60);
    ASSERT_TRUE(atSixty.ok());
    const Fitted fitted = encodeWithin(few, atSixty.bytes().size());
    ASSERT_TRUE(fitted.result.ok());
    EXPECT_GE(fitted.result.quality(), 60);
    EXPECT_EQ(countOf(fitted.passes, EncodePass::Kind::Encode), 1u);
    // When the quality asked for fits, the sample is coded at it alone.
    const EncodeResult atBest = plainEncode(few, 100);
    ASSERT_TRUE(atBest.ok());
    const Fitted roomy = encodeWithin(few, atBest.bytes().size() * 2);
    ASSERT_TRUE(roomy.result.ok());
    EXPECT_TRUE(roomy.result.bytes() == atBest.bytes());
    ASSERT_EQ(roomy.passes.size(), 2u);
    EXPECT_EQ(roomy.passes[0].kind, EncodePass::Kind::Estimate);
    EXPECT_EQ(roomy.passes[0].quality, 100);
    EXPECT_EQ(roomy.passes[1].kind, EncodePass::Kind::Encode);

    // What an encode without a target refuses is refused the same way.
    const Fitted badQuality = encodeWithin(few, 1000, 0);
    EXPECT_EQ(badQuality.result.error(), EncodeError::InvalidOptions);

    // A cancel in any pass ends the encode.
    for (const auto& [kind, limit] : {std::pair{EncodePass::Kind::Estimate, std::size_t{1}},
                                      std::pair{EncodePass::Kind::Encode, std::size_t{1} << 30},
                                      std::pair{EncodePass::Kind::FewerFrames, std::size_t{1}}}) {
        std::vector<EncodePass> passes;
        EncodeSettings settings{.maxBytes = limit};
        settings.passStarted = [&passes](const EncodePass& pass) { passes.push_back(pass); };
        const EncodeResult cancelled = GifEncoder::encode(
            VectorSource(kWidth, kHeight, all), {},
            [&](std::size_t, std::size_t) { return passes.empty() || passes.back().kind != kind; },
            settings);
        EXPECT_EQ(cancelled.error(), EncodeError::Cancelled);
        ASSERT_FALSE(passes.empty());
        EXPECT_EQ(passes.back().kind, kind);
    }
}

} // namespace
} // namespace kinetta::gif
