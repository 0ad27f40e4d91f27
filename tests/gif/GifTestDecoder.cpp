#include "gif/GifTestDecoder.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <memory>

namespace kinetta::gif::testing
{
namespace
{

struct Reader {
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

int readFromMemory(GifFileType* file, GifByteType* buffer, int length)
{
    auto* reader = static_cast<Reader*>(file->UserData);
    const std::size_t available = reader->bytes.size() - reader->position;
    const std::size_t n = std::min(available, static_cast<std::size_t>(length));
    std::memcpy(buffer, reader->bytes.data() + reader->position, n);
    reader->position += n;
    return static_cast<int>(n);
}

struct Closer {
    void operator()(GifFileType* file) const
    {
        int ignored = 0;
        DGifCloseFile(file, &ignored);
    }
};

std::optional<int> findLoopCount(const SavedImage& image, const GifFileType& file)
{
    auto scan = [](const ExtensionBlock* blocks, int count) -> std::optional<int> {
        for (int i = 0; i + 1 < count; ++i) {
            const ExtensionBlock& b = blocks[i];
            if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
                std::memcmp(b.Bytes, "NETSCAPE2.0", 11) == 0) {
                const ExtensionBlock& data = blocks[i + 1];
                if (data.ByteCount >= 3 && data.Bytes[0] == 1)
                    return data.Bytes[1] | (data.Bytes[2] << 8);
            }
        }
        return std::nullopt;
    };
    if (auto found = scan(image.ExtensionBlocks, image.ExtensionBlockCount))
        return found;
    return scan(file.ExtensionBlocks, file.ExtensionBlockCount);
}

} // namespace

std::optional<DecodedGif> decodeGif(std::span<const std::uint8_t> bytes, std::string* error)
{
    Reader reader{bytes, 0};
    int code = 0;
    std::unique_ptr<GifFileType, Closer> file(DGifOpen(&reader, readFromMemory, &code));
    auto fail = [&](const char* what) -> std::optional<DecodedGif> {
        if (error)
            *error = what;
        return std::nullopt;
    };
    if (!file)
        return fail("not a GIF");
    if (DGifSlurp(file.get()) != GIF_OK)
        return fail(GifErrorString(file->Error));
    if (reader.position != bytes.size())
        return fail("bytes after the trailer");

    DecodedGif gif;
    gif.width = file->SWidth;
    gif.height = file->SHeight;
    const auto canvasSize =
        static_cast<std::size_t>(gif.width) * static_cast<std::size_t>(gif.height);
    std::vector<std::uint32_t> canvas(canvasSize, 0);
    for (int n = 0; n < file->ImageCount; ++n) {
        const SavedImage& saved = file->SavedImages[n];
        if (n == 0)
            gif.loopCount = findLoopCount(saved, *file);
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(file.get(), n, &gcb);
        const ColorMapObject* map =
            saved.ImageDesc.ColorMap ? saved.ImageDesc.ColorMap : file->SColorMap;
        if (!map)
            return fail("an image without a colour table");
        DecodedImage image;
        image.left = saved.ImageDesc.Left;
        image.top = saved.ImageDesc.Top;
        image.width = saved.ImageDesc.Width;
        image.height = saved.ImageDesc.Height;
        image.delayHundredths = gcb.DelayTime;
        image.disposal = gcb.DisposalMode;
        image.transparentIndex = gcb.TransparentColor;
        image.colourTableSize = map->ColorCount;
        if (image.left + image.width > gif.width || image.top + image.height > gif.height)
            return fail("an image outside the canvas");
        const std::vector<std::uint32_t> before = canvas;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const int index = saved.RasterBits[y * image.width + x];
                if (index == image.transparentIndex)
                    continue;
                if (index >= map->ColorCount)
                    return fail("an index outside the colour table");
                const GifColorType& c = map->Colors[index];
                canvas[static_cast<std::size_t>(image.top + y) *
                           static_cast<std::size_t>(gif.width) +
                       static_cast<std::size_t>(image.left + x)] =
                    0xFF000000u | (std::uint32_t{c.Red} << 16) | (std::uint32_t{c.Green} << 8) |
                    std::uint32_t{c.Blue};
            }
        }
        image.canvas = canvas;
        if (image.disposal == DISPOSE_BACKGROUND || image.disposal == DISPOSE_PREVIOUS) {
            for (int y = 0; y < image.height; ++y) {
                for (int x = 0; x < image.width; ++x) {
                    const std::size_t at = static_cast<std::size_t>(image.top + y) *
                                               static_cast<std::size_t>(gif.width) +
                                           static_cast<std::size_t>(image.left + x);
                    canvas[at] = image.disposal == DISPOSE_BACKGROUND ? 0 : before[at];
                }
            }
        }
        gif.images.push_back(std::move(image));
    }
    return gif;
}

} // namespace kinetta::gif::testing
