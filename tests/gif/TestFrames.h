#pragma once

#include "gif/GifEncoder.h"
#include "gif/GifTestDecoder.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <random>

namespace kinetta::gif::testing
{

using Pixels = std::vector<std::uint32_t>;
using Options = GifEncoder::Options;

// Frames held in memory; reports each read and can be told to fail one.
class VectorSource final : public FrameSource
{
public:
    VectorSource(int width, int height, std::vector<Pixels> frames)
        : m_sizes(frames.size(), FrameSize{width, height}), m_frames(std::move(frames))
    {
    }
    VectorSource(std::vector<FrameSize> sizes, std::vector<Pixels> frames)
        : m_sizes(std::move(sizes)), m_frames(std::move(frames))
    {
    }

    [[nodiscard]] std::size_t frameCount() const override { return m_frames.size(); }
    [[nodiscard]] FrameSize frameSize(std::size_t index) const override { return m_sizes[index]; }
    [[nodiscard]] Status<> readFrame(std::size_t index, std::span<std::uint32_t> out) const override
    {
        if (onRead)
            onRead(index);
        if (failAt == index)
            return failure("frame " + std::to_string(index + 1) + " is unreadable");
        std::copy(m_frames[index].begin(), m_frames[index].end(), out.begin());
        return {};
    }

    std::function<void(std::size_t)> onRead;
    std::optional<std::size_t> failAt;

private:
    std::vector<FrameSize> m_sizes;
    std::vector<Pixels> m_frames;
};

inline Pixels solidFrame(int width, int height, std::uint32_t colour)
{
    return Pixels(static_cast<std::size_t>(width * height), 0xFF000000u | colour);
}

// A copy of frame with a filled rectangle.
inline Pixels withRect(Pixels frame, int width, int x0, int y0, int w, int h, std::uint32_t colour)
{
    for (int y = y0; y < y0 + h; ++y)
        std::fill_n(frame.begin() + y * width + x0, w, 0xFF000000u | colour);
    return frame;
}

// width*height pixels drawn from `colours` distinct colours.
inline Pixels noiseFrame(int width, int height, int colours, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pick(0, colours - 1);
    Pixels pixels(static_cast<std::size_t>(width * height));
    for (auto& p : pixels) {
        const auto k = static_cast<std::uint32_t>(pick(random));
        p = 0xFF000000u | ((k * 0x010307u) & 0xFFFFFFu) | ((k << 16) & 0xFF0000u);
    }
    return pixels;
}

// A smooth colourful image with far more than 256 colours.
inline Pixels gradientFrame(int width, int height, int phase)
{
    Pixels pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int r = (x * 255 / std::max(1, width - 1) + phase) & 0xFF;
            const int g = (y * 255 / std::max(1, height - 1)) & 0xFF;
            const int b = ((x + y) * 128 / std::max(1, width + height)) & 0xFF;
            pixels.push_back(0xFF000000u | static_cast<std::uint32_t>((r << 16) | (g << 8) | b));
        }
    }
    return pixels;
}

// Encodes, expecting success, and decodes the file with giflib.
inline DecodedGif encodeAndDecode(const FrameSource& source, const Options& options = {},
                                  const EncodeSettings& settings = {})
{
    const EncodeResult result = GifEncoder::encode(source, options, {}, settings);
    EXPECT_TRUE(result.ok()) << result.message();
    std::string error;
    const auto gif = decodeGif(result.bytes(), &error);
    EXPECT_TRUE(gif.has_value()) << error;
    return gif.value_or(DecodedGif{});
}

inline void expectExact(const DecodedGif& gif, const std::vector<Pixels>& frames)
{
    ASSERT_EQ(gif.images.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i)
        EXPECT_TRUE(gif.images[i].canvas == frames[i]) << "frame " << i;
}

} // namespace kinetta::gif::testing
