#pragma once

#include "gif/Result.h"
#include "model/SharedPixels.h"
#include "model/TileDeltaFormat.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kinetta
{

struct TileDeltaSettings {
    // zstd at level 1 keeps screen content two to three times smaller than LZ4
    // for about the same CPU time per frame (bench/store, on terminal, desktop
    // and web-page scenes at 960x540 and 1920x1080).
    BlockCompression compression = BlockCompression::Zstd;
    // LZ4: acceleration (1 = default, higher is faster and larger).
    // Zstd: compression level (negative levels are the fast ones).
    int level = 1;
    // At most this many delta frames follow a keyframe, so that a run of
    // unchanged frames still decodes from a nearby keyframe.
    int maxDeltaRun = 300;
    // A keyframe is made once the tiles changed since the last keyframe add up
    // to this many whole frames; reading a frame then costs one keyframe plus at
    // most about this much tile work.
    double maxChangedFramesPerRun = 1.5;
    // A frame that changes more than this share of its tiles becomes a keyframe:
    // its delta would be as large and slower to read.
    double keyframeChangeShare = 0.6;
    // Caps the codec's output buffer below its worst-case bound, so that a
    // frame that does not fit fails as a codec error would; 0 leaves the
    // bound. Only tests set it.
    std::size_t packedCapacity = 0;
};

// One compressed frame: a keyframe holds the whole image, a delta holds the
// tiles that changed since the frame before it, XORed with their old pixels.
struct EncodedFrame {
    bool keyframe = true;
    // Pixels in the tiles this frame carries (all of them for a keyframe).
    std::size_t changedPixels = 0;
    std::vector<std::uint8_t> bytes;
};

// A compressed frame, or the codec's reason for making none.
using CompressResult = Result<EncodedFrame>;

// The frame store's codec: compresses the frames of one recording in order,
// each as a keyframe or as the tiles changed since the frame before. Not
// thread-safe: it runs on the recorder's frame queue.
class TileDeltaCodec final
{
public:
    TileDeltaCodec(int width, int height, TileDeltaSettings settings = {});
    ~TileDeltaCodec();
    TileDeltaCodec(const TileDeltaCodec&) = delete;
    TileDeltaCodec& operator=(const TileDeltaCodec&) = delete;

    [[nodiscard]] int width() const { return m_width; }
    [[nodiscard]] int height() const { return m_height; }

    // pixels: width*height values, rows without padding. The result decodes
    // with decodeTileDelta() on top of the frame compressed just before it. When
    // the codec fails, the frame is not made and the next one is a keyframe.
    [[nodiscard]] CompressResult compress(std::span<const std::uint32_t> pixels);
    // The same, taking the pixels over (they are kept as the reference for the
    // next frame instead of a copy); pixels is left with unspecified content.
    [[nodiscard]] CompressResult compress(std::vector<std::uint32_t>&& pixels);
    // The same, keeping pixels.owner as the reference for the next frame.
    [[nodiscard]] CompressResult compress(SharedPixels pixels);
    // The next frame becomes a keyframe; lets go of the reference frame.
    void restart();

private:
    // pixels.owner null: the pixels are only lent and are copied.
    [[nodiscard]] CompressResult compressFrame(const SharedPixels& pixels);
    [[nodiscard]] CompressResult makeKeyframe(const SharedPixels& pixels);
    [[nodiscard]] CompressResult makeDelta(const SharedPixels& pixels, std::size_t changedPixels);
    // Lists the changed tiles in m_tiles with their XORed pixels in m_scratch
    // (updating m_copy when it is the reference and pixels are lent) and returns
    // their pixel count; stops early once that count exceeds limit.
    [[nodiscard]] std::size_t findChanges(const SharedPixels& pixels, double limit);
    // Makes pixels the reference for the next frame (copying them when lent).
    void keepReference(const SharedPixels& pixels, bool copied);
    [[nodiscard]] Status<std::string> pack(EncodedFrame& frame, std::span<const std::uint8_t> raw,
                                           std::span<const std::uint32_t> tiles, bool opaque);

    struct ZstdContext;
    int m_width;
    int m_height;
    int m_tilesX;
    int m_tilesY;
    TileDeltaSettings m_settings;
    // The frame before, in m_copy or held by m_referenceOwner.
    std::span<const std::uint32_t> m_reference;
    std::shared_ptr<const void> m_referenceOwner;
    bool m_referenceOpaque = false;
    std::vector<std::uint32_t> m_copy;
    std::vector<std::uint8_t> m_changed; // one flag per tile
    std::vector<std::uint32_t> m_tiles;
    std::vector<std::uint32_t> m_scratch;
    std::vector<std::uint8_t> m_packed;
    bool m_havePrevious = false;
    int m_deltaRun = 0;
    std::size_t m_changedSinceKeyframe = 0;
    std::unique_ptr<ZstdContext> m_zstd;
};

} // namespace kinetta
