#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kinetta::gif::testing
{

struct DecodedImage {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int delayHundredths = 0;
    int disposal = 0;
    int transparentIndex = -1;
    int localTableSize = 0; // entries of the image's own colour table, 0 without one
    int minCodeSize = 0;    // the LZW minimum code size its data starts with
    // The canvas after this image was drawn, 0xFFRRGGBB (0 where never drawn).
    std::vector<std::uint32_t> canvas;
};

struct DecodedGif {
    int width = 0;
    int height = 0;
    std::optional<int> loopCount;
    int globalTableSize = 0; // entries, 0 without a global table
    std::vector<DecodedImage> images;
};

// Decodes with giflib, an implementation independent of the encoder, and
// composes each image over the previous canvas as a viewer would.
[[nodiscard]] std::optional<DecodedGif> decodeGif(std::span<const std::uint8_t> bytes,
                                                  std::string* error = nullptr);

} // namespace kinetta::gif::testing
