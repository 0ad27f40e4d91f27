#pragma once

#include "gif/FrameSource.h"

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace kinetta::gif::testing
{

using Pixels = std::vector<std::uint32_t>;

// Frames held in memory; records how often each frame was read.
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
    [[nodiscard]] ReadError readFrame(std::size_t index,
                                      std::span<std::uint32_t> out) const override
    {
        if (onRead)
            onRead(index);
        if (failAt && *failAt == index)
            return "frame " + std::to_string(index + 1) + " is unreadable";
        std::copy(m_frames[index].begin(), m_frames[index].end(), out.begin());
        return std::nullopt;
    }

    std::function<void(std::size_t)> onRead;
    std::optional<std::size_t> failAt;

private:
    std::vector<FrameSize> m_sizes;
    std::vector<Pixels> m_frames;
};

inline Pixels solidFrame(int width, int height, std::uint32_t colour)
{
    return Pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                  0xFF000000u | colour);
}

// width*height pixels drawn from `colours` distinct colours.
inline Pixels noiseFrame(int width, int height, int colours, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pick(0, colours - 1);
    Pixels pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (auto& p : pixels) {
        const auto k = static_cast<std::uint32_t>(pick(random));
        p = 0xFF000000u | (k * 0x010307u & 0xFFFFFFu) | (k << 16 & 0xFF0000u);
    }
    return pixels;
}

// A smooth colourful image with far more than 256 colours.
inline Pixels gradientFrame(int width, int height, int phase)
{
    Pixels pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto r =
                static_cast<std::uint32_t>((x * 255 / std::max(1, width - 1) + phase) & 0xFF);
            const auto g = static_cast<std::uint32_t>((y * 255 / std::max(1, height - 1)) & 0xFF);
            const auto b =
                static_cast<std::uint32_t>(((x + y) * 128 / std::max(1, width + height)) & 0xFF);
            pixels[static_cast<std::size_t>(y * width + x)] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    }
    return pixels;
}

} // namespace kinetta::gif::testing
