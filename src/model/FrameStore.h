#pragma once

#include "model/Frame.h"
#include "model/SharedPixels.h"
#include "model/TileDeltaCodec.h"

#include <QImage>
#include <QString>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace kinetta
{

class SpillFile;

// Keeps the frames of a recording compressed as they arrive, so that a long
// recording fits in bounded memory. Each frame is stored as a keyframe or as the
// tiles changed since the frame before; the Frames it hands out decode on read,
// from any thread, and share what they need (so trimmed or reordered lists copy
// nothing). Past the memory budget, further frames go to an unnamed temporary
// file; nothing is dropped. add() and restart() run on one thread at a time
// (the recorder's frame queue).
class FrameStore final
{
public:
    // Overrides the memory budget, in bytes (tests use a tiny one).
    static constexpr const char* kBudgetVariable = "KINETTA_FRAME_MEMORY_BUDGET";

    struct Options {
        // 0: physicalMemoryBudget().
        std::size_t memoryBudget = 0;
        TileDeltaSettings compressor;
        // Empty: SpillFile::defaultFolder().
        QString spillFolder;
    };
    // The options the program records with: the budget from kBudgetVariable
    // when it holds a byte count, the other fields left to their defaults.
    // Whoever makes a store (or a recorder) reads them; the store does not.
    [[nodiscard]] static Options optionsFromEnvironment();
    // A quarter of the physical memory.
    [[nodiscard]] static std::size_t physicalMemoryBudget();

    FrameStore();
    explicit FrameStore(Options options);
    ~FrameStore();
    FrameStore(const FrameStore&) = delete;
    FrameStore& operator=(const FrameStore&) = delete;

    // Told once per recording, with a line for the user, when frames start going
    // to the temporary file (or could not), and once when the codec fails on a
    // frame (add() then gives a null frame). Called on the thread of add().
    // Without a handler the line goes to the warning log (stderr).
    void setNoticeHandler(std::function<void(const QString&)> handler);

    // A new recording: the next frame is a keyframe and the notice may come
    // again. Also lets go of the last frame, which the store keeps to chain the
    // next one to; call it when a recording ends.
    void restart();

    // Stores one frame of width*height pixels (0xAARRGGBB, rows without
    // padding); frames of a recording come in order.
    [[nodiscard]] Frame add(int width, int height, std::span<const std::uint32_t> pixels);
    // The same, taking the pixels over, which spares the store a copy of them.
    [[nodiscard]] Frame add(int width, int height, std::vector<std::uint32_t>&& pixels);
    // The same, keeping pixels.owner (not a copy) until the next frame is stored
    // or restart().
    [[nodiscard]] Frame add(int width, int height, SharedPixels pixels);
    // A null image gives a null frame.
    [[nodiscard]] Frame add(const QImage& image);

    [[nodiscard]] std::size_t memoryBudget() const { return m_budget; }
    // Compressed bytes of every frame from this store still alive, in memory
    // and in the temporary file.
    [[nodiscard]] std::size_t memoryBytes() const;
    [[nodiscard]] std::size_t spilledBytes() const;

    struct Accounting {
        std::atomic<std::size_t> memory{0};
        std::atomic<std::size_t> spilled{0};
    };

private:
    [[nodiscard]] bool prepare(int width, int height, std::size_t pixelCount);
    [[nodiscard]] Frame keep(int width, int height, CompressResult compressed);
    // Tells line unless told is set already, then sets it.
    void tell(const QString& line, bool& told);

    Options m_options;
    std::size_t m_budget;
    std::shared_ptr<Accounting> m_accounting;
    std::unique_ptr<TileDeltaCodec> m_compressor;
    std::shared_ptr<const FrameStorage> m_last;
    // Held by the frames stored in it alone, so it goes when they go.
    std::weak_ptr<SpillFile> m_spill;
    bool m_spillFailed = false;
    bool m_told = false;
    bool m_toldCodecFailure = false;
    std::function<void(const QString&)> m_notice;
};

} // namespace kinetta
