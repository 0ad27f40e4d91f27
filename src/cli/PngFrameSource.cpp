#include "cli/PngFrameSource.h"

#include "gif/GifEncoder.h"
#include "model/FileDescriptor.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kinetta::cli
{
namespace
{

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Frees libpng's state however reading ends.
class PngImage final
{
public:
    PngImage()
    {
        std::memset(&m_image, 0, sizeof m_image);
        m_image.version = PNG_IMAGE_VERSION;
    }
    ~PngImage() { png_image_free(&m_image); }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;

    [[nodiscard]] png_image& get() { return m_image; }

private:
    png_image m_image;
};

std::size_t pixelCount(const png_image& image)
{
    return static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
}

std::string quoted(const std::string& path)
{
    return "'" + path + "'";
}

// Opens path, checks the PNG signature (so other files get a clear message
// rather than a decoder error) and reads the header into image. The file stays
// open in file for the rest of the read.
std::optional<std::string> beginPng(const std::string& path, File& file, PngImage& image)
{
    // Opened without waiting, so that a FIFO with no writer cannot hang us,
    // and refused unless it is a regular file.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.isOpen())
        return "cannot read " + quoted(path) + ": " + std::strerror(errno);
    struct stat info {
    };
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return quoted(path) + " is not a regular file";
    file.reset(::fdopen(fd.get(), "rb"));
    if (!file)
        return "cannot read " + quoted(path) + ": " + std::strerror(errno);
    (void)fd.release(); // the stream closes it now
    png_byte signature[8] = {};
    if (std::fread(signature, 1, sizeof signature, file.get()) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0)
        return quoted(path) + " is not a PNG image";
    std::rewind(file.get());
    if (!png_image_begin_read_from_stdio(&image.get(), file.get()))
        return "cannot read " + quoted(path) + ": " + image.get().message;
    if (std::int64_t{image.get().width} * image.get().height > gif::GifEncoder::maxFramePixels)
        return quoted(path) + " is " + std::to_string(image.get().width) + "x" +
               std::to_string(image.get().height) + "; " + gif::GifEncoder::framePixelLimitText();
    // Without a gAMA or sRGB chunk, libpng takes 16-bit samples for linear
    // light and would brighten them on the way to 8 bits; they hold sRGB
    // values like any other PNG.
    image.get().flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    return std::nullopt;
}

} // namespace

std::variant<PngFrameSource, std::string> PngFrameSource::open(std::vector<std::string> paths)
{
    std::vector<gif::FrameSize> sizes;
    sizes.reserve(paths.size());
    for (const std::string& path : paths) {
        File file;
        PngImage image;
        if (auto error = beginPng(path, file, image))
            return *error;
        sizes.push_back(
            {static_cast<int>(image.get().width), static_cast<int>(image.get().height)});
    }
    return PngFrameSource(std::move(paths), std::move(sizes));
}

Status<> PngFrameSource::readFrame(std::size_t index, std::span<std::uint32_t> out) const
{
    const std::string& path = m_paths[index];
    File file;
    PngImage image;
    if (auto error = beginPng(path, file, image))
        return failure(*error);
    const gif::FrameSize size{static_cast<int>(image.get().width),
                              static_cast<int>(image.get().height)};
    if (size != m_sizes[index] || out.size() < pixelCount(image.get())) // changed since opened
        return failure(quoted(path) + " changed while it was being encoded");
    const bool hasAlpha = (image.get().format & PNG_FORMAT_FLAG_ALPHA) != 0;
    // BGRA bytes are 0xAARRGGBB words on a little-endian machine; elsewhere
    // ARGB bytes are.
    static const bool littleEndian = [] {
        const std::uint32_t probe = 1;
        std::uint8_t first = 0;
        std::memcpy(&first, &probe, 1);
        return first == 1;
    }();
    image.get().format = littleEndian ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    if (!png_image_finish_read(&image.get(), nullptr, out.data(), 0, nullptr))
        return failure("cannot decode " + quoted(path) + ": " + image.get().message);
    if (hasAlpha) {
        const std::size_t count = pixelCount(image.get());
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t p = out[i];
            const std::uint32_t a = p >> 24;
            if (a == 255)
                continue;
            const auto over = [a](std::uint32_t c) { return (c * a + 127) / 255; };
            out[i] = 0xFF000000u | over((p >> 16) & 0xFF) << 16 | over((p >> 8) & 0xFF) << 8 |
                     over(p & 0xFF);
        }
    }
    return {};
}

} // namespace kinetta::cli
