#include "model/FrameListSource.h"

#include "gif/TestFrames.h"

#include <array>

namespace kinetta
{
namespace
{

using Pixels = std::vector<std::uint32_t>;

// Storage of one colour that counts how often its pixels are read.
class CountingStorage final : public FrameStorage
{
public:
    CountingStorage(std::uint32_t colour, int& reads) : m_colour(colour), m_reads(reads) {}
    void readPixels(std::span<std::uint32_t> out) const override
    {
        ++m_reads;
        std::fill(out.begin(), out.end(), m_colour);
    }
    [[nodiscard]] std::size_t storedBytes() const override { return sizeof m_colour; }

private:
    std::uint32_t m_colour;
    int& m_reads;
};

TEST(FrameListSource, EncodesARecordingDecodingOnlyTheWrittenFrames)
{
    std::array<int, 3> reads{};
    const std::array<std::uint32_t, 3> colours = {0xFF112233u, 0xFF445566u, 0xFF778899u};
    FrameList frames;
    for (std::size_t i = 0; i < 3; ++i)
        frames.emplace_back(3, 2, std::make_shared<CountingStorage>(colours[i], reads[i]));
    const auto gif = gif::testing::encodeAndDecode(
        FrameListSource(frames), gif::GifEncoder::Options(10, 0, 2), {.threads = 1});
    EXPECT_EQ(std::pair(gif.width, gif.height), std::pair(3, 2));
    gif::testing::expectExact(gif, {Pixels(6, colours[0]), Pixels(6, colours[2])});
    EXPECT_EQ(reads[1], 0);
}

TEST(FrameListSource, MismatchedOrNullFramesFailCleanly)
{
    const auto black = [](int width) {
        return Frame::fromPixels(width, 2,
                                 Pixels(static_cast<std::size_t>(width * 2), 0xFF000000u));
    };
    using gif::GifEncoder;
    EXPECT_EQ(GifEncoder::encode(FrameListSource({black(2), black(3)}), {}).error(),
              gif::EncodeError::SizeMismatch);
    EXPECT_FALSE(GifEncoder::encode(FrameListSource({black(2), Frame()}), {}).ok());
}

} // namespace
} // namespace kinetta
