#pragma once

#include <QImage>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kinetta {

// How one frame's pixels are kept. Implementations may hold them raw, compressed
// or on disk; they are immutable once made and safe to read from several threads.
class FrameStorage {
public:
    virtual ~FrameStorage() = default;
    // Writes width*height pixels, rows top to bottom with no padding, each pixel
    // 0xAARRGGBB in native byte order (the layout of QImage::Format_RGB32).
    virtual void readPixels(std::span<std::uint32_t> out) const = 0;
    // Bytes this frame occupies where it is kept, for memory accounting.
    [[nodiscard]] virtual std::size_t storedBytes() const = 0;
};

// One captured image: immutable, shared and cheap to copy. It does not promise
// its pixels are in memory; read them when they are needed.
class Frame final {
public:
    Frame() = default;
    Frame(int width, int height, std::shared_ptr<const FrameStorage> storage);

    // Keeps the pixels as they are (width*height values, 0xAARRGGBB).
    [[nodiscard]] static Frame fromPixels(int width, int height, std::vector<std::uint32_t> pixels);
    // Converts to the frame layout; a null image gives a null frame.
    [[nodiscard]] static Frame fromImage(const QImage& image);

    [[nodiscard]] bool isNull() const { return !m_storage; }
    [[nodiscard]] int width() const { return m_width; }
    [[nodiscard]] int height() const { return m_height; }
    [[nodiscard]] QSize size() const { return {m_width, m_height}; }
    [[nodiscard]] std::size_t pixelCount() const
    {
        return static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height);
    }

    // out must hold pixelCount() values.
    void readPixels(std::span<std::uint32_t> out) const;
    [[nodiscard]] std::vector<std::uint32_t> pixels() const;
    // A decoded copy as QImage::Format_RGB32.
    [[nodiscard]] QImage toImage() const;
    [[nodiscard]] std::size_t storedBytes() const;
    [[nodiscard]] const std::shared_ptr<const FrameStorage>& storage() const { return m_storage; }

    // Same stored image (not a pixel comparison).
    friend bool operator==(const Frame& a, const Frame& b) { return a.m_storage == b.m_storage; }

private:
    int m_width = 0;
    int m_height = 0;
    std::shared_ptr<const FrameStorage> m_storage;
};

// The frames of one recording, all of one size, first frame first. Copies share
// the stored frames.
using FrameList = std::vector<Frame>;

} // namespace kinetta
