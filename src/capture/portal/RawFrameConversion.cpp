#include "capture/portal/RawFrameConversion.h"

#include <cmath>
#include <cstring>

namespace kinetta::portal
{
namespace
{

constexpr std::uint32_t kOpaque = 0xff000000u;

// Pixels as little-endian words: the byte at offset n is bits 8n..8n+7.
template <int RedByte, int GreenByte, int BlueByte>
void convertRow(const std::uint8_t* source, int width, std::uint32_t* target)
{
    for (int x = 0; x < width; ++x) {
        std::uint32_t word;
        std::memcpy(&word, source + static_cast<std::size_t>(x) * 4, 4);
        target[x] = kOpaque | (((word >> (8 * RedByte)) & 0xffu) << 16) |
                    (((word >> (8 * GreenByte)) & 0xffu) << 8) | ((word >> (8 * BlueByte)) & 0xffu);
    }
}

// The usual layout of a compositor: the word is already 0x..RRGGBB.
void convertBgrxRow(const std::uint8_t* source, int width, std::uint32_t* target)
{
    if (static_cast<const void*>(target) != source)
        std::memcpy(target, source, static_cast<std::size_t>(width) * 4);
    for (int x = 0; x < width; ++x)
        target[x] |= kOpaque;
}

template <int RedByte, int GreenByte, int BlueByte>
void convertRows(const std::uint8_t* image, std::size_t stride, const QRect& rect,
                 std::uint32_t* target)
{
    for (int y = 0; y < rect.height(); ++y) {
        const std::uint8_t* row = image + static_cast<std::size_t>(rect.y() + y) * stride +
                                  static_cast<std::size_t>(rect.x()) * 4;
        std::uint32_t* out = target + static_cast<std::size_t>(y) * rect.width();
        if constexpr (RedByte == 2 && GreenByte == 1 && BlueByte == 0)
            convertBgrxRow(row, rect.width(), out);
        else
            convertRow<RedByte, GreenByte, BlueByte>(row, rect.width(), out);
    }
}

} // namespace

void convertToArgb(RawPixelLayout layout, const std::uint8_t* image, std::size_t stride,
                   const QRect& rect, std::uint32_t* target)
{
    switch (layout) {
    case RawPixelLayout::bgrx:
    case RawPixelLayout::bgra:
        return convertRows<2, 1, 0>(image, stride, rect, target);
    case RawPixelLayout::rgbx:
    case RawPixelLayout::rgba:
        return convertRows<0, 1, 2>(image, stride, rect, target);
    case RawPixelLayout::xrgb:
    case RawPixelLayout::argb:
        return convertRows<1, 2, 3>(image, stride, rect, target);
    case RawPixelLayout::xbgr:
    case RawPixelLayout::abgr:
        return convertRows<3, 2, 1>(image, stride, rect, target);
    }
}

std::optional<QRect> cropInImage(const QRectF& rect, QSize frameSize, QSize imageSize)
{
    if (frameSize.isEmpty() || imageSize.isEmpty())
        return std::nullopt;
    const double sx = static_cast<double>(imageSize.width()) / frameSize.width();
    const double sy = static_cast<double>(imageSize.height()) / frameSize.height();
    const QRectF scaled(rect.x() * sx, rect.y() * sy, rect.width() * sx, rect.height() * sy);
    const QRect crop = scaled.toAlignedRect().intersected(QRect(QPoint(0, 0), imageSize));
    if (crop.isEmpty())
        return std::nullopt;
    return crop;
}

} // namespace kinetta::portal
