#include "capture/NetWmIcon.h"

#include <cstring>

namespace kinetta
{

std::vector<NetWmIconEntry> netWmIconEntries(std::span<const std::uint32_t> values)
{
    std::vector<NetWmIconEntry> entries;
    std::size_t at = 0;
    while (values.size() - at >= 2) {
        const std::uint32_t width = values[at];
        const std::uint32_t height = values[at + 1];
        if (width == 0 || height == 0 || width > kMaxNetWmIconSide || height > kMaxNetWmIconSide)
            break;
        // Both sides are small enough that the product cannot overflow.
        const std::size_t pixels = std::size_t{width} * height;
        const std::size_t first = at + 2;
        if (pixels > values.size() - first)
            break;
        entries.push_back({static_cast<int>(width), static_cast<int>(height), first});
        at = first + pixels;
    }
    return entries;
}

std::optional<std::size_t> chooseNetWmIcon(const std::vector<NetWmIconEntry>& entries,
                                           int neededPixels)
{
    const auto area = [](const NetWmIconEntry& entry) {
        return std::int64_t{entry.width} * entry.height;
    };
    std::optional<std::size_t> smallestCovering;
    std::optional<std::size_t> largest;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const NetWmIconEntry& entry = entries[i];
        if (!largest || area(entry) > area(entries[*largest]))
            largest = i;
        const bool covers = entry.width >= neededPixels && entry.height >= neededPixels;
        if (covers && (!smallestCovering || area(entry) < area(entries[*smallestCovering])))
            smallestCovering = i;
    }
    return smallestCovering ? smallestCovering : largest;
}

QImage netWmIconImage(std::span<const std::uint32_t> values, const NetWmIconEntry& entry)
{
    QImage image(entry.width, entry.height, QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    const std::size_t rowBytes = static_cast<std::size_t>(entry.width) * sizeof(std::uint32_t);
    for (int y = 0; y < entry.height; ++y)
        std::memcpy(image.scanLine(y),
                    values.data() + entry.offset + static_cast<std::size_t>(y) * entry.width,
                    rowBytes);
    return image;
}

} // namespace kinetta
