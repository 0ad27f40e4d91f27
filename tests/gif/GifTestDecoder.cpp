#include "gif/GifTestDecoder.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <memory>

namespace kinetta::gif::testing
{
namespace
{

// Reads from the span giflib holds, consuming it.
int readFromMemory(GifFileType* file, GifByteType* buffer, int length)
{
    auto& rest = *static_cast<std::span<const std::uint8_t>*>(file->UserData);
    const std::size_t n = std::min(rest.size(), static_cast<std::size_t>(length));
    std::memcpy(buffer, rest.data(), n);
    rest = rest.subspan(n);
    return static_cast<int>(n);
}

// The looping extension, which viewers only honour ahead of the first image.
std::optional<int> findLoopCount(const SavedImage& first)
{
    for (int i = 0; i + 1 < first.ExtensionBlockCount; ++i) {
        const ExtensionBlock& b = first.ExtensionBlocks[i];
        const ExtensionBlock& data = first.ExtensionBlocks[i + 1];
        if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
            std::memcmp(b.Bytes, "NETSCAPE2.0", 11) == 0 && data.ByteCount >= 3 &&
            data.Bytes[0] == 1)
            return data.Bytes[1] | (data.Bytes[2] << 8);
    }
    return std::nullopt;
}

// Each image's LZW minimum code size, which giflib does not keep: the file's
// blocks walked in order.
std::vector<int> minCodeSizes(std::span<const std::uint8_t> bytes)
{
    std::vector<int> sizes;
    std::size_t at = 13;
    const auto skipTable = [&](std::uint8_t flags) {
        if (flags & 0x80)
            at += 3 * (std::size_t{2} << (flags & 7));
    };
    const auto skipSubBlocks = [&] {
        while (at < bytes.size() && bytes[at] != 0)
            at += bytes[at] + 1u;
        ++at;
    };
    if (bytes.size() < 13)
        return sizes;
    skipTable(bytes[10]);
    while (at < bytes.size() && bytes[at] != 0x3B) {
        if (bytes[at] == 0x21) {
            at += 2;
            skipSubBlocks();
        } else if (bytes[at] == 0x2C && at + 10 < bytes.size()) {
            skipTable(bytes[at + 9]);
            at += 10;
            if (at >= bytes.size())
                break;
            sizes.push_back(bytes[at++]);
            skipSubBlocks();
        } else {
            break;
        }
    }
    return sizes;
}

} // namespace

std::optional<DecodedGif> decodeGif(std::span<const std::uint8_t> bytes, std::string* error)
{
    auto fail = [&](const char* what) -> std::optional<DecodedGif> {
        if (error)
            *error = what;
        return std::nullopt;
    };
    const std::span<const std::uint8_t> whole = bytes;
    int code = 0;
    const auto close = [](GifFileType* f) {
        int ignored = 0;
        DGifCloseFile(f, &ignored);
    };
    const std::unique_ptr<GifFileType, decltype(close)> file(
        DGifOpen(&bytes, readFromMemory, &code), close);
    if (!file)
        return fail("not a GIF");
    if (DGifSlurp(file.get()) != GIF_OK)
        return fail(GifErrorString(file->Error));
    if (!bytes.empty())
        return fail("bytes after the trailer");
    const std::vector<int> codeSizes = minCodeSizes(whole);
    if (codeSizes.size() != static_cast<std::size_t>(file->ImageCount))
        return fail("the images' blocks could not be walked");

    DecodedGif gif;
    gif.width = file->SWidth;
    gif.height = file->SHeight;
    gif.globalTableSize = file->SColorMap ? file->SColorMap->ColorCount : 0;
    if (file->ImageCount > 0)
        gif.loopCount = findLoopCount(file->SavedImages[0]);
    const auto at = [&](int x, int y) {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(gif.width) +
               static_cast<std::size_t>(x);
    };
    std::vector<std::uint32_t> canvas(at(0, gif.height), 0);
    for (int n = 0; n < file->ImageCount; ++n) {
        const SavedImage& saved = file->SavedImages[n];
        const GifImageDesc& desc = saved.ImageDesc;
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(file.get(), n, &gcb);
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : file->SColorMap;
        if (!map)
            return fail("an image without a colour table");
        if (desc.Left + desc.Width > gif.width || desc.Top + desc.Height > gif.height)
            return fail("an image outside the canvas");
        DecodedImage image{desc.Left,
                           desc.Top,
                           desc.Width,
                           desc.Height,
                           gcb.DelayTime,
                           gcb.DisposalMode,
                           gcb.TransparentColor,
                           desc.ColorMap ? desc.ColorMap->ColorCount : 0,
                           codeSizes[static_cast<std::size_t>(n)],
                           {}};
        const std::vector<std::uint32_t> before = canvas;
        for (int y = 0; y < desc.Height; ++y) {
            for (int x = 0; x < desc.Width; ++x) {
                const int index = saved.RasterBits[y * desc.Width + x];
                if (index == image.transparentIndex)
                    continue;
                if (index >= map->ColorCount)
                    return fail("an index outside the colour table");
                const GifColorType& c = map->Colors[index];
                canvas[at(desc.Left + x, desc.Top + y)] = 0xFF000000u |
                                                          (std::uint32_t{c.Red} << 16) |
                                                          (std::uint32_t{c.Green} << 8) | c.Blue;
            }
        }
        image.canvas = canvas;
        // Disposal decides what the next image is drawn over.
        if (image.disposal == DISPOSE_BACKGROUND || image.disposal == DISPOSE_PREVIOUS) {
            for (int y = desc.Top; y < desc.Top + desc.Height; ++y) {
                for (int x = desc.Left; x < desc.Left + desc.Width; ++x)
                    canvas[at(x, y)] = image.disposal == DISPOSE_BACKGROUND ? 0 : before[at(x, y)];
            }
        }
        gif.images.push_back(std::move(image));
    }
    return gif;
}

} // namespace kinetta::gif::testing
