// The search for the best quality whose file fits a size target.

#include "EncodePipeline.h"
#include "gif/GifEncoder.h"

#include <algorithm>

namespace kinetta::gif
{
namespace
{

// The sample: runs of a few consecutive written frames, spread evenly, the
// first at the start; each frame after the first of its run shows what a
// frame costs as a change to the one before.
constexpr std::size_t kRunLength = 3;
constexpr std::size_t kWrittenFramesPerRun = 20;
constexpr std::size_t kMinRuns = 2;
constexpr std::size_t kMaxRuns = 10;

// How far over the limit the estimate of the lowest quality must be for
// frames to be dropped without encoding them all at it first.
constexpr double kHopeless = 1.25;

constexpr int kLevels = static_cast<int>(GifEncoder::qualityLevels.size());

// The index of an effective quality in GifEncoder::qualityLevels.
int levelOf(int quality)
{
    int k = 0;
    while (GifEncoder::qualityLevels[static_cast<std::size_t>(k)].quality != quality)
        ++k;
    return k;
}

// Some of a source's frames, in the order given (one may come more than once).
class SampledFrames final : public FrameSource
{
public:
    SampledFrames(const FrameSource& source, std::vector<std::size_t> indices)
        : m_source(source), m_indices(std::move(indices))
    {
    }

    [[nodiscard]] std::size_t frameCount() const override { return m_indices.size(); }
    [[nodiscard]] FrameSize frameSize(std::size_t index) const override
    {
        return m_source.frameSize(m_indices[index]);
    }
    [[nodiscard]] Status<> readFrame(std::size_t index, std::span<std::uint32_t> out) const override
    {
        return m_source.readFrame(m_indices[index], out);
    }

private:
    const FrameSource& m_source;
    std::vector<std::size_t> m_indices;
};

// The written positions the sample takes: all of them for a short recording.
std::vector<std::size_t> samplePositions(std::size_t written)
{
    std::vector<std::size_t> positions;
    if (written <= 2 * kMinRuns * kRunLength) {
        for (std::size_t p = 0; p < written; ++p)
            positions.push_back(p);
        return positions;
    }
    const std::size_t runs = std::clamp(written / kWrittenFramesPerRun, kMinRuns, kMaxRuns);
    for (std::size_t r = 0; r < runs; ++r) {
        const std::size_t start = r * (written - kRunLength) / (runs - 1);
        for (std::size_t k = 0; k < kRunLength; ++k)
            positions.push_back(start + k);
    }
    return positions;
}

// Per level, the whole file's bytes: what surrounds the frames (header,
// shared table, trailer) and every frame's bytes at that level.
std::vector<std::size_t> fileBytesPerLevel(std::size_t fileBytes, const FrameLevelBytes& frames)
{
    std::size_t framesAsWritten = 0;
    for (const std::vector<std::size_t>& frame : frames)
        framesAsWritten += frame.back();
    std::vector<std::size_t> sizes(frames.front().size(), fileBytes - framesAsWritten);
    for (const std::vector<std::size_t>& frame : frames) {
        for (std::size_t k = 0; k < sizes.size(); ++k)
            sizes[k] += frame[k];
    }
    return sizes;
}

// Per level, the estimated file: what surrounds the sample's frames, its
// first frame (the recording's), and the mean of its other runs' changes for
// every written frame after the first. Exact when the sample is every frame.
std::vector<std::size_t> estimatePerLevel(std::size_t sampleBytes, const FrameLevelBytes& frames,
                                          std::size_t written)
{
    const std::vector<std::size_t> whole = fileBytesPerLevel(sampleBytes, frames);
    std::vector<std::size_t> estimates(whole.size());
    const bool everyFrame = frames.size() == written;
    for (std::size_t k = 0; k < whole.size(); ++k) {
        if (everyFrame) {
            estimates[k] = whole[k];
            continue;
        }
        std::size_t changes = 0;
        std::size_t changed = 0;
        for (std::size_t j = 0; j < frames.size(); ++j) {
            if (j % kRunLength != 0) {
                changes += frames[j][k];
                ++changed;
            }
        }
        std::size_t sampled = 0;
        for (const std::vector<std::size_t>& frame : frames)
            sampled += frame[k];
        const std::size_t around = whole[k] - sampled;
        estimates[k] = around + frames.front()[k] + changes * (written - 1) / changed;
    }
    return estimates;
}

} // namespace

std::string GifEncoder::passText(const EncodePass& pass)
{
    std::string text =
        "pass " + std::to_string(pass.number) + " of " + std::to_string(pass.count) + ": ";
    if (pass.kind == EncodePass::Kind::Estimate)
        return text + "estimating sizes on a sample of frames";
    text += "encoding at quality " + std::to_string(pass.quality);
    if (pass.kind == EncodePass::Kind::FewerFrames)
        text += ", keeping one frame in " + std::to_string(pass.skipFrames);
    return text;
}

std::string GifEncoder::fitText(const EncodeResult& result, std::size_t maxBytes)
{
    std::string text = "quality " + std::to_string(result.quality());
    if (result.droppedFrames())
        text = "even the lowest quality was too large: " + text + ", keeping one frame in " +
               std::to_string(result.skipFrames()) + ",";
    return text + " fits in " + std::to_string(maxBytes) + " bytes (" +
           std::to_string(result.bytes().size()) + " bytes)";
}

EncodeResult GifEncoder::encodeToFit(const FrameSource& source, const Options& options,
                                     const ProgressCallback& progress,
                                     const EncodeSettings& settings)
{
    const std::size_t limit = settings.maxBytes;
    const std::vector<std::size_t> written = selectFrames(source.frameCount(), options);
    // What encode() refuses is refused the same way, in one pass.
    if (written.empty() || !checkOptions(options).ok() || settings.quality < minQuality ||
        settings.quality > maxQuality) {
        EncodeSettings once = settings;
        once.maxBytes = 0;
        return encode(source, options, progress, once);
    }

    // Level k is qualityLevels[k]; with lossless set, only the quality asked
    // for, which changes nothing.
    const int levels = settings.lossless ? 1 : kLevels;
    const int top = settings.lossless ? 0 : levelOf(effectiveQuality(settings.quality));
    const int bottom = levels - 1;
    const auto qualityOf = [&](int k) {
        return settings.lossless ? settings.quality
                                 : qualityLevels[static_cast<std::size_t>(k)].quality;
    };

    int pass = 0;
    int passes = 3;
    const auto encodeAt = [&](EncodePass::Kind kind, const FrameSource& frames,
                              const Options& taken, int k, FrameLevelBytes* levelBytes) {
        if (settings.passStarted)
            settings.passStarted({kind, ++pass, std::max(passes, pass), qualityOf(k),
                                  std::max<std::int64_t>(1, taken.skipFrames)});
        EncodeSettings once = settings;
        once.quality = qualityOf(k);
        once.maxBytes = 0;
        return encodeUnguarded(frames, taken, progress, once, levelBytes);
    };

    // The sample is coded at the quality asked for alone first, which costs
    // little; only when that is over the limit (or the full encode shows it
    // to be) is it coded down to the lowest level, a frame coded there
    // telling its size at each level above on the way. The levels both reach
    // get the same figures.
    std::vector<std::size_t> sampleIndices;
    for (const std::size_t position : samplePositions(written.size()))
        sampleIndices.push_back(written[position]);
    const SampledFrames sample(source, std::move(sampleIndices));
    std::vector<std::size_t> estimated;
    const auto estimateDownTo = [&](int k) {
        FrameLevelBytes sampled;
        EncodeResult estimate = encodeAt(EncodePass::Kind::Estimate, sample,
                                         Options(10, options.loopCount), k, &sampled);
        if (estimate.ok())
            estimated = estimatePerLevel(estimate.bytes().size(), sampled, written.size());
        return estimate;
    };
    const auto estimateEveryLevel = [&] {
        ++passes;
        return estimateDownTo(bottom);
    };
    if (EncodeResult estimate = estimateDownTo(top); !estimate.ok())
        return estimate;
    if (estimated[static_cast<std::size_t>(top)] > limit && top < bottom) {
        if (EncodeResult estimate = estimateEveryLevel(); !estimate.ok())
            return estimate;
    }
    const auto firstFitting = [&](int from, int to, double scale) {
        for (int k = from; k <= to; ++k) {
            if (static_cast<double>(estimated[static_cast<std::size_t>(k)]) * scale <=
                static_cast<double>(limit))
                return k;
        }
        return to;
    };

    // The smallest file made, its quality and the stride of frames it kept.
    std::size_t smallest = SIZE_MAX;
    int smallestQuality = qualityOf(bottom);
    std::int64_t smallestStride = std::max<std::int64_t>(1, options.skipFrames);
    const auto noteSmallest = [&](const EncodeResult& made, int k, std::int64_t stride) {
        if (made.bytes().size() < smallest) {
            smallest = made.bytes().size();
            smallestQuality = qualityOf(k);
            smallestStride = std::max<std::int64_t>(1, stride);
        }
    };
    // Far over at the lowest quality, every frame would only be encoded to
    // learn what the estimate says.
    const double lowest = estimated.size() > static_cast<std::size_t>(bottom)
                              ? static_cast<double>(estimated[static_cast<std::size_t>(bottom)])
                              : 0.0;
    const bool hopeless = lowest > kHopeless * static_cast<double>(limit);
    if (!hopeless) {
        int first = firstFitting(top, bottom, 1.0);
        FrameLevelBytes exact;
        EncodeResult full = encodeAt(EncodePass::Kind::Encode, source, options, first, &exact);
        if (!full.ok())
            return full;
        noteSmallest(full, first, options.skipFrames);
        if (full.bytes().size() <= limit) {
            // Every frame was also coded at each level above it, over the
            // frame before as this level drew it: close figures for those
            // files (a few bytes off), so the best that fits is tried next.
            const std::vector<std::size_t> sizes = fileBytesPerLevel(full.bytes().size(), exact);
            int best = first;
            for (int k = first - 1; k >= top && sizes[static_cast<std::size_t>(k)] <= limit; --k)
                best = k;
            if (best == first)
                return chosen(std::move(full), qualityOf(first), options.skipFrames, false);
            EncodeResult better =
                encodeAt(EncodePass::Kind::Encode, source, options, best, nullptr);
            if (!better.ok() || better.bytes().size() > limit)
                return better.ok()
                           ? chosen(std::move(full), qualityOf(first), options.skipFrames, false)
                           : better;
            return chosen(std::move(better), qualityOf(best), options.skipFrames, false);
        }
        if (first < bottom) {
            if (estimated.size() <= static_cast<std::size_t>(bottom)) {
                if (EncodeResult estimate = estimateEveryLevel(); !estimate.ok())
                    return estimate;
            }
            // The sample missed by a factor that the levels below likely share.
            const double scale = static_cast<double>(full.bytes().size()) /
                                 static_cast<double>(std::max<std::size_t>(
                                     1, estimated[static_cast<std::size_t>(first)]));
            const int second = firstFitting(first + 1, bottom, scale);
            EncodeResult lower =
                encodeAt(EncodePass::Kind::Encode, source, options, second, nullptr);
            if (!lower.ok())
                return lower;
            if (lower.bytes().size() <= limit)
                return chosen(std::move(lower), qualityOf(second), options.skipFrames, false);
            noteSmallest(lower, second, options.skipFrames);
        }
    }

    // Even the lowest quality is too large: frames are dropped as skipFrames
    // drops them, twice as many each time, until one frame is left.
    // Where the estimate was far over, dropping starts at the stride whose
    // share of frames would fit, were each frame's bytes the same.
    Options fewer = options;
    fewer.skipFrames = std::max<std::int64_t>(1, options.skipFrames);
    const double everyKept = static_cast<double>(written.size());
    const auto keptWith = [&](std::int64_t stride) {
        Options with = options;
        with.skipFrames = stride;
        return static_cast<double>(selectFrames(source.frameCount(), with).size());
    };
    while (hopeless && keptWith(fewer.skipFrames * 2) > 1 &&
           lowest * keptWith(fewer.skipFrames * 2) / everyKept > static_cast<double>(limit))
        fewer.skipFrames *= 2;
    for (;;) {
        fewer.skipFrames *= 2;
        passes = pass + 1;
        EncodeResult dropped =
            encodeAt(EncodePass::Kind::FewerFrames, source, fewer, bottom, nullptr);
        if (!dropped.ok())
            return dropped;
        if (dropped.bytes().size() <= limit)
            return chosen(std::move(dropped), qualityOf(bottom), fewer.skipFrames, true);
        noteSmallest(dropped, bottom, fewer.skipFrames);
        if (selectFrames(source.frameCount(), fewer).size() <= 1)
            break;
    }
    const std::string kept = smallestStride == 1 ? std::string("every frame")
                                                 : "one frame in " + std::to_string(smallestStride);
    return encodeFailure(EncodeError::TooLarge,
                         "no file fits in " + std::to_string(limit) +
                             " bytes: the smallest reached is " + std::to_string(smallest) +
                             " bytes, at quality " + std::to_string(smallestQuality) + " keeping " +
                             kept);
}

} // namespace kinetta::gif
