#include "gif/GifEncoder.h"

#include "gif/EncodePipeline.h"

#include <cmath>
#include <string_view>
#include <thread>

namespace kinetta::gif
{
namespace
{

constexpr int kMaxDimension = 65535; // GIF stores sizes in 16 bits
constexpr std::int64_t kMaxLoopCount = 65535;

void putU16(std::vector<std::uint8_t>& out, std::int64_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void appendHeader(std::vector<std::uint8_t>& out, FrameSize size, std::int64_t loopCount)
{
    for (const char c : std::string_view("GIF89a"))
        out.push_back(static_cast<std::uint8_t>(c));
    putU16(out, size.width);
    putU16(out, size.height);
    // No global colour table (each frame carries the table it needs), 8-bit
    // colour resolution, background 0, square pixels.
    out.push_back(0x70);
    out.push_back(0);
    out.push_back(0);
    // Application extension for looping; 0 repeats without end.
    out.push_back(0x21);
    out.push_back(0xFF);
    out.push_back(11);
    for (const char c : std::string_view("NETSCAPE2.0"))
        out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(3);
    out.push_back(1);
    putU16(out, loopCount);
    out.push_back(0);
}

} // namespace

EncodeResult EncodeResult::success(std::vector<std::uint8_t> bytes)
{
    EncodeResult result;
    result.m_bytes = std::move(bytes);
    return result;
}

EncodeResult EncodeResult::failure(EncodeError error, std::string message)
{
    EncodeResult result;
    result.m_error = error == EncodeError::None ? EncodeError::Internal : error;
    result.m_message = std::move(message);
    return result;
}

std::vector<std::size_t> GifEncoder::selectFrames(std::size_t frameCount, const Options& options)
{
    const std::size_t stride =
        options.skipFrames >= 2 ? static_cast<std::size_t>(options.skipFrames) : 1;
    std::vector<std::size_t> kept;
    if (frameCount == 0)
        return kept;
    kept.reserve((frameCount - 1) / stride + 1);
    for (std::size_t position = 0; position < frameCount; position += stride) {
        kept.push_back(position);
        if (frameCount - position <= stride)
            break; // the next step would pass the end (and could overflow)
    }
    if (options.boomerang && kept.size() >= 3) {
        const std::size_t n = kept.size();
        kept.reserve(2 * n - 2);
        for (std::size_t i = n - 2; i >= 1; --i)
            kept.push_back(kept[i]);
    }
    return kept;
}

int GifEncoder::delayHundredths(const Options& options)
{
    if (!std::isfinite(options.fps) || options.fps <= 0)
        return 0;
    const double skip = options.skipFrames >= 1 ? static_cast<double>(options.skipFrames) : 1.0;
    const double seconds = (1.0 / options.fps) * skip;
    const double hundredths = std::round(seconds * 100.0);
    if (!(hundredths >= 1.0))
        return 1;
    if (hundredths > 65535.0)
        return 65535;
    return static_cast<int>(hundredths);
}

EncodeResult GifEncoder::encode(const FrameSource& source, const Options& options,
                                const ProgressCallback& progress, unsigned threads)
{
    const std::size_t count = source.frameCount();
    if (count == 0)
        return EncodeResult::failure(EncodeError::EmptyInput, "there are no frames to encode");
    const int delay = delayHundredths(options);
    if (delay == 0)
        return EncodeResult::failure(EncodeError::InvalidOptions,
                                     "the frame rate must be a positive number");
    if (options.loopCount < 0 || options.loopCount > kMaxLoopCount)
        return EncodeResult::failure(EncodeError::InvalidOptions,
                                     "the loop count must be between 0 and 65535");

    const FrameSize size = source.frameSize(0);
    if (size.width <= 0 || size.height <= 0 || size.width > kMaxDimension ||
        size.height > kMaxDimension)
        return EncodeResult::failure(EncodeError::InvalidSize,
                                     "frame 1 is " + std::to_string(size.width) + "x" +
                                         std::to_string(size.height) +
                                         "; a GIF frame is 1 to 65535 pixels each way");
    for (std::size_t i = 1; i < count; ++i) {
        const FrameSize other = source.frameSize(i);
        if (other != size)
            return EncodeResult::failure(
                EncodeError::SizeMismatch,
                "frame " + std::to_string(i + 1) + " is " + std::to_string(other.width) + "x" +
                    std::to_string(other.height) + " but frame 1 is " + std::to_string(size.width) +
                    "x" + std::to_string(size.height));
    }

    std::vector<std::size_t> sequence = selectFrames(count, options);
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());

    std::vector<std::uint8_t> bytes;
    appendHeader(bytes, size, options.loopCount);
    EncodePipeline pipeline(source, std::move(sequence), size, delay, threads, QuantiserSettings{});
    EncodeResult result = pipeline.run(bytes, progress);
    if (!result.ok())
        return result;
    bytes.push_back(0x3B); // trailer
    return EncodeResult::success(std::move(bytes));
}

} // namespace kinetta::gif
