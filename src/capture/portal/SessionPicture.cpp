#include "capture/portal/SessionPicture.h"

#include "capture/portal/PipeWireFrameStream.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>

namespace kinetta::portal
{
namespace
{

// Told on the PipeWire loop thread, read by the waiting caller.
struct FirstArrival {
    std::mutex mutex;
    std::condition_variable arrived;
    bool pictured = false;
    std::optional<QString> ended;
};

QImage imageOf(const PortalFrame& frame)
{
    QImage image(frame.width, frame.height, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    const auto rowBytes = static_cast<std::size_t>(frame.width) * sizeof(std::uint32_t);
    for (int y = 0; y < frame.height; ++y)
        std::memcpy(image.scanLine(y), frame.pixels.data() + static_cast<std::size_t>(y) * frame.width,
                    rowBytes);
    return image;
}

} // namespace

Result<QImage, QString> firstPicture(ScreenCastSession& session, std::chrono::milliseconds timeout)
{
    if (session.streams().empty())
        return Failure{QStringLiteral("The desktop portal shared no screen.")};
    const ScreenCastStream& shared = session.streams().front();
    auto connection = session.openPipeWireRemote();
    if (!connection.ok())
        return Failure{connection.message()};
    auto arrival = std::make_shared<FirstArrival>();
    const auto tell = [arrival](const std::function<void(FirstArrival&)>& change) {
        {
            std::lock_guard lock(arrival->mutex);
            change(*arrival);
        }
        arrival->arrived.notify_all();
    };
    auto stream = PipeWireFrameStream::start(
        std::move(connection).value(), {shared.node, shared.size, std::nullopt, QSize()},
        {[tell] { tell([](FirstArrival& first) { first.pictured = true; }); },
         [tell](const QString& reason) {
             tell([&reason](FirstArrival& first) { first.ended = reason; });
         }});
    if (!stream.ok())
        return Failure{QStringLiteral("Recording on Wayland needs PipeWire: ") + stream.message()};
    std::optional<QString> ended;
    {
        std::unique_lock lock(arrival->mutex);
        arrival->arrived.wait_for(lock, timeout,
                                  [&] { return arrival->pictured || arrival->ended; });
        ended = arrival->ended;
    }
    const std::shared_ptr<const PortalFrame> frame = stream.value()->newestPicture();
    // Its connection goes; the portal's stream and session stay.
    stream.value().reset();
    if (!frame)
        return Failure{ended ? QStringLiteral("The shared screen's stream ended: ") + *ended
                             : QStringLiteral("The shared screen sent no picture.")};
    QImage image = imageOf(*frame);
    if (image.isNull())
        return Failure{QStringLiteral("The shared screen's picture could not be kept.")};
    return image;
}

} // namespace kinetta::portal
