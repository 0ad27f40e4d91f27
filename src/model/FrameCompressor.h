#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace kinetta
{

// The general-purpose compressor under the frame codec.
enum class FrameCodec : std::uint8_t { Lz4 = 0, Zstd = 1 };

struct CompressorSettings {
    // zstd at level 1 keeps screen content two to three times smaller than LZ4
    // for about the same CPU time per frame (bench/store, on terminal, desktop
    // and web-page scenes at 960x540 and 1920x1080).
    FrameCodec codec = FrameCodec::Zstd;
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
class CompressResult final
{
public:
    CompressResult(EncodedFrame frame) : m_frame(std::move(frame)) {} // NOLINT
    [[nodiscard]] static CompressResult failure(std::string message)
    {
        CompressResult result{EncodedFrame{}};
        result.m_error = std::move(message);
        return result;
    }

    [[nodiscard]] bool ok() const { return m_error.empty(); }
    [[nodiscard]] EncodedFrame& frame() { return m_frame; }
    [[nodiscard]] const EncodedFrame& frame() const { return m_frame; }
    [[nodiscard]] const std::string& error() const { return m_error; }

private:
    EncodedFrame m_frame;
    std::string m_error;
};

// Pixels kept alive, unchanged, by owner, so that the compressor can keep them
// as its reference for the next frame instead of copying them (memory the
// display server wrote into, for instance).
struct SharedPixels {
    std::span<const std::uint32_t> pixels;
    std::shared_ptr<const void> owner;
    // The top byte of every pixel is padding: the frame is opaque (alpha 0xff)
    // whatever that byte holds.
    bool opaque = false;
};

// Tiles are 64 pixels wide and 16 rows tall (smaller at the right and bottom edge).
inline constexpr int kFrameTileWidth = 64;
inline constexpr int kFrameTileHeight = 16;

// Compresses the frames of one recording in order. Not thread-safe: it runs on
// the recorder's frame queue.
class FrameCompressor final
{
public:
    FrameCompressor(int width, int height, CompressorSettings settings = {});
    ~FrameCompressor();
    FrameCompressor(const FrameCompressor&) = delete;
    FrameCompressor& operator=(const FrameCompressor&) = delete;

    [[nodiscard]] int width() const { return m_width; }
    [[nodiscard]] int height() const { return m_height; }

    // pixels: width*height values, rows without padding. The result decodes
    // with decodeFrame() on top of the frame compressed just before it. When
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
    // An error message when the codec failed.
    [[nodiscard]] std::string pack(EncodedFrame& frame, std::span<const std::uint8_t> raw,
                                   std::span<const std::uint32_t> tiles, bool opaque);

    struct ZstdContext;
    int m_width;
    int m_height;
    int m_tilesX;
    int m_tilesY;
    CompressorSettings m_settings;
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

// Decodes a keyframe into out (width*height values), or applies a delta to out,
// which must hold the frame before it. Returns an empty string on success and
// a message when the data is damaged.
[[nodiscard]] std::string decodeFrame(std::span<const std::uint8_t> encoded, int width, int height,
                                      std::span<std::uint32_t> out);
// Whether encoded bytes hold a keyframe (false for damaged data too).
[[nodiscard]] bool isKeyframe(std::span<const std::uint8_t> encoded);

} // namespace kinetta
