#pragma once

#include <cstdint>
#include <vector>

namespace kinetta::portal
{

// One picture of the shared screen, cropped (and scaled where asked) and in
// 0xAARRGGBB, rows without padding.
struct PortalFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

} // namespace kinetta::portal
