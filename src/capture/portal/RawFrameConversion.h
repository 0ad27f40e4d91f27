#pragma once

#include <QRect>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kinetta::portal
{

// The 32-bit raw layouts a screen cast may send, named by their bytes in
// memory from the first (x: a padding byte).
enum class RawPixelLayout { bgrx, bgra, rgbx, rgba, xrgb, argb, xbgr, abgr };

// Copies rect of an image in layout (rows of stride bytes) into target, tightly
// packed, as opaque 0xAARRGGBB: a screen has no transparency, whatever its
// fourth byte says. rect must lie inside the image. target may be the image
// itself when rect starts at its origin and the stride is rect's width.
void convertToArgb(RawPixelLayout layout, const std::uint8_t* image, std::size_t stride,
                   const QRect& rect, std::uint32_t* target);

// The part of an image of imageSize that rect, given in a frame of frameSize
// (the size the portal reported, which a scaled output may not share with its
// buffers), covers; clipped to the image. Nothing when nothing remains.
[[nodiscard]] std::optional<QRect> cropInImage(const QRectF& rect, QSize frameSize,
                                               QSize imageSize);

} // namespace kinetta::portal
