#include "model/FrameListSource.h"

#include "gif/GifEncoder.h"
#include "gif/GifTestDecoder.h"

#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

// Storage that counts how often its pixels are read.
class CountingStorage final : public FrameStorage
{
public:
    CountingStorage(std::vector<std::uint32_t> pixels, int& reads)
        : m_pixels(std::move(pixels)), m_reads(reads)
    {
    }
    void readPixels(std::span<std::uint32_t> out) const override
    {
        ++m_reads;
        std::copy(m_pixels.begin(), m_pixels.end(), out.begin());
    }
    [[nodiscard]] std::size_t storedBytes() const override { return m_pixels.size() * 4; }

private:
    std::vector<std::uint32_t> m_pixels;
    int& m_reads;
};

TEST(FrameListSource, EncodesARecordingFrameByFrame)
{
    int reads = 0;
    FrameList frames;
    for (std::uint32_t c : {0xFF112233u, 0xFF445566u, 0xFF778899u}) {
        frames.emplace_back(
            3, 2, std::make_shared<CountingStorage>(std::vector<std::uint32_t>(6, c), reads));
    }
    const FrameListSource source(frames);
    EXPECT_EQ(source.frameCount(), 3u);
    EXPECT_EQ(source.frameSize(1), (gif::FrameSize{3, 2}));

    const auto result = gif::GifEncoder::encode(source, gif::GifEncoder::Options(10, 0, 2), {},
                                                {.threads = 1, .lossless = true});
    ASSERT_TRUE(result.ok()) << result.message();
    const auto gif = gif::testing::decodeGif(result.bytes());
    ASSERT_TRUE(gif);
    ASSERT_EQ(gif->images.size(), 2u);
    EXPECT_EQ(gif->images[0].canvas, std::vector<std::uint32_t>(6, 0xFF112233u));
    EXPECT_EQ(gif->images[1].canvas, std::vector<std::uint32_t>(6, 0xFF778899u));
    // The skipped middle frame is never decoded.
    EXPECT_LE(reads, 3);
}

TEST(FrameListSource, MismatchedAndEmptyFramesFailCleanly)
{
    const FrameList mixed = {Frame::fromPixels(2, 2, std::vector<std::uint32_t>(4, 0xFF000000u)),
                             Frame::fromPixels(3, 2, std::vector<std::uint32_t>(6, 0xFF000000u))};
    EXPECT_EQ(gif::GifEncoder::encode(FrameListSource(mixed), {}).error(),
              gif::EncodeError::SizeMismatch);

    const FrameList withNull = {Frame::fromPixels(2, 2, std::vector<std::uint32_t>(4, 0xFF000000u)),
                                Frame()};
    EXPECT_FALSE(gif::GifEncoder::encode(FrameListSource(withNull), {}).ok());

    EXPECT_EQ(gif::GifEncoder::encode(FrameListSource({}), {}).error(),
              gif::EncodeError::EmptyInput);
}

} // namespace
} // namespace kinetta
