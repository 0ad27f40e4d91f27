#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kinetta
{

// One image inside a _NET_WM_ICON property: its width, its height, then
// width × height pixels as 32-bit ARGB values, row by row.
struct NetWmIconEntry {
    int width = 0;
    int height = 0;
    std::size_t offset = 0; // index of the first pixel among the property's values
};

// Sides beyond this are nonsense (X windows end at 32767) and are refused.
inline constexpr std::uint32_t kMaxNetWmIconSide = 16384;

// The well-formed images of a _NET_WM_ICON property, in the property's order.
// The property is written by another client and is not trusted: reading stops
// at the first entry with a side of zero or above kMaxNetWmIconSide, or whose
// pixels run past the end of the values; the entries before it are kept.
[[nodiscard]] std::vector<NetWmIconEntry> netWmIconEntries(std::span<const std::uint32_t> values);

// The entry to show in a square of neededPixels device pixels: the smallest
// (by area) that covers the square on both sides, else the largest; the first
// of equal ones. Nothing when there are no entries.
[[nodiscard]] std::optional<std::size_t> chooseNetWmIcon(const std::vector<NetWmIconEntry>& entries,
                                                         int neededPixels);

// The entry's pixels as the property holds them: non-premultiplied ARGB32.
// entry must come from netWmIconEntries(values).
[[nodiscard]] QImage netWmIconImage(std::span<const std::uint32_t> values,
                                    const NetWmIconEntry& entry);

} // namespace kinetta
