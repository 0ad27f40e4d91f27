#pragma once

#include <cstdint>
#include <vector>

namespace kinetta
{

// Reads the application icons windows carry themselves (_NET_WM_ICON on X11;
// nothing on platforms without one; a fake in tests).
class WindowIconReader
{
public:
    virtual ~WindowIconReader() = default;
    // The raw values of each window's icon property, in the order asked;
    // empty for a window without one, a window that is gone, or no display.
    // All windows are read together, so a list of many costs one round trip.
    [[nodiscard]] virtual std::vector<std::vector<std::uint32_t>>
    readIcons(const std::vector<std::uint32_t>& windowIDs) = 0;
};

} // namespace kinetta
