#include "gif/GifEncoder.h"

#include "gif/EncodePipeline.h"
#include "gif/FrameCompressor.h"

#include <algorithm>
#include <cmath>
#include <omp.h>
#include <span>
#include <string_view>
#include <thread>
#include <unordered_set>

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

void appendHeader(std::vector<std::uint8_t>& out, FrameSize size, std::int64_t loopCount,
                  const GlobalPalette* global)
{
    for (const char c : std::string_view("GIF89a"))
        out.push_back(static_cast<std::uint8_t>(c));
    putU16(out, size.width);
    putU16(out, size.height);
    // 8-bit colour resolution, background 0, square pixels; a global colour
    // table when the first frame's colours make one.
    int bits = 1;
    while (global && (std::size_t{1} << bits) < global->colours.size())
        ++bits;
    out.push_back(static_cast<std::uint8_t>(global ? 0xF0 | (bits - 1) : 0x70));
    out.push_back(0);
    out.push_back(0);
    if (global) {
        for (std::size_t i = 0; i < (std::size_t{1} << bits); ++i) {
            const std::uint32_t c = i < global->colours.size() ? global->colours[i] : 0;
            out.push_back(static_cast<std::uint8_t>(c >> 16));
            out.push_back(static_cast<std::uint8_t>(c >> 8));
            out.push_back(static_cast<std::uint8_t>(c));
        }
    }
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

// Adds the opaque colours of pixels to seen; false as soon as there are more
// than a GIF colour table holds.
bool collectColours(std::span<const std::uint32_t> pixels, std::unordered_set<std::uint32_t>& seen)
{
    std::uint32_t last = 0;
    bool haveLast = false;
    for (const std::uint32_t pixel : pixels) {
        const std::uint32_t colour = pixel | 0xFF000000u;
        if (haveLast && colour == last)
            continue;
        last = colour;
        haveLast = true;
        if (seen.insert(colour).second && seen.size() > 256)
            return false;
    }
    return true;
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

std::string GifEncoder::framePixelLimitText()
{
    return "frames are limited to " + std::to_string(maxFramePixels) + " pixels (8192x8192)";
}

std::optional<std::string> GifEncoder::checkOptions(const Options& options)
{
    if (delayHundredths(options) == 0)
        return "the frame rate must be a positive number";
    if (options.loopCount < 0 || options.loopCount > kMaxLoopCount)
        return "the loop count must be between 0 and 65535";
    return std::nullopt;
}

EncodeResult GifEncoder::encode(const FrameSource& source, const Options& options,
                                const ProgressCallback& progress, const EncodeSettings& settings)
{
    try {
        return encodeUnguarded(source, options, progress, settings);
    } catch (...) {
        return currentExceptionFailure("encode the frames");
    }
}

EncodeResult GifEncoder::encodeUnguarded(const FrameSource& source, const Options& options,
                                         const ProgressCallback& progress,
                                         const EncodeSettings& settings)
{
    const std::size_t count = source.frameCount();
    if (count == 0)
        return EncodeResult::failure(EncodeError::EmptyInput, "there are no frames to encode");
    if (auto problem = checkOptions(options))
        return EncodeResult::failure(EncodeError::InvalidOptions, *problem);
    const int delay = delayHundredths(options);

    const FrameSize size = source.frameSize(0);
    if (size.width <= 0 || size.height <= 0 || size.width > kMaxDimension ||
        size.height > kMaxDimension)
        return EncodeResult::failure(EncodeError::InvalidSize,
                                     "frame 1 is " + std::to_string(size.width) + "x" +
                                         std::to_string(size.height) +
                                         "; a GIF frame is 1 to 65535 pixels each way");
    if (std::int64_t{size.width} * size.height > maxFramePixels)
        return EncodeResult::failure(EncodeError::InvalidSize,
                                     "frame 1 is " + std::to_string(size.width) + "x" +
                                         std::to_string(size.height) + "; " +
                                         framePixelLimitText());
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
    const unsigned threads = settings.threads != 0
                                 ? settings.threads
                                 : std::max(1u, std::thread::hardware_concurrency());

    QuantiserSettings qs{};
    // A colour table shared by all frames, made from the first one. Built on a
    // thread of its own so the quantiser runs single-threaded, as on the workers.
    std::optional<GlobalPalette> global;
    std::optional<std::string> readError;
    const auto buildPalette = [&] {
        omp_set_num_threads(1);
        std::vector<std::uint32_t> first(static_cast<std::size_t>(size.width) *
                                         static_cast<std::size_t>(size.height));
        readError = source.readFrame(sequence.front(), first);
        if (readError)
            return;
        // When every colour of the recording fits one table, it is written
        // exactly. Screen content with antialiasing overflows within the first
        // frame, so the extra reads are only paid by recordings of few colours.
        bool exact = settings.lossless;
        if (!exact) {
            std::unordered_set<std::uint32_t> seen;
            exact = collectColours(first, seen);
            std::vector<std::uint32_t> other(first.size());
            std::vector<std::size_t> rest(sequence.begin() + 1, sequence.end());
            std::sort(rest.begin(), rest.end());
            rest.erase(std::unique(rest.begin(), rest.end()), rest.end());
            for (std::size_t k = 0; exact && k < rest.size(); ++k) {
                if (rest[k] == sequence.front())
                    continue;
                readError = source.readFrame(rest[k], other);
                if (readError)
                    return;
                exact = collectColours(other, seen);
            }
        }
        if (exact) {
            qs.lossyDistance = 0;
            qs.paletteDistance = 0;
        }
        for (std::uint32_t& pixel : first)
            pixel |= 0xFF000000u;
        global = GlobalPalette::fromFrame(first, size, qs);
    };
    // An exception must not leave the thread: it would end the process.
    std::optional<EncodeResult> paletteFailure;
    std::thread([&] {
        try {
            buildPalette();
        } catch (...) {
            paletteFailure = currentExceptionFailure("make the colour table of frame 1");
        }
    }).join();
    if (paletteFailure)
        return *paletteFailure;
    if (readError)
        return EncodeResult::failure(EncodeError::SourceFailed, *readError);
    const GlobalPalette* shared = global ? &*global : nullptr;

    std::vector<std::uint8_t> bytes;
    appendHeader(bytes, size, options.loopCount, shared);
    EncodePipeline pipeline(source, std::move(sequence), size, delay, threads, qs, shared);
    EncodeResult result = pipeline.run(bytes, progress);
    if (!result.ok())
        return result;
    bytes.push_back(0x3B); // trailer
    return EncodeResult::success(std::move(bytes));
}

} // namespace kinetta::gif
