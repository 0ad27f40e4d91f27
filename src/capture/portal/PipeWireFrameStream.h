#pragma once

#include "capture/portal/PortalFrame.h"
#include "gif/Result.h"
#include "model/FileDescriptor.h"

#include <QRectF>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace kinetta::portal
{

// What a stream tells, on its loop thread.
struct PipeWireFrameHandlers {
    // A new picture has come (pictures only come when the screen changed).
    std::function<void()> arrived;
    // The stream ended (the source went away, the daemon closed the
    // connection); nothing follows.
    std::function<void(const QString& reason)> ended;
};

// Receives one node of a PipeWire connection (the portal's): offers every
// 32-bit raw layout and any frame rate, takes shared-memory buffers (a
// DMA-BUF is mapped and copied when the source offers nothing else), skips
// empty and corrupted buffers and honours the stride. The newest buffer is
// held until a newer one comes; it is converted only when asked for, so that
// a source sending faster than the recording costs nothing for the pictures
// nobody keeps.
class PipeWireFrameStream final
{
public:
    struct Target {
        std::uint32_t node = 0;
        // The size the portal reported, the frame of crop.
        QSize frameSize;
        std::optional<QRectF> crop;
        // What the pictures are scaled to; empty: the cropped size.
        QSize outputSize;
    };
    [[nodiscard]] static Result<std::unique_ptr<PipeWireFrameStream>, QString>
    start(FileDescriptor connection, const Target& target, PipeWireFrameHandlers handlers);
    // Disconnects and waits for the loop thread: no handler runs afterwards.
    ~PipeWireFrameStream();
    PipeWireFrameStream(const PipeWireFrameStream&) = delete;
    PipeWireFrameStream& operator=(const PipeWireFrameStream&) = delete;

    // The newest picture, cropped, scaled and converted on the calling thread: the
    // same object again until a new one arrives; null before the first (or
    // when it could not be read). Any thread.
    [[nodiscard]] std::shared_ptr<const PortalFrame> newestPicture();

    struct State;

private:
    explicit PipeWireFrameStream(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace kinetta::portal
