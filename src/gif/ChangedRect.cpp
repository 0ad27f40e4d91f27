#include "ChangedRect.h"

#include <cstring>

namespace kinetta::gif
{

std::optional<Rect> changedRect(std::span<const std::uint32_t> current,
                                std::span<const std::uint32_t> previous, FrameSize size)
{
    const auto w = static_cast<std::size_t>(size.width);
    const auto h = static_cast<std::size_t>(size.height);
    const std::size_t rowBytes = w * sizeof(std::uint32_t);
    auto rowDiffers = [&](std::size_t y) {
        return std::memcmp(current.data() + y * w, previous.data() + y * w, rowBytes) != 0;
    };
    std::size_t top = 0;
    while (top < h && !rowDiffers(top))
        ++top;
    if (top == h)
        return std::nullopt;
    std::size_t bottom = h - 1;
    while (bottom > top && !rowDiffers(bottom))
        --bottom;
    std::size_t left = w;
    std::size_t end = 0; // one past the rightmost differing column
    for (std::size_t y = top; y <= bottom; ++y) {
        const std::uint32_t* a = current.data() + y * w;
        const std::uint32_t* b = previous.data() + y * w;
        for (std::size_t x = 0; x < left; ++x) {
            if (a[x] != b[x]) {
                left = x;
                break;
            }
        }
        for (std::size_t x = w; x > end; --x) {
            if (a[x - 1] != b[x - 1]) {
                end = x;
                break;
            }
        }
    }
    return Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(end - left),
                static_cast<int>(bottom - top + 1)};
}

} // namespace kinetta::gif
