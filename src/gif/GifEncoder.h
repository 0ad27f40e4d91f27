#pragma once

#include "gif/FrameSource.h"
#include "gif/Result.h"

#include <array>
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
    TooLarge,       // no file within EncodeSettings::maxBytes, even with frames dropped
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
    // The quality the file was written at: the one asked for, or with a
    // size target, the one chosen to fit it.
    [[nodiscard]] int quality() const { return m_quality; }
    // The stride of frames kept: Options::skipFrames, or a larger one where
    // frames were dropped to fit a size target.
    [[nodiscard]] std::int64_t skipFrames() const { return m_skipFrames; }
    // Whether frames beyond those Options::skipFrames drops were dropped.
    [[nodiscard]] bool droppedFrames() const { return m_droppedFrames; }

private:
    friend class GifEncoder;
    EncodeResult() = default;

    EncodeFailure m_failure{EncodeError::None, {}};
    std::vector<std::uint8_t> m_bytes;
    int m_quality = 100;
    std::int64_t m_skipFrames = 1;
    bool m_droppedFrames = false;
};

// One pass of an encode, as it starts. An encode without a size target is one
// pass; with one, an estimate on a sample of frames comes first (at the
// quality asked for, then, unless that fits, down to the lowest), then at
// most two encodes of every frame, then, when even the lowest quality is too
// large, encodes with frames dropped.
struct EncodePass {
    enum class Kind {
        Estimate,    // a sample of frames: it tells the size of each quality coded
        Encode,      // every frame at one quality
        FewerFrames, // the lowest quality with frames dropped
    };
    Kind kind = Kind::Encode;
    int number = 1;
    // The passes foreseen so far: the frame-dropping ones are added as they
    // become needed, and an encode that fits at once ends early.
    int count = 1;
    int quality = 100;
    std::int64_t skipFrames = 1;
};
using PassCallback = std::function<void(const EncodePass&)>;

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
    // Qualities work at the levels of GifEncoder::qualityLevels (see
    // effectiveQuality()), and a lower quality never makes a larger file.
    int quality = 100;
    // When not 0, the file must take at most this many bytes: it is written
    // at the best quality up to quality that fits, estimated on a sample of
    // frames, then found with at most two encodes of every frame. When even
    // the lowest quality is too large, frames are dropped as skipFrames
    // does, a stride of 2, then 4, and so on (EncodeResult::droppedFrames());
    // when even one frame in a stride reaching the last frame is too large,
    // the encode fails with TooLarge and the smallest size reached.
    std::size_t maxBytes = 0;
    // Told on the calling thread as each pass starts; progress counts anew
    // in each pass.
    PassCallback passStarted = {};
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
// does not change within a pass (EncodePass). The first call, with nothing done, comes as soon as
// the first frame is read. Returning false cancels the encode.
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

    static constexpr int minQuality = 1;
    static constexpr int maxQuality = 100;

    // A quality an encode works at and how far compression may move a pixel's
    // colour there: lossyDistance is the largest RGB distance (Euclidean, 0
    // to 441) from the table colour it was mapped to; flatLossyDistance the
    // same for a pixel of a flat area (one whose left and upper neighbours
    // share its colour), where a moved colour shows the most. Colours of a
    // frame's table are merged into fewer only within the flat bound.
    struct QualityLevel {
        int quality = maxQuality;
        int lossyDistance = 0;
        int flatLossyDistance = 0;
    };
    // Best first. Just below 100, merging near colours of flat areas costs
    // the least for what it saves, so the levels down to 80 go in steps of 5
    // and first widen the flat bound, then the other; from 80 down, in steps
    // of 10, the bound grows by one for every point below 100 and the flat
    // bound by half of that.
    static constexpr std::array<QualityLevel, 12> qualityLevels{{
        {100, 20, 0},
        {95, 20, 6},
        {90, 25, 6},
        {85, 30, 6},
        {80, 40, 10},
        {70, 50, 15},
        {60, 60, 20},
        {50, 70, 25},
        {40, 80, 30},
        {30, 90, 35},
        {20, 100, 40},
        {10, 110, 45},
    }};

    // The level an encode works at: the highest at or below the quality
    // asked for, and at least the lowest (so 97 works as 95, 75 as 70 and 1
    // to 10 as 10). Each level below 100 has freedoms that are tried on every
    // frame after those of the levels above it.
    [[nodiscard]] static constexpr const QualityLevel& levelFor(int quality)
    {
        for (const QualityLevel& level : qualityLevels) {
            if (quality >= level.quality)
                return level;
        }
        return qualityLevels.back();
    }
    [[nodiscard]] static constexpr int effectiveQuality(int quality)
    {
        return levelFor(quality).quality;
    }
    [[nodiscard]] static constexpr int lossyDistance(int quality)
    {
        return levelFor(quality).lossyDistance;
    }
    [[nodiscard]] static constexpr int flatLossyDistance(int quality)
    {
        return levelFor(quality).flatLossyDistance;
    }

    // "pass 2 of 3: encoding at quality 70", for a progress line.
    [[nodiscard]] static std::string passText(const EncodePass& pass);
    // What a size target led to: "quality 70 fits in 2097152 bytes (1834123
    // bytes)", or with frames dropped, "... keeping one frame in 4 ...".
    [[nodiscard]] static std::string fitText(const EncodeResult& result, std::size_t maxBytes);

    // "frames are limited to 67108864 pixels (8192x8192)"
    [[nodiscard]] static std::string framePixelLimitText();

private:
    // levelBytes, when given, receives per written frame its bytes at 100
    // and at each lower level down to the quality's.
    [[nodiscard]] static EncodeResult
    encodeUnguarded(const FrameSource& source, const Options& options,
                    const ProgressCallback& progress, const EncodeSettings& settings,
                    std::vector<std::vector<std::size_t>>* levelBytes = nullptr);
    // The search for the best quality within settings.maxBytes.
    [[nodiscard]] static EncodeResult encodeToFit(const FrameSource& source, const Options& options,
                                                  const ProgressCallback& progress,
                                                  const EncodeSettings& settings);
    [[nodiscard]] static EncodeResult chosen(EncodeResult result, int quality,
                                             std::int64_t skipFrames, bool dropped);
};

} // namespace kinetta::gif
