#pragma once

#include "gif/Result.h"
#include "model/FileDescriptor.h"

#include <QRectF>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kinetta::portal
{

// One picture of the stream, cropped and in 0xAARRGGBB, rows without padding.
struct PortalFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// Receives a pipewire stream's events on its loop thread.
struct PipeWireFrameHandlers {
    // A new picture (pictures only come when the screen changed).
    std::function<void(std::shared_ptr<const PortalFrame>)> frame;
    // The stream ended (the source went away, the daemon closed the
    // connection); nothing follows.
    std::function<void(const QString& reason)> ended;
};

// Receives one node of a PipeWire connection (the portal's) on a thread loop
// of its own: offers every 32-bit raw layout and any frame rate, takes
// shared-memory buffers (a DMA-BUF is mapped and copied when the source
// offers nothing else), skips empty and corrupted buffers, honours the
// stride, and hands over each picture cropped to crop (given in a frame of
// frameSize: the size the portal reported for the stream).
class PipeWireFrameStream final
{
public:
    struct Target {
        std::uint32_t node = 0;
        QSize frameSize;
        std::optional<QRectF> crop;
    };
    [[nodiscard]] static Result<std::unique_ptr<PipeWireFrameStream>, QString>
    start(FileDescriptor connection, const Target& target, PipeWireFrameHandlers handlers);
    // Disconnects and waits for the loop thread: no handler runs afterwards.
    ~PipeWireFrameStream();
    PipeWireFrameStream(const PipeWireFrameStream&) = delete;
    PipeWireFrameStream& operator=(const PipeWireFrameStream&) = delete;

    struct State;

private:
    explicit PipeWireFrameStream(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace kinetta::portal
