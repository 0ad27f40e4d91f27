#pragma once

#include "gif/FrameSource.h"
#include "gif/Result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kinetta::gif
{

enum class EncodeError {
    None,
    EmptyInput,     // no frames
    SizeMismatch,   // frames of different sizes
    InvalidSize,    // a frame of zero size or larger than GIF allows or the pixel limit
    InvalidOptions, // fps not a positive number, loop count out of range
    SourceFailed,   // a frame could not be read
    Cancelled,      // the progress callback asked to stop
    OutOfMemory,    // an allocation failed
    Internal,       // the quantiser failed, or something else went wrong
};

// Why an encode failed: the kind, for callers that act on it, and the
// message, for the user.
struct EncodeFailure {
    EncodeError kind = EncodeError::Internal;
    std::string message;
};

// The whole GIF file, or why there is none.
class EncodeResult final
{
public:
    static EncodeResult success(std::vector<std::uint8_t> bytes);
    // A kind of None is taken as Internal.
    EncodeResult(Failure<EncodeFailure> failed);

    [[nodiscard]] bool ok() const { return m_failure.kind == EncodeError::None; }
    [[nodiscard]] EncodeError error() const { return m_failure.kind; }
    [[nodiscard]] const std::string& message() const { return m_failure.message; }
    // Empty when the encode failed.
    [[nodiscard]] const std::vector<std::uint8_t>& bytes() const { return m_bytes; }

private:
    EncodeResult() = default;

    EncodeFailure m_failure{EncodeError::None, {}};
    std::vector<std::uint8_t> m_bytes;
};

// How an encode runs; none of it changes the frames chosen or their timing.
struct EncodeSettings {
    // Worker threads; 0 uses every core. The bytes do not depend on it.
    unsigned threads = 0;
    // A recording whose colours all fit one table is always written exactly.
    // Otherwise, unless lossless is set, a colour may be shown by one within a
    // small distance (at most 20 in RGB for compression, 32 for the shared
    // table) where that saves bytes; the difference does not show on screen
    // content and makes files smaller. With lossless set, every frame whose
    // colours fit a table is written exactly.
    bool lossless = false;
    // 1 to 100; lower trades colour accuracy for smaller files. At 100 the
    // output is as described above. Below it, compression may show a pixel
    // in a colour up to GifEncoder::lossyDistance(quality) away from the
    // table colour it was mapped to (GifEncoder::flatLossyDistance(quality)
    // in flat areas), where that continues a longer string, and recordings
    // whose colours fit one table are no longer kept exact.
    // lossless takes precedence: with it set, quality changes nothing.
    int quality = 100;
    // Memory for frames kept between the colour survey (run on recordings
    // whose first frame fits one table) and the writing, so that those are
    // read once; beyond it, frames are read twice. The kept frames also tell
    // which colours frames of few colours draw, so that those come first in
    // the shared table; without any, the most common colours do.
    std::size_t surveyedFrameBytes = std::size_t{64} << 20;
};

// Called on the calling thread as the encode goes with the steps done so far
// and the total: a step is one frame read by the colour survey of a recording
// whose first frame fits one colour table, or one frame written; the total
// does not change. The first call, with nothing done, comes as soon as the
// first frame is read. Returning false cancels the encode.
using ProgressCallback = std::function<bool(std::size_t done, std::size_t total)>;

class GifEncoder final
{
public:
    struct Options {
        Options() = default;
        Options(double fpsValue, std::int64_t loopCountValue = 0, std::int64_t skipFramesValue = 1,
                bool boomerangValue = false)
            : fps(fpsValue), loopCount(loopCountValue), skipFrames(skipFramesValue),
              boomerang(boomerangValue)
        {
        }

        double fps = 10;
        // 0 repeats without end; written as given (0 to 65535).
        std::int64_t loopCount = 0;
        // Keep one frame in every skipFrames, each shown that many times as long.
        // Values below 1 are taken as 1.
        std::int64_t skipFrames = 1;
        // Play the kept frames forward, then backward without repeating the ends.
        bool boomerang = false;
    };

    GifEncoder() = delete;

    // Frames are refused past this many pixels (8192x8192), before any is
    // read: several are held decoded at once.
    static constexpr std::int64_t maxFramePixels = std::int64_t{8192} * 8192;

    // Whether options can make a GIF, and why not: fps must be a positive
    // number, the loop count from 0 to 65535. encode() refuses the same options.
    [[nodiscard]] static Status<> checkOptions(const Options& options);

    // Encodes the selected frames into a GIF89a file held in memory. Never
    // throws: running out of memory is a failure like any other.
    [[nodiscard]] static EncodeResult encode(const FrameSource& source, const Options& options,
                                             const ProgressCallback& progress = {},
                                             const EncodeSettings& settings = {});

    // One written frame: the source frame it shows, and for how long.
    struct WrittenFrame {
        std::size_t index = 0;
        int delayHundredths = 0;

        friend bool operator==(const WrittenFrame&, const WrittenFrame&) = default;
    };

    // The frames written, in order, with their delays, for a source of
    // frameCount frames. Each kept frame shows from its own place in the
    // recording (index / fps) to the next kept one's, and the last to the end,
    // so the delays add up to the recording's time: the rounding to whole
    // hundredths is carried from frame to frame (3, 3, 4 at 30 fps) instead of
    // repeated. No delay is under 2 hundredths, which browsers would stretch to
    // 10: faster recordings keep one frame per 2 hundredths, the one on screen
    // at that moment. A boomerang's way back repeats the delays of the way
    // there. Empty when fps is not a positive finite number.
    [[nodiscard]] static std::vector<WrittenFrame> schedule(std::size_t frameCount,
                                                            const Options& options);

    // The source indices of schedule(), in order.
    [[nodiscard]] static std::vector<std::size_t> selectFrames(std::size_t frameCount,
                                                               const Options& options);

    // The largest RGB distance (Euclidean, 0 to 441) by which compression may
    // move a pixel away from the table colour it was mapped to, at a quality
    // of 1 to 100: 20 at 100, one more for every step below it (119 at 1),
    // so lower qualities allow longer strings and never a smaller error.
    [[nodiscard]] static constexpr int lossyDistance(int quality)
    {
        return kLossyDistanceAtBest + (maxQuality - quality);
    }
    // The same bound for a pixel of a flat area (one whose left and upper
    // neighbours share its colour), where a moved colour shows the most: half
    // of what the quality adds, (100 - quality) / 2 rounded down, so 0 at 100
    // and 35 at 30. Never above lossyDistance(quality).
    [[nodiscard]] static constexpr int flatLossyDistance(int quality)
    {
        return (maxQuality - quality) / 2;
    }
    static constexpr int minQuality = 1;
    static constexpr int maxQuality = 100;

    // "frames are limited to 67108864 pixels (8192x8192)"
    [[nodiscard]] static std::string framePixelLimitText();

private:
    static constexpr int kLossyDistanceAtBest = 20;

    [[nodiscard]] static EncodeResult encodeUnguarded(const FrameSource& source,
                                                      const Options& options,
                                                      const ProgressCallback& progress,
                                                      const EncodeSettings& settings);
};

} // namespace kinetta::gif
