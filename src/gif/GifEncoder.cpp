#include "gif/GifEncoder.h"

#include "ColourMap.h"
#include "ColourSurvey.h"
#include "EncodePipeline.h"
#include "GifByteWriter.h"
#include "GlobalPalette.h"
#include "LzwEncoder.h"
#include "SurveyedFrames.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <omp.h>
#include <span>
#include <thread>

namespace kinetta::gif
{
namespace
{

constexpr int kMaxDimension = 65535; // GIF stores sizes in 16 bits
constexpr std::int64_t kMaxLoopCount = 65535;
// Browsers show a frame of a shorter delay for 10 hundredths.
constexpr double kMinDelay = 2;
constexpr double kMaxDelay = 65535; // the field's 16 bits
// Rates whose hundredths per frame are whole (10, 12.5, 25 fps) must not lose
// a hundredth to floating point.
constexpr double kSlack = 1e-6;

// Whole hundredths from the recording's start to the start of frame position.
double startHundredths(double position, double fps)
{
    return std::floor(position * 100.0 / fps + kSlack);
}

void appendHeader(std::vector<std::uint8_t>& bytes, FrameSize size, std::int64_t loopCount,
                  const GlobalPalette* global)
{
    GifByteWriter out(bytes);
    out.ascii("GIF89a");
    out.word(size.width);
    out.word(size.height);
    // 8-bit colour resolution, background 0, square pixels; a global colour
    // table unless none could be made.
    if (global) {
        out.byte(static_cast<std::uint8_t>(0xF0 |
                                           (GifByteWriter::tableBits(global->colours.size()) - 1)));
    } else {
        out.byte(0x70);
    }
    out.byte(0);
    out.byte(0);
    if (global)
        out.colourTable(global->colours);
    // Application extension for looping; 0 repeats without end.
    out.byte(0x21);
    out.byte(0xFF);
    out.byte(11);
    out.ascii("NETSCAPE2.0");
    out.byte(3);
    out.byte(1);
    out.word(static_cast<int>(loopCount));
    out.byte(0);
}

} // namespace

EncodeResult EncodeResult::success(std::vector<std::uint8_t> bytes)
{
    EncodeResult result;
    result.m_bytes = std::move(bytes);
    return result;
}

EncodeResult::EncodeResult(Failure<EncodeFailure> failed) : m_failure(std::move(failed.message))
{
    if (m_failure.kind == EncodeError::None)
        m_failure.kind = EncodeError::Internal;
}

std::vector<GifEncoder::WrittenFrame> GifEncoder::schedule(std::size_t frameCount,
                                                           const Options& options)
{
    std::vector<WrittenFrame> written;
    const double fps = options.fps;
    if (frameCount == 0 || !std::isfinite(fps) || fps <= 0)
        return written;
    const std::size_t stride =
        options.skipFrames >= 2 ? static_cast<std::size_t>(options.skipFrames) : 1;
    const std::size_t lastKept = (frameCount - 1) / stride * stride;
    const double end = startHundredths(static_cast<double>(frameCount), fps);

    // Where each written frame begins, in whole hundredths.
    std::vector<double> begins;
    if (static_cast<double>(stride) * 100.0 / fps >= kMinDelay) {
        written.reserve(lastKept / stride + 1);
        for (std::size_t position = 0;; position += stride) {
            written.push_back({position, 0});
            begins.push_back(startHundredths(static_cast<double>(position), fps));
            if (position == lastKept)
                break; // the next step would pass the end (and could overflow)
        }
    } else {
        // Faster than a GIF shows: one frame every kMinDelay hundredths, the
        // kept frame that is on screen at that moment.
        double at = 0;
        do {
            auto position = static_cast<std::size_t>(std::floor(at * fps / 100.0 + kSlack));
            position = std::min(position / stride * stride, lastKept);
            if (written.empty() || written.back().index != position) {
                written.push_back({position, 0});
                begins.push_back(at);
            }
            at += kMinDelay;
        } while (at < end);
    }

    std::vector<double> delays(written.size());
    for (std::size_t i = 0; i < written.size(); ++i)
        delays[i] = (i + 1 < written.size() ? begins[i + 1] : end) - begins[i];
    // A last frame too short to show gives its time to the one before.
    if (written.size() >= 2 && delays.back() < kMinDelay) {
        delays[delays.size() - 2] += delays.back();
        delays.pop_back();
        written.pop_back();
    }
    for (std::size_t i = 0; i < written.size(); ++i)
        written[i].delayHundredths = static_cast<int>(std::clamp(delays[i], kMinDelay, kMaxDelay));

    if (options.boomerang && written.size() >= 3) {
        const std::size_t n = written.size();
        written.reserve(2 * n - 2);
        for (std::size_t i = n - 2; i >= 1; --i)
            written.push_back(written[i]);
    }
    return written;
}

std::vector<std::size_t> GifEncoder::selectFrames(std::size_t frameCount, const Options& options)
{
    std::vector<std::size_t> indices;
    for (const WrittenFrame& frame : schedule(frameCount, options))
        indices.push_back(frame.index);
    return indices;
}

std::string GifEncoder::framePixelLimitText()
{
    return "frames are limited to " + std::to_string(maxFramePixels) + " pixels (8192x8192)";
}

Status<> GifEncoder::checkOptions(const Options& options)
{
    if (!std::isfinite(options.fps) || options.fps <= 0)
        return failure("the frame rate must be a positive number");
    if (options.loopCount < 0 || options.loopCount > kMaxLoopCount)
        return failure("the loop count must be between 0 and 65535");
    return {};
}

EncodeResult GifEncoder::encode(const FrameSource& source, const Options& options,
                                const ProgressCallback& progress, const EncodeSettings& settings)
{
    try {
        if (settings.maxBytes != 0)
            return encodeToFit(source, options, progress, settings);
        if (settings.passStarted)
            settings.passStarted({EncodePass::Kind::Encode, 1, 1, settings.quality,
                                  std::max<std::int64_t>(1, options.skipFrames)});
        return chosen(encodeUnguarded(source, options, progress, settings), settings.quality,
                      options.skipFrames, false);
    } catch (...) {
        return currentExceptionFailure("encode the frames");
    }
}

EncodeResult GifEncoder::chosen(EncodeResult result, int quality, std::int64_t skipFrames,
                                bool dropped)
{
    result.m_quality = quality;
    result.m_skipFrames = std::max<std::int64_t>(1, skipFrames);
    result.m_droppedFrames = dropped;
    return result;
}

EncodeResult GifEncoder::encodeUnguarded(const FrameSource& source, const Options& options,
                                         const ProgressCallback& progress,
                                         const EncodeSettings& settings,
                                         FrameLevelBytes* levelBytes)
{
    const std::size_t count = source.frameCount();
    if (count == 0)
        return encodeFailure(EncodeError::EmptyInput, "there are no frames to encode");
    if (Status<> checked = checkOptions(options); !checked.ok())
        return encodeFailure(EncodeError::InvalidOptions, checked.message());
    if (settings.quality < minQuality || settings.quality > maxQuality)
        return encodeFailure(EncodeError::InvalidOptions,
                             "the quality must be between " + std::to_string(minQuality) + " and " +
                                 std::to_string(maxQuality) + ", not " +
                                 std::to_string(settings.quality));
    const std::vector<WrittenFrame> written = schedule(count, options);

    const FrameSize size = source.frameSize(0);
    if (size.width <= 0 || size.height <= 0 || size.width > kMaxDimension ||
        size.height > kMaxDimension)
        return encodeFailure(EncodeError::InvalidSize,
                             "frame 1 is " + std::to_string(size.width) + "x" +
                                 std::to_string(size.height) +
                                 "; a GIF frame is 1 to 65535 pixels each way");
    if (std::int64_t{size.width} * size.height > maxFramePixels)
        return encodeFailure(EncodeError::InvalidSize, "frame 1 is " + std::to_string(size.width) +
                                                           "x" + std::to_string(size.height) +
                                                           "; " + framePixelLimitText());
    for (std::size_t i = 1; i < count; ++i) {
        const FrameSize other = source.frameSize(i);
        if (other != size)
            return encodeFailure(
                EncodeError::SizeMismatch,
                "frame " + std::to_string(i + 1) + " is " + std::to_string(other.width) + "x" +
                    std::to_string(other.height) + " but frame 1 is " + std::to_string(size.width) +
                    "x" + std::to_string(size.height));
    }

    std::vector<std::size_t> sequence;
    std::vector<int> delays;
    sequence.reserve(written.size());
    delays.reserve(written.size());
    for (const WrittenFrame& frame : written) {
        sequence.push_back(frame.index);
        delays.push_back(frame.delayHundredths);
    }
    const unsigned threads = settings.threads != 0
                                 ? settings.threads
                                 : std::max(1u, std::thread::hardware_concurrency());

    // A failed read, or one that threw, as the encode's failure.
    const auto read = [&source](std::size_t index,
                                std::span<std::uint32_t> pixels) -> EncodeStatus {
        try {
            if (Status<> frame = source.readFrame(index, pixels); !frame.ok())
                return encodeFailure(EncodeError::SourceFailed, frame.message());
        } catch (...) {
            return currentExceptionFailure("read frame " + std::to_string(index + 1));
        }
        return {};
    };
    std::vector<std::uint32_t> first(static_cast<std::size_t>(size.width) *
                                     static_cast<std::size_t>(size.height));
    if (EncodeStatus firstRead = read(sequence.front(), first); !firstRead.ok())
        return Failure{firstRead.message()};
    // When every colour of the recording fits one table, it is written exactly
    // with that one table. Screen content with antialiasing overflows within
    // the first frame, so the survey of the other frames is only paid by
    // recordings of few colours; it reports progress and honours a cancel like
    // the writing does.
    ColourMap seen;
    seen.reset(256);
    std::array<std::uint64_t, 256> counts{};
    const bool survey = ColourSurvey::collect(first, seen, counts);
    // The frames the survey reads besides the first, each once.
    std::vector<std::size_t> rest;
    if (survey) {
        rest.assign(sequence.begin() + 1, sequence.end());
        std::sort(rest.begin(), rest.end());
        rest.erase(std::unique(rest.begin(), rest.end()), rest.end());
        std::erase(rest, sequence.front());
    }
    // Writing's steps come after the survey's, all of them even when the
    // survey stops early, so the total never changes.
    const std::size_t stepsBefore = rest.size();
    const std::size_t totalSteps = stepsBefore + sequence.size();
    const auto cancelled = [] {
        return encodeFailure(EncodeError::Cancelled, "encoding was cancelled");
    };
    if (progress && !progress(0, totalSteps))
        return cancelled();
    bool fitsOneTable = survey;
    // The frames the survey reads are kept for the writing.
    SurveyedFrames kept(source, survey ? settings.surveyedFrameBytes : 0);
    if (survey)
        kept.keep(sequence.front(), first);
    if (survey && !rest.empty()) {
        const auto surveyed = [&](std::size_t done) { return progress(done, totalSteps); };
        if (EncodeStatus surveyRead = ColourSurvey::run(rest, first.size(), threads, read,
                                                        progress ? ColourSurvey::Progress(surveyed)
                                                                 : ColourSurvey::Progress(),
                                                        seen, counts, fitsOneTable, &kept);
            !surveyRead.ok())
            return Failure{surveyRead.message()};
    }
    // Every frame is first coded as at the best quality; a lower quality
    // adds its level and those above it, which may merge near colours, also
    // of a recording that fits one table.
    const bool exact = settings.lossless || fitsOneTable;
    QuantiserSettings qs{};
    qs.lossyDistance = lossyDistance(maxQuality);
    if (exact) {
        qs.lossyDistance = 0;
        qs.paletteDistance = 0;
    }
    if (!settings.lossless) {
        for (const QualityLevel& level : qualityLevels) {
            if (level.quality < maxQuality && level.quality >= effectiveQuality(settings.quality))
                qs.lowerLevels.push_back({level.lossyDistance, level.flatLossyDistance});
        }
    }
    for (std::uint32_t& pixel : first)
        pixel |= 0xFF000000u;
    // A colour table shared by all frames: the recording's colours when they
    // fit, otherwise made from the first frame. Built on a thread of its own
    // so the quantiser runs single-threaded, as on the workers.
    std::optional<GlobalPalette> global;
    if (fitsOneTable) {
        // The colours that frames drawing few colours draw most come first,
        // so that those frames need narrow codes; without kept frames to
        // tell, the most common colours.
        std::array<std::uint64_t, 256> weights{};
        if (kept.weighColours(sequence, seen, weights))
            counts = weights;
        global = GlobalPalette::fromRecording(seen.colours(), counts);
    }
    // An exception must not leave the thread: it would end the process.
    EncodeStatus made;
    if (!global) {
        std::thread([&] {
            try {
                omp_set_num_threads(1);
                // Should the quantiser fail, the frames carry tables of their own.
                if (Result<GlobalPalette> palette = GlobalPalette::fromFrame(first, size, qs);
                    palette.ok())
                    global = std::move(*palette);
            } catch (...) {
                made = currentExceptionFailure("make the colour table of frame 1");
            }
        }).join();
    }
    if (!made.ok())
        return Failure{made.message()};
    const GlobalPalette* shared = global ? &*global : nullptr;

    std::vector<std::uint8_t> bytes;
    appendHeader(bytes, size, options.loopCount, shared);
    EncodePipeline pipeline(kept, std::move(sequence), std::move(delays), size, threads, qs,
                            shared);
    ProgressCallback writing;
    if (progress)
        writing = [&](std::size_t done, std::size_t total) {
            return progress(stepsBefore + done, stepsBefore + total);
        };
    if (EncodeStatus frames = pipeline.run(bytes, writing, levelBytes); !frames.ok())
        return Failure{frames.message()};
    GifByteWriter(bytes).byte(0x3B); // trailer
    return EncodeResult::success(std::move(bytes));
}

} // namespace kinetta::gif
