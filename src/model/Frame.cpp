#include "model/Frame.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace kinetta {
namespace {

class RawFrameStorage final : public FrameStorage {
public:
    explicit RawFrameStorage(std::vector<std::uint32_t> pixels) : m_pixels(std::move(pixels)) {}

    void readPixels(std::span<std::uint32_t> out) const override
    {
        assert(out.size() >= m_pixels.size());
        std::copy(m_pixels.begin(), m_pixels.end(), out.begin());
    }
    std::size_t storedBytes() const override { return m_pixels.size() * sizeof(std::uint32_t); }

private:
    std::vector<std::uint32_t> m_pixels;
};

} // namespace

Frame::Frame(int width, int height, std::shared_ptr<const FrameStorage> storage)
    : m_width(width), m_height(height), m_storage(std::move(storage))
{
}

Frame Frame::fromPixels(int width, int height, std::vector<std::uint32_t> pixels)
{
    assert(pixels.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    return Frame(width, height, std::make_shared<RawFrameStorage>(std::move(pixels)));
}

Frame Frame::fromImage(const QImage& image)
{
    if (image.isNull())
        return {};
    const QImage rgb = image.format() == QImage::Format_RGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    const int w = rgb.width();
    const int h = rgb.height();
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w),
                    rgb.constScanLine(y), static_cast<std::size_t>(w) * sizeof(std::uint32_t));
    }
    return fromPixels(w, h, std::move(pixels));
}

void Frame::readPixels(std::span<std::uint32_t> out) const
{
    if (m_storage)
        m_storage->readPixels(out);
}

std::vector<std::uint32_t> Frame::pixels() const
{
    std::vector<std::uint32_t> out(pixelCount());
    readPixels(out);
    return out;
}

QImage Frame::toImage() const
{
    if (isNull())
        return {};
    QImage image(m_width, m_height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    // QImage rows may be padded; these are 32-bit so bytesPerLine == 4*width.
    readPixels({reinterpret_cast<std::uint32_t*>(image.bits()), pixelCount()});
    return image;
}

std::size_t Frame::storedBytes() const
{
    return m_storage ? m_storage->storedBytes() : 0;
}

} // namespace kinetta
